#include "common/run_files.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "common/stops.h"
#include "common/text.h"

namespace torven {

const std::array<RunFiles::Output, 9> RunFiles::kOutputs = {{
    {"_pairing.csv", &RunFiles::pairing},
    {".out", &RunFiles::out},
    {".cor", &RunFiles::cor},
    {".nup", &RunFiles::nup},
    {".dat", &RunFiles::dat},
    {".dbn", &RunFiles::dbn},
    {".bpseq", &RunFiles::bpseq},
    {"_structure.csv", &RunFiles::structure},
    {".hlx", &RunFiles::hlx},
}};

std::string RunFiles::record_id() const {
  std::string id = stem + ".out";
  id.resize(4);
  return left_adjust(id);
}

void RunFiles::refuse_standard_output(const std::array<std::string, 9>& names) {
  // A regular file or a named pipe that one of the names leads to; a
  // device, which several outputs may be too, is left to take both.
  struct stat std_out, st;
  if (::fstat(STDOUT_FILENO, &std_out) != 0 ||
      !(S_ISREG(std_out.st_mode) || S_ISFIFO(std_out.st_mode)))
    return;
  for (const std::string& name : names) {
    const std::string output = trim_name(name);
    if (::stat(output.c_str(), &st) == 0 && st.st_dev == std_out.st_dev &&
        st.st_ino == std_out.st_ino) {
      drop_stdout();
      fail(output, 0, "standard output and the output file " + output + " are one file");
    }
  }
}

void RunFiles::open_outputs(const std::array<std::string, 9>& names) {
  // .out is read back once it is written, so it must be a regular file: a
  // device reads back nothing, and a pipe would wait for ever. A pipe or a
  // device is refused before any file is opened, where its open could wait
  // or act; anything else that opens is refused once it is open.
  const auto not_regular = [](const std::string& name) {
    fail(name, 0, "the report is read back, so it must be a regular file");
  };
  std::size_t report = 0;
  while (kOutputs[report].file != &RunFiles::out) ++report;
  std::error_code ec;
  using std::filesystem::file_type;
  const std::string report_name = trim_name(names[report]);
  const file_type type = std::filesystem::status(report_name, ec).type();
  if (type == file_type::fifo || type == file_type::character || type == file_type::block)
    not_regular(report_name);

  std::size_t claimed = 0;
  try {
    for (std::size_t k = 0; k < kOutputs.size(); ++k) {
      OutputFile& file = this->*kOutputs[k].file;
      claimed = k + 1;  // the file being opened is released too
      file.claim(names[k]);
      if (k == report && !file.is_regular()) not_regular(file.name());
      for (std::size_t j = 0; j < k; ++j) {
        const OutputFile& earlier = this->*kOutputs[j].file;
        if (file.same_file(earlier))
          fail(file.name(), 0,
               "the output files " + earlier.name() + " and " + file.name() + " are one file");
      }
      file.lock();
    }
    // Nothing is dropped until every file that holds something can be
    // emptied.
    for (const Output& output : kOutputs) (this->*output.file).check_empty();
  } catch (...) {
    // Whatever ends the opening, running out of memory included.
    while (claimed > 0) (this->*kOutputs[--claimed].file).release();
    throw;
  }
  for (const Output& output : kOutputs) (this->*output.file).empty();
}

void RunFiles::close_all(bool report) {
  for (auto it = kOutputs.rbegin(); it != kOutputs.rend(); ++it)
    (this->*(it->file)).close_and_unlock(report);
  input.close();
}

}  // namespace torven
