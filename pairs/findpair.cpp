// Two-bond rule evaluation and the recording of an accepted pair.
#include "common/tables.h"
#include "pairs/geometry.h"
#include "pairs/pairs.h"

namespace torven {

void PairAppend(std::int32_t i, std::int32_t j, char ct, const Text<3>& edge_i,
                const Text<3>& edge_j, float E, float omega) {
  // The lists grow with the input: an accepted pair is never dropped.
  PairSlot a;
  a.PairPartners = j;
  a.PairEdges = edge_i;
  a.PairOrientation = ct;
  a.PairEnergy = E;
  a.PairAngle = omega;
  hbqua.PairList[i].push_back(a);
  PairSlot b = a;
  b.PairPartners = i;
  b.PairEdges = edge_j;
  hbqua.PairList[j].push_back(b);
}

void findpair(std::int32_t i, std::int32_t typeI, const AtomName4& i_ref1,
              const AtomName4& i_at1, const AtomName4& j_at1,
              const AtomName4& j_ref1, std::int32_t typeJ,
              const AtomName4& i_ref2, const AtomName4& i_at2,
              const AtomName4& j_at2, const AtomName4& j_ref2, char ct,
              const Text<3>& edge_i, const Text<3>& edge_j,
              std::int32_t o2flag, PartnerGrid* grid) {
  if (geom::res_type(i) != typeI) return;

  // '+' and 'z' edges need straighter bonds in both directions.
  auto bent = [](char c) { return c == '+' || c == 'z'; };
  const float ang =
      bent(edge_i.at(1)) || bent(edge_j.at(1)) ? options.CutAngle + 30.0f
                                               : options.CutAngle;
  const float ang2 = ang - 20.0f;
  const float cut2 = options.CutDistSq;
  const float d2cut = o2flag != 0 ? options.CutDistSq + 2.0f : options.CutDistSq;

  // Bond 1 forward, over all residues: its best candidate is the only
  // partner ever tried.
  std::int32_t at1 = 0, ref1 = 0;
  geom::lookup2(i, i_at1, i_ref1, at1, ref1);
  if (at1 == 0 || ref1 == 0) return;
  float d1 = 0.0f, t1f = 0.0f;
  std::int32_t j1 = 0, k1 = 0;
  verify(i, at1, ref1, j_at1, typeJ, d1, t1f, j1, k1, cut2, 0, ang, 0, 0, grid);
  if (j1 == 0) return;

  // Bond 2 forward, in j1 only; under o2flag measured from i's O2' atom
  // when it has one.
  std::int32_t at2 = 0, ref2 = 0;
  geom::lookup2(i, i_at2, i_ref2, at2, ref2);
  if (at2 == 0 || ref2 == 0) return;
  std::int32_t o2_origin = 0;
  if (o2flag != 0) {
    std::int32_t unused = 0;
    geom::lookup2(i, Text<4>("O2* "), Text<4>("O2* "), o2_origin, unused);
  }
  float d2 = 0.0f, t2f = 0.0f;
  std::int32_t j2 = 0, k2 = 0;
  verify(i, at2, ref2, j_at2, typeJ, d2, t2f, j2, k2, d2cut, j1, ang,
         o2_origin, 0);
  if (j2 != j1) return;

  // Both bonds again from the partner's side, in i only.
  float unused_d = 0.0f, t1r = 0.0f, t2r = 0.0f;
  std::int32_t r1 = 0, a1 = 0, r2 = 0, a2 = 0;
  std::int32_t jat1 = 0, jref1 = 0, jat2 = 0, jref2 = 0;
  geom::lookup2(j1, j_at1, j_ref1, jat1, jref1);
  if (jat1 != 0 && jref1 != 0)
    verify(j1, jat1, jref1, i_at1, typeI, unused_d, t1r, r1, a1, cut2, i, ang2,
           0, 0);
  geom::lookup2(j1, j_at2, j_ref2, jat2, jref2);
  if (jat2 != 0 && jref2 != 0)
    verify(j1, jat2, jref2, i_at2, typeI, unused_d, t2r, r2, a2, d2cut, i,
           ang2, 0, o2flag != 0 ? 1 : 0);
  if (r1 != i || r2 != i) return;

  const float E = geom::evalue(d1, d2, t1f, t2f, t1r, t2r);
  if (!(E <= options.CutEnergy)) return;
  const float omega = geom::vector_angle(jat1, a1, jat2, a2);
  if (!(omega <= 90.0f)) return;

  PairAppend(i, j1, ct, edge_i, edge_j, E, omega);
}

}  // namespace torven
