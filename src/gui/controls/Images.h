#pragma once
// The small pictures of the windows, drawn at run time, and the flat button
// that shows one. The 13 x 13 ones are light drawings on a transparent
// ground for the black windows; the check boxes of the Config dialogs are
// white boxes that stand out on their own.

#include <QAbstractButton>
#include <QPixmap>

namespace tagwright::gui {

inline constexpr int kSmallImageSize = 13;
inline constexpr int kCheckImageWidth = 66;
inline constexpr int kCheckImageHeight = 19;

// 13 x 13: a box with a tick when SET, the empty box otherwise (page select
// boxes of the main window).
QPixmap SelectBoxImage(bool set);

// 13 x 13: a circle with a filled dot when CHOSEN, the empty circle otherwise
// (mode and format buttons, the radio buttons of the Pages 3-17 dialog).
QPixmap ChoiceImage(bool chosen);

// 66 x 19: a white box with a black frame, crossed when ON.
QPixmap CheckImage(bool on);

// A flat button that is nothing but its picture; for the push-like picture
// buttons whose look says their state.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);
    ImageButton(const QPixmap& image, QWidget* parent = nullptr);

    void SetImage(const QPixmap& image);
    const QPixmap& Image() const { return image_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap image_;
};

}  // namespace tagwright::gui
