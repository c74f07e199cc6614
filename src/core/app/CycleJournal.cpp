#include "core/app/CycleJournal.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/app/CarrierIdCommands.h"
#include "core/app/Station.h"
#include "core/base/CText.h"
#include "core/base/DataPaths.h"
#include "core/config/SetStore.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/JournalOpen.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// So many skipped IDs are named one by one; the rest are counted.
constexpr std::size_t kSkipsNamed = 5;

std::string StopText(const std::string& why) {
    return why +
           "\r\nThe run is stopped: no transponder is programmed without its row in the "
           "production journal.";
}

// A journal that failed to read or write is dropped, so that the next cycle
// opens it again (and sets a damaged one aside).
void StopForJournal(Station& station, const std::string& why) {
    station.journal.journal.reset();
    station.window.Tell(StopText(why));
}

}  // namespace

Journal* StationJournal(Station& station) {
    JournalState& state = station.journal;
    const fs::path directory = RecordDirectory(station);
    const JournalChoice& choice = station.settings.journal;
    // A shared journal does not move with the record file.
    const bool same = choice == state.choice && (choice.Shared() || directory == state.directory);
    if (state.journal && same) return state.journal.get();
    state.journal.reset();
    state.directory = directory;
    state.choice = choice;
    JournalOpenResult opened = OpenJournal(choice, directory);
    state.journal = std::move(opened.journal);
    state.error = std::move(opened.error);
    if (!opened.notice.empty()) station.window.Tell(opened.notice);
    return state.journal.get();
}

namespace {

// The carrier ID the set's bytes hold for the journal: "" for fix data.
std::string ReservedText(const Station& station, bool counted) {
    return station.currentSet.useCsvFile || counted ? ComposedCarrierId(station.currentSet)
                                                    : std::string();
}

// The IDs skipped in one cycle, told together at the next message tick.
// IDs that another station of a shared journal took are skipped quietly:
// stations sharing a counter range meet them all day, and only IDs this
// station used before (a counter typed back, a restored set) are news.
class SkipNote {
public:
    void Add(std::string why, bool quiet) {
        ++skipped_;
        if (quiet) return;
        if (lines_.size() < kSkipsNamed) lines_.push_back(std::move(why));
        ++count_;
    }
    bool Empty() const { return skipped_ == 0; }
    void Leave(Station& station, bool list) const {
        if (count_ == 0) return;
        std::string text = "Skipped, as the production journal holds them as used:";
        for (const std::string& line : lines_) text += "\r\n" + line;
        if (count_ > lines_.size()) {
            text += "\r\n... and " + FormatU64(count_ - lines_.size()) + " more.";
        }
        text += list ? "\r\nTheir entries in the carrier ID list file are marked as done."
                     : "\r\nThe counter has moved past them.";
        station.run.LeaveMessage(std::move(text));
    }

private:
    std::vector<std::string> lines_;
    std::size_t count_ = 0;    // told
    std::size_t skipped_ = 0;  // told or not
};

// The next entry after a used one: marked done, the next taken. False (told)
// when the list cannot go on.
bool SkipListEntry(Station& station, const std::string& id) {
    std::string error;
    const fs::path list(station.currentSet.csvFileName);
    const CsvMarkResult marked = MarkEntryInFile(list, id, &error);
    if (marked != CsvMarkResult::Marked) {
        station.window.Tell("The carrier ID " + id +
                            " of the list file is used already, and its entry cannot be marked "
                            "as done" + (error.empty() ? std::string(".") : ": " + error) +
                            "\r\nMark it as done in the list file, then press One again.");
        return false;
    }
    NextDataSetStep(station);
    if (station.FailureCount == 0) return true;
    station.window.Tell(kMaximumReachedMessage);
    return false;
}

// The counter's next ID, taken in the journal: the station's own next value,
// or the one a shared journal's counter has reached. The station follows the
// ID it got: "next", the set's bytes and counterValue.
ReserveResult DrawCounterId(Station& station, Journal& journal, const JournalContext& context,
                            std::uint64_t& counterValue) {
    const ParameterSet& set = station.currentSet;
    const CounterDraw draw{counterValue, CounterCeiling(set, station.settings.carrierIdMax),
                           static_cast<int>(SpanOf(set).length)};
    ReserveResult reserved = journal.ReserveFromCounter(context, draw);
    if (reserved.status == JournalStatus::Ok || reserved.status == JournalStatus::AlreadyUsed) {
        counterValue = ParseU64(reserved.carrierId);
        station.carrierId.current = FormatU64(counterValue);
        station.carrierId.nextText = station.carrierId.current;
        ComposeDataSet(station);
    }
    return reserved;
}

}  // namespace

fs::path RecordDirectory(const Station& station) {
    const std::string& name = station.currentSet.logFileName;
    if (name.empty()) {
        const fs::path directory = StationRecordDirectory(station.setDirectory);
        return directory.empty() ? fs::path(".") : directory;
    }
    const fs::path parent = fs::path(name).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

Journal* CycleJournal(Station& station) {
    Journal* journal = StationJournal(station);
    if (journal == nullptr) station.window.Tell(StopText(station.journal.error));
    return journal;
}

JournalContext CycleContext(const Station& station) {
    const ParameterSet& set = station.currentSet;
    return {station.settings.currentSetName, set.workOrderNumber, set.partNumber,
            set.operatorBadgeId};
}

bool WriteCounterKey(Station& station) {
    std::string error;
    const std::string& name = station.settings.currentSetName;
    if (WriteSetCarrierId(station.setDirectory, name, station.carrierId.current, &error)) {
        station.journal.counterKeyPending = false;
        return true;
    }
    station.journal.counterKeyPending = true;
    station.window.Tell("The counter (next Carrier ID " + station.carrierId.current +
                        ") cannot be saved in the set \"" + name + "\": " + error +
                        "\r\nThe run is stopped: after a restart the counter would start "
                        "from an older value. Press One again once the set file can be "
                        "written.");
    return false;
}

bool CounterKeySettled(Station& station) {
    return !station.journal.counterKeyPending || WriteCounterKey(station);
}

std::optional<JournalCycleId> ReserveCarrierId(Station& station, Journal& journal,
                                               std::optional<std::uint64_t>& counterValue) {
    const bool list = station.currentSet.useCsvFile;
    const JournalContext context = CycleContext(station);
    SkipNote skipped;
    // A counter of no digits writes no ID: its cycles reserve none, as fix data.
    const bool draw = counterValue && SpanOf(station.currentSet).length > 0;
    for (;;) {
        const std::string id = ReservedText(station, false);  // a list entry or fix data
        ReserveResult reserved = draw ? DrawCounterId(station, journal, context, *counterValue)
                                      : journal.Reserve(context, id);
        if (reserved.status == JournalStatus::Error) {
            skipped.Leave(station, list);
            StopForJournal(station, reserved.message);
            return std::nullopt;
        }
        if (reserved.status == JournalStatus::MaximumReached) {
            skipped.Leave(station, list);
            station.window.Tell(kMaximumReachedMessage);
            if (!skipped.Empty()) WriteCounterKey(station);
            return std::nullopt;
        }
        if (reserved.status == JournalStatus::Ok) {
            skipped.Leave(station, list);
            // The counter moved: a restart starts past the skipped IDs.
            if (!skipped.Empty() && counterValue && !WriteCounterKey(station)) {
                CycleDetails details;
                details.failedStep = "save counter";
                journal.Fail(reserved.cycle, details);
                return std::nullopt;
            }
            return reserved.cycle;
        }
        skipped.Add(std::move(reserved.message), reserved.otherStation);
        bool more = false;
        if (list) {
            more = SkipListEntry(station, id);
        } else if (counterValue) {
            AdvanceCounter(station, *counterValue);
            counterValue = PrepareCounterDataSet(station);
            more = counterValue.has_value();
            if (!more) WriteCounterKey(station);
        }
        if (!more) {
            skipped.Leave(station, list);
            return std::nullopt;
        }
    }
}

void RecordUidFailure(Station& station, Journal& journal) {
    CycleDetails details;
    details.failedStep = "read UID";
    details.readerReply = station.uidText;
    const std::string id = ReservedText(station, station.currentSet.useDecimalCounter);
    const JournalResult recorded = journal.RecordFailure(CycleContext(station), id, details);
    if (!recorded.ok) StopForJournal(station, recorded.message);
}

bool UidMayBeProgrammed(Station& station, Journal& journal) {
    const UidLookup lookup = journal.FindProgrammedUid(station.uidText);
    if (!lookup.ok) {
        StopForJournal(station, lookup.message);
        return false;
    }
    if (!lookup.found) return true;
    MessageRequest question;
    question.text = "The transponder with UID " + station.uidText +
                    " has been programmed before: it got the carrier ID " +
                    lookup.found->carrierId + " on " + lookup.found->localTime +
                    ".\r\nProgram it again?";
    question.icon = MsgIcon::Question;
    question.buttons = MsgButtons::YesNo;
    return station.View().ShowMessage(question) == MsgAnswer::Yes;
}

void BurnCarrierId(Station& station, Journal& journal, JournalCycleId cycle,
                   const CycleDetails& details, std::optional<std::uint64_t> counterValue) {
    const std::string id = ReservedText(station, counterValue.has_value());
    const JournalResult failed = journal.Fail(cycle, details);
    if (!failed.ok) StopForJournal(station, failed.message);
    if (station.currentSet.useCsvFile) {
        // Left open, the guard would report it at the next cycle instead.
        MarkEntryInFile(fs::path(station.currentSet.csvFileName), id);
    } else if (counterValue) {
        AdvanceCounter(station, *counterValue);
        WriteCounterKey(station);
    }
    if (!id.empty()) {
        station.run.LeaveMessage("The carrier ID " + id +
                                 " is not used again: the failed cycle may have written it "
                                 "to the transponder.");
    }
}

std::optional<JournalCycleId> ReserveManualCarrierId(Station& station, std::string_view id) {
    const std::string notWritten = "\r\nThe carrier ID is not written.";
    Journal* journal = StationJournal(station);
    if (journal == nullptr) {
        station.window.Tell(station.journal.error + notWritten +
                            " No carrier ID is written without its row in the production "
                            "journal.");
        return std::nullopt;
    }
    JournalContext context = CycleContext(station);
    context.origin = kManualOrigin;
    ReserveResult reserved = journal->Reserve(context, id);
    if (reserved.status == JournalStatus::Ok) return reserved.cycle;
    // Used before: a second carrier with the same ID is what the journal is
    // there to prevent, by hand as much as by the cycle.
    // A journal that failed is opened again next time.
    if (reserved.status == JournalStatus::Error) station.journal.journal.reset();
    station.window.Tell(reserved.message + notWritten);
    return std::nullopt;
}

void FinishManualCarrierId(Station& station, JournalCycleId cycle, bool written,
                           const CycleDetails& details) {
    Journal* journal = station.journal.journal.get();
    if (journal == nullptr) return;
    const JournalResult finished =
        written ? journal->Confirm(cycle, details) : journal->Fail(cycle, details);
    if (finished.ok) return;
    station.journal.journal.reset();
    station.window.Tell(finished.message + "\r\nThe production journal does not show how the "
                        "carrier ID write ended; its ID stays taken.");
}

void LastCarrierId(Station& station) {
    RunCommand(station.View(), [&] {
        Journal* journal = StationJournal(station);
        if (journal == nullptr) {
            station.window.Tell(station.journal.error);
            return;
        }
        const std::string& name = station.settings.currentSetName;
        const HighestCarrierId highest = journal->HighestCarrierIdOfSet(name);
        if (!highest.ok) {
            StopForJournal(station, highest.message);
            return;
        }
        const std::string id = highest.carrierId.value_or("");
        if (!AllDigits(id)) {
            station.window.Tell(
                (id.empty() ? "The production journal holds no carrier ID of the set \"" + name +
                                  "\""
                            : "The highest carrier ID of the set \"" + name + "\" (" + id +
                                  ") is not a number") +
                ", so \"next\" stays as it is.");
            return;
        }
        MoveCounterByHand(station, FormatU64(ParseU64(id) + 1));
    });
}

}  // namespace tagwright
