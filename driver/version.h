// The release named in the report headers; change it here only.
#pragma once

namespace torven {

inline constexpr const char* kReleaseMonth = "December";
inline constexpr const char* kReleaseYear = "2026";
inline constexpr const char* kVersion = "1.0";

}  // namespace torven
