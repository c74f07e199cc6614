#pragma once
// The status line under the main window: the Reader port, the current set
// and where its carrier IDs come from, the count of tags programmed, and the
// last cycle's result, each in a few words of the station's own.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Clock.h"
#include "core/base/Presentation.h"

namespace tagwright {

class Station;

struct CycleReport;

// How the last cycle went, as the status line says it.
struct CycleOutcome {
    bool ran = false;         // false before the first cycle
    bool programmed = false;  // a transponder was programmed
    bool good = false;        // programmed, and the line may go on (shown green)
    bool pagesHandled = false;  // the cycle got as far as writing pages
    bool uidRead = false;
    std::string phrase;       // one short phrase for the status line
};

// Judged from the cycle's report alone. portLost: the port was lost rather
// than never open, for a cycle that found no port.
CycleOutcome JudgeCycle(const CycleReport& report, bool portLost);

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

// What the status line keeps across cycles.
struct StatusLineState {
    CycleOutcome last;
    ProgrammedTally tally;
    std::optional<LocalTime> lastProgrammedAt;  // this run's last programmed tag
};

// After every cycle, whichever front end or mode ran it: the cycle judged
// once, counted when it programmed a tag, and the page fields of a cycle
// that stopped early shown as such (ShowEarlyStop).
void JudgeLastCycle(Station& station);

struct StatusLineText {
    std::string port;
    std::string set;
    std::string count;
    std::string result;
    Rgb resultColour = colour::Black;
    // The record file's path in the messages' code page, "" when none is written.
    std::string recordFile;
    // "Operator mode (locked)" or "Engineer mode"; "" for a station without roles.
    std::string role;
    // The line events: "MQTT connected, 2 events waiting"; "" without MQTT.
    std::string events;
};

// portState: "open", "lost", "reopening" or "closed", as the window knows it.
StatusLineText DescribeStatus(const Station& station, const std::string& portState);

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
