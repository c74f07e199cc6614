#pragma once
// The main window's Config menu command, both hand-overs: the main window's
// values into a fresh Config dialog, and on OK the dialog's set back into the
// main window, which then runs in automatic mode with it. Cancel hands
// nothing back. The command around them takes and shows the field values.

#include "core/config/ConfigDialogModel.h"
#include "core/app/Station.h"

namespace tagwright {

// The Config command while continuous mode runs: refused with a message,
// since the dialog would load another set under the running line. True when
// refused.
bool RefuseConfigDuringRun(Station& station);

// Before the dialog starts: name, name list, csv and log settings, the next
// carrier ID, the HEX/ASCII choice and the set directory. The dialog's
// start-up load replaces the rest from the set file.
void HandOverToConfigDialog(Station& station, ConfigDialogModel& dialog);

// After OK: the set, the name list and the current name into the main
// window; "max" recomputed when a set was saved; selection, page texts,
// automatic mode, record header and focus as after a fresh start.
void TakeOverFromConfigDialog(Station& station, const ConfigDialogModel& dialog);

}  // namespace tagwright
