#include "app/ShellLook.h"

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace zelvora::ShellLook {

void Apply(QWidget& window, int widthTwips, int heightTwips) {
    window.setWindowTitle(QStringLiteral("Form1"));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(255, 128, 0));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    const Twips twips(window);
    window.setFixedSize(twips.ToPixels(widthTwips), twips.ToPixels(heightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

QLabel* AddLabel(QWidget& window, const QString& text, const QRect& twips) {
    auto* label = new QLabel(text, &window);
    label->setGeometry(Twips(window).Rect(twips.x(), twips.y(), twips.width(), twips.height()));
    label->setWordWrap(true);
    return label;
}

}  // namespace zelvora::ShellLook
