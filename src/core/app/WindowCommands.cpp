#include "core/app/WindowCommands.h"

#include <filesystem>
#include <string>

#include "core/base/AtomicFile.h"
#include "core/base/DataPaths.h"
#include "core/config/SetStore.h"

namespace tagwright {

namespace {

constexpr int kIdlePeriodMs = 100;
constexpr int kCyclePeriodMs = 10;
constexpr int kMessagesPeriodMs = 500;

void SetEnabled(Station& s, MainControl c, bool enabled) { s.Control(c).enabled = enabled; }
void SetVisible(Station& s, MainControl c, bool visible) { s.Control(c).visible = visible; }

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

// The set's eight byte texts of page p, joined by single blanks.
std::string SetPageText(const ParameterSet& set, int page, PageFormat format) {
    const auto& bytes = format == PageFormat::Ascii ? set.ascii : set.hex;
    std::string text;
    for (int i = 0; i < kPageBytes; ++i) {
        if (i > 0) text += ' ';
        text += bytes[static_cast<std::size_t>((page - 1) * kPageBytes + i)];
    }
    return text;
}

void ApplyManualMode(Station& s) {
    SetEnabled(s, MainControl::SelectAll, true);
    for (int p = 1; p <= kPageCount; ++p) SetEnabled(s, SelectBox(p), true);
    for (int p = 1; p <= kPageCount; ++p) {
        SetEnabled(s, PageField(p), true);
        s.SetForeground(PageField(p), colour::Black);
        s.SetBackground(PageField(p), colour::White);
    }
    for (MainControl c : kManualControls) {
        SetEnabled(s, c, true);
        SetVisible(s, c, true);
    }
    for (MainControl c : kManualLabels) SetVisible(s, c, true);
    for (MainControl c : {MainControl::NextField, MainControl::MaxField}) {
        SetEnabled(s, c, false);
        s.SetBackground(c, colour::DisabledBackground);
    }
    SetEnabled(s, MainControl::NextSpin, false);
    SetEnabled(s, MainControl::MaxSpin, false);
    SetEnabled(s, MainControl::One, false);
    for (MainControl c : kAutomaticControls) SetVisible(s, c, false);
}

void ApplyAutomaticMode(Station& s) {
    const ParameterSet& set = s.currentSet;
    SetEnabled(s, MainControl::SelectAll, false);
    for (int p = 1; p <= kPageCount; ++p) SetEnabled(s, SelectBox(p), false);
    for (int p = 1; p <= kPageCount; ++p) {
        const bool editable = set.editPage[static_cast<std::size_t>(p - 1)];
        SetEnabled(s, PageField(p), editable);
        s.SetForeground(PageField(p), editable ? colour::Black : colour::DisabledText);
        s.SetBackground(PageField(p), editable ? colour::White : colour::DisabledBackground);
    }
    if (set.editPage[kPageCount - 1]) s.SetFocus(PageField(kPageCount));
    for (MainControl c : kManualControls) {
        SetEnabled(s, c, false);
        SetVisible(s, c, false);
    }
    for (MainControl c : kManualLabels) SetVisible(s, c, false);

    const bool counter = !set.useCsvFile && !set.useFixData;
    for (MainControl c : {MainControl::NextField, MainControl::MaxField}) {
        SetEnabled(s, c, counter);
        s.SetBackground(c, counter ? colour::White : colour::DisabledBackground);
    }
    SetEnabled(s, MainControl::NextSpin, counter);
    SetEnabled(s, MainControl::MaxSpin, counter);
    if (!counter) s.settings.carrierIdMax.clear();

    SetEnabled(s, MainControl::One, true);
    for (MainControl c : kAutomaticControls) SetVisible(s, c, true);

    TransponderImage& image = s.image;
    image.selected[0] = 1;
    image.selected[1] = 1;
    const int rest = set.writePages3to17 ? 1 : 0;
    for (int p = 3; p <= kPageCount; ++p) image.selected[static_cast<std::size_t>(p - 1)] = rest;
    image.selectAll = rest;

    for (int p = 1; p <= kPageCount; ++p) image.FieldText(p) = SetPageText(set, p, image.format);
}

void ShowImage(Station& s, MainControl c, bool on) { s.Control(c).imageOn = on; }

}  // namespace

void ApplyMode(Station& station) {
    if (station.AutomaticMode()) {
        ApplyAutomaticMode(station);
    } else {
        ApplyManualMode(station);
    }
    station.View().ShowFieldValues();
}

void ChooseMode(Station& station, bool automatic) {
    station.View().TakeFieldValues();
    ShowImage(station, MainControl::ConfigButton, automatic);
    ShowImage(station, MainControl::ManualButton, !automatic);
    station.settings.selectConfig = automatic ? 1 : 0;
    station.View().ShowFieldValues();
    ApplyMode(station);
}

void SelectAllClicked(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    TransponderImage& image = station.image;
    if (image.selectAll == 1) {
        image.selected.fill(1);
        ShowImage(station, MainControl::SelectAll, true);
        for (int p = 1; p <= kPageCount; ++p) ShowImage(station, SelectBox(p), true);
    } else {
        image.selected.fill(0);
        view.ShowFieldValues();
        for (int p = 1; p <= kPageCount; ++p) station.SetFocus(PageField(p));
        ShowImage(station, MainControl::SelectAll, false);
        for (int p = 1; p <= kPageCount; ++p) ShowImage(station, SelectBox(p), false);
    }
    for (int p = 1; p <= kPageCount; ++p) station.SetBackground(PageField(p), colour::White);
    view.ShowFieldValues();
}

void SelectPageClicked(Station& station, int page) {
    if (page < 1 || page > kPageCount) return;
    MainView& view = station.View();
    view.TakeFieldValues();
    TransponderImage& image = station.image;
    if (image.selected[static_cast<std::size_t>(page - 1)] == 1) {
        ShowImage(station, SelectBox(page), true);
    } else {
        image.selectAll = 0;
        station.SetFocus(PageField(page));
        ShowImage(station, SelectBox(page), false);
    }
    station.SetBackground(PageField(page), colour::White);
    view.ShowFieldValues();
}

void FormatButtonClicked(Station& station, PageFormat format) {
    station.View().TakeFieldValues();
    ShowImage(station, MainControl::HexButton, format == PageFormat::Hex);
    ShowImage(station, MainControl::AsciiButton, format == PageFormat::Ascii);
    station.SetPageFormat(format);
    station.View().ShowFieldValues();
}

void PageEnter(Station& station, int page) {
    station.CommitPageText(page);
    station.image.pageCommitted = true;
}

void OkCommand(Station& station) { station.SetFocus(MainControl::One); }

void ApplyStartUpAppearance(Station& station) {
    // Labels are white on black; the view draws the fixed labels so, only the
    // status field carries state of its own.
    ControlState& status = station.Control(MainControl::StatusField);
    status.foreground = colour::White;
    status.background = colour::Black;

    station.SetBackground(MainControl::NextField, colour::White, false);
    station.SetBackground(MainControl::MaxField, colour::White, false);
    for (MainControl c : {MainControl::CarrierIdOffset, MainControl::CarrierIdLength,
                          MainControl::CarrierId, MainControl::Uid}) {
        station.SetBackground(c, colour::White);
    }
    for (int p = 1; p <= kPageCount; ++p) station.SetBackground(PageField(p), colour::White);

    const TransponderImage& image = station.image;
    ShowImage(station, MainControl::SelectAll, image.selectAll == 1);
    for (int p = 1; p <= kPageCount; ++p) {
        ShowImage(station, SelectBox(p), image.selected[static_cast<std::size_t>(p - 1)] == 1);
    }
    ShowImage(station, MainControl::HexButton, image.format == PageFormat::Hex);
    ShowImage(station, MainControl::AsciiButton, image.format == PageFormat::Ascii);
    ShowImage(station, MainControl::ConfigButton, station.AutomaticMode());
    ShowImage(station, MainControl::ManualButton, !station.AutomaticMode());

    station.View().ShowFieldValues();
    ApplyMode(station);
}

void StartUp(Station& station) {
    station.link.ResponseTimeBase = 160;
    station.terminalShown = false;

    std::error_code ec;
    station.setDirectory = StationSettingsDirectory(ec);
    RemoveStaleTempFiles(station.setDirectory);  // left by a save that was killed
    LoadStationSettingsFile(station.setDirectory, station.settings, station.image);
    station.currentSet = LoadSet(station.setDirectory, station.settings.currentSetName, true);
    station.currentCarrierId = station.currentSet.carrierId;
    station.nextFieldText = station.currentCarrierId;

    MainView& view = station.View();
    view.ShowFieldValues();

    station.port.portOpen = false;
    station.port.OpenWithReport(station.settings.port, view);

    view.StartTimer(TimerId::Idle, kIdlePeriodMs);
    view.StartTimer(TimerId::Cycle, kCyclePeriodMs);
    view.StartTimer(TimerId::Messages, kMessagesPeriodMs);

    ApplyStartUpAppearance(station);
}

bool ShutDown(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    std::string error;
    const bool saved = SaveStationSettingsFile(station.setDirectory, station.settings,
                                               station.image, &error);
    view.StopTimer(TimerId::Idle);
    view.StopTimer(TimerId::Cycle);
    view.StopTimer(TimerId::Messages);
    if (!saved) {
        view.ShowMessage({"The station settings could not be saved.\r\n" + error, "Error",
                          MsgIcon::Error, MsgButtons::Ok});
    }
    return saved;
}

void CloseCommand(Station& station) { station.port.CloseWithReport(station.View()); }

}  // namespace tagwright
