#include "keys/KeyDecoder.h"

#include <openssl/decoder.h>
#include <openssl/err.h>

#include <cstring>
#include <memory>
#include <vector>

namespace zelvora {
namespace {

using DecoderCtxPtr = std::unique_ptr<OSSL_DECODER_CTX, OpenSslFree<&OSSL_DECODER_CTX_free>>;

// Setting up a decoder context is what costs: OpenSSL 3.0 gathers and links
// its decoders anew for each one. Per RSA-3072 public key on the
// development machine (OpenSSL 3.0.19, g++ 12 -O2, 2000 rounds, shared
// and busy, so the lower figures are the truer):
//
//                                         fresh context   reused context
//   SubjectPublicKeyInfo, RSA                 92-131 µs          9-10 µs
//   type-specific (PKCS#1 RSAPublicKey)       89-117 µs          5-8 µs
//   d2i_PUBKEY_ex, which makes one each time       89-126 µs
//
// (ranges: decoding alone, and with the first use OpenSSL's RSA code makes
// of the key). With a reused context RsaKey::FromPublicKeyBlob takes 8 µs
// from SubjectPublicKeyInfo and 6 µs from PKCS#1, against 4 µs for the
// hand-written reader it replaced. Every press decodes the key files anew,
// so each thread keeps one context per structure and type and reuses it.
// A context is never shared between threads, and each thread's contexts
// go when it ends.
struct CachedDecoder {
    const char* structure;
    const char* type;
    // Where the context puts the key it decodes; the context holds this
    // address, so the entry never moves.
    EVP_PKEY* decoded = nullptr;
    DecoderCtxPtr context;
};

CachedDecoder* DecoderFor(const char* structure, const char* type) {
    thread_local std::vector<std::unique_ptr<CachedDecoder>> cache;
    for (const auto& entry : cache) {
        if (std::strcmp(entry->structure, structure) == 0 && std::strcmp(entry->type, type) == 0) {
            return entry.get();
        }
    }
    auto entry = std::make_unique<CachedDecoder>(CachedDecoder{structure, type, nullptr, nullptr});
    // No library context or properties: the default providers, as the rest
    // of the component uses.
    entry->context.reset(OSSL_DECODER_CTX_new_for_pkey(&entry->decoded, "DER", structure, type,
                                                       EVP_PKEY_PUBLIC_KEY, nullptr, nullptr));
    if (!entry->context || OSSL_DECODER_CTX_get_num_decoders(entry->context.get()) == 0) {
        return nullptr;
    }
    cache.push_back(std::move(entry));
    return cache.back().get();
}

}  // namespace

PkeyPtr DecodePublicKeyDer(std::span<const std::uint8_t> der, const char* structure,
                           const char* type) {
    CachedDecoder* decoder = DecoderFor(structure, type);
    if (decoder == nullptr) {
        ERR_clear_error();
        return nullptr;
    }
    decoder->decoded = nullptr;
    const unsigned char* data = der.data();
    std::size_t left = der.size();
    // What the decoders queue is dropped, and only that: a refusal is told
    // by the caller's own error number, and errors queued before stay.
    ERR_set_mark();
    const int done = OSSL_DECODER_from_data(decoder->context.get(), &data, &left);
    ERR_pop_to_mark();
    PkeyPtr key(decoder->decoded);
    decoder->decoded = nullptr;
    // The decoders stop after one structure; whatever follows it would be
    // silently left over.
    if (done != 1 || left != 0) {
        return nullptr;
    }
    return key;
}

}  // namespace zelvora
