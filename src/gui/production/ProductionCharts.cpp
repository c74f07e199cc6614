#include "gui/production/ProductionCharts.h"

#include <algorithm>
#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QSet>
#include <QValueAxis>

#include "gui/controls/Text.h"

namespace tagwright::gui {

namespace {

constexpr qint64 kBucketMs = qint64{kRateBucketMinutes} * 60 * 1000;
constexpr int kCauseChars = 34;  // longer cause texts are cut on the axis
constexpr qint64 kMaxTimeTicks = 10;

QChartView* NewView(QChart* chart, QWidget* parent) {
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 220);
    return view;
}

qint64 UtcMs(const std::string& utc) {
    QDateTime t = QDateTime::fromString(QString::fromStdString(utc), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    t.setTimeSpec(Qt::UTC);
    return t.toMSecsSinceEpoch();
}

// A tidy top for the value axis: at least 4, else the next multiple of 4.
double AxisTop(double highest) { return std::max(4.0, 4.0 * std::ceil(highest / 4.0)); }

}  // namespace

ProductionCharts::ProductionCharts(QWidget* parent) : QWidget(parent) {
    auto* rateChart = new QChart;
    rateChart->setTitle(QStringLiteral("Tags per hour, in quarter hours"));
    rate_ = new QLineSeries(rateChart);
    QPen pen(QColor(0, 110, 200));
    pen.setWidth(2);
    rate_->setPen(pen);
    rateChart->addSeries(rate_);
    rateTime_ = new QDateTimeAxis(rateChart);
    rateTime_->setFormat(QStringLiteral("HH:mm"));
    rateTime_->setTickCount(7);
    rateValue_ = new QValueAxis(rateChart);
    rateValue_->setLabelFormat(QStringLiteral("%d"));
    rateChart->addAxis(rateTime_, Qt::AlignBottom);
    rateChart->addAxis(rateValue_, Qt::AlignLeft);
    rate_->attachAxis(rateTime_);
    rate_->attachAxis(rateValue_);
    rateView_ = NewView(rateChart, this);

    auto* paretoChart = new QChart;
    paretoChart->setTitle(QStringLiteral("Failures by cause (click a bar for its rows)"));
    pareto_ = new QHorizontalBarSeries(paretoChart);
    auto* set = new QBarSet(QStringLiteral("failures"));
    set->setColor(QColor(200, 60, 40));
    pareto_->append(set);
    paretoChart->addSeries(pareto_);
    paretoCauses_ = new QBarCategoryAxis(paretoChart);
    paretoCount_ = new QValueAxis(paretoChart);
    paretoCount_->setLabelFormat(QStringLiteral("%d"));
    paretoChart->addAxis(paretoCauses_, Qt::AlignLeft);
    paretoChart->addAxis(paretoCount_, Qt::AlignBottom);
    pareto_->attachAxis(paretoCauses_);
    pareto_->attachAxis(paretoCount_);
    paretoView_ = NewView(paretoChart, this);
    // The bars run bottom up; the causes' order is most frequent first.
    connect(set, &QBarSet::clicked, this, [this](int bar) {
        if (bar >= 0 && bar < paretoShown_) emit causeClicked(paretoShown_ - 1 - bar);
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rateView_, 3);
    layout->addWidget(paretoView_, 2);
}

void ProductionCharts::ShowRate(const std::vector<RateBucket>& rate) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(rate.size() * 2));
    double highest = 0;
    for (const RateBucket& bucket : rate) {
        const double start = static_cast<double>(UtcMs(bucket.startUtc));
        const double perHour = static_cast<double>(bucket.programmed) * (60.0 / kRateBucketMinutes);
        // A step: the quarter hour's rate from its start to its end.
        points.append(QPointF(start, perHour));
        points.append(QPointF(start + static_cast<double>(kBucketMs), perHour));
        highest = std::max(highest, perHour);
    }
    rate_->replace(points);
    // Whole hours on the time axis, a tick every so many of them.
    constexpr qint64 kHourMs = 3600 * 1000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 from = (points.isEmpty() ? now - kHourMs : static_cast<qint64>(points.front().x())) /
                        kHourMs * kHourMs;
    const qint64 to = points.isEmpty() ? now : static_cast<qint64>(points.back().x());
    const qint64 hours = std::max<qint64>(1, (to - from + kHourMs - 1) / kHourMs);
    const qint64 step = (hours + kMaxTimeTicks - 2) / (kMaxTimeTicks - 1);
    const qint64 ticks = (hours + step - 1) / step;
    rateTime_->setRange(QDateTime::fromMSecsSinceEpoch(from),
                        QDateTime::fromMSecsSinceEpoch(from + ticks * step * kHourMs));
    rateTime_->setTickCount(static_cast<int>(ticks) + 1);
    rateTime_->setFormat(hours > 24 ? QStringLiteral("dd.MM. HH:mm") : QStringLiteral("HH:mm"));
    rateValue_->setRange(0, AxisTop(highest));
    rateValue_->applyNiceNumbers();
}

void ProductionCharts::ShowCauses(const std::vector<std::string>& causes,
                                  const std::vector<FailureCause>& counts) {
    const int shown = static_cast<int>(std::min<std::size_t>(
        {causes.size(), counts.size(), static_cast<std::size_t>(kParetoBars)}));
    QBarSet* set = pareto_->barSets().front();
    set->remove(0, set->count());
    QStringList names;
    QSet<QString> taken;
    QList<qreal> values;
    double highest = 0;
    for (int i = shown - 1; i >= 0; --i) {
        QString name = MessageText(causes[static_cast<std::size_t>(i)]);
        if (name.size() > kCauseChars) name = name.left(kCauseChars - 3) + QStringLiteral("...");
        // The axis takes each name once.
        while (taken.contains(name)) name += QLatin1Char(' ');
        taken.insert(name);
        names.append(name);
        const auto n = static_cast<double>(counts[static_cast<std::size_t>(i)].count);
        values.append(n);
        highest = std::max(highest, n);
    }
    paretoShown_ = shown;
    paretoCauses_->setCategories(names);
    set->append(values);
    paretoCount_->setRange(0, AxisTop(highest));
    paretoCount_->applyNiceNumbers();
}

}  // namespace tagwright::gui
