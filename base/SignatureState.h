#pragma once

namespace zelvora {

// What a decrypted message says about its writer. Only Verified means the
// writer is known: every other state leaves open that anyone holding the
// reader's public key wrote the text.
enum class SignatureState {
    Unsigned,      // a version 1 message: nothing names a writer
    Verified,      // signed by the key the reader named, and the signature checks
    NoSenderKey,   // signed, but the reader named no usable key to check it with
    OtherSigner,   // signed by another key than the one the reader named; not checked
    BadSignature,  // signed by the named key's fingerprint, and the signature fails
};

}  // namespace zelvora
