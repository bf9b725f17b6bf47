// Reading .out back: base letters and the fields of a residue line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helix_support.h"

using namespace helix_test;
namespace h = torven::helix;

TEST(HelixReadBack, BaseLetters) {
  const std::pair<const char*, char> cases[] = {
      {"  A", 'A'}, {"  G", 'G'}, {"  C", 'C'}, {"  U", 'U'}, {"  T", 'T'},
      {" DA", 'a'}, {"PSU", 'u'}, {"FHU", 'u'}, {"N6G", 'g'}, {" DT", 't'},
      // No rule: 'N', never a zero byte.
      {"QUO", 'N'}, {"  I", 'N'}, {"   ", 'N'}, {"  a", 'N'}, {" Da", 'N'},
  };
  for (const auto& [name, letter] : cases) {
    char got = '\0';
    torven::renbase(torven::Text<3>(name), got);
    EXPECT_EQ(got, letter) << '"' << name << '"';
  }
}

TEST(HelixReadBack, FieldsOfResidueLines) {
  std::vector<FixResidue> res = residues_with_partners({3, 0, 1});
  res[0].name = "PSU";
  res[0].number = -12;
  res[0].pairs.push_back({2, "S:H", 'T'});
  res[1].pairs = {{1, "H:S", 'T'}};
  res[2].number = 123456;
  const std::vector<std::string> lines = testutil::split_lines(out_report(res));
  ASSERT_GE(lines.size(), 3u);
  const std::vector<std::string> records(lines.end() - 3, lines.end());
  EXPECT_TRUE(h::is_legend_end(lines[lines.size() - 4]));
  EXPECT_FALSE(h::is_continuation(records[0]));

  h::HelixLine l;
  std::string what;
  ASSERT_TRUE(h::parse_residue_line(records[0], l, what)) << what;
  EXPECT_EQ(l.IRES1, 1);
  EXPECT_EQ(l.NPDBRES, -12);
  EXPECT_EQ(l.IRES2, 3);
  EXPECT_EQ(l.SecondPartner, 2);
  EXPECT_EQ(l.BPAIR.str(), "W:WC ");
  EXPECT_EQ(l.BASE1, 'u');
  EXPECT_EQ(l.BASE2, 'A');

  // Residue 3's number shows as asterisks where it is a partner (five
  // columns) and in full in its own record (seven).
  EXPECT_EQ(records[0].substr(32, 5), "*****");
  ASSERT_TRUE(h::parse_residue_line(records[2], l, what)) << what;
  EXPECT_EQ(l.NPDBRES, 123456);
  EXPECT_EQ(l.IRES2, 1);
  EXPECT_EQ(l.SecondPartner, 0);

  // A residue without pairs: blanks from column 26 on.
  const std::string lone = records[0].substr(0, 25);
  ASSERT_TRUE(h::parse_residue_line(lone, l, what)) << what;
  EXPECT_EQ(l.IRES2, 0);
  EXPECT_EQ(l.SecondPartner, 0);
  EXPECT_EQ(l.BPAIR.str(), "     ");
  EXPECT_EQ(l.BASE2, 'N');

  // A serial printed as asterisks cannot be read back.
  std::string stars = records[0];
  stars.replace(0, 6, " *****");
  EXPECT_FALSE(h::parse_residue_line(stars, l, what));
  EXPECT_NE(what.find("columns 1-6"), std::string::npos) << what;
}
