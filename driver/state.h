// Work variables of the run driver that several stages of the driver share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torven {

struct DriverState {
  std::string FILENM;     // input name as given; after naming, the _structure.csv name
  std::string NMPASS;     // the .out name, handed to the secondary-structure stage
  bool have_file = false; // a file name was given on the command line
  std::int32_t NPOORAT = 0;  // poorly defined atoms, counted over the whole run
};
extern DriverState state;

}  // namespace torven
