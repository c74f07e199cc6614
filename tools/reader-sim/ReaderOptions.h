#pragma once
// What the virtual Reader holds and how it misbehaves on purpose: the
// transponder, the timing number, the line end, and the faults a test or a
// training session switches on.

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tagwright::sim {

inline constexpr int kPages = 17;

struct Transponder {
    std::array<std::array<std::uint8_t, 8>, kPages> pages{};  // index 0 is page 1
    std::array<bool, kPages> locked{};
    std::string uid = "1A2B3C4D";
};

// Replies that break the line rules, for hardening the station.
enum class BadReply {
    None,
    NulInside,     // a NUL byte in the middle of every reply
    OverLongLine,  // every reply comes after kJunkBytes hexadecimal digits without CR
    ShortPage,     // page reads answer 14 digits instead of 16
};

inline constexpr std::size_t kJunkBytes = 10000;

// Each set is indexed by page - 1.
struct Faults {
    std::bitset<kPages> dropWrite;  // "ACK" to a write, and the page keeps its old bytes
    std::bitset<kPages> flipWrite;  // "ACK" to a write, stored with its lowest bit flipped
    std::bitset<kPages> fakeLock;   // "ACK" to a lock, and the page stays unlocked
    // The next failNext replies fail: the Reader's failure reply ("No Read"
    // to RD and RUID, "NAK" to WD and LD, "ERR" to anything else), or none
    // at all with failSilently. A failed command changes nothing.
    std::size_t failNext = 0;
    bool failSilently = false;
    int removeAfterPage = 0;  // the tag leaves once this page is written (0: never)
    int leaveAfterLock = 0;   // the tag leaves once this page is locked (0: never)
    BadReply badReply = BadReply::None;
};

// Tags laid on the antenna one after another. Each stays for stayCommands
// commands (or stayTime when that is 0), then the antenna is empty for
// gapCommands commands (or gapTime); after the last tag it stays empty.
// The clock and the counts are looked at as each command comes in.
struct TagSequence {
    std::vector<Transponder> tags;  // each keeps its own pages
    std::size_t stayCommands = 0;
    std::chrono::milliseconds stayTime{0};
    std::size_t gapCommands = 0;
    std::chrono::milliseconds gapTime{0};
};

struct Options {
    bool present = true;           // a transponder lies on the antenna
    Transponder transponder{};     // the one on the antenna (the sequence's current one)
    int torValue = 10;             // the number "TOR" answers
    std::chrono::milliseconds replyDelay{0};
    std::string lineEnd = "\r";    // "\r\n" for a Reader that sends CR LF
    // How a write to a locked page is refused: "NAK", or an error line of
    // the Reader's own such as "#09 locked".
    std::string lockedWriteReply = "NAK";
    // What a write or lock gets with no tag on the antenna ("No Read" for a
    // Reader that says so).
    std::string noTagReply = "NAK";
    std::string stateFile;         // when set, the transponder is saved there after each change
    Faults faults{};
    TagSequence sequence{};        // when it holds tags, they replace transponder and present
};

}  // namespace tagwright::sim
