// Base-pair rules: the rule walk, the rule evaluators and the partner
// search.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace torven {

using AtomName4 = Text<4>;
class PartnerGrid;

// A search over all residues (only_res 0) visits only those within reach
// when a partner grid of the tables as they stand is given.
void verify(std::int32_t res, std::int32_t vertex, std::int32_t ref_atom,
            const AtomName4& partner_name, std::int32_t partner_type,
            float& dist, float& angle, std::int32_t& partner_res,
            std::int32_t& partner_atom, float cut2, std::int32_t only_res,
            float min_angle, std::int32_t origin, std::int32_t o2_alt,
            PartnerGrid* grid = nullptr);

void findpair(std::int32_t i, std::int32_t typeI, const AtomName4& i_ref1,
              const AtomName4& i_at1, const AtomName4& j_at1,
              const AtomName4& j_ref1, std::int32_t typeJ,
              const AtomName4& i_ref2, const AtomName4& i_at2,
              const AtomName4& j_at2, const AtomName4& j_ref2, char ct,
              const Text<3>& edge_i, const Text<3>& edge_j, std::int32_t o2flag,
              PartnerGrid* grid = nullptr);

void findhb3(std::int32_t i, std::int32_t typeI, std::int32_t typeJ,
             const AtomName4& i_ref1, const AtomName4& i_at1,
             const AtomName4& j_at1, const AtomName4& j_ref1,
             const AtomName4& i_ref2, const AtomName4& i_at2,
             const AtomName4& j_at2, const AtomName4& j_ref2,
             const AtomName4& i_ref3, const AtomName4& i_at3,
             const AtomName4& j_at3, const AtomName4& j_ref3, char ct,
             const Text<3>& edge_i, const Text<3>& edge_j, PartnerGrid* grid = nullptr);

void PairAppend(std::int32_t i, std::int32_t j, char ct, const Text<3>& edge_i,
                const Text<3>& edge_j, float E, float omega);

// Sets every pair count to 0 and runs the rule table for every residue.
void RuleWalk();

}  // namespace torven
