#include "cli/SenderKeyText.h"

#include "base/ErrorCode.h"
#include "texts/ErrorText.h"

#include <array>
#include <string_view>
#include <utility>

namespace zelvora::cli {

std::optional<std::string> DescribeSenderKeyError(const Error& error) {
    static constexpr std::array<std::pair<ErrorCode, std::string_view>, 4> kTexts{{
        {ErrorCode::PublicKeyEmpty,
         "The public key file holds no key. Name with --from the public key file of the "
         "person you expect the message from."},
        {ErrorCode::PublicKeyMalformed,
         "The public key file does not hold a readable public key; it may be damaged or "
         "cut short. Name with --from the public key file of the person you expect the "
         "message from, as the key pair generator wrote it."},
        {ErrorCode::PublicKeyNotRsa,
         "The public key file holds a key of a kind Zelvora does not use (it uses RSA and "
         "Ed25519 keys). Name with --from the public key file of the person you expect the "
         "message from."},
        {ErrorCode::PublicKeyIsPrivate,
         "The file named with --from holds a private key. Name the public key file of the "
         "person you expect the message from; a private key file belongs to its owner alone."},
    }};
    for (const auto& [code, text] : kTexts) {
        if (error.number == ErrorNumber(code)) {
            return std::string(text) + " (" + FormatErrorNumber(error.number) + ")";
        }
    }
    return std::nullopt;
}

}  // namespace zelvora::cli
