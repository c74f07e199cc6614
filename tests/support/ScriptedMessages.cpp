#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace tagwright::test {

ScriptedMessages::~ScriptedMessages() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted message answer(s) never used";
}

MsgAnswer ScriptedMessages::Show(const MessageRequest& request) {
    shown_.push_back(request);
    if (answers_.empty()) return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    MsgAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> t;
    for (const auto& m : shown_) t.push_back(m.text);
    return t;
}

}  // namespace tagwright::test
