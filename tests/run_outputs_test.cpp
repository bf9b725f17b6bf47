// Whole runs whose outputs must be their own: a rerun over an earlier run's
// files, a run that cannot create one of them, runs at once over one set of
// outputs, standard output that is one of them, an input named through
// folders, an input that can only be read once, and a run that runs out of
// memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/landlock.h>)
#include <linux/landlock.h>
#endif

#include "run_support.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::change_every_file;
using testutil::expect_same;
using testutil::expect_same_files;
using testutil::launch_in_child;
using testutil::leave;
using testutil::Left;
using testutil::read_file;
using testutil::run_in;
using testutil::run_two_at_once;
using testutil::RunResult;
using testutil::TempDir;
using testutil::times_of;
using testutil::torven_command;
using testutil::torven_under_file_limit;
using testutil::write_file;

// The first residue of 1bna (chain A, DC 1) copied `n` times, each copy a
// chain of its own: the identifiers alternate between A and B.
std::string one_residue_chains(int n) {
  std::string residue;
  for (const std::string& line : testutil::read_lines(testutil::structure("1bna.pdb")))
    if (line.starts_with("ATOM") && line.substr(21, 5) == "A   1") residue += line + "\n";
  std::string pdb;
  for (int k = 0; k < n; ++k) {
    for (std::string line : testutil::split_lines(residue)) {
      line[21] = k % 2 ? 'B' : 'A';
      const std::string number = std::to_string(k + 1);
      line.replace(22, 4, std::string(4 - number.size(), ' ') + number);
      pdb += line + "\n";
    }
  }
  return pdb;
}

// A rerun in a folder that holds a complete earlier run of the same name
// leaves exactly what the same run leaves in a fresh folder, however it
// ends: nothing of the earlier run survives in any of the nine files.
TEST(OwnOutputs, ARerunLeavesOnlyItsOwnRecords) {
  const std::string bna = read_file(testutil::structure("1bna.pdb"));
  std::string malformed = bna;
  malformed.replace(malformed.find("\nATOM     20 ") + 31, 8, "  x2.840");
  struct Case {
    const char* what;
    std::string content;
    std::vector<std::string> args;
    int status;
  };
  const std::vector<Case> cases = {
      {"an empty input", "", {}, 0},
      {"the -OL stop", bna, {"-OL"}, 0},
      {"a chain that does not exist", bna, {"-ML", "Z"}, 0},
      {"101 chains", one_residue_chains(101), {}, 1},
      {"a malformed number", malformed, {}, 2},
  };
  const std::string earlier = read_file(testutil::structure("1ehz.pdb"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir fresh, rerun;
    const Left first = run_in(rerun.path(), "s.pdb", earlier, {"-HT"});
    ASSERT_EQ(first.result.status, 0);
    ASSERT_EQ(first.files.size(), 9u);
    for (const auto& [name, bytes] : first.files) ASSERT_FALSE(bytes.empty()) << name;

    const Left want = run_in(fresh.path(), "s.pdb", c.content, c.args);
    EXPECT_EQ(want.result.status, c.status) << want.result.err;
    EXPECT_EQ(want.files.size(), 9u);
    expect_same(want, run_in(rerun.path(), "s.pdb", c.content, c.args));
  }
}

// A run that cannot create one of its outputs stops before it empties any:
// every file of the folder keeps its bytes, no output is left that was not
// there before, and the message gives the system's reason. A folder in the
// place of each output in turn, then limits on open files that the run
// reaches at each output in turn.
TEST(OwnOutputs, AnOutputThatCannotBeCreatedChangesNoFile) {
  const TempDir dir, err;
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  const Left complete = run_in(dir.path(), "s.pdb", structure, {"-HT"});
  ASSERT_EQ(complete.result.status, 0);
  ASSERT_EQ(complete.files.size(), 9u);

  for (const torven::RunFiles::Output& output : torven::RunFiles::kOutputs) {
    const std::string name = "s" + std::string(output.suffix);
    SCOPED_TRACE(name);
    fs::remove(dir.path() / name);
    fs::create_directory(dir.path() / name);
    const RunResult r =
        testutil::run_torven(dir.path(), {"-HT", "s.pdb"}, testutil::shipped_variant_dir());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "torven: " + name + ": cannot create the file for writing: Is a directory\n");
    EXPECT_TRUE(fs::is_empty(dir.path() / name));
    fs::remove(dir.path() / name);
    Left want = complete;
    want.files.erase(name);
    EXPECT_EQ(leave(dir.path(), "s.pdb", r).files, want.files);
    write_file(dir.path() / name, complete.files.at(name));
  }

  // In a folder without outputs, none is created.
  {
    const TempDir fresh;
    fs::create_directory(fresh.path() / "s.dbn");
    const Left left = run_in(fresh.path(), "s.pdb", structure, {"-HT"});
    EXPECT_EQ(left.result.status, 2);
    ASSERT_EQ(left.files.size(), 1u);
    EXPECT_TRUE(fs::is_directory(fresh.path() / "s.dbn"));
  }

  // Raised one descriptor at a time, the limit is first too low for the
  // program to be loaded (status 127, with as many descriptors as the tests
  // inherit) or for the variant lists or the input (status 1), then for one
  // output after another (status 2), the ninth last, and then enough for
  // the run.
  std::vector<std::string> refused;
  bool loaded = false;
  for (int limit = 4; limit < 256; ++limit) {
    SCOPED_TRACE(limit);
    // The redirections come before the limit, which the shell's own would
    // not get past.
    const std::string cmd = "cd " + testutil::shell_quote(dir.path().string()) + " && (" +
                            torven_under_file_limit(limit, {"-HT", "s.pdb"}) + ") >/dev/null 2>" +
                            testutil::shell_quote(err.file("stderr"));
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    const int status = WEXITSTATUS(rc);
    if (status == 127 && !loaded) continue;
    loaded = true;
    if (status == 0) break;
    const std::string message = read_file(err.file("stderr"));
    const std::string cause = ": cannot create the file for writing: Too many open files\n";
    if (status == 2) {
      ASSERT_TRUE(message.starts_with("torven: s") && message.ends_with(cause)) << message;
      refused.push_back(message.substr(8, message.size() - 8 - cause.size()));
    } else {
      EXPECT_EQ(status, 1) << message;
    }
    EXPECT_EQ(leave(dir.path(), "s.pdb", RunResult{}).files, complete.files);
  }
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused.front(), "s_pairing.csv");
  EXPECT_EQ(refused.back(), "s.hlx");
}

// Makes files append-only for as long as it lives, so that their folder
// can still be removed after it. set() is false where chattr is missing or
// the file system or the user's rights refuse the attribute.
class AppendOnly {
 public:
  AppendOnly() = default;
  AppendOnly(const AppendOnly&) = delete;
  AppendOnly& operator=(const AppendOnly&) = delete;
  ~AppendOnly() {
    for (const fs::path& p : files_) chattr("-a", p);
  }
  bool set(const fs::path& p) {
    if (!chattr("+a", p)) return false;
    files_.push_back(p);
    return true;
  }

 private:
  static bool chattr(const char* flag, const fs::path& p) {
    const std::string cmd =
        std::string("chattr ") + flag + " " + testutil::shell_quote(p.string()) + " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
  }
  std::vector<fs::path> files_;
};

// An output that opens but cannot be emptied, an append-only file, stops
// the run before any output is emptied: after a complete run with every
// output changed since, each file keeps its bytes, and in a folder that
// holds only that file no other is left.
TEST(OwnOutputs, AnOutputThatCannotBeEmptiedChangesNoFile) {
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  for (const std::string suffix : {"_pairing.csv", ".dbn", ".hlx"}) {
    const std::string name = "s" + suffix;
    SCOPED_TRACE(name);
    const TempDir dir, alone;
    Left earlier = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    ASSERT_EQ(earlier.result.status, 0);
    ASSERT_EQ(earlier.files.size(), 9u);
    change_every_file(dir.path(), earlier.files);
    write_file(alone.path() / name, "earlier\n");
    AppendOnly append_only;  // goes before the folders
    if (!append_only.set(dir.path() / name) || !append_only.set(alone.path() / name))
      GTEST_SKIP() << "chattr +a is refused here";

    const std::string err =
        "torven: " + name + ": cannot create the file for writing: Operation not permitted\n";
    const Left over = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    EXPECT_EQ(over.result.status, 2);
    EXPECT_EQ(over.result.err, err);
    expect_same_files(earlier.files, over.files);
    const Left left = run_in(alone.path(), "s.pdb", structure, {"-HT"});
    EXPECT_EQ(left.result.status, 2);
    EXPECT_EQ(left.result.err, err);
    expect_same_files({{name, "earlier\n"}}, left.files);
  }
}

// The folder beneath which launch_truncating_only_in_folder() still allows
// truncating.
std::string truncating_folder;

// A Landlock policy that forbids truncating files, beneath `allowed` (when
// given) excepted, and allows everything else; the child ends with status
// 77 where the kernel refuses it.
void restrict_truncating(const char* allowed) {
#if defined(SYS_landlock_create_ruleset) && __has_include(<linux/landlock.h>)
  const std::uint64_t truncate = std::uint64_t{1} << 14;  // the right to truncate
  const struct {
    std::uint64_t handled_access_fs;
  } ruleset{truncate};
  const long fd = ::syscall(SYS_landlock_create_ruleset, &ruleset, sizeof ruleset, 0);
  if (fd < 0) ::_exit(77);
  if (allowed != nullptr) {
    landlock_path_beneath_attr beneath{truncate, ::open(allowed, O_PATH | O_CLOEXEC)};
    if (beneath.parent_fd < 0 ||
        ::syscall(SYS_landlock_add_rule, fd, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) != 0)
      ::_exit(77);
    ::close(beneath.parent_fd);
  }
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      ::syscall(SYS_landlock_restrict_self, fd, 0) != 0)
    ::_exit(77);
  ::close(static_cast<int>(fd));
#else
  (void)allowed;
  ::_exit(77);
#endif
}

int launch_without_truncating(const std::string& command) {
  return launch_in_child(command, [] { restrict_truncating(nullptr); });
}

int launch_truncating_only_in_folder(const std::string& command) {
  return launch_in_child(command, [] { restrict_truncating(truncating_folder.c_str()); });
}

// Under a policy that allows writing but not truncating, a run in a fresh
// folder leaves what a plain run leaves, since the files it creates need no
// emptying, and so does a run over nine empty earlier outputs, which hold
// nothing to drop; a run over earlier outputs stops before it changes any.
TEST(OwnOutputs, APolicyAgainstTruncatingStopsOnlyARunOverEarlierOutputs) {
  const TempDir plain, dir;
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  const Left want = run_in(plain.path(), "s.pdb", structure, {"-HT"});
  ASSERT_EQ(want.result.status, 0);
  const auto run = [&] {
    const RunResult r = testutil::run_torven(dir.path(), {"-HT", "s.pdb"},
                                             testutil::shipped_variant_dir(),
                                             launch_without_truncating);
    return leave(dir.path(), "s.pdb", r);
  };
  write_file(dir.path() / "s.pdb", structure);
  const Left fresh = run();
  if (fresh.result.status == 77) GTEST_SKIP() << "the kernel refuses a policy against truncating";
  expect_same(want, fresh);

  std::map<std::string, std::string> earlier = fresh.files;
  change_every_file(dir.path(), earlier);
  const Left over = run();
  EXPECT_EQ(over.result.status, 2);
  EXPECT_EQ(over.result.err,
            "torven: s_pairing.csv: cannot create the file for writing: Permission denied\n");
  expect_same_files(earlier, over.files);

  for (const auto& [name, bytes] : earlier) write_file(dir.path() / name, "");
  expect_same(want, run());
}

// A refused run leaves the earlier outputs with their bytes and their
// access and modification times: where an append-only .hlx is refused, and
// where a policy allows emptying the files of the folder but not .hlx, a
// link to a file elsewhere, so that the eight others have been checked.
TEST(OwnOutputs, ARefusedRunKeepsTheTimesOfEarlierOutputs) {
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  struct Case {
    const char* what;
    bool append_only;  // else the policy
    const char* err;
  };
  const Case cases[] = {
      {"an append-only .hlx", true,
       "torven: s.hlx: cannot create the file for writing: Operation not permitted\n"},
      {"a .hlx that the policy keeps from being emptied", false,
       "torven: s.hlx: cannot create the file for writing: Permission denied\n"},
  };
  std::string skipped;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir, elsewhere;
    Left earlier = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    ASSERT_EQ(earlier.result.status, 0);
    change_every_file(dir.path(), earlier.files);
    if (!c.append_only) {
      fs::rename(dir.path() / "s.hlx", elsewhere.path() / "s.hlx");
      fs::create_symlink(elsewhere.path() / "s.hlx", dir.path() / "s.hlx");
    }
    const timespec long_ago[2] = {{1577836800, 0}, {1577836800, 0}};  // 2020-01-01
    for (const auto& [name, bytes] : earlier.files)
      ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() / name).c_str(), long_ago, 0), 0) << name;
    const auto before = times_of(dir.path(), "s.pdb");
    AppendOnly append_only;  // goes before the folders
    testutil::Launcher launch = launch_truncating_only_in_folder;
    truncating_folder = dir.path().string();
    if (c.append_only) {
      launch = testutil::launch_with_system;
      if (!append_only.set(dir.path() / "s.hlx")) {
        skipped += "chattr +a is refused here; ";
        continue;
      }
    }

    const RunResult r = testutil::run_torven(dir.path(), {"-HT", "s.pdb"},
                                             testutil::shipped_variant_dir(), launch);
    if (r.status == 77) {
      skipped += "the kernel refuses a policy against truncating; ";
      continue;
    }
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(times_of(dir.path(), "s.pdb"), before);
    expect_same_files(earlier.files, leave(dir.path(), "s.pdb", r).files);
  }
  if (!skipped.empty()) GTEST_SKIP() << skipped;
}

// Two outputs that are one file, through a hard link or a symbolic link,
// stop the run before any file changes: status 2, a message naming both,
// and every file as it was, a link that pointed nowhere still so.
TEST(OwnOutputs, TwoOutputsThatAreOneFileChangeNoFile) {
  struct Case {
    const char* what;
    const char* link;
    const char* target;
    bool hard;
    bool target_missing;
    const char* err;
  };
  const char* dbn_hlx = "torven: s.hlx: the output files s.dbn and s.hlx are one file\n";
  const Case cases[] = {
      {"a hard link", "s.nup", "s.cor", true, false,
       "torven: s.nup: the output files s.cor and s.nup are one file\n"},
      {"a symbolic link", "s.dbn", "s.hlx", false, false, dbn_hlx},
      {"a symbolic link to a missing output", "s.dbn", "s.hlx", false, true, dbn_hlx},
  };
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    Left earlier = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    ASSERT_EQ(earlier.result.status, 0);
    change_every_file(dir.path(), earlier.files);
    fs::remove(dir.path() / c.link);
    if (c.hard)
      fs::create_hard_link(dir.path() / c.target, dir.path() / c.link);
    else
      fs::create_symlink(c.target, dir.path() / c.link);
    if (c.target_missing) fs::remove(dir.path() / c.target);
    const std::map<std::string, std::string> want = leave(dir.path(), "s.pdb", {}).files;

    const Left left = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    EXPECT_EQ(left.result.status, 2);
    EXPECT_EQ(left.result.err, c.err);
    expect_same_files(want, left.files);
    EXPECT_EQ(fs::is_symlink(dir.path() / c.link), !c.hard);
  }
}

// Starts a shell command that is killed after a minute, should it wait.
int launch_for_a_minute(const std::string& command) {
  return std::system(("timeout 60 sh -c " + testutil::shell_quote(command)).c_str());
}

// .out is read back, so a .out that is not a regular file stops the run
// before any file changes: a link to /dev/null, which reads back nothing,
// and a named pipe, which would wait for ever.
TEST(OwnOutputs, AReportThatIsNotARegularFileChangesNoFile) {
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  for (const bool pipe : {false, true}) {
    SCOPED_TRACE(pipe ? "a named pipe" : "a link to /dev/null");
    const TempDir dir;
    Left earlier = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    ASSERT_EQ(earlier.result.status, 0);
    change_every_file(dir.path(), earlier.files);
    const fs::path out = dir.path() / "s.out";
    fs::remove(out);
    earlier.files.erase("s.out");
    if (pipe)
      ASSERT_EQ(::mkfifo(out.c_str(), 0644), 0);
    else
      fs::create_symlink("/dev/null", out);

    const RunResult r = testutil::run_torven(dir.path(), {"-HT", "s.pdb"},
                                             testutil::shipped_variant_dir(), launch_for_a_minute);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "torven: s.out: the report is read back, so it must be a regular file\n");
    EXPECT_TRUE(pipe ? fs::is_fifo(out) : fs::is_symlink(out));
    fs::remove(out);  // not read: a pipe would wait for a writer
    expect_same_files(earlier.files, leave(dir.path(), "s.pdb", r).files);
  }
}

// Standard output that leads to one of the outputs would be written over
// the report or after it at the end of the run, and a stop before the
// outputs are opened would print into it: over an earlier run, the run ends
// with status 2, naming that output, and every file keeps its bytes (but
// the one that `>` emptied before the run began). So too where the run
// would stop before opening the outputs: an input named like one of them,
// an input that cannot be opened, missing variant lists.
TEST(OwnOutputs, StandardOutputThatIsAnOutputChangesNoFile) {
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  const TempDir no_lists;
  const std::string lists = testutil::shipped_variant_dir();
  struct Case {
    const char* what;
    const char* input;
    const char* redirect;
    const char* output;
    std::string variant_dir;
  };
  const Case cases[] = {
      {"a run", "s.pdb", ">", "s.out", lists},
      {"a run", "s.pdb", ">>", "s.out", lists},
      {"a run", "s.pdb", ">>", "s.hlx", lists},
      {"an input named like an output", "s.cor", ">>", "s.out", lists},
      {"an input that cannot be opened", "s.missing", ">>", "s.hlx", lists},
      {"missing variant lists", "s.pdb", ">>", "s.out", no_lists.path().string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ", " + c.redirect + " " + c.output);
    const TempDir dir, printed;
    std::map<std::string, std::string> earlier =
        run_in(dir.path(), "s.pdb", structure, {"-HT"}).files;
    change_every_file(dir.path(), earlier);
    if (std::string(c.redirect) == ">") earlier[c.output].clear();
    const std::string cmd = "cd " + testutil::shell_quote(dir.path().string()) +
                            " && NUCLEIC_ACID_DIR=" + testutil::shell_quote(c.variant_dir) + " " +
                            torven_command({"-HT", c.input}) + " " + c.redirect + c.output +
                            " 2>" + testutil::shell_quote(printed.file("stderr")) + " </dev/null";
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 2);
    EXPECT_EQ(read_file(printed.file("stderr")), "torven: " + std::string(c.output) +
                                                     ": standard output and the output file " +
                                                     c.output + " are one file\n");
    expect_same_files(earlier, leave(dir.path(), "s.pdb", {}).files);
  }
}

// Standard output that is a named pipe which is also one of the outputs is
// refused as a regular file is: status 2, no output created, and the
// pipe's reader gets nothing.
TEST(OwnOutputs, StandardOutputThatIsAnOutputPipeReachesNoReader) {
  const TempDir dir, printed;
  write_file(dir.path() / "s.pdb", read_file(testutil::structure("1bna.pdb")));
  ASSERT_EQ(::mkfifo((dir.path() / "s.hlx").c_str(), 0644), 0);
  const std::string at = testutil::shell_quote(printed.path().string());
  // The shell's open of the pipe waits for the reader; both give up after
  // a minute should the other never come.
  const std::string cmd = "cd " + testutil::shell_quote(dir.path().string()) +
                          " && { timeout 60 cat s.hlx >" + at + "/read & NUCLEIC_ACID_DIR=" +
                          testutil::shell_quote(testutil::shipped_variant_dir()) +
                          " timeout 60 " + torven_command({"s.pdb"}) + " >s.hlx 2>" + at +
                          "/stderr; echo $? >" + at + "/status; wait; }";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(read_file(printed.file("status")), "2\n");
  EXPECT_EQ(read_file(printed.file("stderr")),
            "torven: s.hlx: standard output and the output file s.hlx are one file\n");
  EXPECT_EQ(read_file(printed.file("read")), "");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"s.hlx", "s.pdb"}));
}

// A standard stream that is closed is never taken by a file of the run.
// With standard output closed the outputs are written in full and the run
// ends with status 2, naming standard output; with standard error closed a
// failure's message reaches no output; with standard input closed the run
// is a plain one. The input comes through a named pipe, which is read whole
// and closed before the outputs are opened, so that the first output would
// take the number the input had.
TEST(OwnOutputs, AClosedStandardStreamReachesNoOutput) {
  const std::string bna = read_file(testutil::structure("1bna.pdb"));
  std::string malformed = bna;
  malformed.replace(malformed.find("\nATOM     20 ") + 31, 8, "  x2.840");
  // A run on `content` through a named pipe, with `streams` its standard
  // streams, in which OUT and ERR name files outside the run's folder.
  const auto run = [](const std::string& content, std::string streams) {
    const TempDir dir, printed;
    write_file(printed.path() / "input", content);
    EXPECT_EQ(::mkfifo((dir.path() / "s.pdb").c_str(), 0644), 0);
    for (const char* name : {"OUT", "ERR"})
      if (const std::size_t at = streams.find(name); at != std::string::npos)
        streams.replace(at, 3, testutil::shell_quote(printed.file(name)));
    const std::string cmd = "cd " + testutil::shell_quote(dir.path().string()) +
                            " && { timeout 60 cat " +
                            testutil::shell_quote(printed.file("input")) +
                            " >s.pdb & NUCLEIC_ACID_DIR=" +
                            testutil::shell_quote(testutil::shipped_variant_dir()) + " " +
                            torven_command({"s.pdb"}) + " " + streams + "; echo $? >" +
                            testutil::shell_quote(printed.file("status")) + "; wait; }";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    const RunResult r{std::atoi(read_file(printed.file("status")).c_str()),
                      read_file(printed.file("OUT")), read_file(printed.file("ERR"))};
    return leave(dir.path(), "s.pdb", r);
  };
  struct Case {
    const char* what;
    const std::string& content;
    const char* streams;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {"standard output closed", bna, ">&- 2>ERR </dev/null", 2,
       "torven: standard output: cannot write: Bad file descriptor\n"},
      {"standard error closed", malformed, ">OUT 2>&- </dev/null", 2, ""},
      {"standard input closed", bna, ">OUT 2>ERR <&-", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Left want = run(c.content, ">OUT 2>ERR </dev/null");
    ASSERT_EQ(want.files.size(), 9u);
    const Left got = run(c.content, c.streams);
    EXPECT_EQ(got.result.status, c.status);
    EXPECT_EQ(got.result.err, c.err);
    if (std::string_view(c.streams).starts_with(">OUT")) {
      EXPECT_EQ(got.result.out, want.result.out);
    }
    expect_same_files(want.files, got.files);
  }
}

// A run that finds one of its outputs taken by another run (locked) ends
// with status 2, naming the file, and changes no file: over an earlier run
// every file keeps its bytes, and in a folder that holds only that output
// no other file is left.
TEST(OwnOutputs, AnOutputThatAnotherRunWritesChangesNoFile) {
  const std::string structure = read_file(testutil::structure("1ehz.pdb"));
  for (const bool alone : {false, true}) {
    SCOPED_TRACE(alone ? "the output alone" : "over an earlier run");
    const TempDir dir;
    std::map<std::string, std::string> earlier = {{"s.cor", "earlier\n"}};
    if (alone) {
      write_file(dir.path() / "s.cor", earlier.at("s.cor"));
    } else {
      earlier = run_in(dir.path(), "s.pdb", structure, {"-HT"}).files;
      change_every_file(dir.path(), earlier);
    }
    const int fd = ::open((dir.path() / "s.cor").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      GTEST_SKIP() << "the file system here has no locks";
    }
    const Left left = run_in(dir.path(), "s.pdb", structure, {"-HT"});
    ::close(fd);
    EXPECT_EQ(left.result.status, 2);
    EXPECT_EQ(left.result.err, "torven: s.cor: another run is writing the file\n");
    expect_same_files(earlier, left.files);
  }
}

// Two runs over the same outputs at once, 20 times in one folder: the
// folder always ends as one of them leaves it when it runs alone, and each
// ends with status 0, or with status 2 and the message that another run is
// writing the first output; one of them completes. The same run twice, over
// its earlier outputs and with them removed before each try, and the PDB
// and the mmCIF file of one entry.
TEST(OwnOutputs, TwoRunsAtOnceLeaveTheFilesOfOne) {
  const std::vector<std::string> pdb = {"-HT", "x.pdb"}, cif = {"-HT", "-CIF", "x.cif"};
  struct Case {
    const char* what;
    std::vector<std::string> a, b;
    bool fresh;  // the outputs removed before each try
  };
  const Case cases[] = {
      {"the same run twice", pdb, pdb, false},
      {"the same run twice without earlier outputs", pdb, pdb, true},
      {"the PDB and the mmCIF file of one entry", pdb, cif, false},
  };
  const std::map<std::string, std::string> inputs = {
      {"x.pdb", read_file(testutil::structure("4gxy.pdb"))},
      {"x.cif", read_file(testutil::structure("4gxy.cif"))}};
  // The files of a folder but the inputs.
  const auto outputs = [](const fs::path& dir) {
    std::map<std::string, std::string> files = leave(dir, "x.pdb", {}).files;
    files.erase("x.cif");
    return files;
  };
  const auto alone = [&](const std::vector<std::string>& args) {
    const TempDir dir;
    for (const auto& [name, bytes] : inputs) write_file(dir.path() / name, bytes);
    const RunResult r = testutil::run_torven(dir.path(), args, testutil::shipped_variant_dir());
    EXPECT_EQ(r.status, 0) << r.err;
    return outputs(dir.path());
  };
  const std::map<std::string, std::string> of_pdb = alone(pdb), of_cif = alone(cif);
  ASSERT_EQ(of_pdb.size(), 9u);
  ASSERT_NE(of_pdb, of_cif);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    for (const auto& [name, bytes] : inputs) write_file(dir.path() / name, bytes);
    for (int attempt = 0; attempt < 20; ++attempt) {
      SCOPED_TRACE(attempt);
      if (c.fresh)
        for (const auto& [name, bytes] : outputs(dir.path())) fs::remove(dir.path() / name);
      const std::vector<RunResult> runs =
          run_two_at_once(dir.path(), torven_command(c.a), torven_command(c.b));
      for (const RunResult& r : runs) {
        if (r.status == 0) continue;
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "torven: x_pairing.csv: another run is writing the file\n");
      }
      EXPECT_TRUE(runs[0].status == 0 || runs[1].status == 0);
      const std::map<std::string, std::string> left = outputs(dir.path());
      EXPECT_TRUE(left == of_pdb || left == of_cif) << "the folder is not as one run leaves it";
    }
  }
}

// A run that fails for a reason of its own (a limit on open files that it
// reaches at s.hlx) beside a plain run in a fresh folder, the failing run
// slowed by strace where a fault would show: its removal of the first
// output it created, or its first lock. The plain run ends with status 0
// and the files of a run alone, or with status 2, the message that another
// run is writing the first output and no output left; it never ends with
// status 0 and an output missing.
TEST(OwnOutputs, ARunThatFailsRemovesNoOutputOfAnotherRun) {
  if (testutil::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer's leak checker does not work under strace";
  const std::string probe = "strace -o /dev/null -e trace=flock -e inject=flock:delay_enter=1 true";
  if (std::system((probe + " >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "strace cannot delay a system call here";
  const std::string structure = read_file(testutil::structure("1bna.pdb"));
  const Left plain = run_in(TempDir().path(), "s.pdb", structure, {});
  ASSERT_EQ(plain.result.status, 0);
  const int limit = testutil::limit_that_stops_at_hlx(structure);
  ASSERT_GT(limit, 0) << "no limit on open files stops a run at s.hlx";

  struct Case {
    const char* what;
    const char* strace;  // what strace delays in the failing run
    const char* delay;   // before the plain run starts
    bool unnamed;        // needs a file system that makes unnamed files
  };
  const Case cases[] = {
      // The failing run removes its eight outputs last first: the eighth
      // removal is that of the first output.
      {"the removal of the first output delayed",
       "-e trace=unlink,unlinkat -e inject=unlink,unlinkat:delay_enter=500000:when=8", "0.25",
       false},
      {"a pause before the first lock",
       "-f -e trace=flock -e inject=flock:delay_enter=500000:when=1", "0.1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int attempt = 0; attempt < 5; ++attempt) {
      SCOPED_TRACE(attempt);
      const TempDir dir;
      if (c.unnamed) {
        const int fd = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0) GTEST_SKIP() << "the file system here makes no unnamed files";
        ::close(fd);
      }
      write_file(dir.path() / "s.pdb", structure);
      const std::string failing = std::string("strace -o /dev/null ") + c.strace + " sh -c " +
                                  testutil::shell_quote(torven_under_file_limit(limit, {"s.pdb"}));
      const std::vector<RunResult> runs =
          run_two_at_once(dir.path(), failing, torven_command({"s.pdb"}), c.delay);
      EXPECT_EQ(runs[0].status, 2) << runs[0].err;
      const Left left = leave(dir.path(), "s.pdb", runs[1]);
      if (runs[1].status == 0) {
        expect_same(plain, left);
      } else {
        EXPECT_EQ(runs[1].status, 2);
        EXPECT_EQ(runs[1].err, "torven: s_pairing.csv: another run is writing the file\n");
        EXPECT_TRUE(left.files.empty()) << left.files.size() << " files are left";
      }
    }
  }
}

// Starts a shell command in a child whose files may not grow beyond 40 KiB.
int launch_with_40k_files(const std::string& command) {
  return launch_in_child(command, [] {
    const rlimit limit{40960, 40960};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
  });
}

// A limit on file size fails the write that meets it, as a full disk does,
// instead of killing the run: status 2, the file and the system's reason,
// and the file keeps what fitted.
TEST(OwnOutputs, AFileSizeLimitIsAFailedWrite) {
  const TempDir dir;
  write_file(dir.path() / "s.pdb", read_file(testutil::structure("1ehz.pdb")));
  const RunResult r = testutil::run_torven(dir.path(), {"-HT", "s.pdb"},
                                           testutil::shipped_variant_dir(), launch_with_40k_files);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "torven: s.cor, line 1071: cannot write a record: File too large\n");
  EXPECT_EQ(fs::file_size(dir.path() / "s.cor"), 40960u);
}

// Both CSV files of a run carry one identifier, also when the input's name
// begins with a blank (kept when a folder comes before it).
TEST(OwnOutputs, BothCsvFilesCarryOneIdentifier) {
  const TempDir dir;
  fs::create_directory(dir.path() / "sub");
  write_file(dir.path() / "sub" / " ab.pdb", read_file(testutil::structure("1bna.pdb")));
  const RunResult r =
      testutil::run_torven(dir.path(), {"sub/ ab.pdb"}, testutil::shipped_variant_dir());
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* csv : {"_pairing.csv", "_structure.csv"}) {
    SCOPED_TRACE(csv);
    const std::string text = read_file(dir.path() / "sub" / (std::string(" ab") + csv));
    EXPECT_EQ(text.substr(0, 5), " ab. ");
  }
}

// The same structure named by its plain name inside its folder and by a
// relative path through dotted folders from elsewhere gives the same files
// and the same standard output: no folder name reaches them.
TEST(OwnOutputs, TheFolderOfTheInputLeavesNoTrace) {
  const TempDir dir;
  const fs::path near = dir.path() / "near";
  const fs::path far = dir.path() / "x.y" / "deep.folder.v2" / "more.dots";
  const fs::path elsewhere = dir.path() / "elsewhere";
  for (const fs::path& p : {near, far, elsewhere}) fs::create_directories(p);
  const std::string content = read_file(testutil::structure("1ehz.pdb"));

  const Left plain = run_in(near, "1ehz.pdb", content, {"-HT"});
  ASSERT_EQ(plain.result.status, 0);
  ASSERT_NE(plain.files.at("1ehz.out").find("Structure File      1ehz_structure\n"),
            std::string::npos);
  ASSERT_EQ(plain.files.at("1ehz_pairing.csv").substr(0, 6), " 1ehz ");
  write_file(far / "1ehz.pdb", content);
  const RunResult r = testutil::run_torven(
      elsewhere, {"-HT", "../x.y/./deep.folder.v2/more.dots/1ehz.pdb"},
      testutil::shipped_variant_dir());
  expect_same(plain, leave(far, "1ehz.pdb", r));
}

// An input that cannot go back to its start, a named pipe, is read whole:
// the same files as the file read directly, also when -CIF finds no loop
// and reads the input again as PDB.
TEST(OwnOutputs, AStructureThroughAPipeIsReadWhole) {
  struct Case {
    const char* structure;
    std::vector<std::string> args;
  };
  const Case cases[] = {{"1ehz.pdb", {"-HT"}}, {"1bna.pdb", {"-CIF"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.structure);
    const TempDir direct, piped;
    const std::string content = read_file(testutil::structure(c.structure));
    const Left want = run_in(direct.path(), c.structure, content, c.args);
    ASSERT_EQ(want.result.status, 0);

    const fs::path fifo = piped.path() / c.structure;
    const std::string mk = "mkfifo " + testutil::shell_quote(fifo.string());
    ASSERT_EQ(std::system(mk.c_str()), 0);
    // The writer waits for the run to open the pipe; it gives up after a
    // minute should the run never do so.
    const std::string writer = "timeout 60 sh -c " +
                               testutil::shell_quote(
                                   "cat " + testutil::shell_quote(testutil::structure(c.structure)) +
                                   " > " + testutil::shell_quote(fifo.string())) +
                               " &";
    ASSERT_EQ(std::system(writer.c_str()), 0);
    std::vector<std::string> args = c.args;
    args.push_back(c.structure);
    const RunResult r = testutil::run_torven(piped.path(), args, testutil::shipped_variant_dir());
    expect_same(want, leave(piped.path(), c.structure, r));
  }
}

// Running out of memory ends the run like any failure: status 2, a message
// naming the input, and every file keeps what was written to it.
TEST(OwnOutputs, RunningOutOfMemoryIsAFailure) {
  if (testutil::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot keep within a limit on address space";
  const TempDir dir;
  fs::create_symlink("/dev/zero", dir.path() / "zero.pdb");
  // A sparse file of zero bytes: one line without end.
  write_file(dir.path() / "big.cif", "");
  fs::resize_file(dir.path() / "big.cif", std::uintmax_t{1} << 30);
  struct Case {
    const char* input;
    const char* args;
    const char* err;
    const char* out;  // what .out keeps; null: the run stopped before creating it
  };
  const Case cases[] = {
      {"zero.pdb", "", "torven: zero.pdb: the file is too large to hold in memory\n", nullptr},
      {"big.cif", "-CIF ", "torven: big.cif, line 1: the line is too long to hold in memory\n",
       "#HEADER   Base Pairing/Triplet Scheme for Structure File       big_structure\n"
       "#HEADER   Program TORVEN run with the following options:\n"
       "#HEADER   Distance cutoff: 3.8   Angle cutoff: 120.0   E-value cutoff: 1.8\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    // 256 MiB of address space: enough for a run, not for the input.
    const std::string cmd = "cd " + testutil::shell_quote(dir.path().string()) +
                            " && ulimit -v 262144 && NUCLEIC_ACID_DIR=" +
                            testutil::shell_quote(testutil::shipped_variant_dir()) + " " +
                            testutil::shell_quote(TORVEN_EXE) + " " + c.args + c.input +
                            " >/dev/null 2>.stderr";
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 2);
    EXPECT_EQ(read_file(dir.path() / ".stderr"), c.err);
    const fs::path out = dir.path() / (fs::path(c.input).stem().string() + ".out");
    if (c.out == nullptr)
      EXPECT_FALSE(fs::exists(out));
    else
      EXPECT_EQ(read_file(out), c.out);
  }
}

}  // namespace
