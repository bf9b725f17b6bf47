// Work variables of the run driver that several stages of the driver share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/text.h"

namespace torven {

struct DriverState {
  Text<80> FILENM;        // input name; after naming, the _structure.csv name
  Text<80> NMPASS;        // the .out name, handed to the secondary-structure stage
  bool have_file = false; // a file name was given on the command line
  std::int32_t NPOORAT = 0;  // poorly defined atoms, counted over the whole run
};
extern DriverState state;

}  // namespace torven
