#pragma once
// "journal export", "journal check" and "journal audit": the production journal beside the
// record file of the set, as the cycle opens it.

#include "station/Arguments.h"

namespace tagwright::station {

int RunJournalExport(const Options& options);
int RunJournalCheck(const Options& options);
int RunJournalAudit(const Options& options);

}  // namespace tagwright::station
