#pragma once

#include "message/WorkWindowPort.h"
#include "workflow/PassphrasePort.h"

#include <QString>

#include <string_view>

namespace zelvora {

// The window asks for a passphrase about the path as its box shows it.
class WindowPassphrase : public PassphrasePort {
public:
    WindowPassphrase(const WorkWindowPort& window, const QString& path)
        : window_(window), path_(path) {}
    std::expected<SecureBytes, Error> Passphrase(std::string_view,
                                                 std::string_view fingerprint) override {
        return window_.AskPassphrase(path_, Text(fingerprint), false);
    }
    std::expected<SecureBytes, Error> PassphraseAgain(std::string_view,
                                                      std::string_view fingerprint) override {
        return window_.AskPassphrase(path_, Text(fingerprint), true);
    }

private:
    static QString Text(std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

    const WorkWindowPort& window_;
    const QString& path_;
};

}  // namespace zelvora
