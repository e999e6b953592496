#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace zelvora {

// The start-up and shutdown windows share one look: a borderless orange
// window centred on the screen, with labels in the highlight-text colour.
namespace ShellLook {

void Apply(QWidget& window, int widthTwips, int heightTwips);
QLabel* AddLabel(QWidget& window, const QString& text, const QRect& twips);

}  // namespace ShellLook

}  // namespace zelvora
