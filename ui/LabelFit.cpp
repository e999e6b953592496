#include "ui/LabelFit.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include <limits>

namespace zelvora::LabelFit {

namespace {

bool Fits(const QLabel& label) {
    if (label.text().isEmpty()) {
        return true;
    }
    int flags = static_cast<int>(label.alignment()) | Qt::TextExpandTabs;
    if (label.wordWrap()) {
        flags |= Qt::TextWordWrap;
    }
    const QRect room = label.contentsRect();
    // Wrapped text grows downwards; a word longer than the line still
    // shows in the width of the result.
    const QRect needed = label.fontMetrics().boundingRect(
        QRect(0, 0, room.width(), std::numeric_limits<int>::max() / 2), flags, label.text());
    return needed.width() <= room.width() && needed.height() <= room.height();
}

}  // namespace

bool AllLabelsFit(const QWidget& window) {
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (!Fits(*label)) {
            return false;
        }
    }
    return true;
}

void Apply(QWidget& window) {
    // Below this size text is no longer readable; it is cut off instead.
    constexpr double kSmallestPointSize = 6.0;
    constexpr double kStep = 0.25;
    QFont font = window.font();
    if (font.pointSizeF() <= 0) {
        return;  // a pixel-sized font: leave it as the desktop wants it
    }
    while (!AllLabelsFit(window) && font.pointSizeF() - kStep >= kSmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - kStep);
        window.setFont(font);
    }
}

}  // namespace zelvora::LabelFit
