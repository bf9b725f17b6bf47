// Reading .out back: the two passes, the base letters and .bpseq.
#include <string>

#include "common/layout.h"
#include "common/stops.h"
#include "helix/helix_stage.h"
#include "helix/rnahelix.h"

namespace torven {

void renbase(const Text<3>& name, char& letter) {
  const char c = name.at(3);
  const bool base = c == 'A' || c == 'G' || c == 'C' || c == 'U' || c == 'T';
  if (name.at(1) == ' ' && name.at(2) == ' ') {
    letter = base ? c : 'N';
  } else {
    // A modified or DNA name ("PSU", " DA") gives the lower-case letter.
    letter = base ? static_cast<char>(c - 'A' + 'a') : 'N';
  }
}

namespace helix {

namespace {

// Columns a..b (1-based) of a line, blank beyond its end: the line is seen
// blank-padded, as a record read with a layout is.
std::string columns(std::string_view line, std::size_t a, std::size_t b) {
  std::string s(b - a + 1, ' ');
  for (std::size_t k = a; k <= b && k <= line.size(); ++k) s[k - a] = line[k - 1];
  return s;
}

}  // namespace

const HelixLine& HelixStage::line(std::int64_t t) const {
  static const HelixLine none;
  if (t < 1 || t > nts()) return none;
  return lines[static_cast<std::size_t>(t - 1)];
}

bool is_legend_end(std::string_view line) {
  return line.size() >= 74 && line.substr(64, 10) == "Equivalent";
}

bool is_continuation(std::string_view line) {
  return line.size() >= 26 && line[25] == ':';
}

bool parse_residue_line(std::string_view line, HelixLine& out, std::string& what) {
  // Only the first 80 characters of a line are read.
  if (line.size() > 80) line = line.substr(0, 80);
  struct IntField {
    std::size_t a, b;
    std::int32_t* target;
    const char* name;
  };
  const IntField ints[] = {
      {1, 6, &out.IRES1, "residue serial"},
      {7, 14, &out.NPDBRES, "residue number"},
      {26, 31, &out.IRES2, "first partner serial"},
      {62, 67, &out.SecondPartner, "second partner serial"},
  };
  for (const IntField& f : ints) {
    const std::string field = columns(line, f.a, f.b);
    if (!read_int_field(field, *f.target)) {
      what = std::string(f.name) + " in columns " + std::to_string(f.a) + "-" +
             std::to_string(f.b) + " is not an integer: \"" + field + "\"";
      return false;
    }
  }
  out.BPAIR = columns(line, 50, 54);
  renbase(Text<3>(columns(line, 16, 18)), out.BASE1);
  renbase(Text<3>(columns(line, 39, 41)), out.BASE2);
  return true;
}

std::int32_t count_residue_lines(InputFile& out) {
  std::string record;
  bool legend = false;
  while (out.read_line(record)) {
    if (is_legend_end(record)) {
      legend = true;
      break;
    }
  }
  if (!legend) return 0;
  std::int64_t n = 0;
  while (out.read_line(record)) {
    if (!is_continuation(record)) ++n;
  }
  // The count stays within what the line serials and the header can carry.
  return n > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(n);
}

void read_back(InputFile& out, std::int32_t nts, const std::string& name,
               HelixStage& stage, OutputFile& bpseq) {
  static const Layout header("('#',A,' nts=',I5,' Created by TORVEN')");
  static const Layout record("(I6,1X,A1,I6,I6)");
  bpseq.write(header, {std::string_view(name), nts});

  stage.lines.clear();
  if (nts <= 0) return;
  while (!is_legend_end(out.read_required("the column legend of the report"))) {
  }
  stage.lines.reserve(static_cast<std::size_t>(nts));
  std::string what;
  while (stage.nts() < nts) {
    const std::string text = out.read_required("a residue line");
    if (is_continuation(text)) continue;
    HelixLine l;
    if (!parse_residue_line(text, l, what)) fail(out.name(), out.line_number(), what);
    stage.lines.push_back(l);
    bpseq.write(record, {l.IRES1, ch(stage.lines.back().BASE1), l.IRES2, l.SecondPartner});
  }
}

}  // namespace helix
}  // namespace torven
