// The mmCIF reader: which data lines of the _atom_site loop reach the atom
// store, with which values, and when the pass reports that it found nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>
#include <utility>
#include <string>
#include <vector>

#include "common/stops.h"
#include "common/tables.h"
#include "driver/readcif.h"
#include "driver/stages.h"
#include "driver/run.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using namespace torven;

// Every atom handed to the store, as one line of text.
std::vector<std::string> g_atoms;

void record_atom(const Text<4>& name, Text<3>& res, const Text<4>& chain,
                 std::int32_t resno, char pos, float x, float y, float z,
                 float occ, std::int32_t&, char insc) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s|%s|%s|%d|%c|%g|%g|%g|%g|%c",
                name.str().c_str(), res.str().c_str(), chain.str().c_str(),
                resno, pos, x, y, z, occ, insc);
  g_atoms.emplace_back(buf);
}

struct Settings {
  std::int32_t model = 1;
  std::int32_t hetatm = 0;
  std::int32_t nmr = 0;
  const char* molid = "    ";
};

struct Pass {
  std::int32_t found = -1;
  std::vector<std::string> atoms;
  std::string out;  // what the pass wrote to .out
};

Pass run_pass(const fs::path& input, const Settings& s = {}) {
  Run run;
  run.reset();
  set_default_settings();
  options.ModelNumber = s.model;
  options.HetatmFlag = s.hetatm;
  driver.NmrFlag = s.nmr;
  driver.CifFlag = 1.0;
  cum.MolId = s.molid;
  const testutil::TempDir dir;
  run.FILENM = dir.file("t.cif");
  run.files.out.open(dir.file("t.out"));
  EXPECT_TRUE(run.files.input.open(input.string())) << input;

  g_atoms.clear();
  Pass p;
  std::int32_t npoorat = 0;
  readcif(run, &record_atom, npoorat, p.found);

  run.files.close_all(true);
  p.atoms = g_atoms;
  p.out = testutil::read_file(dir.file("t.out"));
  return p;
}

// A pass over a file written from `content`.
Pass run_text(const std::string& content, const Settings& s = {}) {
  const testutil::TempDir dir;
  const fs::path in = dir.file("t.cif");
  testutil::write_file(in, content);
  return run_pass(in, s);
}

fs::path fixture(const char* name) {
  return fs::path(TORVEN_TEST_DATA) / "cif" / name;
}

const char* const kC1 = "C1' |G  |A   |1| |1|2|3|1|?";
const char* const kN9 = "N9  |G  |A   |1| |1.5|2.5|3.5|0.6|?";
const char* const kP = "P   |PSU|A   |2| |4|5|6|1|?";
const char* const kC2 = "C2  |A  |A   |3| |-1.25|0.5|10|0|B";
const char* const kN1AA = "N1  |A  |AA  |4| |7|8|9|1|?";
const char* const kC1B = "C1' |C  |B   |5| |0.1|0.2|0.3|1|?";
const char* const kN1B = "N1  |C  |B   |5| |0.4|0.5|0.6|1|?";

// One fixture with all twelve items read under the selections: the model,
// HETATM, the alternate location ("." and A pass; B, ? and "A" do not) and
// the chain. Only the first _atom_site loop is read.
TEST(CifReader, SelectionsOnAllTwelveItems) {
  struct Case {
    const char* what;
    Settings s;
    std::int32_t found;
    std::vector<std::string> atoms;
  };
  const std::vector<Case> cases = {
      {"defaults", {}, 1, {kC1, kN9, kC2, kN1AA}},
      {"-HT", {1, 1, 0, "    "}, 1, {kC1, kN9, kP, kC2, kN1AA}},
      {"-ML A drops AA", {1, 0, 0, "A   "}, 1, {kC1, kN9, kC2}},
      {"-ML AA", {1, 0, 0, "AA  "}, 1, {kN1AA}},
      {"-ML a is not A", {1, 0, 0, "a   "}, 1, {}},
      {"blank first selects all", {1, 0, 0, " B  "}, 1, {kC1, kN9, kC2, kN1AA}},
      {"-MD 2", {2, 0, 0, "    "}, 1, {kC1B, kN1B}},
      {"-MD 2 -NMR", {2, 0, 1, "    "}, 1, {kC1B, kN1B}},
      // Lines of the model that fail only the chain test still count.
      {"-MD 2 -ML A", {2, 0, 0, "A   "}, 1, {}},
      {"-MD 5", {5, 0, 0, "    "}, 0, {}},
  };
  for (const Case& c : cases) {
    Pass p = run_pass(fixture("all_tags.cif"), c.s);
    EXPECT_EQ(p.found, c.found) << c.what;
    EXPECT_EQ(p.atoms, c.atoms) << c.what;
  }
}

TEST(CifReader, HetatmAloneDoesNotCountWithoutHt) {
  const std::string file =
      "loop_\n_atom_site.group_PDB\n_atom_site.label_atom_id\n"
      "_atom_site.label_comp_id\n_atom_site.auth_seq_id\n_atom_site.Cartn_x\n"
      "_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
      "HETATM P PSU 2 4.0 5.0 6.0\n#\n";
  EXPECT_EQ(run_text(file).found, 0);
  Pass p = run_text(file, {1, 1, 0, "    "});
  EXPECT_EQ(p.found, 1);
  EXPECT_EQ(p.atoms, std::vector<std::string>{"P   |PSU|    |2| |4|5|6|1|?"});
}

// Tags in another order, a longer tag that only begins with Cartn_x, a tag
// followed by text, "loop_" of another category first, a data line that
// begins with blanks, and a loop that runs to the end of the file.
TEST(CifReader, TagOrderOtherCategoryAndLoopAtEndOfFile) {
  Pass p = run_pass(fixture("reordered.cif"));
  EXPECT_EQ(p.found, 1);
  EXPECT_EQ(p.atoms, (std::vector<std::string>{
                         "P   |U  |B   |7| |1|2|3|0.5|?",
                         "OP1 |U  |B   |8| |4|5|6|1|C"}));
}

// Every line from the first tag line on takes a number, also a data line or
// an empty line among the tag lines, so the indices count them too. The data
// line before the required tags are complete is passed over unread.
TEST(CifReader, EveryLineOfTheHeaderTakesANumber) {
  Pass p = run_text(
      "loop_\n_atom_site.label_atom_id\n_atom_site.label_comp_id\n"
      "junk junk\n_atom_site.auth_seq_id\n\n_atom_site.Cartn_x\n"
      "_atom_site.Cartn_y\n_atom_site.Cartn_z\nP G a 1 b 1.5 2.5 3.5\n#\n");
  EXPECT_EQ(p.found, 1);
  EXPECT_EQ(p.atoms, std::vector<std::string>{"P   |G  |    |1| |1.5|2.5|3.5|1|?"});
}

const std::string kSixTags =
    "loop_\n_atom_site.label_atom_id\n_atom_site.label_comp_id\n"
    "_atom_site.auth_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
    "_atom_site.Cartn_z\n";

// Blanks before a value count among the 15 characters of its field, and the
// residue number is read from the field's first seven characters: 1234 after
// six blanks reads as 12. The other numbers read as written.
TEST(CifReader, ResidueNumberReadFromFirstSevenCharacters) {
  struct Case {
    const char* line;
    std::int32_t found;
    std::vector<std::string> atoms;
  };
  const std::vector<Case> cases = {
      {"C1'    G      1234      1.5   -2.5 3.5\n", 1,
       {"C1' |G  |    |12| |1.5|-2.5|3.5|1|?"}},
      {"C1' G 12345678 1 2 3\n", 1, {"C1' |G  |    |1234567| |1|2|3|1|?"}},
      {"C1' G ? 1 2 3\n", 1, {}},
      {"C1' G . 1 2 3\n", 1, {}},
  };
  for (const Case& c : cases) {
    Pass p = run_text(kSixTags + c.line + "#\n");
    EXPECT_EQ(p.found, c.found) << c.line;
    EXPECT_EQ(p.atoms, c.atoms) << c.line;
  }
}

// Without the optional items every line is of the selected model, not
// HETATM, alt id ".", insertion code "?", chain blank and occupancy 1.
TEST(CifReader, OptionalItemsMissing) {
  const std::string file = kSixTags + "N1 A 5 1 2 3\n#\n";
  Pass p = run_text(file, {3, 0, 0, "    "});
  EXPECT_EQ(p.found, 1);
  EXPECT_EQ(p.atoms, std::vector<std::string>{"N1  |A  |    |5| |1|2|3|1|?"});
  p = run_text(file, {1, 0, 0, "A   "});
  EXPECT_EQ(p.found, 1);
  EXPECT_TRUE(p.atoms.empty());
}

// Files in which the pass finds nothing: no loop, a loop without a required
// item, or a file that ends inside the loop before any data line.
TEST(CifReader, NothingFound) {
  const std::vector<std::string> files_ = {
      "",
      "HEADER    DNA\nATOM      1  P     G A   1       1.000   2.000   3.000  1.00\n",
      "loop_\n",
      "loop_\n_atom_site.group_PDB\n",
      // The line after "loop_" is not itself tested for "loop_".
      "loop_\nloop_\n" + kSixTags.substr(6) + "P G 1 1 2 3\n#\n",
      // No Cartn_z.
      "loop_\n_atom_site.label_atom_id\n_atom_site.label_comp_id\n"
      "_atom_site.auth_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
      "P G 1 1 2 3\n#\n",
      // Only a longer tag that begins with a required one.
      "loop_\n_atom_site.label_atom_id\n_atom_site.label_comp_id\n"
      "_atom_site.auth_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
      "_atom_site.Cartn_z_esd\nP G 1 1 2 3 0.1\n#\n",
      // Short data lines (an empty one among them) are dropped unread.
      kSixTags + "\nP G 1 1 2\n#\n",
  };
  for (const std::string& f : files_) {
    Pass p = run_text(f);
    EXPECT_EQ(p.found, 0) << f;
    EXPECT_TRUE(p.atoms.empty()) << f;
  }
}

// A short line between full ones stores nothing, not even values left over
// from the line before.
TEST(CifReader, ShortLineBetweenFullOnes) {
  Pass p = run_text(kSixTags + "P G 1 1 2 3\nOP1 G 1\nC1' G 2 4 5 6\n#\n");
  EXPECT_EQ(p.atoms, (std::vector<std::string>{"P   |G  |    |1| |1|2|3|1|?",
                                               "C1' |G  |    |2| |4|5|6|1|?"}));
}

// Lines are read whole: more than 30 fields and more than 132 characters,
// with the model number last.
TEST(CifReader, LongLinesAreReadWhole) {
  std::string file = "loop_\n";
  for (int k = 1; k <= 39; ++k) file += "_atom_site.extra_" + std::to_string(k) + "\n";
  file += kSixTags.substr(6) + "_atom_site.pdbx_PDB_model_num\n";
  std::string fill;
  for (int k = 1; k <= 39; ++k) fill += "value" + std::to_string(k) + " ";
  ASSERT_GT(fill.size(), 132u);
  file += fill + "C1' G 1 1 2 3 2\n" + fill + "N1 G 1 4 5 6 1\n#\n";
  Pass p = run_text(file);
  EXPECT_EQ(p.atoms, std::vector<std::string>{"N1  |G  |    |1| |4|5|6|1|?"});
}

// The header lines come before anything is read, in the mmCIF order: the
// NMR line second, and only with -NMR.
TEST(CifReader, HeaderLinesInMmcifOrder) {
  auto headers = [](const std::string& out) {
    std::vector<std::string> h;
    std::size_t at = 0;
    while (at < out.size()) {
      std::size_t end = out.find('\n', at);
      std::string line = out.substr(at, end - at);
      h.push_back(line.substr(0, 20));
      at = end == std::string::npos ? out.size() : end + 1;
    }
    return h;
  };
  const std::vector<std::string> plain = {"#HEADER   Base Pairi", "#HEADER   Program TO",
                                          "#HEADER   Distance c"};
  EXPECT_EQ(headers(run_pass(fixture("all_tags.cif"), {2, 0, 0, "    "}).out), plain);
  std::vector<std::string> nmr = plain;
  nmr.insert(nmr.begin() + 1, "#HEADER   Results fo");
  EXPECT_EQ(headers(run_pass(fixture("all_tags.cif"), {2, 0, 1, "    "}).out), nmr);
  EXPECT_EQ(headers(run_text("").out), plain);
}

// A model, coordinate or occupancy field that holds no number ends the run
// with status 2 and a message naming the file and the line.
// The field split looks at a line's blanks many positions at a time; it
// must end every field where a walk over the characters does, for lines of
// every length around its word boundaries.
TEST(CifReader, FieldSplitMatchesACharacterWalk) {
  auto walk = [](std::string_view line, std::size_t keep) {
    std::vector<std::pair<std::size_t, std::size_t>> fields;
    std::size_t start = 0;
    for (std::size_t p = 1; p <= line.size() && fields.size() < keep; ++p) {
      const char c = p < line.size() ? line[p] : ' ';
      if (c != ' ' || line[p - 1] == ' ') continue;
      fields.emplace_back(start, std::min(p + 1, line.size()));
      start = p + 1;
    }
    return fields;
  };
  std::mt19937 rng(7);
  const std::string alphabet = "  \t\"x1.-";
  int compared = 0;
  for (std::size_t len = 0; len <= 200; ++len)
    for (int trial = 0; trial < 40; ++trial) {
      std::string line;
      for (std::size_t k = 0; k < len; ++k) line.push_back(alphabet[rng() % alphabet.size()]);
      if (trial % 4 == 0 && len > 0) line[0] = 'A';  // a stripped line starts with a value
      for (std::size_t keep : {std::size_t{3}, std::size_t{21}, std::size_t{200}}) {
        CifFields f;
        f.begin.assign(keep, 0);
        f.end.assign(keep, 0);
        split_fields(line, f);
        const auto expected = walk(line, keep);
        ASSERT_EQ(static_cast<std::size_t>(f.count), expected.size()) << "\"" << line << "\"";
        for (std::size_t k = 0; k < expected.size(); ++k) {
          EXPECT_EQ(f.begin[k], expected[k].first) << "\"" << line << "\" field " << k + 1;
          EXPECT_EQ(f.end[k], expected[k].second) << "\"" << line << "\" field " << k + 1;
        }
        ++compared;
      }
    }
  EXPECT_GT(compared, 20000);
}

TEST(CifReader, UnreadableNumberEndsTheRun) {
  const std::string head =
      "loop_\n_atom_site.label_atom_id\n_atom_site.label_comp_id\n"
      "_atom_site.auth_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
      "_atom_site.Cartn_z\n_atom_site.occupancy\n_atom_site.pdbx_PDB_model_num\n"
      "P G 1 1 2 3 1 1\n";
  const std::vector<std::string> lines = {
      "P G 1 1 2 3 1 one\n",
      "P G 1 1 y 3 1 1\n",
      "P G 1 1 2 3.0x 1 1\n",
      "P G 1 1 2 3 ? 1\n",
  };
  for (const std::string& bad : lines) {
    const testutil::TempDir dir;
    const fs::path in = dir.file("bad.cif");
    testutil::write_file(in, head + bad + "#\n");
    try {
      run_pass(in);
      ADD_FAILURE() << "no failure for " << bad;
    } catch (const Failure& f) {
      EXPECT_EQ(f.file, in.string()) << bad;
      EXPECT_EQ(f.line, 11) << bad;
    }
  }
}

}  // namespace
