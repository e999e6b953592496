#include "cli/Commands.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "cli/HexLineWriter.h"
#include "cli/HexStreamReader.h"
#include "cli/MessageOutput.h"
#include "cli/PrintableText.h"
#include "crypto/CiphertextFormat.h"
#include "crypto/CryptoLibrary.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/FormatV3.h"
#include "crypto/KeyRoles.h"
#include "crypto/RsaMethod.h"
#include "crypto/StreamOpener.h"
#include "crypto/StreamSealer.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "keys/Passphrase.h"
#include "platform/NewFile.h"
#include "platform/OutputFile.h"
#include "platform/ReadOnlyFile.h"
#include "platform/SpoolFile.h"
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
#include <vector>

namespace zelvora::cli {
namespace {

constexpr std::string_view kProgram = "zelvora-cli";
// Text read whole for decrypt that no ciphertext can carry is refused before
// it is read: the hex text of the longest ciphertext of versions 1 and 2, two
// digits a byte with up to two more characters (a blank, CR LF, a quote
// mark) between pairs of a pasted text.
static_assert(sizeof(std::size_t) >= sizeof(std::uint64_t));
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

// Opens where the result goes: standard output, or a new file that only its
// owner may read, whatever it holds, made unnamed and named only when
// complete, never through a link and never over a file that appeared
// meanwhile. A decrypted message that is not plain text reaches a terminal
// only on request (--output -): its bytes could move the cursor, retitle
// the window, hide or reorder what it shows.
std::unique_ptr<MessageOutput> OpenOutput(const Options& options, bool message,
                                          std::ostream& errors, ExitStatus& status) {
    const bool toTerminal = message && !options.output && OutputFile::StandardOutput().IsTerminal();
    auto output =
        MessageOutput::Open(ToNewFile(options) ? options.output : std::nullopt, toTerminal);
    if (!output) {
        status = ReportOutputFailure(options, output.error(), errors);
        return nullptr;
    }
    return std::move(*output);
}

ExitStatus ReportWriteFailure(const Options& options, const MessageOutput& output, int failure,
                              std::ostream& errors) {
    if (output.RefusedAsNotText()) {
        errors << kProgram
               << ": the message is not plain text and is not written to the terminal; use "
                  "--output FILE, or --output - to write it anyway\n";
        return kFailure;
    }
    return ReportOutputFailure(options, failure, errors);
}

// The roles of the keys a command line names, made by the role factory for
// whatever kind each key is, and kept alive for the sealer or opener.
struct Roles {
    std::vector<std::unique_ptr<Recipient>> recipients;
    std::unique_ptr<Signer> signer;
    std::unique_ptr<Identity> identity;
    std::unique_ptr<SenderKey> sender;
};

template <class Role>
bool Made(std::expected<std::unique_ptr<Role>, Error> made, std::unique_ptr<Role>& into,
          std::string_view about, std::ostream& errors, ExitStatus& status) {
    if (!made) {
        status = Report(errors, about, made.error(), StatusOf(made.error()));
        return false;
    }
    into = std::move(*made);
    return true;
}

// Every --to key, and the --sign key to sign with and, with --to-self, to
// write the writer's copy for. The first recipient is loaded with the
// signing key, each further one on its own, so each failure names its file.
std::optional<Roles> LoadSealingRoles(const Options& options, std::ostream& errors,
                                      ExitStatus& status) {
    Roles roles;
    for (std::size_t i = 0; i < options.recipients.size(); ++i) {
        const auto own = i == 0 ? options.signKey : std::nullopt;
        auto engine = LoadKeys(options, own, options.recipients[i], false, errors, status);
        if (!engine) {
            return std::nullopt;
        }
        const auto* method = engine->Method();
        if (!Made(MakeRecipient(*method->PublicKey()), roles.recipients.emplace_back(),
                  options.recipients[i], errors, status)) {
            return std::nullopt;
        }
        if (own &&
            (!Made(MakeSigner(*method->PrivateKey()), roles.signer, *own, errors, status) ||
             (options.toSelf && !Made(MakeRecipient(*method->PrivateKey()),
                                      roles.recipients.emplace_back(), *own, errors, status)))) {
            return std::nullopt;
        }
    }
    return roles;
}

// The message is read in pieces of this size, each sealed as it comes: small
// enough to stay in locked memory, large enough that reading costs little.
constexpr std::size_t kMessagePiece = 64 * 1024;

ExitStatus EncryptStreaming(const Options& options, std::ostream& errors) {
    if (const ExitStatus refused = CheckOutput(options, errors); refused != kOk) {
        return refused;
    }
    LoadCryptoLibraryForOneCommand();
    ExitStatus status = kOk;
    auto roles = LoadSealingRoles(options, errors, status);
    if (!roles) {
        return status;
    }
    auto input = options.input ? ReadOnlyFile::Open(*options.input) : ReadOnlyFile::StandardInput();
    if (!input) {
        return Report(errors, InputName(options), SystemError(input.error()), kFailure);
    }
    const auto info = input->Stat();
    if (!info) {
        return Report(errors, InputName(options), SystemError(info.error()), kFailure);
    }
    // A file's length is known: one the format cannot take is refused before
    // any work. From a pipe, the sealer refuses once the limit is reached.
    if (info->isRegular && info->size > StreamSealer::MaxMessageBytes(roles->signer.get())) {
        return Report(errors, InputName(options), MakeError(ErrorCode::MessageTooLong), kFailure);
    }
    auto output = OpenOutput(options, false, errors, status);
    if (!output) {
        return status;
    }
    int outputFailure = 0;
    HexLineWriter hex(options.wrap,
                      [&](std::span<const std::uint8_t> text) { return output->Write(text); });
    std::vector<const Recipient*> recipients;
    for (const auto& recipient : roles->recipients) {
        recipients.push_back(recipient.get());
    }
    auto sealer = StreamSealer::Start(
        recipients, roles->signer.get(),
        [&](std::span<const std::uint8_t> sealed) -> std::expected<void, Error> {
            outputFailure = hex.Write(sealed);
            if (outputFailure != 0) {
                return std::unexpected(SystemError(outputFailure));
            }
            return {};
        });
    // A failure of the output is the output's; any other the message's.
    const auto failed = [&](const Error& error) {
        return outputFailure != 0 ? ReportOutputFailure(options, outputFailure, errors)
                                  : Report(errors, InputName(options), error, StatusOf(error));
    };
    if (!sealer) {
        return failed(sealer.error());
    }
    // The message is a secret: its buffer is locked and wipes itself.
    SecureBytes piece(kMessagePiece);
    for (;;) {
        const auto got = input->Read(piece);
        if (!got) {
            return Report(errors, InputName(options), SystemError(got.error()), kFailure);
        }
        if (*got == 0) {
            break;
        }
        if (auto sealed = (*sealer)->Update(std::span(piece).first(*got)); !sealed) {
            return failed(sealed.error());
        }
    }
    if (const int closed = input->Close(); closed != 0) {
        return Report(errors, InputName(options), SystemError(closed), kFailure);
    }
    if (auto finished = (*sealer)->Finish(); !finished) {
        return failed(finished.error());
    }
    if (const int failure = hex.Finish(); failure != 0) {
        return ReportOutputFailure(options, failure, errors);
    }
    if (const int failure = output->Commit(); failure != 0) {
        return ReportOutputFailure(options, failure, errors);
    }
    return kOk;
}

// Tells a script what the signature says when it asked about the writer or
// the message names one; an unsigned message read without --from stays as
// quiet as before signatures existed. Gives the status: refused when
// --require-signed finds the message not verified.
ExitStatus ReportSignature(const Options& options, const DecryptedMessage& decrypted,
                           std::ostream& errors) {
    const bool refused = options.requireSigned && decrypted.signature != SignatureState::Verified;
    if (decrypted.signer || options.senderKey) {
        const SignatureNotice notice = DescribeSignature(
            decrypted.signature, options.senderKey.value_or(""),
            decrypted.signer ? FingerprintText(*decrypted.signer) : std::string());
        errors << kProgram << ": " << notice.description;
        if (refused) {
            errors << " The message is not written: --require-signed.";
        }
        errors << '\n';
    }
    return refused ? kUnverifiedSender : kOk;
}

// Below this much text the whole input is read and found as the window finds
// a pasted message (quote markers, blanks, greetings, several blocks): it
// costs nothing at that size. Beyond it, a version 3 message in plain hex
// lines is read as it streams.
constexpr std::size_t kWholeTextBytes = 1 << 20;
// Hex text is read in pieces of this size once it streams.
constexpr std::size_t kTextPiece = 256 * 1024;

// Reads the rest of `file` onto the end of `text`, up to `limit` bytes in
// all (EFBIG beyond).
int ReadRest(ReadOnlyFile& file, Bytes& text, std::size_t limit) {
    const auto info = file.Stat();
    if (!info) {
        return info.error();
    }
    if (info->isRegular && info->size > limit) {
        return EFBIG;
    }
    if (info->isRegular) {
        text.reserve(info->size + 1);
    }
    std::size_t used = text.size();
    for (;;) {
        if (used == text.size()) {
            if (used > limit) {
                return EFBIG;
            }
            text.resize(std::min(std::max(2 * used, used + kTextPiece), limit + 1));
        }
        const auto got = file.Read(std::span(text).subspan(used));
        if (!got) {
            return got.error();
        }
        if (*got == 0) {
            break;
        }
        used += *got;
    }
    text.resize(used);
    return used > limit ? EFBIG : 0;
}

// A message whose text is all in memory, found and decrypted as before.
ExitStatus DecryptWhole(const Options& options, EncryptionEngine& engine, const Bytes& text,
                        std::ostream& errors) {
    auto decrypted = engine.DecryptMessage(CiphertextFromText(text), true);
    if (!decrypted) {
        return Report(errors, InputName(options), decrypted.error(), StatusOf(decrypted.error()));
    }
    if (const ExitStatus refused = ReportSignature(options, *decrypted, errors); refused != kOk) {
        return refused;
    }
    ExitStatus status = kOk;
    auto output = OpenOutput(options, true, errors, status);
    if (!output) {
        return status;
    }
    // Held whole, the message is checked whole before any byte of it goes
    // out: a lone CR at its end is refused before the rest reaches a terminal.
    if (output->PlainTextOnly() && !IsPrintableText(decrypted->text)) {
        output->RefuseAsNotText();
        return ReportWriteFailure(options, *output, EILSEQ, errors);
    }
    int failure = output->Write(decrypted->text);
    if (failure == 0) {
        failure = output->Commit();
    }
    return failure == 0 ? kOk : ReportWriteFailure(options, *output, failure, errors);
}

// One pass of a version 3 message through an opener, its text to `sink`.
// `more` fills a buffer with the next ciphertext bytes and says whether
// more may follow; `spool`, when given, keeps every ciphertext byte for a
// second pass.
struct Opened {
    std::expected<DecryptedMessage, Error> message = std::unexpected(Error{});
    // A failure of the input, not of the message.
    std::optional<Error> inputFailure;
};

template <class More>
Opened OpenPass(const Roles& roles, ByteSink sink, More more, SpoolFile* spool) {
    Opened result;
    auto opener = StreamOpener::Create(*roles.identity, roles.sender.get(), std::move(sink));
    if (!opener) {
        result.message = std::unexpected(opener.error());
        return result;
    }
    Bytes ciphertext;
    for (;;) {
        ciphertext.clear();
        const auto got = more(ciphertext);
        if (!got) {
            result.inputFailure = got.error();
            return result;
        }
        if (spool != nullptr && !ciphertext.empty()) {
            if (const int failure = spool->Write(ciphertext); failure != 0) {
                result.inputFailure = SystemError(failure);
                return result;
            }
        }
        if (auto taken = (*opener)->Update(ciphertext); !taken) {
            result.message = std::unexpected(taken.error());
            return result;
        }
        if (!*got) {
            break;
        }
    }
    result.message = (*opener)->Finish();
    return result;
}

ExitStatus DecryptStreaming(const Options& options, EncryptionEngine& engine, ReadOnlyFile& input,
                            HexStreamReader& reader, Bytes head, std::ostream& errors) {
    Roles roles;
    ExitStatus status = kOk;
    const RsaMethod* method = engine.Method();
    if (!Made(MakeIdentity(*method->PrivateKey()), roles.identity, options.keyFile, errors,
              status) ||
        (method->PublicKey() != nullptr && !Made(MakeSenderKey(*method->PublicKey()), roles.sender,
                                                 *options.senderKey, errors, status))) {
        return status;
    }
    auto output = OpenOutput(options, true, errors, status);
    if (!output) {
        return status;
    }
    int outputFailure = 0;
    const ByteSink toOutput =
        [&](std::span<const std::uint8_t> text) -> std::expected<void, Error> {
        outputFailure = output->Write(text);
        if (outputFailure != 0) {
            return std::unexpected(SystemError(outputFailure));
        }
        return {};
    };
    // The first pass reads the hex text: the bytes decoded from the first
    // window, then the rest, until the text or its hex lines end.
    Bytes text(kTextPiece);
    bool first = true;
    const auto fromText = [&](Bytes& ciphertext) -> std::expected<bool, Error> {
        if (first) {
            first = false;
            ciphertext.swap(head);
            return true;
        }
        if (reader.Current() == HexStreamReader::State::Ended) {
            reader.Finish(ciphertext);
            return false;
        }
        const auto got = input.Read(text);
        if (!got) {
            return std::unexpected(SystemError(got.error()));
        }
        if (*got == 0) {
            reader.Finish(ciphertext);
            return false;
        }
        if (reader.Read(std::span(text).first(*got), ciphertext) ==
            HexStreamReader::State::Malformed) {
            return std::unexpected(MakeError(ErrorCode::NotForThisKey));
        }
        return true;
    };
    // With --require-signed on standard output not one byte may go out
    // before the signature has checked: the first pass keeps the ciphertext
    // in a private spool and writes nothing; a second pass decrypts the
    // spooled bytes, which nobody else can change meanwhile. A new file
    // needs no second pass: it is named only after the check.
    const bool twoPasses = options.requireSigned && !ToNewFile(options);
    std::optional<SpoolFile> spool;
    if (twoPasses) {
        auto created = SpoolFile::Create();
        if (!created) {
            return Report(errors, "a spool file in $TMPDIR", SystemError(created.error()),
                          kFailure);
        }
        spool.emplace(std::move(*created));
    }
    const ByteSink discard = [](std::span<const std::uint8_t>) -> std::expected<void, Error> {
        return {};
    };
    Opened opened =
        OpenPass(roles, twoPasses ? discard : toOutput, fromText, spool ? &*spool : nullptr);
    const auto failed = [&](const Opened& pass) {
        if (pass.inputFailure) {
            return Report(errors, InputName(options), *pass.inputFailure,
                          StatusOf(*pass.inputFailure));
        }
        if (outputFailure != 0) {
            return ReportWriteFailure(options, *output, outputFailure, errors);
        }
        return Report(errors, InputName(options), pass.message.error(),
                      StatusOf(pass.message.error()));
    };
    if (opened.inputFailure || !opened.message) {
        return failed(opened);
    }
    if (const ExitStatus refused = ReportSignature(options, *opened.message, errors);
        refused != kOk) {
        return refused;
    }
    if (twoPasses) {
        if (const int failure = spool->Rewind(); failure != 0) {
            return Report(errors, InputName(options), SystemError(failure), kFailure);
        }
        const auto fromSpool = [&](Bytes& ciphertext) -> std::expected<bool, Error> {
            ciphertext.resize(kTextPiece);
            const auto got = spool->Read(ciphertext);
            if (!got) {
                return std::unexpected(SystemError(got.error()));
            }
            ciphertext.resize(*got);
            return *got != 0;
        };
        opened = OpenPass(roles, toOutput, fromSpool, nullptr);
        if (opened.inputFailure || !opened.message) {
            return failed(opened);
        }
        if (opened.message->signature != SignatureState::Verified) {
            return Report(errors, InputName(options), MakeError(ErrorCode::NotForThisKey),
                          kDamaged);
        }
    }
    if (const int failure = output->Commit(); failure != 0) {
        return ReportWriteFailure(options, *output, failure, errors);
    }
    return kOk;
}

ExitStatus DecryptInMemory(const Options& options, std::ostream& errors) {
    if (const ExitStatus refused = CheckOutput(options, errors); refused != kOk) {
        return refused;
    }
    LoadCryptoLibraryForOneCommand();
    ExitStatus status = kOk;
    auto engine = LoadKeys(options, options.keyFile, options.senderKey, true, errors, status);
    if (!engine) {
        return status;
    }
    auto input = options.input ? ReadOnlyFile::Open(*options.input) : ReadOnlyFile::StandardInput();
    if (!input) {
        return Report(errors, InputName(options), SystemError(input.error()), kFailure);
    }
    // The first window of text tells a short text, to be read whole, from a
    // long one in plain hex lines, to be streamed.
    Bytes text(kWholeTextBytes + 1);
    std::size_t used = 0;
    while (used < text.size()) {
        const auto got = input->Read(std::span(text).subspan(used));
        if (!got) {
            return Report(errors, InputName(options), SystemError(got.error()), kFailure);
        }
        if (*got == 0) {
            break;
        }
        used += *got;
    }
    text.resize(used);
    if (used > kWholeTextBytes) {
        HexStreamReader reader;
        Bytes head;
        // Versions 1 and 2 are read whole, as they always were.
        if (reader.Read(text, head) == HexStreamReader::State::Reading && !head.empty() &&
            head[0] == FormatV3::kVersion) {
            return DecryptStreaming(options, *engine, *input, reader, std::move(head), errors);
        }
        if (const int failure = ReadRest(*input, text, kMaxCiphertextInput); failure != 0) {
            return Report(errors, InputName(options), SystemError(failure), kFailure);
        }
    }
    if (const int closed = input->Close(); closed != 0) {
        return Report(errors, InputName(options), SystemError(closed), kFailure);
    }
    return DecryptWhole(options, *engine, text, errors);
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
    return WithinMemory(EncryptStreaming, options, errors);
}

ExitStatus Decrypt(const Options& options, std::ostream& errors) {
    return WithinMemory(DecryptInMemory, options, errors);
}

}  // namespace zelvora::cli
