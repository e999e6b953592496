#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "crypto/MessageKey.h"
#include "crypto/Stanza.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <vector>

// The header of a version 3 message: version, count, stanzas, and the MAC
// over them under the header key.
namespace zelvora::v3 {

// The whole header, MAC included.
std::expected<Bytes, Error> WriteHeader(std::span<const Stanza> stanzas,
                                        const MessageKey& messageKey);

// What the first bytes of a message say about its header, so a reader can
// take in exactly the header's bytes however the input is cut.
struct HeaderScan {
    enum class State { NeedMore, Malformed, Complete };
    State state = State::NeedMore;
    // Complete: the header's length, MAC included. NeedMore: a length the
    // input must reach before the scan can say more.
    std::size_t bytes = 0;
};
HeaderScan ScanHeader(std::span<const std::uint8_t> start);

// The stanzas of a header ScanHeader found complete.
std::vector<Stanza> ReadStanzas(std::span<const std::uint8_t> header);

// Whether the header's MAC is the one `messageKey` gives, compared in
// constant time. An error only when the crypto library fails.
std::expected<bool, Error> HeaderMacMatches(std::span<const std::uint8_t> header,
                                            const MessageKey& messageKey);

}  // namespace zelvora::v3
