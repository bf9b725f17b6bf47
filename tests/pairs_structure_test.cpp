// The rule walk on a real structure, read and cleaned by the real stages:
// yeast tRNA-Phe (1EHZ).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "common/tables.h"
#include "driver/stages.h"
#include "driver/run.h"
#include "pairs/pairs.h"
#include "structure_fixture.h"
#include "test_util.h"

namespace {

using namespace torven;

class TrnaWalk : public ::testing::Test {
 protected:
  void SetUp() override { testutil::read_structure(run_, dir_.path(), "1ehz.pdb"); }
  void TearDown() override { run_.files.close_all(true); }

  // Residue serial of residue number n (0 if not kept).
  std::int32_t serial(std::int32_t n) const {
    for (std::int32_t r = 1; r <= beta.ResidueCount; ++r)
      if (num.ResNumber(2).get(r) == n) return r;
    return 0;
  }

  // Residue r's raw list as (partner's residue number, label, orientation).
  std::multiset<std::tuple<std::int32_t, std::string, char>> list_of(std::int32_t n) const {
    std::multiset<std::tuple<std::int32_t, std::string, char>> out;
    for (const auto& s : hbqua.PairList.get(serial(n)))
      out.insert({num.ResNumber(2).get(s.PairPartners), s.PairEdges.str(), s.PairOrientation});
    return out;
  }

  std::int64_t entries() const {
    std::int64_t t = 0;
    for (std::int32_t r = 1; r <= beta.ResidueCount; ++r) t += hbqua.count(r);
    return t;
  }

  testutil::TempDir dir_;
  torven::Run run_;  // closes its files before the directory goes
};

TEST_F(TrnaWalk, CloverleafStemsAreFoundAsCisWatsonCrick) {
  // 62 residues are kept: the modified ones are HETATM records, which a run
  // without -HT does not read.
  ASSERT_EQ(beta.ResidueCount, 62);
  RuleWalk();
  const std::pair<int, int> stems[] = {
      {1, 72}, {4, 69}, {7, 66},    // acceptor stem (4-69 is the G-U wobble)
      {11, 24}, {13, 22},           // D stem
      {27, 43}, {29, 41},           // anticodon stem
      {50, 64}, {53, 61},           // T stem
  };
  for (const auto& [a, b] : stems) {
    SCOPED_TRACE(std::to_string(a) + "-" + std::to_string(b));
    ASSERT_NE(serial(a), 0);
    ASSERT_NE(serial(b), 0);
    EXPECT_EQ(list_of(a).count({b, "W:W", 'C'}), 1u);
    EXPECT_EQ(list_of(b).count({a, "W:W", 'C'}), 1u);
  }
  // Tertiary pairs of the elbow, as raw entries: U8-A14 reverse Hoogsteen,
  // the Levitt pair G15-C48, and A9-A23, which the symmetric A-A rule
  // finds in the turn of each.
  EXPECT_EQ(list_of(8), (std::multiset<std::tuple<std::int32_t, std::string, char>>{{14, "W:H", 'T'}}));
  EXPECT_EQ(list_of(15), (std::multiset<std::tuple<std::int32_t, std::string, char>>{{48, "W:W", 'T'}}));
  EXPECT_EQ(list_of(9).count({23, "H:H", 'T'}), 2u);
}

TEST_F(TrnaWalk, RawEntriesPerBlock) {
  // The walk keeps no memory between rules, so the entries of each block
  // are the differences between runs with blocks switched off.
  auto walk = [&](int ch, int sg) {
    driver.ChoHbFlag = ch;
    driver.SugarHbFlag = sg;
    RuleWalk();
    return entries();
  };
  const std::int64_t base = walk(0, 0);
  const std::int64_t with_ch = walk(1, 0);
  const std::int64_t with_sugar = walk(0, 1);
  const std::int64_t all = walk(1, 1);
  EXPECT_EQ(base, 44);  // 22 pairs, each on both lists
  EXPECT_EQ(with_ch - base, 0);
  EXPECT_EQ(with_sugar - base, 0);
  EXPECT_EQ(all - with_ch - (with_sugar - base), 0);
}

}  // namespace
