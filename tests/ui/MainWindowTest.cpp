#include "ui/frmZuzezoRevevur.h"

#include "app/SignalQuit.h"
#include "app/preloader.h"
#include "base/ErrorCode.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeProcessEnd.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/CryptoTestKeys.h"
#include "tests/support/ShowMainWindow.h"
#include "tests/support/TestKeys.h"
#include "ui/WarningColour.h"
#include "widgets/MessageField.h"
#include "widgets/WrappingButton.h"
#include "keys/Fingerprint.h"
#include "keys/RsaKey.h"
#include "texts/ErrorText.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <utility>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace zelvora {

// Records the window's busy state at the moment a report is shown, which is
// in the middle of an operation.
class BusyStateProbe : public MessageBoxPort {
public:
    void Show(const QString& text) override {
        shown.append(text);
        if (probe) {
            probe();
        }
    }
    QStringList shown;
    std::function<void()> probe;
};

// A display server that stopped answering in the middle of the clearing.
class HangingClipboard : public FakeClipboard {
public:
    void Clear() override {
        for (;;) {
            ::pause();
        }
    }
};

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmZuzezoRevevur> MakeWindow() {
        return test::ShowMainWindow(clipboard_, box_, &dialog_, &store_, [this] { ++quits_; });
    }

    QList<QWidget*> WorkControls(const frmZuzezoRevevur& w) {
        return {w.cmdEncrypt,
                w.cmdDecrypt,
                w.cmdClear,
                w.cmdSelectPrivateKeyFile,
                w.cmdSelectPublicKeyFile,
                w.txtPrivateKeyFile,
                w.txtPublicKeyFile};
    }

    FakeClipboard clipboard_;
    BusyStateProbe box_;
    FakeFileDialog dialog_;
    FakeSettingsStore store_;
    int quits_ = 0;

private slots:
    void init() {
        clipboard_ = FakeClipboard();
        box_ = BusyStateProbe();
        quits_ = 0;
    }

    void startsIdleAndEmpty() {
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(w->windowTitle(), QStringLiteral("Zelvora v1.0"));
        QCOMPARE(w->fra1->title(), QStringLiteral("Message"));
        QVERIFY(w->Frame2->title().isEmpty());
        QVERIFY(w->txtPrivateKeyFile->text().isEmpty());
        QVERIFY(w->txtPublicKeyFile->text().isEmpty());
        QVERIFY(w->TextBox->toPlainText().isEmpty());
        QVERIFY(w->StagingText().isEmpty());
        for (QWidget* control : WorkControls(*w)) {
            QVERIFY(control->isEnabled());
        }
        QCOMPARE(QApplication::focusWidget(), w->txtPrivateKeyFile);
        const QStringList captions = {w->cmdSelectPrivateKeyFile->text(),
                                      w->cmdSelectPublicKeyFile->text(),
                                      w->cmdEncrypt->text(),
                                      w->cmdDecrypt->text(),
                                      w->cmdClear->text(),
                                      w->cmdQuit->text()};
        QCOMPARE(captions, QStringList({"Private key file", "Public key file",
                                        "Encrypt to clipboard and clear", "Decrypt from clipboard",
                                        "Clear message field", "Quit"}));
        QCOMPARE(w->mnuAbout->text(), QStringLiteral("&About"));
        QCOMPARE(w->mnuHelp->text(), QStringLiteral("&QuickHelp"));
    }

    void offersNoCloseAndCannotBeResized() {
        auto w = MakeWindow();
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QCOMPARE(w->minimumSize(), w->maximumSize());
        // 6465 x 4470 twips of client area at the screen's DPI.
        const double dpi = w->logicalDpiY();
        QCOMPARE(w->centralWidget()->width(), qRound(6465 * dpi / 1440));
        QCOMPARE(w->centralWidget()->height(), qRound(4470 * dpi / 1440));
        // The message field is drawn over its frame, not inside it.
        QCOMPARE(w->TextBox->parentWidget(), w->centralWidget());
        QVERIFY(w->fra1->geometry().contains(w->TextBox->geometry()));
    }

    void tabVisitsTheControlsInOrder() {
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QList<QWidget*> expected = {w->cmdSelectPrivateKeyFile,
                                          w->txtPublicKeyFile,
                                          w->cmdSelectPublicKeyFile,
                                          w->TextBox,
                                          w->cmdQuit,
                                          w->cmdDecrypt,
                                          w->cmdEncrypt,
                                          w->cmdClear,
                                          w->txtPrivateKeyFile};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void escapeQuitsFromAnyControl_data() {
        QTest::addColumn<QString>("control");
        QTest::newRow("message field") << "TextBox";
        QTest::newRow("private path box") << "txtPrivateKeyFile";
        QTest::newRow("button") << "cmdEncrypt";
    }

    void escapeQuitsFromAnyControl() {
        QFETCH(QString, control);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QWidget* target = control == "TextBox" ? static_cast<QWidget*>(w->TextBox)
                          : control == "txtPrivateKeyFile"
                              ? static_cast<QWidget*>(w->txtPrivateKeyFile)
                              : w->cmdEncrypt;
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QCOMPARE(quits_, 1);
        // Esc leaves the focus where it was.
        QCOMPARE(QApplication::focusWidget(), target);
    }

    // Enter and Return press the focused button; screen readers hear the
    // names of the three text fields.
    void keyboardAndScreenReaders_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::newRow("Encrypt, Return") << "cmdEncrypt" << int(Qt::Key_Return);
        QTest::newRow("Decrypt, Enter") << "cmdDecrypt" << int(Qt::Key_Enter);
        QTest::newRow("Clear, Return") << "cmdClear" << int(Qt::Key_Return);
        QTest::newRow("Private key file, Return") << "private" << int(Qt::Key_Return);
        QTest::newRow("Public key file, Enter") << "public" << int(Qt::Key_Enter);
        QTest::newRow("Quit, Return") << "cmdQuit" << int(Qt::Key_Return);
    }

    void keyboardAndScreenReaders() {
        QFETCH(QString, button);
        QFETCH(int, key);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        const QMap<QString, QPushButton*> buttons{{"cmdEncrypt", w->cmdEncrypt},
                                                  {"cmdDecrypt", w->cmdDecrypt},
                                                  {"cmdClear", w->cmdClear},
                                                  {"private", w->cmdSelectPrivateKeyFile},
                                                  {"public", w->cmdSelectPublicKeyFile},
                                                  {"cmdQuit", w->cmdQuit}};
        QPushButton* target = buttons.value(button);
        QSignalSpy clicked(target, &QPushButton::clicked);
        target->setFocus();
        const auto modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(quits_, button == "cmdQuit" ? 1 : 0);
        // Held down, the key presses once.
        QKeyEvent repeat(QEvent::KeyPress, key, modifiers, QString(), true);
        QApplication::sendEvent(target, &repeat);
        QCOMPARE(clicked.count(), 1);

        const QList<std::pair<QWidget*, QString>> named{{w->txtPrivateKeyFile, "Private key file"},
                                                        {w->txtPublicKeyFile, "Public key file"},
                                                        {w->TextBox, "Message"}};
        for (const auto& [field, name] : named) {
            QCOMPARE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name), name);
        }
    }

    void enterInTheMessageFieldOnlyStartsALine() {
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            spies.append(std::make_shared<QSignalSpy>(b, &QPushButton::clicked));
        }
        w->TextBox->setFocus();
        QTest::keyClicks(w->TextBox, "ab");
        QTest::keyClick(w->TextBox, Qt::Key_Return);
        QTest::keyClicks(w->TextBox, "cd");
        QTest::keyClick(w->TextBox, Qt::Key_Enter);
        QCOMPARE(w->MessageText(), QStringLiteral("ab\ncd\n"));
        for (const auto& spy : spies) {
            QCOMPARE(spy->count(), 0);
        }
        QCOMPARE(quits_, 0);
    }

    void clearEmptiesOnlyTheMessageField() {
        auto w = MakeWindow();
        w->txtPrivateKeyFile->setText("a.skey");
        w->txtPublicKeyFile->setText("b.pkey");
        w->SetMessageText("some text");
        clipboard_.content = "on the clipboard";
        clipboard_.ownsSelection = true;
        QTest::mouseClick(w->cmdClear, Qt::LeftButton);
        QVERIFY(w->MessageText().isEmpty());
        QCOMPARE(w->txtPrivateKeyFile->text(), QStringLiteral("a.skey"));
        QCOMPARE(w->txtPublicKeyFile->text(), QStringLiteral("b.pkey"));
        QCOMPARE(clipboard_.Text(), QStringLiteral("on the clipboard"));
        QCOMPARE(clipboard_.log, QStringList{"release selection"});
        // On an empty field too.
        QTest::mouseClick(w->cmdClear, Qt::LeftButton);
        QVERIFY(w->MessageText().isEmpty());
    }

    void busyStateIsSeenDuringTheWork_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("encrypt") << true;
        QTest::newRow("decrypt") << false;
    }

    void busyStateIsSeenDuringTheWork() {
        QFETCH(bool, encrypt);
        auto w = MakeWindow();
        // No key files: the operation fails and reports in the middle of it.
        QString captionSeen;
        QList<bool> enabledSeen;
        QList<bool> stillUsable;
        box_.probe = [&] {
            captionSeen = w->fra1->title();
            for (QWidget* control : WorkControls(*w)) {
                enabledSeen.append(control->isEnabled());
            }
            stillUsable = {w->cmdQuit->isEnabled(), w->TextBox->isEnabled(),
                           w->mnuAbout->isEnabled(), w->mnuHelp->isEnabled()};
        };
        w->SetMessageText(QStringLiteral("typed"));
        QTest::mouseClick(encrypt ? w->cmdEncrypt : w->cmdDecrypt, Qt::LeftButton);
        QCOMPARE(box_.shown.size(), 1);
        QCOMPARE(captionSeen,
                 encrypt ? QStringLiteral("Encrypting...") : QStringLiteral("Decrypting..."));
        QCOMPARE(enabledSeen, QList<bool>(7, false));
        QCOMPARE(stillUsable, QList<bool>(4, true));
        QCOMPARE(w->fra1->title(), QStringLiteral("Message"));
        for (QWidget* control : WorkControls(*w)) {
            QVERIFY(control->isEnabled());
        }
    }

    void encryptsAndDecryptsThroughTheButtons() {
        QTemporaryDir dir;
        const QString privatePath = dir.filePath("me.skey");
        const QString publicPath = dir.filePath("me.pkey");
        test::WriteKeyFile(privatePath, test::Alice().privateBlob);
        test::WriteKeyFile(publicPath, test::Alice().publicBlob);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->txtPrivateKeyFile->setText(privatePath);
        w->txtPublicKeyFile->setText(publicPath);
        const QString message = QString::fromUtf8("Tschüß — до свидания\nzweite Zeile");
        w->SetMessageText(message);

        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QVERIFY(QRegularExpression("^[0-9A-F]+$").match(clipboard_.Text()).hasMatch());
        QVERIFY(w->MessageText().isEmpty());
        QVERIFY(w->StagingText().isEmpty());

        QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);
        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->MessageText(), message);
        QVERIFY(!clipboard_.content.has_value());
        QVERIFY(w->StagingText().isEmpty());
    }

    // What the recipient reads is what was written: only the break between
    // paragraphs, which is all a paragraph separator can be in the field,
    // travels as a line feed.
    void messageIsReadAsWritten_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::newRow("no-break space")
            << QStringView(u"a\u00A0b").toString() << QStringView(u"a\u00A0b").toString();
        QTest::newRow("line separator")
            << QStringView(u"a\u2028b").toString() << QStringView(u"a\u2028b").toString();
        QTest::newRow("paragraph separator")
            << QStringView(u"a\u2029b").toString() << QStringView(u"a\nb").toString();
        QTest::newRow("paragraphs, all three")
            << QStringView(u"1\u00A0\u2028\n2\u2029\n").toString()
            << QStringView(u"1\u00A0\u2028\n2\n\n").toString();
    }

    void messageIsReadAsWritten() {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QTemporaryDir dir;
        test::WriteKeyFile(dir.filePath("me.skey"), test::Alice().privateBlob);
        test::WriteKeyFile(dir.filePath("me.pkey"), test::Alice().publicBlob);
        auto w = MakeWindow();
        w->txtPrivateKeyFile->setText(dir.filePath("me.skey"));
        w->txtPublicKeyFile->setText(dir.filePath("me.pkey"));
        w->TextBox->insertPlainText(written);  // as typed or pasted
        QCOMPARE(w->MessageText(), read);

        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);
        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->MessageText(), read);
    }

    // Alice writes to herself, signed; she reads it with her own public key
    // in the box (verified) or Bob's (not verified).
    void frameShowsTheWriterUntilTheTextChanges_data() {
        QTest::addColumn<QString>("readerBox");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("verified");
        QTest::addColumn<QString>("change");
        for (const char* change : {"typing", "clearing", "encrypting"}) {
            QTest::addRow("verified, then %s", change)
                << "me.pkey" << QString::fromUtf8("Message \u2014 signed by me.pkey") << true
                << change;
            QTest::addRow("other key, then %s", change)
                << "bob.pkey"
                << QString::fromUtf8("Message \u2014 not verified: signed by another key") << false
                << change;
        }
    }

    void frameShowsTheWriterUntilTheTextChanges() {
        QFETCH(QString, readerBox);
        QFETCH(QString, caption);
        QFETCH(bool, verified);
        QFETCH(QString, change);
        QTemporaryDir dir;
        test::WriteKeyFile(dir.filePath("me.skey"), test::Alice().privateBlob);
        test::WriteKeyFile(dir.filePath("me.pkey"), test::Alice().publicBlob);
        test::WriteKeyFile(dir.filePath("bob.pkey"), test::Bob().publicBlob);
        auto w = MakeWindow();
        const QRect frame = w->fra1->geometry();
        w->txtPrivateKeyFile->setText(dir.filePath("me.skey"));
        w->txtPublicKeyFile->setText(dir.filePath("me.pkey"));
        w->SetMessageText(QStringLiteral("hello"));
        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        w->txtPublicKeyFile->setText(dir.filePath(readerBox));
        QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);

        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->MessageText(), QStringLiteral("hello"));
        QCOMPARE(w->fra1->title(), caption);
        const QString alice = QString::fromStdString(FingerprintText(
            *KeyFingerprint(**RsaKey::FromPublicKeyBlob(test::Alice().publicBlob))));
        QVERIFY(w->fra1->accessibleDescription().contains(alice));
        QCOMPARE(w->fra1->toolTip(), w->fra1->accessibleDescription());
        QCOMPARE(w->fra1->accessibleDescription().contains("Anyone who has your public key"),
                 !verified);
        // Unverified stands out; the frame does not move or grow.
        QCOMPARE(w->fra1->font().bold(), !verified);
        QCOMPARE(w->fra1->palette().color(QPalette::WindowText) ==
                     w->palette().color(QPalette::WindowText),
                 verified);
        QCOMPARE(w->fra1->geometry(), frame);

        if (change == "typing") {
            w->TextBox->setFocus();
            QTest::keyClick(w->TextBox, Qt::Key_X);
        } else if (change == "clearing") {
            QTest::mouseClick(w->cmdClear, Qt::LeftButton);
        } else {
            // A new operation, even one that fails, puts the frame back.
            w->txtPublicKeyFile->setText(dir.filePath("missing.pkey"));
            QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        }
        QCOMPARE(w->fra1->title(), QStringLiteral("Message"));
        QVERIFY(w->fra1->accessibleDescription().isEmpty());
        QVERIFY(w->fra1->toolTip().isEmpty());
        QVERIFY(!w->fra1->font().bold());
    }

    // Ed25519 keys, alone or beside RSA ones, in either box: the same
    // captions as with RSA keys, and the writer's copy opens too.
    void keysOfEitherKindReadAndWrite_data() {
        QTest::addColumn<bool>("writerEd25519");
        QTest::addColumn<bool>("recipientEd25519");
        QTest::newRow("Ed25519 to Ed25519") << true << true;
        QTest::newRow("Ed25519 to RSA") << true << false;
        QTest::newRow("RSA to Ed25519") << false << true;
    }

    void keysOfEitherKindReadAndWrite() {
        QFETCH(bool, writerEd25519);
        QFETCH(bool, recipientEd25519);
        const test::EncodedKey& edMe = test::CryptoTestKeys::Ed25519();
        const test::EncodedKey& edBob = test::CryptoTestKeys::OtherEd25519();
        QTemporaryDir dir;
        test::WriteKeyFile(dir.filePath("me.skey"),
                           writerEd25519 ? edMe.privateInfo : test::Alice().privateBlob);
        test::WriteKeyFile(dir.filePath("me.pkey"),
                           writerEd25519 ? edMe.publicInfo : test::Alice().publicBlob);
        test::WriteKeyFile(dir.filePath("bob.skey"),
                           recipientEd25519 ? edBob.privateInfo : test::Bob().privateBlob);
        test::WriteKeyFile(dir.filePath("bob.pkey"),
                           recipientEd25519 ? edBob.publicInfo : test::Bob().publicBlob);
        auto w = MakeWindow();
        w->txtPrivateKeyFile->setText(dir.filePath("me.skey"));
        w->txtPublicKeyFile->setText(dir.filePath("bob.pkey"));
        w->SetMessageText(QStringLiteral("hello"));
        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->fra1->title(),
                 QString::fromUtf8("Message \u2014 encrypted for bob.pkey, signed"));
        const QString ciphertext = clipboard_.Text();

        // (reader's private key box, public key box): the recipient, then
        // the writer reading their own copy.
        const std::pair<const char*, const char*> readers[] = {{"bob.skey", "me.pkey"},
                                                               {"me.skey", "me.pkey"}};
        for (const auto& [own, writer] : readers) {
            clipboard_.SetText(ciphertext);
            w->txtPrivateKeyFile->setText(dir.filePath(own));
            w->txtPublicKeyFile->setText(dir.filePath(writer));
            QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);
            QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
            QCOMPARE(w->MessageText(), QStringLiteral("hello"));
            QCOMPARE(w->fra1->title(), QString::fromUtf8("Message \u2014 signed by me.pkey"));
            QVERIFY(!w->fra1->font().bold());
        }
    }

    // What a press of Encrypt did stays on the frame until the field changes;
    // a press on the emptied field leaves the ciphertext on the clipboard.
    void frameSaysWhatEncryptDid_data() {
        QTest::addColumn<QString>("privateBox");
        QTest::addColumn<QString>("caption");
        QTest::newRow("signed") << "me.skey"
                                << QString::fromUtf8(
                                       "Message \u2014 encrypted for bob.pkey, signed");
        QTest::newRow("not signed")
            << "" << QString::fromUtf8("Message \u2014 encrypted for bob.pkey, not signed");
    }

    void frameSaysWhatEncryptDid() {
        QFETCH(QString, privateBox);
        QFETCH(QString, caption);
        QTemporaryDir dir;
        test::WriteKeyFile(dir.filePath("me.skey"), test::Alice().privateBlob);
        test::WriteKeyFile(dir.filePath("bob.pkey"), test::Bob().publicBlob);
        test::WriteKeyFile(dir.filePath("bob.skey"), test::Bob().privateBlob);
        auto w = MakeWindow();
        const QRect frame = w->fra1->geometry();
        w->txtPrivateKeyFile->setText(privateBox.isEmpty() ? QString() : dir.filePath(privateBox));
        w->txtPublicKeyFile->setText(dir.filePath("bob.pkey"));
        w->SetMessageText(QStringLiteral("hello"));
        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);

        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->fra1->title(), caption);
        const QString bob = QString::fromStdString(
            FingerprintText(*KeyFingerprint(**RsaKey::FromPublicKeyBlob(test::Bob().publicBlob))));
        QVERIFY(w->fra1->accessibleDescription().contains(bob));
        QCOMPARE(w->fra1->toolTip(), w->fra1->accessibleDescription());
        QVERIFY(!w->fra1->font().bold());
        QCOMPARE(w->fra1->geometry(), frame);

        // A second click (as of a double click) finds the field empty: the
        // ciphertext stays, and the frame says why.
        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        QCOMPARE(w->fra1->title(), QString::fromUtf8("Message \u2014 nothing to encrypt"));
        w->txtPrivateKeyFile->setText(dir.filePath("bob.skey"));
        QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);
        QCOMPARE(w->MessageText(), QStringLiteral("hello"));
        w->TextBox->setFocus();
        QTest::keyClick(w->TextBox, Qt::Key_X);
        QCOMPARE(w->fra1->title(), QStringLiteral("Message"));
        QVERIFY(w->fra1->accessibleDescription().isEmpty());
    }

    // The warning keeps a 4.5:1 contrast against the frame's background,
    // on light and dark palettes alike.
    void warningColourIsLegibleOnAnyPalette_data() {
        QTest::addColumn<QColor>("background");
        QTest::newRow("light grey (Fusion)") << QColor(0xEF, 0xEF, 0xEF);
        QTest::newRow("mid grey") << QColor(0x77, 0x77, 0x77);
        QTest::newRow("dark grey (Breeze Dark)") << QColor(0x31, 0x36, 0x3B);
        QTest::newRow("black") << QColor(Qt::black);
    }

    void warningColourIsLegibleOnAnyPalette() {
        QFETCH(QColor, background);
        const QColor warning = WarningColour(background);
        QVERIFY2(ContrastRatio(warning, background) >= 4.5, qPrintable(warning.name()));
        // Still a red: the hue is kept where the colour has one left.
        QVERIFY(warning.red() >= warning.green() && warning.red() >= warning.blue());

        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Window, background);
        auto w = MakeWindow();
        w->setPalette(palette);
        w->ShowSignature(SignatureNotice{false, "Message \u2014 not verified", {}});
        QCOMPARE(w->fra1->palette().color(QPalette::WindowText), warning);
    }

    // Every caption is whole inside its button, on at most two lines, in a
    // font reduced no more than needed; the buttons keep their places.
    void captionsFitTheirButtons_data() {
        QTest::addColumn<double>("pointSize");
        QTest::addColumn<QString>("styleSheet");
        QTest::newRow("the window's own font") << 8.0 << QString();
        QTest::newRow("a large font") << 14.0 << QString();
        QTest::newRow("a style with padding") << 8.0 << "QPushButton { padding: 2px 10px; }";
    }

    void captionsFitTheirButtons() {
        QFETCH(double, pointSize);
        QFETCH(QString, styleSheet);
        auto w = MakeWindow();
        const QRect encrypt = w->cmdEncrypt->geometry();
        w->setStyleSheet(styleSheet);
        QFont font = w->font();
        font.setPointSizeF(pointSize);
        w->setFont(font);
        int reduced = 0;
        for (const WrappingButton* button : w->findChildren<WrappingButton*>()) {
            const QFont caption = button->CaptionFont();
            const QRect area = button->CaptionArea();
            QVERIFY2(button->CaptionFits(caption, area), qPrintable(button->text()));
            if (caption.pointSizeF() < button->font().pointSizeF()) {
                ++reduced;
                QFont larger = caption;
                larger.setPointSizeF(caption.pointSizeF() + 0.25);
                QVERIFY2(!button->CaptionFits(larger, area), qPrintable(button->text()));
            }
        }
        QCOMPARE(w->findChildren<WrappingButton*>().size(), 6);
        // The short caption never shrinks; the large font makes some.
        const auto* quit = qobject_cast<WrappingButton*>(w->cmdQuit);
        QVERIFY(quit != nullptr);
        QCOMPARE(quit->CaptionFont(), quit->font());
        if (pointSize > 8) {
            QVERIFY(reduced > 0);
        }
        QCOMPARE(w->cmdEncrypt->geometry(), encrypt);
    }

    void closeRequestIsHandledAsQuit() {
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QVERIFY(!w->close());
        QCOMPARE(quits_, 1);
    }

    void startUpShowsTheMainWindowAndQuitClearsThenEnds() {
        FakeProcessEnd end;
        QStringList clipboardLogAtEnd;
        end.onEnd = [&] { clipboardLogAtEnd = clipboard_.log; };
        clipboard_.content = "ciphertext left by Encrypt";
        clipboard_.ownsSelection = true;
        preloader splash(clipboard_, end);
        splash.Form_Load();
        frmZuzezoRevevur* w = splash.MainWindow();
        QVERIFY(w != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.windowTitle(), QStringLiteral("Form1"));

        QTest::mouseClick(w->cmdQuit, Qt::LeftButton);
        QCOMPARE(end.ends, 1);
        QCOMPARE(clipboardLogAtEnd, QStringList({"clear", "release selection"}));
        QVERIFY(!clipboard_.content.has_value());
    }

    // With stop signals caught, as the program does, the user's Quit is
    // bounded as a signal is: a clearing that hangs ends the process after
    // the grace time with the note. Every other way out reaches the same
    // Quit (see above). Runs in a child, which the deadline ends.
    void quitThatHangsEndsAfterTheGrace() {
        int errors[2];
        QCOMPARE(::pipe(errors), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::dup2(errors[1], STDERR_FILENO);
            SignalQuit stops(nullptr, std::chrono::milliseconds(300));
            HangingClipboard clipboard;
            FakeProcessEnd end;
            preloader splash(clipboard, end);
            splash.Form_Load();
            QTest::mouseClick(splash.MainWindow()->cmdQuit, Qt::LeftButton);
            ::_exit(end.ends == 0 ? 2 : 3);  // reached only without a hang
        }
        ::close(errors[1]);
        int status = 0;
        pid_t ended = 0;
        QElapsedTimer waited;
        waited.start();
        while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && waited.elapsed() < 5000) {
            QTest::qSleep(10);
        }
        if (ended == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        QFile said;
        QVERIFY(said.open(errors[0], QIODevice::ReadOnly, QFile::AutoCloseHandle));
        const QByteArray text = said.readAll();
        QVERIFY2(ended != 0, "the hanging Quit was not ended");
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1);
        const QByteArray note = QByteArray::fromStdString(
            DescribeWithNumber(MakeError(ErrorCode::ClearCutShort), Surface::Window) + "\n");
        QVERIFY2(text.endsWith(note) && text.count(note) == 1, text.constData());
    }
};

}  // namespace zelvora

QTEST_MAIN(zelvora::MainWindowTest)
#include "MainWindowTest.moc"
