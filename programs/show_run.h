// show_config's run sequence: the buffers, the partition read under a shared
// lock, the payload outputs checked, the listing decoded and printed, the
// payloads written, the output ended; the release.
#pragma once

#include "programs/show_options.h"

// Runs show_config with the parsed options: its exit status (show_status).
int run_show(const show_options &options);
