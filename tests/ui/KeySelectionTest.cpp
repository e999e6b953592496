#include "ui/frmZuzezoRevevur.h"

#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/support/ShowMainWindow.h"
#include "tests/support/CryptoTestKeys.h"
#include "tests/support/TestKeys.h"
#include "widgets/MessageField.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "ui/QtFileDialog.h"
#include "ui/QtSettingsStore.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <QTimer>

#include <memory>

namespace zelvora {

namespace {

QString Stored(const QString& which, const QString& value) {
    return QStringLiteral("ZuzizOruverOvododa/Encryption/") +
           (which == "private" ? "PrivateKeyFile=" : "PublicKeyFile=") + value;
}

// The names the dialog offers in `folder`: files that do not match the
// selected entry are either left out or shown greyed out.
QStringList Listed(QFileDialog& dialog, const QString& folder) {
    QStringList names;
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        const QModelIndex root = model->index(folder);
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (model->flags(index).testFlag(Qt::ItemIsEnabled)) {
                names.append(model->fileName(index));
            }
        }
    }
    names.sort();
    return names;
}

// What the real dialog showed and listed while it was open.
struct DialogSeen {
    bool found = false;
    QString title;
    QString folder;
    QStringList entries;
    QString fileName;
    QStringList listedByFirstEntry;
    QStringList listedByAllTypes;
};

}  // namespace

class KeySelectionTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmZuzezoRevevur> MakeWindow(bool realDialog = false, bool realStore = false) {
        QtFileDialog* const real = realDialog ? new QtFileDialog() : nullptr;
        realDialog_.reset(real);
        FileDialogPort* const dialog = real ? static_cast<FileDialogPort*>(real) : &dialog_;
        SettingsStorePort* const store =
            realStore ? static_cast<SettingsStorePort*>(&realStore_) : &store_;
        auto window = test::ShowMainWindow(clipboard_, box_, dialog, store);
        if (real != nullptr) {
            real->SetOwner(window.get());
        }
        return window;
    }

    static QLineEdit* Box(frmZuzezoRevevur& w, const QString& which) {
        return which == "private" ? w.txtPrivateKeyFile : w.txtPublicKeyFile;
    }

    QString ConfText() {
        QFile file(configHome_.filePath("ZuzizOruverOvododa.conf"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir configHome_;
    FakeClipboard clipboard_;
    RecordingMessageBox box_;
    FakeFileDialog dialog_;
    FakeSettingsStore store_;
    std::unique_ptr<QtFileDialog> realDialog_;
    QtSettingsStore realStore_;

private slots:
    void initTestCase() {
        // Before anything in the process settles on the settings folder.
        QVERIFY(configHome_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_.path()));
    }

    void init() {
        box_ = RecordingMessageBox();
        dialog_ = FakeFileDialog();
        store_ = FakeSettingsStore();
    }

    void selectionStoresTheBoxFirstThenThePick_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");  // empty: Cancel
        // clang-format off
        QTest::newRow("private, cancel")             << "private" << ""            << "";
        QTest::newRow("public, cancel")              << "public"  << ""            << "";
        QTest::newRow("private, picked")             << "private" << ""            << "/home/me/keys/me.skey";
        QTest::newRow("public, picked, blanks kept") << "public"  << ""            << " /a/key s.pkey ";
        QTest::newRow("one blank is a name")         << "private" << ""            << " ";
        QTest::newRow("typed, then picked")          << "public"  << " typed.pkey" << "/keys/picked.pkey";
        QTest::newRow("typed, then cancelled")       << "private" << " typed.skey" << "";
        // clang-format on
    }

    void selectionStoresTheBoxFirstThenThePick() {
        QFETCH(QString, which);
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QLineEdit* box = Box(*w, which);
        QLineEdit* other = Box(*w, which == "private" ? "public" : "private");
        other->setText("other");
        box->setText("before");
        box->setFocus();
        QTest::keyClicks(box, typed);
        const QString boxBefore = box->text();
        store_.writes.clear();  // only what the button does counts
        dialog_.answers = {answer};
        QStringList storedWhileOpen;
        dialog_.whileOpen = [&] { storedWhileOpen = store_.writes; };

        // A real click: the box loses the focus to the button first.
        QTest::mouseClick(
            which == "private" ? w->cmdSelectPrivateKeyFile : w->cmdSelectPublicKeyFile,
            Qt::LeftButton);

        QCOMPARE(dialog_.openings.size(), 1);
        QCOMPARE(dialog_.openings[0].fileName, QString());
        QCOMPARE(storedWhileOpen, QStringList{Stored(which, boxBefore)});
        QStringList expected = storedWhileOpen;
        if (!answer.isEmpty()) {
            expected.append(Stored(which, answer));
        }
        QCOMPARE(store_.writes, expected);
        QCOMPARE(box->text(), answer.isEmpty() ? boxBefore : answer);
        QCOMPARE(other->text(), QStringLiteral("other"));
        QVERIFY(box_.shown.isEmpty());
    }

    void focusLossStoresTheBoxText_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");  // "<clear>": select all, delete
        QTest::addColumn<QString>("leaveBy");
        QTest::addColumn<QStringList>("stored");

        const QString path = QStringLiteral("  /tmp/my keys/a.skey  ");
        // clang-format off
        QTest::newRow("Tab, untrimmed") << "private" << ""     << path      << "tab"     << QStringList{path};
        QTest::newRow("Shift+Tab")      << "public"  << ""     << "b"       << "backtab" << QStringList{"b"};
        QTest::newRow("click, private") << "private" << ""     << "c"       << "click"   << QStringList{"c"};
        QTest::newRow("click, public")  << "public"  << ""     << "d"       << "click"   << QStringList{"d"};
        QTest::newRow("cleared")        << "public"  << "old"  << "<clear>" << "tab"     << QStringList{""};
        QTest::newRow("left twice unedited")
            << "private" << "same" << "" << "tab, back, tab" << QStringList{"same", "same"};
        QTest::newRow("another window is active")
            << "private" << "e" << "" << "other window" << QStringList{};
        // clang-format on
    }

    void focusLossStoresTheBoxText() {
        QFETCH(QString, which);
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, leaveBy);
        QFETCH(QStringList, stored);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QLineEdit* box = Box(*w, which);
        box->setText(start);
        box->setFocus();
        if (typed == "<clear>") {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Delete);
        } else {
            QTest::keyClicks(box, typed);
        }
        store_.writes.clear();

        QWidget other;
        if (leaveBy == "tab") {
            QTest::keyClick(box, Qt::Key_Tab);
        } else if (leaveBy == "backtab") {
            QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
        } else if (leaveBy == "click") {
            QLineEdit* target = Box(*w, which == "private" ? "public" : "private");
            QTest::mouseClick(target, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), target);
        } else if (leaveBy == "tab, back, tab") {
            QTest::keyClick(box, Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), box);
            QTest::keyClick(box, Qt::Key_Tab);
        } else {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QStringList expected;
        for (const QString& value : stored) {
            expected.append(Stored(which, value));
        }
        QCOMPARE(store_.writes, expected);
    }

    // Encrypt and Decrypt disable the key file boxes while they work. The
    // focus the pressed button gives up must not pass through the boxes on
    // its way, or every press would store both paths again.
    void pressStoresNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("Encrypt") << "encrypt";
        QTest::newRow("Decrypt") << "decrypt";
    }

    void pressStoresNothing() {
        QFETCH(QString, button);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->txtPrivateKeyFile->setText(QStringLiteral("/no such folder/own.skey"));
        w->txtPublicKeyFile->setText(QStringLiteral("/no such folder/recipient.pkey"));
        w->SetMessageText(QStringLiteral("to encrypt"));
        QPushButton* pressed = button == "encrypt" ? w->cmdEncrypt : w->cmdDecrypt;
        pressed->setFocus();
        store_.writes.clear();

        QTest::mouseClick(pressed, Qt::LeftButton);

        QVERIFY(!box_.shown.isEmpty());  // the press ran, and met the missing files
        QCOMPARE(store_.writes, QStringList());
    }

    void storeWritesTheUserSettingsFile_data() {
        QTest::addColumn<QStringList>("writes");  // private, public, private, ...
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("readBack");

        QTest::newRow("both") << QStringList{"/home/me/me.skey", "/home/me/you.pkey"}
                              << QStringList{"[Encryption]", "PrivateKeyFile=/home/me/me.skey",
                                             "PublicKeyFile=/home/me/you.pkey"}
                              << QStringList{"/home/me/me.skey", "/home/me/you.pkey"};
        QTest::newRow("blanks kept, empty stored, last wins")
            << QStringList{"first", "", "  /tmp/a b.skey "}
            << QStringList{"PrivateKeyFile=\"  /tmp/a b.skey \"", "PublicKeyFile="}
            << QStringList{"  /tmp/a b.skey ", ""};
        QTest::newRow("text like the file's own markup")
            << QStringList{"@Invalid()", "a;b=c\\d\"e.pkey"} << QStringList{"[Encryption]"}
            << QStringList{"@Invalid()", "a;b=c\\d\"e.pkey"};
    }

    void storeWritesTheUserSettingsFile() {
        QFETCH(QStringList, writes);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, readBack);
        const QString path = configHome_.filePath("ZuzizOruverOvododa.conf");
        QFile::remove(path);
        QtSettingsStore store;
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto mode = [&path] {
            struct stat info {};
            return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0u;
        };
        for (qsizetype i = 0; i < writes.size(); ++i) {
            store.Write("ZuzizOruverOvododa", "Encryption",
                        i % 2 == 0 ? "PrivateKeyFile" : "PublicKeyFile", writes[i]);
        }

        // On disk once the write returns, not when the program ends.
        const QStringList text = ConfText().split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            QVERIFY2(text.contains(line), qPrintable(text.join(" | ")));
        }
        QSettings reader(path, QSettings::IniFormat);
        QCOMPARE(reader.childGroups(), QStringList{"Encryption"});
        QCOMPARE(reader.value("Encryption/PrivateKeyFile").toString(), readBack[0]);
        QCOMPARE(reader.value("Encryption/PublicKeyFile").toString(), readBack[1]);
        QCOMPARE(store.Read("ZuzizOruverOvododa", "Encryption", "PrivateKeyFile"), readBack[0]);
        QCOMPARE(store.Read("ZuzizOruverOvododa", "Encryption", "PublicKeyFile"), readBack[1]);
        // It names the user's key files: the owner's alone, from the start
        // and across writes, and an older file left readable is closed.
        QCOMPARE(mode(), 0600u);
        QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadOther));
        QCOMPARE(store.Read("ZuzizOruverOvododa", "Encryption", "PrivateKeyFile"), readBack[0]);
        QCOMPARE(mode(), 0600u);
        QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadGroup));
        store.Write("ZuzizOruverOvododa", "Encryption", "PublicKeyFile", readBack[1]);
        QCOMPARE(mode(), 0600u);
    }

    // What the store holds shows in the boxes at start-up, exactly as
    // written; a key never written leaves its box empty.
    void startUpShowsTheStoredPaths_data() {
        QTest::addColumn<QStringList>("stored");  // private, public; "<none>": not written
        QTest::newRow("both") << QStringList{"/home/me/me.skey", "/home/me/you.pkey"};
        QTest::newRow("untrimmed, markup, missing files")
            << QStringList{"  /no such/a b.skey ", "@Invalid();x=\"y\",z\\w ü.pkey"};
        QTest::newRow("one never written") << QStringList{"<none>", "kept.pkey"};
        QTest::newRow("empty stored") << QStringList{"", "<none>"};
    }

    void startUpShowsTheStoredPaths() {
        QFETCH(QStringList, stored);
        QFile::remove(configHome_.filePath("ZuzizOruverOvododa.conf"));
        const QStringList keys{"PrivateKeyFile", "PublicKeyFile"};
        for (int i = 0; i < 2; ++i) {
            if (stored[i] != "<none>") {
                QtSettingsStore().Write("ZuzizOruverOvododa", "Encryption", keys[i], stored[i]);
            }
        }
        auto w = MakeWindow(false, true);
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(w->txtPrivateKeyFile->text(), stored[0] == "<none>" ? QString() : stored[0]);
        QCOMPARE(w->txtPublicKeyFile->text(), stored[1] == "<none>" ? QString() : stored[1]);
        // Typing at once goes into the first empty place: the message field
        // when a private key path was read back, else the private key box.
        const bool filled = !w->txtPrivateKeyFile->text().isEmpty();
        QCOMPARE(QApplication::focusWidget(),
                 filled ? static_cast<QWidget*>(w->TextBox) : w->txtPrivateKeyFile);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("hi"));
        QCOMPARE(w->MessageText(), filled ? QStringLiteral("hi") : QString());
        QCOMPARE(w->txtPrivateKeyFile->text(), filled ? stored[0] : QStringLiteral("hi"));

        // A path typed now is what the next start shows.
        w->txtPrivateKeyFile->setFocus();
        w->txtPrivateKeyFile->setText(QStringLiteral("/home/me/new.skey"));
        QTest::keyClick(w->txtPrivateKeyFile, Qt::Key_Tab);
        w.reset();
        auto again = MakeWindow(false, true);
        QCOMPARE(again->txtPrivateKeyFile->text(), QStringLiteral("/home/me/new.skey"));
    }

    // Each box tells the size and fingerprint of the key its path names, or
    // in a word why it names none, wherever the path is taken: leaving the
    // box, the dialog, the start. Never through a message box.
    void boxTellsWhichKeyItNames_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("file");  // what the path names
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("expected");  // "<key>": size, kind, fingerprint
        // clang-format off
        QTest::newRow("private key, focus")   << "private" << "a.skey"    << "focus"   << "<key>";
        QTest::newRow("public key, dialog")   << "public"  << "a.pkey"    << "dialog"  << "<key>";
        QTest::newRow("private key, start")   << "private" << "a.skey"    << "start"   << "<key>";
        QTest::newRow("public key, start")    << "public"  << "a.pkey"    << "start"   << "<key>";
        QTest::newRow("Ed25519 public key")   << "public"  << "ed.pkey"   << "focus"   << "<ed25519>";
        QTest::newRow("missing file")         << "public"  << "gone.pkey" << "focus"   << "No key file";
        QTest::newRow("not a key")            << "public"  << "notes.txt" << "focus"   << "Not a key";
        QTest::newRow("not a key, dialog")    << "private" << "notes.txt" << "dialog"  << "Not a key";
        QTest::newRow("private, others read") << "private" << "open.skey" << "focus"   << "File others can read";
        QTest::newRow("public in private")    << "private" << "a.pkey"    << "focus"   << "A public key, not private";
        QTest::newRow("a folder")             << "public"  << ""          << "focus"   << "A folder, not a key file";
        QTest::newRow("emptied")              << "private" << "<empty>"   << "focus"   << "";
        // clang-format on
    }

    void boxTellsWhichKeyItNames() {
        QFETCH(QString, which);
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const test::KeyPair& pair = test::Alice();
        test::WriteKeyFile(folder.filePath("a.skey"), pair.privateBlob);
        test::WriteKeyFile(folder.filePath("a.pkey"), pair.publicBlob);
        test::WriteKeyFile(folder.filePath("open.skey"), pair.privateBlob);
        // A key of the second kind is named by its kind, not a size.
        const Bytes& ed25519 = test::CryptoTestKeys::Ed25519().publicInfo;
        test::WriteKeyFile(folder.filePath("ed.pkey"), ed25519);
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QVERIFY(QFile::setPermissions(folder.filePath("a.skey"), ownerOnly));
        QVERIFY(QFile::setPermissions(folder.filePath("open.skey"),
                                      ownerOnly | QFile::ReadGroup | QFile::ReadOther));
        QFile notes(folder.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("Call Bob on Tuesday.\n");
        notes.close();
        QVERIFY(QFile::setPermissions(folder.filePath("notes.txt"), ownerOnly));
        if (expected == "<key>" || expected == "<ed25519>") {
            const Bytes& spki = expected == "<key>" ? pair.publicBlob : ed25519;
            const QByteArray digest =
                QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(spki.data()),
                                                    static_cast<qsizetype>(spki.size())),
                                         QCryptographicHash::Sha256);
            expected = QStringLiteral("%1 %2 key, SHA256:")
                           .arg(expected == "<key>" ? QStringLiteral("2048-bit")
                                                    : QStringLiteral("Ed25519"))
                           .arg(which) +
                       QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
        }
        const QString path = file == "<empty>" ? QString() : folder.filePath(file);

        if (how == "start") {
            store_.values[Stored(which, "").chopped(1)] = path;
        }
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QLineEdit* box = Box(*w, which);
        if (how != "start") {
            box->setToolTip(QStringLiteral("stale"));
            box->setAccessibleDescription(QStringLiteral("stale"));
        }
        if (how == "dialog") {
            dialog_.answers = {path};
            QTest::mouseClick(
                which == "private" ? w->cmdSelectPrivateKeyFile : w->cmdSelectPublicKeyFile,
                Qt::LeftButton);
        } else if (how == "focus") {
            box->setFocus();
            box->setText(path);
            QTest::keyClick(box, Qt::Key_Tab);
        }

        QCOMPARE(box->text(), path);
        QCOMPARE(box->toolTip(), expected);
        QCOMPARE(box->accessibleDescription(), expected);
        QCOMPARE(box_.shown, QStringList());
    }

    // The dialog opens in the folder of the path in its own box, else in the
    // other box's, else at home; folders that do not exist are passed over.
    void dialogOpensWhereTheKeysAre_data() {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("folder");  // "<home>", or below the test folder
        // clang-format off
        QTest::newRow("own box")             << "keys/a.skey"    << "other/b.pkey" << "keys";
        QTest::newRow("own file not there")  << "keys/new.skey"  << ""             << "keys";
        QTest::newRow("other box")           << ""               << "other/b.pkey" << "other";
        QTest::newRow("own folder missing")  << "gone/a.skey"    << "other/b.pkey" << "other";
        QTest::newRow("neither")             << ""               << ""             << "<home>";
        QTest::newRow("both folders missing") << "gone/a.skey"   << "gone/b.pkey"  << "<home>";
        // clang-format on
    }

    void dialogOpensWhereTheKeysAre() {
        QFETCH(QString, own);
        QFETCH(QString, other);
        QFETCH(QString, folder);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("keys") && QDir(root.path()).mkpath("other"));
        const auto at = [&](const QString& path) {
            return path.isEmpty() ? path : root.filePath(path);
        };
        auto w = MakeWindow();
        for (const QString& which : {QStringLiteral("private"), QStringLiteral("public")}) {
            dialog_.openings.clear();
            Box(*w, which)->setText(at(own));
            Box(*w, which == "private" ? "public" : "private")->setText(at(other));
            (which == "private" ? w->cmdSelectPrivateKeyFile : w->cmdSelectPublicKeyFile)->click();
            QCOMPARE(dialog_.openings.size(), 1);
            QCOMPARE(dialog_.openings[0].folder,
                     folder == "<home>" ? QDir::homePath() : root.filePath(folder));
            QCOMPARE(dialog_.openings[0].fileName, QString());
        }
    }

    void unwritableStoreIsIgnoredSilently() {
        const QString path = configHome_.filePath("ZuzizOruverOvododa.conf");
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));  // a folder where the file should be
        auto w = MakeWindow(false, true);
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClicks(w->txtPrivateKeyFile, "lost.skey");
        QTest::keyClick(w->txtPrivateKeyFile, Qt::Key_Tab);
        QCOMPARE(w->txtPrivateKeyFile->text(), QStringLiteral("lost.skey"));
        QCOMPARE(QApplication::focusWidget(), w->cmdSelectPrivateKeyFile);
        QVERIFY(box_.shown.isEmpty());
        QVERIFY(QDir(path).removeRecursively());
    }

    void realDialogAcceptsANewNameAndStartsAfreshEachTime() {
        QTemporaryDir folder;
        for (const char* name : {"a.skey", "b.pkey", "keyfile"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto w = MakeWindow(true, false);
        QVERIFY(QTest::qWaitForWindowActive(w.get()));

        // Polls inside the dialog's own event loop: looks, then answers, so a
        // failing check never leaves the dialog open. The folder is read and
        // filtered in the background, so each entry's listing is awaited, up
        // to a limit.
        DialogSeen seen;
        QString answer;
        int ticks = 0;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            QFileDialog* dialog = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QFileDialog*>(top); d && d->isVisible()) {
                    dialog = d;
                }
            }
            if (dialog == nullptr) {
                return;
            }
            auto* fileName = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (!seen.found) {
                seen.found = true;
                seen.title = dialog->windowTitle();
                seen.folder = dialog->directory().absolutePath();
                if (auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo")) {
                    for (int i = 0; i < combo->count(); ++i) {
                        seen.entries.append(combo->itemText(i));
                    }
                }
                seen.fileName = fileName ? fileName->text() : QStringLiteral("?");
                dialog->setDirectory(folder.path());
            }
            const QStringList listed = Listed(*dialog, folder.path());
            if (seen.listedByFirstEntry.isEmpty()) {
                if (listed.isEmpty() && ++ticks < 500) {
                    return;
                }
                seen.listedByFirstEntry = listed;
                dialog->selectNameFilter(dialog->nameFilters().value(1));
                ticks = 0;
                return;
            }
            if (listed.size() < 3 && ++ticks < 500) {
                return;
            }
            seen.listedByAllTypes = listed;
            poll.stop();
            if (!answer.isEmpty() && fileName != nullptr) {
                fileName->setText(answer);                // as the user types it
                static_cast<QDialog*>(dialog)->accept();  // public there
            }
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        const auto open = [&](QPushButton* button, const QString& name) {
            seen = DialogSeen();
            answer = name;
            ticks = 0;
            poll.start();
            button->click();
            poll.stop();
            return seen;
        };
        const QStringList allFiles{"a.skey", "b.pkey", "keyfile"};

        const QString newFile = folder.filePath("not yet.skey");
        const DialogSeen first = open(w->cmdSelectPrivateKeyFile, newFile);
        QVERIFY(first.found);
        QCOMPARE(first.title, QStringLiteral("Private Key file"));
        QCOMPARE(first.folder, QDir::homePath());
        QCOMPARE(first.entries, QStringList({"Private Key file (*.skey)", "All type (*.*)"}));
        QCOMPARE(first.fileName, QString());
        QCOMPARE(first.listedByFirstEntry, QStringList{"a.skey"});
        QCOMPARE(first.listedByAllTypes, allFiles);
        QCOMPARE(w->txtPrivateKeyFile->text(), newFile);
        QCOMPARE(store_.writes, QStringList{Stored("private", newFile)});

        // Nothing of the first opening shows; Cancel changes nothing.
        const DialogSeen second = open(w->cmdSelectPublicKeyFile, QString());
        QVERIFY(second.found);
        QCOMPARE(second.title, QStringLiteral("Public Key file"));
        QCOMPARE(second.folder, QDir(folder.path()).absolutePath());  // the private key's
        QCOMPARE(second.entries, QStringList({"Public Key file (*.pkey)", "All type (*.*)"}));
        QCOMPARE(second.fileName, QString());
        QCOMPARE(second.listedByFirstEntry, QStringList{"b.pkey"});
        QCOMPARE(second.listedByAllTypes, allFiles);
        QVERIFY(w->txtPublicKeyFile->text().isEmpty());
        QCOMPARE(store_.writes.size(), 1);
    }
};

}  // namespace zelvora

QTEST_MAIN(zelvora::KeySelectionTest)
#include "KeySelectionTest.moc"
