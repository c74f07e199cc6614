#pragma once
// The Production window's model: the production figures of the current
// shift, the last 24 hours or a range the operator chose, as texts and series
// the window only renders; the journal rows of a failure cause picked in it;
// the time since the last programmed tag and the stall warning. The figures
// come from ComputeProductionFigures, as `journal report` prints them, so the
// two never count differently. Window thread only.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Clock.h"
#include "core/production/ProductionStats.h"
#include "core/production/StatsRange.h"

namespace tagwright {

class Station;

enum class ProductionRange { Shift, Last24Hours, Chosen };

// How often the window looks at the clock while it is open (the time since
// the last tag, the stall), and how often it reads the figures again when no
// cycle of its own did (other stations of a shared journal, the shift's end).
inline constexpr int kProductionTickMs = 1000;
inline constexpr int kProductionRereadSeconds = 60;

struct FigureLine {
    std::string label;
    std::string value;
};

// A failure cause's journal row as the window lists it.
struct CauseRowTexts {
    std::string carrierId;
    std::string uid;
    std::string time;  // local
    std::string reply;
};

struct ProductionModel {
    ProductionRange range = ProductionRange::Shift;
    LocalTime chosenFrom, chosenTo;  // the chosen range, local

    std::string heading;  // which range, in local time
    // Why the figures cannot be shown, or what in the settings was not used.
    std::string problem;
    ProductionFigures figures;
    std::vector<FigureLine> lines;  // the headline figures, in order
    // Tags per hour of each quarter hour from the range's start up to now
    // (or its end), none left out.
    std::vector<RateBucket> rate;
    std::vector<std::string> causes;  // one text per figures.failuresByCause

    int cause = -1;  // the cause picked, or -1
    std::string causeHeading;
    std::vector<CauseRowTexts> causeRows;

    std::string sinceLastTag;  // "4 min 10 s ago, at 14:31:05", or "no tag yet"
    std::string stall;         // the warning, "" when there is none
};

class ProductionView {
public:
    virtual ~ProductionView() = default;
    // Everything but the cause's rows and the clock's texts.
    virtual void ShowFigures() = 0;
    virtual void ShowCauseRows() = 0;
    // The time since the last tag and the stall warning.
    virtual void ShowClock() = 0;
};

class ProductionPanel {
public:
    ProductionPanel(Station& station, ProductionView& view);

    const ProductionModel& Model() const { return model_; }

    // Reads the figures of the range from the journal and shows them.
    void Refresh();
    // A range chosen; from and to (local) matter for Chosen only.
    void ChooseRange(ProductionRange range, const LocalTime& from = {}, const LocalTime& to = {});
    // A failure cause picked (index into Model().causes): its rows listed.
    void PickCause(int index);
    // The window's clock tick: the time since the last tag and the stall
    // warning shown again; the figures are read again when they are old.
    void Tick();

    // A cycle has ended since the figures were last read.
    bool CycleEndedSinceRefresh() const;
    // What the last read asked the journal.
    const StatsQuery& LastQuery() const { return query_; }

private:
    void Describe();
    void ReadCauseRows();
    void JudgeClock();

    Station& station_;
    ProductionView& view_;
    ProductionModel model_;
    StatsQuery query_;  // the last read's
    bool picked_ = false;
    FailureCause pickedCause_;
    std::uint64_t cyclesSeen_ = 0;
    std::int64_t readAt_ = 0;  // epoch seconds of the last read
};

}  // namespace tagwright
