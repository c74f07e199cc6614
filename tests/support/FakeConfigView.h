#pragma once
// The Config dialog's view for core tests: what the operator typed is
// already in the model when an entry point runs; file dialogs and the
// Pages 3-17 dialog are answered as the test says, message boxes recorded
// and answered from a script.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/config/ConfigDialogModel.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {

class FakeConfigView : public ConfigDialogView {
public:
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void UpdateControl(ConfigControl) override {}
    void RebuildNameChoices() override {}
    void SetFocus(ConfigControl, bool) override {}
    std::optional<std::string> AskFileName(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return fileAnswer;
    }
    bool RunPages317(Pages317Data& data) override { return pages317 && pages317(data); }
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }
    std::vector<FileDialogRequest> fileRequests;
    std::optional<std::string> fileAnswer;
    std::function<bool(Pages317Data&)> pages317;
    ScriptedMessages messages;
};

}  // namespace tagwright::test
