#include "workflow/KeyFileIdentity.h"

#include <openssl/evp.h>

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
    unsigned int length = 0;
    if (EVP_Digest(contents.data(), contents.size(), identity.digest.data(), &length, EVP_sha256(),
                   nullptr) != 1 ||
        length != identity.digest.size()) {
        return std::nullopt;
    }
    return identity;
}

}  // namespace zelvora
