#include "texts/SignatureText.h"

namespace zelvora {
namespace {

// U+2014, the dash between "Message" and the state.
constexpr std::string_view kDash = " \u2014 ";
constexpr std::string_view kAnyone =
    " Anyone who has your public key could have written this text.";

std::string Caption(std::string_view what) {
    return "Message" + std::string(kDash) + std::string(what);
}

std::string NotVerified(std::string_view reason) {
    return Caption("not verified: " + std::string(reason));
}

}  // namespace

SignatureNotice DescribeSignature(SignatureState state, std::string_view keyFileName,
                                  std::string_view signer) {
    const std::string file(keyFileName);
    const std::string who(signer);
    switch (state) {
        case SignatureState::Verified:
            return {true, Caption("signed by " + file),
                    "Verified: signed with the key in " + file + " (" + who +
                        "), and the signature checks. Only the holder of that key's private "
                        "key file could have written this text to you."};
        case SignatureState::NoSenderKey:
            return {false, NotVerified("no key to check"),
                    "Not verified: the message names the key " + who +
                        " as its signer, but no public key that could be read was named to "
                        "check the signature with, so it was not checked." +
                        std::string(kAnyone)};
        case SignatureState::OtherSigner:
            return {false, NotVerified("signed by another key"),
                    "Not verified: the message names the key " + who +
                        " as its signer, not the key in " + file +
                        ", so the signature was not checked." + std::string(kAnyone)};
        case SignatureState::BadSignature:
            return {false, NotVerified("bad signature"),
                    "Not verified: the signature does not check with the key in " + file + " (" +
                        who +
                        "). The text was not signed with that key for you, or it was changed." +
                        std::string(kAnyone)};
        case SignatureState::Unsigned:
            break;
    }
    return {false, NotVerified("unsigned"),
            "Not verified: the message is not signed, so nothing shows who wrote it." +
                std::string(kAnyone)};
}

std::string SeveralMessagesNote(std::size_t count) {
    return "The text held " + std::to_string(count) +
           " encrypted messages; this is the first from the top that your private key opens.";
}

}  // namespace zelvora
