#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/files.h"

using namespace torven;
namespace fs = std::filesystem;

namespace {

class CommonFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("torven_common_" + std::string(info->name()) + "_" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  static void put(const std::string& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
  }
  static std::string get(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  fs::path dir_;
};

}  // namespace

TEST(CommonFileNames, Trim) {
  EXPECT_EQ(trim_name("  a b.pdb  "), "a b.pdb");
  EXPECT_EQ(trim_name("   "), "");
}

TEST_F(CommonFiles, OutputKeepsOldContentUntilFirstRecord) {
  std::string written = path("w.out"), untouched = path("u.out"), fresh = path("f.out");
  put(written, "old line 1\nold line 2\nold line 3\n");
  put(untouched, "keep me\n");
  {
    OutputFile w, u, f;
    w.open("  " + written + " ");
    u.open(untouched);
    f.open(fresh);
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_EQ(get(written), "old line 1\nold line 2\nold line 3\n");
    w.write_line("new");
    static const Layout lay("(I3,A)");
    w.write(lay, {std::int32_t{5}, std::string_view("x")});
    w.write_list({std::string_view("free")});
    w.close();
    w.close();  // closing a closed file does nothing
  }
  EXPECT_EQ(get(written), "new\n  5x\n free\n");
  EXPECT_EQ(get(untouched), "keep me\n");
  EXPECT_EQ(get(fresh), "");
}

TEST_F(CommonFiles, InputRecords) {
  std::string p = path("in.txt");
  put(p, "first\r\nsecond\n\nlast\rline");
  InputFile in;
  ASSERT_TRUE(in.open(p));
  std::string r;
  const char* want[] = {"first", "second", "", "last\rline"};
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 0; k < 4; ++k) {
      ASSERT_TRUE(in.read_line(r));
      EXPECT_EQ(r, want[k]);
      EXPECT_EQ(in.line_number(), k + 1);
    }
    EXPECT_FALSE(in.read_line(r));
    in.rewind();
  }
  in.close();
  EXPECT_FALSE(in.read_line(r));

  put(p, "");
  ASSERT_TRUE(in.open(p));
  EXPECT_FALSE(in.read_line(r));

  EXPECT_FALSE(in.open(path("missing.pdb")));
  EXPECT_FALSE(in.open(dir_.string()));
}

TEST_F(CommonFiles, InputLineEndAcrossBufferBoundary) {
  // The "\r" of a "\r\n" falls on the last byte of the first read chunk.
  std::string p = path("long.txt");
  std::string first((1 << 20) - 1, 'a');
  put(p, first + "\r\nb\n");
  InputFile in;
  ASSERT_TRUE(in.open(p));
  std::string r;
  ASSERT_TRUE(in.read_line(r));
  EXPECT_EQ(r, first);
  ASSERT_TRUE(in.read_line(r));
  EXPECT_EQ(r, "b");
  EXPECT_FALSE(in.read_line(r));
}

TEST_F(CommonFiles, FailClosesFilesAndExitsWithStatus2) {
  std::string out = path("partial.out");
  EXPECT_EXIT(
      {
        OutputFile f;
        f.open(out);
        f.write_line("kept");
        fail("1abc.pdb", 212, "cannot read the x coordinate from \"  12.3x5\"");
      },
      ::testing::ExitedWithCode(2),
      "^torven: 1abc\\.pdb, line 212: cannot read the x coordinate from \"  12\\.3x5\"\n$");
  EXPECT_EQ(get(out), "kept\n");
}

TEST_F(CommonFiles, UnhandledFailures) {
  // An output file that cannot be created ends the run at its open.
  fs::create_directory(path("adir.out"));
  std::string d = path("adir.out");
  EXPECT_EXIT({ OutputFile f; f.open(d); }, ::testing::ExitedWithCode(2),
              "adir\\.out: cannot create");

  // An end of file where a record is required names the line.
  std::string p = path("short.pdb");
  put(p, "one\ntwo\n");
  EXPECT_EXIT(
      {
        InputFile in;
        if (in.open(p)) {
          in.read_required("a title record");
          in.read_required("a title record");
          in.read_required("a title record");
        }
      },
      ::testing::ExitedWithCode(2), "short\\.pdb, line 3: the file ends where a title record");

  // Records are written in large pieces: a device that takes nothing fails
  // the run whether the piece fills up or the file is closed with a few.
  if (fs::exists("/dev/full")) {
    EXPECT_EXIT(
        {
          OutputFile f;
          f.open("/dev/full");
          for (int k = 0; k < 10000; ++k) f.write_line(std::string(79, 'x'));
        },
        ::testing::ExitedWithCode(2), "^torven: /dev/full, line [0-9]+: cannot write a record\n$");
    EXPECT_EXIT(
        {
          OutputFile f;
          f.open("/dev/full");
          f.write_line("one");
          f.close();
        },
        ::testing::ExitedWithCode(2), "^torven: /dev/full, line 1: cannot complete the file\n$");
  }
}

TEST_F(CommonFiles, Stops) {
  std::string out = path("stop.out");
  EXPECT_EXIT(
      {
        OutputFile f;
        f.open(out);
        f.write_line("a");
        stop_status_1();
      },
      ::testing::ExitedWithCode(1), "^1\n$");
  EXPECT_EQ(get(out), "a\n");
  EXPECT_EXIT(
      {
        OutputFile f;
        f.open(out);
        f.write_line("b");
        plain_stop();
      },
      ::testing::ExitedWithCode(0), "^$");
  EXPECT_EQ(get(out), "b\n");
}
