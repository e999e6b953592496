#include "message/FindPublicKey.h"

#include "base/CiphertextDigits.h"
#include "base/HexText.h"
#include "keys/AnyKey.h"

#include <string>

namespace zelvora {
namespace {

std::optional<FoundPublicKey> Decode(std::u16string_view digits) {
    // The finder leaves only hex digits in a block; anything else here is
    // text with no hex line, which holds no key.
    std::string ascii;
    ascii.reserve(digits.size());
    for (const char16_t c : digits) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    if (ascii.empty()) {
        return std::nullopt;
    }
    Bytes blob = HexToBytes(std::string_view(ascii));
    const auto key = AnyKey::FromPublicKeyBlob(blob);
    if (!key) {
        return std::nullopt;
    }
    const auto fingerprint = KeyFingerprint(*key);
    if (!fingerprint) {
        return std::nullopt;
    }
    FoundPublicKey found;
    found.kind = key->Kind();
    found.bits = key->Rsa() != nullptr ? static_cast<int>(key->Rsa()->ModulusBytes() * 8) : 0;
    found.fingerprint = *fingerprint;
    found.blob = std::move(blob);
    return found;
}

}  // namespace

std::optional<FoundPublicKey> FindPublicKey(std::u16string_view text) {
    const CiphertextBlocks blocks = FindCiphertextBlocks(text);
    if (blocks.chosen < blocks.blocks.size()) {
        if (auto found = Decode(blocks.blocks[blocks.chosen])) {
            return found;
        }
    }
    for (std::size_t i = 0; i < blocks.blocks.size(); ++i) {
        if (i == blocks.chosen) {
            continue;
        }
        if (auto found = Decode(blocks.blocks[i])) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace zelvora
