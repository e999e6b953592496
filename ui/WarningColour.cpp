#include "ui/WarningColour.h"

#include <algorithm>
#include <cmath>

namespace zelvora {
namespace {

constexpr double kLeastContrast = 4.5;

// Relative luminance of an sRGB colour (WCAG 2.1).
double Luminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor WarningColour(const QColor& background) {
    // A deep red, as warnings are drawn on a light window.
    const QColor red(0xB0, 0x00, 0x20);
    if (ContrastRatio(red, background) >= kLeastContrast) {
        return red;
    }
    // Same hue and saturation, lightness moved away from the background's
    // in whichever direction reaches the contrast with the smaller change.
    const QColor hsl = red.toHsl();
    const int hue = hsl.hslHue();
    const int saturation = hsl.hslSaturation();
    const int start = hsl.lightness();
    for (int step = 1; step <= 255; ++step) {
        for (const int lightness : {start + step, start - step}) {
            if (lightness < 0 || lightness > 255) {
                continue;
            }
            const QColor candidate = QColor::fromHsl(hue, saturation, lightness);
            if (ContrastRatio(candidate, background) >= kLeastContrast) {
                return candidate.toRgb();
            }
        }
    }
    // Only black or white reach it on this background.
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
               ? QColor(Qt::black)
               : QColor(Qt::white);
}

}  // namespace zelvora
