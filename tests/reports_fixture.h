// Helpers for the pair-list and report tests: hand-made pair lists and
// residues in the shared tables, and the residue walk with its three
// report files read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "common/stops.h"
#include "common/tables.h"
#include "driver/run.h"
#include "driver/stages.h"
#include "test_util.h"

namespace reports_test {

// One pair as a test writes and reads it.
struct P {
  std::int32_t partner;
  std::string label;
  char orientation = 'C';
  float energy = 0.5f;
  float angle = 0.0f;
};

inline bool operator==(const P& a, const P& b) {
  return a.partner == b.partner && a.label == b.label && a.orientation == b.orientation &&
         a.energy == b.energy && a.angle == b.angle;
}
inline std::ostream& operator<<(std::ostream& os, const P& p) {
  return os << "{" << p.partner << " " << p.label << " " << p.orientation << " " << p.energy
            << " " << p.angle << "}";
}

inline void set_list(std::int32_t r, const std::vector<P>& pairs) {
  std::vector<torven::PairSlot>& l = torven::hbqua.PairList[r];
  l.clear();
  for (const P& p : pairs) {
    torven::PairSlot s;
    s.PairPartners = p.partner;
    s.PairEdges = p.label;
    s.PairOrientation = p.orientation;
    s.PairEnergy = p.energy;
    s.PairAngle = p.angle;
    l.push_back(s);
  }
}

inline std::vector<P> get_list(std::int32_t r) {
  std::vector<P> out;
  for (const torven::PairSlot& s : torven::hbqua.PairList.get(r))
    out.push_back({s.PairPartners, s.PairEdges.str(), s.PairOrientation, s.PairEnergy,
                   s.PairAngle});
  return out;
}

inline std::vector<std::int32_t> partners(std::int32_t r) {
  std::vector<std::int32_t> out;
  for (const torven::PairSlot& s : torven::hbqua.PairList.get(r)) out.push_back(s.PairPartners);
  return out;
}

// Residue r as the reports print it; its first atom gets serial 10 * r.
inline void set_residue(std::int32_t r, std::int32_t number, const char* name,
                        const char* chain, char ins = '?') {
  const std::int32_t atom = 10 * r;
  torven::beta.ResFirstAtom[r] = atom;
  torven::beta.ResLastAtom[r] = atom;
  torven::num.ResNumber(2)[r] = number;
  torven::cum.ResChainId(2)[r] = chain;
  torven::names.AtomResName[atom] = name;
  torven::beta.AtomInsCode[atom] = ins;
}

// A test of the residue walk on its own run, for the structure 1abc (the
// .out name 1abc.out) unless it sets another.
class ResidueWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.reset();
    run_.files.stem = "1abc";
  }
  // Runs the walk with .out, _pairing.csv and .nup open and collects their
  // lines, also when the walk stops the run.
  void report() {
    testutil::ReportFiles files(run_, {".out", "_pairing.csv", ".nup"});
    const auto collect = [&] {
      out_ = files.lines(".out");
      csv_ = files.lines("_pairing.csv");
      nup_ = files.lines(".nup");
    };
    try {
      torven::ResidueReport(run_);
    } catch (const torven::Stop&) {
      collect();
      throw;
    }
    collect();
  }
  torven::Run run_;
  std::vector<std::string> out_, csv_, nup_;
};

}  // namespace reports_test
