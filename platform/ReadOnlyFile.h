#pragma once

#include "platform/Descriptor.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>

namespace zelvora {

// A file opened for reading; failures are errno values. Closed when it goes,
// unless Close has reported on it first.
class ReadOnlyFile {
public:
    // The path is taken exactly as given, in the system's own encoding.
    // Without waiting, opening a FIFO returns at once instead of waiting for
    // a writer, forever if none comes.
    enum class Wait { ForWriter, Never };
    static std::expected<ReadOnlyFile, int> Open(const std::string& path,
                                                 Wait wait = Wait::ForWriter);
    // Standard input, which is read but never closed.
    static ReadOnlyFile StandardInput();
    // A descriptor the process was handed (--passphrase-fd), read but never
    // closed, as its owner may read on.
    static ReadOnlyFile Borrow(int fd);

    // A folder is refused with EISDIR.
    struct Info {
        bool isRegular = false;
        std::size_t size = 0;      // only for a regular file
        unsigned permissions = 0;  // the mode's permission bits
        unsigned owner = 0;        // user id
        // Owned by the user running the process, or by root.
        bool ownedByUserOrRoot = false;
    };
    std::expected<Info, int> Stat() const;
    // Up to `into.size()` bytes; 0 at the end. Interrupted reads are resumed.
    std::expected<std::size_t, int> Read(std::span<std::uint8_t> into);
    // The errno of a failing close, or 0. An interrupted close still closed.
    int Close() { return fd_.Close(); }

private:
    ReadOnlyFile(int fd, bool owned) : fd_(fd, owned) {}
    Descriptor fd_;
};

// Reads the rest of `file` into `content`, sized to what was read. A file of
// more than `limit` bytes gives EFBIG after reading at most one byte beyond.
// Returns 0 or the errno of the failure.
template <class Buffer>
int ReadToEnd(ReadOnlyFile& file, Buffer& content, std::size_t limit) {
    const auto info = file.Stat();
    if (!info) {
        return info.error();
    }
    if (info->isRegular && info->size > limit) {
        return 27;  // EFBIG, spelt out to keep <cerrno> out of this header
    }
    // A regular file tells its size, and a buffer of that size saves zeroing
    // and wiping memory nobody uses. One byte more tells a file that grew
    // since, or one that gave no size (procfs), from one that fits; those,
    // pipes and devices are read on in growing steps up to the limit.
    constexpr std::size_t kFirstStep = 64 * 1024;
    const std::size_t first = info->isRegular ? info->size + 1 : kFirstStep;
    content.resize(first < limit + 1 ? first : limit + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used > limit) {
                break;
            }
            const std::size_t grown = used < limit / 2 ? used * 2 : limit + 1;
            content.resize(grown > used ? grown : limit + 1);
        }
        const auto got = file.Read(std::span(content.data() + used, content.size() - used));
        if (!got) {
            return got.error();
        }
        if (*got == 0) {
            break;
        }
        used += *got;
    }
    if (used > limit) {
        return 27;  // EFBIG
    }
    content.resize(used);
    return 0;
}

}  // namespace zelvora
