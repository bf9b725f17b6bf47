// Two-bond rule evaluation and PairAppend.
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
using pairs_test::pseudo_angle;

using std::numbers::pi;
double rad(double deg) { return deg * pi / 180.0; }

// A two-bond A-U pair in the z = 0 plane. Residue 1 (A): bond 1 at N6
// (0,0,0) with reference C5, bond 2 at N1 (0,2,0) with reference C2.
// Residue 2 (U): O4 (3,0,0) with reference C4, N3 (3,2,0) with reference
// C2. fwd/rev are the pseudo angles at i's and at the partner's atom.
struct Bond {
  double fwd = 180, rev = 180;
};

void build(Bond b1 = {}, Bond b2 = {}, double k2x = 3) {
  auto ref_i = [](double y, double fwd) {
    // Angle at (0,y,0) between the reference and +x.
    return std::pair<float, float>(static_cast<float>(std::cos(rad(fwd))),
                                   static_cast<float>(y + std::sin(rad(fwd))));
  };
  auto ref_j = [](double x, double y, double rev) {
    // Angle at (x,y,0) between the reference and -x.
    return std::pair<float, float>(static_cast<float>(x - std::cos(rad(rev))),
                                   static_cast<float>(y + std::sin(rad(rev))));
  };
  auto [q1x, q1y] = ref_i(0, b1.fwd);
  auto [q2x, q2y] = ref_i(2, b2.fwd);
  auto [r1x, r1y] = ref_j(3, 0, b1.rev);
  auto [r2x, r2y] = ref_j(k2x, 2, b2.rev);
  add_residue(kA, "A   ", {{"C5  ", q1x, q1y, 0}, {"N6  ", 0, 0, 0},
                          {"C2  ", q2x, q2y, 0}, {"N1  ", 0, 2, 0}});
  add_residue(kU, "B   ", {{"C4  ", r1x, r1y, 0}, {"O4  ", 3, 0, 0},
                          {"C2  ", r2x, r2y, 0}, {"N3  ", static_cast<float>(k2x), 2, 0}});
}

void rule(const char* edge_i = "W:W", const char* edge_j = "W:W",
          std::int32_t o2flag = 0, std::int32_t i = 1, char ct = 'C') {
  findpair(i, kA, "C5", "N6", "O4", "C4", kU, "C2", "N1", "N3", "C2", ct,
           edge_i, edge_j, o2flag);
}

std::size_t count(std::int32_t r) { return hbqua.PairList.get(r).size(); }

class FindPair : public ::testing::Test {
 protected:
  void SetUp() override { pairs_test::start(); }
};

TEST_F(FindPair, StraightPairIsRecordedOnBothResidues) {
  build();
  rule("W:H", "H:W", 0, 1, 'T');
  ASSERT_EQ(pairs_of(1), std::vector<std::string>{"2 W:H T"});
  ASSERT_EQ(pairs_of(2), std::vector<std::string>{"1 H:W T"});
  const PairSlot& a = hbqua.PairList[1][0];
  const PairSlot& b = hbqua.PairList[2][0];
  EXPECT_EQ(a.PairAngle, 0.0f);  // parallel bonds
  EXPECT_EQ(b.PairAngle, a.PairAngle);
  EXPECT_EQ(b.PairEnergy, a.PairEnergy);

  // E from the four pseudo angles, in the prescribed grouping.
  auto dev = [](float t) { return (t - 180.0f) * 0.01745328f; };
  const float f1 = dev(pseudo_angle(2, 1, 6)), f2 = dev(pseudo_angle(4, 3, 8));
  const float r1 = dev(pseudo_angle(6, 5, 2)), r2 = dev(pseudo_angle(8, 7, 4));
  const float e = (0.0f + 0.0f) + 0.5f * (((f1 * f1 + f2 * f2) + r1 * r1) + r2 * r2);
  EXPECT_EQ(a.PairEnergy, e);

  // A rule for another ResType changes nothing.
  findpair(1, kG, "C5", "N6", "O4", "C4", kU, "C2", "N1", "N3", "C2", 'C',
           "W:W", "W:W", 0);
  EXPECT_EQ(count(1), 1u);
}

TEST_F(FindPair, EValueUsesForwardDistancesAndAngles) {
  // Bond 2 stretched to 3.5 and both bonds bent: compare with the value
  // computed in double.
  build({150, 130}, {160, 140}, 3.5);
  options.CutEnergy = 100.0f;
  rule();
  ASSERT_EQ(count(1), 1u);
  auto a = [](double t) { return (t - 180.0) * pi / 180.0; };
  const double e = 0.25 + 0.5 * (a(150) * a(150) + a(160) * a(160) +
                                 a(130) * a(130) + a(140) * a(140));
  EXPECT_NEAR(hbqua.PairList[1][0].PairEnergy, e, 1e-4);
}

TEST_F(FindPair, AngleLimitsAndTheirSurcharge) {
  struct Case {
    const char *edge_i, *edge_j;
    Bond bond;
    bool recorded;
  };
  const Case cases[] = {
      {"W:W", "W:W", {121, 101}, true},  {"W:W", "W:W", {119, 180}, false},
      {"W:W", "W:W", {180, 99}, false},  {"w:w", "w:w", {121, 101}, true},
      {"+:W", "W:+", {151, 131}, true},  {"+:W", "W:+", {149, 180}, false},
      {"+:W", "W:+", {180, 129}, false}, {"W:+", "+:W", {149, 180}, false},
      {"W:+", "+:W", {151, 131}, true},  {"z:H", "H:z", {149, 180}, false},
      {"S:z", "z:S", {180, 129}, false}, {"S:z", "z:S", {151, 131}, true},
  };
  for (int which = 1; which <= 2; ++which) {
    for (const Case& c : cases) {
      pairs_test::start();
      options.CutEnergy = 100.0f;  // only the angles decide
      if (which == 1) build(c.bond, {}); else build({}, c.bond);
      rule(c.edge_i, c.edge_j);
      EXPECT_EQ(count(1), c.recorded ? 1u : 0u)
          << "bond " << which << " " << c.edge_i << " " << c.bond.fwd << "/" << c.bond.rev;
    }
  }
  // The limits follow CutAngle.
  pairs_test::start();
  options.CutAngle = 130.0f;
  build({125, 180}, {});
  rule();
  EXPECT_EQ(count(1), 0u);
}

TEST_F(FindPair, EValueEqualToTheCutOffIsRecorded) {
  build({150, 130}, {160, 140});
  options.CutEnergy = 100.0f;
  rule();
  ASSERT_EQ(count(1), 1u);
  const float e = hbqua.PairList[1][0].PairEnergy;
  ASSERT_GT(e, 0.5f);

  pairs_test::start();
  build({150, 130}, {160, 140});
  options.CutEnergy = e;
  rule();
  EXPECT_EQ(count(1), 1u);

  pairs_test::start();
  build({150, 130}, {160, 140});
  options.CutEnergy = std::nextafter(e, 0.0f);
  rule();
  EXPECT_EQ(count(1), 0u);
}

TEST_F(FindPair, InterBondAngleOfExactly90IsRecorded) {
  // Bond 2 leaves N1 towards (2.5, y, 1): the partner's O4 -> N3 vector
  // (0, y, 1) is then perpendicular to N6 -> N1 when y = 0. The references
  // stand a little off the bond lines (an exactly straight line can give a
  // cosine below -1).
  for (float y : {0.0f, -0.01f}) {
    pairs_test::start();
    const float dx = 2.5f, dy = y - 2.0f, dz = 1.0f;
    const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
    add_residue(kA, "A   ", {{"C5  ", -1, 0, 0}, {"N6  ", 0, 0, 0},
                            {"C2  ", -dx / len, 2 - dy / len + 0.2f, -dz / len}, {"N1  ", 0, 2, 0}});
    add_residue(kU, "B   ", {{"C4  ", 3.5f, 0, 0}, {"O4  ", 2.5f, 0, 0},
                            {"C2  ", 2.5f + dx / len, y + dy / len + 0.2f, 1 + dz / len},
                            {"N3  ", 2.5f, y, 1}});
    rule();
    if (y == 0.0f) {
      ASSERT_EQ(count(1), 1u);
      EXPECT_EQ(hbqua.PairList[1][0].PairAngle, 90.0f);
    } else {
      EXPECT_EQ(count(1), 0u);
    }
  }
}

TEST_F(FindPair, OnlyTheBestBond1CandidateIsTried) {
  // Residue 2 is a complete partner with a slightly bent bond 1; residue 3
  // offers a straighter bond 1 but fails later.
  auto setup = [](const char* r3_bond2_atom, float r3_ref_y) {
    pairs_test::start();
    const float c = std::cos(static_cast<float>(rad(10))), s = std::sin(static_cast<float>(rad(10)));
    add_residue(kA, "A   ", {{"C5  ", -1, 0, 0}, {"N6  ", 0, 0, 0},
                            {"C2  ", -1, 2, 0}, {"N1  ", 0, 2, 0}});
    add_residue(kU, "B   ", {{"C4  ", 4 * c, -4 * s, 0}, {"O4  ", 3 * c, -3 * s, 0},
                            {"C2  ", 4, 2, 0}, {"N3  ", 3, 2, 0}});
    add_residue(kU, "C   ", {{"C4  ", 4, r3_ref_y, 0}, {"O4  ", 3, 0, 0},
                            {"C2  ", 4, 2, 0}, {r3_bond2_atom, 3, 2, 0}});
  };
  setup("O2  ", 0);  // residue 3 has no N3
  rule();
  EXPECT_EQ(count(1), 0u);
  setup("N3  ", 9);  // residue 3's reverse angle of bond 1 is too small
  rule();
  EXPECT_EQ(count(1), 0u);
  setup("N3  ", 0);  // residue 3 passes everything
  rule();
  EXPECT_EQ(pairs_of(1), std::vector<std::string>{"3 W:W C"});
  setup("N3  ", 0);  // without residue 3's O4, residue 2 is the partner
  names.AtomName[atom_of(3, "O4")] = "O4X ";
  rule();
  EXPECT_EQ(pairs_of(1), std::vector<std::string>{"2 W:W C"});
}

TEST_F(FindPair, AnyMissingAtomFailsTheRule) {
  const struct {
    std::int32_t res;
    const char* atom;
  } missing[] = {{1, "C5"}, {1, "N6"}, {1, "C2"}, {1, "N1"},
                 {2, "C4"}, {2, "O4"}, {2, "C2"}, {2, "N3"}};
  for (const auto& m : missing) {
    pairs_test::start();
    build();
    names.AtomName[atom_of(m.res, m.atom)] = "XX  ";
    rule();
    EXPECT_EQ(count(1), 0u) << m.res << " " << m.atom;
    EXPECT_EQ(count(2), 0u);
  }
}

TEST_F(FindPair, LookUpTakesTheLastAtomOfAName) {
  // A second N6 far away, after the good one: it is the vertex of bond 1.
  add_residue(kU, "B   ", {{"C4  ", 4, 0, 0}, {"O4  ", 3, 0, 0}, {"C2  ", 4, 2, 0}, {"N3  ", 3, 2, 0}});
  add_residue(kA, "A   ", {{"C5  ", -1, 0, 0}, {"N6  ", 0, 0, 0}, {"C2  ", -1, 2, 0},
                          {"N1  ", 0, 2, 0}, {"N6  ", 0, 0, 10}});
  rule("W:W", "W:W", 0, 2);
  EXPECT_EQ(count(2), 0u);
  // The same with the good N6 last is recorded.
  std::swap(alpha.AtomZ[6], alpha.AtomZ[9]);
  rule("W:W", "W:W", 0, 2);
  EXPECT_EQ(count(2), 1u);
  // In the partner: a far O4 after the good one becomes the reverse vertex.
  pairs_test::start();
  add_residue(kU, "B   ", {{"C4  ", 4, 0, 0}, {"O4  ", 3, 0, 0}, {"C2  ", 4, 2, 0},
                          {"N3  ", 3, 2, 0}, {"O4  ", 3, 0, 10}});
  add_residue(kA, "A   ", {{"C5  ", -1, 0, 0}, {"N6  ", 0, 0, 0}, {"C2  ", -1, 2, 0}, {"N1  ", 0, 2, 0}});
  rule("W:W", "W:W", 0, 2);
  EXPECT_EQ(count(2), 0u);
}

TEST_F(FindPair, O2RuleForBond2) {
  struct Case {
    const char* what;
    bool o2_atom;     // residue 1 has "O2* " at o2
    float o2[3];
    float k2x;        // partner's N3 at (k2x, 2, 0)
    std::int32_t o2flag;
    bool recorded;
    double d2;        // expected bond-2 distance when recorded
  };
  const Case cases[] = {
      {"no O2', within the raised cut-off", false, {}, 3.9f, 1, true, 3.9},
      {"no O2', plain cut-off", false, {}, 3.9f, 0, false, 0},
      {"from the O2' atom", true, {1.5f, 2, 1}, 4.5f, 1, true, std::sqrt(10.0)},
      {"O2' ignored without o2flag", true, {1.5f, 2, 1}, 4.5f, 0, false, 0},
      {"far O2' decides though N1 is close", true, {0, 2, 5}, 3.0f, 1, false, 0},
  };
  for (const Case& c : cases) {
    pairs_test::start();
    add_residue(kA, "A   ", {{"C5  ", -1, 0, 0}, {"N6  ", 0, 0, 0},
                            {"C2  ", -1, 2, 0}, {"N1  ", 0, 2, 0}});
    if (c.o2_atom) {
      names.AtomName[5] = "O2* ";
      alpha.AtomX[5] = c.o2[0];
      alpha.AtomY[5] = c.o2[1];
      alpha.AtomZ[5] = c.o2[2];
      gama.AtomResType[5] = kA;
      chains.AtomChainId[5] = "A   ";
      beta.ResLastAtom[1] = 5;
    }
    add_residue(kU, "B   ", {{"C4  ", 4, 0, 0}, {"O4  ", 3, 0, 0},
                            {"C2  ", c.k2x + 1, 2, 0}, {"N3  ", c.k2x, 2, 0}});
    rule("S:W", "W:S", c.o2flag);
    ASSERT_EQ(count(1), c.recorded ? 1u : 0u) << c.what;
    if (c.recorded) {
      const double a = (c.d2 - 3.0) * (c.d2 - 3.0);
      EXPECT_NEAR(hbqua.PairList[1][0].PairEnergy, a, 1e-5) << c.what;
    }
  }
}

TEST(PairAppend, AppendsOnBothListsWithoutALimit) {
  pairs_test::start();
  for (int k = 0; k < 25; ++k)
    PairAppend(5, 9, 'T', "W:H", "H:W", 0.5f + k, 12.0f);
  ASSERT_EQ(hbqua.count(5), 25);
  ASSERT_EQ(hbqua.count(9), 25);
  const PairSlot& a = hbqua.PairList[5].back();
  const PairSlot& b = hbqua.PairList[9].back();
  EXPECT_EQ(a.PairPartners, 9);
  EXPECT_EQ(b.PairPartners, 5);
  EXPECT_EQ(a.PairEdges.view(), "W:H");
  EXPECT_EQ(b.PairEdges.view(), "H:W");
  EXPECT_EQ(a.PairOrientation, 'T');
  EXPECT_EQ(b.PairOrientation, 'T');
  EXPECT_EQ(a.PairEnergy, 24.5f);
  EXPECT_EQ(b.PairEnergy, 24.5f);
  EXPECT_EQ(b.PairAngle, 12.0f);
}

}  // namespace
