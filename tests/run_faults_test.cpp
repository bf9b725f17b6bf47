// Whole runs under a fault forced at one chosen point by the tests' preload
// library: a pause before a run's first lock while another run works, a
// file system without unnamed files or hard links, a pause while a run
// holds every output under a tight limit on open files, and memory that
// runs out for good.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run_support.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::expect_same;
using testutil::leave;
using testutil::Left;
using testutil::read_file;
using testutil::run_in;
using testutil::run_two_at_once;
using testutil::RunResult;
using testutil::shell_quote;
using testutil::TempDir;
using testutil::torven_command;
using testutil::torven_under_file_limit;
using testutil::with_faults;
using testutil::write_file;
using Faults = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kNoPreload =
    "a preloaded library cannot come before AddressSanitizer's runtime";

// The message of a run that found an output taken by another run.
std::string taken(const std::string& output) {
  return "torven: " + output + ": another run is writing the file\n";
}

// The files of a folder, links followed, but those named in `inputs`.
std::map<std::string, std::string> outputs_of(const fs::path& dir,
                                              const std::vector<std::string>& inputs) {
  std::map<std::string, std::string> files = leave(dir, inputs.front(), {}).files;
  for (const std::string& input : inputs) files.erase(input);
  return files;
}

// The names in a folder that a run made for a moment beside an output.
std::vector<std::string> temporary_names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.find(".torven-") != std::string::npos) names.push_back(name);
  }
  return names;
}

// Two runs over earlier outputs, the first paused before its first lock
// while the second, started 0.1 s later, runs whole: what the first does
// with each file (empty it or not, which times to put back) is read once it
// holds the file. Over nine empty outputs the folder ends as one run alone
// leaves it, never with records of both. Where truncating x.hlx is refused
// and x.hlx is missing, so that the second run creates it, the first run is
// refused at x.hlx after the second wrote everything: every file keeps the
// times the second gave it, not those the first saw before its lock.
TEST(FaultedRuns, ARunReadsAFileOnlyOnceItHoldsIt) {
  if (testutil::kAddressSanitizer) GTEST_SKIP() << kNoPreload;
  // Two entries whose first outputs differ in length, the shorter first.
  const std::map<std::string, std::string> inputs = {
      {"x.cif", read_file(testutil::structure("1bna.cif"))},
      {"x.pdb", read_file(testutil::structure("5ugo.pdb"))}};
  const std::vector<std::string> cif = {"-CIF", "x.cif"}, pdb = {"x.pdb"};
  const auto alone = [&](const std::vector<std::string>& args) {
    const TempDir dir;
    for (const auto& [name, bytes] : inputs) write_file(dir.path() / name, bytes);
    EXPECT_EQ(testutil::run_torven(dir.path(), args, testutil::shipped_variant_dir()).status, 0);
    return outputs_of(dir.path(), {"x.cif", "x.pdb"});
  };
  const std::map<std::string, std::string> of_cif = alone(cif), of_pdb = alone(pdb);
  ASSERT_EQ(of_cif.size(), 9u);
  ASSERT_LT(of_cif.at("x_pairing.csv").size(), of_pdb.at("x_pairing.csv").size());

  for (const bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "truncating x.hlx refused" : "plain runs");
    const TempDir dir;
    for (const auto& [name, bytes] : inputs) write_file(dir.path() / name, bytes);
    const timespec long_ago[2] = {{1577836800, 0}, {1577836800, 0}};  // 2020-01-01
    for (const auto& [name, bytes] : of_cif) {
      if (refused && name == "x.hlx") continue;  // missing, so the second run creates it
      write_file(dir.path() / name, refused ? "earlier\n" : "");
      ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() / name).c_str(), long_ago, 0), 0);
    }
    Faults both;
    if (refused) both.emplace_back("FAULT_NO_TRUNCATE", "x.hlx");
    Faults first = both;
    first.emplace_back("FAULT_FLOCK_PAUSE_US", "400000");
    const std::vector<RunResult> runs =
        run_two_at_once(dir.path(), with_faults(first) + torven_command(cif),
                        with_faults(both) + torven_command(pdb), "0.1");
    for (const RunResult& r : runs) {
      if (r.status == 0) continue;
      EXPECT_EQ(r.status, 2);
      EXPECT_TRUE(r.err == taken("x_pairing.csv") ||
                  (refused && r.err == "torven: x.hlx: cannot create the file for writing: "
                                       "Permission denied\n"))
          << r.err;
    }
    const std::map<std::string, std::string> left = outputs_of(dir.path(), {"x.cif", "x.pdb"});
    EXPECT_TRUE(left == of_cif || left == of_pdb) << "the folder is not as one run leaves it";
    for (const auto& [name, bytes] : left) {
      struct stat st;
      ASSERT_EQ(::stat((dir.path() / name).c_str(), &st), 0);
      EXPECT_NE(st.st_mtim.tv_sec, long_ago[1].tv_sec) << name << " has the times of before";
    }
  }
}

// Where the file system makes no unnamed files, a created output is still
// this run's from before it has its name: made under a temporary name,
// locked and linked. A run that fails for a reason of its own (a limit on
// open files that it reaches at s.hlx), paused before its first lock,
// beside a plain run: the plain run ends with status 0 and the files of a
// run alone, or with status 2, the message that another run is writing the
// first output and no output left. Beside a run that fails too, paused at
// s.hlx, nothing is left. No temporary name is ever left.
TEST(FaultedRuns, WithoutUnnamedFilesTwoRunsStayApart) {
  if (testutil::kAddressSanitizer) GTEST_SKIP() << kNoPreload;
  const std::string structure = read_file(testutil::structure("1bna.pdb"));
  const Left plain = run_in(TempDir().path(), "s.pdb", structure, {});
  ASSERT_EQ(plain.result.status, 0);
  const int limit = testutil::limit_that_stops_at_hlx(structure);
  ASSERT_GT(limit, 0) << "no limit on open files stops a run at s.hlx";
  const std::string stopped =
      "torven: s.hlx: cannot create the file for writing: Too many open files\n";
  const Faults no_unnamed = {{"FAULT_NO_TMPFILE", "1"}};
  const auto failing = [&](Faults faults) {
    faults.insert(faults.begin(), no_unnamed.begin(), no_unnamed.end());
    return "sh -c " + shell_quote(torven_under_file_limit(limit, {"s.pdb"}, with_faults(faults)));
  };

  for (const bool both_fail : {false, true}) {
    SCOPED_TRACE(both_fail ? "beside a run that fails at s.hlx" : "beside a plain run");
    for (int attempt = 0; attempt < 5; ++attempt) {
      SCOPED_TRACE(attempt);
      const TempDir dir;
      write_file(dir.path() / "s.pdb", structure);
      const std::string second = both_fail ? failing({{"FAULT_WRITE_PAUSE", "s.hlx:500000"}})
                                           : with_faults(no_unnamed) + torven_command({"s.pdb"});
      const std::vector<RunResult> runs =
          run_two_at_once(dir.path(), failing({{"FAULT_FLOCK_PAUSE_US", "300000"}}), second, "0.1");
      EXPECT_EQ(runs[0].status, 2);
      EXPECT_TRUE(runs[0].err == stopped || runs[0].err == taken("s_pairing.csv")) << runs[0].err;
      const Left left = leave(dir.path(), "s.pdb", runs[1]);
      if (runs[1].status == 0) {
        EXPECT_FALSE(both_fail);
        expect_same(plain, left);
      } else {
        EXPECT_EQ(runs[1].status, 2);
        EXPECT_TRUE(runs[1].err == (both_fail ? stopped : taken("s_pairing.csv"))) << runs[1].err;
        EXPECT_TRUE(left.files.empty()) << left.files.size() << " files are left";
      }
      EXPECT_EQ(temporary_names(dir.path()), std::vector<std::string>{});
    }
  }
}

// Without unnamed files, and without hard links as well, a run alone
// leaves what it leaves where the file system has both, and no temporary
// name.
TEST(FaultedRuns, WithoutUnnamedFilesOrLinksARunAloneIsThePlainOne) {
  if (testutil::kAddressSanitizer) GTEST_SKIP() << kNoPreload;
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  const Left plain = run_in(TempDir().path(), "s.pdb", structure, {"-HT"});
  ASSERT_EQ(plain.result.status, 0);
  const Faults cases[] = {{{"FAULT_NO_TMPFILE", "1"}},
                          {{"FAULT_NO_TMPFILE", "1"}, {"FAULT_NO_LINK", "1"}}};
  for (const Faults& faults : cases) {
    SCOPED_TRACE(faults.size() == 1 ? "no unnamed files" : "no unnamed files, no hard links");
    expect_same(plain, run_in(TempDir().path(), "s.pdb", structure, {"-HT"}, with_faults(faults)));
  }
}

// Memory that runs out for good, from the K-th allocation after the run
// first opens an output on, for one K after another until the run has
// enough: the run ends with status 2 and its message naming the input,
// with all nine outputs or none, and no temporary name, where the file
// system makes unnamed files and where it does not.
TEST(FaultedRuns, RunningOutOfMemoryForGoodEndsWithStatus2) {
  if (testutil::kAddressSanitizer) GTEST_SKIP() << kNoPreload;
  // A name too long to be held in place, so that naming the outputs
  // allocates.
  const std::string input = "a structure named at some length.pdb";
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  for (const bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "with unnamed files" : "without unnamed files");
    bool completed = false, none = false, all = false;
    for (long k = 1; k < 1000000 && !completed; k += k < 40 ? 1 : k / 2) {
      SCOPED_TRACE(k);
      Faults faults = {{"FAULT_MALLOC_FROM", std::to_string(k)}};
      if (!unnamed) faults.emplace_back("FAULT_NO_TMPFILE", "1");
      const Left left = run_in(TempDir().path(), input, structure, {"-HT"}, with_faults(faults));
      const std::size_t files = left.files.size();
      if (left.result.status == 0) {
        completed = true;
        EXPECT_EQ(files, 9u);
        continue;
      }
      ASSERT_EQ(left.result.status, 2) << left.result.err;
      EXPECT_EQ(left.result.err, "torven: " + input + ": not enough memory to finish the run\n");
      EXPECT_TRUE(files == 0 || files == 9) << files << " outputs are left";
      none = none || files == 0;
      all = all || files == 9;
    }
    EXPECT_TRUE(completed);
    EXPECT_TRUE(none && all) << "memory never ran out while the outputs were opened, or after";
  }
}

// Starts a shell command in a child of its own, without waiting for it.
pid_t start(const std::string& command) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// Under the tightest limit on open files that a run in a fresh folder gets
// through, and a few above it, every output stays this run's to the end:
// paused as it reads the report back, after .cor, .out, _pairing.csv and
// .nup are complete, the run holds the lock of all nine, and then ends with
// status 0.
TEST(FaultedRuns, EveryLockIsKeptToTheEndOfTheRun) {
  if (testutil::kAddressSanitizer) GTEST_SKIP() << kNoPreload;
  {
    const TempDir dir;
    write_file(dir.path() / "probe", "");
    const int fd = ::open((dir.path() / "probe").c_str(), O_RDONLY | O_CLOEXEC);
    const bool locks = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) ::close(fd);
    if (!locks) GTEST_SKIP() << "the file system here has no locks";
  }
  const std::string structure = read_file(testutil::structure("1bna.pdb"));
  const int tightest = testutil::limit_that_stops_at_hlx(structure) + 1;
  ASSERT_GT(tightest, 1) << "no limit on open files stops a run at s.hlx";
  for (int limit = tightest; limit < tightest + 3; ++limit) {
    SCOPED_TRACE(limit);
    const TempDir dir, printed;
    write_file(dir.path() / "s.pdb", structure);
    const std::string mark = printed.file("paused");
    const std::string cmd =
        "cd " + shell_quote(dir.path().string()) + " && " +
        torven_under_file_limit(
            limit, {"s.pdb"},
            with_faults({{"FAULT_READ_PAUSE", "s.out:1000000"}, {"FAULT_PAUSE_MARK", mark}})) +
        " >/dev/null 2>" + shell_quote(printed.file("stderr"));
    const pid_t pid = start(cmd);
    ASSERT_GT(pid, 0);
    int status = -1;
    pid_t ended = 0;
    while (!fs::exists(mark) && (ended = ::waitpid(pid, &status, WNOHANG)) == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(ended, 0) << "the run ended (" << status << ") before it read the report back: "
                        << read_file(printed.file("stderr"));
    for (const torven::RunFiles::Output& output : torven::RunFiles::kOutputs) {
      const std::string name = "s" + std::string(output.suffix);
      const int fd = ::open((dir.path() / name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        ADD_FAILURE() << name << " is missing";
        continue;
      }
      EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0) << name << " is no longer held by the run";
      ::close(fd);
    }
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << read_file(printed.file("stderr"));
  }
}

}  // namespace
