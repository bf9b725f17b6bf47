// Text files of records, the run's stops and its one failure mechanism.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/layout.h"

namespace torven {

// File names lose their leading and trailing blanks before use.
std::string trim_name(std::string_view name);

// An output file. open() creates a missing file but keeps the content of an
// existing one; the old content is dropped when the first record is written,
// so the file ends up holding exactly what the run wrote. A file the run
// never writes to keeps its old content.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file if it is missing; a failure (a directory, no
  // permission) ends the run through fail().
  void open(std::string_view name);
  bool is_open() const { return open_; }
  const std::string& name() const { return name_; }

  void write_line(std::string_view record);
  void write(const Layout& layout, const std::vector<Item>& items);  // records of a layout
  void write_list(const std::vector<Item>& items);                   // free format
  void close();
  // Records written since the file was opened.

 private:
  friend void close_all_files(bool report);
  void put(const char* data, std::size_t size);
  void flush_pending();
  void finish(bool report);

  std::string name_;
  std::FILE* fp_ = nullptr;  // set at the first record
  std::string pending_;      // records not yet handed to fp_, written in large pieces
  bool open_ = false;
  std::int64_t written_ = 0;
};

// An input file read record by record. A record ends at "\n" or "\r\n";
// the "\r" never enters a record, and a last line without a line end is
// still a record.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file does not exist, cannot be read or is a directory.
  bool open(std::string_view name);
  bool is_open() const { return fp_ != nullptr; }
  const std::string& name() const { return name_; }

  // The next record, or false at the end of the file.
  bool read_line(std::string& record);
  // The same without a copy: the view stays valid until the next read.
  bool read_view(std::string_view& record);
  // The next record; the end of the file ends the run through fail(),
  // naming `what` was expected.
  std::string read_required(std::string_view what);
  void rewind();
  void close();
  // 1-based number of the record last read (0 before the first).
  std::int64_t line_number() const { return line_; }

 private:
  bool fill();
  bool read_spanning(std::string& record);  // a record that crosses the buffer's end

  std::string name_;
  std::FILE* fp_ = nullptr;
  std::int64_t line_ = 0;
  std::vector<char> buf_;
  std::size_t beg_ = 0, end_ = 0;
  bool eof_ = false;
  std::string spill_;  // the last record that crossed the buffer's end
};

// Standard output and standard error take records as files do.
void stdout_line(std::string_view record);
void stdout_list(const std::vector<Item>& items);

// The one mechanism for failures that no stage handles (an unreadable
// number, an end of file where a record was expected, a failed open, read or
// write): a message on standard error naming the file, the line and what
// could not be read, then exit status 2. Every open file is closed first and
// keeps what was written so far.
[[noreturn]] void fail(std::string_view file, std::int64_t line,
                       std::string_view what);

// Plain stop: nothing printed, every open file closed, exit status 0.
[[noreturn]] void plain_stop();
// Stop with status 1: the record "1" on standard error, every open file
// closed, exit status 1.
[[noreturn]] void stop_status_1();

// Closes every open output and input file and flushes standard output.
// With report, a file that cannot be completed ends the run through fail().
void close_all_files(bool report);

// Subnormal inputs and results are treated as zero from here on.
void set_flush_to_zero();

// The files of the run, opened by the driver.
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
};
extern RunFiles files;

}  // namespace torven
