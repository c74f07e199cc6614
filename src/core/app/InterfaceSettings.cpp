#include "core/app/InterfaceSettings.h"

#include "core/base/CText.h"
#include "core/app/ChangeGuard.h"
#include "core/app/Station.h"
#include "core/app/StationSettings.h"

namespace tagwright {

namespace {

// The code whose word (as the settings file writes it) is exactly text;
// 0 for any other text. Code 0 has no word of its own to match.
std::int32_t ExactCode(std::string_view text, std::string (*word)(std::int32_t),
                       std::int32_t codes) {
    for (std::int32_t code = 1; code < codes; ++code) {
        if (word(code) == text) return code;
    }
    return 0;
}

// Settings that change anything are recorded first; false (told) when that
// fails, and the port keeps its settings.
bool ApprovePortChange(Station& station, const PortSettings& wanted) {
    const InterfaceTexts was = TextsFromSettings(station.settings.port);
    const InterfaceTexts now = TextsFromSettings(wanted);
    std::string change;
    const struct {
        const char* name;
        const std::string InterfaceTexts::*text;
    } fields[] = {{"port", &InterfaceTexts::port},
                  {"baud rate", &InterfaceTexts::baudRate},
                  {"data bits", &InterfaceTexts::dataBits},
                  {"parity", &InterfaceTexts::parity},
                  {"stop bits", &InterfaceTexts::stopBits},
                  {"flow control", &InterfaceTexts::flowControl}};
    for (const auto& field : fields) {
        if (was.*field.text == now.*field.text) continue;
        change += (change.empty() ? "" : "; ") + std::string(field.name) + ": " + was.*field.text +
                  " -> " + now.*field.text;
    }
    return change.empty() || ApproveChange(station, kAuditPortSettings, change);
}

}  // namespace

InterfaceTexts TextsFromSettings(const PortSettings& settings) {
    InterfaceTexts texts;
    texts.port = settings.portName;
    texts.baudRate = FormatInt(settings.baudRate);
    texts.dataBits = FormatInt(settings.dataBits);
    // The settings file writes the same words for the codes.
    texts.parity = ParityText(settings.parityCode);
    texts.stopBits = StopBitsText(settings.stopBitsCode);
    texts.flowControl = FlowControlText(settings.flowControlCode);
    return texts;
}

PortSettings SettingsFromTexts(const InterfaceTexts& texts) {
    PortSettings settings;
    settings.portName = texts.port;
    settings.baudRate = Atol(texts.baudRate);
    settings.dataBits = Atol(texts.dataBits);
    settings.parityCode = ExactCode(texts.parity, ParityText, 5);
    settings.stopBitsCode = ExactCode(texts.stopBits, StopBitsText, 3);
    settings.flowControlCode = ExactCode(texts.flowControl, FlowControlText, 3);
    return settings;
}

int ChoiceIndexFor(const std::vector<std::string>& choices, std::string_view text) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (std::string_view(choices[i]).starts_with(text)) return static_cast<int>(i);
    }
    return -1;
}

void InterfaceSettingsCommand(Station& station, const InterfaceDialogRunner& runDialog) {
    if (!MayRun(station, EngineerCommand::InterfaceSettings)) return;
    MainView& view = station.View();
    view.TakeFieldValues();
    // No cycle may start while the port is closed, and continuous mode would
    // poll a port being set up: it goes off, and the operator is told so,
    // to switch it on again once the port is as wanted.
    StopWindowTimers(view);
    if (station.run.continuousMode) StopContinuous(station, kContinuousSettingsMessage);

    // A port that would not close keeps running as it was; nothing to set.
    // The traffic and lost callbacks belong to the SerialPort object and stay
    // registered across the close and the open: nothing to connect again.
    if (station.reader.port.CloseWithReport(view)) {
        station.reader.port.portOpen = false;
        const std::optional<InterfaceTexts> chosen =
            runDialog(TextsFromSettings(station.settings.port));
        if (chosen) {
            const PortSettings wanted = SettingsFromTexts(*chosen);
            if (ApprovePortChange(station, wanted)) station.settings.port = wanted;
        }
        station.reader.port.OpenWithReport(station.settings.port, view);
    }

    StartWindowTimers(view);
    view.ShowFieldValues();
}

}  // namespace tagwright
