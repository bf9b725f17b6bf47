// The atom store: which atoms are kept, how residues are formed, how
// residue names are classified, and the #MODRES diagnostics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reading_support.h"

namespace {

using reading_test::Atom;
using namespace torven;

class AtomStore : public reading_test::StoreRun {};

struct Res {
  std::int32_t first, last, number;
  const char* chain;
};

struct GroupingCase {
  const char* what;
  std::vector<Atom> atoms;
  std::vector<Res> residues;
  std::int32_t poor;
};

TEST_F(AtomStore, FormsResiduesFromNumberAndInsertionCodes) {
  const std::vector<GroupingCase> cases = {
      {"first atom opens residue 1 even at the initial number -9999",
       {{" C1'", "  G", "A", -9999}, {" N9 ", "  G", "A", -9999}},
       {{1, 2, -9999, "A   "}},
       0},
      {"same number in another chain joins the residue; its chain is the first atom's",
       {{" C1'", "  G", "A", 10}, {" N9 ", "  G", "A", 10}, {" C1'", "  C", "B", 10}},
       {{1, 3, 10, "A   "}},
       0},
      {"unrecognised atoms in between are not compared with",
       {{" C1'", "  A", "A", 5}, {" CA ", "GLY", "A", 6}, {" N1 ", "  A", "A", 5},
        {" N1 ", "  A", "A", 7}},
       {{1, 2, 5, "A   "}, {3, 3, 7, "A   "}},
       0},
      {"a PDB insertion code or an mmCIF one opens a residue",
       {{" C1'", "  A", "A", 5, ' '}, {" C1'", "  A", "A", 5, 'A'},
        {" C1'", "  A", "A", 5, 'A', 1.0f, 0, 0, 0, 'B'}},
       {{1, 1, 5, "A   "}, {2, 2, 5, "A   "}, {3, 3, 5, "A   "}},
       0},
      {"occupancy 0.3 and NaN are rejected, 0 and 0.5 kept; column-16 'B' kept only at 0",
       {{" C1'", "  U", "A", 1, ' ', 0.3f}, {" N1 ", "  U", "A", 1, ' ', 0.0f},
        {" C2 ", "  U", "A", 1, ' ', 0.5f}, {" N3 ", "  U", "A", 1, ' ', 0.49999997f},
        {" C4B", "  U", "A", 1, ' ', 1.0f}, {" C5B", "  U", "A", 1, ' ', 0.0f},
        {" C6 ", "  U", "A", 1, ' ', std::numeric_limits<float>::quiet_NaN()}},
       {{1, 3, 1, "A   "}},
       4},
      {"rejected atoms of one residue and a following residue",
       {{" C1'", "  A", "A", 1, ' ', 0.2f}, {" C1'", "  A", "A", 2}},
       {{1, 1, 2, "A   "}},
       1},
  };
  for (const auto& c : cases) {
    standard_store();
    auto files = open_reports();
    for (const auto& a : c.atoms) store(a);
    SCOPED_TRACE(c.what);
    ASSERT_EQ(beta.ResidueCount, static_cast<std::int32_t>(c.residues.size()));
    for (std::size_t k = 0; k < c.residues.size(); ++k) {
      const auto r = static_cast<std::int32_t>(k + 1);
      EXPECT_EQ(beta.ResFirstAtom.get(r), c.residues[k].first) << "residue " << r;
      EXPECT_EQ(beta.ResLastAtom.get(r), c.residues[k].last) << "residue " << r;
      EXPECT_EQ(num.ResNumber(1).get(r), c.residues[k].number) << "residue " << r;
      EXPECT_EQ(cum.ResChainId(1).get(r).str(), c.residues[k].chain) << "residue " << r;
    }
    EXPECT_EQ(delta.NextAtom, c.residues.empty() ? 1 : c.residues.back().last + 1);
    EXPECT_EQ(run_.NPOORAT, c.poor);
  }
}

TEST_F(AtomStore, StoresTheAtomAsPassed) {
  standard_store();
  auto files = open_reports();
  store({" C5B", "G  ", "X", 42, 'Q', 0.0f, 1.5f, -2.25f, 3.0f, '?'});
  ASSERT_EQ(delta.NextAtom, 2);
  EXPECT_EQ(names.AtomName.get(1).str(), " C5B");  // name unchanged by the store
  EXPECT_EQ(names.AtomResName.get(1).str(), "  G");
  EXPECT_EQ(chains.AtomChainId.get(1).str(), "X   ");
  EXPECT_EQ(beta.AtomResNumber.get(1), 42);
  EXPECT_EQ(beta.AtomInsCode.get(1), '?');
  EXPECT_EQ(alpha.AtomX.get(1), 1.5f);
  EXPECT_EQ(alpha.AtomY.get(1), -2.25f);
  EXPECT_EQ(alpha.AtomZ.get(1), 3.0f);
  EXPECT_EQ(occur.AtomOccupancy.get(1), 0.0f);
  EXPECT_EQ(deltad.LastInsCode, 'Q');
}

TEST_F(AtomStore, ClassifiesByNameLastMatchWinning) {
  struct Case {
    const char* given;
    const char* justified;
    const char* base_class;  // nullptr: not stored
    std::int32_t type;
  };
  const std::vector<Case> cases = {
      {"  A", "  A", "  A", kA},   {"A  ", "  A", "  A", kA},   {"G  ", "  G", "  G", kG},
      {" DC", " DC", "  C", kC},   {"DT ", " DT", "  U", kU},   {"2MG", "2MG", "  G", kG},
      {"BOTH", "BOT", "  U", kU},  // in the guanine and the uracil list: uracil
      {"PSU", "PSU", "PSU", kPSU},  // also in the uracil list: the fixed name wins
      {"FHU", "FHU", "PSU", kPSU}, {"N6G", "N6G", "N6G", kN6G}, {"QUO", "QUO", "QUO", kQUO},
      {"a  ", "  a", nullptr, 0},  // case counts
      {"   ", "   ", nullptr, 0},  {"HOH", "HOH", nullptr, 0},
  };
  for (const auto& c : cases) {
    fresh_store({"  A"}, {"  G", "2MG", "BOT"}, {" DC"}, {"  U", "PSU", " DT", "BOT"});
    auto files = open_reports();
    Text<3> res(c.given);
    hypothesis(run_, Text<4>(" N1 "), res, Text<4>("A   "), 1, ' ', 0, 0, 0, 1.0f, run_.NPOORAT,
               '?');
    SCOPED_TRACE(c.given);
    EXPECT_EQ(res.str(), c.justified);  // the caller's name is right-justified in place
    if (c.base_class == nullptr) {
      EXPECT_EQ(delta.NextAtom, 1);
      EXPECT_EQ(beta.ResidueCount, 0);
    } else {
      ASSERT_EQ(delta.NextAtom, 2);
      EXPECT_EQ(residue.AtomBaseClass.get(1).str(), c.base_class);
      EXPECT_EQ(gama.AtomResType.get(1), c.type);
      EXPECT_EQ(names.AtomResName.get(1).str(), c.justified);
    }
  }
}

TEST_F(AtomStore, ModresLineForEachAcceptedPrimedC1OfAnUnknownResidue) {
  standard_store();
  auto files = open_reports();
  store({" C1'", "XYZ", "A", 12});
  store({" C1'", "XYZ", "A", 12});             // a second one: a second line
  store({" C1'", "XY ", "B", 123456});         // too wide for I5: asterisks
  store({" C1'", "XYZ", "A", 13, ' ', 0.3f});  // rejected first: no line
  store({" C1*", "XYZ", "A", 14});             // other spelling: no line
  store({"C1' ", "XYZ", "A", 15});             // left-justified: no line
  store({" C1'", "  A", "A", 16});             // recognised: no line
  EXPECT_EQ(files.lines(".out"), (std::vector<std::string>{"#MODRES      12  XYZ  A   ",
                                                            "#MODRES      12  XYZ  A   ",
                                                            "#MODRES   *****   XY  B   "}));
  EXPECT_EQ(run_.NPOORAT, 1);
  EXPECT_EQ(delta.NextAtom, 2);
}

TEST_F(AtomStore, GrowsBeyondTheFixedAtomCapacity) {
  standard_store();
  auto files = open_reports();
  const std::int32_t atoms = 120000;
  for (std::int32_t k = 0; k < atoms; ++k) store({" C1'", "  A", "A", k / 20});
  EXPECT_EQ(delta.NextAtom, atoms + 1);
  EXPECT_EQ(beta.ResidueCount, atoms / 20);
  EXPECT_EQ(beta.ResLastAtom.get(atoms / 20), atoms);
}

// Residue names are classified once and then remembered; loading the lists
// again must forget what the old lists said.
TEST_F(AtomStore, LoadingTheListsAgainClassifiesNamesAfresh) {
  const testutil::TempDir dir;
  auto write_lists = [&dir](const char* ade, const char* cyt) {
    testutil::write_file(dir.file("AdeVariants.name"), ade);
    testutil::write_file(dir.file("GuaVariants.name"), "  G\n");
    testutil::write_file(dir.file("CytVariants.name"), cyt);
    testutil::write_file(dir.file("UraVariants.name"), "  U\n");
  };
  standard_store();
  setenv("NUCLEIC_ACID_DIR", dir.path().c_str(), 1);

  write_lists("  A\nXYZ\n", "  C\n");
  load_variant_lists();
  EXPECT_EQ(residue_type_of(Text<3>("XYZ")), kA);
  EXPECT_EQ(residue_type_of(Text<3>("XYZ")), kA);
  EXPECT_EQ(residue_type_of(Text<3>("  C")), kC);

  write_lists("  A\n", "  C\nXYZ\n");
  load_variant_lists();
  EXPECT_EQ(residue_type_of(Text<3>("XYZ")), kC);

  write_lists("  A\n", "  C\n");
  load_variant_lists();
  EXPECT_EQ(residue_type_of(Text<3>("XYZ")), kNone);
  EXPECT_EQ(residue_type_of(Text<3>("FHU")), kPSU);
}

}  // namespace
