// Placeholder: implemented with the record layouts.
#include "common/layout.h"
namespace torven {
struct Layout::Node {};
Layout::Layout(std::string_view) {}
Layout::~Layout() = default;
std::vector<std::string> Layout::format(const std::vector<Item>&) const { return {}; }
ReadResult read_fields(const std::vector<std::string_view>&, const Layout&, const std::vector<ReadTarget>&) { return {}; }
ReadResult read_fields(std::string_view, const Layout&, const std::vector<ReadTarget>&) { return {}; }
bool read_int_field(std::string_view, std::int32_t&) { return false; }
bool read_real_field(std::string_view, int, float&) { return false; }
std::string format_int(std::int32_t, int) { return {}; }
std::string format_real(float, int, int) { return {}; }
std::string format_text(std::string_view, int) { return {}; }
}  // namespace torven
