#pragma once
// The main window's own commands: start-up and shutdown, the mode switch and
// ApplyMode, page selection, the format buttons, page commit and the OK
// command. The Reader operations, the terminal and the programming cycle have
// their own files; the GUI routes each event to one of these functions.

#include <string>

#include "core/app/Station.h"

namespace tagwright {

// Start-up after the window exists: settings and the current set read from
// the current directory, the port opened with its report, timers started,
// colours, images and mode applied.
void StartUp(Station& station);
// The files start-up reads: the settings, then the current set (setName
// instead of the stored one when given) and its carrier ID; stale temporary
// files of ours in the settings and record folders are removed.
void LoadStationFiles(Station& station, const std::string& setName = {});

// The window's destruction: takes the fields, writes the settings file and
// stops the timers. False (after telling the operator) when the settings
// could not be written.
bool ShutDown(Station& station);

// The window's close command: the port is closed first (with its message on
// failure); the window then ends as usual.
void CloseCommand(Station& station);

// Manual or automatic mode for the controls, from settings.selectConfig and
// the current set.
void ApplyMode(Station& station);
// "Config" (automatic = true) or "Manual" clicked; the step is the same
// without taking and showing the field values.
void ChooseMode(Station& station, bool automatic);
void ChooseModeStep(Station& station, bool automatic);

// "all" clicked (the flag has already changed with the click).
void SelectAllClicked(Station& station);
// Page p's select box clicked.
void SelectPageClicked(Station& station, int page);

// "HEX" or "ASCII" clicked.
void FormatButtonClicked(Station& station, PageFormat format);
// HEX or ASCII for all 17 pages.
void SetPageFormat(Station& station, PageFormat format);

// Enter in page field p.
void PageEnter(Station& station, int page);
// Page p's field committed: normalise, convert, check, colour, tell. True
// for a valid text; the step does not take or show the field values.
bool CommitPageText(Station& station, int page);
bool CommitPageTextStep(Station& station, int page);

// Enter outside the edit fields: the window stays open.
void OkCommand(Station& station);

// The start-up colours of labels and fields and the images of the select,
// format and mode buttons.
void ApplyStartUpAppearance(Station& station);

}  // namespace tagwright
