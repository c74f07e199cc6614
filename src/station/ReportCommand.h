#pragma once
// "journal report": the production figures of the journal, from the same
// core code as the Production window, as text, JSON or CSV.

#include "station/Arguments.h"

namespace tagwright::station {

int RunJournalReport(const Options& options);

}  // namespace tagwright::station
