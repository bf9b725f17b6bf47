// Placeholder: implemented with the files.
#include "common/files.h"
#include <cstdlib>
namespace torven {
RunFiles files;
std::string trim_name(std::string_view n) { return std::string(n); }
OutputFile::~OutputFile() = default;
void OutputFile::open(std::string_view) {}
void OutputFile::write_line(std::string_view) {}
void OutputFile::write(const Layout&, const std::vector<Item>&) {}
void OutputFile::write_list(const std::vector<Item>&) {}
void OutputFile::close() {}
InputFile::~InputFile() = default;
bool InputFile::open(std::string_view) { return false; }
bool InputFile::read_line(std::string&) { return false; }
std::string InputFile::read_required(std::string_view) { return {}; }
void InputFile::rewind() {}
void InputFile::close() {}
void stdout_line(std::string_view) {}
void stdout_write(const Layout&, const std::vector<Item>&) {}
void stdout_list(const std::vector<Item>&) {}
void fail(std::string_view, std::int64_t, std::string_view) { std::exit(2); }
void plain_stop() { std::exit(0); }
void stop_status_1() { std::exit(1); }
void set_flush_to_zero() {}
}  // namespace torven
