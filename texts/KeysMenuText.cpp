#include "texts/KeysMenuText.h"

namespace zelvora {

std::string PublicKeyFoundText(int bits, std::string_view fingerprint) {
    std::string text = bits > 0 ? "RSA " + std::to_string(bits) + "-bit public key"
                                : std::string("Ed25519 public key");
    text += "\n";
    text += fingerprint;
    return text;
}

}  // namespace zelvora
