#pragma once

#include <QString>

namespace zelvora {

// What the passphrase dialog says above its field: which key file it is for
// (its name, without the folder) and, where known before unlocking, the
// key's fingerprint, so the user can tell which passphrase is meant.
QString PassphrasePrompt(const QString& fileName, const QString& fingerprint);

// Said in the dialog when it asks again after a wrong passphrase.
QString PassphraseWrongAgain();

}  // namespace zelvora
