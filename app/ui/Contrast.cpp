#include "app/ui/Contrast.h"

#include <algorithm>
#include <cmath>

namespace yeroup::app {

namespace {

// The relative luminance of an sRGB colour.
double Luminance(const QColor& color) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

constexpr int kLayoutGrey = 128;

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableGrey(const QColor& background) {
    // Away from the background: darker on a light one, lighter on a dark one.
    const int step = Luminance(background) > Luminance(QColor(kLayoutGrey, kLayoutGrey, kLayoutGrey)) ? -1 : 1;
    int level = kLayoutGrey;
    while (level > 0 && level < 255 && ContrastRatio(QColor(level, level, level), background) < kReadableContrast)
        level += step;
    return {level, level, level};
}

}  // namespace yeroup::app
