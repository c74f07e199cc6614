#include "core/app/ConfigHandOver.h"

#include <cstdint>
#include <string>

#include "core/base/CText.h"
#include "core/app/WindowCommands.h"

namespace tagwright {

namespace {

// Page p's eight byte texts joined by single blanks, in the page format.
std::string PageText(const ParameterSet& set, int page, bool ascii) {
    const auto& bytes = ascii ? set.ascii : set.hex;
    std::string text;
    for (int i = 0; i < kPageBytes; ++i) {
        if (i > 0) text += ' ';
        text += bytes[static_cast<std::size_t>((page - 1) * kPageBytes + i)];
    }
    return text;
}

}  // namespace

void HandOverToConfigDialog(Station& station, ConfigDialogModel& dialog) {
    station.View().TakeFieldValues();
    const ParameterSet& current = station.currentSet;
    dialog.nameText = station.settings.currentSetName;
    dialog.names = station.settings.names;
    dialog.set.useCsvFile = current.useCsvFile;
    dialog.set.csvFileName = current.csvFileName;
    dialog.set.logEnabled = current.logEnabled;
    dialog.set.logFileName = current.logFileName;
    dialog.set.carrierId = station.currentCarrierId;
    dialog.set.hexAsciiMode = station.image.format == PageFormat::Ascii ? 1 : 0;
    dialog.setDirectory = station.setDirectory;
    dialog.saved = false;
    station.configSaved = false;
}

void TakeOverFromConfigDialog(Station& station, const ConfigDialogModel& dialog) {
    StationSettings& settings = station.settings;
    settings.currentSetName = dialog.nameText;
    settings.names = dialog.names;
    station.configSavePressed = dialog.savePressed;
    station.configSaved = dialog.saved;
    // Every field of the set goes back, the HEX/ASCII choice with it.
    station.currentSet = dialog.set;
    const ParameterSet& set = station.currentSet;
    station.currentCarrierId = set.carrierId;
    station.nextFieldText = set.carrierId;

    if (dialog.saved) {
        settings.carrierIdMax = FormatU64(LastCarrierId(set.carrierId, set.quantity));
    }

    TransponderImage& image = station.image;
    const bool ascii = set.hexAsciiMode == 1;
    image.format = ascii ? PageFormat::Ascii : PageFormat::Hex;
    station.Control(MainControl::HexButton).imageOn = !ascii;
    station.Control(MainControl::AsciiButton).imageOn = ascii;

    const int rest = set.writePages3to17 ? 1 : 0;
    for (int p = 1; p <= kPageCount; ++p) {
        const int selected = p <= 2 ? 1 : rest;
        image.selected[static_cast<std::size_t>(p - 1)] = selected;
        station.Control(SelectBox(p)).imageOn = selected == 1;
        image.FieldText(p) = PageText(set, p, ascii);
    }
    image.selectAll = rest;
    station.Control(MainControl::SelectAll).imageOn = rest == 1;

    station.headerBlockPending = true;
    // The controls show the new values before the mode switch takes the
    // controls' values back, so nothing old is read into the model.
    station.View().ShowFieldValues();
    ChooseMode(station, true);
    station.SetForeground(MainControl::StatusField, colour::White);
    station.SetBackground(MainControl::StatusField, colour::Black);

    for (int p = 1; p <= kPageCount; ++p) {
        if (set.editPage[static_cast<std::size_t>(p - 1)]) {
            station.focusRequest[static_cast<std::size_t>(p - 1)] = true;
            break;
        }
    }
}

}  // namespace tagwright
