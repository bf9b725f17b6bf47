// The secondary-structure stage: reads the run's .out back and writes
// .bpseq, .hlx, _structure.csv, .dat and .dbn, all of them open already. A
// report that cannot be opened again, or more than 100 chains, stops the
// run.
#pragma once

#include <cstdint>

#include "common/run_files.h"
#include "common/text.h"

namespace torven {

void rnahelix(RunFiles& files, std::int32_t ModelNumber);

// Base letter of a right-justified residue name: "  A" gives 'A', " DA" or
// "PSU" the lower-case 'a' or 'u'; a name that matches neither gives 'N'.
void renbase(const Text<3>& name, char& letter);

}  // namespace torven
