#pragma once
// The layout's fonts. "宋体" is not installed on Linux; the installed CJK font "WenQuanYi Micro Hei" takes its place.
#include <QColor>
#include <QFont>

namespace yeroup::app {

QFont SimSun12();
// The windows' default font, "MS Sans Serif" 11 pixels high.
QFont SansSerif11();

inline const QColor kDarkGrey{49, 49, 49};

}  // namespace yeroup::app
