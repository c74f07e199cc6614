#pragma once
// The Production window: a window beside the main window that renders the
// core's ProductionPanel (figures, rate chart, failure Pareto, the rows of a
// cause, the stall warning) and forwards the operator's choices to it. Every
// call into the core runs as a command of the main window, so that the main
// window's ticks never run inside one.

#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QWidget>

#include "core/app/ProductionView.h"

class QButtonGroup;
class QDateTimeEdit;
class QGridLayout;
class QLabel;
class QListWidget;
class QTableWidget;
class QTimer;

namespace tagwright::gui {

class MainWindow;
class ProductionCharts;

class ProductionWindow : public QWidget, public ProductionView {
    Q_OBJECT
public:
    explicit ProductionWindow(MainWindow& main);
    ~ProductionWindow() override;

    ProductionPanel& Panel() { return *panel_; }

    // Reads the figures now (the window is being opened).
    void RefreshNow();
    // A cycle has ended: the figures are read again once the cycle and the
    // redraw it asked for are done, never inside it.
    void CycleEnded();

    // What the window shows, for tests and pictures.
    QString FigureText(const QString& label) const;  // "" when no such line
    QString HeadingText() const;
    QString StallText() const;  // "" when hidden
    QString SinceLastTagText() const;
    QListWidget* Causes() const { return causes_; }
    QTableWidget* CauseRows() const { return rows_; }
    int Refreshes() const { return refreshes_; }
    // For the benchmark: the last refresh, and the last wait from a cycle's
    // end to its refresh done.
    double LastRefreshMs() const { return lastRefreshMs_; }
    double LastDelayMs() const { return lastDelayMs_; }

    // --- ProductionView ---
    void ShowFigures() override;
    void ShowCauseRows() override;
    void ShowClock() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* BuildRangeBar();
    QWidget* BuildFigures();
    QWidget* BuildCauses();
    void Run(const std::function<void()>& work);
    void RangeChosen();
    void DeferredRefresh();

    MainWindow& main_;
    std::unique_ptr<ProductionPanel> panel_;

    QButtonGroup* ranges_ = nullptr;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* stall_ = nullptr;
    QLabel* problem_ = nullptr;
    QGridLayout* figureGrid_ = nullptr;
    std::vector<std::pair<QLabel*, QLabel*>> figureLabels_;
    QLabel* sinceLast_ = nullptr;
    QListWidget* causes_ = nullptr;
    QLabel* causeHeading_ = nullptr;
    QTableWidget* rows_ = nullptr;
    ProductionCharts* charts_ = nullptr;
    QTimer* clock_ = nullptr;

    bool refreshPosted_ = false;
    bool showingCauses_ = false;  // the list is being filled: no pick
    int refreshes_ = 0;
    QElapsedTimer cycleEnded_;
    double lastRefreshMs_ = 0;
    double lastDelayMs_ = 0;
};

}  // namespace tagwright::gui
