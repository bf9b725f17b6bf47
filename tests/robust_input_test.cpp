// Whole runs over damaged and unusual input files: each ends in a defined
// way (a complete run, or status 2 with one message line naming the file
// and the line), never with a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

class Messy : public testutil::ProgramRun {
 protected:
  void SetUp() override {
    pdb_ = testutil::read_file(testutil::structure("1bna.pdb"));
    cif_ = testutil::read_file(testutil::structure("1bna.cif"));
  }

  testutil::RunResult run(const std::string& name, const std::string& content,
                          std::vector<std::string> args = {}) {
    testutil::write_file(dir_.file(name), content);
    return run_on(name, args);
  }

  std::string pdb_, cif_;
};

TEST_F(Messy, ZeroByteInARecordGivesAOneLineMessage) {
  // A zero byte in the y coordinate of the first atom record (line 392).
  std::string bad = pdb_;
  const std::size_t atom = bad.find("\nATOM      1 ") + 1;
  bad[atom + 40] = '\0';
  auto r = run("nul.pdb", bad);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "torven: nul.pdb, line 392: y coordinate (columns 39-46) is not a number: "
            "\"  \\x004.195\"\n");
}

TEST_F(Messy, DamagedFilesEndCleanly) {
  std::string crlf;
  for (char c : pdb_) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  std::string junk;
  for (int k = 0; k < 5000; ++k) junk.push_back(static_cast<char>((k * 7919 + 13) % 256));
  // Cut in the middle of the 200th data line of the _atom_site loop.
  const std::string cut_cif = cif_.substr(0, cif_.find("\nATOM   200 ") + 30);
  // One atom of residue 3 placed at 1e30 A (its .cor line shows asterisks).
  std::string far = pdb_;
  const std::size_t at = far.find("\nATOM     39 ") + 1;
  far.replace(at + 30, 8, "  1.0E30");

  struct Case {
    const char* name;
    std::string content;
    std::vector<std::string> args;
    const char* nts;  // the .bpseq header's count
  };
  const std::vector<Case> cases = {
      {"crlf.pdb", crlf, {}, "   24"},
      {"junk.pdb", junk, {"-HT"}, "    0"},
      {"junk.cif", junk, {"-CIF"}, "    0"},
      {"cut.cif", cut_cif, {"-CIF"}, "   10"},
      {"far.pdb", far, {}, "   24"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = run(c.name, c.content, c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string stem = fs::path(c.name).stem().string();
    const std::string bpseq = file(stem + ".bpseq");
    EXPECT_EQ(bpseq.substr(0, bpseq.find('\n')),
              "#" + stem + "  nts=" + c.nts + " Created by TORVEN");
  }
  // Line ends do not change a single byte of the results.
  const std::string lf_dbn = (run("lf.pdb", pdb_), file("lf.dbn"));
  EXPECT_EQ(file("crlf.dbn").substr(file("crlf.dbn").find('\n')),
            lf_dbn.substr(lf_dbn.find('\n')));
  EXPECT_NE(file("far.cor").find("    ********  "), std::string::npos);
}

}  // namespace
