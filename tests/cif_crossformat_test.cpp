// The same entry read from its PDB file and from its mmCIF file. Residues are
// matched by chain and residue number (serials shift when one run keeps a
// residue the other drops), and for every matched residue the two runs must
// report the same pairs in .out: partner's chain, number, name and insertion
// code, edge label, orientation, indicator and E-value text. The cleaned
// atoms of each residue (.cor) are compared too, so that a reader that loses
// or renames an atom shows up even when no pair depends on it.
//
// What cannot agree:
// - the header lines of .out, which are therefore not compared: the PDB reader echoes the title records and
//   writes its header lines in another order; the "#MODRES" lines need the
//   PDB form of an atom name (" C1'"), which mmCIF names never have; and the
//   count of poorly defined atoms differs, because the mmCIF reader drops
//   every alternate other than "A" before the store sees it, while the PDB
//   reader hands them all to the store, which counts the ones it rejects;
// - the insertion-code column: every PDB atom gets "?", mmCIF atoms their
//   pdbx_PDB_ins_code. None of the five entries has an insertion code, so
//   the column is compared and agrees there; InsertionCodeShowsOnlyInMmcif
//   covers a file that has one;
// - the residues whose atoms differ because the readers judge alternates
//   differently: each case below names them and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

std::string trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string cols(const std::string& line, std::size_t first, std::size_t width) {
  return first - 1 < line.size() ? line.substr(first - 1, width) : "";
}

// One pair group of a .out residue record, starting at 1-based column c.
struct Pair {
  std::string partner;  // chain/number
  std::string name, ins, label, orient, indicator, energy;
  std::string text() const {
    return partner + " " + name + " " + ins + " " + label + " " + orient + " " + indicator + " " +
           energy;
  }
};

Pair pair_at(const std::string& line, std::size_t c) {
  Pair p;
  p.partner = trim(cols(line, c + 19, 4)) + "/" + trim(cols(line, c + 7, 5));
  p.name = cols(line, c + 13, 3);
  p.ins = cols(line, c + 17, 1);
  p.label = cols(line, c + 24, 3);
  p.orient = cols(line, c + 27, 1);
  p.indicator = cols(line, c + 29, 2);
  p.energy = cols(line, c + 31, 5);
  return p;
}

struct Residue {
  std::string name, ins;
  std::vector<Pair> pairs;
  std::vector<std::string> atoms;  // cleaned atom records without the serials
  std::string text() const {
    std::string t = name + " " + ins;
    for (const Pair& p : pairs) t += " | " + p.text();
    return t;
  }
};

struct Reports {
  std::map<std::string, Residue> residues;  // by chain/number
  std::vector<std::string> order;           // keys by residue serial
  std::string dbn;
};

// Residue records of .out: a line of 25 + 36n columns opens a residue, one
// of 36k columns continues the one before with further pair groups.
// .cor atom records give each residue its atoms, by residue serial.
Reports parse(const std::string& out, const std::string& cor, const std::string& dbn) {
  Reports run;
  run.dbn = dbn;
  Residue* current = nullptr;
  for (const std::string& line : testutil::split_lines(out)) {
    if (line.empty() || line[0] == '#') continue;
    std::size_t first_group = 26;
    if (line.size() % 36 == 25) {
      const std::string key = trim(cols(line, 22, 4)) + "/" + trim(cols(line, 8, 7));
      EXPECT_EQ(run.residues.count(key), 0u) << "two residues " << key;
      EXPECT_EQ(std::stoi(cols(line, 2, 5)), static_cast<int>(run.order.size()) + 1) << line;
      run.order.push_back(key);
      current = &run.residues[key];
      current->name = cols(line, 16, 3);
      current->ins = cols(line, 20, 1);
    } else {
      EXPECT_EQ(line.size() % 36, 0u) << "not a residue record: " << line;
      first_group = 1;
    }
    if (current == nullptr) {
      ADD_FAILURE() << "continuation before any residue: " << line;
      continue;
    }
    for (std::size_t c = first_group; c + 35 <= line.size(); c += 36)
      current->pairs.push_back(pair_at(line, c));
  }
  for (const std::string& line : testutil::split_lines(cor)) {
    if (line.rfind("ATOM", 0) != 0) continue;
    const std::size_t serial = static_cast<std::size_t>(std::stoi(cols(line, 21, 6)));
    if (serial == 0 || serial > run.order.size()) {
      ADD_FAILURE() << ".cor names no residue of .out: " << line;
      continue;
    }
    run.residues[run.order[serial - 1]].atoms.push_back(cols(line, 14, 7) + cols(line, 31, 30));
  }
  return run;
}

struct Exclusion {
  std::string residue;  // chain/number
  std::string why;
};

struct Case {
  std::string entry;
  bool hetatm;                          // -HT in both runs
  std::vector<Exclusion> atoms_differ;  // cleaned atoms differ (or only one run keeps it)
  std::vector<Exclusion> pairs_differ;  // .out records differ
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
  return os << c.entry << (c.hetatm ? " -HT" : "");
}

const char kGtpOxygens[] =
    "GTP 1: the PDB file names six phosphate oxygens O1A..O3B. The PDB reader "
    "takes the fourth character of an atom name as the alternate mark, so O1B, "
    "O2B and O3B are rejected as alternates B and O1A, O2A, O3A are stored as "
    "O1, O2, O3; mmCIF keeps all six under their names. No pair uses them.";
const char kG21Alternates[] =
    "G21 has alternates A (occupancy 0.47) and B (0.53) in column 17. The PDB "
    "reader ignores column 17, so the store keeps the B atoms; the mmCIF reader "
    "keeps alt ids A and . only, and the store rejects the A atoms (below 0.5). "
    "Without its base atoms the cleaning drops G21.";
const char kC12Partner[] =
    "C12 pairs with G21 (W:WC) from PDB; from mmCIF G21 is gone and C12 has no pair.";

class BothFormats : public ::testing::Test {
 protected:
  // Runs torven on `input` (written into its own directory) and parses it.
  Reports run(const std::string& sub, const std::string& input, const std::string& content,
              std::vector<std::string> args) {
    const fs::path d = dir_.path() / sub;
    fs::create_directories(d);
    testutil::write_file(d / input, content);
    args.push_back(input);
    const testutil::RunResult r = testutil::run_torven(d, args, testutil::shipped_variant_dir());
    EXPECT_EQ(r.status, 0) << input << ": " << r.err;
    const std::string stem = input.substr(0, input.find('.'));
    return parse(testutil::read_file(d / (stem + ".out")), testutil::read_file(d / (stem + ".cor")),
                 testutil::read_file(d / (stem + ".dbn")));
  }

  testutil::TempDir dir_;
};

class CrossFormat : public BothFormats, public ::testing::WithParamInterface<Case> {};

std::set<std::string> keys(const std::vector<Exclusion>& list) {
  std::set<std::string> s;
  for (const Exclusion& e : list) s.insert(e.residue);
  return s;
}

// The sequence and bracket lines of .dbn as (residue, letter, bracket),
// chain breaks as "&" entries; residues that the other run lacks are left
// out and those in `masked` get '*' for their bracket.
std::string dbn_view(const Reports& run, const Reports& other,
                     const std::set<std::string>& masked) {
  const std::vector<std::string> l = testutil::split_lines(run.dbn);
  if (l.size() < 3 || l[1].size() != l[2].size()) return "malformed .dbn: " + run.dbn;
  std::string seq, br;
  std::size_t serial = 0;
  for (std::size_t k = 0; k < l[1].size(); ++k) {
    if (l[1][k] == '&') {
      seq += '&';
      br += '&';
      continue;
    }
    if (serial >= run.order.size()) return "more letters than residues: " + run.dbn;
    const std::string& key = run.order[serial++];
    if (other.residues.count(key) == 0) continue;
    seq += l[1][k];
    br += masked.count(key) ? '*' : l[2][k];
  }
  if (serial != run.order.size()) return "fewer letters than residues: " + run.dbn;
  return seq + "\n" + br;
}

TEST_P(CrossFormat, SamePairsWhereTheAtomsAgree) {
  const Case& c = GetParam();
  std::vector<std::string> args;
  if (c.hetatm) args.push_back("-HT");
  const Reports pdb =
      run("pdb", c.entry + ".pdb",
          testutil::read_file(testutil::structure(c.entry + ".pdb")), args);
  args.push_back("-CIF");
  const Reports cif =
      run("cif", c.entry + ".cif",
          testutil::read_file(testutil::structure(c.entry + ".cif")), args);
  ASSERT_GT(pdb.residues.size(), 20u);

  // The residues whose cleaned atoms differ are exactly the explained ones.
  std::set<std::string> all;
  for (const auto& [k, r] : pdb.residues) all.insert(k);
  for (const auto& [k, r] : cif.residues) all.insert(k);
  std::set<std::string> atoms_differ;
  for (const std::string& k : all) {
    const auto p = pdb.residues.find(k), m = cif.residues.find(k);
    if (p == pdb.residues.end() || m == cif.residues.end() || p->second.atoms != m->second.atoms)
      atoms_differ.insert(k);
  }
  EXPECT_EQ(atoms_differ, keys(c.atoms_differ)) << [&c] {
    std::string why;
    for (const Exclusion& e : c.atoms_differ) why += "\n" + e.residue + ": " + e.why;
    return why;
  }();

  // Every other residue has the same record; the excluded ones really differ,
  // so an exclusion that no longer holds is noticed.
  const std::set<std::string> excluded = keys(c.pairs_differ);
  for (const Exclusion& e : c.pairs_differ) {
    const auto p = pdb.residues.find(e.residue), m = cif.residues.find(e.residue);
    const bool both = p != pdb.residues.end() && m != cif.residues.end();
    EXPECT_FALSE(both && p->second.text() == m->second.text())
        << e.residue << " agrees, but was excluded: " << e.why;
  }
  for (const std::string& k : all) {
    const auto p = pdb.residues.find(k), m = cif.residues.find(k);
    const bool both = p != pdb.residues.end() && m != cif.residues.end();
    if (excluded.count(k)) continue;
    if (!both)
      ADD_FAILURE() << k << " read from one format only";
    else
      EXPECT_EQ(p->second.text(), m->second.text()) << k;
  }

  // .dbn: byte for byte when both runs keep the same residues; otherwise the
  // header's residue count differs, and the letters and brackets are compared
  // without the residues one run lacks and with the excluded ones masked.
  if (pdb.order == cif.order) {
    EXPECT_EQ(pdb.dbn, cif.dbn);
  } else {
    EXPECT_EQ(dbn_view(pdb, cif, excluded), dbn_view(cif, pdb, excluded));
  }
}

// Each entry without and with -HT, which brings in the HETATM nucleotides
// (4gxy's GTP and CCC, 4p5j's A23).
const Case kCases[] = {
    {"1bna", false, {}, {}},
    {"1bna", true, {}, {}},
    {"4gxy", false, {}, {}},
    {"4gxy", true, {{"A/1", kGtpOxygens}}, {}},
    {"4p5j", false, {}, {}},
    {"4p5j", true, {}, {}},
    {"5ugo", false, {}, {}},
    {"5ugo", true, {}, {}},
    {"4qln", false, {{"A/21", kG21Alternates}}, {{"A/21", kG21Alternates}, {"A/12", kC12Partner}}},
    {"4qln", true, {{"A/21", kG21Alternates}}, {{"A/21", kG21Alternates}, {"A/12", kC12Partner}}},
};

INSTANTIATE_TEST_SUITE_P(Entries, CrossFormat, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.entry + (info.param.hetatm ? "_HT" : "");
                         });

// Replaces the blank-separated field `n` (1-based) of a line, keeping the
// other characters where they are; the new text has the old one's width.
std::string set_field(const std::string& line, int n, const std::string& value) {
  std::size_t k = 0;
  for (int f = 1;; ++f) {
    k = line.find_first_not_of(' ', k);
    if (k == std::string::npos) return line;
    const std::size_t end = std::min(line.find(' ', k), line.size());
    if (f == n) return line.substr(0, k) + value + line.substr(end);
    k = end;
  }
}

std::string field(const std::string& line, int n) {
  std::istringstream in(line);
  std::string f;
  for (int k = 0; k < n && in >> f; ++k) {
  }
  return f;
}

// 1BNA with an insertion code 'A' on residue 5 of chain A in both files. The
// pairs do not change; the insertion-code column shows the code only from
// mmCIF, in the residue's own record and wherever it is a partner, and "?"
// everywhere from PDB.
TEST_F(BothFormats, InsertionCodeShowsOnlyInMmcif) {
  std::string pdb_text, cif_text;
  for (std::string l : testutil::read_lines(testutil::structure("1bna.pdb"))) {
    if (l.rfind("ATOM", 0) == 0 && cols(l, 22, 5) == "A   5") l[26] = 'A';
    pdb_text += l + "\n";
  }
  // Fields of 1bna.cif's loop: 10 pdbx_PDB_ins_code, 17 auth_seq_id,
  // 19 auth_asym_id.
  for (std::string l : testutil::read_lines(testutil::structure("1bna.cif"))) {
    if (l.rfind("ATOM", 0) == 0 && field(l, 17) == "5" && field(l, 19) == "A") {
      EXPECT_EQ(field(l, 10), "?");
      l = set_field(l, 10, "A");
    }
    cif_text += l + "\n";
  }
  const Reports pdb = run("pdb", "1bna.pdb", pdb_text, {});
  Reports cif = run("cif", "1bna.cif", cif_text, {"-CIF"});
  ASSERT_EQ(pdb.order, cif.order);

  int shown = 0;
  for (auto& [k, r] : cif.residues) {
    EXPECT_EQ(r.ins, k == "A/5" ? "A" : "?") << k;
    if (r.ins == "A") ++shown, r.ins = "?";
    for (Pair& p : r.pairs) {
      EXPECT_EQ(p.ins, p.partner == "A/5" ? "A" : "?") << k << " " << p.text();
      if (p.ins == "A") ++shown, p.ins = "?";
    }
  }
  EXPECT_EQ(shown, 2);  // A/5 and its partner B/20
  for (const auto& [k, r] : pdb.residues) {
    EXPECT_EQ(r.text(), cif.residues.at(k).text()) << k;
    EXPECT_EQ(r.atoms, cif.residues.at(k).atoms) << k;
  }
  EXPECT_EQ(pdb.dbn, cif.dbn);
}

}  // namespace
