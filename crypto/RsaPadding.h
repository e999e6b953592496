#pragma once

// The RSA paddings of version 3 messages. Included by the component's
// source files only, so OpenSSL stays out of its API.

#include <openssl/core_names.h>
#include <openssl/params.h>
#include <openssl/rsa.h>

#include <array>

namespace zelvora::rsa_padding {

// RSAES-OAEP (RFC 8017, section 7.1) with SHA-256 for the label hash and
// MGF1, and a label of its own: a key wrapped for version 1 or 2 (empty
// label) cannot be lifted into a version 3 stanza, nor the reverse.
inline std::array<OSSL_PARAM, 5> Oaep() {
    static char padMode[] = OSSL_PKEY_RSA_PAD_MODE_OAEP;
    static char digest[] = "SHA256";
    // The 19 bytes without the terminating zero. OpenSSL copies the label
    // and does not write through the pointer.
    static char label[] = "Zelvora v3 RSA-OAEP";
    return {OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_PAD_MODE, padMode, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_OAEP_DIGEST, digest, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_ASYM_CIPHER_PARAM_MGF1_DIGEST, digest, 0),
            OSSL_PARAM_construct_octet_string(OSSL_ASYM_CIPHER_PARAM_OAEP_LABEL, label,
                                              sizeof label - 1),
            OSSL_PARAM_construct_end()};
}

// RSASSA-PSS (RFC 8017, section 8.1) with SHA-256, MGF1 with SHA-256 and a
// 32-byte salt, the digest's length as section 9.1 suggests. Verification
// takes exactly this salt length, nothing else.
inline std::array<OSSL_PARAM, 4> Pss() {
    static char padMode[] = OSSL_PKEY_RSA_PAD_MODE_PSS;
    static char digest[] = "SHA256";
    static int saltLength = 32;
    return {OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_PAD_MODE, padMode, 0),
            OSSL_PARAM_construct_utf8_string(OSSL_SIGNATURE_PARAM_MGF1_DIGEST, digest, 0),
            OSSL_PARAM_construct_int(OSSL_SIGNATURE_PARAM_PSS_SALTLEN, &saltLength),
            OSSL_PARAM_construct_end()};
}

}  // namespace zelvora::rsa_padding
