// Reads every known-answer vector under tests/vectors (README.md there
// defines the files) and applies its mutation table through the engine, as
// the program reads a ciphertext, with RSA and Ed25519 keys alike. Every
// reading and every mutation must match.

#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/RsaKey.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zelvora {
namespace {

namespace fs = std::filesystem;

fs::path VectorsFolder() {
    const char* override = std::getenv("ZELVORA_VECTORS_DIR");
    return override != nullptr ? fs::path(override) : fs::path(ZELVORA_VECTORS_DIR);
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::stringstream in(text);
    for (std::string field; std::getline(in, field, separator);) {
        fields.push_back(Trim(field));
    }
    return fields;
}

Bytes FromHex(const std::string& hex) {
    Bytes bytes(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    }
    return bytes;
}

// The `KEY: VALUE` lines of a file, repeated keys in order.
std::multimap<std::string, std::string> ReadLines(const fs::path& path) {
    std::multimap<std::string, std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto colon = line.find(':');
        lines.emplace(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return lines;
}

std::vector<std::string> All(const std::multimap<std::string, std::string>& lines,
                             const std::string& key) {
    std::vector<std::string> values;
    for (auto [at, end] = lines.equal_range(key); at != end; ++at) {
        values.push_back(at->second);
    }
    return values;
}

struct Vector {
    int format = 0;
    Bytes message;
    Bytes ciphertext;
    std::vector<std::string> recipients;
    std::vector<std::vector<std::string>> expects;  // reader, sender, result[, fingerprint]
};

Vector ReadVector(const fs::path& path) {
    const auto lines = ReadLines(path);
    Vector v;
    v.format = std::stoi(lines.find("format")->second);
    if (const auto plain = lines.find("message"); plain != lines.end()) {
        v.message = FromHex(plain->second);
    } else {
        const auto fields = Split(lines.find("message-repeat")->second, ' ');
        const Bytes pattern = FromHex(fields[0]);
        v.message.resize(std::stoull(fields[1]));
        for (std::size_t i = 0; i < v.message.size(); ++i) {
            v.message[i] = pattern[i % pattern.size()];
        }
    }
    std::string hex;
    for (const auto& part : All(lines, "ciphertext")) {
        hex += part;
    }
    v.ciphertext = FromHex(hex);
    v.recipients = All(lines, "recipient");
    for (const auto& expect : All(lines, "expect")) {
        v.expects.push_back(Split(expect, ' '));
    }
    return v;
}

// The offsets a mutation names, in the unchanged ciphertext.
std::map<std::string, std::size_t> Symbols(const Vector& v, std::size_t modulusBytes) {
    const Bytes& c = v.ciphertext;
    std::map<std::string, std::size_t> symbols{{"end", c.size()}};
    if (v.format != 3) {
        symbols["nonce"] = 1 + modulusBytes;
        symbols["content"] = 13 + modulusBytes;
        symbols["tag"] = c.size() - 16;
        return symbols;
    }
    std::size_t at = 2;
    for (std::size_t i = 0; i < c[1]; ++i) {
        symbols["stanza" + std::to_string(i)] = at;
        symbols["body" + std::to_string(i)] = at + 3;
        at += 3 + ((std::size_t{c[at + 1]} << 8) | c[at + 2]);
    }
    symbols["mac"] = at;
    symbols["salt"] = at + 32;
    symbols["payload"] = at + 48;
    std::size_t i = 0;
    for (std::size_t chunk = at + 48; chunk < c.size(); chunk += 65552, ++i) {
        const std::size_t tag = std::min(chunk + 65552, c.size()) - 16;
        symbols["chunk" + std::to_string(i)] = chunk;
        symbols["tag" + std::to_string(i)] = tag;
        symbols["chunklast"] = chunk;
        symbols["taglast"] = tag;
    }
    return symbols;
}

std::size_t Evaluate(const std::string& expression, const std::map<std::string, std::size_t>& s) {
    std::size_t value = 0;
    std::size_t at = 0;
    char sign = '+';
    while (at <= expression.size()) {
        const std::size_t next = expression.find_first_of("+-", at);
        const std::string term = expression.substr(at, next - at);
        const std::size_t number =
            std::isdigit(static_cast<unsigned char>(term[0])) ? std::stoull(term) : s.at(term);
        value = sign == '+' ? value + number : value - number;
        if (next == std::string::npos) {
            break;
        }
        sign = expression[next];
        at = next + 1;
    }
    return value;
}

void Apply(const std::string& operation, const std::map<std::string, std::size_t>& s, Bytes& c) {
    const auto f = Split(operation, ' ');
    const auto at = [&](std::size_t i) {
        return c.begin() + static_cast<std::ptrdiff_t>(Evaluate(f[i], s));
    };
    if (f[0] == "flip") {
        c.at(Evaluate(f[1], s)) ^= 0x01;
    } else if (f[0] == "set") {
        const Bytes bytes = FromHex(f[2]);
        ASSERT_LE(Evaluate(f[1], s) + bytes.size(), c.size()) << operation;
        std::copy(bytes.begin(), bytes.end(), at(1));
    } else if (f[0] == "truncate") {
        c.resize(Evaluate(f[1], s));
    } else if (f[0] == "remove") {
        c.erase(at(1), at(1) + static_cast<std::ptrdiff_t>(Evaluate(f[2], s)));
    } else if (f[0] == "insert") {
        const Bytes bytes = FromHex(f[2]);
        c.insert(at(1), bytes.begin(), bytes.end());
    } else if (f[0] == "swap") {
        std::swap_ranges(at(1), at(1) + static_cast<std::ptrdiff_t>(Evaluate(f[3], s)), at(2));
    } else {
        FAIL() << "unknown operation " << operation;
    }
}

std::string StateName(SignatureState state) {
    switch (state) {
        case SignatureState::Verified:
            return "verified";
        case SignatureState::NoSenderKey:
            return "no-sender-key";
        case SignatureState::OtherSigner:
            return "other-signer";
        case SignatureState::BadSignature:
            return "bad-signature";
        case SignatureState::Unsigned:
            break;
    }
    return "unsigned";
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

class VectorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(VectorsFolder() / "keys.txt")) {
            GTEST_SKIP() << "no vectors in " << VectorsFolder();
        }
        keys_ = ReadLines(VectorsFolder() / "keys.txt");
    }

    const Bytes Key(const std::string& name, const char* half) {
        return FromHex(keys_.find(name + "." + half)->second);
    }

    // The reading through the engine, as "result[ fingerprint]".
    std::string Read(const Bytes& ciphertext, const std::string& reader,
                     const std::string& sender) {
        if (reader.starts_with("ed-")) {
            ++ed25519Readers_;
        }
        auto method = std::move(*RsaMethod::Create());
        const Bytes own = Key(reader, "private");
        const Bytes other = sender == "-" ? Bytes() : Key(sender, "public");
        EXPECT_TRUE(method->SetPrivateKeyBlob(std::span<const std::uint8_t>(own)));
        EXPECT_TRUE(method->SetPublicKeyBlob(sender == "-" ? RsaMethod::Blob()
                                                           : std::span<const std::uint8_t>(other)));
        auto engine = std::move(*EncryptionEngine::Create());
        EXPECT_TRUE(engine->AttachMethod(std::move(method)));
        const auto read = engine->DecryptMessage(ciphertext, true);
        if (!read) {
            // A version 3 message that fails to open gives the one error.
            if (!ciphertext.empty() && ciphertext[0] == 3) {
                EXPECT_EQ(read.error(), MakeError(ErrorCode::NotForThisKey));
            }
            return "refused";
        }
        text_ = Bytes(read->text.begin(), read->text.end());
        return StateName(read->signature) +
               (read->signer ? " " + Hex(*read->signer) : std::string());
    }

    std::multimap<std::string, std::string> keys_;
    Bytes text_;
    int ed25519Readers_ = 0;
};

std::string Expected(const std::vector<std::string>& fields) {
    return fields[2] + (fields.size() > 3 ? " " + fields[3] : std::string());
}

TEST_F(VectorsTest, EveryReadingGivesItsResult) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(VectorsFolder())) {
        if (entry.path().extension() != ".vec") {
            continue;
        }
        const Vector v = ReadVector(entry.path());
        for (const auto& expect : v.expects) {
            SCOPED_TRACE(entry.path().filename().string() + ": " + expect[0] + " " + expect[1]);
            const std::string result = Read(v.ciphertext, expect[0], expect[1]);
            EXPECT_EQ(result, Expected(expect));
            if (result != "refused") {
                EXPECT_EQ(text_, v.message);
            }
            ++checked;
        }
    }
    EXPECT_GE(checked, 50);
    // The Ed25519 readings are among them, not passed over.
    EXPECT_GE(ed25519Readers_, 24);
}

TEST_F(VectorsTest, EveryMutationGivesItsResult) {
    std::ifstream table(VectorsFolder() / "mutations.txt");
    int checked = 0;
    for (std::string line; std::getline(table, line);) {
        if (Trim(line).empty() || line[0] == '#') {
            continue;
        }
        const auto row = Split(line, '|');
        ASSERT_EQ(row.size(), 4u) << line;
        SCOPED_TRACE(row[0] + " " + row[1]);
        const Vector v = ReadVector(VectorsFolder() / (row[0] + ".vec"));
        const std::size_t k =
            v.format == 3
                ? 0
                : (*RsaKey::FromPublicKeyBlob(Key(v.recipients[0], "public")))->ModulusBytes();
        const auto symbols = Symbols(v, k);
        Bytes changed = v.ciphertext;
        for (const auto& operation : Split(row[2], ';')) {
            Apply(operation, symbols, changed);
        }
        EXPECT_EQ(Read(changed, v.expects[0][0], v.expects[0][1]), row[3]);
        ++checked;
    }
    EXPECT_GE(checked, 554);
}

}  // namespace
}  // namespace zelvora
