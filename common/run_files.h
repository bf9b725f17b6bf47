// The files of a run, the nine outputs taken as one set. A set that cannot
// be taken ends the run through fail() (common/stops.h).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/input_file.h"
#include "common/output_file.h"

namespace torven {

// The files of a run: the input and the nine outputs, in the order the run
// opens them.
struct RunFiles {
  InputFile input;
  OutputFile pairing;    // _pairing.csv
  OutputFile out;        // .out
  OutputFile cor;        // .cor
  OutputFile nup;        // .nup
  OutputFile dat;        // .dat
  OutputFile dbn;        // .dbn
  OutputFile bpseq;      // .bpseq
  OutputFile structure;  // _structure.csv
  OutputFile hlx;        // .hlx

  // The structure's name: the input's last path component up to its first
  // '.'. The outputs are named from it, and headers and records show it.
  std::string stem;
  // The first four characters of the .out file's own name, their leading
  // blanks moved to the end: the identifier that begins every _pairing.csv
  // and _structure.csv record.
  std::string record_id() const;

  // Every output with the suffix its name takes after the input's base.
  struct Output {
    std::string_view suffix;
    OutputFile RunFiles::*file;
  };
  static const std::array<Output, 9> kOutputs;

  // Standard output is written out at the end of the run, over or after
  // what the run wrote, so it must not lead to one of the outputs: where it
  // is the regular file or the named pipe that one of `names` leads to, the
  // run ends through fail(), and what standard output holds or is given
  // later goes nowhere.
  static void refuse_standard_output(const std::array<std::string, 9>& names);

  // Creates the nine outputs empty, names[k] for kOutputs[k], only once
  // every one of them can be opened, taken from any other run and emptied,
  // no two of them are one regular file and .out is a regular file: when
  // not, the run ends through fail() with every file as it was before and
  // none of them new. Running out of memory while they are opened leaves
  // the files so too.
  void open_outputs(const std::array<std::string, 9>& names);

  // Closes the outputs, the last opened first, each giving up its lock,
  // then the input. With report, the first file that cannot be completed
  // ends the run through fail() and leaves the others open.
  void close_all(bool report);
};

}  // namespace torven
