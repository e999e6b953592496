#pragma once

#include <cstdint>

namespace zelvora {

// The cost of deriving a key from a passphrase with scrypt (RFC 7914): n is
// the CPU and memory cost, a power of two, r the block size and p the
// parallelism. Memory grows with n * r, time with n * r * p.
struct ScryptParameters {
    std::uint64_t n = 0;
    std::uint64_t r = 0;
    std::uint64_t p = 0;
};

// What every key file Zelvora protects asks for. OpenSSL 3.0 reads back no
// scrypt parameters that need more than its 32 MiB (n = 2^14 with r = 8
// needs 16 MiB, n = 2^15 a little over 32 MiB), so the work is raised
// through p, which costs time and no memory. On the benchmark machine (two
// cores, idle, OpenSSL 3.0.19) each unit of p costs about 50 ms (p = 8 took
// 0.40 s, p = 16 0.79 s), so one unlock takes about 0.7 s.
inline constexpr ScryptParameters kProductionScrypt{std::uint64_t{1} << 14, 8, 14};

// The memory OpenSSL's scrypt allocates, in bytes, as it counts it: the
// n + 2 blocks of 128 * r bytes it mixes, and p of them for the output.
constexpr std::uint64_t ScryptMemory(const ScryptParameters& s) {
    return 128 * s.r * (s.n + 2) + 128 * s.r * s.p;
}

// The most a key file may ask for before its passphrase is tried, so that a
// file cannot hold the program for minutes or exhaust memory.
struct UnlockCap {
    std::uint64_t maxWork = 0;    // n * r * p
    std::uint64_t maxMemory = 0;  // as ScryptMemory counts it
};

// OpenSSL 3.0's own memory limit for scrypt when none is given.
inline constexpr std::uint64_t kOpenSslScryptMemoryLimit = std::uint64_t{32} * 1024 * 1024;

// Four times the work of `parameters`: room for files protected on a faster
// machine with more work, while a file that asks for minutes is refused.
constexpr UnlockCap CapFor(const ScryptParameters& parameters) {
    return UnlockCap{4 * parameters.n * parameters.r * parameters.p, kOpenSslScryptMemoryLimit};
}

inline constexpr UnlockCap kProductionUnlockCap = CapFor(kProductionScrypt);

}  // namespace zelvora
