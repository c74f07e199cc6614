#pragma once
// Interface > Settings: the port is closed, the operator edits its settings as
// six texts in the "Interface Settings" dialog, and the port is opened again.
// The dialog itself is the GUI's; everything it decides lives here.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reader/PortSettings.h"

namespace tagwright {

class Station;

// The dialog's data: one text per combo box, as the operator sees and types it.
struct InterfaceTexts {
    std::string port;
    std::string baudRate;
    std::string dataBits;
    std::string parity;
    std::string stopBits;
    std::string flowControl;
    friend bool operator==(const InterfaceTexts&, const InterfaceTexts&) = default;
};

// The fixed lists of the combo boxes, in the order they are shown.
inline constexpr std::array<std::string_view, 15> kBaudRateChoices{
    "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",  "14400",
    "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 5> kDataBitsChoices{"4", "5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> kParityChoices{"None", "Odd", "Even", "Mark",
                                                                "Space"};
inline constexpr std::array<std::string_view, 3> kStopBitsChoices{"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 3> kFlowControlChoices{"No", "Xon / Xoff",
                                                                     "Hardware"};

// The texts shown for the settings' codes.
InterfaceTexts TextsFromSettings(const PortSettings& settings);
// The codes taken from the texts: words compare exactly (case-sensitive),
// numbers are read as the C library's atol reads them, the port name is
// taken as typed.
PortSettings SettingsFromTexts(const InterfaceTexts& texts);

// Which entry of a combo box's list a text selects when the dialog opens:
// the first one beginning with the text; -1 when none does, and the text then
// goes into the box's edit part as it is.
int ChoiceIndexFor(const std::vector<std::string>& choices, std::string_view text);

// Shows the dialog modally with the given texts; the texts of its edit parts
// on OK, nothing on Cancel.
using InterfaceDialogRunner =
    std::function<std::optional<InterfaceTexts>(const InterfaceTexts& texts)>;

// The menu command. The dialog runs only when the port could be closed; in
// every case the timers are running again afterwards.
void InterfaceSettingsCommand(Station& station, const InterfaceDialogRunner& runDialog);

}  // namespace tagwright
