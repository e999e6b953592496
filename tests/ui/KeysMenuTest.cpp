#include "ui/frmZuzezoRevevur.h"

#include "keys/AnyKey.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "keys/KeyFileDescription.h"
#include "keys/ProtectedKey.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/CryptoTestKeys.h"
#include "tests/support/TestKeys.h"
#include "ui/PassphraseAskPort.h"
#include "ui/MakeKeyPairDialog.h"
#include "ui/SavePublicKeyDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace zelvora {
namespace {

constexpr ScryptParameters kCheap{1024, 8, 1};
const SecureBytes kRight{'o', 'p', 'e', 'n'};

class CountingAsk : public PassphraseAskPort {
public:
    std::expected<SecureBytes, Error> Ask(const QString&, const QString&, bool) override {
        ++asked;
        return kRight;
    }
    int asked = 0;
};

const Bytes& KeyBlob(const QString& name) {
    if (name == "rsa") {
        return test::Alice().publicBlob;
    }
    return test::CryptoTestKeys::Ed25519().publicInfo;
}

QString FileText(const Bytes& blob) {
    const SecureBytes text = KeyFileText(blob);
    return QString::fromLatin1(reinterpret_cast<const char*>(text.data()),
                               static_cast<qsizetype>(text.size()));
}

// The key as a mail quotes it: a greeting, the hex wrapped at 64 columns
// behind quote markers, and a signature.
QString QuotedInMail(const Bytes& blob) {
    const QString hex = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(blob.data()), static_cast<qsizetype>(blob.size()))
            .toHex()
            .toUpper());
    QString text = QStringLiteral("> Hi Bob,\n>\n> here is my key:\n");
    for (qsizetype at = 0; at < hex.size(); at += 64) {
        text += QStringLiteral("> ") + hex.mid(at, 64) + QStringLiteral("\n");
    }
    return text + QStringLiteral(">\n> -- \n> Alice\n");
}

QString FingerprintOf(const Bytes& blob) {
    const auto key = AnyKey::FromPublicKeyBlob(blob);
    return QString::fromStdString(FingerprintText(*KeyFingerprint(*key)));
}

}  // namespace

class KeysMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<frmZuzezoRevevur> MakeWindow() {
        MainWindowPorts ports;
        ports.clipboard = &clipboard_;
        ports.messageBox = &box_;
        ports.fileDialog = &dialog_;
        ports.settings = &settings_;
        ports.quit = [] {};
        ports.passphrase = &ask_;
        ports.keyProtection = &kCheap;
        return std::make_unique<frmZuzezoRevevur>(std::move(ports));
    }

private slots:
    void init() {
        box_.shown.clear();
        clipboard_.content.reset();
        dialog_.answers.clear();
        dialog_.openings.clear();
        ask_.asked = 0;
    }

    // The public half of the key the box names, whether it is plain or
    // protected (asked for once), of either kind; a box naming nothing
    // usable gives one report and leaves the clipboard alone.
    void copyMyPublicKey_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");  // "rsa", "ed25519", or empty: a report
        QTest::addColumn<int>("asked");
        QTest::newRow("plain RSA") << "plain.skey"
                                   << "rsa" << 0;
        QTest::newRow("protected RSA") << "locked.skey"
                                       << "rsa" << 1;
        QTest::newRow("plain Ed25519") << "ed.skey"
                                       << "ed25519" << 0;
        QTest::newRow("missing file") << "none.skey"
                                      << "" << 0;
        QTest::newRow("public key file") << "me.pkey"
                                         << "" << 0;
        QTest::newRow("empty box") << ""
                                   << "" << 0;
    }

    void copyMyPublicKey() {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QFETCH(int, asked);
        QTemporaryDir dir;
        const auto write = [&](const QString& name, const Bytes& blob) {
            test::WriteKeyFile(dir.filePath(name), blob);
            QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
        };
        write("plain.skey", test::Alice().privateBlob);
        const SecureBytes locked = *Protect(test::Alice().privateBlob, kRight, kCheap);
        write("locked.skey", Bytes(locked.begin(), locked.end()));
        write("ed.skey", test::CryptoTestKeys::Ed25519().privateInfo);
        write("me.pkey", test::Alice().publicBlob);
        auto w = MakeWindow();
        w->txtPrivateKeyFile->setText(file.isEmpty() ? QString() : dir.filePath(file));
        clipboard_.content = QStringLiteral("before");
        w->mnuCopyPublicKey->trigger();
        QCOMPARE(ask_.asked, asked);
        if (expected.isEmpty()) {
            QCOMPARE(box_.shown.size(), 1);
            QCOMPARE(clipboard_.Text(), QStringLiteral("before"));
        } else {
            QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
            QCOMPARE(clipboard_.Text(), FileText(KeyBlob(expected)));
        }
    }

    // A key in a quoted, wrapped mail is found, described and saved as a new
    // file the public key box then names; no key, or a name taken, is one
    // report and no file written.
    void savePublicKeyFromClipboard_data() {
        QTest::addColumn<QString>("key");  // "rsa", "ed25519", or empty: no key in the text
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("described");
        QTest::newRow("RSA in a quoted mail") << "rsa" << false << "RSA 2048-bit public key";
        QTest::newRow("Ed25519 in a quoted mail") << "ed25519" << false << "Ed25519 public key";
        QTest::newRow("name taken") << "rsa" << true << "RSA 2048-bit public key";
        QTest::newRow("no key") << "" << false << "";
    }

    void savePublicKeyFromClipboard() {
        QFETCH(QString, key);
        QFETCH(bool, taken);
        QFETCH(QString, described);
        QTemporaryDir dir;
        const QString target = dir.filePath("carol.pkey");
        if (taken) {
            test::WriteKeyFile(target, test::Bob().publicBlob);
        }
        clipboard_.content =
            key.isEmpty() ? QStringLiteral("Hi Bob,\ncafe\nsee you\n") : QuotedInMail(KeyBlob(key));
        dialog_.answers.append(target);
        auto w = MakeWindow();
        w->txtPublicKeyFile->setText(dir.filePath("bob.pkey"));
        QString shown;
        // With no key found no dialog opens, and none is waited for.
        const auto confirmWith = [&] {
            auto* confirm = qobject_cast<SavePublicKeyDialog*>(QApplication::activeModalWidget());
            QVERIFY(confirm != nullptr);
            for (const QLabel* label : confirm->findChildren<QLabel*>()) {
                shown += label->text();
            }
            QVERIFY(!confirm->cmdSave->isEnabled());
            confirm->txtName->setText(QStringLiteral("carol"));
            confirm->cmdSave->click();
        };
        if (!key.isEmpty()) {
            QTimer::singleShot(0, this, confirmWith);
        }
        w->mnuSavePublicKey->trigger();
        if (key.isEmpty()) {
            QCOMPARE(box_.shown, QStringList{QStringLiteral("The clipboard holds no public key.")});
            QVERIFY(dialog_.openings.isEmpty());
            return;
        }
        QVERIFY(shown.contains(described));
        QVERIFY(shown.contains(FingerprintOf(KeyBlob(key))));
        QCOMPARE(dialog_.openings.size(), 1);
        QCOMPARE(dialog_.openings[0].fileName, QStringLiteral("carol.pkey"));
        QCOMPARE(dialog_.openings[0].folder, dir.path());
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString onDisk = QString::fromLatin1(saved.readAll());
        if (taken) {
            QCOMPARE(box_.shown.size(), 1);
            QCOMPARE(onDisk, FileText(test::Bob().publicBlob));
            QCOMPARE(w->txtPublicKeyFile->text(), dir.filePath("bob.pkey"));
        } else {
            QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
            QCOMPARE(onDisk, FileText(KeyBlob(key)));
            QCOMPARE(w->txtPublicKeyFile->text(), target);
            // And the saved key is one Encrypt writes to.
            w->SetMessageText(QStringLiteral("to Carol"));
            QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
            QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
            QVERIFY(clipboard_.Text().startsWith(QStringLiteral("03")));
        }
    }

    // A pair made through the dialog is written by the generator's rules and
    // read back: the private key box names it, the fingerprint shown is the
    // public file's, and a passphrase protects the private file. Make waits
    // for matching passphrases; a taken name is refused before generating.
    void makeKeyPair_data() {
        QTest::addColumn<QString>("passphrase");  // empty: "No passphrase"
        QTest::addColumn<bool>("taken");
        QTest::newRow("Ed25519 plain") << "" << false;
        QTest::newRow("Ed25519 protected") << "open" << false;
        QTest::newRow("name taken") << "" << true;
    }

    void makeKeyPair() {
        QFETCH(QString, passphrase);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString skey = dir.filePath("me.skey");
        const QString pkey = dir.filePath("me.pkey");
        if (taken) {
            test::WriteKeyFile(pkey, test::Bob().publicBlob);
        }
        auto w = MakeWindow();
        const QString before = w->txtPrivateKeyFile->text();
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<MakeKeyPairDialog*>(QApplication::activeModalWidget());
            QVERIFY(d != nullptr);
            d->txtName->setText(QStringLiteral("me"));
            d->txtFolder->setText(dir.path());
            d->cboKind->setCurrentIndex(1);
            if (passphrase.isEmpty()) {
                QVERIFY(!d->cmdMake->isEnabled());
                d->chkNoPassphrase->setChecked(true);
                QVERIFY(d->lblWarning->isVisibleTo(d));
            } else {
                d->txtPassphrase->setText(passphrase);
                d->txtPassphraseAgain->setText(passphrase + "x");
                QVERIFY(!d->cmdMake->isEnabled());
                d->txtPassphraseAgain->setText(passphrase);
            }
            QVERIFY(d->cmdMake->isEnabled());
            d->cmdMake->click();
        });
        w->mnuMakeKeyPair->trigger();
        QTRY_COMPARE(box_.shown.size(), 1);
        QTRY_VERIFY(w->mnuMakeKeyPair->isEnabled());
        if (taken) {
            QVERIFY(!QFile::exists(skey));
            QCOMPARE(w->txtPrivateKeyFile->text(), before);
            return;
        }
        QCOMPARE(w->txtPrivateKeyFile->text(), skey);
        const auto described = DescribeKeyFile(pkey.toStdString(), KeyFileKind::Public);
        QVERIFY(described.has_value());
        QCOMPARE(described->keyKind, KeyKind::Ed25519);
        QVERIFY(box_.shown[0].contains(
            QString::fromStdString(FingerprintText(described->fingerprint))));
        const auto blob = ReadKeyFile(skey.toStdString(), KeyFileKind::Private);
        QVERIFY(blob.has_value() && blob->has_value());
        QCOMPARE(IsProtected(**blob), !passphrase.isEmpty());
        QCOMPARE(ask_.asked, 0);
        // The new pair signs and reads: a message to its own public key
        // comes back verified, a protected key asked for once.
        box_.shown.clear();
        w->txtPublicKeyFile->setText(pkey);
        w->SetMessageText(QStringLiteral("first words"));
        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);
        QTest::mouseClick(w->cmdDecrypt, Qt::LeftButton);
        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        QCOMPARE(w->MessageText(), QStringLiteral("first words"));
        QVERIFY(w->fra1->title().contains(QStringLiteral("signed by me.pkey")));
        QCOMPARE(ask_.asked, passphrase.isEmpty() ? 0 : 1);
    }

    // Browse opens on the field's folder; the folder chosen replaces it and
    // the pair is made there, a cancelled chooser leaves it as it was.
    void makeKeyPairBrowse_data() {
        QTest::addColumn<bool>("chosen");
        QTest::newRow("folder chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void makeKeyPairBrowse() {
        QFETCH(bool, chosen);
        QTemporaryDir first;
        QTemporaryDir other;
        const QDir expected(chosen ? other.path() : first.path());
        dialog_.answers.append(chosen ? other.path() : QString());
        auto w = MakeWindow();
        w->txtPrivateKeyFile->setText(first.filePath("old.skey"));
        QString browsed;
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<MakeKeyPairDialog*>(QApplication::activeModalWidget());
            QVERIFY(d != nullptr);
            d->cmdBrowse->click();
            browsed = d->txtFolder->text();
            d->txtName->setText(QStringLiteral("me"));
            d->cboKind->setCurrentIndex(1);
            d->chkNoPassphrase->setChecked(true);
            d->cmdMake->click();
            // A Make left disabled fails below rather than waiting forever.
            if (d->isVisible()) {
                d->reject();
            }
        });
        w->mnuMakeKeyPair->trigger();
        QTRY_COMPARE(box_.shown.size(), 1);
        QCOMPARE(dialog_.openings.size(), 1);
        QVERIFY(dialog_.openings[0].foldersOnly);
        QCOMPARE(dialog_.openings[0].folder, first.path());
        QCOMPARE(browsed, expected.path());
        QCOMPARE(w->txtPrivateKeyFile->text(), expected.filePath("me.skey"));
    }

private:
    FakeClipboard clipboard_;
    RecordingMessageBox box_;
    FakeFileDialog dialog_;
    FakeSettingsStore settings_;
    CountingAsk ask_;
};

}  // namespace zelvora

QTEST_MAIN(zelvora::KeysMenuTest)
#include "KeysMenuTest.moc"
