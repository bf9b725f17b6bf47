#include "common/stops.h"

#include <cstring>

namespace torven {

namespace {

// Appends text with its control bytes (a zero byte from a damaged record, a
// tab, a carriage return) shown as \xNN.
void append_visible(std::string& msg, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      msg += "\\x";
      msg.push_back(kHex[u >> 4]);
      msg.push_back(kHex[u & 0xf]);
    } else {
      msg.push_back(c);
    }
  }
}

}  // namespace

std::string Failure::message() const {
  std::string msg = "torven: ";
  append_visible(msg, file);
  if (line > 0) msg += ", line " + std::to_string(line);
  msg += ": ";
  append_visible(msg, what);
  msg.push_back('\n');
  return msg;
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
