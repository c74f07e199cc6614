#pragma once
// The exit codes of tagwright-station, one per cause, so that a script or a
// PLC cell can act without reading messages. Documented in --help, the
// README and the manual page; never renumber one.

#include "core/app/Station.h"

namespace tagwright::station {

enum ExitCode : int {
    kSuccess = 0,
    kOtherFailure = 1,     // e.g. a UID programmed before, not programmed again
    kBadArguments = 2,
    kNoTransponder = 3,
    kWriteRefused = 4,     // also a failed lock step
    kVerifyFailed = 5,
    kNoCarrierId = 6,      // maximum reached or list used up
    kPortNotOpen = 7,
    kJournalError = 8,
    kRecordFileError = 9,
    kSetFileError = 10,    // the set is refused, or the counter could not be saved in it
    kInterrupted = 11,
    kCheckFailed = 12,     // journal check found faults
};

inline int ExitCodeFor(CycleResult result) {
    switch (result) {
        case CycleResult::Programmed: return kSuccess;
        case CycleResult::NoTransponder: return kNoTransponder;
        case CycleResult::WriteRefused: return kWriteRefused;
        case CycleResult::VerifyFailed: return kVerifyFailed;
        case CycleResult::NoCarrierId: return kNoCarrierId;
        case CycleResult::PortNotOpen: return kPortNotOpen;
        case CycleResult::JournalError: return kJournalError;
        case CycleResult::RecordFileError: return kRecordFileError;
        case CycleResult::CounterNotSaved:
        case CycleResult::SetRefused: return kSetFileError;
        case CycleResult::Interrupted: return kInterrupted;
        case CycleResult::Declined:
        case CycleResult::None: break;
    }
    return kOtherFailure;
}

// The outcome's word in the per-tag output.
inline const char* OutcomeName(CycleResult result) {
    switch (result) {
        case CycleResult::None: return "none";
        case CycleResult::Programmed: return "programmed";
        case CycleResult::NoTransponder: return "no transponder";
        case CycleResult::WriteRefused: return "write refused";
        case CycleResult::VerifyFailed: return "verify failed";
        case CycleResult::NoCarrierId: return "no carrier ID";
        case CycleResult::PortNotOpen: return "port not open";
        case CycleResult::JournalError: return "journal error";
        case CycleResult::RecordFileError: return "record file error";
        case CycleResult::CounterNotSaved: return "set file error";
        case CycleResult::SetRefused: return "set refused";
        case CycleResult::Declined: return "declined";
        case CycleResult::Interrupted: return "interrupted";
    }
    return "none";
}

}  // namespace tagwright::station
