#pragma once
// The status line under the main window's controls: the port, the set, the
// count, the record file and the last cycle's result, as DescribeStatus puts
// them.

#include <QWidget>

#include "core/app/StatusLine.h"

class QLabel;

namespace tagwright::gui {

class StatusLineWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;

    explicit StatusLineWidget(QWidget* parent = nullptr);

    void Show(const StatusLineText& text);
    // In the result's place while a cycle runs.
    void ShowProgress(const QString& progress);

    // For tests and screenshots: the texts as shown.
    QString PortText() const;
    QString SetText() const;
    QString CountText() const;
    QString ResultText() const;
    QString RecordFileText() const;
    QString RoleText() const;
    QColor ResultBackground() const;

private:
    QLabel* port_;
    QLabel* set_;
    QLabel* count_;
    QLabel* recordFile_;
    QLabel* result_;
    QLabel* role_;  // hidden for a station without roles
};

}  // namespace tagwright::gui
