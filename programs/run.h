// The run sequence: buffers, the partition read, the steps in their fixed order,
// the release. The first failing step ends the run.
#pragma once

#include "programs/options.h"

// Runs one pass with the parsed options. The first failure's result code, or 0.
int run(const run_options &options);
