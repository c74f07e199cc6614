#include "core/app/ProductionView.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "core/app/CycleJournal.h"
#include "core/app/Station.h"
#include "core/base/CText.h"

namespace tagwright {

namespace {

constexpr std::int64_t kMinute = 60;

// "2026-12-07 06:00:00" as "2026-12-07 06:00".
std::string Minutes(const std::string& time) { return time.substr(0, 16); }

std::string Count(std::int64_t n) { return FormatInt(n); }

std::string Joined(const std::vector<CountOf>& counts) {
    std::string text;
    for (const CountOf& c : counts) {
        if (!text.empty()) text += ", ";
        text += (c.key.empty() ? std::string("not finished") : c.key) + " " + Count(c.count);
    }
    return text;
}

std::string CauseText(const FailureCause& cause) {
    // A row left reserved: the station stopped before the cycle ended.
    if (cause.step.empty()) return cause.reply.empty() ? "not finished" : "not finished: " + cause.reply;
    return cause.step + ": " + (cause.reply.empty() ? std::string("no reply") : cause.reply);
}

std::string ProgressText(const WorkOrderProgress& p) {
    std::string text = Count(p.programmed);
    if (p.quantity <= 0) return text + " programmed (the set gives no quantity)";
    text += " of " + Count(p.quantity);
    if (p.programmed >= p.quantity) return text + ": done";
    if (!p.secondsToFinish) return text + ", no tag in the last hour";
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f", p.ratePerHour);
    return text + ", about " + DurationText(*p.secondsToFinish) + " to go at " + rate +
           " tags/h";
}

std::string RangeName(ProductionRange range) {
    switch (range) {
        case ProductionRange::Shift: return "Current shift";
        case ProductionRange::Last24Hours: return "Last 24 hours";
        case ProductionRange::Chosen: break;
    }
    return "Chosen range";
}

// A moment some seconds before now, in local time: the time of day alone
// when it is today.
std::string LocalMoment(std::int64_t epoch, std::int64_t now) {
    const std::time_t t = epoch, n = now;
    std::tm at{}, today{};
    ::localtime_r(&t, &at);
    ::localtime_r(&n, &today);
    const bool sameDay = at.tm_year == today.tm_year && at.tm_yday == today.tm_yday;
    char text[32];
    std::strftime(text, sizeof text, sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M", &at);
    return text;
}

}  // namespace

ProductionPanel::ProductionPanel(Station& station, ProductionView& view)
    : station_(station), view_(view) {}

bool ProductionPanel::CycleEndedSinceRefresh() const {
    return station_.run.lastCycle.sequence != cyclesSeen_;
}

void ProductionPanel::ChooseRange(ProductionRange range, const LocalTime& from, const LocalTime& to) {
    model_.range = range;
    if (range == ProductionRange::Chosen) {
        model_.chosenFrom = from;
        model_.chosenTo = to;
    }
    Refresh();
}

void ProductionPanel::Refresh() {
    const LocalTime now = station_.WallClock().Now();
    cyclesSeen_ = station_.run.lastCycle.sequence;
    readAt_ = EpochSeconds(now);
    const ShiftSettings& shifts = station_.settings.shifts;
    StatsRange range;
    switch (model_.range) {
        case ProductionRange::Shift: range = CurrentShiftRange(now, shifts.starts); break;
        case ProductionRange::Last24Hours: range = Last24HoursRange(now); break;
        case ProductionRange::Chosen: range = LocalRange(model_.chosenFrom, model_.chosenTo); break;
    }
    model_.heading = RangeName(model_.range) + ": " + Minutes(range.sinceLocal) + " to " +
                     Minutes(range.untilLocal) + ", all stations of the journal";

    StatsQuery& query = query_;
    query = {};
    query.sinceUtc = range.sinceUtc;
    query.untilUtc = range.untilUtc;
    query.nowUtc = UtcText(now);
    query.progressWorkOrder = station_.currentSet.workOrderNumber;
    query.quantity = std::max<std::int32_t>(Atol(station_.currentSet.quantity), 0);

    if (Journal* journal = StationJournal(station_)) {
        model_.figures = ComputeProductionFigures(*journal, query);
    } else {
        model_.figures = {};
        model_.figures.message = station_.journal.error.empty()
                                     ? "The production journal cannot be opened."
                                     : station_.journal.error;
    }
    const ProductionFigures& f = model_.figures;
    model_.problem = f.ok ? std::string() : f.message;
    for (const std::string* p : {&shifts.problem, &shifts.stallProblem}) {
        if (p->empty()) continue;
        model_.problem += (model_.problem.empty() ? "" : "\r\n") + *p;
    }
    // The chart runs up to now; a range that ends earlier, to its end.
    const std::string end = std::min(range.untilUtc, query.nowUtc);
    model_.rate = f.ok ? DenseRate(f.rate, range.sinceUtc, end) : std::vector<RateBucket>{};
    Describe();
    view_.ShowFigures();
    ReadCauseRows();
    view_.ShowCauseRows();
    JudgeClock();
    view_.ShowClock();
}

void ProductionPanel::Describe() {
    const ProductionFigures& f = model_.figures;
    std::vector<FigureLine>& lines = model_.lines;
    lines.clear();
    model_.causes.clear();
    if (!f.ok) return;
    lines.push_back({"Tags programmed", Count(f.programmed)});
    lines.push_back({"Cycles", Count(f.cycles)});
    lines.push_back({"First-pass yield", PercentText(f.firstPassYield) + " (" +
                                             Count(f.programmedFirstPass) + " of " +
                                             Count(f.cycles) + " cycles without a retry)"});
    lines.push_back({"Final yield", PercentText(f.finalYield) + " (" + Count(f.tagsProgrammed) +
                                        " of " + Count(f.tagsAttempted) + " tags)"});
    std::int64_t burned = 0;
    for (const CountOf& c : f.burnedByOutcome) burned += c.count;
    lines.push_back({"Burned IDs", burned == 0 ? "0" : Count(burned) + " (" +
                                                           Joined(f.burnedByOutcome) + ")"});
    std::int64_t failed = 0;
    for (const CountOf& c : f.failuresByStep) failed += c.count;
    lines.push_back({"Failures by step",
                     failed == 0 ? "none" : Count(failed) + ": " + Joined(f.failuresByStep)});
    const std::string& order = station_.currentSet.workOrderNumber;
    if (f.progress) {
        lines.push_back({"Work order " + f.progress->workOrder, ProgressText(*f.progress)});
    } else {
        lines.push_back({"Work order", order.empty() ? "none in the current set" : order});
    }
    for (const FailureCause& cause : f.failuresByCause) model_.causes.push_back(CauseText(cause));
    if (f.otherFailureCauses > 0) {
        lines.push_back({"Other failure causes", Count(f.otherFailureCauses) + " rows, beyond the " +
                                                     Count(kFailureCausesLimit) + " causes listed"});
    }
}

void ProductionPanel::PickCause(int index) {
    const auto& causes = model_.figures.failuresByCause;
    picked_ = index >= 0 && index < static_cast<int>(causes.size());
    if (picked_) pickedCause_ = causes[static_cast<std::size_t>(index)];
    ReadCauseRows();
    view_.ShowCauseRows();
}

void ProductionPanel::ReadCauseRows() {
    model_.causeRows.clear();
    model_.causeHeading.clear();
    model_.cause = -1;
    // The cause picked before a refresh stays picked while it is still there.
    const auto& causes = model_.figures.failuresByCause;
    const auto it = std::find_if(causes.begin(), causes.end(), [this](const FailureCause& c) {
        return c.step == pickedCause_.step && c.reply == pickedCause_.reply;
    });
    if (!picked_ || it == causes.end()) return;
    model_.cause = static_cast<int>(it - causes.begin());
    Journal* journal = StationJournal(station_);
    FailureRows rows;
    if (journal != nullptr) {
        rows = FailureCauseRows(*journal, query_, *it);
    } else {
        rows.message = station_.journal.error;
    }
    if (!rows.ok) {
        model_.causeHeading = rows.message;
        return;
    }
    model_.causeHeading = (rows.more ? "The newest " + Count(static_cast<std::int64_t>(rows.rows.size())) +
                                           " of " + Count(it->count)
                                     : Count(it->count)) +
                          " rows of " + model_.causes[static_cast<std::size_t>(model_.cause)];
    for (const FailureRow& row : rows.rows) {
        model_.causeRows.push_back({row.carrierId.empty() ? "-" : row.carrierId,
                                    row.uid.empty() ? "-" : row.uid, row.timeLocal,
                                    row.reply.empty() ? "no reply" : row.reply});
    }
}

void ProductionPanel::JudgeClock() {
    const std::int64_t now = EpochSeconds(station_.WallClock().Now());
    const ProductionFigures& f = model_.figures;
    if (!f.ok) {
        model_.sinceLastTag = "-";
    } else if (!f.secondsSinceLastProgrammed) {
        model_.sinceLastTag = "no tag programmed yet";
    } else {
        const std::int64_t since = *f.secondsSinceLastProgrammed + (now - readAt_);
        model_.sinceLastTag = DurationText(since) + " ago, at " + LocalMoment(now - since, now);
    }
    model_.stall.clear();
    const AutomaticRun& run = station_.run;
    if (!run.continuousMode) return;
    // This station's own run: since the mode was switched on or its last tag.
    std::int64_t from = EpochSeconds(run.continuousSince);
    if (const auto& last = station_.status.lastProgrammedAt) {
        from = std::max(from, EpochSeconds(*last));
    }
    const std::int64_t idle = now - from;
    const int limit = station_.settings.shifts.stallMinutes;
    if (idle < limit * kMinute) return;
    model_.stall = "Stalled: no tag programmed for " + DurationText(idle) +
                   " while continuous mode is on (the warning comes after " + Count(limit) +
                   " min).";
}

void ProductionPanel::Tick() {
    const std::int64_t now = EpochSeconds(station_.WallClock().Now());
    if (now - readAt_ >= kProductionRereadSeconds) {
        Refresh();
        return;
    }
    JudgeClock();
    view_.ShowClock();
}

}  // namespace tagwright
