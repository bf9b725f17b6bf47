// The shared tables of one run. Every stage reads and writes them directly.
//
// Indices are 1-based. The tables grow with the input instead of being
// reserved at full capacity: a Column grows (zero-filled) when an index
// beyond its end is written, and reading beyond its end gives the zero value,
// so memory follows the structure and nothing is ever written outside a
// table. Do not keep a reference into a Column across a write that may grow
// the same Column.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "common/text.h"

namespace torven {

template <class T>
class Column {
 public:
  // Writable access; grows the column to hold index i.
  T& operator[](std::int64_t i) {
    std::size_t k = index(i);
    if (k >= v_.size()) v_.resize(k + 1 + k / 2);
    return v_[k];
  }
  // Grows the column to hold index i, as a write there would.
  void grow_to(std::int64_t i) { static_cast<void>((*this)[i]); }
  // Read access; the zero value beyond the end.
  T get(std::int64_t i) const {
    std::size_t k = index(i);
    return k < v_.size() ? v_[k] : T{};
  }
  // Read access without a copy; a shared zero value beyond the end.
  const T& cref(std::int64_t i) const {
    static const T zero{};
    std::size_t k = index(i);
    return k < v_.size() ? v_[k] : zero;
  }
  // Direct pointer for hot loops that only read indices already written.
  const T* data() const { return v_.data(); }
  std::size_t allocated() const { return v_.size(); }
  void clear() { v_.clear(); }

 private:
  static std::size_t index(std::int64_t i);
  std::vector<T> v_;
};

[[noreturn]] void fail_negative_index(std::int64_t i);

template <class T>
std::size_t Column<T>::index(std::int64_t i) {
  if (i < 0) fail_negative_index(i);
  return static_cast<std::size_t>(i);
}

// Base types (ResType).
enum ResType : std::int32_t {
  kNone = 0, kA = 1, kG = 2, kC = 3, kU = 4, kN6G = 5, kPSU = 6, kQUO = 7
};

struct OptionsTable {
  float CutAngle = 0.0f;
  float CutEnergy = 0.0f;
  float CutDistSq = 0.0f;
  std::int32_t HetatmFlag = 0;
  std::int32_t ModelNumber = 0;
};

struct NamesTable {
  Column<Text<4>> AtomName;     // atom
  Column<Text<3>> AtomResName;  // atom, right-justified
};

struct AlphaTable {
  Column<float> AtomX, AtomY, AtomZ;  // atom, Angstrom
};

struct ChainsTable {
  Column<Text<4>> AtomChainId;  // atom
};

struct OccurTable {
  Column<float> AtomOccupancy;  // atom
};

struct ResidueTable {
  Column<Text<3>> AtomBaseClass;  // atom
};

struct GamaTable {
  Column<std::int32_t> AtomResType;  // atom
};

struct BetaTable {
  Column<std::int32_t> AtomResNumber;  // atom
  Column<std::int32_t> ResFirstAtom;   // residue
  Column<std::int32_t> ResLastAtom;    // residue
  std::int32_t ResidueCount = 0;
  Column<char> AtomInsCode;  // atom: mmCIF insertion code, '?' for PDB atoms
  std::int32_t AdjacentPairFlag = 0;
  std::int32_t VariantCount[5] = {0, 0, 0, 0, 0};  // lists 1..4
};

// A residue column pair: column 1 as read, column 2 the working copy that
// the cleaning compacts and the reports print.
template <class T>
struct TwoColumns {
  Column<T> col1, col2;
  Column<T>& operator()(int column) { return column == 1 ? col1 : col2; }
};

struct NumTable {
  TwoColumns<std::int32_t> ResNumber;  // ResNumber(column)[residue]
};

struct CumTable {
  TwoColumns<Text<4>> ResChainId;  // ResChainId(column)[residue]
  Text<4> MolId;                   // chain selected by -ML; blanks = all
};

struct StrTable {
  Column<char> StructureCode;  // residue
};

struct BasenmsTable {
  // VariantNames[list][k], list 1..4, name k 1..200.
  std::vector<Text<3>> VariantNames[5];
  // The base type (ResType, kNone when unrecognised) of every residue name
  // the atom store has classified with these lists, keyed by the name's
  // three bytes. Whoever changes the lists empties it.
  class NameTypes {
   public:
    // The type of a name, classify(name) the first time it is asked.
    template <class Classify>
    std::int32_t get(std::uint32_t key, Classify classify) {
      // Atoms come residue by residue: mostly the name asked last time.
      if (key == last_key_ && have_last_) return last_type_;
      auto [it, inserted] = types_.try_emplace(key, kNone);
      if (inserted) it->second = classify();
      have_last_ = true;
      last_key_ = key;
      last_type_ = it->second;
      return last_type_;
    }
    void clear() {
      types_.clear();
      have_last_ = false;
    }

   private:
    std::unordered_map<std::uint32_t, std::int32_t> types_;
    bool have_last_ = false;
    std::uint32_t last_key_ = 0;
    std::int32_t last_type_ = kNone;
  };
  NameTypes TypeOfName;
};

// One slot of a residue's pair list. All five items of a slot travel
// together (every stage that moves a pair moves all of them), so they are
// kept in one record; PairOrientation and PairEdges are the items the
// tables group as hbqtyp.
struct PairSlot {
  std::int32_t PairPartners = 0;  // partner's residue serial
  Text<3> PairEdges;              // EdgeLabel seen from this residue
  char PairOrientation = 0;       // 'C' or 'T'
  float PairEnergy = 0.0f;        // E-value
  float PairAngle = 0.0f;         // inter-bond angle, degrees
};

struct HbquaTable {
  // PairList[residue]: slots 1..count are list[0..count-1]; the count
  // (PairPartners slot 0) is the vector's size. Lists grow with the input.
  Column<std::vector<PairSlot>> PairList;
  std::int32_t count(std::int32_t residue) const {
    return static_cast<std::int32_t>(PairList.cref(residue).size());
  }
};

struct DeltaTable {
  std::int32_t NextAtom = 0;
  std::int32_t LastResNumber = 0;
};

struct DeltadTable {
  char LastInsCode = 0;
  char LastInsCode2 = 0;  // zero byte until the first atom is stored
};

// Settings the run driver keeps beside the options table.
struct DriverSettings {
  float HbDist = 0.0f;
  std::int32_t ChoHbFlag = 0;
  std::int32_t SugarHbFlag = 0;
  std::int32_t OligoFlag = 0;
  std::int32_t NmrFlag = 0;
  double CifFlag = 0.0;
};

extern OptionsTable options;
extern NamesTable names;
extern AlphaTable alpha;
extern ChainsTable chains;
extern OccurTable occur;
extern ResidueTable residue;
extern GamaTable gama;
extern BetaTable beta;
extern NumTable num;
extern CumTable cum;
extern StrTable str;
extern BasenmsTable basenms;
extern HbquaTable hbqua;
extern DeltaTable delta;
extern DeltadTable deltad;
extern DriverSettings driver;

// Puts every table back into its load-time state (all zero); for tests.
void reset_tables();

}  // namespace torven
