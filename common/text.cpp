// Placeholder: implemented with the text operations.
#include "common/text.h"
namespace torven {
bool text_eq(std::string_view, std::string_view) { return false; }
int first_pos(std::string_view, char) { return 0; }
int first_pos(std::string_view, std::string_view) { return 0; }
int trimmed_length(std::string_view) { return 0; }
std::string left_adjust(std::string_view s) { return std::string(s); }
std::string fit(std::string_view s, std::size_t) { return std::string(s); }
}  // namespace torven
