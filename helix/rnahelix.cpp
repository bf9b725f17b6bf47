// The secondary-structure stage: reads .out back and writes .bpseq, .hlx,
// _structure.csv, .dat and .dbn in this order.
#include "helix/rnahelix.h"

#include <string>

#include "common/files.h"
#include "common/tables.h"
#include "helix/helix_stage.h"

namespace torven {

namespace {

// A report that cannot be opened is reported by name and ends the run.
void open_report(InputFile& out, std::string_view NMPASS) {
  const std::string name = helix::report_name(NMPASS);
  if (out.open(name)) return;
  const std::string message = "Error opening report file: " + name;
  stdout_list({std::string_view(message)});
  stop_status_1();
}

}  // namespace

void rnahelix(RunFiles& files, std::string_view NMPASS, std::int32_t ModelNumber) {
  helix::HelixStage stage;
  InputFile out;
  open_report(out, NMPASS);
  files.hlx.open(helix::hlx_name(NMPASS));
  const std::string name = helix::structure_name(NMPASS);

  const std::int32_t nts = helix::count_residue_lines(out);
  out.close();
  open_report(out, NMPASS);
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
  helix::write_chains(stage, NMPASS, ModelNumber, name, files.structure, files.dat);
  helix::write_dbn(stage, name, files.dbn);
}

}  // namespace torven
