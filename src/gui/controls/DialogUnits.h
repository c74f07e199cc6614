#pragma once
// Window layouts are given in dialog units of the 8-point dialog font: a
// horizontal unit is 1.5 pixels and a vertical unit 13/8 pixels. Edges are
// converted, not sizes, so that controls that touch in units still touch in
// pixels.

#include <QRect>

namespace tagwright::gui {

// VALUE * NUM / DEN rounded to the nearest integer, halves away from zero.
constexpr int ScaleRounded(int value, int num, int den) {
    const long long product = static_cast<long long>(value) * num;
    const long long half = den / 2;
    return static_cast<int>(product >= 0 ? (product + half) / den : -((-product + half) / den));
}

constexpr int DluX(int units) { return ScaleRounded(units, 3, 2); }
constexpr int DluY(int units) { return ScaleRounded(units, 13, 8); }

inline QRect DluRect(int x, int y, int width, int height) {
    const int left = DluX(x);
    const int top = DluY(y);
    return QRect(left, top, DluX(x + width) - left, DluY(y + height) - top);
}

}  // namespace tagwright::gui
