// Whole runs of the built program over PDB files: model, chain and HETATM
// selection, the title and header lines, and the failures of reading. Runs
// checked file by file, the fixtures of tests/data/reading/ among them, are
// golden cases (tests/data/golden/).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(TORVEN_TEST_DATA) / "reading";

// A fixture of this folder, or a shared structure named "structures/<file>".
fs::path fixture(const std::string& name) {
  const std::string shared = "structures/";
  if (name.rfind(shared, 0) == 0) return testutil::structure(name.substr(shared.size()));
  return kData / name;
}

// The value closing the .out line that begins with `label`, -1 if none.
int count_line(const std::string& out, const std::string& label) {
  const std::size_t at = out.find(label);
  if (at == std::string::npos) return -1;
  const std::size_t end = out.find('\n', at);
  return std::stoi(out.substr(at + label.size(), end - at - label.size()));
}
const std::string kOriginal = "#HEADER   Original number of residues in structure file: ";
const std::string kCleaned = "#HEADER   Cleaned number of residues: ";

class Run : public testutil::ProgramRun {
 protected:
  // Copies `fixture` into the run directory as `name` and runs on it.
  testutil::RunResult run(const fs::path& fixture, const std::string& name,
                          const std::vector<std::string>& args) {
    fs::copy_file(fixture, dir_.file(name), fs::copy_options::overwrite_existing);
    return run_on(name, args);
  }
};

TEST_F(Run, ModelChainAndHetatmSelection) {
  struct Case {
    const char* fixture;
    std::vector<std::string> args;
    int residues;
  };
  const std::vector<Case> cases = {
      {"structures/1bna.pdb", {"-ML", "A"}, 12},
      {"structures/1bna.pdb", {"-ML", "B"}, 12},
      {"structures/1bna.pdb", {"-ML", "AB"}, 0},  // a PDB chain is one character
      {"twomodels.pdb", {}, 2},        // up to the first ENDMDL
      {"twomodels.pdb", {"-MD", "2"}, 2},  // -MD alone does not select in PDB
      {"twomodels.pdb", {"-NMR"}, 2},
      {"twomodels.pdb", {"-NMR", "-MD", "2"}, 1},
      {"twomodels.pdb", {"-NMR", "-MD", "3"}, 0},
      {"structures/1bna.pdb", {"-NMR"}, 0},  // no MODEL records
      {"hetatm_only.pdb", {}, 0},
      {"hetatm_only.pdb", {"-HT"}, 1},
      {"structures/1ehz.pdb", {}, 62},        // modified residues are HETATM records
      {"structures/1ehz.pdb", {"-HT"}, 76},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + " " + (c.args.empty() ? "" : c.args[0]) + " " +
                 (c.args.size() > 1 ? c.args[1] : ""));
    auto r = run(fixture(c.fixture), "s.pdb", c.args);
    EXPECT_EQ(r.status, 0);
    const std::string out = file("s.out");
    EXPECT_EQ(count_line(out, kOriginal), c.residues);
    EXPECT_EQ(count_line(out, kCleaned), c.residues);
  }
}

TEST_F(Run, TitleEchoKeepsTheTitleRecordsBeforeTheFirstAtom) {
  const std::string atom =
      "ATOM      1  C1'   G A   1       1.000   2.000   3.000  1.00 20.00           C";
  // The four title types by their first characters, exactly; HETATM does
  // not end the scan, the first ATOM record does.
  std::string pdb = "REMARK   1 NOT KEPT\nHEADER    KEPT 1\nHEADE     NO\n header   NO\n"
                    "JRNLX       KEPT 2\nHETATM    1  O   HOH A   9\nCOMPND    KEPT 3\n" +
                    atom + "\nAUTHOR    AFTER THE FIRST ATOM\n";
  testutil::write_file(dir_.file("t.pdb"), pdb);
  auto r = run_on("t.pdb");
  ASSERT_EQ(r.status, 0);
  const auto echo = [](const std::string& text) {
    return "#" + text + std::string(80 - text.size(), ' ') + "\n";
  };
  const std::string titles = echo("HEADER    KEPT 1") + echo("JRNLX       KEPT 2") +
                             echo("COMPND    KEPT 3");
  EXPECT_EQ(file("t.out").substr(0, titles.size() + 8), titles + "#HEADER ");
  EXPECT_EQ(file("t.cor"), titles + "END\n");  // the one residue is too small to keep

  // At most 50 are kept, and the atoms after them are still read.
  pdb.clear();
  for (int k = 1; k <= 55; ++k) pdb += "COMPND " + std::to_string(k) + "\n";
  testutil::write_file(dir_.file("t.pdb"), pdb + atom + "\n");
  r = run_on("t.pdb");
  ASSERT_EQ(r.status, 0);
  const std::string out = file("t.out");
  EXPECT_NE(out.find(echo("COMPND 50")), std::string::npos);
  EXPECT_EQ(out.find("COMPND 51"), std::string::npos);
  EXPECT_EQ(out.find("#COMPND"), 0u);
  EXPECT_EQ(count_line(out, kOriginal), 1);
}

TEST_F(Run, HeaderLinesShowTheSettingsInTheirFields) {
  struct Case {
    std::vector<std::string> args;
    const char* cutoffs;  // the values of the cut-off line, as printed
    const char* nmr;      // the NMR line, or "" when there is none
  };
  const std::vector<Case> cases = {
      {{"-HD", "4.5", "-VA", "95", "-EN", "2"}, "4.5   Angle cutoff:  95.0   E-value cutoff: 2.0",
       ""},
      {{"-HD", "10", "-VA", "1000", "-EN", "-1", "-NMR", "-MD", "-12345"},
       "***   Angle cutoff: *****   E-value cutoff: ***", "-12345"},
      {{"-NMR", "-MD", "1234567"}, "3.8   Angle cutoff: 120.0   E-value cutoff: 1.8", "******"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cutoffs);
    testutil::write_file(dir_.file("h.pdb"), "");
    auto r = run_on("h.pdb", c.args);
    ASSERT_EQ(r.status, 0);
    std::string expected =
        "#HEADER   Base Pairing/Triplet Scheme for Structure File         h_structure\n"
        "#HEADER   Program TORVEN run with the following options:\n"
        "#HEADER   Distance cutoff: " +
        std::string(c.cutoffs) + "\n";
    if (*c.nmr != '\0') expected += "#HEADER   Results for NMR model no." + std::string(c.nmr) + "\n";
    EXPECT_EQ(file("h.out").substr(0, expected.size() + 1), expected + "#");
  }
}

TEST_F(Run, EmptyInputGivesARunWithoutResidues) {
  testutil::write_file(dir_.file("empty.pdb"), "");
  auto r = run_on("empty.pdb");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const std::string out = file("empty.out");
  EXPECT_EQ(out.substr(0, out.find("#=====")),
            "#HEADER   Base Pairing/Triplet Scheme for Structure File     empty_structure\n"
            "#HEADER   Program TORVEN run with the following options:\n"
            "#HEADER   Distance cutoff: 3.8   Angle cutoff: 120.0   E-value cutoff: 1.8\n"
            "#HEADER   Original number of residues in structure file:      0\n"
            "#HEADER   Cleaned number of residues:      0\n");
  EXPECT_EQ(file("empty.cor"), "END\n");
}

TEST_F(Run, MalformedNumbersEndTheRunNamingFileAndLine) {
  const std::string good =
      "ATOM      1  C1'   G A   1       1.000   2.000   3.000  1.00 20.00           C";
  struct Case {
    std::string record;  // replaces line 2
    std::vector<std::string> args;
    const char* field;   // a word the message names
  };
  const std::vector<Case> cases = {
      {good.substr(0, 22) + "  x1" + good.substr(26), {}, "residue number"},
      {good.substr(0, 30) + "   1.0.0" + good.substr(38), {}, "x coordinate"},
      {good.substr(0, 46) + "   abc  " + good.substr(54), {}, "z coordinate"},
      {good.substr(0, 56) + "1.x0" + good.substr(60), {}, "occupancy"},
      {"MODEL     one", {"-NMR"}, "MODEL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    testutil::write_file(dir_.file("bad.pdb"), "HEADER    BAD\n" + c.record + "\n" + good + "\n");
    auto r = run_on("bad.pdb", c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.pdb, line 2: " + std::string(c.field)), std::string::npos)
        << r.err;
    // What was written before the failure stays.
    EXPECT_EQ(file("bad.out").substr(0, 14), "#HEADER    BAD");
  }
  // Without -NMR a MODEL record is not read at all.
  testutil::write_file(dir_.file("bad.pdb"), "MODEL     one\n" + good + "\n");
  auto r = run_on("bad.pdb");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Run, InputNamedLikeAnOutputIsNeverReplaced) {
  const std::string original = testutil::read_file(testutil::structure("1bna.pdb"));
  for (const char* name : {"1bna.out", "1bna.cor", "1bna.hlx", "1bna.bpseq"}) {
    auto r = run(testutil::structure("1bna.pdb"), name, {});
    EXPECT_EQ(r.status, 2) << name;
    EXPECT_NE(r.err.find("would replace the input file"), std::string::npos) << r.err;
    EXPECT_EQ(file(name), original) << name;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir_.path())) left.push_back(e.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{name}) << "no output file is created";
    fs::remove(dir_.file(name));
  }
}

TEST_F(Run, FilesThatCannotBeOpenedStopWithStatusOne) {
  fs::create_directories(dir_.file("dir.pdb"));
  for (const char* input : {"missing.pdb", "dir.pdb"}) {
    auto r = run_on(input);
    EXPECT_EQ(r.status, 1) << input;
    EXPECT_EQ(r.err, "1\n") << input;
    EXPECT_NE(r.out.find(" Error opening input file:\n " + std::string(input)),
              std::string::npos)
        << input;
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_.path())) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"dir.pdb"});  // no output file was created

  // A directory in place of a variant name file.
  const fs::path variants = dir_.file("variants");
  fs::create_directories(variants / "CytVariants.name");
  for (const char* f : {"AdeVariants.name", "GuaVariants.name", "UraVariants.name"})
    testutil::write_file(variants / f, "  A\n");
  fs::copy_file(testutil::structure("1bna.pdb"), dir_.file("1bna.pdb"));
  auto r = testutil::run_torven(dir_.path(), {"1bna.pdb"}, variants.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, testutil::kVariantListMessage);
  EXPECT_EQ(r.err, "1\n");
  EXPECT_FALSE(fs::exists(dir_.file("1bna.out")));
}

TEST_F(Run, VariantListsComeFromNucleicAcidDir) {
  // Only the first 200 names of a list count; a trailing '/' in the
  // directory is accepted.
  const fs::path variants = dir_.file("variants");
  fs::create_directories(variants);
  std::string ade;
  for (int k = 0; k < 200; ++k) ade += "XXX\n";
  testutil::write_file(variants / "AdeVariants.name", ade + " DA\n");
  testutil::write_file(variants / "GuaVariants.name", " DG extra text\n");
  testutil::write_file(variants / "CytVariants.name", "");
  testutil::write_file(variants / "UraVariants.name", "DT\n");  // left-justified: never matches
  fs::copy_file(testutil::structure("1bna.pdb"), dir_.file("1bna.pdb"));
  auto r = testutil::run_torven(dir_.path(), {"1bna.pdb"}, variants.string() + "/");
  EXPECT_EQ(r.status, 0);
  const std::string out = file("1bna.out");
  EXPECT_EQ(count_line(out, kOriginal), 8);  // the eight DG of the two strands
  EXPECT_EQ(count_line(out, kCleaned), 8);
}

TEST_F(Run, OutputsGoBesideTheInputWhateverItsDots) {
  fs::create_directories(dir_.file("in.d"));
  fs::copy_file(kData / "twomodels.pdb", dir_.path() / "in.d" / "two.models.pdb");
  auto r = run_on("./in.d/two.models.pdb");
  EXPECT_EQ(r.status, 0);
  for (const char* f : {"two.out", "two.cor", "two_pairing.csv", "two.nup", "two.dat", "two.dbn",
                        "two.bpseq", "two_structure.csv", "two.hlx"})
    EXPECT_TRUE(fs::exists(dir_.path() / "in.d" / f)) << f;
  // The header names the structure without its folders.
  EXPECT_NE(file("in.d/two.out").find("Structure File       two_structure\n"),
            std::string::npos);
}

}  // namespace
