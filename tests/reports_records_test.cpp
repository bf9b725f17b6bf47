// The .out, _pairing.csv and .nup records, column by column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports_fixture.h"

using reports_test::P;
using reports_test::ResidueWalk;
using reports_test::set_list;
using reports_test::set_residue;

namespace {

using Lines = std::vector<std::string>;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// Residue 1 is G 1 of chain A; its partners 72-76 are C, A, U, G of chain A
// and C of chain B, each numbered as its serial.
class Records : public ResidueWalk {
 protected:
  void SetUp() override {
    ResidueWalk::SetUp();
    torven::beta.ResidueCount = 1;
    set_residue(1, 1, "  G", "A   ");
    set_residue(72, 72, "  C", "A   ");
    set_residue(73, 73, "  A", "A   ");
    set_residue(74, 74, "  U", "A   ");
    set_residue(75, 75, "  G", "A   ");
    set_residue(76, 76, "  C", "B   ");
  }
};

const P p72{72, "W:W", 'C', 0.53f};
const P p73{73, "H:S", 'T', 0.80f};
const P p74{74, "s:h", 'C', 1.25f};

TEST_F(Records, ResidueWithoutPairs) {
  report();
  EXPECT_EQ(out_, Lines{"     1       1   G ? A   "});
  EXPECT_EQ(csv_, Lines{" 1abc 1 1 G ? A " + blanks(31)});
  EXPECT_EQ(nup_, Lines{"    1"});
}

TEST_F(Records, OnePair) {
  set_list(1, {p72});
  report();
  EXPECT_EQ(out_, Lines{"     1       1   G ? A       72    72   C ? A    W:WC BP 0.53"});
  EXPECT_EQ(csv_, Lines{" 1abc 1 1 G ? A 72 72 C ? A W:W C BP 0.53 " + blanks(22)});
  EXPECT_EQ(nup_, Lines{"    1    72 W:W C BP"});
}

TEST_F(Records, ThreePairsTakeTwoCsvLines) {
  set_list(1, {p72, p73, p74});
  report();
  EXPECT_EQ(out_, Lines{"     1       1   G ? A   "
                        "    72    72   C ? A    W:WC BP 0.53"
                        "    73    73   A ? A    H:ST TP 0.80"
                        "    74    74   U ? A    s:hC TP 1.25"});
  // The chain of pair 3 ends column 80 exactly; its label opens line 2.
  EXPECT_EQ(csv_, (Lines{" 1abc 1 1 G ? A 72 72 C ? A W:W C BP 0.53 "
                         "73 73 A ? A H:S T TP 0.80 74 74 U ? A ",
                         " s:h C TP 1.25     "}));
  EXPECT_EQ(nup_, Lines{"    1    72 W:W C BP   73 H:S T TP   74 s:h C TP"});
}

TEST_F(Records, FourPairsWithBifurcation) {
  // BP, TP, BF, TP: the BF pair moves to group 4 of .nup; _pairing.csv
  // stops after the fourth partner's insertion code.
  set_list(1, {p72, p73, {74, "w:h", 'C', 1.25f}, {75, "s:h", 'T', 1.60f}});
  report();
  EXPECT_EQ(out_, Lines{"     1       1   G ? A   "
                        "    72    72   C ? A    W:WC BP 0.53"
                        "    73    73   A ? A    H:ST TP 0.80"
                        "    74    74   U ? A    w:hC BF 1.25"
                        "    75    75   G ? A    s:hT TP 1.60"});
  ASSERT_EQ(out_.size(), 1u);
  EXPECT_EQ(out_[0].size(), 169u);
  EXPECT_EQ(csv_, (Lines{" 1abc 1 1 G ? A 72 72 C ? A W:W C BP 0.53 "
                         "73 73 A ? A H:S T TP 0.80 74 74 U ? A ",
                         " w:h C BF 1.25 75 75 G ? "}));
  EXPECT_EQ(nup_, Lines{"    1    72 W:W C BP   73 H:S T TP   75 s:h T TP   74 w:h C BF"});
}

// .nup groups when a pair is "BF": the others fill groups 1-3 in slot order,
// empty groups stay between, the first "BF" pair stands in group 4.
struct NupCase {
  const char* what;
  std::vector<P> pairs;
  std::string line;
};

void PrintTo(const NupCase& c, std::ostream* os) { *os << c.what; }

class NupBifurcated : public Records, public ::testing::WithParamInterface<NupCase> {};

TEST_P(NupBifurcated, Groups) {
  set_list(1, GetParam().pairs);
  report();
  EXPECT_EQ(nup_, Lines{GetParam().line}) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NupBifurcated,
    ::testing::Values(
        NupCase{"BP, BF: two empty groups",
                {p72, {73, "w:h", 'T', 0.9f}},
                "    1    72 W:W C BP    0             0            73 w:h T BF"},
        NupCase{"BP, BF, TP",
                {p72, {73, "+:S", 'T', 0.9f}, {74, "H:H", 'C', 1.0f}},
                "    1    72 W:W C BP   74 H:H C TP    0            73 +:S T BF"},
        NupCase{"a second BF pair keeps its place among the others",
                {p72, {73, "w:h", 'T', 0.9f}, {74, "+:S", 'C', 1.0f}},
                "    1    72 W:W C BP   74 +:S C BF    0            73 w:h T BF"},
        NupCase{"five pairs with BF: four groups, group 4 the first BF pair",
                {p72, p73, {74, "S:H", 'C', 1.25f}, {75, "w:h", 'T', 1.6f},
                 {76, "h:s", 'C', 1.7f}},
                "    1    72 W:W C BP   73 H:S T TP   74 S:H C TP   75 w:h T BF"}));

TEST_F(Records, FivePairsContinueOnAFurtherLine) {
  set_list(1, {p72, p73, {74, "S:H", 'C', 1.25f}, {75, "h:s", 'T', 1.60f},
               {76, "s:w", 'C', 1.70f}});
  report();
  EXPECT_EQ(out_, (Lines{"     1       1   G ? A   "
                         "    72    72   C ? A    W:WC BP 0.53"
                         "    73    73   A ? A    H:ST TP 0.80"
                         "    74    74   U ? A    S:HC TP 1.25"
                         "    75    75   G ? A    h:sT TP 1.60",
                         "    76    76   C ? B    s:wC TP 1.70"}));
  EXPECT_EQ(nup_, (Lines{"    1    72 W:W C BP   73 H:S T TP   74 S:H C TP   75 h:s T TP",
                         "   76 s:w C TP"}));
  // Nothing of the fifth pair reaches _pairing.csv.
  EXPECT_EQ(csv_, (Lines{" 1abc 1 1 G ? A 72 72 C ? A W:W C BP 0.53 "
                         "73 73 A ? A H:S T TP 0.80 74 74 U ? A ",
                         " S:H C TP 1.25 75 75 G ? "}));
}

TEST_F(Records, WideNumbersPrintAsAsterisks) {
  // Own number 123456 fits I7; as a partner number (I5) it does not, nor
  // does a serial of 100000 in any I5.
  set_residue(1, 123456, "  G", "A   ");
  set_residue(100000, 123456, "  C", "A   ");
  set_list(1, {{100000, "W:W", 'C', 0.53f}});
  report();
  EXPECT_EQ(out_, Lines{"     1  123456   G ? A    ***** *****   C ? A    W:WC BP 0.53"});
  EXPECT_EQ(nup_, Lines{"    1 ***** W:W C BP"});
  EXPECT_EQ(csv_, Lines{" 1abc 1 123456 G ? A 100000 123456 C ? A W:W C BP 0.53 " +
                        blanks(22)});
}

TEST_F(Records, LargeEValues) {
  // F5.2 in .out: 12.5 fills the field right behind the indicator, 123.4 is
  // too wide; F10.2 in _pairing.csv holds both.
  set_list(1, {{72, "W:W", 'C', 12.5f}, {73, "H:S", 'T', 123.4f}});
  report();
  EXPECT_EQ(out_, Lines{"     1       1   G ? A   "
                        "    72    72   C ? A    W:WC BP12.50"
                        "    73    73   A ? A    H:ST TP*****"});
  // The wider E-values push four of the 13 blank fields onto a second line.
  EXPECT_EQ(csv_, (Lines{" 1abc 1 1 G ? A 72 72 C ? A W:W C BP 12.50 "
                         "73 73 A ? A H:S T TP 123.40 " + blanks(9),
                         blanks(5)}));
}

TEST_F(Records, OwnSerialOf100000) {
  torven::beta.ResidueCount = 100000;
  report();
  ASSERT_EQ(out_.size(), 100000u);
  EXPECT_EQ(out_[99998].substr(0, 6), " 99999");
  EXPECT_EQ(out_.back().substr(0, 6), " *****");
  EXPECT_EQ(nup_.back(), "*****");
  EXPECT_EQ(csv_.back().substr(0, 13), " 1abc 100000 ");
}

TEST_F(Records, CsvFieldTexts) {
  // A blank chain gives a one-blank field (two blanks in a row); a
  // four-letter chain and a three-letter name are kept whole.
  set_residue(1, -5, "  G", "    ");
  set_residue(72, 72, "PSU", "ABCD", 'B');
  set_list(1, {p72});
  report();
  EXPECT_EQ(csv_, Lines{" 1abc 1 -5 G ?  72 72 PSU B ABCD W:W C BP 0.53 " + blanks(22)});
  EXPECT_EQ(out_, Lines{"     1      -5   G ?         72    72 PSU B ABCD W:WC BP 0.53"});
}

TEST_F(Records, CsvNameIsTheFirstFourCharactersOfTheOutName) {
  // The structure's name: the .out name without folders and suffix.
  const std::pair<const char*, const char*> cases[] = {
      {"1abc", "1abc"}, {"ab", "ab.o"}, {"", ".out"}, {"  x", "x.  "}};
  for (const auto& [stem, item] : cases) {
    run_.files.stem = stem;
    report();
    std::string line = " ";
    line += item;
    line += " 1 1 G ? A " + blanks(31);
    EXPECT_EQ(csv_, Lines{line}) << stem;
  }
}

}  // namespace
