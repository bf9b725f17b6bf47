// The rule walk over the whole table, with hand-built fixtures.
#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <vector>

#include "pairs/pairs.h"
#include "pairs/rules.h"
#include "pairs_fixture.h"

namespace {

using namespace torven;
using pairs_test::add_residue;
using pairs_test::Atom;
using pairs_test::pairs_of;

// Rule r's pair in straight integer geometry (every cosine exactly -1):
// bonds 1 and 2 along +x at y = 0 and y = 2, bond 3 along +z at y = -2.
// Residue 1 holds the i atoms, residue 2 (another chain) the partner's.
void place(const PairRule& r) {
  const auto& a = r.atoms;
  std::vector<Atom> i = {{a[0][0], -1, 0, 0}, {a[0][1], 0, 0, 0},
                         {a[1][0], -1, 2, 0}, {a[1][1], 0, 2, 0}};
  std::vector<Atom> j = {{a[0][2], 3, 0, 0}, {a[0][3], 4, 0, 0},
                         {a[1][2], 3, 2, 0}, {a[1][3], 4, 2, 0}};
  if (r.bonds == 3) {
    i.push_back({a[2][0], 0, -2, -1});
    i.push_back({a[2][1], 0, -2, 0});
    j.push_back({a[2][2], 0, -2, 3});
    j.push_back({a[2][3], 0, -2, 4});
  }
  add_residue(r.typeI, "A   ", i);
  add_residue(r.typeJ, "B   ", j);
}

// The straight fixture needs the atom names of each residue to differ.
bool distinct_atoms(const PairRule& r) {
  std::set<std::string> i, j;
  for (int b = 0; b < r.bonds; ++b) {
    i.insert(r.atoms[b][0]);
    i.insert(r.atoms[b][1]);
    j.insert(r.atoms[b][2]);
    j.insert(r.atoms[b][3]);
  }
  return static_cast<int>(i.size()) == 2 * r.bonds &&
         static_cast<int>(j.size()) == 2 * r.bonds;
}

TEST(RuleWalk, EveryRuleFindsItsPairOnlyWhenItsBlockRuns) {
  struct Block {
    const char* name;
    std::span<const PairRule> rules;
    bool (*runs)(int ch, int sg);
  };
  const Block blocks[] = {
      {"BaseRules", BaseRules, [](int, int) { return true; }},
      {"ChRules", ChRules, [](int ch, int) { return ch == 1; }},
      {"ChSugarRules", ChSugarRules, [](int ch, int sg) { return ch == 1 && sg == 1; }},
      {"SugarRules", SugarRules, [](int, int sg) { return sg == 1; }},
  };
  int tried = 0;
  for (const Block& b : blocks) {
    for (const PairRule& r : b.rules) {
      if (!distinct_atoms(r)) continue;
      ++tried;
      // Residue 1's entry from its own turn, and (for a rule between two
      // residues of one type) the one from the partner's turn.
      const std::string mine = "2 " + std::string(r.edge_i) + " " + r.ct;
      const std::string mine_back = "2 " + std::string(r.edge_j) + " " + r.ct;
      const std::set<std::string> ok1 =
          r.typeI == r.typeJ ? std::set<std::string>{mine, mine_back} : std::set<std::string>{mine};
      // Flag values: 1 on, 0 off; only exactly 1 counts as on.
      for (int ch : {0, 1, 2}) {
        for (int sg : {0, 1, 2}) {
          pairs_test::start();
          driver.ChoHbFlag = ch;
          driver.SugarHbFlag = sg;
          place(r);
          RuleWalk();
          const auto got = pairs_of(1);
          if (b.runs(ch, sg)) {
            ASSERT_FALSE(got.empty()) << b.name << " rule " << r.n << " ch " << ch << " sg " << sg;
            EXPECT_EQ(got[0], mine) << b.name << " rule " << r.n;
            for (const auto& e : got) EXPECT_TRUE(ok1.count(e)) << b.name << " rule " << r.n << ": " << e;
            // The partner holds the same entries, mirrored.
            const auto back = pairs_of(2);
            ASSERT_EQ(back.size(), got.size());
            for (std::size_t k = 0; k < got.size(); ++k) {
              std::string m = got[k];
              std::swap(m[2], m[4]);
              m[0] = '1';
              EXPECT_EQ(back[k], m) << b.name << " rule " << r.n;
            }
          } else {
            EXPECT_TRUE(got.empty()) << b.name << " rule " << r.n << " ch " << ch << " sg " << sg;
          }
        }
      }
    }
  }
  EXPECT_GT(tried, 300);
}

TEST(RuleWalk, ThreeBondRulesNeedBond1AndEitherOther) {
  for (const PairRule* r : {&BaseRules[87], &BaseRules[88], &BaseRules[130]}) {
    ASSERT_EQ(r->bonds, 3);
    ASSERT_TRUE(distinct_atoms(*r));
    for (int without : {1, 2}) {  // bond 2, then bond 3, without its partner atom
      pairs_test::start();
      place(*r);
      const std::int32_t k = pairs_test::atom_of(2, r->atoms[without][2]);
      names.AtomName[k] = "XX  ";
      RuleWalk();
      ASSERT_FALSE(pairs_of(1).empty()) << "rule " << r->n << " without bond " << without + 1;
      EXPECT_EQ(pairs_of(1)[0], "2 " + std::string(r->edge_i) + " " + r->ct);
    }
  }  // nearly the whole table has distinct atom names
}

TEST(RuleWalk, SameTypePairIsRecordedInTheTurnOfEach) {
  // BaseRules rule 1 (A-A trans W:W) finds residue 2 in residue 1's turn
  // and residue 1 in residue 2's turn: two entries on each list.
  pairs_test::start();
  place(BaseRules[0]);
  RuleWalk();
  EXPECT_EQ(pairs_of(1), (std::vector<std::string>{"2 W:W T", "2 W:W T"}));
  EXPECT_EQ(pairs_of(2), (std::vector<std::string>{"1 W:W T", "1 W:W T"}));
  // A second walk starts from empty lists.
  RuleWalk();
  EXPECT_EQ(pairs_of(1).size(), 2u);
}

TEST(RuleWalk, ClearsTheListsOfItsResiduesFirst) {
  pairs_test::start();
  add_residue(kA, "A   ", {{"N6  ", 0, 0, 0}});
  add_residue(kU, "B   ", {{"O4  ", 3, 0, 0}});
  add_residue(kG, "C   ", {{"N1  ", 9, 0, 0}});
  PairAppend(2, 3, 'C', "W:W", "W:W", 1.0f, 0.0f);
  PairAppend(1, 2, 'T', "W:H", "H:W", 1.0f, 0.0f);
  beta.ResidueCount = 0;  // no count is reset, no rule runs
  RuleWalk();
  EXPECT_EQ(pairs_of(2), (std::vector<std::string>{"3 W:W C", "1 H:W T"}));
  beta.ResidueCount = 3;
  RuleWalk();
  EXPECT_TRUE(pairs_of(1).empty());
  EXPECT_TRUE(pairs_of(2).empty());
  EXPECT_TRUE(pairs_of(3).empty());
}

}  // namespace
