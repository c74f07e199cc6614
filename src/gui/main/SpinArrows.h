#pragma once
// The pair of arrows beside the "next" and "max" fields. Like the system's
// up-down control they take no focus, so the field keeps the text being typed,
// and they report a proposed change: the up arrow -1, the down arrow +1.

#include <QAbstractButton>
#include <QWidget>

namespace tagwright::gui {

// One half: a small raised button with a triangle; held down, it repeats.
class ArrowButton : public QAbstractButton {
    Q_OBJECT
public:
    ArrowButton(bool up, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool up_;
};

class SpinArrows : public QWidget {
    Q_OBJECT
public:
    explicit SpinArrows(QWidget* parent = nullptr);

    QAbstractButton* UpButton() const { return up_; }
    QAbstractButton* DownButton() const { return down_; }

signals:
    void stepped(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ArrowButton* up_;
    ArrowButton* down_;
};

}  // namespace tagwright::gui
