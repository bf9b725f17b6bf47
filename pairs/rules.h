// The pairing rule table: 334 rules in four blocks, run by RuleWalk for
// every residue in this order: BaseRules, ChRules, ChSugarRules, SugarRules.
#pragma once

#include <cstdint>

namespace torven {

// One pairing rule. Atom names are 4 characters, left-justified and
// blank-padded ("N6  ", "C1* "); bond b is atoms[b][0..3] =
// i_ref, i_at, j_at, j_ref. Bond 3 is only used when bonds == 3.
struct PairRule {
  std::int32_t n;      // rule number within its block, from 1
  std::int32_t typeI;  // ResType the rule applies to
  std::int32_t typeJ;  // ResType of the partners searched
  char ct;             // 'C' (cis) or 'T' (trans)
  char edge_i[4];      // label seen from residue i
  char edge_j[4];      // label seen from the partner: edge_i reversed
  std::int32_t bonds;  // 2 (findpair) or 3 (findhb3)
  std::int32_t o2flag; // two-bond rules: 1 lets bond 2 run from the O2' atom
  char atoms[3][4][5];
};

inline constexpr int kBaseRuleCount = 152;
inline constexpr int kChRuleCount = 80;
inline constexpr int kChSugarRuleCount = 29;
inline constexpr int kSugarRuleCount = 73;

extern const PairRule BaseRules[kBaseRuleCount];
extern const PairRule ChRules[kChRuleCount];
extern const PairRule ChSugarRules[kChSugarRuleCount];
extern const PairRule SugarRules[kSugarRuleCount];

}  // namespace torven
