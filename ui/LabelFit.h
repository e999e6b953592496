#pragma once

class QWidget;

namespace zelvora {

// The information windows place their labels in fixed rectangles measured for
// a narrow font. Where the desktop's font is wider, the window's font is made
// smaller until every label's text fits its rectangle, so no text is cut off.
namespace LabelFit {

void Apply(QWidget& window);
bool AllLabelsFit(const QWidget& window);

}  // namespace LabelFit

}  // namespace zelvora
