#pragma once
// Converts the planned sources, several at a time, and reports on standard error.

#include "Jobs.h"
#include "Options.h"

#include "WindowSettings.h"

// Returns the exit status: 0 when every page was written or skipped as blank, 1 otherwise.
// `settings` gives the tag set and fragments that no option replaced.
int RunJobs(const TOptions& options, const TPlan& plan, TWindowSettings settings);
