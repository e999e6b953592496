// zelvora_interop_tool encrypt|encrypt-v1|encrypt-v2|decrypt KEYHEXFILE IN OUT [OTHERKEYHEXFILE]
//
// Runs one message through the encryption component exactly as the program
// does, so that another implementation of the ciphertext format can be
// checked against it. "encrypt" writes what the engine writes (version 3);
// "encrypt-v1" and "encrypt-v2" write the older versions through their
// formats, which the program no longer writes but must go on reading. KEYHEXFILE holds a key blob
// as hex text: the public key to encrypt, the private key to decrypt. OTHERKEYHEXFILE is the
// writer's private key to sign with when encrypting, and the expected writer's public key when
// decrypting. A decryption prints "<state> <signer fingerprint in hex, or ->" on standard output.
// Exit status 0 on success, 1 when the component refuses (its error number goes to stderr), 2 for
// usage and file errors.

#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV1.h"
#include "crypto/FormatV2.h"
#include "crypto/RsaMethod.h"
#include "keys/AnyKey.h"
#include "base/HexText.h"
#include "base/SignatureState.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::optional<std::string> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return data;
}

bool WriteFile(const char* path, std::span<const std::uint8_t> data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    out.close();
    return static_cast<bool>(out);
}

int Refused(const zelvora::Error& error) {
    std::fprintf(stderr, "error %08X\n", static_cast<unsigned>(error.number));
    return 1;
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: zelvora_interop_tool encrypt|encrypt-v1|encrypt-v2|decrypt KEYHEXFILE IN OUT "
        "[OTHERKEYHEXFILE]\n");
    return 2;
}

// The key blob a key hex file holds. Key files end in a line break, which
// the hex pair rule would read as a byte of its own.
std::optional<zelvora::SecureBytes> ReadKey(const char* path) {
    const auto text = ReadFile(path);
    if (!text) {
        return std::nullopt;
    }
    std::string_view hex = *text;
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) {
        hex.remove_suffix(1);
    }
    return zelvora::HexToSecureBytes(hex);
}

const char* StateName(zelvora::SignatureState state) {
    switch (state) {
        case zelvora::SignatureState::Verified:
            return "verified";
        case zelvora::SignatureState::NoSenderKey:
            return "no-sender-key";
        case zelvora::SignatureState::OtherSigner:
            return "other-signer";
        case zelvora::SignatureState::BadSignature:
            return "bad-signature";
        case zelvora::SignatureState::Unsigned:
            break;
    }
    return "unsigned";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        return Usage();
    }
    const std::string_view mode = argv[1];
    const int version = mode == "encrypt-v1" ? 1 : mode == "encrypt-v2" ? 2 : 3;
    const bool encrypt = mode == "encrypt" || version != 3;
    if (!encrypt && mode != "decrypt") {
        return Usage();
    }
    const auto key = ReadKey(argv[2]);
    const auto input = ReadFile(argv[3]);
    const auto other = argc == 6 ? ReadKey(argv[5]) : std::optional<zelvora::SecureBytes>();
    if (!key || !input || (argc == 6 && !other)) {
        std::fprintf(stderr, "cannot read %s\n", !key ? argv[2] : !input ? argv[3] : argv[5]);
        return 2;
    }
    const zelvora::RsaMethod::Blob otherBlob =
        other ? zelvora::RsaMethod::Blob(std::span<const std::uint8_t>(*other)) : std::nullopt;

    auto method = zelvora::RsaMethod::Create();
    auto engine = zelvora::EncryptionEngine::Create();
    if (!method) {
        return Refused(method.error());
    }
    if (!engine) {
        return Refused(engine.error());
    }
    const auto set = encrypt ? (*method)->SetPublicKeyBlob(std::span<const std::uint8_t>(*key))
                             : (*method)->SetPrivateKeyBlob(std::span<const std::uint8_t>(*key));
    if (!set) {
        return Refused(set.error());
    }
    const auto setOther =
        encrypt ? (*method)->SetPrivateKeyBlob(otherBlob) : (*method)->SetPublicKeyBlob(otherBlob);
    if (!setOther) {
        return Refused(setOther.error());
    }
    if (const auto attached = (*engine)->AttachMethod(*method); !attached) {
        return Refused(attached.error());
    }

    const std::span<const std::uint8_t> source(reinterpret_cast<const std::uint8_t*>(input->data()),
                                               input->size());
    bool written = false;
    if (encrypt) {
        // Versions 1 and 2 know RSA keys only.
        const zelvora::RsaKey* const to = (*method)->PublicKey()->Rsa();
        const zelvora::AnyKey* const own = (*method)->PrivateKey();
        const zelvora::RsaKey* const signer = own != nullptr ? own->Rsa() : nullptr;
        if (version != 3 && (to == nullptr || (own != nullptr && signer == nullptr))) {
            std::fprintf(stderr, "versions 1 and 2 take RSA keys only\n");
            return 2;
        }
        const auto ciphertext =
            version == 1   ? zelvora::FormatV1::Instance().Encrypt(*to, nullptr, source)
            : version == 2 ? zelvora::FormatV2::Instance().Encrypt(*to, signer, source)
                           : (*engine)->EncryptBytes(source, true);
        if (!ciphertext) {
            return Refused(ciphertext.error());
        }
        written = WriteFile(argv[4], *ciphertext);
    } else {
        const auto plaintext = (*engine)->DecryptMessage(source, true);
        if (!plaintext) {
            return Refused(plaintext.error());
        }
        std::printf("%s ", StateName(plaintext->signature));
        if (plaintext->signer) {
            for (const std::uint8_t byte : *plaintext->signer) {
                std::printf("%02x", byte);
            }
        } else {
            std::printf("-");
        }
        std::printf("\n");
        written = WriteFile(argv[4], plaintext->text);
    }
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 2;
    }
    return 0;
}
