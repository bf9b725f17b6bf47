// Three-bond rule evaluation: bond 1 and the better of bonds 2 and 3.
#include "common/tables.h"
#include "pairs/geometry.h"
#include "pairs/pairs.h"

namespace torven {

void findhb3(std::int32_t i, std::int32_t typeI, std::int32_t typeJ,
             const AtomName4& i_ref1, const AtomName4& i_at1,
             const AtomName4& j_at1, const AtomName4& j_ref1,
             const AtomName4& i_ref2, const AtomName4& i_at2,
             const AtomName4& j_at2, const AtomName4& j_ref2,
             const AtomName4& i_ref3, const AtomName4& i_at3,
             const AtomName4& j_at3, const AtomName4& j_ref3, char ct,
             const Text<3>& edge_i, const Text<3>& edge_j, PartnerGrid* grid) {
  if (geom::res_type(i) != typeI) return;

  // No surcharge and no O2' rule here: one angle limit per direction and
  // the plain cut-off for every search.
  const float ang = options.CutAngle;
  const float ang2 = options.CutAngle - 20.0f;
  const float cut2 = options.CutDistSq;

  const AtomName4* iref[3] = {&i_ref1, &i_ref2, &i_ref3};
  const AtomName4* iat[3] = {&i_at1, &i_at2, &i_at3};
  const AtomName4* jat[3] = {&j_at1, &j_at2, &j_at3};
  const AtomName4* jref[3] = {&j_ref1, &j_ref2, &j_ref3};

  // Forward searches. A search that cannot run (an atom missing in i)
  // leaves its bond distance 1000.0 and angle 0.0, as an empty result.
  float d[3] = {1000.0f, 1000.0f, 1000.0f};
  float tf[3] = {0.0f, 0.0f, 0.0f};
  std::int32_t jf[3] = {0, 0, 0};
  std::int32_t j1 = 0;
  for (int b = 0; b < 3; ++b) {
    std::int32_t at = 0, ref = 0, katom = 0;
    geom::lookup2(i, *iat[b], *iref[b], at, ref);
    if (at != 0 && ref != 0)
      verify(i, at, ref, *jat[b], typeJ, d[b], tf[b], jf[b], katom, cut2,
             b == 0 ? 0 : j1, ang, 0, 0, grid);
    if (b == 0) {
      j1 = jf[0];
      if (j1 == 0) return;  // bond 1's best candidate is the only one tried
    }
  }
  if (jf[1] == 0 && jf[2] == 0) return;

  // Reverse searches, each run whatever the others find. Each one that
  // runs writes its distance over the forward one (1000.0 when it finds
  // nothing), so a bond missing in reverse spoils its bond pair's E-value.
  float tr[3] = {0.0f, 0.0f, 0.0f};
  std::int32_t r[3] = {0, 0, 0}, a[3] = {0, 0, 0}, jat_atom[3] = {0, 0, 0};
  for (int b = 0; b < 3; ++b) {
    std::int32_t ref = 0;
    geom::lookup2(j1, *jat[b], *jref[b], jat_atom[b], ref);
    if (jat_atom[b] != 0 && ref != 0)
      verify(j1, jat_atom[b], ref, *iat[b], typeI, d[b], tr[b], r[b], a[b],
             cut2, i, ang2, 0, 0);
  }

  const float e12 = geom::evalue(d[0], d[1], tf[0], tf[1], tr[0], tr[1]);
  const float e13 = geom::evalue(d[0], d[2], tf[0], tf[2], tr[0], tr[2]);
  // A tie, or a value that is not a number, takes bonds 1 and 3.
  const int b = e12 < e13 ? 1 : 2;
  const float E = b == 1 ? e12 : e13;

  // Both bonds of the chosen pair must have been found from the partner's
  // side, or there is no inter-bond angle to judge. That also makes at
  // least two of the three reverse searches find i.
  if (r[0] != i || r[b] != i) return;
  if (!(E <= options.CutEnergy)) return;
  const float omega = geom::vector_angle(jat_atom[0], a[0], jat_atom[b], a[b]);
  if (!(omega <= 90.0f)) return;

  PairAppend(i, j1, ct, edge_i, edge_j, E, omega);
}

}  // namespace torven
