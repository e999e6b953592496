#pragma once

#include "base/SecureBytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelvora {

// Upper-case hex, two digits per byte, no separators, written as UTF-16
// code units to `out`, which holds 2 * bytes.size() of them: the window's
// text type is filled in place (see message/WindowHex.h).
void WriteHexUtf16(std::span<const std::uint8_t> bytes, char16_t* out);

// Reads any text, two characters at a time, and never fails. Within a pair,
// blanks, tabs and line feeds are dropped; what remains is read as a hex
// number from the left and stops at the first non-digit (nothing readable
// gives 0). An odd last character forms a pair of its own, so the result has
// ceil(n / 2) bytes. Upper and lower case read alike.
Bytes HexToBytes(std::u16string_view text);
// The same rule over single-byte text, as key files hold it.
Bytes HexToBytes(std::string_view text);
SecureBytes HexToSecureBytes(std::string_view text);

// Decodes the longest prefix of `text` made only of pairs of plain hex
// digits (either case) into `out`, which holds text.size() / 2 bytes, and
// returns how many digits it took: always even, so a pair that a line end, a
// blank or the end of `text` splits is left to the caller. The bytes of
// `out` past those decoded may be overwritten.
std::size_t DecodePlainHexPairs(std::string_view text, std::uint8_t* out);

// Upper-case hex as single-byte characters, for files and standard output;
// the secret form wipes itself, for the text of a private key.
Bytes HexDigits(std::span<const std::uint8_t> bytes);
SecureBytes SecretHexDigits(std::span<const std::uint8_t> bytes);

// Ciphertext as users paste it, found by CiphertextDigits (quote markers,
// blanks, greetings and signatures around it) and read by the pair rule. The
// clipboard's UTF-16 text and a file's UTF-8 text are read alike.
Bytes CiphertextFromText(std::u16string_view text);
Bytes CiphertextFromText(std::span<const std::uint8_t> text);

// A key file's text: lines ended by CR LF, a lone CR or a lone LF are joined
// with nothing between them and read by the pair rule.
SecureBytes KeyFileLinesToBytes(SecureBytes text);

// UTF-8 as UTF-16 (RFC 3629); each byte of an ill-formed or cut-short
// sequence becomes one U+FFFD, as Qt's QString::fromUtf8 reads it, so the
// window's clipboard and a file give the same text.
std::u16string Utf16FromUtf8(std::span<const std::uint8_t> text);

}  // namespace zelvora
