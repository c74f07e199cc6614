#pragma once
// The station without its window: start-up as the window does it, the
// programming run over continuous mode's look-and-cycle logic, and the read.

#include <atomic>

#include "core/app/Station.h"
#include "station/Arguments.h"

namespace tagwright::station {

// Settings file and set as the window reads them at start-up; --set chooses
// another set for this run only. Nothing but the exit code for bad
// arguments (told) when the set does not exist.
bool LoadStation(Station& station, const Options& options, int* exitCode);

// The whole "program" command; its exit code.
int RunProgram(const Options& options, const std::atomic<bool>& stop);
// The whole "read" command; its exit code.
int RunRead(const Options& options);

}  // namespace tagwright::station
