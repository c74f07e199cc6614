#pragma once
// The main window's controls, as the core names them when it colours,
// enables, shows or focuses one.

#include <cstddef>

namespace tagwright {

enum class MainControl : int {
    // Page fields and select boxes: Page1 + (p - 1), Select1 + (p - 1).
    Page1 = 0,
    Page17 = Page1 + 16,
    Select1,
    Select17 = Select1 + 16,
    SelectAll,
    HexButton,
    AsciiButton,
    ConfigButton,
    ManualButton,
    StatusField,
    CarrierIdLabel,
    NextField,
    NextSpin,
    NextLabel,
    MaxField,
    MaxSpin,
    MaxLabel,
    One,
    ContOn,
    Read,
    Write,
    Lock,
    DefaultContent,
    CarrierIdOffsetLabel,
    CarrierIdLengthLabel,
    CarrierIdFieldLabel,
    CarrierIdOffset,
    CarrierIdLength,
    CarrierId,
    ReadCarrierId,
    WriteCarrierId,
    ReadUid,
    Uid,
    TerminalCommand,
    Send,
    Traffic,
    MenuExit,
    MenuInfo,
    MenuConfig,
    Count
};

inline constexpr std::size_t kMainControlCount = static_cast<std::size_t>(MainControl::Count);

constexpr MainControl PageField(int page) {
    return static_cast<MainControl>(static_cast<int>(MainControl::Page1) + page - 1);
}
constexpr MainControl SelectBox(int page) {
    return static_cast<MainControl>(static_cast<int>(MainControl::Select1) + page - 1);
}

}  // namespace tagwright
