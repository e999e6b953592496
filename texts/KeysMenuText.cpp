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

namespace zelvora {

std::string KeyPairMadeText(std::string_view privateFile, std::string_view fingerprint) {
    std::string text = "Your key pair is made; the private key box now names ";
    text += privateFile;
    text += ".\r\nRead this fingerprint out to the people who will write to you:\r\n";
    text += fingerprint;
    return text;
}

}  // namespace zelvora
