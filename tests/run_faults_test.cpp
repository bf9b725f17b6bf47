// Whole runs under a fault forced at one chosen point by the tests' preload
// library: a file system without unnamed files or hard links.
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

// The names in a folder that a run made for a moment beside an output.
std::vector<std::string> temporary_names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.find(".torven-") != std::string::npos) names.push_back(name);
  }
  return names;
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

}  // namespace
