#pragma once

namespace zelvora {

// Sets up the crypto library ahead of the first operation, without reading
// OpenSSL's configuration file. Failures are not reported here; they surface
// as errors of the operation that needs it.
void LoadCryptoLibrary() noexcept;

// The same, for a process that runs one command and ends: OpenSSL's tables
// are left for the end of the process to take back, rather than freed one
// by one in an exit handler. That handler took 1.2 million instructions,
// 8% of a `zelvora-cli encrypt` of 1 KiB (callgrind, OpenSSL 3.0.19). The
// first call of either function decides.
void LoadCryptoLibraryForOneCommand() noexcept;

}  // namespace zelvora
