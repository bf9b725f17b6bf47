// Whole runs on real structures: .out, _pairing.csv and .nup compared byte
// for byte with reviewed files in tests/data/reports/golden/<case>/.
//
// To look at what a changed program writes, set TORVEN_REPORTS_OUT to a
// directory: each case's three files are copied there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct GoldenCase {
  const char* name;       // folder under tests/data/reports/golden
  const char* structure;  // file in tests/data/structures
  std::vector<std::string> options;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class ReportsGolden : public ::testing::TestWithParam<GoldenCase> {};

std::string base_of(const std::string& file) { return file.substr(0, file.find('.')); }

TEST_P(ReportsGolden, ReportFilesMatch) {
  const GoldenCase& c = GetParam();
  const fs::path src = testutil::structure(c.structure);
  const std::string input = src.filename().string();
  const std::string base = base_of(input);
  const fs::path work = testutil::make_temp_dir("reports-" + std::string(c.name));
  fs::copy_file(src, work / input);

  std::vector<std::string> args = c.options;
  args.push_back(input);
  const auto r = testutil::run_torven(work, args, testutil::shipped_variant_dir());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");

  const fs::path expected = fs::path(TORVEN_TEST_DATA) / "reports" / "golden" / c.name;
  for (const std::string suffix : {".out", "_pairing.csv", ".nup"}) {
    const std::string file = base + suffix;
    if (const char* keep = std::getenv("TORVEN_REPORTS_OUT")) {
      const fs::path dest = fs::path(keep) / c.name;
      fs::create_directories(dest);
      fs::copy_file(work / file, dest / file, fs::copy_options::overwrite_existing);
    }
    EXPECT_TRUE(testutil::read_file(expected / file) == testutil::read_file(work / file))
        << file << " differs from " << (expected / file).string();
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReportsGolden,
    ::testing::Values(GoldenCase{"trna_1ehz", "1ehz.pdb", {}},
                      GoldenCase{"tlsrna_4p5j", "4p5j.pdb", {}},
                      GoldenCase{"tlsrna_4p5j_ch", "4p5j.pdb", {"-CH"}},
                      GoldenCase{"tlsrna_4p5j_sg", "4p5j.pdb", {"-SG"}},
                      GoldenCase{"tlsrna_4p5j_ab", "4p5j.pdb", {"-AB"}}),
    [](const auto& info) { return std::string(info.param.name); });

// -OL on the Dickerson dodecamer: residue 13, the first of strand B, and
// residue 12 are each other's first partner, so the reports end after 12
// records and the secondary-structure files keep what they held.
TEST(ReportsGoldenOligo, StopsAfterTheFirstStrand) {
  const fs::path work = testutil::make_temp_dir("reports-ol");
  fs::copy_file(testutil::structure("1bna.pdb"), work / "1bna.pdb");
  testutil::write_file(work / "1bna.dat", "earlier run\n");
  const auto r = testutil::run_torven(work, {"-OL", "1bna.pdb"}, testutil::shipped_variant_dir());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const fs::path expected = fs::path(TORVEN_TEST_DATA) / "reports" / "golden" / "dna_1bna_ol";
  for (const std::string file : {"1bna.out", "1bna_pairing.csv", "1bna.nup"})
    EXPECT_TRUE(testutil::read_file(expected / file) == testutil::read_file(work / file))
        << file;
  EXPECT_EQ(testutil::read_file(work / "1bna.dat"), "earlier run\n");
  EXPECT_EQ(testutil::read_file(work / "1bna.bpseq"), "");
  fs::remove_all(work);
}

}  // namespace
