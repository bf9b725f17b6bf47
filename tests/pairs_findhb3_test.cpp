// Three-bond rule evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "pairs/pairs.h"
#include "pairs_fixture.h"

namespace {

using namespace torven;
using pairs_test::add_residue;
using pairs_test::atom_of;
using pairs_test::pairs_of;

using std::numbers::pi;

// A C-G pair with three straight bonds of integer geometry (every cosine
// exactly -1): bond 1 N3 (0,0,0) ... N1 (3,0,0) along x, bond 2
// N4 (0,2,0) ... O6 (l2,2,0) along x, bond 3 O2 (0,-2,0) ... N2 (0,-2,l3)
// along z. fwd1 bends bond 1 at N3; rev_b bends bond b at the partner.
struct Shape {
  double fwd1 = 180, rev1 = 180, rev2 = 180, rev3 = 180;
  float l2 = 3, l3 = 3;
};

std::pair<float, float> bend(double deg) {
  return {static_cast<float>(std::cos(deg * pi / 180.0)),
          static_cast<float>(std::sin(deg * pi / 180.0))};
}

void build(const Shape& s = {}) {
  auto [c1, s1] = bend(s.fwd1);
  auto [cr1, sr1] = bend(s.rev1);
  auto [cr2, sr2] = bend(s.rev2);
  auto [cr3, sr3] = bend(s.rev3);
  add_residue(kC, "A   ", {{"C6  ", c1, s1, 0}, {"N3  ", 0, 0, 0},
                          {"C5  ", -1, 2, 0}, {"N4  ", 0, 2, 0},
                          {"C2  ", 0, -2, -1}, {"O2  ", 0, -2, 0}});
  add_residue(kG, "B   ", {{"C2  ", 3 - cr1, sr1, 0}, {"N1  ", 3, 0, 0},
                          {"C6  ", s.l2 - cr2, 2 + sr2, 0}, {"O6  ", s.l2, 2, 0},
                          {"N3  ", sr3, -2, s.l3 - cr3}, {"N2  ", 0, -2, s.l3}});
}

void rule(const char* edge_i = "W:W", const char* edge_j = "W:W") {
  findhb3(1, kC, kG, "C6", "N3", "N1", "C2", "C5", "N4", "O6", "C6", "C2",
          "O2", "N2", "N3", 'C', edge_i, edge_j);
}

std::size_t count(std::int32_t r) { return hbqua.PairList.get(r).size(); }

// Inter-bond angles of the two bond pairs in the unbent shape.
const float kOmega12 = 0.0f;
const float kOmega13 =
    static_cast<float>(std::acos(4.0 / (std::sqrt(22.0) * 2.0)) * 180.0 / pi);

class FindHb3 : public ::testing::Test {
 protected:
  void SetUp() override { pairs_test::start(); }
};

TEST_F(FindHb3, ChoiceOfTheBondPair) {
  struct Case {
    const char* what;
    Shape shape;
    float omega;
    double e;
  };
  const Case cases[] = {
      {"E12 == E13 takes bonds 1 and 3", {}, kOmega13, 0.0},
      {"longer bond 3 takes bonds 1 and 2", {.l3 = 3.5f}, kOmega12, 0.0},
      {"longer bond 2 takes bonds 1 and 3", {.l2 = 3.5f}, kOmega13, 0.0},
      {"bond 3 bent only in reverse", {.rev3 = 150}, kOmega12, 0.0},
  };
  for (const Case& c : cases) {
    pairs_test::start();
    build(c.shape);
    rule();
    ASSERT_EQ(count(1), 1u) << c.what;
    ASSERT_EQ(count(2), 1u) << c.what;
    EXPECT_NEAR(hbqua.PairList[1][0].PairAngle, c.omega, 1e-3f) << c.what;
    EXPECT_NEAR(hbqua.PairList[1][0].PairEnergy, c.e, 1e-6) << c.what;
    EXPECT_EQ(pairs_of(2), std::vector<std::string>{"1 W:W C"});
  }
}

TEST_F(FindHb3, BondMissingInOneDirection) {
  // Bond 3 absent from the partner: bonds 1 and 2 decide.
  build();
  names.AtomName[atom_of(2, "N2")] = "XX  ";
  rule();
  ASSERT_EQ(count(1), 1u);
  EXPECT_EQ(hbqua.PairList[1][0].PairAngle, kOmega12);
  EXPECT_EQ(hbqua.PairList[1][0].PairEnergy, 0.0f);

  // Bond 2 found forward but not in reverse: its distance becomes 1000,
  // so bonds 1 and 3 decide even though bond 3 is the longer one.
  pairs_test::start();
  build({.rev2 = 90, .l3 = 3.2f});
  rule();
  ASSERT_EQ(count(1), 1u);
  EXPECT_NEAR(hbqua.PairList[1][0].PairAngle,
              std::acos(4.0 / (std::sqrt(9 + 4 + 3.2 * 3.2) * 2.0)) * 180.0 / pi, 1e-3);
  EXPECT_NEAR(hbqua.PairList[1][0].PairEnergy, 0.04, 1e-5);
}

TEST_F(FindHb3, ReverseDistanceReplacesTheForwardOne) {
  // Residue 1 has two N4 atoms. The last, at (0.5,2,0), is the forward
  // vertex (2.5 from O6); the reverse search finds the first, at (0,2,0),
  // 3.0 from O6 at the same angle. Bond 2's distance is then 3.0.
  add_residue(kC, "A   ", {{"C6  ", -1, 0, 0}, {"N3  ", 0, 0, 0},
                          {"N4  ", 0, 2, 0}, {"C5  ", -0.5f, 2, 0}, {"N4  ", 0.5f, 2, 0}});
  add_residue(kG, "B   ", {{"C2  ", 4, 0, 0}, {"N1  ", 3, 0, 0},
                          {"C6  ", 4, 2, 0}, {"O6  ", 3, 2, 0}});
  rule();
  ASSERT_EQ(count(1), 1u);
  EXPECT_EQ(hbqua.PairList[1][0].PairEnergy, 0.0f);  // 0.25 with the forward distance
  EXPECT_EQ(hbqua.PairList[1][0].PairAngle, 0.0f);   // from the N4 found in reverse
}

TEST_F(FindHb3, TooFewBondsRecordNothing) {
  struct Case {
    const char* what;
    Shape shape;
    std::vector<const char*> drop;  // partner atoms renamed away
    float cut_energy;
  };
  const Case cases[] = {
      {"only bond 1 forward", {}, {"O6", "N2"}, 1e9f},
      {"only bond 1 in reverse", {.rev2 = 90, .rev3 = 90}, {}, 1e9f},
      {"bond 1 not in reverse", {.rev1 = 90}, {}, 1.8f},
      {"bond 1 not in reverse, huge cut-off", {.rev1 = 90}, {}, 1e9f},
      {"bond 1 missing in reverse, bond 3 absent", {.rev1 = 90}, {"N2"}, 1e9f},
  };
  for (const Case& c : cases) {
    pairs_test::start();
    build(c.shape);
    for (const char* a : c.drop) names.AtomName[atom_of(2, a)] = "XX  ";
    options.CutEnergy = c.cut_energy;
    rule();
    EXPECT_EQ(count(1), 0u) << c.what;
    EXPECT_EQ(count(2), 0u) << c.what;
  }
}

TEST_F(FindHb3, AngleLimitsHaveNoSurcharge) {
  struct Case {
    Shape shape;
    bool recorded;
  };
  const Case cases[] = {
      {{.fwd1 = 125}, true}, {{.fwd1 = 119}, false},
      {{.rev1 = 101}, true}, {{.rev1 = 99}, false},
  };
  for (const char* label : {"W:W", "W:+"}) {
    for (const Case& c : cases) {
      pairs_test::start();
      options.CutEnergy = 100.0f;
      build(c.shape);
      rule(label, "+:W");
      EXPECT_EQ(count(1), c.recorded ? 1u : 0u)
          << label << " " << c.shape.fwd1 << "/" << c.shape.rev1;
    }
  }
}

TEST_F(FindHb3, OtherResidueTypeAndInterBondLimit) {
  build();
  findhb3(1, kU, kG, "C6", "N3", "N1", "C2", "C5", "N4", "O6", "C6", "C2",
          "O2", "N2", "N3", 'C', "W:W", "W:W");
  EXPECT_EQ(count(1), 0u);
  // Bonds 1 and 3 chosen (bond 2 is long); N2 moved to (0, y, 2). With
  // y = 0.5 the partner's N1 -> N2 vector points against N3 -> O2 (angle
  // over 90), with y = -0.5 it does not.
  for (float y : {0.5f, -0.5f}) {
    pairs_test::start();
    build({.l2 = 3.75f});
    const float dy = y + 2.0f, len = std::sqrt(dy * dy + 4.0f);
    const std::int32_t n2 = atom_of(2, "N2"), n3 = atom_of(2, "N3");
    alpha.AtomY[n2] = y;
    alpha.AtomZ[n2] = 2.0f;
    alpha.AtomX[n3] = 0.1f;
    alpha.AtomY[n3] = y + dy / len;
    alpha.AtomZ[n3] = 2.0f + 2.0f / len;
    rule();
    ASSERT_EQ(count(1), y > 0 ? 0u : 1u) << y;
    if (y < 0) {
      EXPECT_LT(hbqua.PairList[1][0].PairAngle, 90.0f);
      EXPECT_GT(hbqua.PairList[1][0].PairAngle, 0.0f);  // bonds 1 and 3
    }
  }
}

}  // namespace
