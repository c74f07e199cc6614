#pragma once
// The Production window's two charts: tags per hour in quarter hours over
// the range, and the failure causes as a Pareto (most frequent on top). A
// click on a cause's bar reports its index.

#include <string>
#include <vector>

#include <QWidget>

#include "core/production/ProductionStats.h"

class QChart;
class QChartView;
class QBarSet;
class QBarCategoryAxis;
class QDateTimeAxis;
class QHorizontalBarSeries;
class QLineSeries;
class QValueAxis;

namespace tagwright::gui {

class ProductionCharts : public QWidget {
    Q_OBJECT
public:
    // Causes beyond these many are left to the list beside the chart.
    static constexpr int kParetoBars = 8;

    explicit ProductionCharts(QWidget* parent = nullptr);

    void ShowRate(const std::vector<RateBucket>& rate);
    void ShowCauses(const std::vector<std::string>& causes, const std::vector<FailureCause>& counts);

signals:
    void causeClicked(int index);

private:
    QChartView* rateView_ = nullptr;
    QLineSeries* rate_ = nullptr;
    QDateTimeAxis* rateTime_ = nullptr;
    QValueAxis* rateValue_ = nullptr;

    QChartView* paretoView_ = nullptr;
    QHorizontalBarSeries* pareto_ = nullptr;
    QBarCategoryAxis* paretoCauses_ = nullptr;
    QValueAxis* paretoCount_ = nullptr;
    int paretoShown_ = 0;
};

}  // namespace tagwright::gui
