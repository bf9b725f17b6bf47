// Free format: the list-directed output and input of the system.
//
// Output: a write starts a new line; a line holds at most 80 characters
// counting the blank that begins it. A text item is written at its full
// width; at the start of a line a blank goes before it, directly after a
// number one blank separates them, directly after another text nothing does.
// Integers take 12 columns, reals 15 (7 significant digits: fixed form
// right-justified in 11 columns and 4 blanks when 0.1 <= |v| < 1e7 after
// rounding, else d.dddddddE+xx right-justified in 15; non-finite values as
// Infinity, -Infinity or NaN right-justified in 15). An item that does not
// fit in the rest of the line goes to a new line; a text longer than 79
// characters is split into pieces of 79.
//
// Input: one item is read from a text (see ListStatus).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/layout.h"

namespace torven {

// The lines of one free-format write.
std::vector<std::string> list_format(const std::vector<Item>& items);

// Outcome of reading one free-format item.
enum class ListStatus {
  kOk,         // the item was set
  kUnchanged,  // a comma or slash where the value would begin
  kFail,       // the value is not valid for the item's type
  kEnd,        // the text holds no value (blanks only): an end of input
};

ListStatus list_read_int(std::string_view text, std::int32_t& out);
ListStatus list_read_real(std::string_view text, float& out);
// A text item, cut or padded to w characters.
ListStatus list_read_text(std::string_view text, std::size_t w, std::string& out);

}  // namespace torven
