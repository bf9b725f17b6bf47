// Helpers for the pair-list and report tests: hand-made pair lists and
// residues in the shared tables, and the three report files in a fresh
// temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>


#include "common/files.h"
#include "test_util.h"
#include "common/tables.h"
#include "driver/stages.h"
#include "driver/run.h"

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

// Opens .out, _pairing.csv and .nup in a fresh directory, with the .out
// name "1abc.out" unless a test sets another.
class ReportFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.reset();
    run_.NMPASS = "1abc.out";
  }
  void TearDown() override { close_files(); }
  void open_files() {
    run_.files.out.open(dir_.file("1abc.out"));
    run_.files.pairing.open(dir_.file("1abc_pairing.csv"));
    run_.files.nup.open(dir_.file("1abc.nup"));
  }
  void close_files() {
    run_.files.out.close();
    run_.files.pairing.close();
    run_.files.nup.close();
  }
  // Runs the residue walk and collects the three files.
  void report() {
    open_files();
    torven::ResidueReport(run_);
    close_files();
    collect();
  }
  void collect() {
    out_ = testutil::read_lines(dir_.file("1abc.out"));
    csv_ = testutil::read_lines(dir_.file("1abc_pairing.csv"));
    nup_ = testutil::read_lines(dir_.file("1abc.nup"));
  }
  torven::Run run_;
  testutil::TempDir dir_;
  std::vector<std::string> out_, csv_, nup_;
};

}  // namespace reports_test
