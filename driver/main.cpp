// TORVEN: finds and classifies the base pairs of one nucleic-acid structure.
#include "common/files.h"
#include "common/tables.h"
#include "driver/stages.h"
#include "driver/state.h"
#include "helix/rnahelix.h"
#include "pairs/pairs.h"

int main(int argc, char** argv) {
  using namespace torven;
  set_flush_to_zero();
  parse_arguments(argc, argv);
  load_variant_lists();
  OptionsSummary();
  open_run_files();
  reading_dispatch();
  cleanpdb();
  VersionBanner();
  ColumnLegend();
  RuleWalk();
  PairListCleanup();
  PairSymmetrisation();
  ResidueReport();
  files.input.close();
  files.cor.close();
  files.out.close();
  files.pairing.close();
  files.nup.close();
  rnahelix(state.NMPASS, options.ModelNumber);
}
