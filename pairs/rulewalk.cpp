// The rule walk: every rule of the table for every residue, block by block.
#include "common/tables.h"
#include "pairs/geometry.h"
#include "pairs/pairs.h"
#include "pairs/partner_grid.h"
#include "pairs/rules.h"

namespace torven {

void run_rule(const PairRule& rule, std::int32_t i) {
  const auto& at = rule.atoms;
  if (rule.bonds == 3) {
    findhb3(i, rule.typeI, rule.typeJ, at[0][0], at[0][1], at[0][2], at[0][3],
            at[1][0], at[1][1], at[1][2], at[1][3], at[2][0], at[2][1],
            at[2][2], at[2][3], rule.ct, rule.edge_i, rule.edge_j);
  } else {
    findpair(i, rule.typeI, at[0][0], at[0][1], at[0][2], at[0][3], rule.typeJ,
             at[1][0], at[1][1], at[1][2], at[1][3], rule.ct, rule.edge_i,
             rule.edge_j, rule.o2flag);
  }
}

namespace {

template <int N>
void run_block(const PairRule (&block)[N], std::int32_t i, std::int32_t type) {
  for (const PairRule& rule : block) {
    // The evaluators reject another ResType at once; testing here first
    // only saves building their arguments.
    if (rule.typeI == type) run_rule(rule, i);
  }
}

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
  const PartnerGridScope grid;
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t type = geom::res_type(i);
    run_block(BaseRules, i, type);
    if (ch) {
      run_block(ChRules, i, type);
      if (sugar) run_block(ChSugarRules, i, type);
    }
    if (sugar) run_block(SugarRules, i, type);
  }
}

}  // namespace torven
