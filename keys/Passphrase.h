#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

namespace zelvora {

// The longest passphrase read; a longer line is refused with
// PassphraseTooLong rather than cut, which would silently change it.
inline constexpr std::size_t kMaxPassphraseBytes = 1024;

// The passphrase typed after `prompt` on the terminal, with echo off
// (whatever standard input carries). NoTerminalForPassphrase at once when the
// process has no terminal.
std::expected<SecureBytes, Error> AskPassphrase(std::string_view prompt);

// An answer typed after `prompt` on the terminal with echo on, such as a
// confirmation; the same failures as AskPassphrase.
std::expected<SecureBytes, Error> AskOnTerminal(std::string_view prompt);

// The first line of the file at `path` (--passphrase-file), without its
// line end.
std::expected<SecureBytes, Error> ReadPassphraseFile(const std::string& path);

// The first line read from the open descriptor `fd` (--passphrase-fd),
// without its line end. Nothing after the line is read, and the descriptor
// stays open.
std::expected<SecureBytes, Error> ReadPassphraseFromDescriptor(int fd);

}  // namespace zelvora
