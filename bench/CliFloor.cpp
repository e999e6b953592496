// The floor of zelvora-cli's whole-process rows: the least a process can do
// for the same result. It reads the key file's hex, encrypts standard input
// with bare OpenSSL (RSA-OAEP wrap of a fresh AES-256 key, AES-256-GCM) and
// writes upper-case hex and a line feed; or reads such hex and writes the
// message. No error texts, no wiping, no tolerance for pasted text.
//
//   zelvora_cli_floor encrypt|decrypt KEYFILE < IN > OUT

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Buffer = std::vector<unsigned char>;

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "zelvora_cli_floor: %s\n", what);
    std::exit(1);
}

Buffer ReadAll(int fd) {
    Buffer data(1 << 16);
    std::size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            data.resize(data.size() * 2);
        }
        const ssize_t got = ::read(fd, data.data() + used, data.size() - used);
        if (got < 0) {
            Die("read");
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    data.resize(used);
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

int Digit(unsigned char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

Buffer FromHex(const Buffer& text) {
    std::size_t n = text.size();
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) {
        --n;
    }
    Buffer bytes(n / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(Digit(text[2 * i]) << 4 | Digit(text[2 * i + 1]));
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
    if (argc != 3) {
        Die("usage: zelvora_cli_floor encrypt|decrypt KEYFILE");
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
    const Buffer input = ReadAll(0);
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
        Buffer text(out.size() * 2 + 1);
        for (std::size_t i = 0; i < out.size(); ++i) {
            text[2 * i] = static_cast<unsigned char>(digits[out[i] >> 4]);
            text[2 * i + 1] = static_cast<unsigned char>(digits[out[i] & 0xF]);
        }
        text.back() = '\n';
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
            EVP_DecryptUpdate(cctx, out.data(), &len, in.data() + 13 + k,
                              static_cast<int>(size)) != 1 ||
            EVP_CIPHER_CTX_ctrl(cctx, EVP_CTRL_GCM_SET_TAG, 16,
                                const_cast<unsigned char*>(in.data() + 13 + k + size)) != 1 ||
            EVP_DecryptFinal_ex(cctx, out.data() + size, &len) != 1) {
            Die("decrypt");
        }
        WriteAll(out.data(), size);
    }
    return 0;
}
