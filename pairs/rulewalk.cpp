// The rule walk: every rule of the table for every residue, block by block.
#include <string_view>
#include <vector>

#include "common/tables.h"
#include "pairs/geometry.h"
#include "pairs/pairs.h"
#include "pairs/partner_grid.h"
#include "pairs/rules.h"

namespace torven {

namespace {

// A rule's names as the evaluators take them: blank-padded texts.
struct RuleNames {
  AtomName4 at[3][4];
  Text<3> edge_i, edge_j;
  explicit RuleNames(const PairRule& rule) : edge_i(rule.edge_i), edge_j(rule.edge_j) {
    for (int b = 0; b < 3; ++b)
      for (int k = 0; k < 4; ++k) at[b][k] = AtomName4(rule.atoms[b][k]);
  }
};

void evaluate(const PairRule& rule, const RuleNames& names, std::int32_t i,
              PartnerGrid* grid) {
  const auto& at = names.at;
  if (rule.bonds == 3) {
    findhb3(i, rule.typeI, rule.typeJ, at[0][0], at[0][1], at[0][2], at[0][3],
            at[1][0], at[1][1], at[1][2], at[1][3], at[2][0], at[2][1],
            at[2][2], at[2][3], rule.ct, names.edge_i, names.edge_j, grid);
  } else {
    findpair(i, rule.typeI, at[0][0], at[0][1], at[0][2], at[0][3], rule.typeJ,
             at[1][0], at[1][1], at[1][2], at[1][3], rule.ct, names.edge_i,
             names.edge_j, rule.o2flag, grid);
  }
}

// One block of the table with the names of its rules made once, not at
// every residue.
class Block {
 public:
  template <int N>
  explicit Block(const PairRule (&rules)[N]) : rules_(rules) {
    names_.reserve(N);
    for (const PairRule& rule : rules) names_.emplace_back(rule);
  }
  void run(std::int32_t i, std::int32_t type, PartnerGrid& grid) const {
    for (std::size_t k = 0; k < names_.size(); ++k) {
      // The evaluators reject another ResType at once; testing here first
      // only saves building their arguments.
      if (rules_[k].typeI == type) evaluate(rules_[k], names_[k], i, &grid);
    }
  }

 private:
  const PairRule* rules_;
  std::vector<RuleNames> names_;
};

}  // namespace

void RuleWalk() {
  const std::int32_t n = beta.ResidueCount;
  for (std::int32_t k = 1; k <= n; ++k) {
    if (static_cast<std::size_t>(k) < hbqua.PairList.allocated())
      hbqua.PairList[k].clear();
  }
  if (n <= 0) return;
  const bool ch = driver.ChoHbFlag == 1;
  const bool sugar = driver.SugarHbFlag == 1;
  const Block base_rules(BaseRules), ch_rules(ChRules), ch_sugar_rules(ChSugarRules),
      sugar_rules(SugarRules);
  // The tables stand still during the walk, so one grid serves it all.
  PartnerGrid grid;
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t type = geom::res_type(i);
    base_rules.run(i, type, grid);
    if (ch) {
      ch_rules.run(i, type, grid);
      if (sugar) ch_sugar_rules.run(i, type, grid);
    }
    if (sugar) sugar_rules.run(i, type, grid);
  }
}

}  // namespace torven
