#include "texts/PassphraseText.h"

namespace zelvora {

std::string PassphrasePrompt(std::string_view fileName, std::string_view fingerprint) {
    std::string prompt =
        "The private key file " + std::string(fileName) + " is protected by a passphrase.";
    if (!fingerprint.empty()) {
        prompt += "\nFingerprint: " + std::string(fingerprint);
    }
    return prompt + "\nPassphrase:";
}

std::string PassphraseWrongAgain() {
    return "The passphrase is wrong.";
}

}  // namespace zelvora
