#pragma once

#include <string>
#include <string_view>
#include <deque>
#include <vector>

namespace zelvora {

// Finds the hex ciphertext in text as users copy it out of mail and chat,
// and returns the digits HexToBytes should read.
//
// Each line loses its quote markers ("> ", ">> ", "> > " at its start) and
// every blank: spaces and tabs, no-break and other Unicode spaces, zero-width
// spaces and joiners, byte-order marks and direction marks. A line left with
// only hex digits is a hex line.
//  - Text whose lines are all hex lines (or empty) is one ciphertext, however
//    its lines were broken: all of its digits are returned.
//  - Text that also holds other lines (a greeting, a signature, a remark) is
//    read as blocks of consecutive hex lines, and the block with the most
//    digits wins. A block is wrapped text: lines of one width and a last one
//    no wider. A line wider than the block's first, or one after the block's
//    shorter last line, starts a new block, so a greeting of hex letters
//    alone ("Bad", "cafe") stays out of the ciphertext below it. Empty lines
//    end a block unless the block is spaced by them throughout.
//  - Text without any hex line comes back with only spaces, tabs, CR and LF
//    removed, so it is read (and refused) as it always was.
//
// The result views `text` where the digits lie there unbroken, and `scratch`
// otherwise; either way it stays valid as long as both do.
std::u16string_view CiphertextDigits(std::u16string_view text, std::u16string& scratch);

// The same text read for every ciphertext it may hold, as a reply holds a
// new message above a quoted older one: the digits of each block of hex
// lines, from the top, and the index of the block CiphertextDigits picks.
// Text that holds only hex lines, or none, is one block, read exactly as
// CiphertextDigits reads it. A block views `text` where its digits lie there
// unbroken and its own copy in `compacted` otherwise, so a pasted message
// of many megabytes is not held twice; the blocks stay valid as long as
// `text` and the result do.
struct CiphertextBlocks {
    std::vector<std::u16string_view> blocks;
    std::size_t chosen = 0;
    // A deque, so that adding a copy never moves the ones viewed already.
    std::deque<std::u16string> compacted;
};
CiphertextBlocks FindCiphertextBlocks(std::u16string_view text);

}  // namespace zelvora
