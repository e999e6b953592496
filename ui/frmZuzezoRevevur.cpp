#include "ui/frmZuzezoRevevur.h"

#include "base/ErrorCode.h"
#include "message/DecryptFromClipboard.h"
#include "message/EncryptToClipboard.h"
#include "message/CopyPublicKey.h"
#include "message/FindPublicKey.h"
#include "texts/ErrorReport.h"
#include "texts/KeysMenuText.h"
#include "ui/MakeKeyPairDialog.h"
#include "ui/SavePublicKeyDialog.h"
#include "workflow/KeyFileWriter.h"
#include "texts/Version.h"
#include "ui/EnterClicksButton.h"
#include "ui/KeyFileTip.h"
#include "ui/QtPassphraseAsk.h"
#include "widgets/ApplicationIcon.h"
#include "widgets/MessageField.h"
#include "ui/Twips.h"
#include "ui/WarningColour.h"
#include "widgets/WrappingButton.h"
#include "ui/frmAbout.h"
#include "ui/frmHelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>

namespace zelvora {
namespace {

// Where the two key file paths are remembered.
const QString kApplication = QStringLiteral("ZuzizOruverOvododa");
const QString kSection = QStringLiteral("Encryption");
const QString kPrivateKeyFile = QStringLiteral("PrivateKeyFile");
const QString kPublicKeyFile = QStringLiteral("PublicKeyFile");

// The folder `path` lies in, if it exists. A relative path is taken from the
// current folder, as the key file reader takes it.
QString ExistingFolderOf(const QString& path) {
    if (path.isEmpty()) {
        return QString();
    }
    const QString folder = QFileInfo(path).absolutePath();
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

frmZuzezoRevevur::frmZuzezoRevevur(MainWindowPorts ports, QWidget* parent)
    : QMainWindow(parent), ports_(std::move(ports)) {
    setWindowTitle(QStringLiteral("Zelvora v") + QLatin1String(kShortVersion));
    setWindowIcon(ApplicationIcon());
    // A fixed-size window with a minimise box and no close command of its
    // own: Quit is the way out, so the clipboard is always cleared.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);

    mnuAbout = menuBar()->addAction(QStringLiteral("&About"));
    mnuHelp = menuBar()->addAction(QStringLiteral("&QuickHelp"));
    QMenu* keys = menuBar()->addMenu(Utf8(kKeysMenu));
    mnuMakeKeyPair = keys->addAction(Utf8(kMakeKeyPairMenu));
    mnuCopyPublicKey = keys->addAction(Utf8(kCopyPublicKeyMenu));
    mnuSavePublicKey = keys->addAction(Utf8(kSavePublicKeyMenu));
    mnuForgetKey = keys->addAction(Utf8(kForgetKeyMenu));

    if (ports_.passphrase == nullptr) {
        ownPassphrase_ = std::make_unique<QtPassphraseAsk>(this);
        ports_.passphrase = ownPassphrase_.get();
    }
    if (ports_.clock == nullptr) {
        ports_.clock = &steadyClock_;
    }
    unlocked_ = std::make_unique<UnlockedKeyCache>(*ports_.clock);
    idleCheck_ = new QTimer(this);
    idleCheck_->setInterval(std::chrono::seconds(15));
    connect(idleCheck_, &QTimer::timeout, this, [this] { unlocked_->ForgetIfIdle(); });
    idleCheck_->start();

    // The layout was drawn for a small 8-point face; larger default fonts
    // would clip the captions of the narrow buttons.
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    const Twips twips(*this);
    auto* client = new QWidget(this);
    setCentralWidget(client);

    Frame2 = new QGroupBox(client);
    Frame2->setGeometry(twips.Rect(0, 0, 6375, 1035));
    // The key file controls sit in Frame2, which lies at the client area's
    // origin, so their positions read the same in window coordinates.
    txtPrivateKeyFile = new QLineEdit(Frame2);
    txtPrivateKeyFile->setGeometry(twips.Rect(1500, 240, 4590, 285));
    cmdSelectPrivateKeyFile = new WrappingButton(QStringLiteral("Private key file"), Frame2);
    cmdSelectPrivateKeyFile->setGeometry(twips.Rect(120, 240, 1245, 285));
    txtPublicKeyFile = new QLineEdit(Frame2);
    txtPublicKeyFile->setGeometry(twips.Rect(1500, 600, 4590, 285));
    cmdSelectPublicKeyFile = new WrappingButton(QStringLiteral("Public key file"), Frame2);
    cmdSelectPublicKeyFile->setGeometry(twips.Rect(120, 600, 1245, 285));

    fra1 = new QGroupBox(QStringLiteral("Message"), client);
    fra1->setGeometry(twips.Rect(0, 1080, 6375, 2640));
    // A sibling drawn over the frame, not its child.
    TextBox = new MessageField(client);
    TextBox->setGeometry(twips.Rect(120, 1320, 6135, 2295));
    TextBox->raise();

    cmdQuit = new WrappingButton(QStringLiteral("Quit"), client);
    cmdQuit->setGeometry(twips.Rect(5160, 3840, 1215, 540));
    cmdDecrypt = new WrappingButton(QStringLiteral("Decrypt from clipboard"), client);
    cmdDecrypt->setGeometry(twips.Rect(1800, 3840, 1575, 540));
    cmdEncrypt = new WrappingButton(QStringLiteral("Encrypt to clipboard and clear"), client);
    cmdEncrypt->setGeometry(twips.Rect(120, 3840, 1575, 540));
    cmdClear = new WrappingButton(QStringLiteral("Clear message field"), client);
    cmdClear->setGeometry(twips.Rect(3480, 3840, 1575, 540));
    for (QPushButton* button : {cmdSelectPrivateKeyFile, cmdSelectPublicKeyFile, cmdQuit,
                                cmdDecrypt, cmdEncrypt, cmdClear}) {
        button->setAutoDefault(false);
        EnterClicksButton::Install(*button);
    }
    // The boxes have no labels of their own: the buttons beside them and the
    // frame around the message field say what they are, which screen readers
    // do not know without these names.
    txtPrivateKeyFile->setAccessibleName(QStringLiteral("Private key file"));
    txtPublicKeyFile->setAccessibleName(QStringLiteral("Public key file"));
    TextBox->setAccessibleName(QStringLiteral("Message"));

    QWidget* order[] = {txtPrivateKeyFile, cmdSelectPrivateKeyFile,
                        txtPublicKeyFile,  cmdSelectPublicKeyFile,
                        TextBox,           cmdQuit,
                        cmdDecrypt,        cmdEncrypt,
                        cmdClear};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    // Esc presses Quit from anywhere in the window, the message field
    // included, without moving the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, cmdQuit, &QPushButton::click);

    connect(cmdClear, &QPushButton::clicked, this, &frmZuzezoRevevur::cmdClear_Click);
    connect(cmdEncrypt, &QPushButton::clicked, this, &frmZuzezoRevevur::cmdEncrypt_Click);
    connect(cmdDecrypt, &QPushButton::clicked, this, &frmZuzezoRevevur::cmdDecrypt_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmZuzezoRevevur::cmdQuit_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmZuzezoRevevur::mnuAbout_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmZuzezoRevevur::mnuHelp_Click);
    connect(mnuMakeKeyPair, &QAction::triggered, this, &frmZuzezoRevevur::mnuMakeKeyPair_Click);
    connect(mnuCopyPublicKey, &QAction::triggered, this, &frmZuzezoRevevur::mnuCopyPublicKey_Click);
    connect(mnuSavePublicKey, &QAction::triggered, this, &frmZuzezoRevevur::mnuSavePublicKey_Click);
    connect(mnuForgetKey, &QAction::triggered, this, &frmZuzezoRevevur::mnuForgetKey_Click);
    // A key kept for one file is never used for another: any change to the
    // box that names it drops it at once.
    connect(txtPrivateKeyFile, &QLineEdit::textChanged, this, &frmZuzezoRevevur::ForgetUnlockedKey);
    connect(cmdSelectPrivateKeyFile, &QPushButton::clicked, this,
            &frmZuzezoRevevur::cmdSelectPrivateKeyFile_Click);
    connect(cmdSelectPublicKeyFile, &QPushButton::clicked, this,
            &frmZuzezoRevevur::cmdSelectPublicKeyFile_Click);
    txtPrivateKeyFile->installEventFilter(this);
    txtPublicKeyFile->installEventFilter(this);
    connect(TextBox, &QPlainTextEdit::textChanged, this, &frmZuzezoRevevur::MessageTextChanged);

    const QSize clientSize(twips.ToPixels(6465), twips.ToPixels(4470));
    client->setFixedSize(clientSize);
    setFixedSize(clientSize.width(), clientSize.height() + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    Form_Load();
}

frmZuzezoRevevur::~frmZuzezoRevevur() {
    // The boxes may still lose the focus while the window is torn down, when
    // the store may be gone already.
    txtPrivateKeyFile->removeEventFilter(this);
    txtPublicKeyFile->removeEventFilter(this);
    // A pair being made is finished first: its files are complete or absent.
    if (maker_) {
        maker_->wait();
        delete maker_;
    }
}

void frmZuzezoRevevur::Form_Load() {
    // The missing close command is provided by the window flags above, and
    // the key file controls are enabled from the start.
    // The paths chosen last time, exactly as stored; a path whose file has
    // gone is shown all the same, and the first press reports it.
    txtPrivateKeyFile->setText(ports_.settings->Read(kApplication, kSection, kPrivateKeyFile));
    txtPublicKeyFile->setText(ports_.settings->Read(kApplication, kSection, kPublicKeyFile));
    ShowKeyFileTip(txtPrivateKeyFile, KeyFileKind::Private);
    ShowKeyFileTip(txtPublicKeyFile, KeyFileKind::Public);
    // With a path read back, the first box is already filled: typing at once
    // would lengthen the path and store the damage on the next focus move.
    // The message field is what a user starts typing into then.
    if (txtPrivateKeyFile->text().isEmpty()) {
        txtPrivateKeyFile->setFocus();
    } else {
        TextBox->setFocus();
    }
}

QString frmZuzezoRevevur::PrivateKeyPath() const {
    return txtPrivateKeyFile->text();
}

QString frmZuzezoRevevur::PublicKeyPath() const {
    return txtPublicKeyFile->text();
}

QString frmZuzezoRevevur::MessageText() const {
    return TextBox->Text();
}

void frmZuzezoRevevur::SetMessageText(const QString& text) {
    TextBox->setPlainText(text);
}

QString frmZuzezoRevevur::StagingText() const {
    return TextBox2;
}

void frmZuzezoRevevur::SetStagingText(const QString& text) {
    TextBox2 = text;
}

void frmZuzezoRevevur::SetWorkControlsEnabled(bool enabled) {
    for (QWidget* control :
         {static_cast<QWidget*>(cmdEncrypt), static_cast<QWidget*>(cmdDecrypt),
          static_cast<QWidget*>(cmdClear), static_cast<QWidget*>(cmdSelectPrivateKeyFile),
          static_cast<QWidget*>(cmdSelectPublicKeyFile), static_cast<QWidget*>(txtPrivateKeyFile),
          static_cast<QWidget*>(txtPublicKeyFile)}) {
        control->setEnabled(enabled);
    }
}

void frmZuzezoRevevur::BeginWork(const QString& caption) {
    // Qt hands the focus of a control being disabled to the next enabled
    // one. Left alone, the pressed button's focus would wander through the
    // path boxes as they are disabled in turn, and each focus loss would
    // store a path again. So the focus is taken off the work controls first
    // and given back by EndWork: the keyboard stays where the user left it.
    focusBeforeWork_ = QApplication::focusWidget();
    if (focusBeforeWork_ && focusBeforeWork_->window() == this && focusBeforeWork_ != TextBox &&
        focusBeforeWork_ != cmdQuit) {
        focusBeforeWork_->clearFocus();
    }
    // A new operation takes what the last one said away.
    busy_ = true;
    notice_.reset();
    ShowMessageFrame(nullptr);
    fra1->setTitle(caption);
    SetWorkControlsEnabled(false);
    // One pass, so the new caption and the disabled controls are painted
    // before the work blocks the thread.
    QApplication::processEvents();
}

void frmZuzezoRevevur::EndWork() {
    busy_ = false;
    ShowMessageFrame(notice_ ? &*notice_ : nullptr);
    SetWorkControlsEnabled(true);
    if (focusBeforeWork_ && isActiveWindow()) {
        focusBeforeWork_->setFocus();
    }
    focusBeforeWork_.clear();
}

void frmZuzezoRevevur::ShowSignature(const SignatureNotice& notice) {
    // Every state but a verified signature is a warning.
    ShowNotice(FrameNotice{notice.caption, notice.description, !notice.verified});
}

std::expected<SecureBytes, Error> frmZuzezoRevevur::AskPassphrase(const QString& path,
                                                                  const QString& fingerprint,
                                                                  bool again) const {
    return ports_.passphrase->Ask(path, fingerprint, again);
}

UnlockedKeyCache* frmZuzezoRevevur::UnlockedKeys() const {
    return unlocked_.get();
}

void frmZuzezoRevevur::ForgetUnlockedKey() {
    unlocked_->Forget();
}

void frmZuzezoRevevur::mnuForgetKey_Click() {
    ForgetUnlockedKey();
}

void frmZuzezoRevevur::mnuCopyPublicKey_Click() {
    CopyMyPublicKey(*this, *ports_.clipboard, *ports_.messageBox);
}

void frmZuzezoRevevur::mnuSavePublicKey_Click() {
    const auto found = FindPublicKey(ports_.clipboard->Text().toStdU16String());
    if (!found) {
        ports_.messageBox->Show(Utf8(kNoPublicKeyInClipboard));
        return;
    }
    SavePublicKeyDialog confirm(
        Utf8(PublicKeyFoundText(found->bits, FingerprintText(found->fingerprint))), this);
    if (confirm.exec() != QDialog::Accepted) {
        return;
    }
    // Public keys usually gather in one folder: the one the public key box
    // names, else the private key's, else home.
    QString folder = ExistingFolderOf(txtPublicKeyFile->text());
    if (folder.isEmpty()) {
        folder = ExistingFolderOf(txtPrivateKeyFile->text());
    }
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    const QString chosen =
        ports_.fileDialog->GetOpenFileName(Utf8(kSavePublicKeyTitle), Utf8(kSavePublicKeyFilter),
                                           confirm.Name() + QStringLiteral(".pkey"), folder);
    if (chosen.isEmpty()) {
        return;
    }
    // Never over an existing file: a key of the same name may be someone
    // else's, and replacing it silently would send mail to the wrong person.
    const auto written = KeyFileWriter::Write(
        QFile::encodeName(chosen).toStdString(), found->blob,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
            std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    if (!written) {
        ports_.messageBox->Show(
            QString::fromStdString(FormatKeyFileReport(chosen.toStdString(), written.error())));
        return;
    }
    txtPublicKeyFile->setText(chosen);
    SavePublicKeyFilePath();
}

void frmZuzezoRevevur::mnuMakeKeyPair_Click() {
    if (making_) {
        return;
    }
    QString folder = ExistingFolderOf(txtPrivateKeyFile->text());
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    MakeKeyPairDialog dialog(folder, *ports_.fileDialog, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    auto request = std::make_shared<KeyPairRequest>(dialog.TakeRequest());
    // Taken names are refused before any time is spent generating.
    if (auto free = CheckKeyPairFiles(request->files); !free) {
        ports_.messageBox->Show(QString::fromStdString(
            FormatKeyFileReport(QFile::decodeName(free.error().file.c_str()).toStdString(),
                                free.error().error)));
        return;
    }
    const ScryptParameters protection =
        ports_.keyProtection != nullptr ? *ports_.keyProtection : kProductionScrypt;
    auto result = std::make_shared<std::expected<Fingerprint, KeyPairFailure>>(
        std::unexpected(KeyPairFailure{MakeError(ErrorCode::Internal), {}}));
    // An RSA key takes seconds to find: the window stays usable meanwhile,
    // with a busy cursor and this entry disabled until the pair is written.
    making_ = true;
    mnuMakeKeyPair->setEnabled(false);
    mnuMakeKeyPair->setText(Utf8(kMakeKeyPairBusy));
    setCursor(Qt::BusyCursor);
    QThread* worker = QThread::create([request, result, protection] {
        std::optional<std::span<const std::uint8_t>> passphrase;
        if (request->passphrase) {
            passphrase = std::span<const std::uint8_t>(*request->passphrase);
        }
        *result = MakeKeyPair(request->files, request->kind, request->bits, passphrase, protection);
        // The passphrase is wiped as soon as the key is written under it.
        request->passphrase.reset();
    });
    connect(worker, &QThread::finished, this, [this, worker, request, result] {
        worker->deleteLater();
        making_ = false;
        mnuMakeKeyPair->setEnabled(true);
        mnuMakeKeyPair->setText(Utf8(kMakeKeyPairMenu));
        unsetCursor();
        KeyPairMade(request->files.privateFile, *result);
    });
    maker_ = worker;
    worker->start();
}

void frmZuzezoRevevur::KeyPairMade(const std::filesystem::path& privateFile,
                                   const std::expected<Fingerprint, KeyPairFailure>& made) {
    if (!made) {
        const KeyPairFailure& failure = made.error();
        ports_.messageBox->Show(QString::fromStdString(
            failure.file.empty()
                ? FormatErrorReport(kMakeKeyPairHeading, failure.error)
                : FormatKeyFileReport(QFile::decodeName(failure.file.c_str()).toStdString(),
                                      failure.error)));
        return;
    }
    const QString path = QFile::decodeName(privateFile.c_str());
    txtPrivateKeyFile->setText(path);
    SavePrivateKeyFilePath();
    ports_.messageBox->Show(Utf8(KeyPairMadeText(path.toStdString(), FingerprintText(*made))));
}

void frmZuzezoRevevur::ShowNotice(const FrameNotice& notice) {
    notice_ = notice;
    if (!busy_) {
        ShowMessageFrame(&*notice_);
    }
}

void frmZuzezoRevevur::ShowMessageFrame(const FrameNotice* notice) {
    noticeShown_ = notice != nullptr;
    // The notice's texts are UTF-8; the frame takes them as Qt text here.
    const QString description = notice ? QString::fromStdString(notice->description) : QString();
    fra1->setTitle(notice ? QString::fromStdString(notice->caption) : QStringLiteral("Message"));
    fra1->setToolTip(description);
    fra1->setAccessibleDescription(description);
    // A warning (an unverified text) is marked in bold and a warning colour,
    // so it cannot be taken for a verified one at a glance; the frame's
    // geometry stays as it is. The colour is taken against the frame's own
    // background, so a dark palette keeps it legible.
    const bool warn = notice && notice->warning;
    QFont font = fra1->font();
    font.setBold(warn);
    fra1->setFont(font);
    QPalette palette = fra1->parentWidget()->palette();
    if (warn) {
        const QColor warning = WarningColour(palette.color(fra1->backgroundRole()));
        palette.setColor(QPalette::WindowText, warning);
        palette.setColor(QPalette::Text, warning);
    }
    fra1->setPalette(palette);
}

void frmZuzezoRevevur::MessageTextChanged() {
    // A notice speaks of the text it came with: once that is edited or
    // cleared it would speak for words the writer never sent, or of a
    // press long past.
    notice_.reset();
    if (noticeShown_) {
        ShowMessageFrame(nullptr);
    }
}

void frmZuzezoRevevur::cmdClear_Click() {
    TextBox->setPlainText(QString());
    // Emptying the field does not take back a selection of its text.
    ports_.clipboard->ReleaseSelection();
}

void frmZuzezoRevevur::cmdEncrypt_Click() {
    EncryptToClipboard(*this, *ports_.clipboard, *ports_.messageBox);
}

void frmZuzezoRevevur::cmdDecrypt_Click() {
    DecryptFromClipboard(*this, *ports_.clipboard, *ports_.messageBox);
}

void frmZuzezoRevevur::cmdQuit_Click() {
    ForgetUnlockedKey();
    if (ports_.quit) {
        ports_.quit();
    }
}

void frmZuzezoRevevur::mnuAbout_Click() {
    if (about_.isNull()) {
        about_ = new frmAbout(this);
    }
    about_->show();
    about_->raise();
}

void frmZuzezoRevevur::mnuHelp_Click() {
    if (help_.isNull()) {
        help_ = new frmHelp(this);
    }
    help_->show();
    help_->raise();
}

void frmZuzezoRevevur::cmdSelectPrivateKeyFile_Click() {
    SelectKeyFile(QStringLiteral("Private Key file"),
                  QStringLiteral("Private Key file (*.skey)|*.skey|All type (*.*)|*.*"),
                  txtPrivateKeyFile, txtPublicKeyFile, &frmZuzezoRevevur::SavePrivateKeyFilePath);
}

void frmZuzezoRevevur::cmdSelectPublicKeyFile_Click() {
    SelectKeyFile(QStringLiteral("Public Key file"),
                  QStringLiteral("Public Key file (*.pkey)|*.pkey|All type (*.*)|*.*"),
                  txtPublicKeyFile, txtPrivateKeyFile, &frmZuzezoRevevur::SavePublicKeyFilePath);
}

void frmZuzezoRevevur::SelectKeyFile(const QString& title, const QString& filter, QLineEdit* box,
                                     const QLineEdit* otherBox, void (frmZuzezoRevevur::*save)()) {
    // Every setting is given anew, so nothing of the other button's last
    // opening shows; an empty answer is Cancel and changes nothing. The
    // dialog opens where the key file is, else where the other one is (the
    // two often share a folder), else at home.
    QString folder = ExistingFolderOf(box->text());
    if (folder.isEmpty()) {
        folder = ExistingFolderOf(otherBox->text());
    }
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    const QString chosen = ports_.fileDialog->GetOpenFileName(title, filter, QString(), folder);
    if (chosen.size() > 0) {
        box->setText(chosen);
        (this->*save)();
    }
}

void frmZuzezoRevevur::txtPrivateKeyFile_LostFocus() {
    SavePrivateKeyFilePath();
}

void frmZuzezoRevevur::txtPublicKeyFile_LostFocus() {
    SavePublicKeyFilePath();
}

// Only paths are stored, exactly as the boxes hold them; never key material.
// Wherever a path is taken, the box also tells which key it names.
void frmZuzezoRevevur::SavePrivateKeyFilePath() {
    ports_.settings->Write(kApplication, kSection, kPrivateKeyFile, txtPrivateKeyFile->text());
    ShowKeyFileTip(txtPrivateKeyFile, KeyFileKind::Private);
}

void frmZuzezoRevevur::SavePublicKeyFilePath() {
    ports_.settings->Write(kApplication, kSection, kPublicKeyFile, txtPublicKeyFile->text());
    ShowKeyFileTip(txtPublicKeyFile, KeyFileKind::Public);
}

// The size and fingerprint where a mouse user and a screen reader find them,
// so a key can be checked against its owner's without any press; the box
// itself keeps showing the path, and nothing moves.
void frmZuzezoRevevur::ShowKeyFileTip(QLineEdit* box, KeyFileKind kind) {
    const QString tip = KeyFileTip(box->text(), kind);
    box->setToolTip(tip);
    box->setAccessibleDescription(tip);
}

bool frmZuzezoRevevur::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // The focus going to another control counts; the window losing its
        // activation, a popup or the menu bar taking the keyboard does not,
        // since the box gets the focus back untouched.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool toAnotherControl = reason != Qt::ActiveWindowFocusReason &&
                                      reason != Qt::PopupFocusReason &&
                                      reason != Qt::MenuBarFocusReason;
        if (toAnotherControl && watched == txtPrivateKeyFile) {
            txtPrivateKeyFile_LostFocus();
        } else if (toAnotherControl && watched == txtPublicKeyFile) {
            txtPublicKeyFile_LostFocus();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmZuzezoRevevur::closeEvent(QCloseEvent* event) {
    // A close request from the window manager, Alt+F4 or the session ending
    // still arrives here; leaving ciphertext or plaintext on the clipboard
    // then would defeat the point of Quit, so it is Quit.
    event->ignore();
    cmdQuit_Click();
}

}  // namespace zelvora
