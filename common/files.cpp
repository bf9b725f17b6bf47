#include "common/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

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

OutputFile::~OutputFile() { close(false); }

void OutputFile::open(std::string_view name) {
  claim(name);
  empty();
}

void OutputFile::claim(std::string_view name) {
  if (is_open()) close();
  name_ = trim_name(name);
  // A name that cannot even be looked up counts as a file that was there,
  // so that release() never removes it.
  std::error_code ec;
  created_ = !std::filesystem::exists(name_, ec) && !ec;
  // Opened for appending, the file keeps what it holds until empty(); this
  // is the file's only open.
  errno = 0;
  fp_ = std::fopen(name_.c_str(), "a");
  if (fp_ == nullptr) {
    created_ = false;
    fail(name_, 0, "cannot create the file for writing", errno);
  }
  // Only a regular file that was there holds anything to drop. A pipe or a
  // device keeps its one open as it is: a pipe opened again would wait for
  // a new reader.
  must_empty_ = !created_ && std::filesystem::is_regular_file(name_, ec);
  written_ = 0;
}

void OutputFile::check_empty() const {
  if (fp_ == nullptr || !must_empty_) return;
  // Cutting the file to the length it has changes nothing, and is refused
  // where emptying it would be: an append-only file, a policy that allows
  // writing but not truncating.
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(name_, ec);
  if (!ec) std::filesystem::resize_file(name_, size, ec);
  if (ec) fail(name_, 0, "cannot create the file for writing", ec.value());
}

void OutputFile::empty() {
  if (fp_ == nullptr) return;
  if (must_empty_) {
    std::error_code ec;
    std::filesystem::resize_file(name_, 0, ec);
    if (ec) fail(name_, 0, "cannot create the file for writing", ec.value());
  }
  created_ = must_empty_ = false;
  std::setvbuf(fp_, nullptr, _IONBF, 0);  // the records are gathered in pending_
}

void OutputFile::release() {
  if (fp_ != nullptr) std::fclose(fp_);
  fp_ = nullptr;
  if (created_) {
    // Through a link that pointed nowhere, claim() created the link's
    // target: that is what goes.
    std::error_code ec;
    const std::filesystem::path made = std::filesystem::canonical(name_, ec);
    if (!ec) std::filesystem::remove(made, ec);
  }
  created_ = must_empty_ = false;
}

void OutputFile::put(const char* data, std::size_t size) {
  if (fp_ == nullptr)
    fail(name_.empty() ? "(no file)" : name_, 0, "write to a file that is not open");
  pending_.append(data, size);
  pending_.push_back('\n');
  ++written_;
  if (pending_.size() >= kWriteChunk && !write_pending())
    fail(name_, written_, "cannot write a record", errno);
}

bool OutputFile::write_pending() {
  errno = 0;
  const bool ok = pending_.empty() ||
                  std::fwrite(pending_.data(), 1, pending_.size(), fp_) == pending_.size();
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
  if (fp_ == nullptr) return;
  // A failure to write what is pending is a failure to complete the file.
  const bool written = write_pending();
  int error = written ? 0 : errno;
  std::string().swap(pending_);
  std::FILE* fp = fp_;
  fp_ = nullptr;
  errno = 0;
  const bool closed = std::fclose(fp) == 0;
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
  std::size_t claimed = 0;
  try {
    for (; claimed < kOutputs.size(); ++claimed)
      (this->*kOutputs[claimed].file).claim(names[claimed]);
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
