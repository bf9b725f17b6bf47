// The secondary-structure stage: reads .out back and writes .bpseq, .hlx,
// _structure.csv, .dat and .dbn in this order.
#include "helix/rnahelix.h"

#include <string>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/run_files.h"
#include "common/stops.h"
#include "common/tables.h"
#include "helix/helix_stage.h"

namespace torven {

namespace {

// A report that cannot be opened again is reported by name and ends the run.
void open_report(InputFile& out, const std::string& name) {
  if (out.open(name)) return;
  const std::string message = "Error opening report file: " + name;
  stdout_list({std::string_view(message)});
  stop_status_1();
}

}  // namespace

void rnahelix(RunFiles& files, std::int32_t ModelNumber) {
  helix::HelixStage stage;
  const std::string& report = files.out.name();
  InputFile out;
  open_report(out, report);
  // The structure's name, followed by one blank, heads .bpseq, .dat and .dbn.
  const std::string name = files.stem + " ";

  const std::int32_t nts = helix::count_residue_lines(out);
  out.close();
  open_report(out, report);
  helix::read_back(out, nts, name, stage, files.bpseq);

  helix::build_dot_bracket(stage);
  helix::find_stacked_segments(stage);
  helix::find_helices(stage);
  helix::write_hlx(stage, files.hlx);

  out.close();
  if (!helix::split_chains(stage)) {
    stdout_list({std::string_view("There are more than 100 chains in the pdb")});
    stop_status_1();
  }
  helix::write_chains(stage, files.record_id(), ModelNumber, name, files.structure, files.dat);
  helix::write_dbn(stage, name, files.dbn);
}

}  // namespace torven
