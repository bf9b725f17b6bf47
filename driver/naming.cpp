// Opening the input file and naming and opening the nine output files.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "common/output_file.h"
#include "common/run_files.h"
#include "common/stops.h"
#include "common/text.h"
#include "driver/stages.h"

namespace torven {

namespace {

// Where the input's last path component begins (after its last '/') and
// where its stem ends (at the first '.' of that component, or its end).
struct NameParts {
  std::size_t stem_begin = 0;
  std::size_t stem_end = 0;
};

NameParts name_parts(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  NameParts p;
  p.stem_begin = slash == std::string::npos ? 0 : slash + 1;
  p.stem_end = std::min(name.find('.', p.stem_begin), name.size());
  return p;
}

}  // namespace

std::string output_name(std::string_view input, std::string_view suffix) {
  const std::string name = trim_name(input);
  std::string out = name.substr(0, name_parts(name).stem_end);
  out += suffix;
  return out;
}

std::string input_stem(std::string_view input) {
  const std::string name = trim_name(input);
  const NameParts p = name_parts(name);
  return name.substr(p.stem_begin, p.stem_end - p.stem_begin);
}

namespace {

// The nine output names of `input`, in the order of RunFiles::kOutputs.
std::array<std::string, RunFiles::kOutputs.size()> output_names(std::string_view input) {
  std::array<std::string, RunFiles::kOutputs.size()> names;
  for (std::size_t k = 0; k < names.size(); ++k)
    names[k] = output_name(input, RunFiles::kOutputs[k].suffix);
  return names;
}

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

void refuse_standard_output(const Run& run) {
  RunFiles::refuse_standard_output(output_names(run.FILENM));
}

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

  // Every output is created empty here, so that nothing of an earlier run
  // survives in any of them, or none is when one of them cannot be opened.
  files.stem = input_stem(input);
  files.open_outputs(output_names(input));
}

}  // namespace torven
