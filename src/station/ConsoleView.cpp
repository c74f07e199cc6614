#include "station/ConsoleView.h"

#include <cstdint>
#include <cstdio>

namespace tagwright::station {

void PrintMessage(std::string_view text) {
    const std::string utf8 = Cp1252ToUtf8(text);
    std::size_t start = 0;
    while (start <= utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string::npos) end = utf8.size();
        std::string_view line(utf8.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::fprintf(stderr, "tagwright-station: %.*s\n", static_cast<int>(line.size()),
                     line.data());
        start = end + 1;
    }
    std::fflush(stderr);
}

MsgAnswer ConsoleView::ShowMessage(const MessageRequest& request) {
    PrintMessage(request.text);
    if (request.buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    const MsgAnswer answer = answerYes_ ? MsgAnswer::Yes : MsgAnswer::No;
    PrintMessage(answer == MsgAnswer::Yes ? "Answered: Yes" : "Answered: No");
    return answer;
}

}  // namespace tagwright::station
