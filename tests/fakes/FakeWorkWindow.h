#pragma once

#include "base/ErrorCode.h"
#include "message/WorkWindowPort.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zelvora {

// The main window's fields as plain values; logs busy state changes.
class FakeWorkWindow : public WorkWindowPort {
public:
    QString PrivateKeyPath() const override { return privateKeyPath; }
    QString PublicKeyPath() const override { return publicKeyPath; }
    // Copies both ways, as the text widget does, so an operation's own
    // strings are never shared with the window's.
    QString MessageText() const override { return QString(message.constData(), message.size()); }
    void SetMessageText(const QString& text) override {
        message = QString(text.constData(), text.size());
    }
    QString StagingText() const override { return staging; }
    void SetStagingText(const QString& text) override { staging = text; }
    void BeginWork(const QString& caption) override {
        busy = true;
        log.append(QStringLiteral("begin ") + caption);
        if (onBeginWork) {
            onBeginWork();
        }
    }
    void EndWork() override {
        busy = false;
        log.append(QStringLiteral("end"));
    }
    void ShowSignature(const SignatureNotice& notice) override {
        signature = notice;
        log.append(QStringLiteral("signature ") + QString::fromStdString(notice.caption));
    }
    void ShowNotice(const FrameNotice& notice) override {
        this->notice = notice;
        log.append(QStringLiteral("notice ") + QString::fromStdString(notice.caption));
    }

    std::expected<SecureBytes, Error> AskPassphrase(const QString& path, const QString&,
                                                    bool) const override {
        asked.append(path);
        return passphrase;
    }

    QString privateKeyPath;
    QString publicKeyPath;
    // The answer to AskPassphrase, and the paths it was asked for.
    std::expected<SecureBytes, Error> passphrase =
        std::unexpected(MakeError(ErrorCode::PrivateKeyEncrypted));
    mutable QStringList asked;
    QString message;
    QString staging;
    bool busy = false;
    std::optional<SignatureNotice> signature;
    std::optional<FrameNotice> notice;
    QStringList log;
    // Runs where the real window lets pending events through.
    std::function<void()> onBeginWork;
};

}  // namespace zelvora
