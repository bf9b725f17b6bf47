// Single-precision geometry shared by the partner search and the rule
// evaluators. The order of every sum and product is fixed: results must be
// the same bit for bit on every build (the build disables contraction).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/tables.h"

namespace torven::geom {

inline constexpr float kDegPerRad = 57.29578f;
inline constexpr float kRadPerDeg = 0.01745328f;

// (dx*dx + dy*dy) + dz*dz.
inline float sq_length(float dx, float dy, float dz) {
  return dx * dx + dy * dy + dz * dz;
}

// Angle in degrees between vectors u and w: the dot product over the
// product of two separately rooted lengths, then an unclamped arc cosine.
// A cosine outside [-1, 1] or a zero-length vector gives NaN, which fails
// every comparison.
inline float angle_deg(float ux, float uy, float uz, float wx, float wy,
                       float wz) {
  float dot = ux * wx + uy * wy + uz * wz;
  float len = std::sqrt(sq_length(ux, uy, uz)) * std::sqrt(sq_length(wx, wy, wz));
  return std::acos(dot / len) * kDegPerRad;
}

inline float X(std::int32_t a) { return alpha.AtomX.get(a); }
inline float Y(std::int32_t a) { return alpha.AtomY.get(a); }
inline float Z(std::int32_t a) { return alpha.AtomZ.get(a); }

// Angle in degrees between a3 - a1 and a4 - a2 (atom serials).
inline float vector_angle(std::int32_t a1, std::int32_t a2, std::int32_t a3,
                          std::int32_t a4) {
  return angle_deg(X(a3) - X(a1), Y(a3) - Y(a1), Z(a3) - Z(a1),
                   X(a4) - X(a2), Y(a4) - Y(a2), Z(a4) - Z(a2));
}

// A 4-character name as one word, for fast comparison.
inline std::uint32_t word(const Text<4>& t) {
  static_assert(sizeof(Text<4>) == 4);
  std::uint32_t w;
  std::memcpy(&w, t.c.data(), 4);
  return w;
}

// E-value term of one pseudo angle: its deviation from 180 degrees in
// radians.
inline float dev(float theta) { return (theta - 180.0f) * kRadPerDeg; }

// E-value of a bond pair from its two distances and four pseudo angles.
inline float evalue(float d1, float d2, float t1f, float t2f, float t1r,
                    float t2r) {
  float a1f = dev(t1f), a2f = dev(t2f), a1r = dev(t1r), a2r = dev(t2r);
  float e1 = d1 - 3.0f, e2 = d2 - 3.0f;
  return (e1 * e1 + e2 * e2) +
         0.5f * (((a1f * a1f + a2f * a2f) + a1r * a1r) + a2r * a2r);
}

// The last atoms of residue r named n1 and n2, in one pass (0 when absent).
inline void lookup2(std::int32_t r, const Text<4>& n1, const Text<4>& n2,
                    std::int32_t& a1, std::int32_t& a2) {
  a1 = 0;
  a2 = 0;
  std::uint32_t w1 = word(n1), w2 = word(n2);
  std::int32_t last = beta.ResLastAtom.get(r);
  for (std::int32_t k = beta.ResFirstAtom.get(r); k <= last; ++k) {
    std::uint32_t w = word(names.AtomName.get(k));
    if (w == w1) a1 = k;
    if (w == w2) a2 = k;
  }
}

inline std::int32_t res_type(std::int32_t r) {
  return gama.AtomResType.get(beta.ResFirstAtom.get(r));
}

}  // namespace torven::geom
