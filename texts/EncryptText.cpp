#include "texts/EncryptText.h"

namespace zelvora {
namespace {

// U+2014, the dash between "Message" and what happened, as after Decrypt.
constexpr std::string_view kDash = " \u2014 ";

std::string Caption(std::string_view what) {
    return "Message" + std::string(kDash) + std::string(what);
}

}  // namespace

FrameNotice DescribeEncryption(std::string_view recipientFileName, std::string_view recipient,
                               std::string_view signerFileName, std::string_view signer) {
    const std::string recipientFile(recipientFileName);
    const std::string forWhom = "Encrypted for the key in " + recipientFile + " (" +
                                std::string(recipient) +
                                "): only the holder of its private key file can read the text "
                                "on the clipboard.";
    if (signer.empty()) {
        return {Caption("encrypted for " + recipientFile + ", not signed"),
                forWhom +
                    " Not signed: no private key file was named, so the "
                    "recipient cannot tell who wrote it."};
    }
    return {Caption("encrypted for " + recipientFile + ", signed"),
            forWhom + " Signed with the key in " + std::string(signerFileName) + " (" +
                std::string(signer) + ")."};
}

FrameNotice NothingToEncrypt() {
    return {Caption("nothing to encrypt"),
            "The message field is empty, so nothing was encrypted; the clipboard "
            "still holds what it held before."};
}

}  // namespace zelvora
