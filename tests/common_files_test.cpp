#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/run_files.h"
#include "common/stops.h"
#include "test_util.h"

using namespace torven;
namespace fs = std::filesystem;

namespace {

// How many more allocations succeed before one fails; below 0, all do.
std::atomic<long> allocations_left{-1};

// While it lives, the allocation after the first `succeed` ones fails, once.
class FailingAllocation {
 public:
  explicit FailingAllocation(long succeed) { allocations_left = succeed; }
  ~FailingAllocation() { allocations_left = -1; }
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;
};

}  // namespace

// The program's allocations, which a FailingAllocation can make fail. They
// come from malloc and go back to free, through every form of operator new
// and delete that a plain allocation takes, so that no storage from one
// allocator is given back to another (which AddressSanitizer reports).
void* operator new(std::size_t size) {
  if (allocations_left.load() >= 0 && allocations_left.fetch_sub(1) == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
namespace {
// Out of line, so that the compiler does not see free() take storage that it
// knows came from an operator new.
[[gnu::noinline]] void give_back(void* p) noexcept { std::free(p); }
}  // namespace
void operator delete(void* p) noexcept { give_back(p); }
void operator delete[](void* p) noexcept { give_back(p); }
void operator delete(void* p, std::size_t) noexcept { give_back(p); }
void operator delete[](void* p, std::size_t) noexcept { give_back(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { give_back(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { give_back(p); }

namespace {

using testutil::read_file;
using testutil::write_file;

class CommonFiles : public ::testing::Test {
 protected:
  testutil::TempDir dir_;
};

}  // namespace

TEST(CommonFileNames, Trim) {
  EXPECT_EQ(trim_name("  a b.pdb  "), "a b.pdb");
  EXPECT_EQ(trim_name("   "), "");
}

// An output holds exactly what this run writes to it: opening it drops what
// an earlier run left, whether or not a record follows.
TEST_F(CommonFiles, OutputIsCreatedEmptyAtItsOpen) {
  const std::string written = dir_.file("w.out"), untouched = dir_.file("u.out"),
                    fresh = dir_.file("f.out");
  write_file(written, "old line 1\nold line 2\nold line 3\n");
  write_file(untouched, "earlier run\n");
  {
    OutputFile w, u, f;
    w.open("  " + written + " ");
    u.open(untouched);
    f.open(fresh);
    EXPECT_EQ(read_file(written), "");
    EXPECT_EQ(read_file(untouched), "");
    EXPECT_TRUE(fs::exists(fresh));
    w.write_line("new");
    static const Layout lay("(I3,A)");
    w.write(lay, {std::int32_t{5}, std::string_view("x")});
    w.write_list({std::string_view("free")});
    w.close();
    w.close();  // closing a closed file does nothing
  }
  EXPECT_EQ(read_file(written), "new\n  5x\n free\n");
  EXPECT_EQ(read_file(untouched), "");
  EXPECT_EQ(read_file(fresh), "");
}

// The nine outputs of a run are created together or not at all: when one
// cannot be opened, a file that was there keeps its bytes, and none is left
// that was not, not even the target of a link that pointed nowhere.
TEST_F(CommonFiles, OutputsAreCreatedAllOrNone) {
  std::array<std::string, 9> names;
  for (std::size_t k = 0; k < names.size(); ++k)
    names[k] = dir_.file("t" + std::string(RunFiles::kOutputs[k].suffix));
  write_file(names[0], "earlier\n");
  fs::create_symlink(dir_.file("nowhere"), names[2]);
  fs::create_directory(names[5]);
  {
    RunFiles files;
    try {
      files.open_outputs(names);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.file, names[5]);
    }
  }
  EXPECT_EQ(read_file(names[0]), "earlier\n");
  EXPECT_TRUE(fs::is_symlink(names[2]));
  EXPECT_FALSE(fs::exists(dir_.file("nowhere")));
  for (std::size_t k : {1u, 3u, 4u, 6u, 7u, 8u}) EXPECT_FALSE(fs::exists(names[k])) << names[k];

  fs::remove(names[5]);
  RunFiles files;
  files.open_outputs(names);
  files.close_all(true);
  EXPECT_EQ(read_file(names[0]), "");
  EXPECT_TRUE(fs::exists(dir_.file("nowhere")));
  for (const std::string& name : names) EXPECT_EQ(read_file(name), "") << name;
}

// Running out of memory while the outputs are opened leaves none of them,
// wherever it happens: each allocation in turn fails until none is left to
// fail and the nine are created.
TEST_F(CommonFiles, OutputsAreCreatedAllOrNoneWhenMemoryRunsOut) {
  const fs::path folder = dir_.path() / "a folder with a name too long to fit in place";
  fs::create_directory(folder);
  std::array<std::string, 9> names;
  for (std::size_t k = 0; k < names.size(); ++k)
    names[k] = (folder / ("a structure name of forty characters long" +
                          std::string(RunFiles::kOutputs[k].suffix)))
                   .string();
  long succeed = 0;
  for (; succeed < 1000; ++succeed) {
    SCOPED_TRACE(succeed);
    RunFiles files;
    bool opened = false;
    try {
      const FailingAllocation failing(succeed);
      files.open_outputs(names);
      opened = true;
    } catch (const std::bad_alloc&) {
    }
    if (opened) {
      files.close_all(true);
      for (const std::string& name : names) EXPECT_TRUE(fs::exists(name)) << name;
      break;
    }
    EXPECT_TRUE(fs::is_empty(folder)) << "an output is left";
  }
  EXPECT_GT(succeed, 9) << "too few allocations failed to show anything";
  EXPECT_LT(succeed, 1000);
}

TEST_F(CommonFiles, InputRecords) {
  std::string p = dir_.file("in.txt");
  write_file(p, "first\r\nsecond\n\nlast\rline");
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

  write_file(p, "");
  ASSERT_TRUE(in.open(p));
  EXPECT_FALSE(in.read_line(r));

  EXPECT_FALSE(in.open(dir_.file("missing.pdb")));
  EXPECT_FALSE(in.open(dir_.path().string()));
}

TEST_F(CommonFiles, InputLineEndAcrossBufferBoundary) {
  // The "\r" of a "\r\n" falls on the last byte of the first read chunk.
  std::string p = dir_.file("long.txt");
  std::string first((1 << 20) - 1, 'a');
  write_file(p, first + "\r\nb\n");
  InputFile in;
  ASSERT_TRUE(in.open(p));
  std::string r;
  ASSERT_TRUE(in.read_line(r));
  EXPECT_EQ(r, first);
  ASSERT_TRUE(in.read_line(r));
  EXPECT_EQ(r, "b");
  EXPECT_FALSE(in.read_line(r));
}

// What a failure is made of and its one-line message; a file written so far
// keeps its records when the failure passes it by.
TEST_F(CommonFiles, FailureCarriesFileLineAndWhat) {
  const std::string out = dir_.file("partial.out");
  try {
    OutputFile f;
    f.open(out);
    f.write_line("kept");
    fail("1abc.pdb", 212, "cannot read the x coordinate from \"  12.3x5\"");
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.message(),
              "torven: 1abc.pdb, line 212: cannot read the x coordinate from \"  12.3x5\"\n");
  }
  EXPECT_EQ(read_file(out), "kept\n");
  // No line to name, and control bytes shown so that the message stays one line.
  EXPECT_EQ((Failure{"standard output", 0, "cannot write"}).message(),
            "torven: standard output: cannot write\n");
  EXPECT_EQ((Failure{"a\tb", 3, std::string("x\0y\r\x7f", 5)}).message(),
            "torven: a\\x09b, line 3: x\\x00y\\x0d\\x7f\n");
}

// The failures of the files themselves: what they name, where, and the
// reason the system gave.
TEST_F(CommonFiles, UnhandledFailures) {
  struct Case {
    const char* what;
    std::function<void()> action;
    std::string file;
    std::int64_t line;  // -1: any line
    std::string message;
  };
  fs::create_directory(dir_.file("adir.out"));
  const std::string short_input = dir_.file("short.pdb");
  write_file(short_input, "one\ntwo\n");
  std::vector<Case> cases = {
      {"an output that cannot be created ends the run at its open",
       [&] {
         OutputFile f;
         f.open(dir_.file("adir.out"));
       },
       dir_.file("adir.out"), 0, "cannot create the file for writing: Is a directory"},
      {"an end of file where a record is required names the line",
       [&] {
         InputFile in;
         ASSERT_TRUE(in.open(short_input));
         for (int k = 0; k < 3; ++k) in.read_required("a title record");
       },
       short_input, 3, "the file ends where a title record was expected"},
  };
  // Records are written in large pieces: a device that takes nothing fails
  // the run whether the piece fills up or the file is closed with a few.
  if (fs::exists("/dev/full")) {
    cases.push_back({"a piece that cannot be written",
                     [] {
                       OutputFile f;
                       f.open("/dev/full");
                       for (int k = 0; k < 10000; ++k) f.write_line(std::string(79, 'x'));
                     },
                     "/dev/full", -1, "cannot write a record: No space left on device"});
    cases.push_back({"a file that cannot be completed",
                     [] {
                       OutputFile f;
                       f.open("/dev/full");
                       f.write_line("one");
                       f.close();
                     },
                     "/dev/full", 1, "cannot complete the file: No space left on device"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.action();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.file, c.file);
      if (c.line >= 0) {
        EXPECT_EQ(failure.line, c.line);
      } else {
        EXPECT_GT(failure.line, 0);
      }
      EXPECT_EQ(failure.what, c.message);
    }
  }
}

// A stop is a status; the files of the run close the last opened first,
// each keeping what was written.
TEST_F(CommonFiles, StopsAndTheRunFiles) {
  for (int status : {0, 1}) {
    try {
      status == 0 ? plain_stop() : stop_status_1();
    } catch (const Stop& stop) {
      EXPECT_EQ(stop.status, status);
    }
  }
  RunFiles files;
  ASSERT_TRUE(files.input.open(dir_.file("in.txt")) == false);
  write_file(dir_.file("in.txt"), "x\n");
  ASSERT_TRUE(files.input.open(dir_.file("in.txt")));
  files.out.open(dir_.file("t.out"));
  files.hlx.open(dir_.file("t.hlx"));
  files.out.write_line("a");
  files.hlx.write_line("b");
  files.close_all(true);
  EXPECT_FALSE(files.out.is_open());
  EXPECT_FALSE(files.hlx.is_open());
  std::string record;
  EXPECT_FALSE(files.input.read_line(record));
  EXPECT_EQ(read_file(dir_.file("t.out")), "a\n");
  EXPECT_EQ(read_file(dir_.file("t.hlx")), "b\n");
  // Every output of a run has a suffix of its own.
  std::set<std::string_view> suffixes;
  for (const RunFiles::Output& output : RunFiles::kOutputs) suffixes.insert(output.suffix);
  EXPECT_EQ(suffixes.size(), RunFiles::kOutputs.size());
}
