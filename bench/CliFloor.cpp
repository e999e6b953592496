// The floor of zelvora-cli's whole-process rows: the least a process can do
// for the same result. It reads the key file's hex, encrypts standard input
// with bare OpenSSL (RSA-OAEP wrap of a fresh AES-256 key, AES-256-GCM) and
// writes upper-case hex and a line feed; or reads such hex and writes the
// message. No error texts, no wiping, no tolerance for pasted text. IN may be
// named, so that the benchmark can start it without a shell.
//
//   zelvora_cli_floor encrypt|decrypt KEYFILE [IN] > OUT

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Left uninitialised: every byte is written before it is read.
struct Buffer {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t count = 0;

    explicit Buffer(std::size_t n = 0) : bytes(new unsigned char[n + 1]), count(n) {}
    unsigned char* data() { return bytes.get(); }
    const unsigned char* data() const { return bytes.get(); }
    std::size_t size() const { return count; }
    unsigned char& operator[](std::size_t i) { return bytes[i]; }
    unsigned char operator[](std::size_t i) const { return bytes[i]; }
};

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "zelvora_cli_floor: %s\n", what);
    std::exit(1);
}

// The benchmark passes a regular file, whose size is known up front.
Buffer ReadAll(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Die("input must be a regular file");
    }
    Buffer data(static_cast<std::size_t>(info.st_size));
    std::size_t used = 0;
    while (used < data.size()) {
        const ssize_t got = ::read(fd, data.data() + used, data.size() - used);
        if (got <= 0) {
            Die("read");
        }
        used += static_cast<std::size_t>(got);
    }
    return data;
}

void WriteAll(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(1, data, size);
        if (n <= 0) {
            Die("write");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

constexpr std::array<unsigned char, 256> MakeDigits() {
    std::array<unsigned char, 256> table{};
    for (int c = '0'; c <= '9'; ++c) {
        table[c] = static_cast<unsigned char>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = table[c + 32] = static_cast<unsigned char>(c - 'A' + 10);
    }
    return table;
}
constexpr auto kDigits = MakeDigits();

Buffer FromHex(const Buffer& text) {
    std::size_t n = text.size();
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) {
        --n;
    }
    Buffer bytes(n / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(kDigits[text[2 * i]] << 4 | kDigits[text[2 * i + 1]]);
    }
    return bytes;
}

void SetOaep(EVP_PKEY_CTX* ctx) {
    if (EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_OAEP_PADDING) <= 0 ||
        EVP_PKEY_CTX_set_rsa_oaep_md(ctx, EVP_sha256()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_mgf1_md(ctx, EVP_sha256()) <= 0) {
        Die("OAEP");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        Die("usage: zelvora_cli_floor encrypt|decrypt KEYFILE [IN]");
    }
    const bool encrypt = std::strcmp(argv[1], "encrypt") == 0;
    std::FILE* keyFile = std::fopen(argv[2], "rb");
    if (keyFile == nullptr) {
        Die("key file");
    }
    Buffer keyText = ReadAll(fileno(keyFile));
    std::fclose(keyFile);
    const Buffer der = FromHex(keyText);
    const unsigned char* at = der.data();
    EVP_PKEY* key = encrypt ? d2i_PUBKEY(nullptr, &at, static_cast<long>(der.size()))
                            : d2i_AutoPrivateKey(nullptr, &at, static_cast<long>(der.size()));
    if (key == nullptr) {
        Die("key");
    }
    const std::size_t k = static_cast<std::size_t>(EVP_PKEY_get_size(key));
    EVP_PKEY_CTX* pctx = EVP_PKEY_CTX_new(key, nullptr);
    EVP_CIPHER_CTX* cctx = EVP_CIPHER_CTX_new();
    const int inputFd = argc == 4 ? ::open(argv[3], O_RDONLY | O_CLOEXEC) : 0;
    if (inputFd < 0) {
        Die("input");
    }
    const Buffer input = ReadAll(inputFd);
    int len = 0;

    if (encrypt) {
        unsigned char aesKey[32];
        Buffer out(1 + k + 12 + input.size() + 16);
        out[0] = 1;
        std::size_t wrapped = k;
        if (RAND_bytes(aesKey, 32) != 1 || RAND_bytes(out.data() + 1 + k, 12) != 1 ||
            EVP_PKEY_encrypt_init(pctx) <= 0) {
            Die("set-up");
        }
        SetOaep(pctx);
        if (EVP_PKEY_encrypt(pctx, out.data() + 1, &wrapped, aesKey, 32) <= 0 ||
            EVP_EncryptInit_ex(cctx, EVP_aes_256_gcm(), nullptr, aesKey, out.data() + 1 + k) != 1 ||
            EVP_EncryptUpdate(cctx, nullptr, &len, out.data(), static_cast<int>(1 + k)) != 1 ||
            EVP_EncryptUpdate(cctx, out.data() + 13 + k, &len, input.data(),
                              static_cast<int>(input.size())) != 1 ||
            EVP_EncryptFinal_ex(cctx, out.data(), &len) != 1 ||
            EVP_CIPHER_CTX_ctrl(cctx, EVP_CTRL_GCM_GET_TAG, 16,
                                out.data() + 13 + k + input.size()) != 1) {
            Die("encrypt");
        }
        static const char digits[] = "0123456789ABCDEF";
        std::array<std::uint16_t, 256> pairs{};
        for (unsigned v = 0; v < 256; ++v) {
            const unsigned char two[2] = {static_cast<unsigned char>(digits[v >> 4]),
                                          static_cast<unsigned char>(digits[v & 0xF])};
            std::memcpy(&pairs[v], two, 2);
        }
        Buffer text(out.size() * 2 + 1);
        for (std::size_t i = 0; i < out.size(); ++i) {
            std::memcpy(text.data() + 2 * i, &pairs[out[i]], 2);
        }
        text[text.size() - 1] = '\n';
        WriteAll(text.data(), text.size());
    } else {
        const Buffer in = FromHex(input);
        if (in.size() < 1 + k + 28) {
            Die("short");
        }
        unsigned char aesKey[512];
        std::size_t unwrapped = sizeof aesKey;
        const std::size_t size = in.size() - 1 - k - 28;
        Buffer out(size + 1);
        if (EVP_PKEY_decrypt_init(pctx) <= 0) {
            Die("set-up");
        }
        SetOaep(pctx);
        if (EVP_PKEY_decrypt(pctx, aesKey, &unwrapped, in.data() + 1, k) <= 0 || unwrapped != 32 ||
            EVP_DecryptInit_ex(cctx, EVP_aes_256_gcm(), nullptr, aesKey, in.data() + 1 + k) != 1 ||
            EVP_DecryptUpdate(cctx, nullptr, &len, in.data(), static_cast<int>(1 + k)) != 1 ||
            EVP_DecryptUpdate(cctx, out.data(), &len, in.data() + 13 + k, static_cast<int>(size)) !=
                1 ||
            EVP_CIPHER_CTX_ctrl(cctx, EVP_CTRL_GCM_SET_TAG, 16,
                                const_cast<unsigned char*>(in.data() + 13 + k + size)) != 1 ||
            EVP_DecryptFinal_ex(cctx, out.data() + size, &len) != 1) {
            Die("decrypt");
        }
        WriteAll(out.data(), size);
    }
    return 0;
}
