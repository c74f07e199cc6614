#pragma once
// Records every message box a core operation shows and answers them from a
// script. A test that scripts answers must see each one used: the destructor
// fails the test when answers are left over.

#include <deque>
#include <string>
#include <vector>

#include "core/base/Presentation.h"

namespace tagwright::test {

class ScriptedMessages {
public:
    ~ScriptedMessages();

    // The next message box gets this answer (Ok for an unscripted one).
    void Answer(MsgAnswer answer) { answers_.push_back(answer); }

    MsgAnswer Show(const MessageRequest& request);

    const std::vector<MessageRequest>& Shown() const { return shown_; }
    std::vector<std::string> Texts() const;
    void Clear() { shown_.clear(); }

private:
    std::deque<MsgAnswer> answers_;
    std::vector<MessageRequest> shown_;
};

// A MessageView that only records and answers.
class RecordingMessageView : public MessageView {
public:
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }
    ScriptedMessages messages;
};

}  // namespace tagwright::test
