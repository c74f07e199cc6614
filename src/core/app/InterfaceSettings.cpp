#include "core/app/InterfaceSettings.h"

#include "core/base/CText.h"
#include "core/app/Station.h"
#include "core/app/StationSettings.h"

namespace tagwright {

namespace {

std::int32_t ParityCode(std::string_view text) {
    if (text == "Even") return 2;
    if (text == "Mark") return 3;
    if (text == "Odd") return 1;
    if (text == "Space") return 4;
    return 0;
}

std::int32_t StopBitsCode(std::string_view text) {
    if (text == "2") return 2;
    if (text == "1.5") return 1;
    return 0;
}

std::int32_t FlowControlCode(std::string_view text) {
    if (text == "Xon / Xoff") return 1;
    if (text == "Hardware") return 2;
    return 0;
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
    settings.parityCode = ParityCode(texts.parity);
    settings.stopBitsCode = StopBitsCode(texts.stopBits);
    settings.flowControlCode = FlowControlCode(texts.flowControl);
    return settings;
}

int ChoiceIndexFor(const std::vector<std::string>& choices, std::string_view text) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (std::string_view(choices[i]).starts_with(text)) return static_cast<int>(i);
    }
    return -1;
}

void InterfaceSettingsCommand(Station& station, const InterfaceDialogRunner& runDialog) {
    MainView& view = station.View();
    view.TakeFieldValues();
    // No cycle may start while the port is closed.
    StopWindowTimers(view);

    // A port that would not close keeps running as it was; nothing to set.
    // The traffic and lost callbacks belong to the SerialPort object and stay
    // registered across the close and the open: nothing to connect again.
    if (station.reader.port.CloseWithReport(view)) {
        station.reader.port.portOpen = false;
        const std::optional<InterfaceTexts> chosen =
            runDialog(TextsFromSettings(station.settings.port));
        if (chosen) station.settings.port = SettingsFromTexts(*chosen);
        station.reader.port.OpenWithReport(station.settings.port, view);
    }

    StartWindowTimers(view);
    view.ShowFieldValues();
}

}  // namespace tagwright
