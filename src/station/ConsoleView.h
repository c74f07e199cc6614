#pragma once
// The main window's view for a program without a window: messages go to
// stderr as UTF-8 lines, questions get the safe answer "No" (or "Yes" when
// the operator said so on the command line), and fields, focus and timers
// are nothing to show: the program's own loop calls the tick entry points.

#include <string>
#include <string_view>

#include "core/app/MainView.h"
#include "core/base/Utf8.h"

namespace tagwright::station {

class ConsoleView final : public MainView {
public:
    explicit ConsoleView(bool answerYes = false) : answerYes_(answerYes) {}

    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void RedrawControl(MainControl) override {}
    void SetFocus(MainControl, bool) override {}
    MsgAnswer ShowMessage(const MessageRequest& request) override;

private:
    bool answerYes_;
};

// Writes one message to stderr, a line per line of its text.
void PrintMessage(std::string_view text);

}  // namespace tagwright::station
