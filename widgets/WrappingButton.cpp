#include "widgets/WrappingButton.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <limits>

namespace zelvora {
namespace {

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
// Below this size a caption is no longer readable; it is drawn at this size.
constexpr double kSmallestPointSize = 5.0;
constexpr double kStep = 0.25;

}  // namespace

WrappingButton::WrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect WrappingButton::CaptionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, this)
        .adjusted(2, 0, -2, 0);
}

bool WrappingButton::CaptionFits(const QFont& font, const QRect& area) const {
    // Measured for this widget's screen, so scaling and font DPI count.
    const QFontMetrics metrics(font, this);
    const QRect needed = metrics.boundingRect(
        QRect(0, 0, area.width(), std::numeric_limits<int>::max() / 2), kCaptionFlags, text());
    // A word longer than the line shows in the width of the result.
    return needed.width() <= area.width() && needed.height() <= area.height() &&
           needed.height() < (kMaxLines + 1) * metrics.lineSpacing();
}

QFont WrappingButton::CaptionFont() const {
    QFont caption = font();
    if (caption.pointSizeF() <= 0) {
        return caption;  // a pixel-sized font: left as the desktop wants it
    }
    const QRect area = CaptionArea();
    while (!CaptionFits(caption, area) && caption.pointSizeF() - kStep >= kSmallestPointSize) {
        caption.setPointSizeF(caption.pointSizeF() - kStep);
    }
    return caption;
}

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    painter.setFont(CaptionFont());
    painter.drawItemText(CaptionArea(), kCaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}

}  // namespace zelvora
