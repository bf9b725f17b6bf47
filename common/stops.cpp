#include "common/stops.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include <unistd.h>

namespace torven {

namespace {

// Hands the message "torven: FILE, line N: what" and its line end to
// `put` in pieces, with the control bytes of the file and of what (a zero
// byte from a damaged record, a tab, a carriage return) shown as \xNN, so
// that the message stays one whole line on any terminal.
template <typename Put>
void compose(std::string_view file, std::int64_t line, std::string_view what, Put put) {
  static const char kHex[] = "0123456789abcdef";
  const auto visible = [&](std::string_view text) {
    for (char c : text) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7f) {
        const char shown[4] = {'\\', 'x', kHex[u >> 4], kHex[u & 0xf]};
        put(std::string_view(shown, 4));
      } else {
        put(std::string_view(&c, 1));
      }
    }
  };
  put("torven: ");
  visible(file);
  if (line > 0) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, line).ptr;
    put(", line ");
    put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
  put(": ");
  visible(what);
  put("\n");
}

}  // namespace

std::string Failure::message() const {
  std::string msg;
  compose(file, line, what, [&](std::string_view piece) { msg += piece; });
  return msg;
}

void write_failure(int fd, std::string_view file, std::int64_t line,
                   std::string_view what) noexcept {
  char buf[512];
  std::size_t used = 0;
  const auto flush = [&] {
    for (std::size_t done = 0; done < used;) {
      const ssize_t n = ::write(fd, buf + done, used - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    used = 0;
  };
  compose(file, line, what, [&](std::string_view piece) {
    for (char c : piece) {
      if (used == sizeof buf) flush();
      buf[used++] = c;
    }
  });
  flush();
}

void fail(std::string_view file, std::int64_t line, std::string_view what) {
  throw Failure{std::string(file), line, std::string(what)};
}

void fail(std::string_view file, std::int64_t line, std::string_view what, int error) {
  if (error == 0) fail(file, line, what);
  fail(file, line, std::string(what) + ": " + std::strerror(error));
}

void plain_stop() { throw Stop{0}; }

void stop_status_1() { throw Stop{1}; }

}  // namespace torven
