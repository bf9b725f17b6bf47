#include "common/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/freeformat.h"
#include "common/text.h"

namespace torven {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;
constexpr std::size_t kWriteChunk = 1 << 16;

void put_stdout(std::string_view record) {
  errno = 0;
  if (std::fwrite(record.data(), 1, record.size(), stdout) != record.size() ||
      std::fputc('\n', stdout) == EOF)
    fail("standard output", 0, "cannot write a record", errno);
}

}  // namespace

std::string trim_name(std::string_view name) {
  std::size_t b = name.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string();
  std::size_t e = name.find_last_not_of(' ');
  return std::string(name.substr(b, e - b + 1));
}

// ---- OutputFile -----------------------------------------------------------

namespace {

// Opens `name` for writing from its start, creating it when missing. `made`
// becomes the path of the file that this open created, known from the open
// itself (O_EXCL), so that a file that another run created in the meantime
// is never taken for this run's; through a link that pointed nowhere it is
// the link's target. -1 with errno set when the file cannot be opened.
int open_from_start(const std::string& name, std::string& made) {
  std::string path = name;
  for (int links = 0; links < 40; ++links) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      made = path;
      return fd;
    }
    if (errno != EEXIST) return -1;
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0 || errno != ENOENT) return fd;
    // A link that points nowhere; a name removed since the first open is
    // created again.
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (!ec) path = (std::filesystem::path(path).parent_path() / target).string();
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

OutputFile::~OutputFile() {
  close(false);
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

void OutputFile::open(std::string_view name) {
  claim(name);
  check_empty();
  empty();
}

void OutputFile::claim(std::string_view name) {
  if (is_open()) close();
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
  name_ = trim_name(name);
  open_for_writing();
}

void OutputFile::open_for_writing() {
  made_.clear();
  regular_ = locked_ = must_empty_ = cut_ = false;
  written_ = 0;
  errno = 0;
  fd_ = open_from_start(name_, made_);
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
  times_[0] = st.st_atim;
  times_[1] = st.st_mtim;
  // Only a regular file that was there and holds something has anything to
  // drop. A pipe or a device keeps its one open as it is: a pipe opened
  // again would wait for a new reader.
  must_empty_ = regular_ && made_.empty() && st.st_size > 0;
}

bool OutputFile::same_file(const OutputFile& other) const {
  return regular_ && other.regular_ && device_ == other.device_ && inode_ == other.inode_;
}

void OutputFile::lock() {
  for (int tries = 0; regular_ && !locked_; ++tries) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      // Where the file system has no locks, the run goes on without.
      if (errno != EWOULDBLOCK) return;
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
    ::close(fd_);
  }
  fd_ = -1;
  if (!made_.empty()) {
    std::error_code ec;
    std::filesystem::remove(made_, ec);
  }
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
  // The lock stays with a copy of the descriptor until the run ends, so
  // that no other run takes the file over while this one still works.
  if (locked_ && lock_fd_ < 0) lock_fd_ = ::dup(fd);
  errno = 0;
  const bool closed = ::close(fd) == 0;
  if (written && !closed) error = errno;
  if ((!closed || !written) && report) fail(name_, written_, "cannot complete the file", error);
}

// ---- InputFile ------------------------------------------------------------

InputFile::~InputFile() { close(); }

bool InputFile::open(std::string_view name) {
  close();
  name_ = trim_name(name);
  std::error_code ec;
  const std::filesystem::file_type type = std::filesystem::status(name_, ec).type();
  if (name_.empty() || ec || type == std::filesystem::file_type::directory) return false;
  fp_ = std::fopen(name_.c_str(), "rb");
  if (fp_ == nullptr) return false;
  open_ = true;
  line_ = 0;
  beg_ = end_ = 0;
  eof_ = false;
  if (type != std::filesystem::file_type::regular) {
    // A pipe or a device cannot go back to its start, and the readers read
    // the input more than once: it is held in memory.
    read_whole();
    return true;
  }
  // Left uninitialised: only the part a read fills is ever touched, so a
  // small file costs no more than its size.
  if (buf_ == nullptr) buf_.reset(new char[kReadChunk]);
  data_ = buf_.get();
  return true;
}

void InputFile::read_whole() {
  std::size_t n = 0;
  int reason = 0;  // the system's reason for a read that came short
  try {
    do {
      const std::size_t at = whole_.size();
      whole_.resize(at + kReadChunk);
      errno = 0;
      n = std::fread(whole_.data() + at, 1, kReadChunk, fp_);
      if (n < kReadChunk) reason = errno;
      whole_.resize(at + n);
    } while (n == kReadChunk);
  } catch (const std::bad_alloc&) {
    std::string().swap(whole_);
    fail(name_, 0, "the file is too large to hold in memory");
  }
  const bool error = std::ferror(fp_) != 0;
  std::fclose(fp_);
  fp_ = nullptr;
  if (error) fail(name_, 0, "cannot read the file", reason);
  data_ = whole_.data();
  end_ = whole_.size();
  eof_ = true;
}

bool InputFile::fill() {
  beg_ = 0;
  errno = 0;
  end_ = std::fread(buf_.get(), 1, kReadChunk, fp_);
  if (end_ < kReadChunk) {
    if (std::ferror(fp_)) fail(name_, line_ + 1, "cannot read the file", errno);
    eof_ = true;
  }
  return end_ > 0;
}

bool InputFile::read_view(std::string_view& record) {
  if (!open_) return false;
  // A record that lies whole in the buffer is shown where it lies.
  if (beg_ < end_) {
    const char* p = data_ + beg_;
    const std::size_t n = end_ - beg_;
    if (const auto* nl = static_cast<const char*>(std::memchr(p, '\n', n))) {
      std::size_t len = static_cast<std::size_t>(nl - p);
      beg_ += len + 1;
      if (len > 0 && p[len - 1] == '\r') --len;
      ++line_;
      record = std::string_view(p, len);
      return true;
    }
  }
  if (!read_spanning(spill_)) return false;
  record = spill_;
  return true;
}

bool InputFile::read_line(std::string& record) {
  std::string_view view;
  if (!read_view(view)) {
    record.clear();
    return false;
  }
  record.assign(view);
  return true;
}

bool InputFile::read_spanning(std::string& record) {
  record.clear();
  bool any = false;
  try {
    for (;;) {
      if (beg_ == end_ && (eof_ || !fill())) break;
      const char* p = data_ + beg_;
      std::size_t n = end_ - beg_;
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', n));
      if (nl != nullptr) {
        std::size_t len = static_cast<std::size_t>(nl - p);
        record.append(p, len);
        beg_ += len + 1;
        if (!record.empty() && record.back() == '\r') record.pop_back();
        ++line_;
        return true;
      }
      record.append(p, n);
      beg_ = end_;
      any = true;
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(record);
    fail(name_, line_ + 1, "the line is too long to hold in memory");
  }
  if (!any) return false;
  ++line_;  // a last line without a line end
  return true;
}

std::string InputFile::read_required(std::string_view what) {
  std::string record;
  if (!read_line(record))
    fail(name_, line_ + 1, "the file ends where " + std::string(what) + " was expected");
  return record;
}

void InputFile::rewind() {
  if (!open_) return;
  line_ = 0;
  beg_ = 0;
  if (fp_ == nullptr) {  // held in memory
    end_ = whole_.size();
    return;
  }
  errno = 0;
  if (std::fseek(fp_, 0, SEEK_SET) != 0)
    fail(name_, 0, "cannot go back to the start of the file", errno);
  end_ = 0;
  eof_ = false;
}

void InputFile::close() {
  if (fp_ != nullptr) std::fclose(fp_);
  fp_ = nullptr;
  open_ = false;
  buf_.reset();
  std::string().swap(whole_);
  std::string().swap(spill_);
  data_ = nullptr;
  beg_ = end_ = 0;
}

// ---- standard output and the run's files ----------------------------------

void stdout_line(std::string_view record) { put_stdout(record); }

void stdout_list(const std::vector<Item>& items) {
  for (const std::string& r : list_format(items)) put_stdout(r);
}

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
      file.claim(names[k]);
      claimed = k + 1;
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
  } catch (const Failure&) {
    while (claimed > 0) (this->*kOutputs[--claimed].file).release();
    throw;
  }
  for (const Output& output : kOutputs) (this->*output.file).empty();
}

void RunFiles::close_all(bool report) {
  for (auto it = kOutputs.rbegin(); it != kOutputs.rend(); ++it) (this->*(it->file)).close(report);
  input.close();
}

}  // namespace torven
