// Output names built from the input name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/stages.h"

namespace {

TEST(OutputNames, SuffixReplacesTheExtensionOfTheLastComponent) {
  struct Case {
    const char* input;
    const char* out;
    const char* pairing;
    const char* bpseq;
    const char* structure;
  };
  const std::vector<Case> cases = {
      {"1abc.pdb", "1abc.out", "1abc_pairing.csv", "1abc.bpseq", "1abc_structure.csv"},
      {"data/1abc.cif", "data/1abc.out", "data/1abc_pairing.csv", "data/1abc.bpseq",
       "data/1abc_structure.csv"},
      {"x.mmcif", "x.out", "x_pairing.csv", "x.bpseq", "x_structure.csv"},
      {"1abc.pdb.gz", "1abc.out", "1abc_pairing.csv", "1abc.bpseq", "1abc_structure.csv"},
      {"./x.pdb", "./x.out", "./x_pairing.csv", "./x.bpseq", "./x_structure.csv"},
      {"../d/1abc.pdb", "../d/1abc.out", "../d/1abc_pairing.csv", "../d/1abc.bpseq",
       "../d/1abc_structure.csv"},
      {"1abc", "1abc.out", "1abc_pairing.csv", "1abc.bpseq", "1abc_structure.csv"},
      {"run.v2/1abc", "run.v2/1abc.out", "run.v2/1abc_pairing.csv", "run.v2/1abc.bpseq",
       "run.v2/1abc_structure.csv"},
      {"/tmp/a.b/c.d.e", "/tmp/a.b/c.out", "/tmp/a.b/c_pairing.csv", "/tmp/a.b/c.bpseq",
       "/tmp/a.b/c_structure.csv"},
      {"1abc.pdb                                          ", "1abc.out", "1abc_pairing.csv",
       "1abc.bpseq", "1abc_structure.csv"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(torven::output_name(c.input, ".out"), c.out) << c.input;
    EXPECT_EQ(torven::output_name(c.input, "_pairing.csv"), c.pairing) << c.input;
    EXPECT_EQ(torven::output_name(c.input, ".bpseq"), c.bpseq) << c.input;
    EXPECT_EQ(torven::output_name(c.input, "_structure.csv"), c.structure) << c.input;
  }
  for (const char* s : {".cor", ".nup", ".dat", ".dbn"})
    EXPECT_EQ(torven::output_name("../d/1abc.pdb.gz", s), std::string("../d/1abc") + s);
}

TEST(OutputNames, TheStructureIsNamedWithoutFolders) {
  const std::pair<const char*, const char*> cases[] = {
      {"1abc.pdb", "1abc"},         {"/a/b/s1.pdb", "s1"},   {"../run.v2/./s1.cif.gz", "s1"},
      {"1abc", "1abc"},             {".hidden.pdb", ""},     {"  dir/x.mmcif  ", "x"},
  };
  for (const auto& [input, stem] : cases) EXPECT_EQ(torven::input_stem(input), stem) << input;
}

}  // namespace
