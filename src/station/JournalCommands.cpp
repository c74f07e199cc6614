#include "station/JournalCommands.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/app/CycleJournal.h"
#include "core/app/Station.h"
#include "core/production/RecordFile.h"
#include "station/ConsoleView.h"
#include "station/ExitCodes.h"
#include "station/Output.h"
#include "station/StationRun.h"

namespace tagwright::station {

namespace {

// The journal's rows, or the exit code (told) why there are none.
struct LoadedRows {
    int code = kSuccess;
    std::vector<JournalRow> rows;
};

LoadedRows LoadRows(const Options& options, const std::string& since) {
    LoadedRows loaded;
    ConsoleView view;
    SystemClock clock;
    Station station(view, clock);
    Journal* journal = OpenStationJournal(station, options, &loaded.code);
    if (journal == nullptr) return loaded;
    JournalRows rows = journal->Rows(since);
    if (!rows.ok) {
        PrintMessage(rows.message);
        loaded.code = kJournalError;
        return loaded;
    }
    loaded.rows = std::move(rows.rows);
    return loaded;
}

// A carrier ID taken by more than one row.
void FindTwice(const std::vector<JournalRow>& rows, std::vector<std::string>& faults) {
    std::map<std::string, std::vector<JournalCycleId>> taken;
    for (const JournalRow& r : rows) {
        if (!r.carrierId.empty() && r.outcome != "failed") taken[r.carrierId].push_back(r.cycle);
    }
    for (const auto& [id, cycles] : taken) {
        if (cycles.size() < 2) continue;
        std::string text = "carrier ID " + Cp1252ToUtf8(id) + " is taken by cycles";
        for (JournalCycleId c : cycles) text += " " + std::to_string(c);
        faults.push_back(text);
    }
}

// A burned or reserved carrier ID in a row of a record file the journal names.
void FindBurnedInRecords(const std::vector<JournalRow>& rows, std::vector<std::string>& faults) {
    std::map<std::string, const JournalRow*> burned;
    std::set<std::string> files;
    for (const JournalRow& r : rows) {
        if (!r.carrierId.empty() && (r.outcome == "burned" || r.outcome == "reserved")) {
            burned.emplace(r.carrierId, &r);
        }
        if (!r.recordFile.empty()) files.insert(r.recordFile);
    }
    for (const std::string& file : files) {
        const RecordedRows recorded = ReadRecordRows(file);
        if (!recorded.ok) {
            faults.push_back(Cp1252ToUtf8(recorded.error));
            continue;
        }
        for (const RecordedTransponder& t : recorded.rows) {
            const auto it = burned.find(t.carrierId);
            if (it == burned.end()) continue;
            faults.push_back("carrier ID " + Cp1252ToUtf8(t.carrierId) + " is " +
                             it->second->outcome + " (cycle " +
                             std::to_string(it->second->cycle) + ") but row " +
                             std::to_string(t.row) + " of " + Cp1252ToUtf8(file) + " holds it");
        }
    }
}

}  // namespace

Journal* OpenStationJournal(Station& station, const Options& options, int* exitCode) {
    if (!LoadStation(station, options, exitCode)) return nullptr;
    Journal* journal = CycleJournal(station);
    if (journal == nullptr) *exitCode = kJournalError;
    return journal;
}

int RunJournalExport(const Options& options) {
    const LoadedRows loaded = LoadRows(options, options.since);
    if (loaded.code != kSuccess) return loaded.code;
    Printer out(stdout);
    if (options.csv) out.Line(JournalCsvHeader());
    for (const JournalRow& row : loaded.rows) {
        out.Line(options.csv ? JournalCsvLine(row) : JournalJsonLine(row));
    }
    return kSuccess;
}

int RunJournalCheck(const Options& options) {
    const LoadedRows loaded = LoadRows(options, "");
    if (loaded.code != kSuccess) return loaded.code;
    std::vector<std::string> faults;
    FindTwice(loaded.rows, faults);
    FindBurnedInRecords(loaded.rows, faults);
    Printer out(stdout);
    for (const std::string& fault : faults) out.Line(fault);
    out.Line("journal check: " + std::to_string(loaded.rows.size()) + " rows, " +
             (faults.empty() ? std::string("no fault") : std::to_string(faults.size()) + " faults"));
    return faults.empty() ? kSuccess : kCheckFailed;
}

}  // namespace tagwright::station
