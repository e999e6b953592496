#pragma once

#include "base/SignatureState.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvora {

// What the user is told about a decrypted message's writer, in UTF-8.
struct SignatureNotice {
    // Only a checked signature by the key the user named; every front end
    // must draw the other states so they cannot be taken for this one.
    bool verified = false;
    // A short line: the window's message frame caption.
    std::string caption;
    // The full sentence: which case it is, the signer's fingerprint where
    // the message names one, and for every unverified case that anyone with
    // the user's public key could have written the text.
    std::string description;
};

// `keyFileName` is the name of the public key file the user named (without
// its folder); `signer` the signer's fingerprint text, empty for none.
SignatureNotice DescribeSignature(SignatureState state, std::string_view keyFileName,
                                  std::string_view signer);

// Added to the description when the decrypted text held `count` (more than
// one) encrypted messages, as a reply quoting an older one does: which of
// them is shown.
std::string SeveralMessagesNote(std::size_t count);

}  // namespace zelvora
