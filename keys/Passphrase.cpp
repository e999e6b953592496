#include "keys/Passphrase.h"

#include "base/ErrorCode.h"
#include "platform/ReadOnlyFile.h"
#include "platform/SecretLine.h"

#include <cerrno>

namespace zelvora {
namespace {

// One byte more than a passphrase may have, so that a line of exactly the
// limit and its line end fit, and a longer one is told apart.
constexpr std::size_t kBufferBytes = kMaxPassphraseBytes + 1;

template <class ReadLine>
std::expected<SecureBytes, Error> ReadInto(ReadLine&& readLine) {
    return WithoutExceptions([&]() -> std::expected<SecureBytes, Error> {
        SecureBytes passphrase(kBufferBytes);
        const std::expected<std::size_t, int> length = readLine(std::span(passphrase));
        if (!length) {
            switch (length.error()) {
                case EMSGSIZE:
                    return std::unexpected(MakeError(ErrorCode::PassphraseTooLong));
                case ENXIO:
                    return std::unexpected(MakeError(ErrorCode::NoTerminalForPassphrase));
                default:
                    return std::unexpected(SystemError(length.error()));
            }
        }
        if (*length > kMaxPassphraseBytes) {
            return std::unexpected(MakeError(ErrorCode::PassphraseTooLong));
        }
        // Shrinking keeps the block; the bytes past the end are wiped with it.
        passphrase.resize(*length);
        return passphrase;
    });
}

std::expected<SecureBytes, Error> ReadFrom(ReadOnlyFile& file) {
    auto passphrase =
        ReadInto([&file](std::span<std::uint8_t> into) { return ReadFirstLine(file, into); });
    // A descriptor that is no terminal says ENXIO for other reasons than a
    // missing terminal; only the terminal reader means that by it.
    if (!passphrase && passphrase.error() == MakeError(ErrorCode::NoTerminalForPassphrase)) {
        return std::unexpected(SystemError(ENXIO));
    }
    return passphrase;
}

}  // namespace

std::expected<SecureBytes, Error> AskPassphrase(std::string_view prompt) {
    return ReadInto(
        [prompt](std::span<std::uint8_t> into) { return ReadLineWithoutEcho(prompt, into); });
}

std::expected<SecureBytes, Error> AskOnTerminal(std::string_view prompt) {
    return ReadInto(
        [prompt](std::span<std::uint8_t> into) { return ReadLineWithEcho(prompt, into); });
}

std::expected<SecureBytes, Error> ReadPassphraseFile(const std::string& path) {
    auto file = ReadOnlyFile::Open(path);
    if (!file) {
        return std::unexpected(SystemError(file.error()));
    }
    auto passphrase = ReadFrom(*file);
    if (const int closed = file->Close(); closed != 0 && passphrase) {
        return std::unexpected(SystemError(closed));
    }
    return passphrase;
}

std::expected<SecureBytes, Error> ReadPassphraseFromDescriptor(int fd) {
    auto file = ReadOnlyFile::Borrow(fd);
    return ReadFrom(file);
}

}  // namespace zelvora
