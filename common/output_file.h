// An output file of records. A file that cannot be created or written ends
// the run through fail() (common/stops.h).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/layout.h"

namespace torven {

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
  // run through fail() when another run holds it; a file that claim()
  // created is this run's from before it had its name. Whether the file
  // holds something to drop, and the times that release() puts back, are
  // read by lock(), once no other run can change them. check_empty() makes
  // sure that empty() can drop what a claimed file holds, keeping its bytes,
  // and ends the run through fail() when it cannot. empty() then drops it;
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
  // the run through fail(). A file locked by lock() keeps its descriptor,
  // and the lock, until close_and_unlock() or until the object goes.
  void close(bool report = true);
  // Completes the file if it is not yet and gives up its lock, closing the
  // descriptor that kept it; with report, a failure at that close too ends
  // the run through fail().
  void close_and_unlock(bool report);

 private:
  void open_for_writing();  // the open of claim(), again after a lost file
  void put(const char* data, std::size_t size);
  bool write_pending();  // hands pending_ to fd_; false when it cannot

  std::string name_;
  int fd_ = -1;              // open from open() or claim() to close()
  int held_fd_ = -1;         // after close(), fd_ kept for its lock
  std::string made_;         // the file claim() created, not yet emptied; empty when it was there
  bool regular_ = false;
  bool locked_ = false;
  bool must_empty_ = false;  // a claimed regular file that held something, not yet emptied
  bool cut_ = false;         // check_empty() moved its times, which times_ holds
  std::uint64_t device_ = 0, inode_ = 0;
  std::timespec times_[2] = {};  // last access and modification, as locked
  std::string pending_;      // records not yet handed to fd_, written in large pieces
  std::int64_t written_ = 0;
};

// Gives each of descriptors 0, 1 and 2 that is closed a stand-in, so that
// no file the run opens takes its number and gets what is meant for the
// standard stream. Standard output that was closed cannot be written, and
// the run ends with the failure to write it.
void hold_standard_streams();
// Standard output and standard error take records as files do.
void stdout_line(std::string_view record);
void stdout_list(const std::vector<Item>& items);
// Drops what standard output holds and sends what follows nowhere, for a
// run that must not write to the file it leads to.
void drop_stdout();

}  // namespace torven
