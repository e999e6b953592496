#include "platform/SecretMemory.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

namespace zelvora {
namespace {

// Blocks up to this size are locked into memory: private keys (a 16384-bit
// one is under 10 KiB as DER, twice that as key file text), AES keys and
// messages of a typed length. Larger plaintext is only kept out of core
// files: locking megabytes would run into the 8 MiB that RLIMIT_MEMLOCK
// allows by default, and would make the kernel fault in every page at once.
constexpr std::size_t kLockedMax = 64 * 1024;

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUpToPage(std::size_t size) {
    const std::size_t page = PageSize();
    return (size + page - 1) / page * page;
}

// The whole pages inside [block, block + size): the part of a heap block no
// other block shares, so marking it cannot affect anyone else's memory.
struct Pages {
    void* start;
    std::size_t size;
};
Pages InnerPages(void* block, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = RoundUpToPage(begin);
    const std::uintptr_t end = (begin + size) / PageSize() * PageSize();
    return first < end ? Pages{reinterpret_cast<void*>(first), end - first} : Pages{nullptr, 0};
}

// Every mark here is best effort: a system that refuses one (a locked-memory
// limit reached, madvise unsupported) still gets a working buffer, and the
// process is already kept from dumping core. Locks and marks apply to whole
// pages and do not nest, so a small block gets pages of its own.
//
// Marking and unmarking a small block costs four system calls, about 7 µs
// here, which would add a quarter to encrypting a short message. So small
// blocks, once wiped, wait in a short list of marked blocks for the next
// secret of their size, and the steady state makes no system call at all.
class MarkedBlocks {
public:
    void* Take(std::size_t rounded) {
        {
            const std::lock_guard lock(mutex_);
            for (std::size_t i = 0; i < count_; ++i) {
                if (blocks_[i].size == rounded) {
                    void* block = blocks_[i].start;
                    blocks_[i] = blocks_[--count_];
                    return block;
                }
            }
        }
        void* block = std::aligned_alloc(PageSize(), rounded);
        if (block != nullptr) {
            ::madvise(block, rounded, MADV_DONTDUMP);
            ::mlock(block, rounded);
        }
        return block;
    }

    // `block` is wiped already.
    void Give(void* block, std::size_t rounded) noexcept {
        {
            const std::lock_guard lock(mutex_);
            if (count_ < blocks_.size()) {
                blocks_[count_++] = Pages{block, rounded};
                return;
            }
        }
        Free(Pages{block, rounded});
    }

    void FreeAll() noexcept {
        const std::lock_guard lock(mutex_);
        while (count_ > 0) {
            Free(blocks_[--count_]);
        }
    }

private:
    // The heap hands the pages to other blocks next, which need no marks.
    static void Free(Pages pages) noexcept {
        ::munlock(pages.start, pages.size);
        ::madvise(pages.start, pages.size, MADV_DODUMP);
        std::free(pages.start);
    }

    std::mutex mutex_;
    std::array<Pages, 8> blocks_{};
    std::size_t count_ = 0;
};

// Never destroyed: secrets may be released while statics are torn down.
MarkedBlocks& SmallBlocks() {
    static auto* blocks = new MarkedBlocks;
    return *blocks;
}

std::size_t SmallBlockSize(std::size_t size) {
    return RoundUpToPage(size == 0 ? 1 : size);
}

}  // namespace

void WipeMemory(void* data, std::size_t size) noexcept {
    // explicit_bzero is a plain memset the compiler may not drop as a dead
    // store; it wipes megabytes of plaintext at memset speed.
    if (data != nullptr && size != 0) {
        explicit_bzero(data, size);
    }
}

void* AllocateSecret(std::size_t size) {
    void* block = nullptr;
    if (size <= kLockedMax) {
        block = SmallBlocks().Take(SmallBlockSize(size));
    } else {
        block = std::malloc(size);
        if (block != nullptr) {
            if (const Pages inner = InnerPages(block, size); inner.size != 0) {
                ::madvise(inner.start, inner.size, MADV_DONTDUMP);
            }
        }
    }
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void ReleaseSecret(void* block, std::size_t size) noexcept {
    if (block == nullptr) {
        return;
    }
    WipeMemory(block, size);
    if (size <= kLockedMax) {
        SmallBlocks().Give(block, SmallBlockSize(size));
        return;
    }
    if (const Pages inner = InnerPages(block, size); inner.size != 0) {
        ::madvise(inner.start, inner.size, MADV_DODUMP);
    }
    std::free(block);
}

void ReleaseSecretCache() noexcept {
    SmallBlocks().FreeAll();
}

}  // namespace zelvora
