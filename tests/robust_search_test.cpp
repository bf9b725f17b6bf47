// The partner grid of the rule walk must leave every search result as the
// search over all residues gives it: same partner, same atom, same distance
// and angle, for any cut-off, origin and O2' shortcut, also next to atoms
// that lie off the grid.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/tables.h"
#include "driver/stages.h"
#include "driver/run.h"
#include "pairs/pairs.h"
#include "pairs/partner_grid.h"
#include "pairs_fixture.h"
#include "structure_fixture.h"
#include "test_util.h"

namespace {

using namespace torven;

struct Result {
  float dist = 0.0f, angle = 0.0f;
  std::int32_t res = 0, atom = 0;
  bool operator==(const Result& o) const {
    // Bit for bit: the grid must not change a single rounding.
    return std::memcmp(&dist, &o.dist, sizeof dist) == 0 &&
           std::memcmp(&angle, &o.angle, sizeof angle) == 0 && res == o.res && atom == o.atom;
  }
};

struct Probe {
  std::int32_t res, vertex, ref;
  const char* partner;
  std::int32_t type;
  float cut2;
  std::int32_t origin, o2_alt;
};

Result search(const Probe& p, PartnerGrid* grid = nullptr) {
  Result r;
  verify(p.res, p.vertex, p.ref, AtomName4(p.partner), p.type, r.dist, r.angle, r.res, r.atom,
         p.cut2, 0, 100.0f, p.origin, p.o2_alt, grid);
  return r;
}

// Every probe, without and then with the grid; returns how many found a
// partner, so that a test can tell that its probes reach the accepting paths.
int expect_same_with_grid(const std::vector<Probe>& probes) {
  std::vector<Result> full;
  for (const Probe& p : probes) full.push_back(search(p));
  PartnerGrid grid;
  int found = 0;
  for (std::size_t k = 0; k < probes.size(); ++k) {
    const Probe& p = probes[k];
    const Result g = search(p, &grid);
    EXPECT_TRUE(g == full[k]) << "residue " << p.res << " vertex " << p.vertex << " partner "
                              << p.partner << " type " << p.type << " cut2 " << p.cut2
                              << " origin " << p.origin << " o2 " << p.o2_alt << ": "
                              << full[k].res << "/" << full[k].atom << " became " << g.res
                              << "/" << g.atom;
    found += full[k].res != 0;
  }
  return found;
}

class RealStructure : public ::testing::Test {
 protected:
  void SetUp() override { testutil::read_structure(run_, dir_.path(), "1ehz.pdb"); }
  testutil::TempDir dir_;
  torven::Run run_;  // closes its files before the directory goes
};

TEST_F(RealStructure, GridGivesTheResultsOfTheFullSearch) {
  const std::int32_t n = beta.ResidueCount;
  ASSERT_GT(n, 50);
  // One atom far off the grid (its residue is always searched) and one
  // residue moved next to another, so that cells hold atoms of several
  // residues in odd places.
  alpha.AtomX[beta.ResFirstAtom.get(5)] = 1.0e30f;
  for (std::int32_t k = beta.ResFirstAtom.get(20); k <= beta.ResLastAtom.get(20); ++k)
    alpha.AtomX[k] = alpha.AtomX.get(k) + 3.9f;

  const char* const partners[] = {"N1  ", "N3  ", "O6  ", "N7  ", "O2* ", "O4  "};
  const float cuts[] = {14.44f, 16.44f, 0.0f, 60.0f, 2500.0f};
  std::vector<Probe> probes;
  int turn = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t first = beta.ResFirstAtom.get(i), last = beta.ResLastAtom.get(i);
    for (std::int32_t v = first + 1; v <= last; v += 3) {
      for (const char* partner : partners)
        for (std::int32_t type = 1; type <= 4; ++type) {
          ++turn;
          const float cut2 = cuts[turn % 5];
          const std::int32_t origin = turn % 3 == 0 ? first : 0;
          probes.push_back({i, v, v - 1, partner, type, cut2, origin, turn % 2});
        }
    }
  }
  EXPECT_GT(expect_same_with_grid(probes), 1000);
}

TEST_F(RealStructure, SharedNearbyListsEqualFreshCollections) {
  // The probes of a residue share their lists; asked in the rule walk's
  // order, again out of order and after other residues, every list must be
  // the one a grid that has answered nothing yet gives.
  const std::int32_t n = beta.ResidueCount;
  PartnerGrid grid;
  const float cuts[] = {14.44f, 16.44f};
  int compared = 0;
  for (std::int32_t i : {1, 2, 2, 30, 1, n, 30}) {
    const std::int32_t first = beta.ResFirstAtom.get(i), last = beta.ResLastAtom.get(i);
    for (int pass = 0; pass < 2; ++pass)
      for (std::int32_t v = first; v <= last; ++v)
        for (float cut2 : cuts)
          for (bool o2 : {false, true}) {
            const std::int32_t origin = pass == 0 ? v : last + first - v;
            const PartnerGrid::Nearby* shared = grid.nearby(i, origin, v, o2, cut2);
            PartnerGrid new_grid;
            const PartnerGrid::Nearby* fresh_list = new_grid.nearby(i, origin, v, o2, cut2);
            ASSERT_NE(shared, nullptr);
            ASSERT_NE(fresh_list, nullptr);
            const std::vector<std::int32_t>& fresh = fresh_list->residues;
            EXPECT_EQ(shared->residues, fresh) << "residue " << i << " origin " << origin
                                               << " vertex " << v << " cut2 " << cut2 << " o2 "
                                               << o2;
            ASSERT_EQ(shared->types.size(), fresh.size());
            for (std::size_t k = 0; k < fresh.size(); ++k)
              EXPECT_EQ(shared->types[k], gama.AtomResType.get(beta.ResFirstAtom.get(fresh[k])));
            EXPECT_FALSE(fresh.empty());
            ++compared;
          }
  }
  EXPECT_GT(compared, 1000);
}

TEST(PartnerGrid, O2ShortcutReachesAPartnerAtomBeyondTheCutoff) {
  // The partner's N3 lies 6 A from the vertex, beyond the 3.8 A cut-off and
  // in another cell, but its O2' is within reach of the vertex, so the
  // shortcut accepts N3; the grid must look around the vertex too.
  pairs_test::start();
  const std::int32_t a = pairs_test::add_residue(kG, "A", {{"C6  ", -1.0f, 0.0f, 0.0f},
                                                           {"N1  ", 0.0f, 0.0f, 0.0f}});
  pairs_test::add_residue(kC, "B", {{"N3  ", 6.0f, 0.0f, 0.0f},
                                    {"O2* ", 3.0f, 0.5f, 0.0f}});
  const std::int32_t n1 = pairs_test::atom_of(a, "N1"), c6 = pairs_test::atom_of(a, "C6");
  // Measured from an origin far from both, only the shortcut can pass.
  pairs_test::add_residue(kA, "C", {{"C1* ", 40.0f, 40.0f, 40.0f}});
  const std::int32_t far = pairs_test::atom_of(3, "C1*");
  const std::vector<Probe> probes = {
      {a, n1, c6, "N3  ", kC, 14.44f, far, 1},
      {a, n1, c6, "N3  ", kC, 14.44f, 0, 1},
      {a, n1, c6, "N3  ", kC, 14.44f, far, 0},
  };
  std::vector<Result> full;
  for (const Probe& p : probes) full.push_back(search(p));
  EXPECT_EQ(full[0].res, 2);
  EXPECT_EQ(full[1].res, 2);
  EXPECT_EQ(full[2].res, 0);
  EXPECT_EQ(expect_same_with_grid(probes), 2);
}

TEST(PartnerGrid, CandidatesRightAtTheCutoffAreFound) {
  // The farthest partner position that still passes the distance test, for
  // vertices swept across cell boundaries on both sides of the origin.
  for (float x0 = -4.5f; x0 <= 4.5f; x0 += 1.0f / 512.0f) {
    SCOPED_TRACE(x0);
    pairs_test::start();
    const std::int32_t a = pairs_test::add_residue(kG, "A", {{"C6  ", x0 - 1.0f, 0.0f, 0.0f},
                                                             {"N1  ", x0, 0.0f, 0.0f}});
    float cx = x0 + 3.8f;
    auto passes = [x0](float c) {
      const float dx = x0 - c;
      return dx * dx + 0.0f * 0.0f + 0.0f * 0.0f <= 14.44f;
    };
    while (!passes(cx)) cx = std::nextafter(cx, -1.0e9f);
    while (passes(std::nextafter(cx, 1.0e9f))) cx = std::nextafter(cx, 1.0e9f);
    pairs_test::add_residue(kC, "B", {{"N3  ", cx, 0.0f, 0.0f}});
    const std::int32_t n1 = pairs_test::atom_of(a, "N1"), c6 = pairs_test::atom_of(a, "C6");
    EXPECT_EQ(expect_same_with_grid({{a, n1, c6, "N3  ", kC, 14.44f, 0, 0}}), 1);
  }
}

}  // namespace
