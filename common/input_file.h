// An input file of records. A file that cannot be read ends the run
// through fail() (common/stops.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace torven {

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

}  // namespace torven
