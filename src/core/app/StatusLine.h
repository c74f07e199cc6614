#pragma once
// The status line under the main window: the Reader port, the current set
// and where its carrier IDs come from, the count of tags programmed, and the
// last cycle's result, each in a few words of the station's own.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "core/base/Presentation.h"

namespace tagwright {

class Station;

// How the last cycle went, judged from what it told the operator.
struct CycleOutcome {
    bool ran = false;         // false before the first cycle
    bool programmed = false;  // a transponder was programmed
    bool pagesHandled = false;  // the cycle got as far as writing pages
    bool uidRead = false;
    std::string phrase;       // one short phrase for the status line
};

// firstMessage: the first message the cycle showed ("" for none).
// listUsedUp: the set's carrier ID list has no open entry left, which the
// list's message does not tell apart from a bad entry.
CycleOutcome JudgeCycle(const std::string& firstMessage, int failureCount, bool recordFileFailed,
                        bool readsUid, bool listUsedUp = false);

// The set takes its carrier IDs from a list that has no open entry left.
bool ListUsedUp(const Station& station);

// Tags programmed in this run of the station, in all and per work order.
class ProgrammedTally {
public:
    void Count(const std::string& workOrder);
    int Session() const { return session_; }
    int InWorkOrder(const std::string& workOrder) const;

private:
    int session_ = 0;
    std::map<std::string, int> perWorkOrder_;
};

struct StatusLineText {
    std::string port;
    std::string set;
    std::string count;
    std::string result;
    Rgb resultColour = colour::Black;
    std::string recordFile;  // the record file's path, "" when none is written
};

// portState: "open", "lost", "reopening" or "closed", as the window knows it.
StatusLineText DescribeStatus(const Station& station, const std::string& portState,
                              const ProgrammedTally& tally, const CycleOutcome& last);

// What a cycle does now, from the Reader command it logged last ("writing
// page 7 of 17", "reading the UID"); "" for a line that is no command.
std::string CycleProgress(std::string_view newestTrafficLine);

// The record file the next row goes to: the set's own file or the station's
// fallback, in the record directory when the name has no directory of its own.
std::string RecordFilePath(const Station& station);

// After a cycle that stopped before it wrote: the page fields lose their
// green or red (white again, or grey where they cannot be edited), since none
// of them holds what is on the tag now, and the UID field is emptied when no
// UID was read.
void ShowEarlyStop(Station& station, const CycleOutcome& outcome);

}  // namespace tagwright
