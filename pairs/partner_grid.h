// A spatial index of the residues for the partner search, so that a search
// over all residues visits only those within reach, in ascending order, and
// gets the result the search over all residues gets. The rule walk keeps one
// for its walk and hands it to the searches.
#pragma once

#include <cstdint>
#include <vector>

namespace torven {

class PartnerGrid {
 public:
  // Indexes the atoms of residues 1..ResidueCount as the tables hold them
  // now, in cells sized for the run's cut-offs. The tables must not change
  // while the grid stands.
  PartnerGrid();

  // The residues that may hold a candidate for a search of residue `res`
  // from atom `origin` with squared cut-off `cut2`, and, with `o2_alt`, a
  // residue whose O2' atom lies that near atom `vertex`: every residue with
  // an atom within reach of those points, plus those with an atom off the
  // grid; ascending, each once. Null when the grid cannot narrow the search
  // (a point off the grid, a cut-off beyond the cells, no grid at all).
  //
  // The probes of one residue share their lists: the rule walk asks for the
  // same few atoms over and over. The list stays valid until the next call.
  struct Nearby {
    std::vector<std::int32_t> residues;
    std::vector<std::int32_t> types;  // ResType of each, as the rule walk tests it
  };
  const Nearby* nearby(std::int32_t res, std::int32_t origin, std::int32_t vertex, bool o2_alt,
                       float cut2);

 private:
  struct Slot {
    std::uint64_t key;    // cell key, kEmpty for a free slot
    std::uint32_t begin;  // its residues are residues_[begin, end)
    std::uint32_t end;
  };
  struct Entry {
    std::int32_t origin, vertex;
    std::uint32_t cut2_bits;
    bool ok;
    Nearby near;
  };

  const Slot* find(std::uint64_t key) const;
  bool mark_near(double px, double py, double pz, double reach);
  // The residues of nearby()'s list, collected afresh into out; false where
  // nearby() gives null.
  bool collect(std::int32_t origin, std::int32_t vertex, bool o2_alt, float cut2,
               std::vector<std::int32_t>& out);

  double cell_ = 0.0;                    // edge of a cell in Angstrom; 0: no grid
  std::vector<Slot> slots_;              // open addressing, a power of two long
  std::uint64_t hash_shift_ = 64;
  std::vector<std::int32_t> residues_;   // the residues of each cell, ascending
  std::vector<std::int32_t> wide_;       // residues with an atom off the grid, ascending
  std::vector<std::uint64_t> marks_;     // one bit per residue while collecting
  std::size_t low_word_ = 0, high_word_ = 0;

  std::int32_t cached_res_ = -1;         // the residue whose lists entries_ holds
  std::size_t used_entries_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace torven
