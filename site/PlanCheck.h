#pragma once
// Refusals made before any page is written, so that a run never plans a page it cannot write
// and the site never links to one.

#include "Jobs.h"
#include "RunOptions.h"

#include <QString>

// Why -o cannot be the folder for pages that the sources need (it is a file, a device, or
// lies under one); empty when it can.
QString OutputRefusal(const TOptions& options);

// Takes out of the plan, each with its message, the jobs whose page cannot be written: a
// folder, link or other non-file in its place, a name too long, a folder that cannot be
// written into.
void RefuseUnwritableTargets(TPlan& plan);
