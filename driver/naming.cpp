// Opening the input file and naming and opening the eight output files.
#include <algorithm>
#include <filesystem>
#include <string>

#include "common/files.h"
#include "common/text.h"
#include "driver/stages.h"
#include "driver/state.h"

namespace torven {

std::string output_name(std::string_view input, std::string_view suffix) {
  const std::string name = trim_name(input);
  const std::size_t slash = name.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.find('.', start);
  std::string base = name.substr(0, dot);  // npos keeps the whole name
  base += suffix;
  return base;
}

namespace {

// An input named like one of its outputs (x.out, x.cor, ...) would be
// replaced by the run's own report; refuse before any output is created.
void refuse_output_over_input(const std::string& input) {
  static const char* const kAllSuffixes[] = {"_pairing.csv", ".out", ".cor", ".nup", ".dat",
                                             ".dbn", ".bpseq", "_structure.csv", ".hlx"};
  for (const char* suffix : kAllSuffixes) {
    const std::string out = output_name(input, suffix);
    std::error_code ec;
    if (std::filesystem::equivalent(input, out, ec))
      fail(input, 0, "the output file " + out + " would replace the input file");
  }
}

}  // namespace

void open_run_files() {
  const std::string input = trim_name(state.FILENM);

  if (!files.input.open(input)) {
    // The name as given, at least 80 characters wide.
    const std::string shown = fit(state.FILENM, std::max<std::size_t>(state.FILENM.size(), 80));
    stdout_list({std::string_view("Error opening input file:"), std::string_view(shown)});
    stop_status_1();
  }
  refuse_output_over_input(input);

  files.pairing.open(output_name(input, "_pairing.csv"));
  state.NMPASS = output_name(input, ".out");
  files.out.open(state.NMPASS);

  static const char* const kSuffixes[] = {".cor", ".nup", ".dat", ".dbn", ".bpseq",
                                          "_structure.csv"};
  OutputFile* const targets[] = {&files.cor, &files.nup,   &files.dat,
                                 &files.dbn, &files.bpseq, &files.structure};
  for (int k = 0; k < 6; ++k) {
    state.FILENM = output_name(input, kSuffixes[k]);
    targets[k]->open(state.FILENM);
  }
}

}  // namespace torven
