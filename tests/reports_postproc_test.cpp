// Pair-list cleanup (class filter, E-value sort, duplicate removal) and
// symmetrisation on hand-made lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports_fixture.h"

using reports_test::get_list;
using reports_test::P;
using reports_test::partners;
using reports_test::set_list;

namespace {

struct CleanupCase {
  const char* what;
  std::vector<P> raw;
  std::vector<P> cleaned;
};

void PrintTo(const CleanupCase& c, std::ostream* os) { *os << c.what; }

class Cleanup : public ::testing::TestWithParam<CleanupCase> {};

TEST_P(Cleanup, OneResidue) {
  torven::reset_tables();
  torven::beta.ResidueCount = 1;
  set_list(1, GetParam().raw);
  torven::PairListCleanup();
  EXPECT_EQ(get_list(1), GetParam().cleaned) << GetParam().what;
}

const P wA{5, "W:W", 'C', 0.3f, 11.0f};
const P hB{5, "H:S", 'T', 0.5f, 12.0f};
const P hC{9, "h:w", 'C', 0.7f, 13.0f};

INSTANTIATE_TEST_SUITE_P(
    Cases, Cleanup,
    ::testing::Values(
        CleanupCase{"empty list", {}, {}},
        CleanupCase{"a lone w:w needs a W:W pair to be filtered",
                    {{3, "w:w", 'C', 0.4f, 1.0f}}, {{3, "w:w", 'C', 0.4f, 1.0f}}},
        CleanupCase{"N pairs go beside W:W, even with lower E-values",
                    {{1, "w:w", 'C', 0.2f}, {2, "+:W", 'T', 0.3f}, {3, "W:W", 'C', 0.9f}},
                    {{3, "W:W", 'C', 0.9f}}},
        CleanupCase{"no W:W pair: W:+ and S:H both stay, in order",
                    {{8, "W:+", 'C', 0.1f}, {9, "S:H", 'T', 0.4f}},
                    {{8, "W:+", 'C', 0.1f}, {9, "S:H", 'T', 0.4f}}},
        CleanupCase{"exchange sort of 2.0, 2.0, 1.0 gives z, y, x",
                    {{1, "W:H", 'C', 2.0f, 1.0f}, {2, "H:S", 'T', 2.0f, 2.0f},
                     {3, "S:W", 'C', 1.0f, 3.0f}},
                    {{3, "S:W", 'C', 1.0f, 3.0f}, {2, "H:S", 'T', 2.0f, 2.0f},
                     {1, "W:H", 'C', 2.0f, 1.0f}}},
        CleanupCase{"same partner goes; a later pair is compared with kept pairs only",
                    {hC, hB, wA}, {wA, hC}},
        CleanupCase{"same own edge: +:W and W:H are both W",
                    {{7, "W:H", 'T', 0.6f}, {4, "+:W", 'C', 0.2f}},
                    {{4, "+:W", 'C', 0.2f}}},
        CleanupCase{"z and S share an edge; the label stays z:W",
                    {{2, "z:W", 'C', 0.2f}, {6, "S:H", 'C', 0.3f}},
                    {{2, "z:W", 'C', 0.2f}}},
        CleanupCase{"consecutive removals re-examine the slot that moved in",
                    {{1, "W:W", 'C', 0.1f}, {1, "H:H", 'C', 0.2f}, {1, "S:S", 'C', 0.3f},
                     {2, "h:s", 'T', 0.4f}},
                    {{1, "W:W", 'C', 0.1f}, {2, "h:s", 'T', 0.4f}}}));

TEST(Cleanup, LongRawListKeepsBestPerEdge) {
  // Raw lists are not bounded by any slot count.
  torven::reset_tables();
  torven::beta.ResidueCount = 1;
  std::vector<P> raw;
  const char* labels[] = {"W:H", "H:S", "S:W"};
  for (int k = 0; k < 30; ++k)
    raw.push_back({k + 2, labels[k % 3], 'C', 1.5f - 0.01f * static_cast<float>(k)});
  set_list(1, raw);
  torven::PairListCleanup();
  EXPECT_EQ(partners(1), (std::vector<std::int32_t>{31, 30, 29}));
}

// Symmetrisation over a few residues: lists before and after.
struct SymCase {
  const char* what;
  std::int32_t residues;
  std::vector<std::pair<std::int32_t, std::vector<P>>> before;
  std::int32_t check;  // residue whose list is compared
  std::vector<P> after;
};

void PrintTo(const SymCase& c, std::ostream* os) { *os << c.what; }

class Symmetrisation : public ::testing::TestWithParam<SymCase> {};

TEST_P(Symmetrisation, Lists) {
  torven::reset_tables();
  torven::beta.ResidueCount = GetParam().residues;
  for (const auto& [r, l] : GetParam().before) set_list(r, l);
  torven::PairSymmetrisation();
  EXPECT_EQ(get_list(GetParam().check), GetParam().after) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Symmetrisation,
    ::testing::Values(
        SymCase{"mirror entry appended with reversed label and same data",
                8,
                {{3, {{7, "W:H", 'C', 0.5f, 40.0f}}},
                 {7, {{2, "H:S", 'T', 0.3f, 9.0f}}},
                 {2, {{7, "S:H", 'T', 0.3f, 9.0f}}}},
                7,
                {{2, "H:S", 'T', 0.3f, 9.0f}, {3, "H:W", 'C', 0.5f, 40.0f}}},
        SymCase{"partner listed with another label: nothing added",
                8,
                {{3, {{7, "W:H", 'C', 0.5f}}}, {7, {{3, "S:W", 'T', 0.9f}}}},
                7,
                {{3, "S:W", 'T', 0.9f}}},
        SymCase{"mirrors at the end, ascending by listing residue, lower E kept behind",
                10,
                {{9, {{7, "s:h", 'T', 0.1f}}},
                 {2, {{7, "W:+", 'C', 0.2f}}},
                 {5, {{7, "H:H", 'C', 0.3f}}},
                 {7, {{1, "S:S", 'C', 0.8f}}},
                 {1, {{7, "S:S", 'C', 0.8f}}}},
                7,
                {{1, "S:S", 'C', 0.8f},
                 {2, "+:W", 'C', 0.2f},
                 {5, "H:H", 'C', 0.3f},
                 {9, "h:s", 'T', 0.1f}}},
        SymCase{"a residue without pairs gains the mirror of every pair on it",
                3,
                {{1, {{3, "W:W", 'C', 0.4f}}}, {2, {{3, "H:W", 'T', 0.6f}}}},
                3,
                {{1, "W:W", 'C', 0.4f}, {2, "W:H", 'T', 0.6f}}}));

TEST(Symmetrisation, ListsGrowPastTwentyAndEveryPairIsMatched) {
  torven::reset_tables();
  const std::int32_t hub = 30;
  torven::beta.ResidueCount = hub;
  for (std::int32_t r = 1; r < hub; ++r) set_list(r, {{hub, "W:H", 'C', 0.5f}});
  torven::PairSymmetrisation();
  std::vector<std::int32_t> want;
  for (std::int32_t r = 1; r < hub; ++r) want.push_back(r);
  EXPECT_EQ(partners(hub), want);
  for (std::int32_t r = 1; r < hub; ++r) EXPECT_EQ(partners(r), std::vector<std::int32_t>{hub});
}

}  // namespace
