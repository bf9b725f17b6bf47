// How a run ends before its last stage: a failure that no stage handles, or
// a stop a stage asks for. Both are thrown as values; the program's main
// closes the files, prints what the end calls for and returns the status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torven {

// An input that cannot be read, an end of file where a record is needed, an
// output that cannot be created or written. The run ends with status 2.
struct Failure {
  std::string file;
  std::int64_t line = 0;  // 0 when there is no line to name
  std::string what;

  // "torven: FILE, line N: what" and a line end, with control bytes shown
  // as \xNN so that the message stays one whole line on any terminal.
  std::string message() const;
};

// Writes the message of a failure of `file` at `line` (0: none) with
// `what`, as Failure::message() gives it, to the descriptor `fd` without
// allocating anything: the last words of a run that has run out of memory.
void write_failure(int fd, std::string_view file, std::int64_t line,
                   std::string_view what) noexcept;

// A stop: status 0 ends the run quietly, status 1 with the record "1" on
// standard error.
struct Stop {
  int status = 0;
};

[[noreturn]] void fail(std::string_view file, std::int64_t line, std::string_view what);
// The same for a call that failed with the system's error number `error`
// (errno): its reason follows what, "what: reason"; 0 adds nothing.
[[noreturn]] void fail(std::string_view file, std::int64_t line, std::string_view what,
                       int error);
[[noreturn]] void plain_stop();
[[noreturn]] void stop_status_1();

}  // namespace torven
