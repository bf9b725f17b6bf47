#include "common/input_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "common/stops.h"
#include "common/text.h"

namespace torven {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;

}  // namespace

InputFile::~InputFile() { close(); }

bool InputFile::open(std::string_view name) {
  close();
  name_ = trim_name(name);
  std::error_code ec;
  const std::filesystem::file_type type = std::filesystem::status(name_, ec).type();
  if (name_.empty() || ec || type == std::filesystem::file_type::directory) return false;
  errno = 0;
  fp_ = std::fopen(name_.c_str(), "rb");
  // No memory for the stream is running out of memory, not a file that
  // cannot be opened.
  if (fp_ == nullptr && errno == ENOMEM) throw std::bad_alloc();
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

}  // namespace torven
