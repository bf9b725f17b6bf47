// Whole runs of the secondary-structure stage on small reports: the files
// it writes, in order, and the ways it ends the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "helix_support.h"

using namespace helix_test;
using testutil::read_file;
using testutil::read_lines;
using testutil::TempDir;

namespace {

using Lines = std::vector<std::string>;

// What a free-format write of one text item prints.
std::string free_format_text(const std::string& text) {
  std::string s;
  for (std::size_t a = 0; a < text.size() || a == 0; a += 79) s += " " + text.substr(a, 79) + "\n";
  return s;
}

}  // namespace

TEST(HelixStage, HairpinAndASecondChain) {
  // Chain A: 1-5 paired with 14-10 around a loop of four. Residue 1 has a
  // second pair, with 16 of chain B; 3-12 is a trans W:H pair.
  std::vector<FixResidue> res = residues_with_partners(
      {14, 13, 0, 11, 10, 0, 0, 0, 0, 5, 4, 0, 2, 1, 0, 0, 0});
  res[0].pairs.push_back({16, "S:W", 'T'});
  res[2].pairs = {{12, "W:H", 'T'}};
  res[11].pairs = {{3, "H:W", 'T'}};
  res[15].pairs = {{1, "W:S", 'T'}};
  for (int r = 14; r < 17; ++r) res[static_cast<std::size_t>(r)].chain = "B";
  set_residue_tables(res, "TWNWWCCCCWWNWWCNC");

  TempDir dir;
  const std::string out = dir.file("s1.out");
  const StageRun run = run_stage(dir, out, out_report(res), 3);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");

  const StageFiles f(dir);
  EXPECT_EQ(read_lines(f.bpseq),
            (Lines{"#s1  nts=   17 Created by TORVEN", "     1 G    14    16", "     2 C    13     0",
                   "     3 A    12     0", "     4 U    11     0", "     5 G    10     0",
                   "     6 C     0     0", "     7 A     0     0", "     8 U     0     0",
                   "     9 G     0     0", "    10 C     5     0", "    11 A     4     0",
                   "    12 U     3     0", "    13 G     2     0", "    14 C     1     0",
                   "    15 A     0     0", "    16 U     1     0", "    17 G     0     0"}));
  EXPECT_EQ(read_lines(dir.file("s1.hlx")),
            (Lines{"    0", "    1    14W:WC   GC", "    2    13W:WC   CG", "    3    12W:HT   AU",
                   "    4    11W:WC   UA", "    5    10W:WC   GC", "    0"}));
  // Each record begins with the first four characters of s1.out.
  const std::string p = " s1.o";
  const Lines csv = read_lines(f.structure);
  ASSERT_EQ(csv.size(), 17u);
  EXPECT_EQ(csv[0], p + ",1,1,G,?,A,T");
  EXPECT_EQ(csv[2], p + ",3,3,A,?,A,N");
  EXPECT_EQ(csv[6], p + ",7,7,A,?,A,L");
  EXPECT_EQ(csv[15], p + ",16,16,U,?,B,N");
  const std::string model = "3" + std::string(14, ' ');
  EXPECT_EQ(read_lines(f.dat), (Lines{">s1 :A   " + model + " Created by TORVEN", "THNHHLLLLHHNHH",
                                      ">s1 :B   " + model + " Created by TORVEN", "CNC"}));
  EXPECT_EQ(read_lines(f.dbn), (Lines{">s1  nts=   17 Created by TORVEN", "GCAUGCAUGCAUGC&AUG",
                                      "(((((....)))))&..."}));
}

TEST(HelixStage, ResidueWithFivePairsCompletesTheRun) {
  // Residue 1 pairs with 2-6; its fifth pair stands on a continuation line.
  TempDir dir;
  const std::string out = dir.file("s1.out");
  const std::string report = read_file(std::string(TORVEN_TEST_DATA) + "/helix/five_pairs.out");
  ASSERT_NE(report.find("\n     6   106   C ? A    W:SC BF 1.05\n"), std::string::npos);
  set_residue_tables(std::vector<std::string>(7, "A"), "TWNNNNC");

  const StageRun run = run_stage(dir, out, report);
  ASSERT_EQ(run.status, 0) << run.err;
  const StageFiles f(dir);
  EXPECT_EQ(read_lines(f.bpseq),
            (Lines{"#s1  nts=    7 Created by TORVEN", "     1 G     2     3", "     2 C     1     0",
                   "     3 A     1     0", "     4 U     1     0", "     5 G     1     0",
                   "     6 C     1     0", "     7 u     0     0"}));
  EXPECT_EQ(read_lines(f.dbn),
            (Lines{">s1  nts=    7 Created by TORVEN", "GCAUGCu", "()....."}));
  const Lines csv = read_lines(f.structure);
  ASSERT_EQ(csv.size(), 7u);
  EXPECT_EQ(csv[6], " s1.o,7,107,u,?,A,C");
}

TEST(HelixStage, UnreadableResidueLineEndsTheRunNamingFileAndLine) {
  TempDir dir;
  const std::string out = dir.file("s1.out");
  std::string report = out_report(residues_with_partners({0, 0, 0}));
  const std::size_t second = report.find("\n     2 ");
  ASSERT_NE(second, std::string::npos);
  report.replace(second + 1, 6, "    x2");
  set_residue_tables(std::vector<std::string>(3, "A"), "CCC");
  const StageFiles f(dir);

  const StageRun run = run_stage(dir, out, report);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(out), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("22"), std::string::npos) << run.err;  // 4 header lines, 16 legend
  EXPECT_EQ(read_lines(f.bpseq), (Lines{"#s1  nts=    3 Created by TORVEN", "     1 G     0     0"}));
  for (const std::string& empty : {dir.file("s1.hlx"), f.dat, f.dbn, f.structure})
    EXPECT_EQ(read_file(empty), "") << empty;
}

TEST(HelixStage, MissingReportIsNamedAndStopsWithStatus1) {
  TempDir dir;
  const std::string out = dir.file("none.out");
  set_residue_tables(std::vector<std::string>{}, "");
  const StageRun run = run_stage(dir, out, std::nullopt);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, free_format_text("Error opening report file: " + out));
  EXPECT_EQ(read_file(dir.file("none.hlx")), "");
  EXPECT_EQ(read_file(StageFiles(dir).bpseq), "");
}

TEST(HelixStage, ReportWithoutLegendHasNoResidueLines) {
  TempDir dir;
  const std::string out = dir.file("e.out");
  set_residue_tables(std::vector<std::string>{}, "");
  const StageRun run =
      run_stage(dir, out, "#HEADER   no legend here\n     1       1   G ? A   \n");
  ASSERT_EQ(run.status, 0) << run.err;
  const StageFiles f(dir);
  EXPECT_EQ(read_lines(f.bpseq), (Lines{"#e  nts=    0 Created by TORVEN"}));
  EXPECT_EQ(read_lines(dir.file("e.hlx")), (Lines{"    0"}));
  EXPECT_EQ(read_lines(f.dat),
            (Lines{">e :    1" + std::string(14, ' ') + " Created by TORVEN", ""}));
  EXPECT_EQ(read_lines(f.dbn), (Lines{">e  nts=    0 Created by TORVEN", "", ""}));
}

TEST(HelixStage, ChainLimit) {
  for (const int chains : {100, 101}) {
    SCOPED_TRACE(chains);
    std::vector<FixResidue> res = residues_with_partners(std::vector<int>(chains, 0));
    for (std::size_t i = 0; i < res.size(); ++i) res[i].chain = i % 2 ? "B" : "A";
    set_residue_tables(res, std::string(static_cast<std::size_t>(chains), 'C'));
    TempDir dir;
    const std::string out = dir.file("s1.out");
    const StageFiles f(dir);

    const StageRun run = run_stage(dir, out, out_report(res));
    EXPECT_EQ(read_lines(f.bpseq).size(), static_cast<std::size_t>(chains) + 1);
    EXPECT_EQ(read_lines(dir.file("s1.hlx")), (Lines{"    0"}));
    if (chains == 100) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(read_lines(f.dat).size(), 200u);
      EXPECT_EQ(read_lines(f.structure).size(), 100u);
      const Lines dbn = read_lines(f.dbn);
      ASSERT_EQ(dbn.size(), 3u);
      EXPECT_EQ(std::count(dbn[2].begin(), dbn[2].end(), '&'), 99);
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, " There are more than 100 chains in the pdb\n");
      // The files the stage did not reach hold nothing.
      for (const std::string* empty : {&f.dat, &f.dbn, &f.structure}) {
        EXPECT_EQ(read_file(*empty), "");
      }
    }
  }
}
