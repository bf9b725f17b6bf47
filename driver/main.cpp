// TORVEN: finds and classifies the base pairs of one nucleic-acid structure.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include <unistd.h>

#include "common/float_mode.h"
#include "common/output_file.h"
#include "common/stops.h"
#include "common/text.h"
#include "driver/run.h"
#include "driver/stages.h"
#include "helix/rnahelix.h"
#include "pairs/pairs.h"

namespace {

using namespace torven;

// The stages in order. The run ends here or earlier with a Stop or a
// Failure.
void run_stages(Run& run, int argc, char** argv) {
  parse_arguments(run, argc, argv);
  refuse_standard_output(run);
  load_variant_lists();
  OptionsSummary();
  open_run_files(run);
  reading_dispatch(run);
  cleanpdb(run);
  VersionBanner(run.files.out);
  ColumnLegend(run.files.out);
  RuleWalk();
  PairListCleanup();
  PairSymmetrisation();
  ResidueReport(run);
  run.files.input.close();
  run.files.cor.close();
  run.files.out.close();
  run.files.pairing.close();
  run.files.nup.close();
  rnahelix(run.files, options.ModelNumber);
}

// A failure: its message on standard error after what standard output
// holds, every file closed with what was written so far, status 2.
int end_with_failure(Run& run, const Failure& failure) {
  std::fflush(stdout);
  const std::string message = failure.message();
  std::fwrite(message.data(), 1, message.size(), stderr);
  run.files.close_all(false);
  std::fflush(stderr);
  return 2;
}

// The end of a run or a stop: every file completed and standard output
// written out, or else the failure to do so; the record "1" on standard
// error for status 1.
int end_with(Run& run, int status) {
  try {
    run.files.close_all(true);
    errno = 0;
    if (std::fflush(stdout) != 0) fail("standard output", 0, "cannot write", errno);
  } catch (const Failure& failure) {
    return end_with_failure(run, failure);
  }
  if (status == 1) std::fputs("1\n", stderr);
  return status;
}

// The run and its end, but for running out of memory, which the caller
// handles.
int run_to_end(Run& run, int argc, char** argv) {
  try {
    run_stages(run, argc, argv);
  } catch (const Stop& stop) {
    return end_with(run, stop.status);
  } catch (const Failure& failure) {
    return end_with_failure(run, failure);
  }
  return end_with(run, 0);
}

// Running out of memory, in a stage or while the run ends: the message
// names the input it was working on, and nothing on the way to status 2
// allocates.
int end_out_of_memory(Run& run) noexcept {
  std::fflush(stdout);
  const std::string_view input = trimmed_name(run.FILENM);
  write_failure(STDERR_FILENO, input.empty() ? "command line" : input, 0,
                "not enough memory to finish the run");
  run.files.close_all(false);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  hold_standard_streams();
  set_flush_to_zero();
#ifdef SIGXFSZ
  // A write beyond a limit on file size then fails like a write to a full
  // disk ("File too large") instead of killing the run.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  Run run;
  try {
    return run_to_end(run, argc, argv);
  } catch (const std::bad_alloc&) {
    return end_out_of_memory(run);
  }
}
