#pragma once

#include "ui/PassphraseAskPort.h"

class QWidget;

namespace zelvora {

// Asks with a modal PassphraseDialog in front of `owner`, a new one each
// time, so nothing typed before is still in a field.
class QtPassphraseAsk : public PassphraseAskPort {
public:
    explicit QtPassphraseAsk(QWidget* owner = nullptr) : owner_(owner) {}
    std::expected<SecureBytes, Error> Ask(const QString& path, const QString& fingerprint,
                                          bool again) override;

private:
    QWidget* owner_;
};

}  // namespace zelvora
