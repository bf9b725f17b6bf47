// Placeholder: naming and opening the files.
#include "driver/stages.h"
namespace torven {
void open_run_files() {}
std::string output_name(std::string_view input, std::string_view suffix) { return std::string(input) + std::string(suffix); }
}  // namespace torven
