#include "crypto/HeaderV3.h"

#include "base/ErrorCode.h"
#include "crypto/AppendBytes.h"
#include "crypto/FormatV3Layout.h"
#include "crypto/KeySchedule.h"
#include "keys/RsaKey.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace zelvora::v3 {
namespace {

// The format fixes the RSA stanza's limits; every key RsaKey accepts must
// fit them, or a key it loads would write messages no reader takes.
static_assert(kMinRsaBody <= RsaKey::kMinBits / 8 && RsaKey::kMaxBits / 8 <= kMaxRsaBody);
static_assert(kMinRsaSignature <= RsaKey::kMinBits / 8 && RsaKey::kMaxBits / 8 <= kMaxRsaSignature);

std::size_t BodyLength(std::span<const std::uint8_t> head) {
    return (std::size_t{head[1]} << 8) | head[2];
}

// A stanza of a kind this format defines has the one body length its kind
// allows; any other is malformed. Unknown kinds are passed over whatever
// their length, so a later kind does not stop older readers.
bool BodyLengthFits(std::uint8_t type, std::size_t length) {
    switch (type) {
        case Stanza::kRsa:
            return length >= kMinRsaBody && length <= kMaxRsaBody;
        case Stanza::kX25519:
            return length == kX25519Body;
        default:
            return true;
    }
}

}  // namespace

std::expected<Bytes, Error> WriteHeader(std::span<const Stanza> stanzas,
                                        const MessageKey& messageKey) {
    if (stanzas.size() < kMinStanzas || stanzas.size() > kMaxStanzas) {
        return std::unexpected(MakeError(ErrorCode::Internal));
    }
    return WithoutExceptions([&]() -> std::expected<Bytes, Error> {
        std::size_t size = 2 + kMacBytes;
        for (const Stanza& stanza : stanzas) {
            if (!BodyLengthFits(stanza.type, stanza.body.size()) || stanza.body.size() > 0xFFFF) {
                return std::unexpected(MakeError(ErrorCode::Internal));
            }
            size += kStanzaHeadBytes + stanza.body.size();
        }
        Bytes header;
        header.reserve(size);
        header.push_back(kVersion);
        header.push_back(static_cast<std::uint8_t>(stanzas.size()));
        for (const Stanza& stanza : stanzas) {
            header.push_back(stanza.type);
            header.push_back(static_cast<std::uint8_t>(stanza.body.size() >> 8));
            header.push_back(static_cast<std::uint8_t>(stanza.body.size() & 0xFF));
            AppendBytes(header, stanza.body);
        }
        MessageKey headerKey;
        if (auto derived = DeriveHeaderKey(messageKey, headerKey); !derived) {
            return std::unexpected(derived.error());
        }
        const auto mac = HeaderMac(headerKey, header);
        if (!mac) {
            return std::unexpected(mac.error());
        }
        header.insert(header.end(), mac->begin(), mac->end());
        return header;
    });
}

HeaderScan ScanHeader(std::span<const std::uint8_t> start) {
    using enum HeaderScan::State;
    if (start.size() < 2) {
        return {NeedMore, 2};
    }
    if (start[0] != kVersion) {
        return {Malformed, 0};
    }
    const std::size_t count = start[1];
    if (count < kMinStanzas || count > kMaxStanzas) {
        return {Malformed, 0};
    }
    std::size_t at = 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (start.size() < at + kStanzaHeadBytes) {
            return {NeedMore, at + kStanzaHeadBytes};
        }
        const auto head = start.subspan(at, kStanzaHeadBytes);
        const std::size_t length = BodyLength(head);
        if (!BodyLengthFits(head[0], length)) {
            return {Malformed, 0};
        }
        at += kStanzaHeadBytes + length;
    }
    at += kMacBytes;
    if (start.size() < at) {
        return {NeedMore, at};
    }
    return {Complete, at};
}

std::vector<Stanza> ReadStanzas(std::span<const std::uint8_t> header) {
    std::vector<Stanza> stanzas;
    const std::size_t count = header[1];
    stanzas.reserve(count);
    std::size_t at = 2;
    for (std::size_t i = 0; i < count; ++i) {
        const auto head = header.subspan(at, kStanzaHeadBytes);
        const std::size_t length = BodyLength(head);
        const auto body = header.subspan(at + kStanzaHeadBytes, length);
        stanzas.push_back(Stanza{head[0], Bytes(body.begin(), body.end())});
        at += kStanzaHeadBytes + length;
    }
    return stanzas;
}

std::expected<bool, Error> HeaderMacMatches(std::span<const std::uint8_t> header,
                                            const MessageKey& messageKey) {
    MessageKey headerKey;
    if (auto derived = DeriveHeaderKey(messageKey, headerKey); !derived) {
        return std::unexpected(derived.error());
    }
    const std::size_t covered = header.size() - kMacBytes;
    const auto mac = HeaderMac(headerKey, header.first(covered));
    if (!mac) {
        return std::unexpected(mac.error());
    }
    return CRYPTO_memcmp(mac->data(), header.data() + covered, kMacBytes) == 0;
}

}  // namespace zelvora::v3
