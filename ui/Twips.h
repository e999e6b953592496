#pragma once

#include <QRect>

class QWidget;

namespace zelvora {

// Window geometry is laid down in twips (1/1440 inch) and turned into pixels
// through the screen's logical DPI, so the windows keep their proportions on
// any screen: at 96 DPI, 15 twips make one pixel.
class Twips {
public:
    explicit Twips(const QWidget& widget);

    int ToPixels(int twips) const;
    QRect Rect(int left, int top, int width, int height) const;

private:
    double dpi_;
};

}  // namespace zelvora
