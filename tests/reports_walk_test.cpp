// The residue walk: neighbour reorder, indicators, structure codes and the
// -OL stop.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "reports_fixture.h"

using reports_test::P;
using reports_test::partners;
using reports_test::ResidueWalk;
using reports_test::set_list;

namespace {

// A list of partners with labels that play no part in the reorder.
std::vector<P> of(std::vector<std::int32_t> ps) {
  std::vector<P> l;
  float e = 0.3f;
  for (std::int32_t p : ps) l.push_back({p, "H:S", 'C', e += 0.1f});
  return l;
}

struct ReorderCase {
  const char* what;
  std::int32_t residues;
  std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> lists;
  std::int32_t check;
  std::vector<std::int32_t> after;
};

void PrintTo(const ReorderCase& c, std::ostream* os) { *os << c.what; }

class Reorder : public ResidueWalk, public ::testing::WithParamInterface<ReorderCase> {};

TEST_P(Reorder, OnePass) {
  const ReorderCase& c = GetParam();
  torven::beta.ResidueCount = c.residues;
  for (const auto& [r, l] : c.lists) set_list(r, of(l));
  report();
  EXPECT_EQ(partners(c.check), c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Reorder,
    ::testing::Values(
        ReorderCase{"residue 1 is never reordered", 2, {{1, {20, 15}}, {2, {16}}}, 1, {20, 15}},
        ReorderCase{"neighbour of P moves up", 6, {{4, {16}}, {5, {20, 15}}}, 5, {15, 20}},
        ReorderCase{"neighbour of Q moves up when i-1 has one pair", 6,
                    {{4, {30}}, {5, {20, 15}}, {6, {14}}}, 5, {15, 20}},
        ReorderCase{"Q test off when i-1 has two pairs", 6,
                    {{4, {30, 40}}, {5, {20, 15}}, {6, {14}}}, 5, {20, 15}},
        ReorderCase{"Q test off when i-1 has no pair", 6, {{5, {20, 15}}, {6, {14}}}, 5,
                    {20, 15}},
        ReorderCase{"Q test off for the last residue", 5,
                    {{4, {30}}, {5, {20, 15}}, {6, {14}}}, 5, {20, 15}},
        ReorderCase{"the later of two neighbours of P ends in front", 6,
                    {{4, {10}}, {5, {9, 11}}}, 5, {11, 9}},
        ReorderCase{"one pass: a, b, c gives b, c, a", 6, {{4, {10}}, {5, {30, 9, 11}}}, 5,
                    {9, 11, 30}},
        ReorderCase{"P is taken after i-1's own reorder", 6,
                    {{3, {15}}, {4, {30, 16}}, {5, {20, 15}}}, 5, {15, 20}},
        ReorderCase{"a missing P matches nothing (not even partner 1)", 6,
                    {{5, {20, 1}}}, 5, {20, 1}},
        ReorderCase{"a missing Q matches nothing", 6, {{4, {30}}, {5, {20, 1}}}, 5,
                    {20, 1}}));

TEST_F(ResidueWalk, RecordsShowTheReorderedList) {
  torven::beta.ResidueCount = 5;
  set_list(4, of({16}));
  set_list(5, of({20, 15}));
  report();
  ASSERT_EQ(out_.size(), 5u);
  const std::string& line = out_[4];
  ASSERT_GE(line.size(), 97u);
  EXPECT_EQ(line.substr(26, 5), "   15");
  EXPECT_EQ(line.substr(54, 2), "BP");
  EXPECT_EQ(line.substr(62, 5), "   20");
  EXPECT_EQ(line.substr(90, 2), "BF");  // both pairs are on the H edge
  EXPECT_EQ(nup_[4].substr(6, 5), "   15");
}

// Indicators (read from the .out columns) and the structure code.
struct LabelCase {
  std::vector<std::string> labels;
  std::vector<std::string> indicators;
  char code;
};

void PrintTo(const LabelCase& c, std::ostream* os) {
  for (const std::string& l : c.labels) *os << l << ' ';
}

class Labels : public ResidueWalk, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(Labels, IndicatorsAndStructureCode) {
  const LabelCase& c = GetParam();
  torven::beta.ResidueCount = 1;
  std::vector<P> l;
  for (std::size_t k = 0; k < c.labels.size(); ++k)
    l.push_back({static_cast<std::int32_t>(k + 2), c.labels[k], 'C', 0.5f});
  set_list(1, l);
  report();
  ASSERT_EQ(out_.size(), 1u);
  ASSERT_EQ(out_[0].size(), 25 + 36 * c.labels.size());
  for (std::size_t k = 0; k < c.indicators.size(); ++k)
    EXPECT_EQ(out_[0].substr(54 + 36 * k, 2), c.indicators[k]) << "pair " << k + 1;
  EXPECT_EQ(torven::str.StructureCode.get(1), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Labels,
    ::testing::Values(LabelCase{{}, {}, 'C'}, LabelCase{{"W:W"}, {"BP"}, 'W'},
                      LabelCase{{"w:w"}, {"BP"}, 'N'}, LabelCase{{"+:W"}, {"BP"}, 'N'},
                      LabelCase{{"W:H"}, {"BP"}, 'N'},
                      LabelCase{{"W:W", "w:h"}, {"BP", "BF"}, 'T'},
                      LabelCase{{"W:W", "H:S"}, {"BP", "TP"}, 'T'},
                      LabelCase{{"s:h", "z:H"}, {"BP", "BF"}, 'T'},
                      LabelCase{{"W:W", "+:S", "h:W"}, {"BP", "BF", "TP"}, 'T'}));

TEST_F(ResidueWalk, NoResiduesWritesNothing) {
  torven::beta.ResidueCount = 0;
  report();
  EXPECT_TRUE(out_.empty());
  EXPECT_TRUE(csv_.empty());
  EXPECT_TRUE(nup_.empty());
}

// -OL: the walk ends at the first residue (from the second on) whose first
// partner is the previous residue while that one's first partner is it.
TEST_F(ResidueWalk, OligoStopsQuietlyKeepingEarlierRecords) {
  torven::beta.ResidueCount = 3;
  set_list(1, of({2}));
  set_list(2, of({1}));
  set_list(3, of({1}));
  torven::driver.OligoFlag = 1;
  try {
    report();
    ADD_FAILURE() << "the walk must not return";
  } catch (const torven::Stop& stop) {
    EXPECT_EQ(stop.status, 0);
  }
  EXPECT_EQ(out_.size(), 1u);
  EXPECT_EQ(csv_.size(), 1u);
  EXPECT_EQ(nup_.size(), 1u);
  ASSERT_FALSE(out_.empty());
  EXPECT_EQ(out_[0].substr(0, 6), "     1");
}

TEST_F(ResidueWalk, OligoStopNeedsBothFirstPartners) {
  torven::beta.ResidueCount = 3;
  set_list(1, of({9, 2}));
  set_list(2, of({1}));
  set_list(3, of({2}));
  torven::driver.OligoFlag = 1;
  report();
  EXPECT_EQ(out_.size(), 3u);
  EXPECT_EQ(nup_.size(), 3u);
}

TEST_F(ResidueWalk, WithoutOligoFlagEveryResidueIsReported) {
  torven::beta.ResidueCount = 3;
  set_list(1, of({2}));
  set_list(2, of({1}));
  report();
  EXPECT_EQ(out_.size(), 3u);
  EXPECT_EQ(csv_.size(), 3u);
  EXPECT_EQ(nup_.size(), 3u);
}

}  // namespace
