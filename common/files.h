// Text files of records and the files of a run. A file that cannot be
// created, read or written ends the run through fail() (common/stops.h).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/layout.h"
#include "common/stops.h"

namespace torven {

// File names lose their leading and trailing blanks before use.
std::string trim_name(std::string_view name);

// An output file. open() creates it empty, dropping what an existing file
// held, so the file holds exactly the records this run writes to it. It is
// written from its start, never appended to.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file empty; a failure (a directory, no permission) ends
  // the run through fail(), with the system's reason.
  void open(std::string_view name);
  // open() in steps, for files that are created all together or not at
  // all. claim() opens the file without changing what it holds, creating it
  // when missing; a failure ends the run through fail() as open() does.
  // lock() takes a claimed regular file for this run alone, and ends the
  // run through fail() when another run holds it. check_empty() makes sure
  // that empty() can drop what a claimed file holds, keeping its bytes, and
  // ends the run through fail() when it cannot. empty() then drops it;
  // release() instead closes the file, removing it when claim() created it
  // and putting back the times that check_empty() moved.
  void claim(std::string_view name);
  void lock();
  void check_empty();
  void empty();
  void release();
  bool is_open() const { return fd_ >= 0; }
  // Whether the claimed file, links followed, is a regular file, and
  // whether it is the same regular file as another claimed one.
  bool is_regular() const { return regular_; }
  bool same_file(const OutputFile& other) const;
  const std::string& name() const { return name_; }

  void write_line(std::string_view record);
  void write(const Layout& layout, const std::vector<Item>& items);  // records of a layout
  void write_list(const std::vector<Item>& items);                   // free format
  // Completes the file; with report, a file that cannot be completed ends
  // the run through fail(). A lock taken by lock() stays until the object
  // goes.
  void close(bool report = true);

 private:
  void open_for_writing();  // the open of claim(), again after a lost file
  void put(const char* data, std::size_t size);
  bool write_pending();  // hands pending_ to fd_; false when it cannot

  std::string name_;
  int fd_ = -1;              // open from open() or claim() to close()
  int lock_fd_ = -1;         // after close(), the descriptor that keeps the lock
  std::string made_;         // the file claim() created, not yet emptied; empty when it was there
  bool regular_ = false;
  bool locked_ = false;
  bool must_empty_ = false;  // a claimed regular file that held something, not yet emptied
  bool cut_ = false;         // check_empty() moved its times, which times_ holds
  std::uint64_t device_ = 0, inode_ = 0;
  std::timespec times_[2] = {};  // last access and modification, as claimed
  std::string pending_;      // records not yet handed to fd_, written in large pieces
  std::int64_t written_ = 0;
};

// An input file read record by record. A record is a line without its
// "\n" or "\r\n"; a last line without a line end is still a record, and a
// "\r" at its end stays. A regular file is read in pieces; any other input
// (a pipe, a device) is read whole when it is opened, so that it can be read
// again from its start.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file does not exist, cannot be opened or is a
  // directory. An input read whole that cannot be read ends the run through
  // fail().
  bool open(std::string_view name);
  const std::string& name() const { return name_; }

  // The next record, or false at the end of the file (or when not open).
  bool read_line(std::string& record);
  // The same without a copy: the view stays valid until the next read.
  bool read_view(std::string_view& record);
  // The next record; the end of the file ends the run through fail(),
  // naming `what` was expected.
  std::string read_required(std::string_view what);
  // Back to the first record; a file that cannot go back ends the run
  // through fail().
  void rewind();
  void close();
  // 1-based number of the record last read (0 before the first).
  std::int64_t line_number() const { return line_; }

 private:
  void read_whole();
  bool fill();
  bool read_spanning(std::string& record);  // a record that crosses the buffer's end

  std::string name_;
  bool open_ = false;
  std::FILE* fp_ = nullptr;       // the regular file read in pieces
  std::int64_t line_ = 0;
  std::unique_ptr<char[]> buf_;   // the piece of a regular file at hand
  std::string whole_;             // all of an input that is read whole
  const char* data_ = nullptr;    // buf_ or whole_
  std::size_t beg_ = 0, end_ = 0;  // the part of data_ not yet read
  bool eof_ = false;              // nothing beyond data_[end_) is left to read
  std::string spill_;  // the last record that crossed the buffer's end
};

// Standard output and standard error take records as files do.
void stdout_line(std::string_view record);
void stdout_list(const std::vector<Item>& items);

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

  // Creates the nine outputs empty, names[k] for kOutputs[k], only once
  // every one of them can be opened, taken from any other run and emptied,
  // no two of them are one regular file and .out is a regular file: when
  // not, the run ends through fail() with every file as it was before and
  // none of them new.
  void open_outputs(const std::array<std::string, 9>& names);

  // Closes the outputs, the last opened first, then the input. With
  // report, the first file that cannot be completed ends the run through
  // fail() and leaves the others open.
  void close_all(bool report);
};

}  // namespace torven
