#include "cli/Commands.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "cli/PrintableText.h"
#include "crypto/CryptoLibrary.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/KeyFile.h"
#include "platform/OutputFile.h"
#include "platform/ReadOnlyFile.h"
#include "keys/Fingerprint.h"
#include "texts/ErrorReport.h"
#include "texts/SignatureText.h"

#include <algorithm>
#include <memory>
#include <string>

namespace zelvora::cli {
namespace {

constexpr std::string_view kProgram = "zelvora-cli";
// Far beyond any message format version 1 can hold; it only keeps the
// arithmetic of the reading loop clear of overflow.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 40;

// One line on standard error: the program, what it was about, the cause.
ExitStatus Report(std::ostream& errors, std::string_view about, const Error& error,
                  ExitStatus status) {
    errors << kProgram << ": " << FormatErrorLine(about, error) << '\n';
    return status;
}

std::string InputName(const Options& options) {
    return options.input ? *options.input : "standard input";
}

std::string OutputName(const Options& options) {
    return options.output && *options.output != kStandardStream ? *options.output
                                                                : "standard output";
}

ExitStatus StatusOf(const Error& error) {
    switch (static_cast<ErrorCode>(static_cast<std::uint32_t>(error.number))) {
        case ErrorCode::PrivateKeyEmpty:
        case ErrorCode::PrivateKeyMalformed:
        case ErrorCode::PrivateKeyNotRsa:
        case ErrorCode::PrivateKeySize:
        case ErrorCode::PrivateKeyIsPublic:
        case ErrorCode::PrivateKeyEncrypted:
        case ErrorCode::PublicKeyEmpty:
        case ErrorCode::PublicKeyMalformed:
        case ErrorCode::PublicKeyNotRsa:
        case ErrorCode::PublicKeySize:
        case ErrorCode::PublicKeyIsPrivate:
            return kKey;
        case ErrorCode::CiphertextEmpty:
        case ErrorCode::CiphertextVersion:
        case ErrorCode::CiphertextTooShort:
        case ErrorCode::NotForThisKey:
            return kDamaged;
        default:
            return kFailure;
    }
}

// Reads a key file as the window does. Failures have been reported when no
// blob comes back; a file not named gives an empty blob.
std::optional<std::optional<SecureBytes>> ReadKey(const std::optional<std::string>& file,
                                                  KeyFileKind kind, std::ostream& errors) {
    if (!file) {
        return std::optional<SecureBytes>();
    }
    auto blob = ReadKeyFile(*file, kind);
    if (!blob) {
        errors << kProgram << ": " << FormatKeyFileLine(*file, blob.error()) << '\n';
        return std::nullopt;
    }
    return std::move(*blob);
}

RsaMethod::Blob AsBlob(const std::optional<SecureBytes>& key) {
    return key ? RsaMethod::Blob(std::span<const std::uint8_t>(*key)) : std::nullopt;
}

// Loads the named key files into an engine: the own private key (decrypting,
// or signing) and the other person's public key (the recipient, or the
// expected sender). Unlike the window, which goes on without a key it cannot
// read, a script that names a key file gets a refusal: going on would
// quietly drop the signing or checking it asked for.
std::unique_ptr<EncryptionEngine> LoadKeys(const std::optional<std::string>& privateFile,
                                           const std::optional<std::string>& publicFile,
                                           std::ostream& errors, ExitStatus& status) {
    const auto privateKey = ReadKey(privateFile, KeyFileKind::Private, errors);
    const auto publicKey =
        privateKey ? ReadKey(publicFile, KeyFileKind::Public, errors) : std::nullopt;
    if (!privateKey || !publicKey) {
        status = kKey;
        return nullptr;
    }
    auto method = RsaMethod::Create();
    auto engine = EncryptionEngine::Create();
    const std::string about = privateFile ? *privateFile : publicFile.value_or("");
    if (!method || !engine) {
        status = Report(errors, about, method ? engine.error() : method.error(), kFailure);
        return nullptr;
    }
    auto set = (*method)->SetPrivateKeyBlob(AsBlob(*privateKey));
    if (!set) {
        status = Report(errors, *privateFile, set.error(), StatusOf(set.error()));
        return nullptr;
    }
    set = (*method)->SetPublicKeyBlob(AsBlob(*publicKey));
    if (set) {
        set = (*engine)->AttachMethod(std::move(*method));
    }
    if (!set) {
        status = Report(errors, publicFile.value_or(about), set.error(), StatusOf(set.error()));
        return nullptr;
    }
    return std::move(*engine);
}

// The whole of FILE or standard input.
template <class Buffer>
std::expected<Buffer, Error> ReadInput(const Options& options) {
    auto file = options.input ? ReadOnlyFile::Open(*options.input) : ReadOnlyFile::StandardInput();
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    Buffer content;
    int failure = ReadToEnd(*file, content, kMaxInputBytes);
    if (const int closed = file->Close(); failure == 0) {
        failure = closed;
    }
    if (failure != 0) {
        return std::unexpected(SystemError(failure));
    }
    return content;
}

std::expected<OutputFile, Error> OpenOutput(const Options& options, bool secret) {
    if (!options.output || *options.output == kStandardStream) {
        return OutputFile::StandardOutput();
    }
    auto file = OutputFile::Create(*options.output, secret);
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    return std::move(*file);
}

ExitStatus WriteOutput(const Options& options, OutputFile& out, std::span<const std::uint8_t> data,
                       std::ostream& errors, std::span<const std::uint8_t> end = {}) {
    int failure = out.Write(data);
    if (failure == 0) {
        failure = out.Write(end);
    }
    if (const int closed = out.Close(); failure == 0) {
        failure = closed;
    }
    if (failure != 0) {
        return Report(errors, OutputName(options), SystemError(failure), kFailure);
    }
    return kOk;
}

// The hex text in lines of `wrap` characters, each ended by a line feed.
Bytes HexLines(const Bytes& digits, std::size_t wrap) {
    const std::size_t width = wrap;
    const std::size_t lines = std::max<std::size_t>((digits.size() + width - 1) / width, 1);
    Bytes text(digits.size() + lines);
    std::uint8_t* at = text.data();
    for (std::size_t line = 0; line < lines; ++line) {
        const std::size_t from = line * width;
        const std::size_t take = std::min(width, digits.size() - from);
        at = std::copy_n(digits.data() + from, take, at);
        *at++ = '\n';
    }
    return text;
}

}  // namespace

ExitStatus Encrypt(const Options& options, std::ostream& errors) {
    LoadCryptoLibrary();
    ExitStatus status = kOk;
    auto engine = LoadKeys(options.signKey, options.keyFile, errors, status);
    if (!engine) {
        return status;
    }
    Bytes ciphertext;
    {
        // The message is a secret: its buffer wipes itself when it goes.
        const auto message = ReadInput<SecureBytes>(options);
        if (!message) {
            return Report(errors, InputName(options), message.error(), kFailure);
        }
        auto encrypted = engine->EncryptBytes(*message, true);
        if (!encrypted) {
            return Report(errors, InputName(options), encrypted.error(),
                          StatusOf(encrypted.error()));
        }
        ciphertext = std::move(*encrypted);
    }
    auto out = OpenOutput(options, false);
    if (!out) {
        return Report(errors, OutputName(options), out.error(), kFailure);
    }
    const Bytes digits = HexDigits(ciphertext);
    ciphertext = Bytes();
    if (options.wrap == 0) {
        // One line: the digits and the line feed go out as they are.
        static constexpr std::uint8_t kLineFeed[] = {'\n'};
        return WriteOutput(options, *out, digits, errors, kLineFeed);
    }
    return WriteOutput(options, *out, HexLines(digits, options.wrap), errors);
}

ExitStatus Decrypt(const Options& options, std::ostream& errors) {
    LoadCryptoLibrary();
    ExitStatus status = kOk;
    auto engine = LoadKeys(options.keyFile, options.senderKey, errors, status);
    if (!engine) {
        return status;
    }
    std::expected<DecryptedMessage, Error> decrypted = std::unexpected(Error{});
    {
        const auto text = ReadInput<Bytes>(options);
        if (!text) {
            return Report(errors, InputName(options), text.error(), kFailure);
        }
        decrypted = engine->DecryptMessage(CiphertextFromText(*text), true);
    }
    if (!decrypted) {
        return Report(errors, InputName(options), decrypted.error(), StatusOf(decrypted.error()));
    }
    // A script that asked about the writer, or a message that names one, is
    // told what the signature says; an unsigned message read without --from
    // stays as quiet as before signatures existed.
    const bool refused = options.requireSigned && decrypted->signature != SignatureState::Verified;
    if (decrypted->signer || options.senderKey) {
        const SignatureNotice notice = DescribeSignature(
            decrypted->signature, QString::fromStdString(options.senderKey.value_or("")),
            decrypted->signer ? QString::fromStdString(FingerprintText(*decrypted->signer))
                              : QString());
        errors << kProgram << ": " << notice.description.toStdString();
        if (refused) {
            errors << " The message is not written: --require-signed.";
        }
        errors << '\n';
    }
    if (refused) {
        return kUnverifiedSender;
    }
    const SecureBytes* const message = &decrypted->text;
    auto out = OpenOutput(options, true);
    if (!out) {
        return Report(errors, OutputName(options), out.error(), kFailure);
    }
    // Bytes that are not plain text could move the cursor, retitle the
    // window or worse when a terminal shows them: only on request.
    if (!options.output && out->IsTerminal() && !IsPrintableText(*message)) {
        errors << kProgram
               << ": the message is not plain text and is not written to the terminal; use "
                  "--output FILE, or --output - to write it anyway\n";
        return kFailure;
    }
    return WriteOutput(options, *out, *message, errors);
}

}  // namespace zelvora::cli
