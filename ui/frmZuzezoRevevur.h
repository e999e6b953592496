#pragma once

#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "workflow/KeyPairWorkflow.h"
#include "message/WorkWindowPort.h"
#include "ui/MainWindowPorts.h"
#include "workflow/SteadyClock.h"
#include "workflow/UnlockedKeyCache.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QAction;
class QThread;
class QTimer;

namespace zelvora {

class MessageField;
class frmAbout;
class frmHelp;

// The main window: two key file paths, the message field, and the buttons
// that encrypt to and decrypt from the clipboard.
class frmZuzezoRevevur : public QMainWindow, public WorkWindowPort {
    Q_OBJECT
public:
    // Every port must be given; the program's entry composes the real ones.
    explicit frmZuzezoRevevur(MainWindowPorts ports, QWidget* parent = nullptr);
    ~frmZuzezoRevevur() override;

    // WorkWindowPort
    QString PrivateKeyPath() const override;
    QString PublicKeyPath() const override;
    QString MessageText() const override;
    void SetMessageText(const QString& text) override;
    QString StagingText() const override;
    void SetStagingText(const QString& text) override;
    void BeginWork(const QString& caption) override;
    void EndWork() override;
    void ShowSignature(const SignatureNotice& notice) override;
    void ShowNotice(const FrameNotice& notice) override;
    std::expected<SecureBytes, Error> AskPassphrase(const QString& path, const QString& fingerprint,
                                                    bool again) const override;
    UnlockedKeyCache* UnlockedKeys() const override;

    // Drops the private key kept unlocked, if any: for Quit, the close
    // request and the stop signals, which all end the program.
    void ForgetUnlockedKey();

    // Controls, named as the window's designers know them.
    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtPrivateKeyFile = nullptr;
    QPushButton* cmdSelectPrivateKeyFile = nullptr;
    QLineEdit* txtPublicKeyFile = nullptr;
    QPushButton* cmdSelectPublicKeyFile = nullptr;
    QGroupBox* fra1 = nullptr;
    MessageField* TextBox = nullptr;
    QPushButton* cmdQuit = nullptr;
    QPushButton* cmdDecrypt = nullptr;
    QPushButton* cmdEncrypt = nullptr;
    QPushButton* cmdClear = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuMakeKeyPair = nullptr;
    QAction* mnuCopyPublicKey = nullptr;
    QAction* mnuSavePublicKey = nullptr;
    QAction* mnuForgetKey = nullptr;

public slots:
    void cmdClear_Click();
    void cmdEncrypt_Click();
    void cmdDecrypt_Click();
    void cmdQuit_Click();
    void mnuAbout_Click();
    void mnuHelp_Click();
    void mnuMakeKeyPair_Click();
    void mnuCopyPublicKey_Click();
    void mnuSavePublicKey_Click();
    void mnuForgetKey_Click();
    void cmdSelectPrivateKeyFile_Click();
    void cmdSelectPublicKeyFile_Click();
    void txtPrivateKeyFile_LostFocus();
    void txtPublicKeyFile_LostFocus();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void SetWorkControlsEnabled(bool enabled);
    // The message frame as it stands with nothing to say: "Message", plain,
    // with no tooltip or description; or showing the notice.
    void ShowMessageFrame(const FrameNotice* notice);
    void MessageTextChanged();
    void SavePrivateKeyFilePath();
    void SavePublicKeyFilePath();
    void ShowKeyFileTip(QLineEdit* box, KeyFileKind kind);
    void SelectKeyFile(const QString& title, const QString& filter, QLineEdit* box,
                       const QLineEdit* otherBox, void (frmZuzezoRevevur::*save)());

    void KeyPairMade(const std::filesystem::path& privateFile,
                     const std::expected<Fingerprint, KeyPairFailure>& made);

    MainWindowPorts ports_;
    SteadyClock steadyClock_;
    std::unique_ptr<PassphraseAskPort> ownPassphrase_;
    // The private key unlocked last, for as long as it is used.
    std::unique_ptr<UnlockedKeyCache> unlocked_;
    // Drops that key once it idles too long, even when no press comes.
    QTimer* idleCheck_ = nullptr;
    // Made on first use; cleared by Qt when the close box destroys them.
    QPointer<frmAbout> about_;
    QPointer<frmHelp> help_;
    // The staging field is never seen and never takes the focus, so it is a
    // plain string rather than a widget.
    QString TextBox2;
    QPointer<QWidget> focusBeforeWork_;
    // What the last press said about the message field's text (its writer,
    // or what became of it), from the operation's notice until the text
    // changes or the next press.
    std::optional<FrameNotice> notice_;
    bool noticeShown_ = false;
    bool busy_ = false;
    // A key pair is being made off the GUI thread; the window stays usable.
    bool making_ = false;
    QPointer<QThread> maker_;
};

}  // namespace zelvora
