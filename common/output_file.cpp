#include "common/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/freeformat.h"
#include "common/stops.h"
#include "common/text.h"

namespace torven {

namespace {

constexpr std::size_t kWriteChunk = 1 << 16;

void put_stdout(std::string_view record) {
  errno = 0;
  if (std::fwrite(record.data(), 1, record.size(), stdout) != record.size() ||
      std::fputc('\n', stdout) == EOF)
    fail("standard output", 0, "cannot write a record", errno);
}

}  // namespace

namespace {

// Gives up a file made for `path` that could not be given that name: its
// descriptor is closed, and errno is the reason.
int abandon(int fd, bool& locked, int error) {
  ::close(fd);
  locked = false;
  errno = error;
  return -1;
}

// The folder of `path`, where a file of that name is made.
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Made unnamed in the folder (Linux O_TMPFILE), locked, then linked under
// its name.
int create_unnamed(const std::string& path, bool& locked) {
  const int fd = ::open(folder_of(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  char self[32];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, self, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return fd;
  return abandon(fd, locked, errno);
}

// Made under a name of this run's own beside `path` (`path` + ".torven-"
// + the process id, and "-1", "-2", ... after it should an earlier run of
// the same id have left that name), locked, hard-linked under its name and
// the temporary name removed. The name is ready before the file is made,
// so that nothing between its making and its removal can fail.
int create_by_temporary_name(const std::string& path, bool& locked) {
  const std::string base = path + ".torven-" + std::to_string(::getpid());
  for (int k = 0; k < 10; ++k) {
    const std::string temporary = k == 0 ? base : base + "-" + std::to_string(k);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) break;
    locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool linked = ::link(temporary.c_str(), path.c_str()) == 0;
    const int error = errno;
    ::unlink(temporary.c_str());
    if (linked) return fd;
    return abandon(fd, locked, error);
  }
  errno = ENOTSUP;  // not EEXIST: the name itself may still be free
  return -1;
}

// Creates the file `path` holding this run's lock from before it has its
// name, so that no other run can have opened and written it while this run
// still takes it for its own: made unnamed, or where the file system cannot
// make unnamed files, under a temporary name. `locked` tells whether the
// lock was taken (a file system without locks gives none). -1 with errno
// EEXIST when the name was taken in the meantime, or with another errno
// where the file system can make such a file in neither way (no hard
// links).
int create_locked(const std::string& path, bool& locked) {
  const int fd = create_unnamed(path, locked);
  if (fd >= 0 || errno == EEXIST) return fd;
  return create_by_temporary_name(path, locked);
}

// Opens `name` for writing from its start, creating it when missing. `made`
// becomes the path of the file that this open created, known from the
// creation itself, so that a file that another run created in the meantime
// is never taken for this run's; through a link that pointed nowhere it is
// the link's target. Where the file system cannot create it locked, it is
// created named (O_EXCL) and locked later, by lock(). -1 with errno set when
// the file cannot be opened.
int open_from_start(const std::string& name, std::string& made, bool& locked) {
  std::string path = name;
  for (int links = 0; links < 40; ++links) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) return fd;
    // A link that points nowhere leads to the file to create.
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (!ec) {
      path = (std::filesystem::path(path).parent_path() / target).string();
      continue;
    }
    made = path;  // before the file exists: a copy that fails then leaves no file
    fd = create_locked(path, locked);
    if (fd < 0 && errno != EEXIST)
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    made.clear();
    // Not EEXIST: the system's reason. EEXIST: another run gave the name a
    // file in the meantime, which the next open takes.
    if (errno != EEXIST) return -1;
  }
  errno = ELOOP;
  return -1;
}

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

OutputFile::~OutputFile() { close_and_unlock(false); }

void OutputFile::open(std::string_view name) {
  claim(name);
  lock();
  check_empty();
  empty();
}

void OutputFile::claim(std::string_view name) {
  close_and_unlock(true);
  name_ = trim_name(name);
  open_for_writing();
}

void OutputFile::open_for_writing() {
  made_.clear();
  regular_ = locked_ = must_empty_ = cut_ = false;
  written_ = 0;
  errno = 0;
  fd_ = open_from_start(name_, made_, locked_);
  if (fd_ < 0) fail(name_, 0, "cannot create the file for writing", errno);
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    release();
    fail(name_, 0, "cannot create the file for writing", error);
  }
  regular_ = S_ISREG(st.st_mode);
  device_ = st.st_dev;
  inode_ = st.st_ino;
}

bool OutputFile::same_file(const OutputFile& other) const {
  return regular_ && other.regular_ && device_ == other.device_ && inode_ == other.inode_;
}

void OutputFile::lock() {
  for (int tries = 0; regular_ && !locked_; ++tries) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      // Where the file system has no locks, the run goes on without.
      if (errno != EWOULDBLOCK) break;
      made_.clear();  // the other run holds it: this run never removes it
      fail(name_, 0, "another run is writing the file");
    }
    // A run that gave up may have removed a file it created after this run
    // opened it: the name must still lead to the file locked.
    struct stat st;
    if (::stat(name_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
      locked_ = true;
    } else {
      made_.clear();
      ::close(fd_);
      fd_ = -1;
      if (tries == 8) fail(name_, 0, "another run is writing the file");
      open_for_writing();
    }
  }
  // What the run does with the file, whether it empties it and which times
  // it puts back, is read only now that no other run can change it.
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    release();
    fail(name_, 0, "cannot create the file for writing", error);
  }
  times_[0] = st.st_atim;
  times_[1] = st.st_mtim;
  // Only a regular file that was there and holds something has anything to
  // drop. A pipe or a device keeps its one open as it is: a pipe opened
  // again would wait for a new reader.
  must_empty_ = regular_ && made_.empty() && st.st_size > 0;
}

void OutputFile::check_empty() {
  if (fd_ < 0 || !must_empty_) return;
  // Cutting the file to the length it has keeps its bytes, and is refused
  // where emptying it would be, by a policy that allows writing but not
  // truncating. It moves the file's times, which release() puts back.
  struct stat st;
  errno = 0;
  if (::fstat(fd_, &st) != 0 || ::ftruncate(fd_, st.st_size) != 0)
    fail(name_, 0, "cannot create the file for writing", errno);
  cut_ = true;
}

void OutputFile::empty() {
  if (fd_ < 0) return;
  errno = 0;
  if (must_empty_ && ::ftruncate(fd_, 0) != 0)
    fail(name_, 0, "cannot create the file for writing", errno);
  made_.clear();
  must_empty_ = cut_ = false;
}

void OutputFile::release() {
  if (fd_ >= 0) {
    // Where the system allows it (the file's owner may), a refused run
    // leaves the file's times as they were.
    if (cut_) ::futimens(fd_, times_);
    // A file that this run created goes while the run still holds its
    // lock, so that no other run can have taken it before its name is gone,
    // and only while its name still leads to it.
    struct stat mine, named;
    if (!made_.empty() && ::fstat(fd_, &mine) == 0 && ::stat(made_.c_str(), &named) == 0 &&
        mine.st_dev == named.st_dev && mine.st_ino == named.st_ino)
      ::unlink(made_.c_str());
    ::close(fd_);
  }
  fd_ = -1;
  made_.clear();
  regular_ = locked_ = must_empty_ = cut_ = false;
}

void OutputFile::put(const char* data, std::size_t size) {
  if (fd_ < 0)
    fail(name_.empty() ? "(no file)" : name_, 0, "write to a file that is not open");
  pending_.append(data, size);
  pending_.push_back('\n');
  ++written_;
  if (pending_.size() >= kWriteChunk && !write_pending())
    fail(name_, written_, "cannot write a record", errno);
}

bool OutputFile::write_pending() {
  errno = 0;
  const bool ok = write_all(fd_, pending_.data(), pending_.size());
  pending_.clear();
  return ok;
}

void OutputFile::write_line(std::string_view record) { put(record.data(), record.size()); }

void OutputFile::write(const Layout& layout, const std::vector<Item>& items) {
  for (const std::string& r : layout.format(items)) put(r.data(), r.size());
}

void OutputFile::write_list(const std::vector<Item>& items) {
  for (const std::string& r : list_format(items)) put(r.data(), r.size());
}

void OutputFile::close(bool report) {
  if (fd_ < 0) return;
  // A failure to write what is pending is a failure to complete the file.
  const bool written = write_pending();
  int error = written ? 0 : errno;
  std::string().swap(pending_);
  const int fd = fd_;
  fd_ = -1;
  if (locked_) {
    // The descriptor, and with it the lock, stays until the run ends, so
    // that no other run takes the file over while this one still works,
    // and keeping the lock needs no descriptor beyond those of the opening.
    held_fd_ = fd;
    if (!written && report) fail(name_, written_, "cannot complete the file", error);
    return;
  }
  errno = 0;
  const bool closed = ::close(fd) == 0;
  if (written && !closed) error = errno;
  if ((!closed || !written) && report) fail(name_, written_, "cannot complete the file", error);
}

void OutputFile::close_and_unlock(bool report) {
  close(report);
  if (held_fd_ < 0) return;
  const int fd = held_fd_;
  held_fd_ = -1;
  // A file system that writes late (NFS) reports at the close a failure to
  // complete the file.
  errno = 0;
  if (::close(fd) != 0 && report) fail(name_, written_, "cannot complete the file", errno);
}

// ---- standard output ------------------------------------------------------

void stdout_line(std::string_view record) { put_stdout(record); }

void stdout_list(const std::vector<Item>& items) {
  for (const std::string& r : list_format(items)) put_stdout(r);
}

namespace {

// A descriptor that stands in for a standard stream: /dev/null opened with
// `flags`, or without /dev/null, the root folder, which can be neither read
// nor written as a file.
int stand_in(int flags) {
  const int fd = ::open("/dev/null", flags);
  return fd >= 0 ? fd : ::open("/", O_RDONLY | O_DIRECTORY | (flags & O_CLOEXEC));
}

}  // namespace

void hold_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // An open takes the lowest free number, this one, the lower ones being
    // open by now. Standard output gets /dev/null open for reading only, so
    // that every write to it fails as to the closed descriptor and the run
    // says so; standard input reads nothing, standard error takes all.
    stand_in(fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
  }
}

void drop_stdout() {
  // What the stream holds cannot be dropped, so the descriptor it writes to
  // leads nowhere from now on.
  const int null = stand_in(O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  ::dup2(null, STDOUT_FILENO);
  ::close(null);
}

}  // namespace torven
