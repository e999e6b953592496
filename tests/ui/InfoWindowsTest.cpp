#include "ui/frmZuzezoRevevur.h"

#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/support/ShowMainWindow.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "widgets/ApplicationIcon.h"
#include "ui/LabelFit.h"
#include "widgets/MessageField.h"
#include "ui/frmAbout.h"
#include "ui/frmHelp.h"

#include <QAccessible>
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace zelvora {

namespace {

QWidget* TheOnly(const QString& caption) {
    QWidget* found = nullptr;
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowTitle() == caption) {
            found = top;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

QPushButton* OkButton(QWidget* window) {
    if (auto* about = qobject_cast<frmAbout*>(window)) {
        return about->Command1;
    }
    if (auto* help = qobject_cast<frmHelp*>(window)) {
        return help->Command1;
    }
    return nullptr;
}

}  // namespace

class InfoWindowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmZuzezoRevevur> MakeWindow() {
        return test::ShowMainWindow(clipboard_, box_, &dialog_, &store_);
    }

    static QAction* Entry(frmZuzezoRevevur& w, const QString& which) {
        return which == "about" ? w.mnuAbout : w.mnuHelp;
    }

    FakeClipboard clipboard_;
    RecordingMessageBox box_;
    FakeFileDialog dialog_;
    FakeSettingsStore store_;

    static void WindowsData() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("caption");
        QTest::newRow("About") << "about"
                               << "About Zelvora";
        QTest::newRow("QuickHelp") << "help"
                                   << "Zelvora - QuickHelp";
    }

private slots:

    void menuShowsOneWindowInFrontOfTheMainWindow_data() { WindowsData(); }
    void menuShowsOneWindowInFrontOfTheMainWindow() {
        QFETCH(QString, which);
        QFETCH(QString, caption);
        auto w = MakeWindow();
        QVERIFY(TheOnly(caption) == nullptr);

        Entry(*w, which)->trigger();
        QWidget* shown = TheOnly(caption);
        QVERIFY(shown != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // Owned by the main window: kept in front of it, minimised with it.
        QCOMPARE(shown->parentWidget(), w.get());
        QVERIFY(shown->isWindow());
        QCOMPARE(shown->windowHandle()->transientParent(), w->windowHandle());
        // Modeless: the main window keeps working beside it.
        QVERIFY(!shown->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        w->SetMessageText("still usable");
        QTest::mouseClick(w->cmdClear, Qt::LeftButton);
        QVERIFY(w->MessageText().isEmpty());

        // Choosing the entry again while it is open shows the same one.
        Entry(*w, which)->trigger();
        QCOMPARE(TheOnly(caption), shown);
        QVERIFY(shown->isVisible());
        // The other one opens beside it.
        Entry(*w, which == "about" ? "help" : "about")->trigger();
        QVERIFY(shown->isVisible());
        const QList<QWidget*> owned = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(std::count_if(owned.begin(), owned.end(),
                               [](QWidget* c) { return c->isWindow() && c->isVisible(); }),
                 2);
    }

    void okHidesButTheCloseBoxDestroys_data() { WindowsData(); }
    void okHidesButTheCloseBoxDestroys() {
        QFETCH(QString, which);
        QFETCH(QString, caption);
        auto w = MakeWindow();
        Entry(*w, which)->trigger();
        QPointer<QWidget> first = TheOnly(caption);
        QVERIFY(first);
        QVERIFY(QTest::qWaitForWindowExposed(first));

        // "OK": hidden, kept, and shown again by the menu.
        QTest::mouseClick(OkButton(first), Qt::LeftButton);
        QVERIFY(!first->isVisible());
        QTest::qWait(0);  // a deferred deletion, if one was asked for, happens here
        QVERIFY(first);
        Entry(*w, which)->trigger();
        QCOMPARE(TheOnly(caption), first.data());
        QVERIFY(first->isVisible());

        // The close box: gone; the menu makes a new one.
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());
        QVERIFY(TheOnly(caption) == nullptr);
        Entry(*w, which)->trigger();
        QWidget* second = TheOnly(caption);
        QVERIFY(second != nullptr);
        QVERIFY(second->isVisible());
        QCOMPARE(second->parentWidget(), w.get());
    }

    // Announced as a window by its title; Esc and Enter on OK close it, and
    // Esc there does not reach the main window's Quit.
    void keyboardAndScreenReaders_data() { WindowsData(); }
    void keyboardAndScreenReaders() {
        QFETCH(QString, which);
        QFETCH(QString, caption);
        int quits = 0;
        auto w = test::ShowMainWindow(clipboard_, box_, &dialog_, &store_, [&] { ++quits; });
        Entry(*w, which)->trigger();
        QPointer<QWidget> shown = TheOnly(caption);
        QVERIFY(shown);
        QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(shown);
        QVERIFY(announced != nullptr);
        QCOMPARE(announced->role(), QAccessible::Window);
        QCOMPARE(announced->text(QAccessible::Name), caption);

        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!shown->isVisible());
        QCOMPARE(quits, 0);

        Entry(*w, which)->trigger();
        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        OkButton(shown)->setFocus();
        QTest::keyClick(OkButton(shown), Qt::Key_Return);
        QVERIFY(shown && !shown->isVisible());
    }

    void textsAndLooks_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QSize>("clientTwips");
        QTest::addColumn<bool>("sizable");
        QTest::addColumn<bool>("hasIcon");

        QTest::newRow("About") << "about" << QStringList{"", "https://zelvora.org"}
                               << QSize(3405, 1680) << false << false;
        QTest::newRow("QuickHelp")
            << "help"
            << QStringList{"1. Select your private key file for decrypting text.",
                           "2. Select the public key file of the other person who should receive "
                           "the "
                           "encrypted message.",
                           "3. For encrypting a message: type your message in to the message field "
                           "and "
                           "press \"Encrypt to clipboard and clear\". Now your encrypted message "
                           "is in the "
                           "clipboard and you can paste it into your favourite eMail application "
                           "or "
                           "messenger. Thats all!",
                           "4. For decrypting a message: Copy the encrypted part of your eMail or "
                           "chat "
                           "conversion to the clipboard. Press \"Decrypt from clipboard\". The "
                           "decrypted "
                           "message should now appear in the message field of Zelvora. Done!",
                           "FYI: To make a key pair, run zelvora-keygen NAME in a terminal. It "
                           "writes NAME.skey, your private key, and NAME.pkey, the public key to "
                           "give to the other person."}
            << QSize(4680, 4470) << true << true;
    }

    void textsAndLooks() {
        QFETCH(QString, which);
        QFETCH(QStringList, labels);
        QFETCH(QSize, clientTwips);
        QFETCH(bool, sizable);
        QFETCH(bool, hasIcon);
        auto w = MakeWindow();
        Entry(*w, which)->trigger();
        QWidget* window =
            which == "about" ? TheOnly("About Zelvora") : TheOnly("Zelvora - QuickHelp");
        QVERIFY(window != nullptr);

        // Labels by name, which is their order on the window.
        QList<QLabel*> found = window->findChildren<QLabel*>();
        std::sort(found.begin(), found.end(),
                  [](QLabel* a, QLabel* b) { return a->objectName() < b->objectName(); });
        QStringList texts;
        for (QLabel* label : found) {
            texts.append(label->text());
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        QCOMPARE(texts, labels);
        QCOMPARE(OkButton(window)->text(), QStringLiteral("OK"));
        QVERIFY(!OkButton(window)->isDefault() && !OkButton(window)->autoDefault());
        // No text is cut off by its fixed rectangle, whatever the font.
        QVERIFY(LabelFit::AllLabelsFit(*window));

        const double dpi = window->logicalDpiY();
        QCOMPARE(window->size(), QSize(qRound(clientTwips.width() * dpi / 1440),
                                       qRound(clientTwips.height() * dpi / 1440)));
        QCOMPARE(window->minimumSize() != window->maximumSize(), sizable);
        const Qt::WindowFlags flags = window->windowFlags();
        QCOMPARE(bool(flags & Qt::WindowMinimizeButtonHint), sizable);
        QCOMPARE(bool(flags & Qt::WindowMaximizeButtonHint), sizable);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(!window->windowIcon().isNull(), hasIcon);
    }

    void iconIsOne48PixelImageOf256Colours() {
        const QImage image(QStringLiteral(":/icons/org.zelvora.Zelvora.png"));
        QCOMPARE(image.size(), QSize(48, 48));
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QVERIFY(image.colorCount() <= 256);
        auto w = MakeWindow();
        QVERIFY(!w->windowIcon().isNull());
        QCOMPARE(w->windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
        QCOMPARE(ApplicationIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
    }
};

}  // namespace zelvora

QTEST_MAIN(zelvora::InfoWindowsTest)
#include "InfoWindowsTest.moc"
