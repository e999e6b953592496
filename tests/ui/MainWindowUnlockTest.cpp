#include "ui/frmZuzezoRevevur.h"

#include "base/ErrorCode.h"
#include "keys/ProtectedKey.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/TestKeys.h"
#include "ui/PassphraseDialog.h"
#include "ui/QtPassphraseAsk.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

namespace zelvora {
namespace {

using namespace std::chrono_literals;

// Scrypt at a cost a test can pay on every press; the programs never see it.
constexpr ScryptParameters kCheap{1024, 8, 1};
const SecureBytes kRight{'o', 'p', 'e', 'n'};
const SecureBytes kWrong{'s', 'h', 'u', 't'};

class FakeClock : public ClockPort {
public:
    std::chrono::steady_clock::time_point Now() const override { return now; }
    std::chrono::steady_clock::time_point now{};
};

// Answers from a script, then the right passphrase; remembers each `again`.
class ScriptedAsk : public PassphraseAskPort {
public:
    std::expected<SecureBytes, Error> Ask(const QString&, const QString&, bool again) override {
        agains.push_back(again);
        if (script.empty()) {
            return kRight;
        }
        auto answer = script.front();
        script.pop_front();
        return answer;
    }
    std::deque<std::expected<SecureBytes, Error>> script;
    std::vector<bool> agains;
};

void WriteProtectedKey(const QString& path) {
    const SecureBytes locked = *Protect(test::Alice().privateBlob, kRight, kCheap);
    test::WriteKeyFile(path, Bytes(locked.begin(), locked.end()));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace

class MainWindowUnlockTest : public QObject {
    Q_OBJECT

    std::unique_ptr<frmZuzezoRevevur> MakeWindow() {
        MainWindowPorts ports;
        ports.clipboard = &clipboard_;
        ports.messageBox = &box_;
        ports.fileDialog = &dialog_;
        ports.settings = &settings_;
        ports.quit = [] {};
        ports.passphrase = &ask_;
        ports.clock = &clock_;
        auto window = std::make_unique<frmZuzezoRevevur>(std::move(ports));
        window->txtPrivateKeyFile->setText(dir_.filePath("me.skey"));
        window->txtPublicKeyFile->setText(dir_.filePath("bob.pkey"));
        window->show();
        return window;
    }

private slots:
    void init() {
        box_.shown.clear();
        ask_ = ScriptedAsk();
        WriteProtectedKey(dir_.filePath("me.skey"));
        test::WriteKeyFile(dir_.filePath("me.pkey"), test::Alice().publicBlob);
        test::WriteKeyFile(dir_.filePath("bob.pkey"), test::Bob().publicBlob);
    }

    // The passphrase is asked once, and the key then serves every press
    // until it idles ten minutes or something drops it. Steps: Pn presses
    // Encrypt, after which n passphrases have been asked in all; a number
    // waits that many minutes; F is Forget unlocked key, O names another
    // file in the box, R rewrites the key file, Q is Quit.
    void unlockedKeyIsKeptWhileUsed_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("used within ten minutes") << "P1 9 P1 9 P1";
        QTest::newRow("idle ten minutes") << "P1 9 P1 10 P2";
        QTest::newRow("Forget unlocked key") << "P1 F P2";
        QTest::newRow("box names another file") << "P1 O P2";
        QTest::newRow("file rewritten") << "P1 R P2";
        QTest::newRow("Quit") << "P1 Q P2";
    }

    void unlockedKeyIsKeptWhileUsed() {
        QFETCH(QString, steps);
        auto w = MakeWindow();
        for (const QString& step : steps.split(' ')) {
            if (step.startsWith('P')) {
                w->SetMessageText(QStringLiteral("hello"));
                w->cmdEncrypt->click();
                QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
                QVERIFY(w->MessageText().isEmpty());
                QCOMPARE(QString::number(ask_.agains.size()), step.mid(1));
            } else if (step == "F") {
                w->mnuForgetKey->trigger();
            } else if (step == "O") {
                QFile::copy(dir_.filePath("me.skey"), dir_.filePath("copy.skey"));
                w->txtPrivateKeyFile->setText(dir_.filePath("copy.skey"));
            } else if (step == "R") {
                WriteProtectedKey(dir_.filePath("me.skey"));
            } else if (step == "Q") {
                w->cmdQuit->click();
            } else {
                clock_.now += std::chrono::minutes(step.toInt());
            }
        }
    }

    // Wrong passphrases are asked for again, up to three in all; the press
    // then ends with one report. Cancel ends it silently. The message stays.
    void declinedOrWrongPassphraseKeepsTheMessage_data() {
        QTest::addColumn<std::vector<bool>>("wrongs");
        QTest::addColumn<bool>("cancelLast");
        QTest::addColumn<std::vector<bool>>("agains");
        QTest::addColumn<int>("reports");
        QTest::newRow("wrong three times")
            << std::vector{true, true, true} << false << std::vector{false, true, true} << 1;
        QTest::newRow("cancel") << std::vector<bool>{} << true << std::vector{false} << 0;
    }

    void declinedOrWrongPassphraseKeepsTheMessage() {
        QFETCH(std::vector<bool>, wrongs);
        QFETCH(bool, cancelLast);
        QFETCH(std::vector<bool>, agains);
        QFETCH(int, reports);
        for (std::size_t i = 0; i < wrongs.size(); ++i) {
            ask_.script.push_back(kWrong);
        }
        if (cancelLast) {
            ask_.script.push_back(std::unexpected(MakeError(ErrorCode::PassphraseCancelled)));
        }
        auto w = MakeWindow();
        w->SetMessageText(QStringLiteral("kept"));
        w->cmdEncrypt->click();
        QCOMPARE(ask_.agains, agains);
        QCOMPARE(box_.shown.size(), reports);
        QCOMPARE(w->MessageText(), QStringLiteral("kept"));
        QVERIFY(!clipboard_.content.has_value());
    }

    // The real dialog: it names the file and fingerprint, does not echo,
    // says when the last passphrase was wrong, and leaves nothing in its
    // field once read. OK gives what was typed; Cancel declines.
    void dialogAsksAndForgets() {
        PassphraseDialog dialog(dir_.filePath("me.skey"), QStringLiteral("AB:CD"), true);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Zelvora"));
        // The file's name only: a long folder would push the name out of sight.
        QVERIFY(dialog.lblPrompt->text().startsWith("The private key file me.skey is"));
        QVERIFY(dialog.lblPrompt->text().contains("Fingerprint: AB:CD"));
        QVERIFY(!dialog.lblWrong->isHidden());
        QCOMPARE(dialog.txtPassphrase->echoMode(), QLineEdit::Password);
        QVERIFY(dialog.txtPassphrase->inputMethodHints() & Qt::ImhSensitiveData);
        dialog.txtPassphrase->insert(QString::fromUtf8("p\u00e4ss"));
        QCOMPARE(dialog.TakePassphrase(), (SecureBytes{'p', 0xC3, 0xA4, 's', 's'}));
        QVERIFY(dialog.txtPassphrase->text().isEmpty());

        for (const bool accept : {true, false}) {
            QTimer::singleShot(0, [accept] {
                auto* open = qobject_cast<PassphraseDialog*>(QApplication::activeModalWidget());
                QVERIFY(open != nullptr);
                QVERIFY(open->lblWrong->isHidden());
                QTest::keyClicks(open->txtPassphrase, QStringLiteral("open"));
                accept ? open->accept() : open->reject();
            });
            QtPassphraseAsk ask;
            const auto answer = ask.Ask(dir_.filePath("me.skey"), QString(), false);
            if (accept) {
                QCOMPARE(answer.value_or(SecureBytes()), kRight);
            } else {
                QVERIFY(!answer && answer.error() == MakeError(ErrorCode::PassphraseCancelled));
            }
        }
    }

private:
    QTemporaryDir dir_;
    FakeClipboard clipboard_;
    RecordingMessageBox box_;
    FakeFileDialog dialog_;
    FakeSettingsStore settings_;
    ScriptedAsk ask_;
    FakeClock clock_;
};

}  // namespace zelvora

QTEST_MAIN(zelvora::MainWindowUnlockTest)
#include "MainWindowUnlockTest.moc"
