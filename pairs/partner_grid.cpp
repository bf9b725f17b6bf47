// The partner grid: cells of a cubic grid, each listing the residues that
// have an atom in it. A candidate atom passes the distance test only within
// sqrt(cut2) of the point it is measured from, and the O2' shortcut only
// when the residue's O2' atom is that close to the vertex, so a residue with
// no atom in the cells around those points cannot give a candidate and is
// skipped. The residues left are searched in ascending order, as the full
// scan takes them, so the best candidate and its ties come out the same.
// Residues with an atom outside the grid's range are always searched.
#include "pairs/partner_grid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "pairs/geometry.h"

namespace torven {
namespace {

// Coordinates are placed on the grid from this offset; an atom farther out
// is not placed and its residue is always searched.
constexpr double kGridRange = 1.0e6;
constexpr std::int64_t kAxisCells = std::int64_t{1} << 21;
constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

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

std::uint32_t bits_of(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

}  // namespace

PartnerGrid::PartnerGrid() {
  const double cell = reach_of(std::max(options.CutDistSq, options.CutDistSq + 2.0f));
  // Without a finite reach of reasonable size the full scan is as good.
  if (!(cell >= 1.0 && cell <= 1.0e4)) return;
  cell_ = cell;

  // (cell, residue) once each: a residue's atoms share a few cells, so its
  // cells are made unique before they join the others.
  std::vector<std::pair<std::uint64_t, std::int32_t>> entries;
  std::vector<std::uint64_t> cells_of_residue;
  const std::int32_t n = beta.ResidueCount;
  for (std::int32_t r = 1; r <= n; ++r) {
    const std::int32_t last = beta.ResLastAtom.get(r);
    bool wide = false;
    cells_of_residue.clear();
    for (std::int32_t k = beta.ResFirstAtom.get(r); k <= last; ++k) {
      const double x = geom::X(k), y = geom::Y(k), z = geom::Z(k);
      if (!(on_grid(x) && on_grid(y) && on_grid(z))) {
        wide = true;
        continue;
      }
      cells_of_residue.push_back(cell_key(cell_of(x, cell), cell_of(y, cell), cell_of(z, cell)));
    }
    std::sort(cells_of_residue.begin(), cells_of_residue.end());
    const auto unique_end = std::unique(cells_of_residue.begin(), cells_of_residue.end());
    for (auto it = cells_of_residue.begin(); it != unique_end; ++it) entries.emplace_back(*it, r);
    if (wide) wide_.push_back(r);
  }
  std::sort(entries.begin(), entries.end());

  std::size_t cells = 0;
  for (std::size_t k = 0; k < entries.size(); ++k)
    cells += k == 0 || entries[k].first != entries[k - 1].first;
  const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(2, 2 * cells));
  hash_shift_ = 64 - static_cast<std::uint64_t>(std::countr_zero(capacity));
  slots_.assign(capacity, Slot{kEmpty, 0, 0});
  residues_.reserve(entries.size());
  for (std::size_t k = 0; k < entries.size();) {
    const std::uint64_t key = entries[k].first;
    const auto begin = static_cast<std::uint32_t>(residues_.size());
    for (; k < entries.size() && entries[k].first == key; ++k)
      residues_.push_back(entries[k].second);
    std::uint64_t s = (key * 0x9E3779B97F4A7C15ull) >> hash_shift_;
    while (slots_[s].key != kEmpty) s = (s + 1) & (capacity - 1);
    slots_[s] = Slot{key, begin, static_cast<std::uint32_t>(residues_.size())};
  }
  marks_.assign(static_cast<std::size_t>(n) / 64 + 1, 0);
}

const PartnerGrid::Slot* PartnerGrid::find(std::uint64_t key) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = (key * 0x9E3779B97F4A7C15ull) >> hash_shift_;; s = (s + 1) & mask) {
    if (slots_[s].key == key) return &slots_[s];
    if (slots_[s].key == kEmpty) return nullptr;
  }
}

// Marks the residues with an atom in the cells within `reach` (per axis) of
// the point; false when the point is off the grid or the reach too long.
bool PartnerGrid::mark_near(double px, double py, double pz, double reach) {
  if (!(on_grid(px) && on_grid(py) && on_grid(pz)) || !(reach <= 4.0 * cell_)) return false;
  auto range = [this, reach](double v, std::int64_t& lo, std::int64_t& hi) {
    lo = std::max<std::int64_t>(0, cell_of(v - reach, cell_));
    hi = std::min<std::int64_t>(kAxisCells - 1, cell_of(v + reach, cell_));
  };
  std::int64_t x0, x1, y0, y1, z0, z1;
  range(px, x0, x1);
  range(py, y0, y1);
  range(pz, z0, z1);
  for (std::int64_t ix = x0; ix <= x1; ++ix)
    for (std::int64_t iy = y0; iy <= y1; ++iy)
      for (std::int64_t iz = z0; iz <= z1; ++iz) {
        const Slot* slot = find(cell_key(ix, iy, iz));
        if (slot == nullptr) continue;
        for (std::uint32_t e = slot->begin; e < slot->end; ++e) {
          const auto word = static_cast<std::size_t>(residues_[e]) >> 6;
          marks_[word] |= std::uint64_t{1} << (residues_[e] & 63);
          low_word_ = std::min(low_word_, word);
          high_word_ = std::max(high_word_, word);
        }
      }
  return true;
}

bool PartnerGrid::collect(std::int32_t origin, std::int32_t vertex, bool o2_alt, float cut2,
                          std::vector<std::int32_t>& out) {
  out.clear();
  if (cell_ == 0.0) return false;
  const double reach = reach_of(cut2);
  low_word_ = std::numeric_limits<std::size_t>::max();
  high_word_ = 0;
  bool ok = mark_near(geom::X(origin), geom::Y(origin), geom::Z(origin), reach);
  if (ok && o2_alt) ok = mark_near(geom::X(vertex), geom::Y(vertex), geom::Z(vertex), reach);
  if (ok) {
    for (std::int32_t r : wide_) {
      const auto word = static_cast<std::size_t>(r) >> 6;
      marks_[word] |= std::uint64_t{1} << (r & 63);
      low_word_ = std::min(low_word_, word);
      high_word_ = std::max(high_word_, word);
    }
  }
  // The marks are read in ascending order and cleared for the next probe.
  for (std::size_t w = low_word_; w <= high_word_ && w < marks_.size(); ++w) {
    std::uint64_t bits = marks_[w];
    marks_[w] = 0;
    while (ok && bits != 0) {
      out.push_back(static_cast<std::int32_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
      bits &= bits - 1;
    }
  }
  return ok;
}

const PartnerGrid::Nearby* PartnerGrid::nearby(std::int32_t res, std::int32_t origin,
                                               std::int32_t vertex, bool o2_alt, float cut2) {
  if (res != cached_res_) {
    cached_res_ = res;
    used_entries_ = 0;
  }
  if (!o2_alt) vertex = 0;
  const std::uint32_t cut2_bits = bits_of(cut2);
  for (std::size_t k = 0; k < used_entries_; ++k) {
    const Entry& e = entries_[k];
    if (e.origin == origin && e.vertex == vertex && e.cut2_bits == cut2_bits)
      return e.ok ? &e.near : nullptr;
  }
  if (used_entries_ == entries_.size()) entries_.emplace_back();
  Entry& e = entries_[used_entries_++];
  e.origin = origin;
  e.vertex = vertex;
  e.cut2_bits = cut2_bits;
  e.ok = collect(origin, vertex, o2_alt, cut2, e.near.residues);
  e.near.types.clear();
  for (std::int32_t j : e.near.residues) e.near.types.push_back(geom::res_type(j));
  return e.ok ? &e.near : nullptr;
}

}  // namespace torven
