// Dot-bracket string, stacked segments, helices and the structure codes
// that the .hlx writer sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "helix_support.h"

using namespace helix_test;
using testutil::read_lines;
using testutil::TempDir;
using torven::helix::HelixStage;
using torven::helix::Span;

namespace {

// Partners of the pairs (a, b), both directions, over n lines.
std::vector<int> pairing(int n, const std::vector<std::pair<int, int>>& pairs) {
  std::vector<int> p(static_cast<std::size_t>(n), 0);
  for (auto [a, b] : pairs) {
    p[static_cast<std::size_t>(a - 1)] = b;
    p[static_cast<std::size_t>(b - 1)] = a;
  }
  return p;
}

std::string dot_bracket(const std::vector<int>& partners) {
  HelixStage s = stage_from_partners(partners);
  torven::helix::build_dot_bracket(s);
  return std::string(s.STRDBN.begin(), s.STRDBN.end());
}

// The bracket rule as written: count each kind over i..j afresh.
std::string dot_bracket_by_scanning(const std::vector<int>& p) {
  const int n = static_cast<int>(p.size());
  std::string s(p.size(), '.');
  auto count = [&](int i, int j, char c) {
    int k = 0;
    for (int r = i; r <= j; ++r) k += s[static_cast<std::size_t>(r - 1)] == c;
    return k;
  };
  for (int i = 1; i <= n; ++i) {
    const int j = p[static_cast<std::size_t>(i - 1)];
    if (j == 0 || j > n || j <= i || p[static_cast<std::size_t>(j - 1)] != i) continue;
    if (s[static_cast<std::size_t>(i - 1)] == ')') continue;
    const char* b = count(i, j, '(') >= count(i, j, ')')   ? "()"
                    : count(i, j, '[') >= count(i, j, ']') ? "[]"
                                                           : "{}";
    s[static_cast<std::size_t>(i - 1)] = b[0];
    s[static_cast<std::size_t>(j - 1)] = b[1];
  }
  return s;
}

std::string codes(int n) {
  std::string c;
  for (int r = 1; r <= n; ++r) c += torven::str.StructureCode.get(r);
  return c;
}

// Runs the searches and the .hlx writer on `partners` with the entry codes
// `entry`; returns the .hlx lines.
std::vector<std::string> run_searches(HelixStage& s, const std::string& entry) {
  set_residue_tables(std::vector<std::string>(entry.size(), "A"), entry);
  torven::helix::find_stacked_segments(s);
  torven::helix::find_helices(s);
  TempDir dir;
  torven::OutputFile hlx;
  hlx.open(dir.file("s.hlx"));
  torven::helix::write_hlx(s, hlx);
  hlx.close();
  return read_lines(dir.file("s.hlx"));
}

std::vector<std::pair<int, int>> spans(const std::vector<Span>& v) {
  std::vector<std::pair<int, int>> r;
  for (const Span& s : v) r.emplace_back(s.first, s.last);
  return r;
}

}  // namespace

TEST(HelixDotBracket, BracketLevelsAndUnmarkedPartners) {
  struct Case {
    const char* what;
    std::vector<int> partners;
    std::string expected;
  };
  const Case cases[] = {
      {"hairpin", pairing(10, {{1, 10}, {2, 9}, {3, 8}}), "(((....)))"},
      {"crossing pairs take [ then {", pairing(20, {{1, 10}, {5, 15}, {7, 20}}),
       "(...[.{..)....]....}"},
      {"no fourth level", pairing(25, {{1, 10}, {5, 15}, {7, 20}, {8, 25}}),
       "(...[.{{.)....]....}....}"},
      {"nested inside a crossing pair", pairing(12, {{1, 6}, {3, 10}, {4, 9}}), "(.[[.)..]].."},
      {"first partner not reciprocal", {5, 0, 0, 0, 2}, "....."},
      {"partner beyond the last line", {9, 0}, ".."},
      {"no pairs", {0, 0, 0}, "..."},
  };
  for (const Case& c : cases) EXPECT_EQ(dot_bracket(c.partners), c.expected) << c.what;
}

TEST(HelixDotBracket, AgreesWithScanningEachSpan) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    const int n = 200;
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<std::pair<int, int>> pairs;
    for (int k = 0; k + 1 < n / 2; k += 2) {
      pairs.emplace_back(order[static_cast<std::size_t>(k)], order[static_cast<std::size_t>(k + 1)]);
    }
    std::vector<int> p = pairing(n, pairs);
    // Some one-sided partners as well.
    for (int k = n / 2; k < n / 2 + 10; ++k) {
      p[static_cast<std::size_t>(order[static_cast<std::size_t>(k)] - 1)] =
          order[static_cast<std::size_t>(k + 20)];
    }
    ASSERT_EQ(dot_bracket(p), dot_bracket_by_scanning(p)) << "round " << round;
  }
}

TEST(HelixSearch, HairpinGivesOneHelixAndItsLoop) {
  // 1-5 with 14-10, 6-9 unpaired. Residue 1 has two pairs (T), residue 2
  // one non-W:W pair (N): a 'T' keeps its code while its 'W' partner turns
  // 'H'; a line with an 'N' on either side changes nothing.
  HelixStage s = stage_from_partners(pairing(14, {{1, 14}, {2, 13}, {3, 12}, {4, 11}, {5, 10}}));
  const std::vector<std::string> hlx = run_searches(s, "TNWWWCCCCWWWWW");
  EXPECT_TRUE(s.NRSTK.empty());
  EXPECT_EQ(spans(s.NDOUB), (std::vector<std::pair<int, int>>{{1, 5}}));
  EXPECT_EQ(hlx, (std::vector<std::string>{"    0", "    1    14W:WC   GC", "    2    13W:WC   GC",
                                           "    3    12W:WC   GC", "    4    11W:WC   GC",
                                           "    5    10W:WC   GC", "    0"}));
  EXPECT_EQ(codes(14), "TNHHHLLLLHHHWH");
}

TEST(HelixSearch, BulgeBetweenHelicesAndTheSegmentOfTheUpperStrand) {
  // 1-3 with 20-18, 4 unpaired, 5-7 with 17-15, 8-14 unpaired (a loop of
  // seven gets no 'L'). The upper strand's window 15-20 counts only when a
  // line follows it.
  const std::vector<std::pair<int, int>> pairs = {{1, 20}, {2, 19}, {3, 18},
                                                  {5, 17}, {6, 16}, {7, 15}};
  {
    HelixStage s = stage_from_partners(pairing(20, pairs));
    const std::vector<std::string> hlx = run_searches(s, std::string(20, 'W'));
    EXPECT_TRUE(s.NRSTK.empty());
    EXPECT_EQ(spans(s.NDOUB), (std::vector<std::pair<int, int>>{{1, 3}, {5, 7}}));
    EXPECT_EQ(hlx.size(), 1u + 3 + 1 + 3 + 1);
    EXPECT_EQ(codes(20), "HHHBHHHWWWWWWWHHHHHH");
  }
  {
    HelixStage s = stage_from_partners(pairing(21, pairs));
    const std::vector<std::string> hlx = run_searches(s, std::string(21, 'C'));
    EXPECT_EQ(spans(s.NRSTK), (std::vector<std::pair<int, int>>{{15, 20}}));
    ASSERT_EQ(hlx.size(), 6u + 1 + 1 + 3 + 1 + 3 + 1);
    EXPECT_EQ(hlx[0], "   15     7W:WC   GC");
    EXPECT_EQ(hlx[5], "   20     1W:WC   GC");
    EXPECT_EQ(hlx[6], "    0");
    EXPECT_EQ(hlx[7], "    0");
    EXPECT_EQ(codes(21), "HHHBHHHCCCCCCCHHHHHHC");
  }
}

TEST(HelixSearch, LoopAndBulgeLengthLimits) {
  struct Case {
    const char* what;
    std::vector<int> partners;
    std::string expected;
  };
  const Case cases[] = {
      // A loop of one residue closed by 3-5 is not marked.
      {"loop of one", pairing(7, {{1, 7}, {2, 6}, {3, 5}}), "HHHCHHH"},
      {"loop of five", pairing(11, {{1, 11}, {2, 10}, {3, 9}}), "HHHLLLLLHHH"},
      {"loop of six", pairing(12, {{1, 12}, {2, 11}, {3, 10}}), "HHHCCCCCCHHH"},
      // Helices 1-3 and 8-10 (s - e = 5): residues 4-7 become 'B'.
      {"gap of four", pairing(30, {{1, 30}, {2, 29}, {3, 28}, {8, 27}, {9, 26}, {10, 25}}),
       "HHHBBBBHHHCCCCCCCCCCCCCCHHHHHH"},
      // Helices 1-3 and 9-11 (s - e = 6): no bulge.
      {"gap of five", pairing(30, {{1, 30}, {2, 29}, {3, 28}, {9, 27}, {10, 26}, {11, 25}}),
       "HHHCCCCCHHHCCCCCCCCCCCCCHHHHHH"},
  };
  for (const Case& c : cases) {
    HelixStage s = stage_from_partners(c.partners);
    run_searches(s, std::string(c.partners.size(), 'C'));
    EXPECT_EQ(codes(static_cast<int>(c.partners.size())), c.expected) << c.what;
  }
}

TEST(HelixSearch, StackedSegmentsShareTheRunBetweenTwoBreaks) {
  // Lines 1-3 pair 30-28, 4-6 pair 20-18, 7-9 pair 12-10: two breaks give
  // two segments, 1-6 and 4-9; the window never reaches the last line.
  std::vector<int> p = {30, 29, 28, 20, 19, 18, 12, 11, 10};
  p.resize(31, 0);
  HelixStage s = stage_from_partners(p);
  run_searches(s, std::string(31, 'C'));
  EXPECT_EQ(spans(s.NRSTK), (std::vector<std::pair<int, int>>{{1, 6}, {4, 9}}));
  // The partners' own lines are unpaired here, so each run of three is a
  // helix of its own.
  EXPECT_EQ(spans(s.NDOUB), (std::vector<std::pair<int, int>>{{1, 3}, {4, 6}, {7, 9}}));
}

TEST(HelixSearch, MoreThan999HelicesAreAllKept) {
  // 1200 hairpins of three pairs and a loop of three.
  std::vector<std::pair<int, int>> pairs;
  const int hairpins = 1200;
  for (int h = 0; h < hairpins; ++h) {
    const int b = 9 * h;
    pairs.insert(pairs.end(), {{b + 1, b + 9}, {b + 2, b + 8}, {b + 3, b + 7}});
  }
  HelixStage s = stage_from_partners(pairing(9 * hairpins, pairs));
  set_residue_tables(std::vector<std::string>(9u * hairpins, "A"), std::string(9u * hairpins, 'W'));
  torven::helix::find_helices(s);
  ASSERT_EQ(s.NDOUB.size(), static_cast<std::size_t>(hairpins));
  EXPECT_EQ(s.NDOUB.back().first, 9 * (hairpins - 1) + 1);
  EXPECT_EQ(torven::str.StructureCode.get(9 * (hairpins - 1) + 5), 'L');
}

TEST(HelixSearch, DamagedPartnersStayInsideTheTables) {
  // Partners far beyond the residues, and negative ones, as a damaged
  // report could carry: nothing is marked outside residues 1..n.
  std::vector<int> p = {900000, 899999, 899998, 899997, -5, -6, -7, 0};
  HelixStage s = stage_from_partners(p);
  run_searches(s, std::string(8, 'W'));
  EXPECT_LE(torven::str.StructureCode.allocated(), 64u);
  EXPECT_EQ(codes(8), "HHHHHHHW");
}
