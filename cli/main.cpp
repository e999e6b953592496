// zelvora-cli: encrypts a message to a recipient's public key as the hex text
// the window puts on the clipboard, and decrypts such text with the user's
// own private key, for scripts, pipes and machines without a desktop.

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "platform/ProcessHardening.h"
#include "texts/Version.h"

#include <iostream>
#include <span>

namespace {

constexpr std::string_view kHelp =
    "Usage: zelvora-cli encrypt --to RECIPIENT.pkey [--to RECIPIENT.pkey ...]\n"
    "                           [--sign MY.skey [--to-self]] [--wrap COLS]\n"
    "                           [--passphrase-file FILE | --passphrase-fd N]\n"
    "                           [--output FILE] [FILE]\n"
    "       zelvora-cli decrypt --key MY.skey [--from SENDER.pkey [--require-signed]]\n"
    "                           [--passphrase-file FILE | --passphrase-fd N]\n"
    "                           [--output FILE] [FILE]\n"
    "\n"
    "encrypt  encrypts FILE (or standard input) to the recipients' public keys and\n"
    "         writes the ciphertext as one line of upper-case hex text, the text\n"
    "         the Zelvora window puts on the clipboard.\n"
    "decrypt  reads such hex text from FILE (or standard input), as tolerantly as\n"
    "         the window's Decrypt, and writes the message's bytes and nothing else.\n"
    "\n"
    "Options:\n"
    "  --to FILE       a recipient's public key file (.pkey), for encrypt, once\n"
    "                  for each recipient (up to 64); - reads it from standard\n"
    "                  input\n"
    "  --to-self       with --sign: the --sign key can read the message too, so\n"
    "                  you can read later what you sent\n"
    "  --key FILE      your own private key file (.skey), for decrypt\n"
    "  --sign FILE     your own private key file (.skey), for encrypt: the\n"
    "                  message is signed, and only the recipient sees by whom\n"
    "  --from FILE     the sender's public key file (.pkey), for decrypt: a\n"
    "                  signature is checked against it, and what it says goes\n"
    "                  to standard error; - reads it from standard input\n"
    "  --require-signed\n"
    "                  for decrypt: write the message only when it is verified\n"
    "                  as signed by the --from key\n"
    "  --passphrase-file FILE\n"
    "                  the passphrase of a protected --key or --sign file is\n"
    "                  the first line of FILE (otherwise it is asked on the\n"
    "                  terminal, even when standard input carries the message)\n"
    "  --passphrase-fd N\n"
    "                  the passphrase is the first line read from descriptor N\n"
    "  --wrap COLS     hex lines of COLS characters, for mail (0: one line)\n"
    "  -o, --output FILE\n"
    "                  write to FILE instead of standard output: a new file\n"
    "                  only you may read, never an existing one; a decrypted\n"
    "                  message that is not plain text reaches a terminal only\n"
    "                  with --output -\n"
    "  -h, --help      show this help and exit\n"
    "  --version       show the version and exit\n"
    "  --              end of options, for a FILE that starts with '-'\n"
    "\n"
    "Exit status: 0 done, 1 input or output failed, 2 command line not\n"
    "understood, 3 key file unusable (a wrong passphrase or none to be had\n"
    "included), 4 message damaged or not for this key, 5 sender not verified\n"
    "(with --require-signed).\n";

}  // namespace

int main(int argc, char** argv) {
    // Before any key or message is read: no core file, no reading of this
    // process's memory by others.
    zelvora::HardenProcess();
    using namespace zelvora::cli;
    const auto options = ParseCommandLine(
        std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1)));
    if (!options) {
        std::cerr << "zelvora-cli: " << options.error() << '\n'
                  << "Try 'zelvora-cli --help' for more information.\n";
        return kUsage;
    }
    switch (options->command) {
        case Command::Help:
            std::cout << kHelp;
            return kOk;
        case Command::Version:
            std::cout << "zelvora-cli " << zelvora::kVersion << '\n';
            return kOk;
        case Command::Encrypt:
            return Encrypt(*options, std::cerr);
        case Command::Decrypt:
            return Decrypt(*options, std::cerr);
    }
    return kUsage;
}
