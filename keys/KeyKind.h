#pragma once

namespace zelvora {

// The kinds of key Zelvora reads.
enum class KeyKind { Rsa, Ed25519 };

}  // namespace zelvora
