#include "core/app/ConfigHandOver.h"

#include <cstdint>
#include <string>

#include "core/base/CText.h"
#include "core/app/ChangeGuard.h"
#include "core/app/WindowCommands.h"
#include "core/production/CarrierIdSource.h"

namespace tagwright {

namespace {

// "Name": [Section] key: "old" -> "new"; ...
std::string SetChangeText(const std::string& name, const std::vector<SetKeyChange>& changes) {
    std::string text = "\"" + name + "\":";
    if (changes.empty()) return text + " no key changed";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const SetKeyChange& c = changes[i];
        text += (i == 0 ? " [" : "; [") + c.section + "] " + c.key + ": \"" + c.before +
                "\" -> \"" + c.after + "\"";
    }
    return text;
}

}  // namespace

bool RefuseConfigDuringRun(Station& station) {
    if (!station.run.continuousMode) return false;
    station.window.Tell("Switch continuous mode off (Cont Off) before opening Config.");
    return true;
}

void HandOverToConfigDialog(Station& station, ConfigDialogModel& dialog) {
    const ParameterSet& current = station.currentSet;
    dialog.nameText = station.settings.currentSetName;
    dialog.names = station.settings.names;
    dialog.set.useCsvFile = current.useCsvFile;
    dialog.set.csvFileName = current.csvFileName;
    dialog.set.logEnabled = current.logEnabled;
    dialog.set.logFileName = current.logFileName;
    dialog.set.carrierId = station.carrierId.current;
    dialog.set.hexAsciiMode = station.image.format == PageFormat::Ascii ? 1 : 0;
    dialog.setDirectory = station.setDirectory;
    dialog.saved = false;
    // The operator may look and choose a set; changing one is the engineer's.
    dialog.viewOnly = !EngineerMode(station);
    station.configSaved = false;
    // The dialog is modal: its refusals are told over it.
    dialog.approveSave = [&station, &dialog](const std::vector<SetKeyChange>& changes) {
        return ApproveChange(station, dialog.View(), kAuditSetSaved,
                             SetChangeText(dialog.nameText, changes));
    };
    dialog.approveDelete = [&station, &dialog] {
        return ApproveChange(station, dialog.View(), kAuditSetDeleted,
                             "\"" + dialog.nameText + "\"");
    };
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
    station.carrierId.current = set.carrierId;
    station.carrierId.nextText = set.carrierId;

    if (dialog.saved) {
        settings.carrierIdMax = FormatU64(LastCarrierId(set.carrierId, set.quantity));
    }

    TransponderImage& image = station.image;
    const bool ascii = set.hexAsciiMode == 1;
    image.format = ascii ? PageFormat::Ascii : PageFormat::Hex;
    station.window.Control(MainControl::HexButton).imageOn = !ascii;
    station.window.Control(MainControl::AsciiButton).imageOn = ascii;

    const int rest = set.writePages3to17 ? 1 : 0;
    for (int p = 1; p <= kPageCount; ++p) {
        const int selected = p <= 2 ? 1 : rest;
        image.selected[static_cast<std::size_t>(p - 1)] = selected;
        station.window.Control(SelectBox(p)).imageOn = selected == 1;
        image.FieldText(p) = SetPageText(set, p, image.format);
    }
    image.selectAll = rest;
    station.window.Control(MainControl::SelectAll).imageOn = rest == 1;

    station.run.headerBlockPending = true;
    ChooseModeStep(station, true);
    station.window.SetForeground(MainControl::StatusField, colour::White);
    station.window.SetBackground(MainControl::StatusField, colour::Black);

    station.run.RequestFocusOnFirstEditablePage(set);
}

}  // namespace tagwright
