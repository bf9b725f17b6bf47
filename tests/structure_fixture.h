// A real structure read and cleaned by the real stages, with the settings
// of a run without options, for tests of the stages that follow.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/tables.h"
#include "driver/stages.h"
#include "driver/run.h"
#include "test_util.h"

namespace testutil {

// Reads tests/data/structures/<name> in a fresh directory `dir`, which the
// run's output files go to.
inline void read_structure(torven::Run& run, const std::filesystem::path& dir,
                           const std::string& name) {
  using namespace torven;
  run.reset();
  set_default_settings();
  setenv("NUCLEIC_ACID_DIR", shipped_variant_dir().c_str(), 1);
  load_variant_lists();
  std::filesystem::copy_file(structure(name), dir / name);
  run.FILENM = (dir / name).string();
  run.have_file = true;
  open_run_files(run);
  reading_dispatch(run);
  cleanpdb(run);
}

}  // namespace testutil
