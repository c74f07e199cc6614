#include "gui/production/ProductionWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateTimeEdit>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/controls/Text.h"
#include "gui/main/MainWindow.h"
#include "gui/production/ProductionCharts.h"

namespace tagwright::gui {

namespace {

// The refresh after a cycle, posted behind the redraw the cycle asked for.
const QEvent::Type kRefreshEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
// A refresh that finds the main window at work waits so long.
constexpr int kBusyRetryMs = 100;

LocalTime LocalOf(const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    return {d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second()};
}

QLabel* Bold(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

ProductionWindow::ProductionWindow(MainWindow& main)
    : QWidget(&main, Qt::Window), main_(main),
      panel_(std::make_unique<ProductionPanel>(main.Model(), *this)) {
    setWindowTitle(QStringLiteral("Production"));

    heading_ = Bold(QString(), this);
    stall_ = new QLabel(this);
    stall_->setStyleSheet(QStringLiteral("background: rgb(255, 0, 0); color: white; padding: 4px;"));
    stall_->setWordWrap(true);
    stall_->hide();
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0);"));
    problem_->hide();

    charts_ = new ProductionCharts(this);
    connect(charts_, &ProductionCharts::causeClicked, this,
            [this](int index) { Run([this, index] { panel_->PickCause(index); }); });

    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildFigures(), 2);
    middle->addWidget(charts_, 5);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildRangeBar());
    layout->addWidget(heading_);
    layout->addWidget(stall_);
    layout->addWidget(problem_);
    layout->addLayout(middle, 3);
    layout->addWidget(BuildCauses(), 2);

    clock_ = new QTimer(this);
    clock_->setInterval(kProductionTickMs);
    connect(clock_, &QTimer::timeout, this, [this] {
        // The clock waits while the main window works; it comes again.
        if (!main_.Busy()) Run([this] { panel_->Tick(); });
    });
    resize(1100, 720);
}

ProductionWindow::~ProductionWindow() = default;

QWidget* ProductionWindow::BuildRangeBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    ranges_ = new QButtonGroup(bar);
    const struct {
        const char* text;
        ProductionRange range;
    } choices[] = {{"Current shift", ProductionRange::Shift},
                   {"Last 24 hours", ProductionRange::Last24Hours},
                   {"From", ProductionRange::Chosen}};
    for (const auto& choice : choices) {
        auto* button = new QRadioButton(QString::fromLatin1(choice.text), bar);
        ranges_->addButton(button, static_cast<int>(choice.range));
        row->addWidget(button);
    }
    ranges_->button(static_cast<int>(ProductionRange::Shift))->setChecked(true);
    const QDateTime now = QDateTime::currentDateTime();
    from_ = new QDateTimeEdit(now.addSecs(-8 * 3600), bar);
    to_ = new QDateTimeEdit(now, bar);
    for (QDateTimeEdit* edit : {from_, to_}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
    }
    row->addWidget(from_);
    row->addWidget(new QLabel(QStringLiteral("to"), bar));
    row->addWidget(to_);
    auto* show = new QPushButton(QStringLiteral("Show"), bar);
    row->addWidget(show);
    row->addStretch(1);
    connect(ranges_, &QButtonGroup::idClicked, this, [this] { RangeChosen(); });
    connect(show, &QPushButton::clicked, this, [this] {
        ranges_->button(static_cast<int>(ProductionRange::Chosen))->setChecked(true);
        RangeChosen();
    });
    return bar;
}

QWidget* ProductionWindow::BuildFigures() {
    auto* box = new QFrame(this);
    box->setFrameStyle(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(box);
    figureGrid_ = new QGridLayout;
    figureGrid_->setColumnStretch(1, 1);
    column->addLayout(figureGrid_);
    auto* since = new QHBoxLayout;
    since->addWidget(new QLabel(QStringLiteral("Last programmed tag:"), box));
    sinceLast_ = Bold(QString(), box);
    since->addWidget(sinceLast_, 1);
    column->addLayout(since);
    column->addStretch(1);
    return box;
}

QWidget* ProductionWindow::BuildCauses() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* left = new QVBoxLayout;
    left->addWidget(Bold(QStringLiteral("Failure causes, most frequent first"), box));
    causes_ = new QListWidget(box);
    left->addWidget(causes_);
    auto* right = new QVBoxLayout;
    causeHeading_ = Bold(QStringLiteral("Click a cause for its journal rows"), box);
    right->addWidget(causeHeading_);
    rows_ = new QTableWidget(0, 4, box);
    rows_->setHorizontalHeaderLabels(
        {QStringLiteral("Carrier ID"), QStringLiteral("UID"), QStringLiteral("Time"),
         QStringLiteral("Reply")});
    rows_->horizontalHeader()->setStretchLastSection(true);
    rows_->verticalHeader()->hide();
    rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    right->addWidget(rows_);
    row->addLayout(left, 2);
    row->addLayout(right, 5);
    connect(causes_, &QListWidget::currentRowChanged, this, [this](int index) {
        if (!showingCauses_ && index >= 0) Run([this, index] { panel_->PickCause(index); });
    });
    return box;
}

void ProductionWindow::Run(const std::function<void()>& work) { main_.RunBeside(work); }

void ProductionWindow::RefreshNow() {
    QElapsedTimer took;
    took.start();
    Run([this] { panel_->Refresh(); });
    lastRefreshMs_ = static_cast<double>(took.nsecsElapsed()) / 1e6;
    ++refreshes_;
}

void ProductionWindow::RangeChosen() {
    const auto range = static_cast<ProductionRange>(ranges_->checkedId());
    const LocalTime from = LocalOf(from_->dateTime());
    const LocalTime to = LocalOf(to_->dateTime());
    Run([this, range, from, to] { panel_->ChooseRange(range, from, to); });
    ++refreshes_;
}

void ProductionWindow::CycleEnded() {
    if (!isVisible() || refreshPosted_) return;
    refreshPosted_ = true;
    cycleEnded_.start();
    // A widget's redraw is posted at low priority; so is this, behind it.
    QCoreApplication::postEvent(this, new QEvent(kRefreshEvent), Qt::LowEventPriority);
}

void ProductionWindow::DeferredRefresh() {
    refreshPosted_ = false;
    if (!isVisible()) return;
    if (main_.Busy()) {
        // A command or a message box of the main window: after it.
        QTimer::singleShot(kBusyRetryMs, this, [this] {
            refreshPosted_ = true;
            DeferredRefresh();
        });
        refreshPosted_ = true;
        return;
    }
    RefreshNow();
    lastDelayMs_ = static_cast<double>(cycleEnded_.nsecsElapsed()) / 1e6;
}

bool ProductionWindow::event(QEvent* event) {
    if (event->type() == kRefreshEvent) {
        DeferredRefresh();
        return true;
    }
    return QWidget::event(event);
}

void ProductionWindow::showEvent(QShowEvent* event) {
    clock_->start();
    QWidget::showEvent(event);
}

void ProductionWindow::hideEvent(QHideEvent* event) {
    clock_->stop();
    QWidget::hideEvent(event);
}

void ProductionWindow::ShowFigures() {
    const ProductionModel& m = panel_->Model();
    heading_->setText(MessageText(m.heading));
    problem_->setText(MessageText(m.problem));
    problem_->setVisible(!m.problem.empty());
    while (figureLabels_.size() < m.lines.size()) {
        const int row = static_cast<int>(figureLabels_.size());
        auto* label = new QLabel(this);
        auto* value = Bold(QString(), this);
        value->setWordWrap(true);
        figureGrid_->addWidget(label, row, 0, Qt::AlignTop);
        figureGrid_->addWidget(value, row, 1, Qt::AlignTop);
        figureLabels_.emplace_back(label, value);
    }
    for (std::size_t i = 0; i < figureLabels_.size(); ++i) {
        const bool used = i < m.lines.size();
        auto [label, value] = figureLabels_[i];
        label->setVisible(used);
        value->setVisible(used);
        if (!used) continue;
        label->setText(MessageText(m.lines[i].label) + QLatin1Char(':'));
        value->setText(MessageText(m.lines[i].value));
    }
    charts_->ShowRate(m.rate);
    charts_->ShowCauses(m.causes, m.figures.failuresByCause);
    showingCauses_ = true;
    causes_->clear();
    for (std::size_t i = 0; i < m.causes.size(); ++i) {
        causes_->addItem(MessageText(m.causes[i]) + QStringLiteral("   ") +
                         QString::number(m.figures.failuresByCause[i].count));
    }
    showingCauses_ = false;
}

void ProductionWindow::ShowCauseRows() {
    const ProductionModel& m = panel_->Model();
    showingCauses_ = true;
    causes_->setCurrentRow(m.cause);
    showingCauses_ = false;
    causeHeading_->setText(m.cause < 0 && m.causeHeading.empty()
                               ? QStringLiteral("Click a cause for its journal rows")
                               : MessageText(m.causeHeading));
    rows_->setRowCount(static_cast<int>(m.causeRows.size()));
    for (int r = 0; r < rows_->rowCount(); ++r) {
        const CauseRowTexts& row = m.causeRows[static_cast<std::size_t>(r)];
        const std::string* cells[] = {&row.carrierId, &row.uid, &row.time, &row.reply};
        for (int c = 0; c < 4; ++c) {
            rows_->setItem(r, c, new QTableWidgetItem(MessageText(*cells[c])));
        }
    }
    rows_->resizeColumnsToContents();
}

void ProductionWindow::ShowClock() {
    const ProductionModel& m = panel_->Model();
    sinceLast_->setText(MessageText(m.sinceLastTag));
    stall_->setText(MessageText(m.stall));
    stall_->setVisible(!m.stall.empty());
}

QString ProductionWindow::FigureText(const QString& label) const {
    for (const auto& [name, value] : figureLabels_) {
        if (name->isVisibleTo(this) && name->text() == label + QLatin1Char(':')) {
            return value->text();
        }
    }
    return {};
}

QString ProductionWindow::HeadingText() const { return heading_->text(); }
QString ProductionWindow::StallText() const { return stall_->isVisibleTo(this) ? stall_->text() : QString(); }
QString ProductionWindow::SinceLastTagText() const { return sinceLast_->text(); }

}  // namespace tagwright::gui
