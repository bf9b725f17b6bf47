// Placeholder: implemented with free format.
#include "common/freeformat.h"
namespace torven {
std::vector<std::string> list_format(const std::vector<Item>&) { return {}; }
std::string list_real(float) { return {}; }
std::string list_to_text(const Item&, std::size_t) { return {}; }
ListStatus list_read_int(std::string_view, std::int32_t&) { return ListStatus::kFail; }
ListStatus list_read_real(std::string_view, float&) { return ListStatus::kFail; }
ListStatus list_read_text(std::string_view, std::size_t, std::string&) { return ListStatus::kFail; }
}  // namespace torven
