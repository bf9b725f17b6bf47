// Small hand-built structures in the shared tables for the pair search
// tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/tables.h"
#include "driver/stages.h"

namespace pairs_test {

struct Atom {
  const char* name;
  float x, y, z;
};

// Empty tables with the settings of a run without options.
inline void start() {
  torven::reset_tables();
  torven::set_default_settings();
}

// Appends a residue of ResType `type` in `chain`; returns its serial.
inline std::int32_t add_residue(std::int32_t type, const char* chain,
                                const std::vector<Atom>& atoms) {
  using namespace torven;
  const std::int32_t r = beta.ResidueCount + 1;
  std::int32_t k = r == 1 ? 0 : beta.ResLastAtom.get(r - 1);
  beta.ResFirstAtom[r] = k + 1;
  for (const Atom& a : atoms) {
    ++k;
    names.AtomName[k] = a.name;
    alpha.AtomX[k] = a.x;
    alpha.AtomY[k] = a.y;
    alpha.AtomZ[k] = a.z;
    chains.AtomChainId[k] = chain;
    gama.AtomResType[k] = type;
  }
  beta.ResLastAtom[r] = k;
  beta.ResidueCount = r;
  return r;
}

inline std::int32_t add_residue(std::int32_t type, const char* chain,
                                std::initializer_list<Atom> atoms) {
  return add_residue(type, chain, std::vector<Atom>(atoms));
}

// The serial of the last atom of residue r named `name` (0 if none).
inline std::int32_t atom_of(std::int32_t r, const char* name) {
  using namespace torven;
  std::int32_t found = 0;
  for (std::int32_t k = beta.ResFirstAtom.get(r); k <= beta.ResLastAtom.get(r);
       ++k)
    if (names.AtomName.get(k).view() == Text<4>(name).view()) found = k;
  return found;
}

// The pseudo angle the partner search measures, in degrees: the angle at
// atom v between its reference atom r and the candidate k, rounded as the
// search rounds it.
inline float pseudo_angle(std::int32_t v, std::int32_t r, std::int32_t k) {
  using torven::alpha;
  const auto x = [](std::int32_t a) { return alpha.AtomX.get(a); };
  const auto y = [](std::int32_t a) { return alpha.AtomY.get(a); };
  const auto z = [](std::int32_t a) { return alpha.AtomZ.get(a); };
  const float ux = x(v) - x(r), uy = y(v) - y(r), uz = z(v) - z(r);
  const float wx = x(v) - x(k), wy = y(v) - y(k), wz = z(v) - z(k);
  const float dot = ux * wx + uy * wy + uz * wz;
  const float rad = std::acos(dot / (std::sqrt(ux * ux + uy * uy + uz * uz) *
                                     std::sqrt(wx * wx + wy * wy + wz * wz)));
  return rad * 57.29578f;
}

// Residue r's list as "partner edges orientation" entries.
inline std::vector<std::string> pairs_of(std::int32_t r) {
  std::vector<std::string> out;
  for (const auto& s : torven::hbqua.PairList.get(r))
    out.push_back(std::to_string(s.PairPartners) + " " + s.PairEdges.str() +
                  " " + std::string(1, s.PairOrientation));
  return out;
}

}  // namespace pairs_test
