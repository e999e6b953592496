#pragma once

// OpenSSL's algorithms as Zelvora uses them, each fetched once for the life
// of the process and never given back: a fetch is a lookup in OpenSSL's
// method store, and the old-style handles (EVP_sha256() and its kind) make
// OpenSSL 3 look the algorithm up again at every use. Null where the
// library lacks one; the caller reports that as an internal error.

struct evp_cipher_st;
struct evp_md_st;
struct evp_kdf_st;
struct evp_mac_st;

namespace zelvora::algorithms {

const evp_cipher_st* Aes256Gcm();
// AES key wrap, RFC 3394.
const evp_cipher_st* Aes256Wrap();
const evp_md_st* Sha256();
const evp_md_st* Sha512();
// Not const: OpenSSL's context constructors take them so.
evp_kdf_st* Hkdf();
evp_mac_st* Hmac();

}  // namespace zelvora::algorithms
