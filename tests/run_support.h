// Helpers of the tests that run the built program whole and look at every
// file it leaves: what a run leaves, runs started in other ways (in a
// child, two at once, under a limit, with a fault preloaded), and the
// comparisons of what they leave.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_util.h"

namespace testutil {

// Whether this build runs under AddressSanitizer, whose runtime must be the
// first library of a process (no preloaded one), cannot keep within a small
// limit on address space, and whose leak checker does not work under
// ptrace (strace).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// Everything a run leaves: the files of its folder but its input, by name,
// and what it printed.
struct Left {
  std::map<std::string, std::string> files;
  RunResult result;
};

inline Left leave(const fs::path& dir, const std::string& input, const RunResult& r) {
  Left left{{}, r};
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != input) left.files[name] = read_file(e.path());
  }
  return left;
}

// Runs torven in `dir` on `input`, written with `content`, after `args`;
// `env`, assignments "NAME=value ...", goes to torven.
inline Left run_in(const fs::path& dir, const std::string& input, const std::string& content,
                   std::vector<std::string> args, const std::string& env = {}) {
  write_file(dir / input, content);
  args.push_back(input);
  return leave(dir, input, run_torven(dir, args, shipped_variant_dir(), launch_with_system, env));
}

// The shell command that runs torven with `args`.
inline std::string torven_command(const std::vector<std::string>& args) {
  std::string cmd = shell_quote(TORVEN_EXE);
  for (const std::string& arg : args) cmd += " " + shell_quote(arg);
  return cmd;
}

// The shell command that runs torven with `args` and the shipped variant
// lists under a limit of `limit` open files; `env`, assignments
// "NAME=value ...", goes to torven alone.
inline std::string torven_under_file_limit(int limit, const std::vector<std::string>& args,
                                           const std::string& env = {}) {
  return "ulimit -n " + std::to_string(limit) +
         " && NUCLEIC_ACID_DIR=" + shell_quote(shipped_variant_dir()) + " " + env + "exec " +
         torven_command(args);
}

// Adds a line to every file of a run's folder and to `files`, which holds
// them, so that a file emptied and written again by a later run shows.
inline void change_every_file(const fs::path& dir, std::map<std::string, std::string>& files) {
  for (auto& [name, bytes] : files) {
    bytes += "changed since\n";
    write_file(dir / name, bytes);
  }
}

// The same files with the same bytes, naming a file that differs rather
// than printing whole reports.
inline void expect_same_files(const std::map<std::string, std::string>& want,
                              const std::map<std::string, std::string>& got) {
  for (const auto& [name, bytes] : want) {
    const auto it = got.find(name);
    EXPECT_TRUE(it != got.end() && it->second == bytes) << name << " is missing or differs";
  }
  for (const auto& [name, bytes] : got) EXPECT_TRUE(want.count(name)) << name << " is left";
}

inline void expect_same(const Left& want, const Left& got) {
  EXPECT_EQ(want.result.status, got.result.status);
  EXPECT_EQ(want.result.out, got.result.out);
  EXPECT_EQ(want.result.err, got.result.err);
  expect_same_files(want.files, got.files);
}

// Starts a shell command in a child that first calls `prepare`, and gives
// its wait status; prepare ends the child itself when it cannot do its part.
inline int launch_in_child(const std::string& command, void (*prepare)()) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    prepare();
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = -1;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return status;
}

// The access and modification times of every file of a folder but its
// input, links followed, by name.
inline std::map<std::string, std::vector<std::int64_t>> times_of(const fs::path& dir,
                                                                 const std::string& input) {
  std::map<std::string, std::vector<std::int64_t>> times;
  for (const auto& e : fs::directory_iterator(dir)) {
    struct stat st;
    const std::string name = e.path().filename().string();
    if (name == input || ::stat(e.path().c_str(), &st) != 0) continue;
    times[name] = {st.st_atim.tv_sec, st.st_atim.tv_nsec, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  }
  return times;
}

// Starts two shell commands in `dir` at once, the second `delay` seconds
// after the first when given, with the shipped variant lists, and gives
// what each printed and its status.
inline std::vector<RunResult> run_two_at_once(const fs::path& dir, const std::string& first,
                                              const std::string& second,
                                              const char* delay = nullptr) {
  const TempDir printed;
  std::string cmd = "cd " + shell_quote(dir.string()) +
                    " && export NUCLEIC_ACID_DIR=" + shell_quote(shipped_variant_dir()) + " && { ";
  for (int k = 0; k < 2; ++k) {
    const std::string at = shell_quote(printed.file(std::to_string(k)));
    if (k == 1 && delay != nullptr) cmd += "sleep " + std::string(delay) + "; ";
    cmd += "(" + (k == 0 ? first : second) + " >" + at + ".out 2>" + at +
           ".err </dev/null; echo $? >" + at + ".status) & ";
  }
  cmd += "wait; }";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::vector<RunResult> results(2);
  for (int k = 0; k < 2; ++k) {
    const std::string at = printed.file(std::to_string(k));
    results[k].status = std::atoi(read_file(at + ".status").c_str());
    results[k].out = read_file(at + ".out");
    results[k].err = read_file(at + ".err");
  }
  return results;
}

// The environment that preloads the tests' fault library into a run,
// with each fault variable set as given; to go before a torven command.
inline std::string with_faults(const std::vector<std::pair<std::string, std::string>>& faults) {
  std::string env = "LD_PRELOAD=" + shell_quote(TORVEN_FAULT_PRELOAD);
  for (const auto& [name, value] : faults) env += " " + name + "=" + shell_quote(value);
  return env + " ";
}

// The smallest limit on open files at which a run on `structure` (PDB) in
// a fresh folder stops at s.hlx, having created the eight outputs before
// it; 0 when no limit below 256 does.
inline int limit_that_stops_at_hlx(const std::string& structure) {
  const std::string stopped =
      "torven: s.hlx: cannot create the file for writing: Too many open files\n";
  for (int limit = 4; limit < 256; ++limit) {
    const TempDir dir;
    write_file(dir.path() / "s.pdb", structure);
    const std::string cmd = "cd " + shell_quote(dir.path().string()) + " && (" +
                            torven_under_file_limit(limit, {"s.pdb"}) + ") >/dev/null 2>.stderr";
    if (std::system(cmd.c_str()) == -1) return 0;
    if (read_file(dir.path() / ".stderr") == stopped) return limit;
  }
  return 0;
}

}  // namespace testutil
