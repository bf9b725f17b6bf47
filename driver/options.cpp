// The command line: defaults, the argument walk, the option table and the
// messages the driver prints about them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/freeformat.h"
#include "common/layout.h"
#include "common/output_file.h"
#include "common/stops.h"
#include "common/tables.h"
#include "common/text.h"
#include "driver/stages.h"

namespace torven {
namespace {

// Option words and the chain of -ML are seen as their first 50
// characters, blank-padded; a file name and a number are taken whole.
constexpr std::size_t kArgWidth = 50;

enum class Opt { HD, VA, EN, ML, MD, HT, CH, SG, AB, OL, NMR, CIF, None };

struct OptionForms {
  Opt opt;
  std::vector<std::string_view> forms;
};

// The accepted case forms, in the order of testing; no other form matches.
const std::vector<OptionForms>& option_table() {
  static const std::vector<OptionForms> table = {
      {Opt::HD, {"HD", "hd", "Hd", "hD"}},
      {Opt::VA, {"VA", "Va", "va", "vA"}},
      {Opt::EN, {"EN", "en", "En", "eN"}},
      {Opt::ML, {"ML", "ml", "Ml", "mL"}},
      {Opt::MD, {"md", "MD", "Md", "mD"}},
      {Opt::HT, {"HT", "ht", "Ht", "hT"}},
      {Opt::CH, {"CH", "ch", "Ch", "cH"}},
      {Opt::SG, {"SG", "sg", "Sg", "sG"}},
      {Opt::AB, {"AB", "ab", "Ab", "aB"}},
      {Opt::OL, {"OL", "ol", "Ol", "oL"}},
      {Opt::NMR, {"NMR", "nmr", "Nmr"}},
      {Opt::CIF, {"CIF", "cif", "Cif", "mmcif", "mmCIF", "MMCIF"}},
  };
  return table;
}

Opt match_option(std::string_view valp) {
  for (const auto& entry : option_table())
    for (std::string_view form : entry.forms)
      if (text_eq(valp, form)) return entry.opt;
  return Opt::None;
}

bool takes_value(Opt o) {
  return o == Opt::HD || o == Opt::VA || o == Opt::EN || o == Opt::ML ||
         o == Opt::MD;
}

}  // namespace

void set_default_settings() {
  options.CutAngle = 120.0f;
  options.CutEnergy = 1.8f;
  options.CutDistSq = 14.44f;
  options.HetatmFlag = 0;
  options.ModelNumber = 1;
  cum.MolId = "    ";
  beta.AdjacentPairFlag = 1;
  driver.HbDist = 3.8f;
  driver.ChoHbFlag = 1;
  driver.SugarHbFlag = 1;
  driver.OligoFlag = 0;
  driver.NmrFlag = 0;
  driver.CifFlag = 0.0;
}

namespace {

[[noreturn]] void stop_usage_then_help() {
  UsageBlock();
  OptionHelp();
  stop_status_1();
}

// The value of a numeric option: the whole argument without the blanks
// around it.
std::string_view number_text(std::string_view arg) {
  const std::size_t b = arg.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return arg.substr(b, arg.find_last_not_of(" \t") - b + 1);
}

// The real or the integer that fills `arg`; anything else, an empty value
// included, stops the run with the usage and the help.
float real_value(std::string_view arg) {
  float v = 0.0f;
  if (!detail::parse_real(number_text(arg), true, 0, v)) stop_usage_then_help();
  return v;
}

std::int32_t int_value(std::string_view arg) {
  std::int32_t v = 0;
  if (!detail::parse_int(number_text(arg), v)) stop_usage_then_help();
  return v;
}

// Reads the value of option `opt` from its argument `arg` (argument number
// k) into its setting. The chain of -ML is the first word of the
// argument's first 50 characters; a value of blanks only is an end of input
// that nothing handles.
void read_value(Opt opt, std::string_view arg, int k) {
  switch (opt) {
    case Opt::HD:
      driver.HbDist = real_value(arg);
      options.CutDistSq = driver.HbDist * driver.HbDist;
      break;
    case Opt::VA:
      options.CutAngle = real_value(arg);
      break;
    case Opt::EN:
      options.CutEnergy = real_value(arg);
      break;
    case Opt::MD:
      options.ModelNumber = int_value(arg);
      break;
    case Opt::ML: {
      std::string v = cum.MolId.str();
      const ListStatus st = list_read_text(fit(arg, kArgWidth), 4, v);
      if (st == ListStatus::kOk) cum.MolId = v;
      if (st == ListStatus::kFail) stop_usage_then_help();
      if (st == ListStatus::kEnd)
        fail("command line", 0, "no value in argument " + std::to_string(k));
      break;
    }
    default:
      break;
  }
}

}  // namespace

void UsageBlock() {
  stdout_line("");
  stdout_line("Invalid Input");
  stdout_line(" [USAGE]:  TORVEN -[options] filename");
  stdout_line("See Torven_README.txt for HELP");
}

void OptionHelp() {
  static const char* const lines[] = {
      "The following options can be used:",
      "-HD [value] to set default hydrogen bond distance "
      "cutoff (default = 3.8)",
      "-VA [value] to set default pseudo angle cutoff "
      "(default = 120.0)",
      "-EN [value] to set default E-value cutoff "
      "(default = 1.8)",
      "-ML [character] to select desired chain identifier "
      "in PDB File (default = all)",
      "-HT to include HETATM entries in PDB",
      "-CH to avoid identification of base pairs stabilized"
      " by C-H...O/N H-bonds",
      "-SG to avoid identification of base pairs involving"
      "sugar O2' atoms",
      "-AB to avoid base pairing between residue no. i and"
      " i+1",
      "-OL to avoid printing base pairing information w.r.t."
      "the second strand.  This is suitable for simple "
      "oligonucleotides",
      "-NMR to calculate base pairing information for the first"
      " model NMR derived structure",
      "-MD [number] to calculate base pairing information for"
      "a particular NMR model [number]",
      "-CIF to calculate base pairing information from mmCIF"
      " formatted file (PDB is the default). This considers only the"
      " first model of NMR derived structures",
  };
  for (const char* line : lines) stdout_line(line);
}

void parse_arguments(Run& run, int argc, char** argv) {
  set_default_settings();
  const int n = argc - 1;
  if (n <= 0) {
    UsageBlock();
    OptionHelp();
    plain_stop();
  }
  std::vector<std::string> val1(static_cast<std::size_t>(n) + 1);
  for (int k = 1; k <= n; ++k) val1[k] = fit(argv[k], kArgWidth);

  for (int k = 1; k <= n; ++k) {
    const std::string& arg = val1[k];
    if (arg[0] != '-') {
      run.FILENM = argv[k];
      run.have_file = true;
      continue;
    }
    // Only characters 2 to 20 of an option are compared.
    Opt opt = match_option(std::string_view(arg).substr(1, 19));
    if (opt == Opt::None) {
      OptionHelp();
      UsageBlock();
      stop_status_1();
    }
    if (takes_value(opt)) {
      if (k == n) stop_usage_then_help();  // the value argument is missing
      ++k;
      read_value(opt, argv[k], k);
      continue;
    }
    switch (opt) {
      case Opt::HT: options.HetatmFlag = 1; break;
      case Opt::CH: driver.ChoHbFlag = 0; break;
      case Opt::SG: driver.SugarHbFlag = 0; break;
      case Opt::AB: beta.AdjacentPairFlag = 0; break;
      case Opt::OL: driver.OligoFlag = 1; break;
      case Opt::NMR: driver.NmrFlag = 1; break;
      case Opt::CIF: driver.CifFlag = 1.0; break;
      default: break;
    }
  }
  if (!run.have_file) stop_usage_then_help();
}

void OptionsSummary() {
  static const std::string_view ans[2] = {"No ", "Yes"};
  auto yes_no = [](std::int32_t flag_is_one) { return ans[flag_is_one == 1 ? 1 : 0]; };
  stdout_list({std::string_view("Options used are:")});
  stdout_list({std::string_view("        cutoff Distance^2="), options.CutDistSq});
  stdout_list({std::string_view("        CutAngle="), options.CutAngle});
  stdout_list({std::string_view("        CutEnergy="), options.CutEnergy});
  stdout_list({std::string_view("        CH...O HB: "), yes_no(driver.ChoHbFlag)});
  stdout_list({std::string_view("        Sugar HB: "), yes_no(driver.SugarHbFlag)});
  stdout_list({std::string_view("        Choise of HETATM entries: "), yes_no(options.HetatmFlag)});
  stdout_list({std::string_view("        Option as Oligonucleotide: "), yes_no(driver.OligoFlag)});
  stdout_list({std::string_view("        Mol-ID: "), cum.MolId.view()});
  stdout_list({std::string_view("        Pairing restriction: "),
               ans[beta.AdjacentPairFlag == 1 ? 0 : 1]});
}

}  // namespace torven
