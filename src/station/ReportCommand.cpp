#include "station/ReportCommand.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "core/app/CycleJournal.h"
#include "core/app/Station.h"
#include "core/production/ProductionStats.h"
#include "core/production/StatsRange.h"
#include "station/ConsoleView.h"
#include "station/ExitCodes.h"
#include "station/JournalCommands.h"
#include "station/Output.h"

namespace tagwright::station {

namespace {

using nlohmann::json;

// A date alone is its midnight (UTC).
std::string FullTime(const std::string& time) {
    return time.size() == 10 ? time + " 00:00:00" : time;
}

// The query of the options: range, work order, and the progress of that work
// order or else of the set's, with the set's "Quantity" when it is the set's.
StatsQuery QueryOf(const Station& station, const Options& o) {
    StatsQuery q;
    const LocalTime now = station.WallClock().Now();
    if (o.shift) {
        const StatsRange shift = CurrentShiftRange(now, station.settings.shifts.starts);
        q.sinceUtc = shift.sinceUtc;
        q.untilUtc = shift.untilUtc;
    } else {
        q.sinceUtc = FullTime(o.since);
        q.untilUtc = FullTime(o.until);
    }
    q.nowUtc = UtcText(now);
    q.workOrder = o.workOrder;
    const ParameterSet& set = station.currentSet;
    q.progressWorkOrder = o.workOrder.empty() ? set.workOrderNumber : o.workOrder;
    if (q.progressWorkOrder == set.workOrderNumber) q.quantity = std::atoll(set.quantity.c_str());
    return q;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string ProgressText(const WorkOrderProgress& p) {
    std::string text = std::to_string(p.programmed);
    if (p.quantity > 0) {
        text += " of " + std::to_string(p.quantity) + " (" +
                PercentText(double(p.programmed) / double(p.quantity)) + ")";
    } else {
        text += " (quantity not known)";
    }
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f", p.ratePerHour);
    text += ", " + std::string(rate) + " tags/h in the last hour";
    if (p.secondsToFinish) text += ", done in about " + DurationText(*p.secondsToFinish);
    return text;
}

void PrintText(Printer& out, const StatsQuery& q, const ProductionFigures& f) {
    const auto line = [&](const std::string& label, const std::string& value) {
        out.Line(Padded(Cp1252ToUtf8(label) + ":", 22) + Cp1252ToUtf8(value));
    };
    out.Line("Production report, " + (q.sinceUtc.empty() ? "first row" : q.sinceUtc) + " to " +
             (q.untilUtc.empty() ? "last row" : "before " + q.untilUtc) + " (UTC)" +
             (q.workOrder.empty() ? "" : ", work order " + Cp1252ToUtf8(q.workOrder)));
    line("Cycles", std::to_string(f.cycles));
    line("Tags programmed", std::to_string(f.programmed));
    line("First-pass yield", PercentText(f.firstPassYield) + " (" +
                                 std::to_string(f.programmedFirstPass) + " of " +
                                 std::to_string(f.cycles) + " cycles without a retry)");
    line("Final yield", PercentText(f.finalYield) + " (" + std::to_string(f.tagsProgrammed) +
                            " of " + std::to_string(f.tagsAttempted) + " tags)");
    std::int64_t burned = 0;
    std::string byOutcome;
    for (const CountOf& b : f.burnedByOutcome) {
        burned += b.count;
        byOutcome += (byOutcome.empty() ? " (" : ", ") + b.key + " " + std::to_string(b.count);
    }
    line("Burned IDs", std::to_string(burned) + (byOutcome.empty() ? "" : byOutcome + ")"));
    out.Line("Failures by step:");
    for (const CountOf& s : f.failuresByStep) {
        out.Line("  " + Padded(Cp1252ToUtf8(s.key.empty() ? "(not finished)" : s.key), 24) +
                 std::to_string(s.count));
    }
    out.Line("Failures by step and Reader reply:");
    for (const FailureCause& c : f.failuresByCause) {
        out.Line("  " + Padded(Cp1252ToUtf8((c.step.empty() ? "(not finished)" : c.step) + " / " +
                                            (c.reply.empty() ? "-" : c.reply)),
                               40) +
                 std::to_string(c.count));
    }
    if (f.otherFailureCauses > 0) out.Line("  (other causes) " + std::to_string(f.otherFailureCauses));
    out.Line("Tags programmed per quarter hour (UTC):");
    for (const RateBucket& b : f.rate) {
        out.Line("  " + b.startUtc.substr(0, 16) + "  " + std::to_string(b.programmed));
    }
    if (f.progress) line("Work order " + f.progress->workOrder, ProgressText(*f.progress));
    line("Last tag programmed",
         f.lastProgrammedUtc.empty()
             ? "none"
             : f.lastProgrammedUtc + " UTC" +
                   (f.secondsSinceLastProgrammed
                        ? ", " + DurationText(*f.secondsSinceLastProgrammed) + " ago"
                        : ""));
}

json Optional(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }
json Optional(const std::optional<std::int64_t>& v) { return v ? json(*v) : json(nullptr); }

json ReportObject(const StatsQuery& q, const ProductionFigures& f) {
    json burned = json::object(), steps = json::array(), causes = json::array(),
         rate = json::array(), progress = nullptr;
    for (const CountOf& b : f.burnedByOutcome) burned[b.key] = b.count;
    for (const CountOf& s : f.failuresByStep) {
        steps.push_back({{"step", Cp1252ToUtf8(s.key)}, {"count", s.count}});
    }
    for (const FailureCause& c : f.failuresByCause) {
        causes.push_back({{"step", Cp1252ToUtf8(c.step)},
                          {"reply", Cp1252ToUtf8(c.reply)},
                          {"count", c.count}});
    }
    for (const RateBucket& b : f.rate) rate.push_back({{"start_utc", b.startUtc}, {"programmed", b.programmed}});
    if (f.progress) {
        const WorkOrderProgress& p = *f.progress;
        progress = {{"work_order", Cp1252ToUtf8(p.workOrder)},
                    {"programmed", p.programmed},
                    {"quantity", p.quantity},
                    {"rate_per_hour", p.ratePerHour},
                    {"seconds_to_finish", Optional(p.secondsToFinish)}};
    }
    return {{"since_utc", q.sinceUtc},
            {"until_utc", q.untilUtc},
            {"work_order", Cp1252ToUtf8(q.workOrder)},
            {"cycles", f.cycles},
            {"programmed", f.programmed},
            {"programmed_first_pass", f.programmedFirstPass},
            {"tags_attempted", f.tagsAttempted},
            {"tags_programmed", f.tagsProgrammed},
            {"first_pass_yield", Optional(f.firstPassYield)},
            {"final_yield", Optional(f.finalYield)},
            {"burned", burned},
            {"failures_by_step", steps},
            {"failures_by_cause", causes},
            {"other_failure_causes", f.otherFailureCauses},
            {"rate", rate},
            {"progress", progress},
            {"last_programmed_utc", f.lastProgrammedUtc},
            {"seconds_since_last_programmed", Optional(f.secondsSinceLastProgrammed)}};
}

// figure,key,detail,value: one line per number, for a spreadsheet.
void PrintCsv(Printer& out, const json& report) {
    out.Line("figure,key,detail,value");
    const auto line = [&](const std::string& figure, const std::string& key,
                          const std::string& detail, const json& value) {
        const std::string v = value.is_string() ? value.get<std::string>()
                              : value.is_null() ? std::string() : value.dump();
        out.Line(figure + "," + CsvField(key) + "," + CsvField(detail) + "," + CsvField(v));
    };
    for (const char* f : {"since_utc", "until_utc", "work_order", "cycles", "programmed",
                          "programmed_first_pass", "tags_attempted", "tags_programmed",
                          "first_pass_yield", "final_yield", "other_failure_causes",
                          "last_programmed_utc", "seconds_since_last_programmed"}) {
        line(f, "", "", report[f]);
    }
    for (const auto& [outcome, count] : report["burned"].items()) line("burned", outcome, "", count);
    for (const auto& s : report["failures_by_step"]) line("failure_step", s["step"], "", s["count"]);
    for (const auto& c : report["failures_by_cause"]) {
        line("failure_cause", c["step"], c["reply"], c["count"]);
    }
    for (const auto& b : report["rate"]) line("rate", b["start_utc"], "", b["programmed"]);
    if (const json& p = report["progress"]; !p.is_null()) {
        for (const char* f : {"programmed", "quantity", "rate_per_hour", "seconds_to_finish"}) {
            line("progress", p["work_order"], f, p[f]);
        }
    }
}

}  // namespace

int RunJournalReport(const Options& options) {
    ConsoleView view;
    SystemClock clock;
    Station station(view, clock);
    int code = kSuccess;
    Journal* journal = OpenStationJournal(station, options, &code);
    if (journal == nullptr) return code;
    if (options.shift && !station.settings.shifts.problem.empty()) {
        PrintMessage(station.settings.shifts.problem);
    }
    const StatsQuery query = QueryOf(station, options);
    const ProductionFigures figures = ComputeProductionFigures(*journal, query);
    if (!figures.ok) {
        PrintMessage(figures.message);
        return kJournalError;
    }
    Printer out(stdout);
    if (options.json) {
        out.Line(ReportObject(query, figures).dump());
    } else if (options.csv) {
        PrintCsv(out, ReportObject(query, figures));
    } else {
        PrintText(out, query, figures);
    }
    return kSuccess;
}

}  // namespace tagwright::station
