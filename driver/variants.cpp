// The four variant name lists: the residue names that count as adenine,
// guanine, cytosine and uracil, read from the directory in NUCLEIC_ACID_DIR.
#include <cstdlib>
#include <string>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/stops.h"
#include "common/tables.h"
#include "driver/stages.h"

namespace torven {

namespace {

constexpr int kMaxVariantNames = 200;

const char* const kVariantFiles[5] = {nullptr, "AdeVariants.name", "GuaVariants.name",
                                      "CytVariants.name", "UraVariants.name"};

[[noreturn]] void variant_file_missing() {
  stdout_list({std::string_view("Error opening database files, AdeVariants.name, etc.")});
  stdout_list({std::string_view(
      "Please make sure to keep these files in a directory and pass that absolute "
      "path through NUCLEIC_ACID_DIR environmentvariable using Unix Shell command.")});
  stop_status_1();
}

}  // namespace

void load_variant_lists() {
  basenms.TypeOfName.clear();  // names are classified afresh by the new lists
  const char* env = std::getenv("NUCLEIC_ACID_DIR");
  const std::string_view dir = env != nullptr ? std::string_view(env) : std::string_view();
  // Trailing blanks of the directory are dropped.
  const std::string_view dir_trimmed = dir.substr(0, trimmed_length(dir));

  for (int list = 1; list <= 4; ++list) {
    const std::string FILEN2 = std::string(dir_trimmed) + "/" + kVariantFiles[list];
    InputFile file;
    if (!file.open(FILEN2)) variant_file_missing();

    std::vector<Text<3>>& names = basenms.VariantNames[list];
    names.assign(1, Text<3>());  // slot 0 unused: names are 1-based
    std::string line;
    while (static_cast<int>(names.size()) <= kMaxVariantNames && file.read_line(line)) {
      names.emplace_back(std::string_view(line).substr(0, 3));  // columns 1-3, blank-padded
    }
    beta.VariantCount[list] = static_cast<std::int32_t>(names.size()) - 1;
    file.close();
  }
}

}  // namespace torven
