// The command line as a user meets it: messages, summary lines and exit
// statuses of the built program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using testutil::run_torven;

const std::string kUsage =
    "\n"
    "Invalid Input\n"
    " [USAGE]:  TORVEN -[options] filename\n"
    "See Torven_README.txt for HELP\n";

const std::string kHelp =
    "The following options can be used:\n"
    "-HD [value] to set default hydrogen bond distance cutoff (default = 3.8)\n"
    "-VA [value] to set default pseudo angle cutoff (default = 120.0)\n"
    "-EN [value] to set default E-value cutoff (default = 1.8)\n"
    "-ML [character] to select desired chain identifier in PDB File (default = all)\n"
    "-HT to include HETATM entries in PDB\n"
    "-CH to avoid identification of base pairs stabilized by C-H...O/N H-bonds\n"
    "-SG to avoid identification of base pairs involvingsugar O2' atoms\n"
    "-AB to avoid base pairing between residue no. i and i+1\n"
    "-OL to avoid printing base pairing information w.r.t.the second strand.  "
    "This is suitable for simple oligonucleotides\n"
    "-NMR to calculate base pairing information for the first model NMR derived "
    "structure\n"
    "-MD [number] to calculate base pairing information fora particular NMR model "
    "[number]\n"
    "-CIF to calculate base pairing information from mmCIF formatted file (PDB is "
    "the default). This considers only the first model of NMR derived structures\n";

// The options summary with the given answers; reals in their 15-column form.
std::string summary(const std::string& dist2, const std::string& angle,
                    const std::string& energy, const std::string& ch,
                    const std::string& sugar, const std::string& het,
                    const std::string& oligo, const std::string& molid,
                    const std::string& restriction) {
  return " Options used are:\n"
         "         cutoff Distance^2=" + dist2 + "\n"
         "         CutAngle=" + angle + "\n"
         "         CutEnergy=" + energy + "\n"
         "         CH...O HB: " + ch + "\n"
         "         Sugar HB: " + sugar + "\n"
         "         Choise of HETATM entries: " + het + "\n"
         "         Option as Oligonucleotide: " + oligo + "\n"
         "         Mol-ID: " + molid + "\n"
         "         Pairing restriction: " + restriction + "\n";
}

std::string default_summary() {
  return summary("   14.44000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes",
                 "No ", "No ", "    ", "No ");
}

// What a run prints when it stops at an input file that does not exist.
std::string missing_input(const std::string& name) {
  return " Error opening input file:\n " + name + std::string(79 - name.size(), ' ') +
         "\n  \n";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    variants_ = dir_.path() / "variants";
    std::filesystem::create_directories(variants_);
    for (const char* f : {"AdeVariants.name", "GuaVariants.name", "CytVariants.name",
                          "UraVariants.name"})
      testutil::write_file(variants_ / f, "");
  }
  testutil::RunResult run(const std::vector<std::string>& args) {
    return run_torven(dir_.path(), args, variants_.string());
  }
  testutil::TempDir dir_;
  std::filesystem::path variants_;
};

TEST_F(Cli, NoArgumentPrintsUsageAndHelpWithStatusZero) {
  auto r = run({});
  EXPECT_EQ(r.out, kUsage + kHelp);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, WrongCommandLinesStopWithStatusOne) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"-XY", "x.pdb"}, kHelp + kUsage},
      {{"-", "x.pdb"}, kHelp + kUsage},
      {{"--HD", "3", "x.pdb"}, kHelp + kUsage},
      {{"-HDX", "3", "x.pdb"}, kHelp + kUsage},
      {{"-nMR", "x.pdb"}, kHelp + kUsage},
      {{"-MMcif", "x.pdb"}, kHelp + kUsage},
      {{"x.pdb", "-HD", "abc"}, kUsage + kHelp},
      {{"x.pdb", "-MD", "2.5"}, kUsage + kHelp},
      {{"x.pdb", "-VA", "3.5x"}, kUsage + kHelp},
      // A numeric value is one number that fills its argument.
      {{"x.pdb", "-HD", "3,5"}, kUsage + kHelp},
      {{"x.pdb", "-HD", "4.0 junk"}, kUsage + kHelp},
      {{"x.pdb", "-HD", "4.0" + std::string(47, ' ') + "x"}, kUsage + kHelp},
      {{"x.pdb", "-HD", "2*4.0"}, kUsage + kHelp},
      {{"x.pdb", "-VA", ","}, kUsage + kHelp},
      {{"x.pdb", "-EN", "/"}, kUsage + kHelp},
      {{"x.pdb", "-HD", ""}, kUsage + kHelp},
      {{"x.pdb", "-EN", "   "}, kUsage + kHelp},
      {{"x.pdb", "-VA", "1e39"}, kUsage + kHelp},
      {{"x.pdb", "-MD", "2 3"}, kUsage + kHelp},
      {{"x.pdb", "-MD", "2147483648"}, kUsage + kHelp},
      {{"x.pdb", "-MD", ""}, kUsage + kHelp},
      // A value-taking option as the last argument has no value.
      {{"x.pdb", "-HD"}, kUsage + kHelp},
      {{"x.pdb", "-ML"}, kUsage + kHelp},
      // Options but no file name.
      {{"-HT", "-CH"}, kUsage + kHelp},
  };
  for (const auto& c : cases) {
    auto r = run(c.args);
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.err, "1\n") << c.args[0];
    EXPECT_EQ(r.status, 1) << c.args[0];
  }
}

TEST_F(Cli, BlankChainIsAnUnreadableInput) {
  auto r = run({"x.pdb", "-ML", "   "});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "torven: command line: no value in argument 3\n");
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, SummaryShowsTheSettings) {
  struct Case {
    std::vector<std::string> args;
    std::string summary;
  };
  const std::vector<Case> cases = {
      {{"x.pdb"}, default_summary()},
      {{"-hd", "3.5", "x.pdb"},
       summary("   12.25000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
      {{"-HD", "-3", "x.pdb"},
       summary("   9.000000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
      // Blanks around a number; a sign, a point alone, an exponent.
      {{"-VA", " 90 ", "-eN", ".5", "x.pdb"},
       summary("   14.44000    ", "   90.00000    ", "  0.5000000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
      {{"-HD", "+4.", "-VA", "1.1D2", "-EN", "25e-1", "x.pdb"},
       summary("   16.00000    ", "   110.0000    ", "   2.500000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
      {{"-CH", "-sg", "-Ht", "-oL", "x.pdb"},
       summary("   14.44000    ", "   120.0000    ", "   1.800000    ", "No ", "No ", "Yes",
               "Yes", "    ", "No ")},
      {{"-ML", "A", "-AB", "x.pdb"},
       summary("   14.44000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "A   ", "Yes")},
      {{"-ml", "ABCDEF", "x.pdb"},
       summary("   14.44000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "ABCD", "No ")},
      // Options that print nothing in the summary.
      {{"-Nmr", "-MMCIF", "-mmCIF", "-MD", "3", "x.pdb"}, default_summary()},
      // Only characters 2 to 20 of an option are compared.
      {{"-HD                 xyz", "3.5", "x.pdb"},
       summary("   12.25000    ", "   120.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
      // The later of two settings wins.
      {{"-VA", "100", "-VA", "110", "x.pdb"},
       summary("   14.44000    ", "   110.0000    ", "   1.800000    ", "Yes", "Yes", "No ",
               "No ", "    ", "No ")},
  };
  for (const auto& c : cases) {
    auto r = run(c.args);
    EXPECT_EQ(r.out, c.summary + missing_input("x.pdb")) << c.args[0];
    EXPECT_EQ(r.err, "1\n") << c.args[0];
    EXPECT_EQ(r.status, 1) << c.args[0];
  }
}

TEST_F(Cli, LastFileNameWinsAndIsTakenWhole) {
  auto r = run({"first.pdb", "-HT", "second.pdb"});
  EXPECT_EQ(r.out.substr(r.out.find(" Error")), missing_input("second.pdb"));

  std::string longname(60, 'n');
  r = run({longname});
  EXPECT_EQ(r.out.substr(r.out.find(" Error")), missing_input(longname));
}

TEST_F(Cli, MissingInputWithALongNameShowsTheWholeName) {
  // Longer than a line: the name goes out in pieces of 79 characters.
  std::string name = "/no/such/folder/";
  while (name.size() < 200) name += "structures/";
  name += "4v5l.cif";
  auto r = run({name});
  EXPECT_EQ(r.out.substr(r.out.find(" Error")), " Error opening input file:\n " +
                                                    name.substr(0, 79) + "\n " +
                                                    name.substr(79, 79) + "\n " +
                                                    name.substr(158) + "\n");
  EXPECT_EQ(r.err, "1\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, LongInputAndVariantPathsAreUsedWhole) {
  namespace fs = std::filesystem;
  const fs::path folder = dir_.path() / std::string(70, 'a') / std::string(70, 'b') / "structures";
  const fs::path input = folder / "1ehz.pdb";
  const fs::path lists = dir_.path() / std::string(60, 'v') / std::string(50, 'w');
  ASSERT_GT(input.string().size(), 150u);
  ASSERT_GT(lists.string().size(), 120u);
  fs::create_directories(folder);
  fs::create_directories(lists);
  fs::copy_file(testutil::structure("1ehz.pdb"), input);
  for (const auto& f : fs::directory_iterator(testutil::shipped_variant_dir()))
    fs::copy_file(f.path(), lists / f.path().filename());

  auto r = run_torven(dir_.path(), {"-HT", input.string()}, lists.string());
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::vector<std::string> suffixes = {".out", "_pairing.csv", ".nup", ".cor", ".bpseq",
                                             ".dbn", ".hlx", ".dat", "_structure.csv"};
  for (const auto& suffix : suffixes) EXPECT_TRUE(fs::exists(folder / ("1ehz" + suffix))) << suffix;

  // The same run from inside a folder of its own, by the short name.
  const fs::path near = dir_.path() / "near";
  fs::create_directories(near);
  fs::copy_file(testutil::structure("1ehz.pdb"), near / "1ehz.pdb");
  auto short_run = run_torven(near, {"-HT", "1ehz.pdb"}, testutil::shipped_variant_dir());
  ASSERT_EQ(short_run.status, 0);
  EXPECT_EQ(r.out, short_run.out);
  for (const char* suffix : {".dbn", ".bpseq", ".hlx", ".nup", ".cor"}) {
    const std::string file = std::string("1ehz") + suffix;
    EXPECT_EQ(testutil::read_file(folder / file), testutil::read_file(near / file)) << file;
  }
}

TEST_F(Cli, MissingVariantListStopsBeforeTheSummary) {
  std::filesystem::remove(variants_ / "GuaVariants.name");
  auto r = run({"x.pdb"});
  EXPECT_EQ(r.out, testutil::kVariantListMessage);
  EXPECT_EQ(r.err, "1\n");
  EXPECT_EQ(r.status, 1);
}

}  // namespace
