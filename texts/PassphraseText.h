#pragma once

#include <string>
#include <string_view>

namespace zelvora {

// What the passphrase dialog says above its field: which key file it is for
// (its name, without the folder) and, where known before unlocking, the
// key's fingerprint, so the user can tell which passphrase is meant.
std::string PassphrasePrompt(std::string_view fileName, std::string_view fingerprint);

// Said in the dialog when it asks again after a wrong passphrase.
std::string PassphraseWrongAgain();

}  // namespace zelvora
