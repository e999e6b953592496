// Another program's window for the end-to-end tests: a line of text that the
// test copies with Ctrl+A, Ctrl+C while this window has the focus, as a user
// copies something in a browser.
#include <QApplication>
#include <QLineEdit>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLineEdit line(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    line.setWindowTitle(QStringLiteral("Other window"));
    line.resize(400, 40);
    line.show();
    return QApplication::exec();
}
