#pragma once
// Text contrast by WCAG 2.2: the layout's grey texts stay grey, as dark (or, on a dark background, as light) as
// level AA needs against their background.
#include <QColor>

namespace yeroup::app {

// Level AA for text of normal size: 4.5 to 1.
inline constexpr double kReadableContrast = 4.5;

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The grey nearest to the layout's mid grey (128, 128, 128) that stands at kReadableContrast or more against
// background.
QColor ReadableGrey(const QColor& background);

}  // namespace yeroup::app
