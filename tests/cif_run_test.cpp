// Whole runs with -CIF: the header lines of .out, the fall-back to PDB
// reading when the mmCIF pass finds no line of the selected model, and the
// same structure read from its PDB and its mmCIF file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(TORVEN_TEST_DATA) / "cif";

// The .out lines before the residue counts, each cut to `width`.
std::vector<std::string> head(const std::string& out, std::size_t width) {
  std::vector<std::string> h;
  for (const std::string& l : testutil::split_lines(out)) {
    if (l.rfind("#HEADER   Original number", 0) == 0) break;
    h.push_back(l.substr(0, width));
  }
  return h;
}

// The lines that do not begin with '#' (.cor atom records, .out residue
// records), and the residue-count lines.
std::vector<std::string> body(const std::string& text) {
  std::vector<std::string> b;
  for (const std::string& l : testutil::split_lines(text))
    if (l.empty() || l[0] != '#' || l.find("number of residues") != std::string::npos)
      b.push_back(l);
  return b;
}

class CifRun : public testutil::ProgramRun {
 protected:
  testutil::RunResult run(const std::string& fixture, std::vector<std::string> args) {
    // The real structures are the shared copies; the rest are this folder's.
    const fs::path src = fs::exists(testutil::structure(fixture)) ? testutil::structure(fixture)
                                                                   : kData / fixture;
    fs::copy_file(src, dir_.file(fixture), fs::copy_options::overwrite_existing);
    return run_on(fixture, args);
  }
};

const std::string kFile = "#HEADER   Base Pairing/Triplet Scheme for Structure File";
const std::string kProgram = "#HEADER   Program TORVEN run with the following options:";
const std::string kCutoff = "#HEADER   Distance cutoff: ";
const std::string kNmr = "#HEADER   Results for NMR model no.     5";

// No line of model 5: the file is read again as PDB, which under -NMR finds
// no MODEL record and stores nothing. .out holds the mmCIF header block (NMR
// line second) and then the PDB one (NMR line last, no title records here).
TEST_F(CifRun, MissingModelFallsBackWithTwoHeaderBlocks) {
  auto r = run("all_tags.cif", {"-CIF", "-NMR", "-MD", "5"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> expected = {
      kFile.substr(0, 27), kNmr.substr(0, 27), kProgram.substr(0, 27), kCutoff,
      kFile.substr(0, 27), kProgram.substr(0, 27), kCutoff, kNmr.substr(0, 27)};
  EXPECT_EQ(head(file("all_tags.out"), 27), expected);
  EXPECT_NE(file("all_tags.out").find(kNmr + "\n"), std::string::npos);
  EXPECT_NE(file("all_tags.out").find("Cleaned number of residues:      0"), std::string::npos);
}

// A PDB reading after the fall-back that fails says why the file was read
// as PDB at all: a loop without a usable row of the model (without -NMR the
// PDB reading takes the mmCIF rows for atom records), or no loop at all.
TEST_F(CifRun, FailedFallBackSaysWhyItReadPdb) {
  auto r = run("all_tags.cif", {"-CIF", "-MD", "5"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "torven: all_tags.cif, line 17: residue number (columns 23-26) is not a number: "
            "\"  ? \"; read as PDB because the mmCIF _atom_site loop held no usable row of "
            "model 5\n");

  std::string pdb = testutil::read_file(testutil::structure("1bna.pdb"));
  const std::size_t at = pdb.find("\nATOM      2 ");
  ASSERT_NE(at, std::string::npos);
  pdb.replace(at + 1 + 30, 8, "  19.1x0");
  testutil::write_file(dir_.file("bad.pdb"), pdb);
  r = run_on("bad.pdb", {"-CIF"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "torven: bad.pdb, line 393: x coordinate (columns 31-38) is not a number: "
            "\"  19.1x0\"; read as PDB because the file has no mmCIF _atom_site loop\n");
}

// -CIF on a PDB file: no _atom_site loop, so it is read as PDB, after the
// mmCIF header block; everything read is what a plain PDB run reads.
TEST_F(CifRun, PdbFileReadWithCifFallsBack) {
  auto r = run("1bna.pdb", {"-CIF"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string cif_out = file("1bna.out");
  const std::string cif_cor = file("1bna.cor");
  r = run("1bna.pdb", {});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string pdb_out = file("1bna.out");
  const std::vector<std::string> h = head(cif_out, 80);
  ASSERT_GE(h.size(), 3u);
  EXPECT_EQ(h[0].substr(0, kFile.size()), kFile);
  EXPECT_EQ(h[1], kProgram);
  EXPECT_EQ(h[2].substr(0, kCutoff.size()), kCutoff);
  // After the mmCIF block, .out is the PDB run's .out.
  const std::size_t block = (h[0] + h[1] + h[2]).size() + 3;
  EXPECT_EQ(cif_out.substr(block), pdb_out);
  EXPECT_EQ(cif_cor, file("1bna.cor"));
}

// The same structure from its PDB and its mmCIF file: the same atoms reach
// the cleaning, so .cor atom records, residue counts and the residue records
// of .out agree. The title records exist only in the PDB file, and the
// header blocks differ in order, so neither is compared. (1BNA has no
// insertion codes: the mmCIF "?" equals the code every PDB atom gets, so the
// insertion-code columns agree too.)
TEST_F(CifRun, SameStructureFromPdbAndMmcif) {
  auto r = run("1bna.pdb", {});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string pdb_cor = file("1bna.cor"), pdb_out = file("1bna.out");
  const std::string pdb_dbn = file("1bna.dbn");
  r = run("1bna.cif", {"-CIF"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(body(file("1bna.cor")), body(pdb_cor));
  EXPECT_EQ(body(file("1bna.out")), body(pdb_out));
  EXPECT_GT(body(pdb_cor).size(), 400u);
  EXPECT_EQ(file("1bna.dbn"), pdb_dbn);
}

}  // namespace
