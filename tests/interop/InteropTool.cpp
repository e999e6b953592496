// zelvora_interop_tool encrypt|decrypt KEYHEXFILE IN OUT
//
// Runs one message through the encryption component exactly as the program
// does, so that another implementation of the ciphertext format can be
// checked against it. KEYHEXFILE holds a key blob as hex text: the public key
// to encrypt, the private key to decrypt. Exit status 0 on success, 1 when the
// component refuses (its error number goes to stderr), 2 for
// usage and file errors.

#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "base/HexText.h"

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
    std::fprintf(stderr, "usage: zelvora_interop_tool encrypt|decrypt KEYHEXFILE IN OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return Usage();
    }
    const std::string_view mode = argv[1];
    const bool encrypt = mode == "encrypt";
    if (!encrypt && mode != "decrypt") {
        return Usage();
    }
    const auto keyText = ReadFile(argv[2]);
    const auto input = ReadFile(argv[3]);
    if (!keyText || !input) {
        std::fprintf(stderr, "cannot read %s\n", keyText ? argv[3] : argv[2]);
        return 2;
    }
    // Key files end in a line break, which the hex pair rule would read as a
    // byte of its own.
    std::string_view hex = *keyText;
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) {
        hex.remove_suffix(1);
    }
    const zelvora::SecureBytes key = zelvora::HexToSecureBytes(hex);

    auto method = zelvora::RsaMethod::Create();
    auto engine = zelvora::EncryptionEngine::Create();
    if (!method) {
        return Refused(method.error());
    }
    if (!engine) {
        return Refused(engine.error());
    }
    const auto set = encrypt ? (*method)->SetPublicKeyBlob(std::span<const std::uint8_t>(key))
                             : (*method)->SetPrivateKeyBlob(std::span<const std::uint8_t>(key));
    if (!set) {
        return Refused(set.error());
    }
    if (const auto attached = (*engine)->AttachMethod(*method); !attached) {
        return Refused(attached.error());
    }

    const std::span<const std::uint8_t> source(reinterpret_cast<const std::uint8_t*>(input->data()),
                                               input->size());
    bool written = false;
    if (encrypt) {
        const auto ciphertext = (*engine)->EncryptBytes(source, true);
        if (!ciphertext) {
            return Refused(ciphertext.error());
        }
        written = WriteFile(argv[4], *ciphertext);
    } else {
        const auto plaintext = (*engine)->DecryptBytes(source, true);
        if (!plaintext) {
            return Refused(plaintext.error());
        }
        written = WriteFile(argv[4], *plaintext);
    }
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 2;
    }
    return 0;
}
