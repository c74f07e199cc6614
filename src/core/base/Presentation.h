#pragma once
// Types shared by every window's presentation model: colours, the state of one
// control, and message boxes. The core decides all of it; the GUI only renders.

#include <cstdint>
#include <string>

namespace tagwright {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

namespace colour {
inline constexpr Rgb White{255, 255, 255};
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Green{0, 255, 0};
inline constexpr Rgb DisabledBackground{240, 240, 240};
inline constexpr Rgb DisabledText{109, 109, 109};
inline constexpr Rgb CarrierIdGreen{0, 255, 0x99};
}  // namespace colour

// What a window shows of one control besides its text.
struct ControlState {
    Rgb background = colour::White;
    Rgb foreground = colour::Black;
    bool enabled = true;
    bool visible = true;
    bool bold = false;
    // Image buttons and select boxes: the "set" / "chosen" image is shown.
    // Kept apart from the flag behind it, which can differ for a while.
    bool imageOn = false;
};

enum class MsgIcon { None, Error, Question, Warning, Information };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// A modal message box. Texts are 8-bit (Windows-1252) as the system stores
// them; the GUI converts for display. An empty caption means the application's
// name.
struct MessageRequest {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

// Every window's view can show a message box and wait for the answer.
class MessageView {
public:
    virtual ~MessageView() = default;
    virtual MsgAnswer ShowMessage(const MessageRequest& request) = 0;
};

}  // namespace tagwright
