#include "cli/Commands.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "cli/PrintableText.h"
#include "crypto/CiphertextFormat.h"
#include "crypto/CryptoLibrary.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "keys/Passphrase.h"
#include "platform/NewFile.h"
#include "platform/OutputFile.h"
#include "platform/ReadOnlyFile.h"
#include "texts/ErrorReport.h"
#include "texts/ErrorTable.h"
#include "texts/ErrorText.h"
#include "texts/SignatureText.h"
#include "workflow/KeyLoading.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

namespace zelvora::cli {
namespace {

constexpr std::string_view kProgram = "zelvora-cli";
// Input that no ciphertext can carry is refused before it is read: the
// most a message can be, and for decrypt the hex text of the longest
// ciphertext, two digits a byte with up to two more characters (a blank,
// CR LF, a quote mark) between pairs of a pasted text.
static_assert(sizeof(std::size_t) >= sizeof(std::uint64_t));
constexpr std::size_t kMaxMessageInput = kMaxContentBytes;
constexpr std::size_t kMaxCiphertextInput = 4 * kMaxCiphertextBytes;

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
    switch (CategoryOf(error)) {
        case ErrorCategory::Usage:
            return kUsage;
        case ErrorCategory::Key:
            return kKey;
        case ErrorCategory::Damaged:
            return kDamaged;
        case ErrorCategory::NotVerified:
            return kUnverifiedSender;
        case ErrorCategory::Failure:
            break;
    }
    return kFailure;
}

// The passphrase of a protected key: from the file or descriptor the options
// name, or asked on the terminal. Without either and without a terminal the
// run stops at once: nothing would ever answer.
class CommandLinePassphrase : public PassphrasePort {
public:
    explicit CommandLinePassphrase(const Options& options) : options_(options) {}

    std::expected<SecureBytes, Error> Passphrase(std::string_view file,
                                                 std::string_view fingerprint) override {
        std::expected<SecureBytes, Error> passphrase = std::unexpected(Error{});
        if (options_.passphraseFile) {
            passphrase = ReadPassphraseFile(*options_.passphraseFile);
        } else if (options_.passphraseFd) {
            passphrase = ReadPassphraseFromDescriptor(*options_.passphraseFd);
        } else {
            std::string prompt = "Passphrase for " + std::string(file);
            if (!fingerprint.empty()) {
                prompt += " (" + std::string(fingerprint) + ")";
            }
            passphrase = AskPassphrase(prompt + ": ");
        }
        if (!passphrase) {
            failed_ = passphrase.error();
        }
        return passphrase;
    }

    // The passphrase source that failed, when it was not the key file.
    std::optional<std::string> FailedSource(const Error& error) const {
        if (!failed_ || *failed_ != error || !IsSystemError(error)) {
            return std::nullopt;
        }
        return options_.passphraseFile
                   ? *options_.passphraseFile
                   : "passphrase descriptor " + std::to_string(options_.passphraseFd.value_or(0));
    }

private:
    const Options& options_;
    std::optional<Error> failed_;
};

// decrypt --from names the key of the person the message is expected from,
// not a recipient, and the report says so.
ExitStatus ReportAboutSender(std::ostream& errors, std::string_view file, const Error& error) {
    errors << kProgram << ": " << file << ": "
           << DescribeWithNumber(error, Surface::CommandLine, {}, KeyRole::ExpectedWriter) << '\n';
    return StatusOf(error);
}

ExitStatus ReportKeyFailure(const KeyLoadFailure& failure, const CommandLinePassphrase& port,
                            std::ostream& errors) {
    if (const auto source = port.FailedSource(failure.error)) {
        return Report(errors, *source, failure.error, kKey);
    }
    if (failure.use == KeyUse::ExpectedWriter && failure.stage == KeyLoadStage::Using) {
        return ReportAboutSender(errors, failure.path, failure.error);
    }
    if (failure.stage == KeyLoadStage::Reading) {
        errors << kProgram << ": " << FormatKeyFileLine(failure.path, failure.error) << '\n';
        return kKey;
    }
    return Report(errors, failure.path, failure.error, StatusOf(failure.error));
}

RsaMethod::Blob AsBlob(const LoadedKey* key) {
    return key ? RsaMethod::Blob(std::span<const std::uint8_t>(key->blob)) : std::nullopt;
}

// Loads the named key files into an engine: the own private key (decrypting,
// or signing) and the other person's public key (the recipient, or the
// expected sender). Unlike the window, which goes on without an expected
// writer's key it cannot read, a script that names a key file gets a
// refusal: going on would quietly drop the checking it asked for.
std::unique_ptr<EncryptionEngine> LoadKeys(const Options& options,
                                           const std::optional<std::string>& privateFile,
                                           const std::optional<std::string>& publicFile,
                                           bool publicIsSender, std::ostream& errors,
                                           ExitStatus& status) {
    const KeyRequest requests[] = {
        {privateFile.value_or(""), KeyUse::Own},
        {publicFile.value_or(""), publicIsSender ? KeyUse::ExpectedWriter : KeyUse::Recipient,
         true},
    };
    CommandLinePassphrase passphrases(options);
    auto loaded = zelvora::LoadKeys(requests, passphrases);
    if (loaded && loaded->unread) {
        loaded = std::unexpected(*loaded->unread);
    }
    if (!loaded) {
        status = ReportKeyFailure(loaded.error(), passphrases, errors);
        return nullptr;
    }
    auto method = RsaMethod::Create();
    auto engine = EncryptionEngine::Create();
    const std::string about = privateFile ? *privateFile : publicFile.value_or("");
    if (!method || !engine) {
        status = Report(errors, about, method ? engine.error() : method.error(), kFailure);
        return nullptr;
    }
    auto set = (*method)->SetPrivateKeyBlob(AsBlob(loaded->Find(KeyUse::Own)));
    if (!set) {
        status = Report(errors, *privateFile, set.error(), StatusOf(set.error()));
        return nullptr;
    }
    set = (*method)->SetPublicKeyBlob(
        AsBlob(loaded->Find(publicIsSender ? KeyUse::ExpectedWriter : KeyUse::Recipient)));
    if (!set && publicIsSender) {
        status = ReportAboutSender(errors, *publicFile, set.error());
        return nullptr;
    }
    if (set) {
        set = (*engine)->AttachMethod(std::move(*method));
    }
    if (!set) {
        status = Report(errors, publicFile.value_or(about), set.error(), StatusOf(set.error()));
        return nullptr;
    }
    return std::move(*engine);
}

// The whole of FILE or standard input, up to `limit` bytes (EFBIG beyond).
template <class Buffer>
std::expected<Buffer, Error> ReadInput(const Options& options, std::size_t limit) {
    auto file = options.input ? ReadOnlyFile::Open(*options.input) : ReadOnlyFile::StandardInput();
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    Buffer content;
    int failure = ReadToEnd(*file, content, limit);
    if (const int closed = file->Close(); failure == 0) {
        failure = closed;
    }
    if (failure != 0) {
        return std::unexpected(SystemError(failure));
    }
    return content;
}

bool ToNewFile(const Options& options) {
    return options.output && *options.output != kStandardStream;
}

ExitStatus ReportOutputFailure(const Options& options, int failure, std::ostream& errors) {
    if (failure == EEXIST) {
        errors << kProgram << ": " << *options.output
               << " already exists, and zelvora-cli never writes into an existing file or "
                  "through a link. Choose a new name, or move the old file away.\n";
        return kFailure;
    }
    return Report(errors, OutputName(options), SystemError(failure), kFailure);
}

// --output names a file that must not exist yet: refused before any work, so
// a refused run takes no time and leaves nothing behind.
ExitStatus CheckOutput(const Options& options, std::ostream& errors) {
    if (!ToNewFile(options)) {
        return kOk;
    }
    const int failure = NewFile::CheckFree(*options.output);
    return failure == 0 ? kOk : ReportOutputFailure(options, failure, errors);
}

// The result goes to standard output, or to a new file that only its owner
// may read, whatever it holds: made unnamed and named only when complete,
// never through a link and never over a file that appeared meanwhile.
ExitStatus WriteOutput(const Options& options, std::span<const std::uint8_t> text,
                       std::ostream& errors) {
    int failure = 0;
    if (ToNewFile(options)) {
        using std::filesystem::perms;
        failure = NewFile::Write(*options.output, text, perms::owner_read | perms::owner_write);
    } else {
        OutputFile out = OutputFile::StandardOutput();
        failure = out.Write(text);
        if (const int closed = out.Close(); failure == 0) {
            failure = closed;
        }
    }
    return failure == 0 ? kOk : ReportOutputFailure(options, failure, errors);
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

ExitStatus EncryptInMemory(const Options& options, std::ostream& errors) {
    if (const ExitStatus refused = CheckOutput(options, errors); refused != kOk) {
        return refused;
    }
    LoadCryptoLibrary();
    ExitStatus status = kOk;
    auto engine = LoadKeys(options, options.signKey, options.keyFile, false, errors, status);
    if (!engine) {
        return status;
    }
    Bytes ciphertext;
    {
        // The message is a secret: its buffer wipes itself when it goes.
        const auto message = ReadInput<SecureBytes>(options, kMaxMessageInput);
        if (!message) {
            const bool tooLong = message.error().number == EFBIG;
            return Report(errors, InputName(options),
                          tooLong ? MakeError(ErrorCode::MessageTooLong) : message.error(),
                          kFailure);
        }
        auto encrypted = engine->EncryptBytes(*message, true);
        if (!encrypted) {
            return Report(errors, InputName(options), encrypted.error(),
                          StatusOf(encrypted.error()));
        }
        ciphertext = std::move(*encrypted);
    }
    Bytes digits = HexDigits(ciphertext);
    ciphertext = Bytes();
    // Without --wrap, all digits on one line.
    const std::size_t width =
        options.wrap == 0 ? std::max<std::size_t>(digits.size(), 1) : options.wrap;
    const Bytes lines = HexLines(digits, width);
    digits = Bytes();
    return WriteOutput(options, lines, errors);
}

ExitStatus DecryptInMemory(const Options& options, std::ostream& errors) {
    if (const ExitStatus refused = CheckOutput(options, errors); refused != kOk) {
        return refused;
    }
    LoadCryptoLibrary();
    ExitStatus status = kOk;
    auto engine = LoadKeys(options, options.keyFile, options.senderKey, true, errors, status);
    if (!engine) {
        return status;
    }
    std::expected<DecryptedMessage, Error> decrypted = std::unexpected(Error{});
    {
        const auto text = ReadInput<Bytes>(options, kMaxCiphertextInput);
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
    const SecureBytes& message = decrypted->text;
    // Bytes that are not plain text could move the cursor, retitle the
    // window, hide or reorder what it shows: they reach a terminal only on
    // request (--output -), however standard output was named.
    if (!options.output && OutputFile::StandardOutput().IsTerminal() && !IsPrintableText(message)) {
        errors << kProgram
               << ": the message is not plain text and is not written to the terminal; use "
                  "--output FILE, or --output - to write it anyway\n";
        return kFailure;
    }
    return WriteOutput(options, message, errors);
}

// Memory running out (a message larger than the machine holds) ends the run
// with one line, as any other failure does, instead of an abort.
template <class Command>
ExitStatus WithinMemory(Command command, const Options& options, std::ostream& errors) {
    try {
        return command(options, errors);
    } catch (const std::bad_alloc&) {
        return Report(errors, InputName(options), SystemError(ENOMEM), kFailure);
    }
}

}  // namespace

ExitStatus Encrypt(const Options& options, std::ostream& errors) {
    return WithinMemory(EncryptInMemory, options, errors);
}

ExitStatus Decrypt(const Options& options, std::ostream& errors) {
    return WithinMemory(DecryptInMemory, options, errors);
}

}  // namespace zelvora::cli
