// The rule table against every count and pattern its documentation states.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/tables.h"
#include "pairs/rules.h"

namespace {

using torven::PairRule;

struct Block {
  const char* name;
  std::span<const PairRule> rules;
};

const std::vector<Block>& blocks() {
  static const std::vector<Block> b = {
      {"BaseRules", torven::BaseRules},
      {"ChRules", torven::ChRules},
      {"ChSugarRules", torven::ChSugarRules},
      {"SugarRules", torven::SugarRules}};
  return b;
}

std::string atom(const PairRule& r, int bond, int k) {
  return std::string(r.atoms[bond][k], 4);
}

std::string bond(const PairRule& r, int b) {
  std::string s;
  for (int k = 0; k < 4; ++k) s += atom(r, b, k) + "|";
  return s;
}

std::string edge(const char* e) { return std::string(e, 3); }

TEST(PairRules, BlockSizesBondsOrientationsAndNumbering) {
  struct Want {
    int rules, two, three, cis, trans, o2flag_two_bond;
  };
  const Want want[] = {{152, 149, 3, 65, 87, 0},
                       {80, 80, 0, 47, 33, 0},
                       {29, 28, 1, 9, 20, 1},
                       {73, 73, 0, 44, 29, 1}};
  int total = 0, cis = 0, trans = 0, three = 0;
  for (std::size_t b = 0; b < blocks().size(); ++b) {
    const auto& blk = blocks()[b];
    SCOPED_TRACE(blk.name);
    int two = 0, thr = 0, c = 0, t = 0;
    for (std::size_t k = 0; k < blk.rules.size(); ++k) {
      const PairRule& r = blk.rules[k];
      EXPECT_EQ(r.n, static_cast<int>(k) + 1);
      ASSERT_TRUE(r.bonds == 2 || r.bonds == 3);
      if (r.bonds == 2) {
        ++two;
        EXPECT_EQ(r.o2flag, want[b].o2flag_two_bond) << "rule " << r.n;
      } else {
        ++thr;
        EXPECT_EQ(r.o2flag, 0) << "rule " << r.n;
      }
      ASSERT_TRUE(r.ct == 'C' || r.ct == 'T') << "rule " << r.n;
      (r.ct == 'C' ? c : t)++;
    }
    EXPECT_EQ(static_cast<int>(blk.rules.size()), want[b].rules);
    EXPECT_EQ(two, want[b].two);
    EXPECT_EQ(thr, want[b].three);
    EXPECT_EQ(c, want[b].cis);
    EXPECT_EQ(t, want[b].trans);
    total += static_cast<int>(blk.rules.size());
    cis += c;
    trans += t;
    three += thr;
  }
  EXPECT_EQ(total, 334);
  EXPECT_EQ(three, 4);
  EXPECT_EQ(cis, 165);
  EXPECT_EQ(trans, 169);
}

TEST(PairRules, ThreeBondRulesAreTheNamedOnes) {
  std::vector<std::string> found;
  for (const auto& blk : blocks())
    for (const PairRule& r : blk.rules)
      if (r.bonds == 3) found.push_back(std::string(blk.name) + " " + std::to_string(r.n));
  EXPECT_EQ(found, (std::vector<std::string>{"BaseRules 88", "BaseRules 89",
                                             "BaseRules 131", "ChSugarRules 4"}));
}

TEST(PairRules, EdgeLabelCountsAndMirroredPartnerLabel) {
  const std::map<std::string, int> want[] = {
      {{"W:W", 47}, {"W:H", 22}, {"W:+", 6}, {"+:W", 6}, {"W:S", 6},
       {"S:W", 21}, {"H:W", 11}, {"H:H", 5}, {"S:H", 6}, {"S:S", 6},
       {"H:+", 4}, {"+:H", 3}, {"S:+", 3}, {"z:H", 3}, {"z:W", 3}},
      {{"h:h", 14}, {"h:w", 14}, {"h:s", 11}, {"z:h", 2}, {"w:h", 13},
       {"s:w", 8}, {"s:h", 5}, {"w:w", 5}, {"w:s", 5}, {"s:s", 3}},
      {{"s:h", 19}, {"s:w", 6}, {"s:s", 4}},
      {{"S:W", 37}, {"S:H", 17}, {"S:S", 17}, {"S:+", 2}}};
  for (std::size_t b = 0; b < blocks().size(); ++b) {
    SCOPED_TRACE(blocks()[b].name);
    std::map<std::string, int> got;
    for (const PairRule& r : blocks()[b].rules) {
      ++got[edge(r.edge_i)];
      std::string mirror = edge(r.edge_i);
      std::swap(mirror[0], mirror[2]);
      EXPECT_EQ(edge(r.edge_j), mirror) << "rule " << r.n;
      EXPECT_EQ(r.edge_i[3], '\0');
      EXPECT_EQ(r.edge_j[3], '\0');
    }
    EXPECT_EQ(got, want[b]);
  }
  // The two 'z' labels of ChRules are its rules 36 and 37.
  EXPECT_EQ(torven::ChRules[35].edge_i[0], 'z');
  EXPECT_EQ(torven::ChRules[36].edge_i[0], 'z');
}

TEST(PairRules, RulesPerResidueTypeByBlock) {
  // Columns A, G, C, U, N6G, PSU, QUO.
  const int want[4][7] = {{20, 36, 17, 10, 35, 7, 27},
                          {41, 13, 3, 4, 15, 2, 2},
                          {4, 2, 8, 9, 1, 4, 1},
                          {8, 6, 22, 19, 5, 8, 5}};
  for (std::size_t b = 0; b < blocks().size(); ++b) {
    SCOPED_TRACE(blocks()[b].name);
    int got[7] = {};
    for (const PairRule& r : blocks()[b].rules) {
      ASSERT_GE(r.typeI, 1);
      ASSERT_LE(r.typeI, 7);
      ASSERT_GE(r.typeJ, 1);
      ASSERT_LE(r.typeJ, 7);
      ++got[r.typeI - 1];
    }
    for (int t = 0; t < 7; ++t) EXPECT_EQ(got[t], want[b][t]) << "type " << t + 1;
  }
}

TEST(PairRules, AtomNamesAreTheRuleAtomsBlankPadded) {
  const std::set<std::string> allowed = {
      "C1* ", "C1  ", "C2  ", "C4  ", "C5  ", "C6  ", "C7  ", "C8  ", "N1  ",
      "N2  ", "N3  ", "N4  ", "N6  ", "N7  ", "N9  ", "O2  ", "O4  ", "O6  "};
  int c1_plain = 0;
  for (const auto& blk : blocks())
    for (const PairRule& r : blk.rules)
      for (int b = 0; b < r.bonds; ++b)
        for (int k = 0; k < 4; ++k) {
          EXPECT_EQ(r.atoms[b][k][4], '\0');
          EXPECT_TRUE(allowed.count(atom(r, b, k)))
              << blk.name << " rule " << r.n << ": '" << atom(r, b, k) << "'";
          if (atom(r, b, k) == "C1  ") ++c1_plain;
        }
  EXPECT_EQ(c1_plain, 1);
  // The one "C1  " is ChRules rule 37's j_ref of bond 1, kept as its row has it.
  EXPECT_EQ(atom(torven::ChRules[36], 0, 3), "C1  ");
}

TEST(PairRules, BlockPatterns) {
  auto carbon = [](const std::string& a) { return a[0] == 'C'; };
  for (const PairRule& r : torven::BaseRules)
    for (int b = 0; b < r.bonds; ++b)
      for (int k : {1, 2})
        EXPECT_TRUE(atom(r, b, k)[0] == 'N' || atom(r, b, k)[0] == 'O')
            << "BaseRules rule " << r.n;
  for (const PairRule& r : torven::ChRules) {
    bool has_ch = false;
    for (int b = 0; b < r.bonds; ++b)
      has_ch = has_ch || carbon(atom(r, b, 1)) || carbon(atom(r, b, 2));
    EXPECT_TRUE(has_ch) << "ChRules rule " << r.n;
  }
  // The sugar bond: i_at2 C1*, i_ref2 C8 for purine types and C6 for
  // pyrimidine types; SugarRules rule 66 measures its angle at N4 from C5.
  auto sugar_bond = [&](const PairRule& r, const char* blk, char first) {
    EXPECT_EQ(r.edge_i[0], first) << blk << " rule " << r.n;
    if (std::string(blk) == "SugarRules" && r.n == 66) {
      EXPECT_EQ(atom(r, 1, 0), "C5  ");
      EXPECT_EQ(atom(r, 1, 1), "N4  ");
      return;
    }
    const bool purine = r.typeI == torven::kA || r.typeI == torven::kG ||
                        r.typeI == torven::kN6G || r.typeI == torven::kQUO;
    for (int b = 1; b < r.bonds; ++b) {
      EXPECT_EQ(atom(r, b, 1), "C1* ") << blk << " rule " << r.n;
      EXPECT_EQ(atom(r, b, 0), purine ? "C8  " : "C6  ") << blk << " rule " << r.n;
    }
  };
  for (const PairRule& r : torven::ChSugarRules) sugar_bond(r, "ChSugarRules", 's');
  for (const PairRule& r : torven::SugarRules) sugar_bond(r, "SugarRules", 'S');
}

TEST(PairRules, RowsCitedByNumber) {
  using torven::BaseRules, torven::ChSugarRules, torven::SugarRules, torven::ChRules;
  struct Case {
    const PairRule& rule;
    int bond;
    const char* atoms;
  };
  const Case cases[] = {
      {BaseRules[0], 0, "N7  |N6  |N1  |N9  |"},
      {BaseRules[0], 1, "N9  |N1  |N6  |N7  |"},
      {BaseRules[87], 2, "N1  |O2  |N2  |N3  |"},
      {BaseRules[130], 2, "C1* |O2  |N4  |C5  |"},
      {ChSugarRules[6], 0, "C5  |N3  |N4  |N3  |"},
      {ChSugarRules[7], 1, "C8  |C1* |N3  |N4  |"},
      {ChSugarRules[26], 1, "C6  |C1* |O4  |N3  |"},
      {ChSugarRules[27], 1, "C6  |C1* |O4  |N3  |"},
      {ChSugarRules[28], 1, "C6  |C1* |N3  |O4  |"},
      {ChSugarRules[3], 2, "C6  |C1* |N1  |C5  |"},
      {ChSugarRules[20], 0, "N3  |O2  |C8  |C4  |"},
      {ChSugarRules[20], 1, "C6  |C1* |N7  |C2  |"},
      {SugarRules[65], 1, "C5  |N4  |O2  |N3  |"},
      {SugarRules[71], 1, "C6  |C1* |O2  |N3  |"},
  };
  for (const Case& c : cases) EXPECT_EQ(bond(c.rule, c.bond), c.atoms) << "rule " << c.rule.n;

  // A few whole rows: types, orientation and label.
  EXPECT_EQ(BaseRules[0].typeI, torven::kA);
  EXPECT_EQ(BaseRules[0].ct, 'T');
  EXPECT_EQ(BaseRules[87].typeI, torven::kC);
  EXPECT_EQ(BaseRules[87].typeJ, torven::kG);
  EXPECT_EQ(edge(BaseRules[87].edge_i), "W:W");
  EXPECT_EQ(BaseRules[89].typeJ, torven::kN6G);
  EXPECT_EQ(edge(BaseRules[89].edge_i), "W:W");
  EXPECT_EQ(BaseRules[128].typeI, torven::kC);
  EXPECT_EQ(BaseRules[128].typeJ, torven::kC);
  EXPECT_EQ(BaseRules[128].bonds, 2);
  EXPECT_EQ(edge(BaseRules[130].edge_i), "W:+");
  EXPECT_EQ(ChRules[36].typeI, torven::kA);
  EXPECT_EQ(ChRules[36].typeJ, torven::kG);
  EXPECT_EQ(ChSugarRules[20].typeI, torven::kU);
  EXPECT_EQ(ChSugarRules[20].typeJ, torven::kU);
  EXPECT_EQ(SugarRules[65].typeJ, torven::kPSU);
  EXPECT_EQ(SugarRules[71].typeI, torven::kU);
  EXPECT_EQ(SugarRules[71].typeJ, torven::kPSU);
}

}  // namespace
