#pragma once
// Continuous mode: each tick of the continuous timer looks for a transponder
// on the antenna and programs each new one with one cycle, exactly as "  One"
// would. A transponder that stays is not programmed again; the station waits
// until it is gone. Anything that would let the line run on without a
// programmed carrier switches the mode off and says why. Window thread only.

#include <string>

namespace tagwright {

class Station;

inline constexpr char kContinuousFailedMessage[] =
    "Continuous mode is off: the last transponder was not programmed.";
inline constexpr char kContinuousMaximumMessage[] =
    "Continuous mode is off: the maximum carrier ID is reached.";
inline constexpr char kContinuousListMessage[] =
    "Continuous mode is off: the list file holds no open carrier ID.";
inline constexpr char kContinuousPortMessage[] =
    "Continuous mode is off: the Reader port is not open or was lost.";
inline constexpr char kContinuousRecordMessage[] =
    "Continuous mode is off: the record file cannot be written.";
inline constexpr char kContinuousJournalMessage[] =
    "Continuous mode is off: the production journal cannot be written.";
inline constexpr char kContinuousCounterMessage[] =
    "Continuous mode is off: the counter cannot be saved in the set file.";
inline constexpr char kContinuousSettingsMessage[] =
    "Continuous mode is off: the Reader port is being set up. Switch it on again when the "
    "port is ready.";
// The status field's text while the mode is on.
inline constexpr char kWaitingForTagText[] = "Waiting for a transponder";
inline constexpr char kWaitingForRemovalText[] = "Programmed: remove the transponder";

// What the last look saw.
struct ContinuousWatch {
    bool tagThere = false;
    std::string uid;       // type Norvik: the UID seen
    bool running = false;  // a look or its cycle is under way
    int looksShown = 0;    // looks on top of the traffic text since it was cleared
    std::string status;    // kWaitingFor... while the mode is on, else empty
};

// One tick of the continuous timer.
void ContinuousTick(Station& station);
// Switches the mode off, as "Cont Off" does, and tells why.
void StopContinuous(Station& station, const char* why);

}  // namespace tagwright
