// The start-up floor: a Qt program with no logic that shows the main
// window's controls in the same layout, with the same captions, font, icon
// and flags, and does nothing else: no ports, no settings store, no file
// dialog, no splash window, no crypto library, no connections.

#include "widgets/MessageField.h"
#include "widgets/WrappingButton.h"

#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include <cmath>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zelvora v1.0"));
    window.setWindowIcon(QIcon(QStringLiteral(":/icons/org.zelvora.Zelvora.png")));
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    window.menuBar()->addAction(QStringLiteral("&About"));
    window.menuBar()->addAction(QStringLiteral("&QuickHelp"));
    QFont small = window.font();
    small.setPointSizeF(8);
    window.setFont(small);

    const double dpi = window.logicalDpiY();
    const auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };
    const auto rect = [px](int x, int y, int w, int h) {
        return QRect(px(x), px(y), px(w), px(h));
    };

    auto* client = new QWidget(&window);
    window.setCentralWidget(client);
    auto* keys = new QGroupBox(client);
    keys->setGeometry(rect(0, 0, 6375, 1035));
    (new QLineEdit(keys))->setGeometry(rect(1500, 240, 4590, 285));
    auto* privateButton = new QPushButton(QStringLiteral("Private key file"), keys);
    privateButton->setGeometry(rect(120, 240, 1245, 285));
    (new QLineEdit(keys))->setGeometry(rect(1500, 600, 4590, 285));
    auto* publicButton = new QPushButton(QStringLiteral("Public key file"), keys);
    publicButton->setGeometry(rect(120, 600, 1245, 285));
    (new QGroupBox(QStringLiteral("Message"), client))->setGeometry(rect(0, 1080, 6375, 2640));
    auto* message = new zelvora::MessageField(client);
    message->setGeometry(rect(120, 1320, 6135, 2295));
    message->raise();
    auto* quit = new zelvora::WrappingButton(QStringLiteral("Quit"), client);
    quit->setGeometry(rect(5160, 3840, 1215, 540));
    auto* decrypt = new zelvora::WrappingButton(QStringLiteral("Decrypt from clipboard"), client);
    decrypt->setGeometry(rect(1800, 3840, 1575, 540));
    auto* encrypt =
        new zelvora::WrappingButton(QStringLiteral("Encrypt to clipboard and clear"), client);
    encrypt->setGeometry(rect(120, 3840, 1575, 540));
    auto* clear = new zelvora::WrappingButton(QStringLiteral("Clear message field"), client);
    clear->setGeometry(rect(3480, 3840, 1575, 540));
    for (QPushButton* button : std::initializer_list<QPushButton*>{privateButton, publicButton,
                                                                   quit, decrypt, encrypt, clear}) {
        button->setAutoDefault(false);
    }

    client->setFixedSize(px(6465), px(4470));
    window.setFixedSize(px(6465), px(4470) + window.menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.show();
    return QApplication::exec();
}
