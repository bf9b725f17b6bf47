// The partner search: a scan over the residues of the partner type, with the
// atom columns read through raw pointers. During the rule walk a grid of the
// residues' atoms narrows the scan to the residues within reach; the result
// is the one of the scan over all residues.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "pairs/geometry.h"
#include "pairs/pairs.h"

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


// ---- the partner grid -------------------------------------------------------
//
// Cells of a cubic grid, each listing the residues (of 1..ResidueCount) that
// have an atom in it. A candidate atom passes the distance test only within
// sqrt(cut2) of the point it is measured from, and the O2' shortcut only
// when the residue's O2' atom is that close to the vertex, so a residue
// with no atom in the cells around those points cannot give a candidate and
// is skipped. The residues left are searched in ascending order, as the
// full scan takes them, so the best candidate and its ties come out the
// same. Residues with an atom outside the grid's range go to `wide` and are
// always searched.
struct PartnerGrid {
  double cell = 0.0;                  // edge of a cell in Angstrom
  std::vector<std::uint64_t> keys;    // sorted cell keys, one per (cell, residue)
  std::vector<std::int32_t> residues; // the residue of each key, ascending per cell
  std::vector<std::int32_t> wide;     // ascending
};

PartnerGrid g_grid_store;
const PartnerGrid* g_grid = nullptr;  // &g_grid_store while the grid stands

// Coordinates are placed on the grid from this offset; an atom farther out
// is not placed and its residue is always searched.
constexpr double kGridRange = 1.0e6;
constexpr std::int64_t kAxisCells = std::int64_t{1} << 21;

bool on_grid(double v) { return v >= -kGridRange && v <= kGridRange; }

std::int64_t cell_of(double v, double cell) {
  return static_cast<std::int64_t>(std::floor((v + kGridRange) / cell));
}

std::uint64_t cell_key(std::int64_t ix, std::int64_t iy, std::int64_t iz) {
  return (static_cast<std::uint64_t>(ix) << 42) | (static_cast<std::uint64_t>(iy) << 21) |
         static_cast<std::uint64_t>(iz);
}

// The reach of a squared cut-off, widened well beyond the rounding of the
// single-precision distance; not finite when there is no usable bound.
double reach_of(float cut2) {
  const double c = cut2 > 0.0f ? static_cast<double>(cut2) : 0.0;
  return std::sqrt(c) * (1.0 + 1.0e-4) + 1.0e-3;
}

// Appends the residues with an atom within `reach` (per axis) of p.
bool grid_collect(const PartnerGrid& g, double px, double py, double pz, double reach,
                  std::vector<std::int32_t>& out) {
  if (!(on_grid(px) && on_grid(py) && on_grid(pz)) || !(reach <= 4.0 * g.cell)) return false;
  auto range = [&g, reach](double v, std::int64_t& lo, std::int64_t& hi) {
    lo = std::max<std::int64_t>(0, cell_of(v - reach, g.cell));
    hi = std::min<std::int64_t>(kAxisCells - 1, cell_of(v + reach, g.cell));
  };
  std::int64_t x0, x1, y0, y1, z0, z1;
  range(px, x0, x1);
  range(py, y0, y1);
  range(pz, z0, z1);
  for (std::int64_t ix = x0; ix <= x1; ++ix)
    for (std::int64_t iy = y0; iy <= y1; ++iy)
      for (std::int64_t iz = z0; iz <= z1; ++iz) {
        const std::uint64_t key = cell_key(ix, iy, iz);
        auto it = std::lower_bound(g.keys.begin(), g.keys.end(), key);
        for (; it != g.keys.end() && *it == key; ++it)
          out.push_back(g.residues[static_cast<std::size_t>(it - g.keys.begin())]);
      }
  return true;
}

}  // namespace

void verify(std::int32_t res, std::int32_t vertex, std::int32_t ref_atom,
            const AtomName4& partner_name, std::int32_t partner_type,
            float& dist, float& angle, std::int32_t& partner_res,
            std::int32_t& partner_atom, float cut2, std::int32_t only_res,
            float min_angle, std::int32_t origin, std::int32_t o2_alt) {
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
  if (g_grid != nullptr && only_res == 0) {
    static std::vector<std::int32_t> near;
    near.clear();
    const double reach = reach_of(cut2);
    bool ok = grid_collect(*g_grid, p.ox, p.oy, p.oz, reach, near);
    if (ok && p.o2_alt) ok = grid_collect(*g_grid, p.vx, p.vy, p.vz, reach, near);
    if (ok) {
      near.insert(near.end(), g_grid->wide.begin(), g_grid->wide.end());
      std::sort(near.begin(), near.end());
      near.erase(std::unique(near.begin(), near.end()), near.end());
      for (std::int32_t j : near)
        if (j >= from && j <= to && type_of(j) == partner_type) search(j);
      if (best.found) {
        partner_res = best.res;
        partner_atom = best.atom;
        dist = std::sqrt(best.d2);
        angle = best.angle;
      }
      return;
    }
  }

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

  if (best.found) {
    partner_res = best.res;
    partner_atom = best.atom;
    dist = std::sqrt(best.d2);
    angle = best.angle;
  }
}

}  // namespace torven

namespace torven {

void build_partner_grid() {
  drop_partner_grid();
  const double cell = reach_of(std::max(options.CutDistSq, options.CutDistSq + 2.0f));
  // Without a finite reach of reasonable size the full scan is as good.
  if (!(cell >= 1.0 && cell <= 1.0e4)) return;
  PartnerGrid* g = &g_grid_store;
  g->cell = cell;
  std::vector<std::pair<std::uint64_t, std::int32_t>> entries;
  const std::int32_t n = beta.ResidueCount;
  for (std::int32_t r = 1; r <= n; ++r) {
    const std::int32_t last = beta.ResLastAtom.get(r);
    bool wide = false;
    for (std::int32_t k = beta.ResFirstAtom.get(r); k <= last; ++k) {
      const double x = geom::X(k), y = geom::Y(k), z = geom::Z(k);
      if (!(on_grid(x) && on_grid(y) && on_grid(z))) {
        wide = true;
        continue;
      }
      entries.emplace_back(cell_key(cell_of(x, cell), cell_of(y, cell), cell_of(z, cell)), r);
    }
    if (wide) g->wide.push_back(r);
  }
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  g->keys.reserve(entries.size());
  g->residues.reserve(entries.size());
  for (const auto& e : entries) {
    g->keys.push_back(e.first);
    g->residues.push_back(e.second);
  }
  g_grid = g;
}

void drop_partner_grid() {
  g_grid = nullptr;
  // The memory goes back at once: a large structure's grid is not small.
  g_grid_store = PartnerGrid{};
}

}  // namespace torven
