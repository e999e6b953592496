#include "ui/Twips.h"

#include <QWidget>

#include <cmath>

namespace zelvora {

Twips::Twips(const QWidget& widget) : dpi_(widget.logicalDpiY()) {}

int Twips::ToPixels(int twips) const {
    return static_cast<int>(std::lround(twips * dpi_ / 1440.0));
}

QRect Twips::Rect(int left, int top, int width, int height) const {
    return QRect(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

}  // namespace zelvora
