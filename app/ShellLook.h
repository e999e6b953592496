#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace zelvora {

// The start-up and shutdown windows share one look: a borderless orange
// window centred on the screen, with labels in the highlight-text colour.
class ShellLook {
public:
    static void Apply(QWidget& window, int widthTwips, int heightTwips);
    static QLabel* AddLabel(QWidget& window, const QString& text, const QRect& twips);
};

}  // namespace zelvora
