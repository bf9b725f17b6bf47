// Shared set-up for the tests of the reading stages: a run of each test's
// own with fresh tables and small variant lists, the atoms it stores, and
// its .out and .cor read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "common/tables.h"
#include "driver/run.h"
#include "driver/stages.h"
#include "test_util.h"

namespace reading_test {

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

// A test whose atoms go to the atom store of its own run.
class StoreRun : public ::testing::Test {
 protected:
  // Fresh run and tables, the four lists as given, the store's initial state.
  void fresh_store(std::initializer_list<const char*> ade, std::initializer_list<const char*> gua,
                   std::initializer_list<const char*> cyt, std::initializer_list<const char*> ura) {
    run_.reset();
    const std::initializer_list<const char*>* lists[] = {&ade, &gua, &cyt, &ura};
    for (int list = 1; list <= 4; ++list) {
      auto& v = torven::basenms.VariantNames[list];
      v.assign(1, torven::Text<3>());
      for (const char* n : *lists[list - 1]) v.emplace_back(n);
      torven::beta.VariantCount[list] = static_cast<std::int32_t>(v.size()) - 1;
    }
    torven::reading_initialisation();
  }

  void standard_store() {
    fresh_store({"  A", " DA"}, {"  G", " DG"}, {"  C", " DC"}, {"  U", " DU", " DT"});
  }

  void store(const Atom& a) {
    torven::Text<3> res(a.res);
    torven::hypothesis(run_, torven::Text<4>(a.name), res, torven::Text<4>(a.chain), a.resno,
                       a.ins, a.x, a.y, a.z, a.occ, run_.NPOORAT, a.insc);
  }

  // .out and .cor of the run, open until the result goes.
  testutil::ReportFiles open_reports() { return testutil::ReportFiles(run_, {".out", ".cor"}); }

  torven::Run run_;
};

}  // namespace reading_test
