#pragma once
// Proof that a programming write landed: every page written is read back and
// compared, every lock is tried with a write that a locked page refuses. The
// checks run inside the write and lock steps when the current set asks for
// them, so a failed check fails its step like a refused write or lock.

#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

class Station;

// The step names the production journal keeps for a failed check.
inline constexpr char kVerifyFailedStep[] = "verify failed";
inline constexpr char kLockNotProvenStep[] = "lock not proven";

struct WrittenPage {
    int page = 0;
    std::string digits;  // the 16 hexadecimal digits as sent
};

// What the checks of the last write and lock steps found.
struct WriteCheckState {
    std::vector<WrittenPage> written;  // pages the last write step had acknowledged
    std::string failedStep;            // empty, kVerifyFailedStep or kLockNotProvenStep
    std::string readerReply;           // the reply at the failed check, as judged
    // The last lock step locked every page it meant to, and its checks (when
    // on) found no fault: the transponder is programmed.
    bool locksDone = false;

    void Reset();
};

// Pages compare equal when their digits do, in either letter case.
bool SameDigits(std::string_view written, std::string_view read);

// "written 0011... / read ..." message of a page that did not read back as written.
std::string VerifyFailureMessage(int page, std::string_view written, std::string_view read);
std::string LockNotProvenMessage(int page, std::string_view reply);

// With the port's busy flag held and the Reader's timing synchronised: reads
// back every page in checks.written. The first that differs or cannot be read
// turns red, the operator is told, FailureCount rises; false then.
bool VerifyWrittenPages(Station& station);
// Writes each page just locked again with its own digits; a locked page
// refuses, and a read right after must give its digits (the tag is still
// there). The first that takes the write, gives no answer or "No Read", or
// does not read back, turns red and is told; false then.
bool ProveLocks(Station& station, const std::vector<int>& lockedPages);

}  // namespace tagwright
