#pragma once

class QPushButton;
class QWidget;

namespace zelvora {

// What the information windows offer the keyboard and screen readers: Esc
// closes the window as its OK button does, Enter presses the focused button,
// and assistive technology announces the window as a window with its title
// (a plain widget would be announced as a nameless client area).
void MakeInfoWindowAccessible(QWidget& window, QPushButton& ok);

}  // namespace zelvora
