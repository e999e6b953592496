#include "widgets/MessageField.h"

#include "tests/fakes/FakeFileDialog.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/support/ShowMainWindow.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/TestKeys.h"
#include "ui/QtClipboard.h"
#include "ui/frmZuzezoRevevur.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace zelvora {

namespace {

const QString kHint = QStringLiteral("x-kde-passwordManagerHint");

}  // namespace

class CopyHintTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmZuzezoRevevur> MakeWindow() {
        return test::ShowMainWindow(clipboard_, box_, &dialog_, &store_);
    }

    QtClipboard clipboard_;
    RecordingMessageBox box_;
    FakeFileDialog dialog_;
    FakeSettingsStore store_;

private slots:
    void init() { QGuiApplication::clipboard()->clear(); }

    void copiedPlaintextIsMarkedSecret_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("fieldAfter");
        QTest::newRow("Ctrl+C") << "ctrl+c"
                                << "first line\nsecond line";
        QTest::newRow("Ctrl+X") << "ctrl+x"
                                << "";
        QTest::newRow("context menu Copy") << "copy()"
                                           << "first line\nsecond line";
    }

    void copiedPlaintextIsMarkedSecret() {
        QFETCH(QString, how);
        QFETCH(QString, fieldAfter);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->SetMessageText("first line\nsecond line");
        w->TextBox->setFocus();
        w->TextBox->selectAll();

        if (how == "ctrl+c") {
            QTest::keyClick(w->TextBox, Qt::Key_C, Qt::ControlModifier);
        } else if (how == "ctrl+x") {
            QTest::keyClick(w->TextBox, Qt::Key_X, Qt::ControlModifier);
        } else {
            // The context menu's entry runs this slot.
            w->TextBox->copy();
        }

        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QCOMPARE(data->text(), QStringLiteral("first line\nsecond line"));
        // Offered to other programs, not only carried along.
        QVERIFY(data->formats().contains(kHint));
        QCOMPARE(data->data(kHint), QByteArray("secret"));
        QCOMPARE(w->MessageText(), fieldAfter);
    }

    void ciphertextFromEncryptCarriesNoMark() {
        QTemporaryDir dir;
        test::WriteKeyFile(dir.filePath("me.pkey"), test::Alice().publicBlob);
        test::WriteKeyFile(dir.filePath("me.skey"), test::Alice().privateBlob);
        auto w = MakeWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->txtPrivateKeyFile->setText(dir.filePath("me.skey"));
        w->txtPublicKeyFile->setText(dir.filePath("me.pkey"));
        // A marked copy is on the clipboard before Encrypt replaces it.
        w->SetMessageText("to be sent");
        w->TextBox->selectAll();
        w->TextBox->copy();
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(kHint));

        QTest::mouseClick(w->cmdEncrypt, Qt::LeftButton);

        QVERIFY2(box_.shown.isEmpty(), qPrintable(box_.shown.join("|")));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QVERIFY(!data->text().isEmpty());
        QVERIFY(data->text() != QStringLiteral("to be sent"));
        QVERIFY(!data->hasFormat(kHint));
    }
};

}  // namespace zelvora

QTEST_MAIN(zelvora::CopyHintTest)
#include "CopyHintTest.moc"
