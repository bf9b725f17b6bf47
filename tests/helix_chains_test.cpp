// Chain split, _structure.csv, .dat and .dbn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helix_support.h"

using namespace helix_test;
using testutil::read_lines;
using testutil::TempDir;
using torven::helix::HelixStage;

namespace {

std::vector<std::string> chain_ids(const std::vector<std::string>& pattern, std::size_t n) {
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < n; ++i) ids.push_back(pattern[i % pattern.size()]);
  return ids;
}

struct Written {
  std::vector<std::string> structure, dat, dbn;
};

// Writes the chains' records and .dbn of `stage` for the structure `stem`.
Written write_outputs(HelixStage& stage, const std::string& stem, std::int32_t model = 1) {
  TempDir dir;
  torven::RunFiles files;
  files.stem = stem;
  files.structure.open(dir.file("s_structure.csv"));
  files.dat.open(dir.file("s.dat"));
  files.dbn.open(dir.file("s.dbn"));
  const std::string name = stem + " ";
  EXPECT_TRUE(torven::helix::split_chains(stage));
  torven::helix::write_chains(stage, files.record_id(), model, name, files.structure, files.dat);
  torven::helix::write_dbn(stage, name, files.dbn);
  files.close_all(true);
  return {read_lines(dir.file("s_structure.csv")), read_lines(dir.file("s.dat")),
          read_lines(dir.file("s.dbn"))};
}

}  // namespace

TEST(HelixChains, SplitIntoRunsOfOneIdentifier) {
  struct Case {
    const char* what;
    std::vector<std::string> ids;
    std::vector<std::pair<int, int>> bounds;
  };
  const Case cases[] = {
      {"A, B and A again", {"A", "A", "B", "A", "A"}, {{1, 2}, {3, 3}, {4, 5}}},
      {"identifiers differing in the fourth character", {"AB1", "AB1", "AB2"}, {{1, 2}, {3, 3}}},
      {"one residue", {"A"}, {{1, 1}}},
      {"no residue", {}, {{1, 0}}},
  };
  for (const Case& c : cases) {
    set_residue_tables(c.ids, "");
    HelixStage s;
    ASSERT_TRUE(torven::helix::split_chains(s)) << c.what;
    std::vector<std::pair<int, int>> got;
    for (const auto& ch : s.chains) got.emplace_back(ch.first, ch.last);
    EXPECT_EQ(got, c.bounds) << c.what;
  }
}

TEST(HelixChains, AtMostOneHundredChains) {
  set_residue_tables(chain_ids({"A", "B"}, 100), "");
  HelixStage s;
  EXPECT_TRUE(torven::helix::split_chains(s));
  EXPECT_EQ(s.chains.size(), 100u);
  EXPECT_EQ(s.chains.back().last, 100);

  set_residue_tables(chain_ids({"A", "B"}, 101), "");
  EXPECT_FALSE(torven::helix::split_chains(s));
}

TEST(HelixChains, StructureCsvAndDatPerChain) {
  // Chain A of 71 residues, then "ABCD" (four non-blank characters) with
  // residue number -5, then a chain of four blanks.
  std::vector<std::string> ids(71, "A");
  ids.push_back("ABCD");
  ids.push_back("    ");
  std::string codes(71, 'H');
  codes[70] = 'L';
  codes += "NC";
  set_residue_tables(ids, codes);
  HelixStage s = stage_from_partners(std::vector<int>(73, 0));
  s.lines[71].NPDBRES = -5;
  s.lines[72].BASE1 = 'u';
  torven::helix::build_dot_bracket(s);

  // The record identifier is the first four characters of s1.out.
  const Written w = write_outputs(s, "s1", 12);
  ASSERT_EQ(w.structure.size(), 73u);
  EXPECT_EQ(w.structure[0], " s1.o,1,1,G,?,A,H");
  EXPECT_EQ(w.structure[70], " s1.o,71,71,G,?,A,L");
  EXPECT_EQ(w.structure[71], " s1.o,72,-5,G,?,ABCD,N");
  EXPECT_EQ(w.structure[72], " s1.o,73,73,u,?,,C");

  const std::string model = "12" + std::string(13, ' ');
  EXPECT_EQ(w.dat, (std::vector<std::string>{
                       ">s1 :A   " + model + " Created by TORVEN", std::string(70, 'H'), "L",
                       ">s1 :ABCD" + model + " Created by TORVEN", "N",
                       ">s1 :    " + model + " Created by TORVEN", "C"}));
}

TEST(HelixChains, DbnMarksChainBoundaries) {
  // Two chains of 3 and 4 residues, one pair across the boundary.
  set_residue_tables({"A", "A", "A", "B", "B", "B", "B"}, "");
  HelixStage s = stage_from_partners({7, 0, 0, 0, 0, 0, 1});
  s.lines[3].BASE1 = 'a';
  torven::helix::build_dot_bracket(s);
  const Written w = write_outputs(s, "1abc");
  EXPECT_EQ(w.dbn, (std::vector<std::string>{">1abc  nts=    7 Created by TORVEN", "GGG&aGGG",
                                             "(..&...)"}));
  EXPECT_EQ(w.structure[0], " 1abc,1,1,G,?,A,W");
}

TEST(HelixChains, DbnLinesLongerThanARecord) {
  const std::size_t n = 20001;
  set_residue_tables(std::vector<std::string>(n, "A"), "");
  HelixStage s = stage_from_partners(std::vector<int>(n, 0));
  torven::helix::build_dot_bracket(s);
  const Written w = write_outputs(s, "big");
  ASSERT_EQ(w.dbn.size(), 5u);
  EXPECT_EQ(w.dbn[0], ">big  nts=20001 Created by TORVEN");
  EXPECT_EQ(w.dbn[1], std::string(20000, 'G'));
  EXPECT_EQ(w.dbn[2], "G");
  EXPECT_EQ(w.dbn[3], std::string(20000, '.'));
  EXPECT_EQ(w.dbn[4], ".");
}

TEST(HelixChains, NoResidues) {
  set_residue_tables(std::vector<std::string>{}, "");
  HelixStage s;
  torven::helix::build_dot_bracket(s);
  const Written w = write_outputs(s, "e");
  EXPECT_TRUE(w.structure.empty());
  EXPECT_EQ(w.dat, (std::vector<std::string>{">e :    1" + std::string(14, ' ') +
                                                 " Created by TORVEN",
                                             ""}));
  EXPECT_EQ(w.dbn,
            (std::vector<std::string>{">e  nts=    0 Created by TORVEN", "", ""}));
}
