#pragma once
// The main window's layout as data: one entry per control with its id, kind,
// place in dialog units and label. The window builds every control from this
// table and converts every place with DluRect.

#include <string>
#include <vector>

#include <QRect>

#include "core/app/MainControls.h"

namespace tagwright::gui {

// Controls that carry no state of the core's: fixed labels, frames, the logo
// and the hidden command buttons. They continue the core's numbering so that
// one id covers every control.
enum class StaticControl : int {
    LabelAll = static_cast<int>(MainControl::Count),
    LabelHex,
    LabelAscii,
    LabelConfig,
    LabelManual,
    PageLabel1,
    PageLabel17 = PageLabel1 + 16,
    RowLabel1,
    RowLabel17 = RowLabel1 + 16,
    ConfigGroup,
    ManualGroup,
    TerminalGroup,
    TerminalLabel,
    Logo,
    NextDataSet,
    CurrentDataSetProcessed,
    LastCarrierId,
    End
};

inline constexpr int kLayoutIdCount = static_cast<int>(StaticControl::End);

constexpr int LayoutId(MainControl c) { return static_cast<int>(c); }
constexpr int LayoutId(StaticControl c) { return static_cast<int>(c); }

enum class LayoutKind {
    PageField,      // Enter-reporting page field (numbered 1..17)
    NumberField,    // next, max, manual carrier ID fields, UID (numbered 18..21)
    CommandField,   // the terminal's command line (plain Enter-reporting field)
    TrafficField,   // the terminal's multi-line traffic field
    SelectBox,      // picture button: set / clear
    ChoiceButton,   // picture button: chosen / not chosen
    Label,          // white on black
    BorderedLabel,  // white on black with a frame
    PushButton,
    HiddenButton,  // a command button that is never shown
    Spin,          // up and down arrows beside a field
    GroupBox,
    Picture,  // place only; the size is the picture's own
};

struct LayoutEntry {
    int id = 0;
    LayoutKind kind = LayoutKind::Label;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    std::string text;                         // label or caption
    int fieldNumber = 0;  // Enter-reporting fields: which notifications they send
    bool inTerminalPane = false;
};

// Every control of the main window, in creation order (frames first, so that
// the controls inside them lie on top).
const std::vector<LayoutEntry>& MainLayout();

// The entry of one control; null for the menu items, which have no place.
const LayoutEntry* FindLayout(int id);

// The entry's place in pixels of the window's client area.
QRect PixelRect(const LayoutEntry& entry);

}  // namespace tagwright::gui
