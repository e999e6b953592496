#pragma once

#include "platform/ReadOnlyFile.h"

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string_view>

namespace zelvora {

// Reading one secret line, such as a passphrase, straight into memory the
// caller wipes. Failures are errno values: EMSGSIZE for a line longer than
// `into`, ENXIO when there is no terminal to read from.

// The first line of `file`, without its line end (LF, or CR LF), into the
// start of `into`; returns its length. Reads one byte at a time, so that
// nothing after the line is taken from a descriptor that carries more, such
// as standard input. The end of the file ends the line too.
std::expected<std::size_t, int> ReadFirstLine(ReadOnlyFile& file, std::span<std::uint8_t> into);

// One line typed on the controlling terminal (/dev/tty, whatever standard
// input is), after `prompt`, with echo off; a newline is printed after it,
// since the user's own was not echoed. The terminal's mode is restored on
// return, and also when SIGINT, SIGTERM, SIGHUP or SIGQUIT arrive while the
// line is read: a signal the process did not handle then ends it as before;
// one it handles reaches its handler, and the read ends with EINTR. Without a
// terminal it fails at once with ENXIO. One thread at a time: the handlers
// share what they restore. Like any program that sets the terminal's mode,
// a process in the background is stopped by the system until brought back.
std::expected<std::size_t, int> ReadLineWithoutEcho(std::string_view prompt,
                                                    std::span<std::uint8_t> into);

// The same with echo on, for an answer that is no secret (a typed "yes"),
// which the user should see as it is typed.
std::expected<std::size_t, int> ReadLineWithEcho(std::string_view prompt,
                                                 std::span<std::uint8_t> into);

}  // namespace zelvora
