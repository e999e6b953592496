// The least a Qt program can do to show a window: one empty top-level
// widget of the main window's size, for scale beside the start-up floor.

#include <QApplication>
#include <QWidget>

#include <cmath>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    const double dpi = window.logicalDpiY();
    const auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };
    window.setFixedSize(px(6465), px(4470));
    window.show();
    return QApplication::exec();
}
