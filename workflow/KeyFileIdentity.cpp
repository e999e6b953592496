#include "workflow/KeyFileIdentity.h"

#include "crypto/Sha256.h"
#include "platform/FileStamp.h"

namespace zelvora {

std::optional<KeyFileIdentity> IdentifyKeyFile(const std::string& path,
                                               std::span<const std::uint8_t> contents) {
    const auto stamp = StampOf(path);
    if (!stamp) {
        return std::nullopt;
    }
    KeyFileIdentity identity;
    identity.path = path;
    identity.device = stamp->device;
    identity.inode = stamp->inode;
    identity.size = stamp->size;
    identity.modifiedNs = stamp->modifiedNs;
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
