#pragma once

namespace zelvora::cli {

// What zelvora-cli's exit status tells a script. Each failure a user can act
// on has its own, so a script can tell "fix the command" from "fix the key"
// from "ask for the message again".
enum ExitStatus : int {
    kOk = 0,
    // Input or output failed (a file that cannot be read or written, a
    // decrypted binary message refused to a terminal), or memory ran out.
    kFailure = 1,
    // The command line was not understood.
    kUsage = 2,
    // A key file cannot be read or holds no usable key of the right kind.
    kKey = 3,
    // The ciphertext is not a message for this key, or it was damaged.
    kDamaged = 4,
    // decrypt --require-signed: the message is not verified as written by
    // the --from key (unsigned, signed by another key, or a bad signature).
    kUnverifiedSender = 5,
};

}  // namespace zelvora::cli
