// Post-processing of the pair lists: each residue's raw list is filtered,
// sorted by E-value and cut to one pair per partner and per own edge, and
// then every pair is made to stand on the lists of both its residues.
#include <cstdint>
#include <utility>
#include <vector>

#include "common/codes.h"
#include "common/tables.h"
#include "driver/stages.h"

namespace torven {

namespace {

// One pair of the list being cleaned. `label` is the edge label as the rule
// stored it and is what gets written back; `own_edge` is the residue's own
// edge after normalisation; `pair_class` is 'W' for exactly "W:W", 'N' for a
// label that only normalises to "W:W", 'O' for any other.
struct WorkPair {
  PairSlot slot;
  char own_edge = 0;
  char pair_class = 0;
};

WorkPair make_work_pair(const PairSlot& s) {
  WorkPair w;
  w.slot = s;
  const Text<3>& l = s.PairEdges;
  w.own_edge = EdgeNormalise(l.at(1));
  bool exact = l.at(1) == 'W' && l.at(2) == ':' && l.at(3) == 'W';
  bool normalised = w.own_edge == 'W' && l.at(2) == ':' && EdgeNormalise(l.at(3)) == 'W';
  w.pair_class = exact ? 'W' : (normalised ? 'N' : 'O');
  return w;
}

// `work` is the caller's, reused for every residue so that cleaning
// allocates only when a list is longer than any before it.
void clean_one(std::vector<PairSlot>& list, std::vector<WorkPair>& work) {
  work.clear();
  for (const PairSlot& s : list) work.push_back(make_work_pair(s));

  // Beside an exact W:W pair, the pairs that are W:W only after
  // normalisation go; the others keep their order.
  bool has_w = false;
  for (const WorkPair& w : work) has_w = has_w || w.pair_class == 'W';
  if (has_w) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < work.size(); ++k)
      if (work[k].pair_class != 'N') work[kept++] = work[k];
    work.resize(kept);
  }

  // Exchange sort, ascending by E-value. Only a strictly greater E-value in
  // the earlier slot exchanges, and slot a is compared with each later slot
  // as it stands by then: this sequence fixes the order of equal E-values.
  const std::size_t n = work.size();
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b)
      if (work[a].slot.PairEnergy > work[b].slot.PairEnergy) std::swap(work[a], work[b]);

  // Of two pairs with the same partner or the same own edge, the earlier
  // (lower E-value) stays; a later pair is compared only with pairs kept.
  for (std::size_t a = 0; a < work.size(); ++a) {
    std::size_t b = a + 1;
    while (b < work.size()) {
      if (work[b].slot.PairPartners == work[a].slot.PairPartners ||
          work[b].own_edge == work[a].own_edge)
        work.erase(work.begin() + static_cast<std::ptrdiff_t>(b));
      else
        ++b;
    }
  }

  // The labels go back exactly as stored, never normalised.
  list.clear();
  for (const WorkPair& w : work) list.push_back(w.slot);
}

}  // namespace

void PairListCleanup() {
  const std::int32_t count = beta.ResidueCount;
  std::vector<WorkPair> work;
  for (std::int32_t i = 1; i <= count; ++i) {
    if (hbqua.count(i) == 0) continue;
    clean_one(hbqua.PairList[i], work);
  }
}

void PairSymmetrisation() {
  const std::int32_t count = beta.ResidueCount;
  for (std::int32_t i = 1; i <= count; ++i) {
    // The count as i's turn begins, mirror entries from earlier residues
    // included; an entry appended to i's own list later is not visited.
    const std::int32_t n = hbqua.count(i);
    for (std::int32_t k = 1; k <= n; ++k) {
      // A copy: appending to another list may move the lists in memory.
      const PairSlot s = hbqua.PairList[i][static_cast<std::size_t>(k - 1)];
      const std::int32_t j = s.PairPartners;
      if (j < 1) continue;  // no residue to hold a mirror entry
      std::vector<PairSlot>& partner_list = hbqua.PairList[j];
      bool listed = false;
      for (const PairSlot& t : partner_list) listed = listed || t.PairPartners == i;
      if (listed) continue;
      PairSlot m = s;
      m.PairPartners = i;
      m.PairEdges.at(1) = s.PairEdges.at(3);
      m.PairEdges.at(2) = s.PairEdges.at(2);
      m.PairEdges.at(3) = s.PairEdges.at(1);
      partner_list.push_back(m);
    }
  }
}

}  // namespace torven
