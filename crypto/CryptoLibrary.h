#pragma once

namespace zelvora {

// Sets up the crypto library ahead of the first operation, without reading
// OpenSSL's configuration file. Failures are not reported here; they surface
// as errors of the operation that needs it.
void LoadCryptoLibrary() noexcept;

}  // namespace zelvora
