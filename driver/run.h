// The state of one run that the run driver keeps beside the shared tables:
// the names it works with, its files and the atom store's own columns. main
// owns the one Run and hands it to the stages that use it.
#pragma once

#include <cstdint>
#include <string>

#include "common/run_files.h"
#include "common/tables.h"
#include "common/text.h"

namespace torven {

// What the atom store keeps of its own between atoms.
struct AtomStoreState {
  Column<char> POS;  // PDB insertion code of every stored atom
  Text<4> CHAINID;   // chain of the residue just opened
};

struct Run {
  std::string FILENM;         // the input name as given on the command line
  bool have_file = false;     // a file name was given on the command line
  std::int32_t NPOORAT = 0;   // poorly defined atoms, counted over the whole run
  AtomStoreState store;
  RunFiles files;

  // Back to the state before a run: every file closed without a report,
  // every value and column of the run and of the shared tables at its start.
  void reset();
};

}  // namespace torven
