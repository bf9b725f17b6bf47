// The cleaning: atom-name normalisation, which residues are kept, the
// compaction of the residue table, .cor and the counts in .out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading_support.h"

namespace {

using namespace torven;

class Clean : public reading_test::StoreRun {
 protected:
  // Stores one residue with the given atom names; coordinates follow the
  // atom serial so that no two atoms repeat each other.
  void residue_with(std::int32_t number, const char* chain, std::vector<const char*> atom_names,
                    const char* res = "  G") {
    for (const char* n : atom_names) {
      const float s = static_cast<float>(delta.NextAtom);
      store({n, res, chain, number, ' ', 1.0f, s, -s, s / 2});
    }
  }
};

const std::vector<const char*> kSixRingAndC1 = {" N1 ", " C2 ", " N3 ", " C4 ",
                                                " C5 ", " C6 ", " C1'"};

TEST_F(Clean, KeepsResiduesWithSixRingAtomsAndAC1) {
  struct Case {
    const char* what;
    std::vector<const char*> atoms;
    bool kept;
  };
  const std::vector<Case> cases = {
      {"six ring atoms and C1'", kSixRingAndC1, true},
      {"five ring atoms and C1'", {" N1 ", " C2 ", " N3 ", " C4 ", " C5 ", " C1'"}, false},
      {"nine ring atoms, no C1'",
       {" N1 ", " C2 ", " N3 ", " C4 ", " C5 ", " C6 ", " N7 ", " C8 ", " N9 "}, false},
      {"C1 spelt with '*'", {" N1 ", " C2 ", " N3 ", " C4 ", " C5 ", " C6 ", " C1*"}, true},
      {"a repeated ring atom counts twice",
       {" N1 ", " N1 ", " C2 ", " N3 ", " C4 ", " C5 ", " C1'"}, true},
      {"names without leading blank",
       {"N1  ", "C2  ", "N3  ", "C4  ", "C5  ", "C6  ", "C1' "}, true},
      {"names with two leading blanks are shifted twice",
       {"  N1", "  C2", "  N3", "  C4", "  C5", "  C6", "C1' "}, true},
      {"the prime must be the third character after shifting",
       {" N1 ", " C2 ", " N3 ", " C4 ", " C5 ", " C6 ", " C1 '"}, false},
  };
  for (const auto& c : cases) {
    standard_store();
    auto files = open_reports();
    residue_with(7, "A", c.atoms);
    cleanpdb(run_);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(beta.ResidueCount, c.kept ? 1 : 0);
  }
}

TEST_F(Clean, NormalisesEveryAtomName) {
  standard_store();
  auto files = open_reports();
  residue_with(1, "A", {" C1'", " O2'", " N1 ", "  P ", "OP1 ", "HO2'", " C1*"});
  residue_with(2, "A", {" C1'", " O2'"});  // a dropped residue is normalised too
  cleanpdb(run_);
  const std::vector<std::string> expected = {"C1* ", "O2* ", "N1  ", "P   ", "OP1 ",
                                             "HO2'", "C1* ", "C1* ", "O2* "};
  for (std::size_t k = 0; k < expected.size(); ++k)
    EXPECT_EQ(names.AtomName.get(static_cast<std::int32_t>(k + 1)).str(), expected[k]) << k;
}

TEST_F(Clean, DropsResiduesAndCompactsTheTable) {
  standard_store();
  auto files = open_reports();
  residue_with(10, "A", kSixRingAndC1);           // atoms 1-7
  residue_with(11, "A", {" N1 ", " C1'"});         // atoms 8-9, dropped
  residue_with(12, "B", kSixRingAndC1, " DC");     // atoms 10-16
  residue_with(13, "B", {" P  "});                 // atom 17, dropped
  cleanpdb(run_);
  ASSERT_EQ(beta.ResidueCount, 2);
  EXPECT_EQ(beta.ResFirstAtom.get(2), 10);
  EXPECT_EQ(beta.ResLastAtom.get(2), 16);
  for (int column : {1, 2}) {
    EXPECT_EQ(num.ResNumber(column).get(1), 10);
    EXPECT_EQ(num.ResNumber(column).get(2), 12);
    EXPECT_EQ(cum.ResChainId(column).get(2).str(), "B   ");
  }
  EXPECT_EQ(files.lines(".out"),
            (std::vector<std::string>{
                "#HEADER   Original number of residues in structure file:      4",
                "#HEADER   Cleaned number of residues:      2"}));
  const auto cor = files.lines(".cor");
  ASSERT_EQ(cor.size(), 15u);
  // Atom serials keep their gap, residue serials are the new ones.
  EXPECT_EQ(cor[0], "ATOM      1  N1    G     1       1.000  -1.000   0.500  1.00");
  EXPECT_EQ(cor[6], "ATOM      7  C1*   G     1       7.000  -7.000   3.500  1.00");
  EXPECT_EQ(cor[7], "ATOM     10  N1   DC     2      10.000 -10.000   5.000  1.00");
  EXPECT_EQ(cor[14], "END");
}

TEST_F(Clean, RepeatedAtomEndsCor) {
  standard_store();
  auto files = open_reports();
  residue_with(1, "A", kSixRingAndC1);
  store({" C1'", "  G", "A", 1, ' ', 1.0f, 7.0f, -7.0f, 3.5f});  // repeats atom 7
  residue_with(2, "A", kSixRingAndC1);
  cleanpdb(run_);
  EXPECT_EQ(beta.ResidueCount, 2);
  EXPECT_EQ(num.ResNumber(1).get(2), 2);
  const auto cor = files.lines(".cor");
  ASSERT_EQ(cor.size(), 8u);  // atoms 1-7, then the end record once
  EXPECT_EQ(cor[6].substr(0, 11), "ATOM      7");
  EXPECT_EQ(cor[7], "END");
}

TEST_F(Clean, PoorlyLineOnlyForMoreThanOne) {
  for (std::int32_t poor : {0, 1, 2, 123456}) {
    standard_store();
    auto files = open_reports();
    run_.NPOORAT = poor;
    cleanpdb(run_);
    auto out = files.lines(".out");
    SCOPED_TRACE(poor);
    const std::vector<std::string> counts = {
        "#HEADER   Original number of residues in structure file:      0",
        "#HEADER   Cleaned number of residues:      0"};
    if (poor > 1) {
      ASSERT_EQ(out.size(), 3u);
      EXPECT_EQ(out[0], poor == 2 ? "#==========Number of POORLY defined atoms:    2 =========="
                                  : "#==========Number of POORLY defined atoms:***** ==========");
      out.erase(out.begin());
    }
    EXPECT_EQ(out, counts);
    EXPECT_EQ(files.lines(".cor"), std::vector<std::string>{"END"});
  }
}

TEST_F(Clean, BannerAndLegend) {
  standard_store();
  auto files = open_reports();
  VersionBanner(run_.files.out);
  ColumnLegend(run_.files.out);
  const auto out = files.lines(".out");
  ASSERT_EQ(out.size(), 19u);
  EXPECT_EQ(out[0], "#=====");
  EXPECT_EQ(out[1], "# Generated by TORVEN release December 2026, version 1.0");
  EXPECT_EQ(out[2], "#=====");
  EXPECT_EQ(out[3], "#" + std::string(79, '='));
  EXPECT_EQ(out[4], "#Column starting from > mark represent the following:");
  EXPECT_EQ(out[5], "#>Serial number of nucleotides");
  EXPECT_EQ(out[8], "#" + std::string(18, '-') +
                        ">PDB_ins_code. Useful in tRNA with long variable loop");
  // Every hyphen run ends where the legend's item starts.
  const std::vector<std::size_t> marks = {7, 17, 19, 21, 23, 31, 40, 42, 44, 48, 54, 56, 63};
  for (std::size_t k = 0; k < marks.size(); ++k) {
    EXPECT_EQ(out[6 + k].find('>'), marks[k]) << out[6 + k];
    EXPECT_EQ(out[6 + k].find_first_not_of('-', 1), marks[k]) << out[6 + k];
  }
  EXPECT_EQ(out[18].substr(64, 10), "Equivalent");
  EXPECT_EQ(out[18].substr(63), ">Equivalent information for other pairs, suchas in base triples");
}

}  // namespace
