// Helpers that tests of every area share: temporary directories, files
// read and written whole, a run's outputs read back, standard output
// caught, and runs of the built program.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "common/output_file.h"
#include "common/run_files.h"
#include "driver/run.h"

namespace testutil {

namespace fs = std::filesystem;

// A fresh, empty directory under the system's temporary directory, removed
// with everything in it when the object goes. Short names keep the paths
// that messages print within one line.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> serial{0};
    path_ = fs::temp_directory_path() /
            ("torven_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::error_code ec;
    fs::remove_all(path_, ec);  // left by an earlier process of the same id
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  // The name of `name` inside the directory, as the product's files take it.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// n random decimal digits, for generated number texts.
inline std::string random_digits(std::mt19937& rng, int n) {
  std::string d;
  for (int k = 0; k < n; ++k) d.push_back(static_cast<char>('0' + rng() % 10));
  return d;
}

inline std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const fs::path& p, const std::string& content) {
  std::ofstream out(p, std::ios::binary);
  out << content;
}

// The lines of a text without their line ends; a last line without one
// still counts, an empty text has none.
inline std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> read_lines(const fs::path& p) { return split_lines(read_file(p)); }

// Outputs of a test's run, opened as "t" + suffix (".out", "_pairing.csv",
// ...) in a temporary directory of their own and read back as lines. A file
// is closed before it is read; the others close without a report when the
// object goes, before the directory does.
class ReportFiles {
 public:
  ReportFiles(torven::Run& run, std::initializer_list<std::string_view> suffixes) {
    for (std::string_view suffix : suffixes) {
      torven::OutputFile& file = output(run.files, suffix);
      file.open(name(suffix));
      opened_.emplace_back(std::string(suffix), &file);
    }
  }
  ~ReportFiles() {
    for (auto& [suffix, file] : opened_) file->close(false);
  }
  ReportFiles(const ReportFiles&) = delete;
  ReportFiles& operator=(const ReportFiles&) = delete;

  std::vector<std::string> lines(std::string_view suffix) {
    for (auto& [opened, file] : opened_) {
      if (opened != suffix) continue;
      file->close();
      return read_lines(name(suffix));
    }
    throw std::invalid_argument("not opened: " + std::string(suffix));
  }

 private:
  static torven::OutputFile& output(torven::RunFiles& files, std::string_view suffix) {
    for (const torven::RunFiles::Output& o : torven::RunFiles::kOutputs)
      if (o.suffix == suffix) return files.*o.file;
    throw std::invalid_argument("no output has the suffix " + std::string(suffix));
  }
  std::string name(std::string_view suffix) const { return dir_.file("t" + std::string(suffix)); }

  TempDir dir_;
  std::vector<std::pair<std::string, torven::OutputFile*>> opened_;
};

// Standard output of the process caught in a file from construction to
// finish(), for stages that print while they run in the test's process.
class StdoutCapture {
 public:
  explicit StdoutCapture(fs::path file) : file_(std::move(file)) {
    std::fflush(stdout);
    saved_ = ::dup(1);
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, 1);
    ::close(fd);
  }
  ~StdoutCapture() { restore(); }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  std::string finish() {
    restore();
    std::string text = read_file(file_);
    fs::remove(file_);
    return text;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
    saved_ = -1;
  }
  fs::path file_;
  int saved_ = -1;
};

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Starts a shell command and gives its wait status, as std::system does.
using Launcher = int (*)(const std::string& command);
inline int launch_with_system(const std::string& command) { return std::system(command.c_str()); }

// Runs the built torven in `cwd` with `args`. `variant_dir` becomes
// NUCLEIC_ACID_DIR (empty: the variable is unset). `launch` starts the
// shell command that runs it; `env`, assignments "NAME=value ...", goes
// before the program in that command.
inline RunResult run_torven(const fs::path& cwd, const std::vector<std::string>& args,
                            const std::string& variant_dir,
                            Launcher launch = launch_with_system, const std::string& env = {}) {
  fs::path out = cwd / ".stdout", err = cwd / ".stderr";
  std::string cmd = "cd " + shell_quote(cwd.string()) + " && ";
  if (variant_dir.empty()) {
    cmd += "env -u NUCLEIC_ACID_DIR ";
  } else {
    cmd += "NUCLEIC_ACID_DIR=";
    cmd += shell_quote(variant_dir);
    cmd += ' ';
  }
  cmd += env;
  cmd += shell_quote(TORVEN_EXE);
  for (const auto& a : args) cmd += " " + shell_quote(a);
  cmd += " >" + shell_quote(out.string()) + " 2>" + shell_quote(err.string()) +
         " </dev/null";
  const int rc = launch(cmd);
  RunResult r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = read_file(out);
  r.err = read_file(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

// The variant name files shipped with the program.
inline std::string shipped_variant_dir() { return std::string(TORVEN_SOURCE_DIR) + "/data"; }

// A test of whole runs of the built program in a temporary directory of
// its own, with the shipped variant lists.
class ProgramRun : public ::testing::Test {
 protected:
  // Runs in the directory on its file `input`, with `args` before the name.
  RunResult run_on(const std::string& input, std::vector<std::string> args = {}) const {
    args.push_back(input);
    return run_torven(dir_.path(), args, shipped_variant_dir());
  }
  // A file of the directory, whole.
  std::string file(const std::string& name) const { return read_file(dir_.file(name)); }

  TempDir dir_;
};

// The one copy of a real structure that the tests share.
inline fs::path structure(const std::string& name) {
  return fs::path(TORVEN_TEST_DATA) / "structures" / name;
}

// What a run prints when a variant name file cannot be opened. The
// 150-character second message splits after its 79th character, so the
// third line starts with the line's blank and the message's own.
inline const std::string kVariantListMessage =
    " Error opening database files, AdeVariants.name, etc.\n"
    " Please make sure to keep these files in a directory and pass that absolute path\n"
    "  through NUCLEIC_ACID_DIR environmentvariable using Unix Shell command.\n";

}  // namespace testutil
