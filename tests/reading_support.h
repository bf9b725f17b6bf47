// Shared set-up for the tests of the reading stages: fresh tables, small
// variant lists and output files in a temporary directory.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/tables.h"
#include "driver/stages.h"
#include "driver/run.h"
#include "test_util.h"

namespace readtest {

namespace fs = std::filesystem;

// The run the reading tests work in; fresh_store() starts it afresh.
inline torven::Run& the_run() {
  static torven::Run run;
  return run;
}

// Fresh tables, the four lists as given, the store's initial state.
inline void fresh_store(std::initializer_list<const char*> ade,
                        std::initializer_list<const char*> gua,
                        std::initializer_list<const char*> cyt,
                        std::initializer_list<const char*> ura) {
  the_run().reset();
  const std::initializer_list<const char*>* lists[] = {&ade, &gua, &cyt, &ura};
  for (int list = 1; list <= 4; ++list) {
    auto& v = torven::basenms.VariantNames[list];
    v.assign(1, torven::Text<3>());
    for (const char* n : *lists[list - 1]) v.emplace_back(n);
    torven::beta.VariantCount[list] = static_cast<std::int32_t>(v.size()) - 1;
  }
  torven::reading_initialisation();
}

inline void standard_store() {
  fresh_store({"  A", " DA"}, {"  G", " DG"}, {"  C", " DC"}, {"  U", " DU", " DT"});
}

// One atom record for the store.
struct Atom {
  const char* name;
  const char* res;
  const char* chain;
  std::int32_t resno;
  char ins = ' ';
  float occ = 1.0f;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  char insc = '?';
};

inline void store(const Atom& a) {
  torven::Text<3> res(a.res);
  torven::hypothesis(the_run(), torven::Text<4>(a.name), res, torven::Text<4>(a.chain), a.resno,
                     a.ins, a.x, a.y, a.z, a.occ, the_run().NPOORAT, a.insc);
}

// .out and .cor of the test run opened in a fresh temporary directory.
class ReportFiles {
 public:
  ReportFiles() {
    the_run().files.out.open(dir_.file("t.out"));
    the_run().files.cor.open(dir_.file("t.cor"));
  }
  ~ReportFiles() {
    the_run().files.out.close();
    the_run().files.cor.close();
  }
  std::vector<std::string> out() {
    the_run().files.out.close();
    return testutil::read_lines(dir_.file("t.out"));
  }
  std::vector<std::string> cor() {
    the_run().files.cor.close();
    return testutil::read_lines(dir_.file("t.cor"));
  }

 private:
  testutil::TempDir dir_;
};

}  // namespace readtest
