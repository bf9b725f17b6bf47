// Opening the input file and naming and opening the eight output files.
#include <algorithm>
#include <filesystem>
#include <string>

#include "common/files.h"
#include "common/text.h"
#include "driver/stages.h"

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
  for (const RunFiles::Output& output : RunFiles::kOutputs) {
    const std::string out = output_name(input, output.suffix);
    std::error_code ec;
    if (std::filesystem::equivalent(input, out, ec))
      fail(input, 0, "the output file " + out + " would replace the input file");
  }
}

}  // namespace

void open_run_files(Run& run) {
  RunFiles& files = run.files;
  const std::string input = trim_name(run.FILENM);

  if (!files.input.open(input)) {
    // The name as given, at least 80 characters wide.
    const std::string shown = fit(run.FILENM, std::max<std::size_t>(run.FILENM.size(), 80));
    stdout_list({std::string_view("Error opening input file:"), std::string_view(shown)});
    stop_status_1();
  }
  refuse_output_over_input(input);

  // Every output but .hlx, which the secondary-structure stage opens, in
  // the order of the table.
  run.NMPASS = output_name(input, ".out");
  for (const RunFiles::Output& output : RunFiles::kOutputs) {
    if (output.file != &RunFiles::hlx) (files.*output.file).open(output_name(input, output.suffix));
  }
}

}  // namespace torven
