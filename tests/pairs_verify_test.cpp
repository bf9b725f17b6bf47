// The partner search and its geometry on hand-built coordinate sets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pairs/geometry.h"
#include "pairs/pairs.h"
#include "pairs_fixture.h"

namespace {

using namespace torven;
using pairs_test::add_residue;
using pairs_test::atom_of;
using pairs_test::pseudo_angle;

struct Found {
  float dist = -1, angle = -1;
  std::int32_t res = -1, atom = -1;
};

// Searches from residue 1's "N1  " (reference "C4  ") for "O6  " in G
// residues.
Found search(float cut2 = 14.44f, std::int32_t only_res = 0,
             float min_angle = 120.0f, std::int32_t origin = 0,
             std::int32_t o2_alt = 0, std::int32_t res = 1) {
  Found f;
  verify(res, atom_of(res, "N1"), atom_of(res, "C4"), AtomName4("O6"), kG,
         f.dist, f.angle, f.res, f.atom, cut2, only_res, min_angle, origin,
         o2_alt);
  return f;
}

// The searching residue: vertex N1 at the origin, its reference C4 one unit
// behind on -x, so a candidate on +x makes a straight angle.
void searcher(const char* chain = "A   ") {
  add_residue(kC, chain, {{"C4  ", -1, 0, 0}, {"N1  ", 0, 0, 0}, {"O2* ", 0, 0, 2}});
}

class Verify : public ::testing::Test {
 protected:
  void SetUp() override { pairs_test::start(); }
};

TEST_F(Verify, NothingFoundGivesTheEmptyResult) {
  searcher();
  add_residue(kG, "A   ", {{"N7  ", 3, 0, 0}});    // no O6
  add_residue(kA, "B   ", {{"O6  ", 3, 0, 0}});    // wrong type
  add_residue(kG, "B   ", {{"O6  ", 4, 0, 0}});    // too far
  Found f = search();
  EXPECT_EQ(f.res, 0);
  EXPECT_EQ(f.atom, 0);
  EXPECT_EQ(f.dist, 1000.0f);
  EXPECT_EQ(f.angle, 0.0f);

  beta.ResidueCount = 0;
  f = search();
  EXPECT_EQ(f.res, 0);
  EXPECT_EQ(f.dist, 1000.0f);
}

TEST_F(Verify, DistanceCutOffIsInclusiveOnSquares) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});  // d2 = 9 exactly
  Found f = search(9.0f);
  EXPECT_EQ(f.res, 2);
  EXPECT_EQ(f.atom, 4);
  EXPECT_EQ(f.dist, 3.0f);
  EXPECT_EQ(search(std::nextafter(9.0f, 0.0f)).res, 0);
}

TEST_F(Verify, MinimumAngleIsInclusive) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 2.5f, 1.5f, 0.5f}});
  const float theta = pseudo_angle(2, 1, 4);
  ASSERT_GT(theta, 120.0f);
  Found f = search(14.44f, 0, theta);
  EXPECT_EQ(f.res, 2);
  EXPECT_EQ(f.angle, theta);
  EXPECT_EQ(search(14.44f, 0, std::nextafter(theta, 1000.0f)).res, 0);
}

TEST_F(Verify, LargestAngleWinsAndTiesKeepTheFirstFound) {
  searcher();
  for (int r = 2; r <= 12; ++r) add_residue(kG, "B   ", {{"N7  ", 3, 0, 0}});
  // Residues 7 and 12 offer mirror-image candidates with equal angles.
  names.AtomName[beta.ResFirstAtom[7]] = "O6  ";
  alpha.AtomY[beta.ResFirstAtom[7]] = 1.0f;
  names.AtomName[beta.ResFirstAtom[12]] = "O6  ";
  alpha.AtomY[beta.ResFirstAtom[12]] = -1.0f;
  EXPECT_EQ(search().res, 7);

  // A straighter candidate later in the scan replaces it.
  alpha.AtomY[beta.ResFirstAtom[12]] = 0.5f;
  Found f = search();
  EXPECT_EQ(f.res, 12);
  EXPECT_EQ(f.atom, beta.ResFirstAtom[12]);
}

TEST_F(Verify, TiesWithinOneResidueKeepTheLowerAtom) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 1}, {"O6  ", 3, 0, -1}, {"O6  ", 3, 0.1f, 1}});
  Found f = search();
  EXPECT_EQ(f.res, 2);
  EXPECT_EQ(f.atom, 4);
}

TEST_F(Verify, DistanceFromOriginAngleAtVertex) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});
  const std::int32_t o2 = atom_of(1, "O2*");
  // From the O2' atom at (0,0,2) the candidate is sqrt(13) away.
  Found f = search(14.44f, 0, 120.0f, o2);
  EXPECT_EQ(f.res, 2);
  EXPECT_EQ(f.dist, std::sqrt(13.0f));
  EXPECT_EQ(f.angle, pseudo_angle(2, 1, 4));  // still measured at N1
  EXPECT_EQ(search(10.0f, 0, 120.0f, o2).res, 0);  // vertex distance would pass
}

TEST_F(Verify, O2AlternativeOfTheDistanceTest) {
  searcher();
  // Candidate O6 is 4 from the vertex; the partner's O2' is 2 from it.
  add_residue(kG, "B   ", {{"O2* ", 9, 9, 9}, {"O6  ", 4, 0, 0}, {"O2* ", 2, 0, 0}});
  Found f = search(9.0f, 0, 120.0f, 0, 1);
  EXPECT_EQ(f.res, 2);
  EXPECT_EQ(f.dist, 4.0f);  // the candidate's own distance, above the cut-off
  EXPECT_EQ(search(9.0f, 0, 120.0f, 0, 0).res, 0);
  EXPECT_EQ(search(9.0f, 0, 120.0f, 0, 2).res, 0);  // only exactly 1 switches it on

  // The last O2' atom counts: a near one before a far one does not help.
  std::swap(alpha.AtomX[4], alpha.AtomX[6]);
  std::swap(alpha.AtomY[4], alpha.AtomY[6]);
  std::swap(alpha.AtomZ[4], alpha.AtomZ[6]);
  EXPECT_EQ(search(9.0f, 0, 120.0f, 0, 1).res, 0);
  EXPECT_EQ(alpha.AtomX[5], 4.0f);  // the candidate itself did not move
}

TEST_F(Verify, O2DistanceIsFromVertexNotOrigin) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 4, 0, 0}, {"O2* ", 2, 0, 0}});
  // Origin at (0,0,2): the O2' is sqrt(8) from it but 2 from the vertex.
  const std::int32_t origin = atom_of(1, "O2*");
  EXPECT_EQ(search(4.0f, 0, 120.0f, origin, 1).res, 2);
  EXPECT_EQ(search(3.9f, 0, 120.0f, origin, 1).res, 0);
}

TEST_F(Verify, O2AlternativeWithoutO2AtomNeedsThePlainTest) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 4, 0, 0}, {"O2  ", 2, 0, 0}});
  EXPECT_EQ(search(9.0f, 0, 120.0f, 0, 1).res, 0);
  EXPECT_EQ(search(16.0f, 0, 120.0f, 0, 1).res, 2);
}

TEST_F(Verify, UndefinedAnglesFindNothing) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});
  // Reference on top of the vertex.
  alpha.AtomX[1] = 0.0f;
  EXPECT_EQ(search().res, 0);
  EXPECT_EQ(search(14.44f, 0, -1000.0f).res, 0);
  // Candidate on top of the vertex.
  alpha.AtomX[1] = -1.0f;
  alpha.AtomX[4] = 0.0f;
  EXPECT_EQ(search(14.44f, 0, -1000.0f).res, 0);
}

TEST_F(Verify, StraightLineWhoseCosineFallsBelowMinusOne) {
  // A collinear candidate whose single-precision cosine comes out below -1
  // gets no angle; one whose cosine is exactly -1 gets 180 degrees.
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});
  bool below = false, exact = false;
  for (int s = 1; s < 400 && !(below && exact); ++s) {
    const float ux = 0.1f * s, uy = 0.07f * s, uz = 0.13f * s;
    const float t = 2.7f / std::sqrt(ux * ux + uy * uy + uz * uz);
    const float kx = ux * t, ky = uy * t, kz = uz * t;  // vertex at 0, ref at -u
    const float dot = -ux * kx + -uy * ky + -uz * kz;
    const float c = dot / (std::sqrt(ux * ux + uy * uy + uz * uz) *
                           std::sqrt(kx * kx + ky * ky + kz * kz));
    if (!(c < -1.0f) && !(c == -1.0f)) continue;
    if ((c < -1.0f && below) || (c == -1.0f && exact)) continue;
    alpha.AtomX[1] = -ux;
    alpha.AtomY[1] = -uy;
    alpha.AtomZ[1] = -uz;
    alpha.AtomX[4] = kx;
    alpha.AtomY[4] = ky;
    alpha.AtomZ[4] = kz;
    Found f = search(14.44f, 0, 0.0f);
    if (c < -1.0f) {
      below = true;
      EXPECT_EQ(f.res, 0) << "step " << s;
    } else {
      exact = true;
      EXPECT_EQ(f.res, 2) << "step " << s;
      EXPECT_EQ(f.angle, std::acos(-1.0f) * 57.29578f);
    }
  }
  EXPECT_TRUE(below);
  EXPECT_TRUE(exact);
}

TEST_F(Verify, NeighboursInTheSameChain) {
  // Residues 1..7 of one chain plus 8..10 of another; residue 4 searches.
  for (int r = 1; r <= 7; ++r)
    add_residue(kG, "A   ", {{"C4  ", -1, 0, 0}, {"N1  ", 0, 0, 0}, {"O6  ", 3, 0, 0}});
  for (int r = 8; r <= 10; ++r) add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});
  struct Case {
    std::int32_t flag, only_res;
    bool found;
  };
  const Case cases[] = {
      {1, 4, false}, {0, 4, false},                       // itself
      {1, 2, true},  {1, 3, true},  {1, 5, true},  {1, 6, true},
      {0, 2, false}, {0, 3, false}, {0, 5, false}, {0, 6, false},
      {0, 1, true},  {0, 7, true},                        // three apart
      {2, 5, false},                                      // only 1 allows
  };
  for (const Case& c : cases) {
    beta.AdjacentPairFlag = c.flag;
    EXPECT_EQ(search(14.44f, c.only_res, 120.0f, 0, 0, 4).res != 0, c.found)
        << "flag " << c.flag << " residue " << c.only_res;
  }
  // Another chain next door in serials is never skipped: residue 7 searches.
  beta.AdjacentPairFlag = 0;
  EXPECT_EQ(search(14.44f, 8, 120.0f, 0, 0, 7).res, 8);
  EXPECT_EQ(search(14.44f, 9, 120.0f, 0, 0, 7).res, 9);
  // Chains compare byte for byte: a zero byte is not a blank.
  chains.AtomChainId[beta.ResFirstAtom[5]] = Text<4>(std::string_view("A\0\0\0", 4));
  EXPECT_EQ(search(14.44f, 5, 120.0f, 0, 0, 4).res, 5);
}

TEST_F(Verify, SearchOverAllResiduesSkipsOnlyItselfByDefault) {
  add_residue(kG, "A   ", {{"O6  ", 3, 0, 0}});
  searcher();
  add_residue(kG, "A   ", {{"O6  ", 3, 0, 0.5f}});
  EXPECT_EQ(search(14.44f, 0, 120.0f, 0, 0, 2).res, 1);
  beta.AdjacentPairFlag = 0;
  EXPECT_EQ(search(14.44f, 0, 120.0f, 0, 0, 2).res, 0);
}

TEST_F(Verify, AtomsBeyondTheWrittenColumnsReadAsZero) {
  searcher();
  add_residue(kG, "B   ", {{"O6  ", 3, 0, 0}});
  // A residue whose atom range runs past every column: nothing there to
  // find, and nothing read outside a table.
  beta.ResFirstAtom[3] = 5;
  beta.ResLastAtom[3] = 100000;
  gama.AtomResType[5] = kG;
  beta.ResidueCount = 3;
  Found f = search();
  EXPECT_EQ(f.res, 2);
}

TEST(PairGeometry, VectorAngle) {
  pairs_test::start();
  add_residue(kA, "A   ", {{"N1  ", 0, 0, 0}, {"N2  ", 1, 0, 0}, {"N3  ", 0, 2, 0}, {"N4  ", 3, 3, 0}});
  EXPECT_EQ(geom::vector_angle(1, 1, 2, 3), 90.0f);  // (1,0,0) against (0,2,0)
  EXPECT_NEAR(geom::vector_angle(1, 2, 4, 1), 135.0f, 1e-4f);  // (3,3,0) against (-1,0,0)
  EXPECT_TRUE(std::isnan(geom::vector_angle(1, 2, 1, 3)));  // zero-length vector
}

}  // namespace
