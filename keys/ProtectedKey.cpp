#include "keys/ProtectedKey.h"

#include "base/ErrorCode.h"
#include "keys/DerReader.h"
#include "keys/OpenSslHandles.h"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <climits>
#include <memory>
#include <optional>

namespace zelvora {
namespace {

using Span = std::span<const std::uint8_t>;

using SigPtr = std::unique_ptr<X509_SIG, OpenSslFree<&X509_SIG_free>>;
using AlgorPtr = std::unique_ptr<X509_ALGOR, OpenSslFree<&X509_ALGOR_free>>;
using Pbe2Ptr = std::unique_ptr<PBE2PARAM, OpenSslFree<&PBE2PARAM_free>>;
using ScryptPtr = std::unique_ptr<SCRYPT_PARAMS, OpenSslFree<&SCRYPT_PARAMS_free>>;
// Frees the key's octet string wiped (OpenSSL's own callback for the type).
using KeyInfoPtr = std::unique_ptr<PKCS8_PRIV_KEY_INFO, OpenSslFree<&PKCS8_PRIV_KEY_INFO_free>>;

// RFC 8018 leaves the salt length open; OpenSSL 3.0 picks 8 bytes, and 16
// keeps precomputed tables out of reach for good.
constexpr int kSaltBytes = 16;
constexpr std::size_t kAesBlockBytes = 16;
constexpr std::uint64_t kAes256KeyBytes = 32;

std::unexpected<Error> Refuse(ErrorCode code) {
    ERR_clear_error();
    return std::unexpected(MakeError(code));
}

// The whole of `der` as one X509_SIG, the type OpenSSL reads an
// EncryptedPrivateKeyInfo into; trailing bytes make it unreadable.
SigPtr ParseWhole(Span der) {
    if (der.size() > LONG_MAX) {
        return nullptr;
    }
    const unsigned char* cursor = der.data();
    SigPtr sig(d2i_X509_SIG(nullptr, &cursor, static_cast<long>(der.size())));
    if (sig && cursor != der.data() + der.size()) {
        sig.reset();
    }
    return sig;
}

int Nid(const X509_ALGOR* algorithm) {
    const ASN1_OBJECT* object = nullptr;
    X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    return OBJ_obj2nid(object);
}

// The SEQUENCE parameter of `algorithm` read as `item`; nothing when absent
// or of another shape.
void* UnpackSequence(const X509_ALGOR* algorithm, const ASN1_ITEM* item) {
    int type = V_ASN1_UNDEF;
    const void* value = nullptr;
    X509_ALGOR_get0(nullptr, &type, &value, algorithm);
    if (type != V_ASN1_SEQUENCE || value == nullptr) {
        return nullptr;
    }
    const auto* sequence = static_cast<const ASN1_STRING*>(value);
    return ASN1_item_unpack(sequence, item);
}

struct ScryptSettings {
    ScryptParameters parameters;
    bool wellFormed = false;
};

ScryptSettings ReadScrypt(const SCRYPT_PARAMS& scrypt) {
    ScryptSettings settings;
    if (scrypt.salt == nullptr || ASN1_STRING_length(scrypt.salt) <= 0) {
        return settings;
    }
    // The key length is optional; when given it must be AES-256's.
    std::uint64_t keyLength = kAes256KeyBytes;
    if (scrypt.keyLength != nullptr && ASN1_INTEGER_get_uint64(&keyLength, scrypt.keyLength) != 1) {
        return settings;
    }
    ScryptParameters& p = settings.parameters;
    settings.wellFormed = keyLength == kAes256KeyBytes &&
                          ASN1_INTEGER_get_uint64(&p.n, scrypt.costParameter) == 1 &&
                          ASN1_INTEGER_get_uint64(&p.r, scrypt.blockSize) == 1 &&
                          ASN1_INTEGER_get_uint64(&p.p, scrypt.parallelizationParameter) == 1;
    return settings;
}

// Whether the work and memory `s` asks for stay within `cap`. Each product
// is formed only once its factors are known small enough not to overflow.
bool WithinCap(const ScryptParameters& s, const UnlockCap& cap) {
    if (s.n == 0 || s.r == 0 || s.p == 0) {
        return true;  // malformed, which OpenSSL's own check reports
    }
    if (s.n > cap.maxWork || s.r > cap.maxWork / s.n) {
        return false;
    }
    const std::uint64_t nr = s.n * s.r;
    if (s.p > cap.maxWork / nr) {
        return false;
    }
    return ScryptMemory(s) <= cap.maxMemory;
}

bool HasAesCbcIv(const X509_ALGOR* encryption) {
    int type = V_ASN1_UNDEF;
    const void* value = nullptr;
    X509_ALGOR_get0(nullptr, &type, &value, encryption);
    return type == V_ASN1_OCTET_STRING && value != nullptr &&
           ASN1_STRING_length(static_cast<const ASN1_STRING*>(value)) ==
               static_cast<int>(kAesBlockBytes);
}

// Everything about the file that can be checked without the passphrase.
std::optional<ErrorCode> CheckBeforeUnlock(const X509_SIG& sig, const UnlockCap& cap) {
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* data = nullptr;
    X509_SIG_get0(&sig, &algorithm, &data);
    if (Nid(algorithm) != NID_pbes2) {
        return ErrorCode::KeyProtectionUnsupported;
    }
    const Pbe2Ptr pbe2(
        static_cast<PBE2PARAM*>(UnpackSequence(algorithm, ASN1_ITEM_rptr(PBE2PARAM))));
    if (!pbe2 || pbe2->keyfunc == nullptr || pbe2->encryption == nullptr) {
        return ErrorCode::PrivateKeyMalformed;
    }
    if (Nid(pbe2->keyfunc) != NID_id_scrypt || Nid(pbe2->encryption) != NID_aes_256_cbc) {
        return ErrorCode::KeyProtectionUnsupported;
    }
    const ScryptPtr scrypt(
        static_cast<SCRYPT_PARAMS*>(UnpackSequence(pbe2->keyfunc, ASN1_ITEM_rptr(SCRYPT_PARAMS))));
    if (!scrypt) {
        return ErrorCode::PrivateKeyMalformed;
    }
    const ScryptSettings settings = ReadScrypt(*scrypt);
    const int length = ASN1_STRING_length(data);
    if (!settings.wellFormed || !HasAesCbcIv(pbe2->encryption) || length <= 0 ||
        static_cast<std::size_t>(length) % kAesBlockBytes != 0) {
        return ErrorCode::PrivateKeyMalformed;
    }
    const ScryptParameters& s = settings.parameters;
    if (!WithinCap(s, cap)) {
        return ErrorCode::UnlockTooCostly;
    }
    // OpenSSL's own test of the parameters (n a power of two above 1, r and
    // p in range), without deriving anything; what it refuses it would
    // refuse in the middle of decryption, where it reads as a wrong
    // passphrase.
    if (EVP_PBE_scrypt(nullptr, 0, nullptr, 0, s.n, s.r, s.p, 0, nullptr, 0) != 1) {
        return ErrorCode::PrivateKeyMalformed;
    }
    return std::nullopt;
}

bool FitsInt(Span bytes) {
    return bytes.size() <= static_cast<std::size_t>(INT_MAX);
}

const char* AsChars(Span bytes) {
    return reinterpret_cast<const char*>(bytes.data());
}

// The DER form of `info`, straight into wiping memory.
std::expected<SecureBytes, Error> EncodeKeyInfo(const PKCS8_PRIV_KEY_INFO& info) {
    const int length = i2d_PKCS8_PRIV_KEY_INFO(&info, nullptr);
    if (length <= 0) {
        return Refuse(ErrorCode::Internal);
    }
    SecureBytes der(static_cast<std::size_t>(length));
    unsigned char* cursor = der.data();
    if (i2d_PKCS8_PRIV_KEY_INFO(&info, &cursor) != length) {
        return Refuse(ErrorCode::Internal);
    }
    return der;
}

}  // namespace

std::expected<SecureBytes, Error> Protect(Span privateKeyInfo, Span passphrase,
                                          const ScryptParameters& parameters) {
    return WithoutExceptions([&]() -> std::expected<SecureBytes, Error> {
        if (privateKeyInfo.size() > LONG_MAX || !FitsInt(passphrase)) {
            return Refuse(ErrorCode::PrivateKeyMalformed);
        }
        const unsigned char* cursor = privateKeyInfo.data();
        const KeyInfoPtr info(
            d2i_PKCS8_PRIV_KEY_INFO(nullptr, &cursor, static_cast<long>(privateKeyInfo.size())));
        if (!info || cursor != privateKeyInfo.data() + privateKeyInfo.size()) {
            return Refuse(ErrorCode::PrivateKeyMalformed);
        }
        // No salt and no IV given: OpenSSL draws both from its random
        // generator, the IV as long as the cipher's block.
        AlgorPtr algorithm(PKCS5_pbe2_set_scrypt(EVP_aes_256_cbc(), nullptr, kSaltBytes, nullptr,
                                                 parameters.n, parameters.r, parameters.p));
        if (!algorithm) {
            return Refuse(ErrorCode::KeyEncodingFailed);
        }
        // Takes the algorithm over only when it succeeds.
        const SigPtr sig(PKCS8_set0_pbe_ex(AsChars(passphrase), static_cast<int>(passphrase.size()),
                                           info.get(), algorithm.get(), nullptr, nullptr));
        if (!sig) {
            return Refuse(ErrorCode::KeyEncodingFailed);
        }
        (void)algorithm.release();
        const int length = i2d_X509_SIG(sig.get(), nullptr);
        if (length <= 0) {
            return Refuse(ErrorCode::KeyEncodingFailed);
        }
        SecureBytes der(static_cast<std::size_t>(length));
        unsigned char* out = der.data();
        if (i2d_X509_SIG(sig.get(), &out) != length) {
            return Refuse(ErrorCode::KeyEncodingFailed);
        }
        return der;
    });
}

bool IsProtected(Span blob) {
    // SEQUENCE { AlgorithmIdentifier SEQUENCE { OID, ... }, OCTET STRING }
    DerReader outer(blob);
    const auto whole = outer.Read(DerReader::kSequence);
    if (!whole || !outer.AtEnd()) {
        return false;
    }
    DerReader fields(*whole);
    const auto algorithm = fields.Read(DerReader::kSequence);
    if (!algorithm || DerReader(*algorithm).PeekTag() != DerReader::kObjectId) {
        return false;
    }
    return fields.Read(DerReader::kOctetString).has_value() && fields.AtEnd();
}

std::expected<SecureBytes, Error> Unprotect(Span encrypted, Span passphrase, const UnlockCap& cap) {
    return WithoutExceptions([&]() -> std::expected<SecureBytes, Error> {
        const SigPtr sig = ParseWhole(encrypted);
        if (!sig) {
            return Refuse(ErrorCode::PrivateKeyMalformed);
        }
        if (const auto refused = CheckBeforeUnlock(*sig, cap)) {
            return Refuse(*refused);
        }
        if (!FitsInt(passphrase)) {
            return Refuse(ErrorCode::PassphraseWrong);
        }
        // OpenSSL decrypts into a buffer it wipes and frees, and reads the
        // key from it. Without a tag, a wrong passphrase shows as bad
        // padding, or, one time in some hundred, as bytes that are no key.
        const KeyInfoPtr info(PKCS8_decrypt_ex(
            sig.get(), AsChars(passphrase), static_cast<int>(passphrase.size()), nullptr, nullptr));
        if (!info) {
            return Refuse(ErrorCode::PassphraseWrong);
        }
        return EncodeKeyInfo(*info);
    });
}

}  // namespace zelvora
