// Whole runs compared byte for byte with reviewed files.
//
// Each folder tests/data/golden/<case>/ holds:
//   input     the input file's path under tests/data/
//   args      the arguments, one per line (the input's file name among them)
//   expected/ stdout, stderr, status and every file the run must leave
// The input is copied into a fresh directory and the program runs there
// with the shipped variant lists; the directory must then hold exactly the
// expected files with exactly the expected bytes.
//
// To look at what a changed program writes, set TORVEN_GOLDEN_OUT to a
// directory: each case's actual files are copied there (nothing in the
// source tree is ever rewritten by the tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

fs::path golden_root() { return fs::path(TORVEN_TEST_DATA) / "golden"; }

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  if (fs::is_directory(golden_root()))
    for (const auto& e : fs::directory_iterator(golden_root()))
      if (e.is_directory()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The non-empty lines of one of a case's list files.
std::vector<std::string> entries(const fs::path& file) {
  std::vector<std::string> lines = testutil::read_lines(file);
  std::erase(lines, std::string());
  return lines;
}

// First differing line of two texts, for a readable failure.
std::string first_difference(const std::string& want, const std::string& got) {
  std::istringstream a(want), b(got);
  std::string la, lb;
  for (int n = 1;; ++n) {
    bool ha = static_cast<bool>(std::getline(a, la));
    bool hb = static_cast<bool>(std::getline(b, lb));
    if (!ha && !hb) return "same lines, different line ends";
    if (!ha || !hb || la != lb)
      return "line " + std::to_string(n) + ":\n  expected [" + (ha ? la : "<end>") +
             "]\n  actual   [" + (hb ? lb : "<end>") + "]";
  }
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, RunMatchesReviewedFiles) {
  const fs::path dir = golden_root() / GetParam();
  const fs::path source = fs::path(TORVEN_TEST_DATA) / entries(dir / "input").at(0);
  const std::string input = source.filename().string();
  const std::vector<std::string> args = entries(dir / "args");

  const testutil::TempDir work;
  fs::copy_file(source, work.file(input));
  auto r = testutil::run_torven(work.path(), args, testutil::shipped_variant_dir());

  std::set<std::string> actual_files;
  for (const auto& e : fs::directory_iterator(work.path()))
    if (e.path().filename() != input) actual_files.insert(e.path().filename().string());

  if (const char* keep = std::getenv("TORVEN_GOLDEN_OUT")) {
    fs::path dest = fs::path(keep) / GetParam();
    fs::create_directories(dest);
    testutil::write_file(dest / "stdout", r.out);
    testutil::write_file(dest / "stderr", r.err);
    testutil::write_file(dest / "status", std::to_string(r.status) + "\n");
    for (const auto& f : actual_files)
      fs::copy_file(work.file(f), dest / f, fs::copy_options::overwrite_existing);
  }

  const fs::path expected = dir / "expected";
  EXPECT_EQ(testutil::read_file(expected / "status"), std::to_string(r.status) + "\n");
  const std::string want_out = testutil::read_file(expected / "stdout");
  EXPECT_TRUE(want_out == r.out) << "stdout " << first_difference(want_out, r.out);
  EXPECT_EQ(testutil::read_file(expected / "stderr"), r.err);

  std::set<std::string> expected_files;
  for (const auto& e : fs::directory_iterator(expected)) {
    std::string name = e.path().filename().string();
    if (name == "stdout" || name == "stderr" || name == "status") continue;
    expected_files.insert(name);
  }
  EXPECT_EQ(expected_files, actual_files);
  for (const auto& f : expected_files) {
    if (!actual_files.count(f)) continue;
    const std::string want = testutil::read_file(expected / f);
    const std::string got = testutil::read_file(work.file(f));
    EXPECT_TRUE(want == got) << f << " " << first_difference(want, got);
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(case_names()),
                         [](const auto& info) { return info.param; });

// gtest needs at least one instantiation to be meaningful; the list may be
// empty in a checkout without golden cases.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);

}  // namespace
