#include "workflow/KeyFileIdentity.h"

#include "crypto/Sha256.h"

#include <sys/stat.h>

namespace zelvora {

std::optional<KeyFileIdentity> IdentifyKeyFile(const std::string& path,
                                               std::span<const std::uint8_t> contents) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    KeyFileIdentity identity;
    identity.path = path;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedNs =
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    // The file may change between the read and the look at it; the digest
    // of what was read still ties the key to those bytes.
    const auto digest = Sha256::Of(contents);
    if (!digest) {
        return std::nullopt;
    }
    identity.digest = *digest;
    return identity;
}

}  // namespace zelvora
