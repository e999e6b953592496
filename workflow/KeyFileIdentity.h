#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zelvora {

// What tells one key file from another, and from itself once rewritten: the
// path as named, where it lies on disk, its size and time of change, and a
// digest of the bytes read. Any of them changing means the key kept from it
// may no longer be the one the file holds.
struct KeyFileIdentity {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::array<std::uint8_t, 32> digest{};

    friend bool operator==(const KeyFileIdentity&, const KeyFileIdentity&) = default;
};

// The identity of the file at `path` whose bytes were just read as
// `contents`; none when the file cannot be looked at, which keeps nothing.
std::optional<KeyFileIdentity> IdentifyKeyFile(const std::string& path,
                                               std::span<const std::uint8_t> contents);

}  // namespace zelvora
