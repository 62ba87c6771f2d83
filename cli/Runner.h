#pragma once
// Converts the planned sources, several at a time, and reports on standard error.

#include "RunOptions.h"
#include "WindowSettings.h"

// Returns the exit status: 0 when every page was written or skipped as blank, 1 otherwise,
// 2 when the options ask for a run that may not start. `settings` gives the tag set and
// fragments that no option replaced.
int RunJobs(const TOptions& options, TWindowSettings settings);
