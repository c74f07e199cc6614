#include "core/app/WindowCommands.h"

#include <filesystem>
#include <string>

#include "core/app/CycleJournal.h"
#include "core/app/PageTexts.h"
#include "core/base/AtomicFile.h"
#include "core/base/DataPaths.h"
#include "core/config/SetStore.h"
#include "core/production/CarrierIdSource.h"

namespace tagwright {

namespace {

// Controls of the manual group that automatic mode disables and hides.
constexpr MainControl kManualControls[] = {
    MainControl::Read,          MainControl::Write,           MainControl::Lock,
    MainControl::DefaultContent, MainControl::CarrierIdOffset, MainControl::CarrierIdLength,
    MainControl::CarrierId,     MainControl::ReadCarrierId,   MainControl::WriteCarrierId,
    MainControl::ReadUid,       MainControl::Uid,
};
constexpr MainControl kManualLabels[] = {
    MainControl::CarrierIdOffsetLabel,
    MainControl::CarrierIdLengthLabel,
    MainControl::CarrierIdFieldLabel,
};
// Controls of the automatic group that manual mode hides.
constexpr MainControl kAutomaticControls[] = {
    MainControl::StatusField, MainControl::NextField, MainControl::NextSpin,
    MainControl::NextLabel,   MainControl::MaxField,  MainControl::MaxSpin,
    MainControl::MaxLabel,    MainControl::One,       MainControl::CarrierIdLabel,
    MainControl::ContOn,
};

// The manual group shown and usable, or hidden and disabled.
void ShowManualGroup(WindowControls& w, bool shown) {
    for (MainControl c : kManualControls) {
        w.SetEnabled(c, shown);
        w.SetVisible(c, shown);
    }
    for (MainControl c : kManualLabels) w.SetVisible(c, shown);
}

// The "next" and "max" fields with their spins.
void EnableCounterFields(WindowControls& w, bool enabled) {
    for (MainControl c : {MainControl::NextField, MainControl::MaxField}) {
        w.SetEnabled(c, enabled);
        // Grey too while locked for the engineer.
        w.SetBackground(c, w.Control(c).enabled ? colour::White : colour::DisabledBackground);
    }
    w.SetEnabled(MainControl::NextSpin, enabled);
    w.SetEnabled(MainControl::MaxSpin, enabled);
}

void ApplyManualMode(WindowControls& w) {
    w.SetEnabled(MainControl::SelectAll, true);
    for (int p = 1; p <= kPageCount; ++p) w.SetEnabled(SelectBox(p), true);
    for (int p = 1; p <= kPageCount; ++p) {
        w.SetEnabled(PageField(p), true);
        w.SetForeground(PageField(p), colour::Black);
        w.SetBackground(PageField(p), colour::White);
    }
    ShowManualGroup(w, true);
    EnableCounterFields(w, false);
    w.SetEnabled(MainControl::One, false);
    for (MainControl c : kAutomaticControls) w.SetVisible(c, false);
}

void ApplyAutomaticMode(Station& s) {
    WindowControls& w = s.window;
    const ParameterSet& set = s.currentSet;
    w.SetEnabled(MainControl::SelectAll, false);
    for (int p = 1; p <= kPageCount; ++p) w.SetEnabled(SelectBox(p), false);
    for (int p = 1; p <= kPageCount; ++p) {
        const bool editable = set.editPage[static_cast<std::size_t>(p - 1)];
        w.SetEnabled(PageField(p), editable);
        w.SetForeground(PageField(p), editable ? colour::Black : colour::DisabledText);
        w.SetBackground(PageField(p), editable ? colour::White : colour::DisabledBackground);
    }
    if (set.editPage[kPageCount - 1]) w.SetFocus(PageField(kPageCount));
    ShowManualGroup(w, false);

    const bool counter = !set.useCsvFile && !set.useFixData;
    EnableCounterFields(w, counter);
    if (!counter) s.settings.carrierIdMax.clear();

    w.SetEnabled(MainControl::One, true);
    w.SetEnabled(MainControl::ContOn, true);
    for (MainControl c : kAutomaticControls) w.SetVisible(c, true);

    TransponderImage& image = s.image;
    image.selected[0] = 1;
    image.selected[1] = 1;
    const int rest = set.writePages3to17 ? 1 : 0;
    for (int p = 3; p <= kPageCount; ++p) image.selected[static_cast<std::size_t>(p - 1)] = rest;
    image.selectAll = rest;

    for (int p = 1; p <= kPageCount; ++p) image.FieldText(p) = SetPageText(set, p, image.format);
}

void ShowSelection(WindowControls& w, bool on) {
    w.ShowImage(MainControl::SelectAll, on);
    for (int p = 1; p <= kPageCount; ++p) w.ShowImage(SelectBox(p), on);
}

void ShowModeImages(WindowControls& w, bool automatic) {
    w.ShowImage(MainControl::ConfigButton, automatic);
    w.ShowImage(MainControl::ManualButton, !automatic);
}

void ShowFormatImages(WindowControls& w, PageFormat format) {
    w.ShowImage(MainControl::HexButton, format == PageFormat::Hex);
    w.ShowImage(MainControl::AsciiButton, format == PageFormat::Ascii);
}

}  // namespace

void ApplyMode(Station& station) {
    if (station.AutomaticMode()) {
        ApplyAutomaticMode(station);
    } else {
        ApplyManualMode(station.window);
    }
}

void ChooseModeStep(Station& station, bool automatic) {
    ShowModeImages(station.window, automatic);
    station.settings.selectConfig = automatic ? 1 : 0;
    ApplyMode(station);
}

void ChooseMode(Station& station, bool automatic) {
    RunCommand(station.View(), [&] {
        // Choosing the mode the station is in only rebuilds it: no switch.
        if (automatic != station.AutomaticMode() && !MayRun(station, EngineerCommand::SwitchMode)) {
            return;
        }
        ChooseModeStep(station, automatic);
    });
}

void SelectAllClicked(Station& station) {
    RunCommand(station.View(), [&] {
        TransponderImage& image = station.image;
        const bool all = image.selectAll == 1;
        image.selected.fill(all ? 1 : 0);
        if (!all) {
            for (int p = 1; p <= kPageCount; ++p) station.window.SetFocus(PageField(p));
        }
        ShowSelection(station.window, all);
        for (int p = 1; p <= kPageCount; ++p) {
            station.window.SetBackground(PageField(p), colour::White);
        }
    });
}

void SelectPageClicked(Station& station, int page) {
    if (page < 1 || page > kPageCount) return;
    RunCommand(station.View(), [&] {
        TransponderImage& image = station.image;
        const bool selected = image.selected[static_cast<std::size_t>(page - 1)] == 1;
        if (!selected) {
            image.selectAll = 0;
            station.window.SetFocus(PageField(page));
        }
        station.window.ShowImage(SelectBox(page), selected);
        station.window.SetBackground(PageField(page), colour::White);
    });
}

void SetPageFormat(Station& station, PageFormat format) {
    TransponderImage& image = station.image;
    if (format == image.format) return;
    for (int page = 1; page <= kPageCount; ++page) {
        image.ShowPageAs(page, format);
        station.window.SetFocus(PageField(page));
    }
    image.format = format;
}

void FormatButtonClicked(Station& station, PageFormat format) {
    RunCommand(station.View(), [&] {
        ShowFormatImages(station.window, format);
        SetPageFormat(station, format);
    });
}

bool CommitPageText(Station& station, int page) {
    if (page < 1 || page > kPageCount) return false;
    bool valid = false;
    RunCommand(station.View(), [&] { valid = CommitPageTextStep(station, page); });
    return valid;
}

bool CommitPageTextStep(Station& station, int page) {
    const MainControl field = PageField(page);
    station.window.SetBackground(field, colour::White);

    TransponderImage& image = station.image;
    if (const char32_t refused = image.Refused(page); refused != 0) {
        // The text stays as typed: reshaping it would drop what it holds.
        station.window.SetBackground(field, colour::Red);
        station.window.Tell(PageMessage(page, image.format, refused));
        image.pageCommitted = true;
        return false;
    }
    const std::size_t i = static_cast<std::size_t>(page - 1);
    std::string text = PageCodec::NormalisePageText(image.fieldText[i], image.format);
    // Both forms are kept even for an invalid text: it stays in the field
    // (red) for the operator to mend, and the write command judges again.
    PageJudgement judged = JudgePageText(text, image.format);
    image.hexText[i] = std::move(judged.hex);
    image.asciiText[i] = std::move(judged.ascii);
    image.fieldText[i] = std::move(text);

    if (judged.valid) {
        station.window.SetBackground(field, colour::Green);
    } else {
        station.window.SetBackground(field, colour::Red);
        station.window.Tell(PageCodec::PageTextMessage(page, image.format));
    }
    image.pageCommitted = true;
    return judged.valid;
}

void PageEnter(Station& station, int page) {
    CommitPageText(station, page);
    station.image.pageCommitted = true;
}

void OkCommand(Station& station) { station.window.SetFocus(MainControl::One); }

void ApplyStartUpAppearance(Station& station) {
    WindowControls& w = station.window;
    // Labels are white on black; the view draws the fixed labels so, only the
    // status field carries state of its own.
    ControlState& status = w.Control(MainControl::StatusField);
    status.foreground = colour::White;
    status.background = colour::Black;

    w.SetBackground(MainControl::NextField, colour::White, false);
    w.SetBackground(MainControl::MaxField, colour::White, false);
    for (MainControl c : {MainControl::CarrierIdOffset, MainControl::CarrierIdLength,
                          MainControl::CarrierId, MainControl::Uid}) {
        w.SetBackground(c, colour::White);
    }
    for (int p = 1; p <= kPageCount; ++p) w.SetBackground(PageField(p), colour::White);

    const TransponderImage& image = station.image;
    w.ShowImage(MainControl::SelectAll, image.selectAll == 1);
    for (int p = 1; p <= kPageCount; ++p) {
        w.ShowImage(SelectBox(p), image.selected[static_cast<std::size_t>(p - 1)] == 1);
    }
    ShowFormatImages(w, image.format);
    ShowModeImages(w, station.AutomaticMode());
    ApplyMode(station);
}

void LoadStationFiles(Station& station, const std::string& setName) {
    std::error_code ec;
    station.setDirectory = StationSettingsDirectory(ec);
    RemoveStaleTempFiles(station.setDirectory);  // left by a save that was killed
    LoadStationSettingsFile(station.setDirectory, station.settings, station.image);
    if (!setName.empty()) station.settings.currentSetName = setName;
    station.currentSet = LoadSet(station.setDirectory, station.settings.currentSetName, true);
    station.carrierId.current = station.currentSet.carrierId;
    station.carrierId.nextText = station.carrierId.current;
    // Left by a record file rewrite that was killed.
    RemoveStaleTempFiles(StationRecordDirectory(station.setDirectory));
    RemoveStaleTempFiles(RecordDirectory(station));
}

void StartUp(Station& station) {
    station.reader.link.ResponseTimeBase = 160;
    station.terminal.shown = false;
    LoadStationFiles(station);

    // The fields are empty before start-up: nothing is taken from them.
    MainView& view = station.View();
    station.reader.port.portOpen = false;
    station.reader.port.OpenWithReport(station.settings.port, view);
    StartWindowTimers(view);
    StartLineEvents(station);
    ApplyStartUpAppearance(station);
    ApplyRoleLocks(station);
    view.ShowFieldValues();
    // A hand-edited set is told at once; every cycle refuses it until mended.
    const std::string refusal = CarrierIdLayoutRefusal(station.currentSet);
    if (!refusal.empty()) station.window.Tell(refusal);
}

bool ShutDown(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    std::string error;
    const bool saved = SaveStationSettingsFile(station.setDirectory, station.settings,
                                               station.image, &error);
    StopWindowTimers(view);
    StopLineEvents(station, std::chrono::seconds(2));
    if (!saved) {
        view.ShowMessage({"The station settings could not be saved.\r\n" + error, "Error",
                          MsgIcon::Error, MsgButtons::Ok});
    }
    return saved;
}

void CloseCommand(Station& station) { station.reader.port.CloseWithReport(station.View()); }

}  // namespace tagwright
