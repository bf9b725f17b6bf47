// The small code alphabets shared by the stages.
#pragma once

#include "common/text.h"

namespace torven {

// An edge letter as comparisons see it: '+' and 'w' count as W, 'h' as H,
// 's' and 'z' as S; W, H and S stay.
constexpr char EdgeNormalise(char e) {
  switch (e) {
    case '+':
    case 'w':
      return 'W';
    case 'h':
      return 'H';
    case 's':
    case 'z':
      return 'S';
    default:
      return e;
  }
}

// The residue's own edge of an EdgeLabel: its normalised first letter.
inline char OwnEdge(const Text<3>& label) { return EdgeNormalise(label.at(1)); }

}  // namespace torven
