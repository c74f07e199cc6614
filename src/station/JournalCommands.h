#pragma once
// "journal export" and "journal check": the production journal beside the
// record file of the set, as the cycle opens it.

#include "core/app/Station.h"
#include "station/Arguments.h"

namespace tagwright::station {

// The journal the cycle would use, opened for station (loaded with the
// options' set); nothing, with the exit code (told), when it cannot be.
Journal* OpenStationJournal(Station& station, const Options& options, int* exitCode);

int RunJournalExport(const Options& options);
int RunJournalCheck(const Options& options);

}  // namespace tagwright::station
