// The partner search: a scan over the residues of the partner type, with the
// atom columns read through raw pointers. A partner grid, when the caller
// has one, narrows a scan over all residues to the residues within reach;
// the result is the one of the scan over all residues.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "pairs/geometry.h"
#include "pairs/pairs.h"
#include "pairs/partner_grid.h"

namespace torven {
namespace {

// Reads the atom columns either through raw pointers (for atoms every
// column holds) or through the checked accessors (beyond the end of a
// column everything reads as zero).
struct RawAtoms {
  const Text<4>* name;
  const float* x;
  const float* y;
  const float* z;
  std::uint32_t nm(std::int32_t k) const { return geom::word(name[k]); }
  float X(std::int32_t k) const { return x[k]; }
  float Y(std::int32_t k) const { return y[k]; }
  float Z(std::int32_t k) const { return z[k]; }
};

struct CheckedAtoms {
  std::uint32_t nm(std::int32_t k) const {
    return geom::word(names.AtomName.get(k));
  }
  float X(std::int32_t k) const { return geom::X(k); }
  float Y(std::int32_t k) const { return geom::Y(k); }
  float Z(std::int32_t k) const { return geom::Z(k); }
};

// What one search holds fixed while it scans the residues.
struct Probe {
  float vx, vy, vz;         // vertex
  float ox, oy, oz;         // where distances are measured from
  float ux, uy, uz;         // vertex - ref_atom
  float ulen;               // its length
  std::uint32_t want;       // partner_name
  float cut2;
  float min_angle;
  bool o2_alt;
};

struct Best {
  bool found = false;
  float angle = 0.0f;
  float d2 = 0.0f;
  std::int32_t res = 0;
  std::int32_t atom = 0;
};

const std::uint32_t kO2Word = geom::word(Text<4>("O2* "));

// Candidate k of residue j: the distance test, then the pseudo angle.
template <class Atoms>
inline void try_candidate(const Atoms& at, const Probe& p, std::int32_t j,
                          std::int32_t k, bool o2_pass, Best& best) {
  float kx = at.X(k), ky = at.Y(k), kz = at.Z(k);
  float d2 = geom::sq_length(p.ox - kx, p.oy - ky, p.oz - kz);
  if (!(d2 <= p.cut2 || o2_pass)) return;
  float wx = p.vx - kx, wy = p.vy - ky, wz = p.vz - kz;
  float dot = p.ux * wx + p.uy * wy + p.uz * wz;
  float theta =
      std::acos(dot / (p.ulen * std::sqrt(geom::sq_length(wx, wy, wz)))) *
      geom::kDegPerRad;
  if (theta >= p.min_angle && (!best.found || theta > best.angle)) {
    best.found = true;
    best.angle = theta;
    best.d2 = d2;
    best.res = j;
    best.atom = k;
  }
}

template <class Atoms>
void scan_residue(const Atoms& at, const Probe& p, std::int32_t j,
                  std::int32_t first, std::int32_t last, Best& best) {
  bool o2_pass = false;
  if (p.o2_alt) {
    std::int32_t o2 = 0;
    for (std::int32_t k = first; k <= last; ++k)
      if (at.nm(k) == kO2Word) o2 = k;
    if (o2 != 0)
      o2_pass = geom::sq_length(p.vx - at.X(o2), p.vy - at.Y(o2),
                                p.vz - at.Z(o2)) <= p.cut2;
  }
  // Names are compared eight at a time into a bit mask (a loop the
  // compiler can vectorise); the matches are then taken in ascending order.
  std::int32_t k = first;
  for (; k + 7 <= last; k += 8) {
    unsigned mask = 0;
    for (int t = 0; t < 8; ++t)
      mask |= static_cast<unsigned>(at.nm(k + t) == p.want) << t;
    while (mask != 0) {
      const int t = std::countr_zero(mask);
      mask &= mask - 1;
      try_candidate(at, p, j, k + t, o2_pass, best);
    }
  }
  for (; k <= last; ++k)
    if (at.nm(k) == p.want) try_candidate(at, p, j, k, o2_pass, best);
}


}  // namespace

void verify(std::int32_t res, std::int32_t vertex, std::int32_t ref_atom,
            const AtomName4& partner_name, std::int32_t partner_type,
            float& dist, float& angle, std::int32_t& partner_res,
            std::int32_t& partner_atom, float cut2, std::int32_t only_res,
            float min_angle, std::int32_t origin, std::int32_t o2_alt, PartnerGrid* grid) {
  dist = 1000.0f;
  angle = 0.0f;
  partner_res = 0;
  partner_atom = 0;

  std::int32_t from = 1, to = beta.ResidueCount;
  if (only_res != 0) from = to = only_res;
  if (to < from) return;

  Probe p;
  p.vx = geom::X(vertex);
  p.vy = geom::Y(vertex);
  p.vz = geom::Z(vertex);
  const std::int32_t o = origin != 0 ? origin : vertex;
  p.ox = geom::X(o);
  p.oy = geom::Y(o);
  p.oz = geom::Z(o);
  p.ux = p.vx - geom::X(ref_atom);
  p.uy = p.vy - geom::Y(ref_atom);
  p.uz = p.vz - geom::Z(ref_atom);
  p.ulen = std::sqrt(geom::sq_length(p.ux, p.uy, p.uz));
  p.want = geom::word(partner_name);
  p.cut2 = cut2;
  p.min_angle = min_angle;
  p.o2_alt = o2_alt == 1;

  const std::uint32_t own_chain =
      geom::word(chains.AtomChainId.get(beta.ResFirstAtom.get(res)));
  const bool adjacent_ok = beta.AdjacentPairFlag == 1;

  // Atoms below atom_end are held by every atom column, residues below
  // res_end by both residue columns; anything else goes the checked way.
  std::int64_t atom_end = static_cast<std::int64_t>(names.AtomName.allocated());
  for (std::size_t n : {alpha.AtomX.allocated(), alpha.AtomY.allocated(),
                        alpha.AtomZ.allocated(), chains.AtomChainId.allocated(),
                        gama.AtomResType.allocated()})
    atom_end = std::min<std::int64_t>(atom_end, static_cast<std::int64_t>(n));
  const std::int64_t res_end = static_cast<std::int64_t>(std::min(
      beta.ResFirstAtom.allocated(), beta.ResLastAtom.allocated()));

  const std::int32_t* rfirst = beta.ResFirstAtom.data();
  const std::int32_t* rlast = beta.ResLastAtom.data();
  const std::int32_t* rtype = gama.AtomResType.data();
  const Text<4>* rchain = chains.AtomChainId.data();
  const RawAtoms raw{names.AtomName.data(), alpha.AtomX.data(),
                     alpha.AtomY.data(), alpha.AtomZ.data()};
  const CheckedAtoms checked;

  auto type_of = [&](std::int32_t j) {
    std::int32_t first = j >= 0 && j < res_end ? rfirst[j] : beta.ResFirstAtom.get(j);
    return first >= 0 && first < atom_end ? rtype[first] : gama.AtomResType.get(first);
  };
  // Residue j, already known to be of the partner type.
  Best best;
  auto search = [&](std::int32_t j) {
    std::int32_t first, last;
    if (j >= 0 && j < res_end) {
      first = rfirst[j];
      last = rlast[j];
    } else {
      first = beta.ResFirstAtom.get(j);
      last = beta.ResLastAtom.get(j);
    }
    const bool fast = first >= 0 && first < atom_end && last < atom_end;
    const std::uint32_t chain = geom::word(
        fast ? rchain[first] : chains.AtomChainId.get(first));
    if (chain == own_chain && std::abs(static_cast<std::int64_t>(j) - res) <= 2) {
      if (!adjacent_ok || j == res) return;
    }
    if (fast)
      scan_residue(raw, p, j, first, last, best);
    else
      scan_residue(checked, p, j, first, last, best);
  };

  // With the grid, only the residues near the origin (and, for the O2'
  // shortcut, near the vertex) are searched.
  const PartnerGrid::Nearby* near =
      grid != nullptr && only_res == 0 ? grid->nearby(res, o, vertex, p.o2_alt, cut2) : nullptr;
  if (near != nullptr) {
    const std::size_t count = near->residues.size();
    for (std::size_t k = 0; k < count; ++k) {
      const std::int32_t j = near->residues[k];
      if (near->types[k] == partner_type && j >= from && j <= to) search(j);
    }
  } else {
    // The residues are taken in blocks: a first pass keeps those of the
    // partner type (without a branch, since the types are mixed), a second
    // one searches them in ascending order.
    constexpr std::int32_t kBlock = 1024;
    std::int32_t kept[kBlock];
    for (std::int64_t j0 = from; j0 <= to; j0 += kBlock) {
      const std::int32_t j1 =
          static_cast<std::int32_t>(std::min<std::int64_t>(to, j0 + kBlock - 1));
      int n = 0;
      for (std::int32_t j = static_cast<std::int32_t>(j0); j <= j1; ++j) {
        kept[n] = j;
        n += type_of(j) == partner_type;
      }
      for (int m = 0; m < n; ++m) search(kept[m]);
    }
  }

  if (best.found) {
    partner_res = best.res;
    partner_atom = best.atom;
    dist = std::sqrt(best.d2);
    angle = best.angle;
  }
}

}  // namespace torven
