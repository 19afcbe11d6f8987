#pragma once
#include <QString>

#include "job/JobOutcome.h"

namespace zt::qt {

// An outcome in a few words: "OK", or the result word and the code the
// failure box showed ("FAIL 00030401").
QString OutcomeText(const JobOutcome& outcome);

// The line that keeps a job's outcome on the window after its box has gone.
QString LastResultLine(const JobOutcome& outcome);

}  // namespace zt::qt
