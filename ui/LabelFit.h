#pragma once

class QWidget;

namespace zelvora {

// The information windows place their labels in fixed rectangles measured for
// a narrow font. Where the desktop's font is wider, the window's font is made
// smaller until every label's text fits its rectangle, so no text is cut off.
class LabelFit {
public:
    static void Apply(QWidget& window);
    static bool AllLabelsFit(const QWidget& window);
};

}  // namespace zelvora
