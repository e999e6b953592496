#pragma once

#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"

#include <ostream>

namespace zelvora::cli {

// The two commands. Each writes its result to the output the options name
// and every failure as one line to `errors`, and gives the exit status.
ExitStatus Encrypt(const Options& options, std::ostream& errors);
ExitStatus Decrypt(const Options& options, std::ostream& errors);

}  // namespace zelvora::cli
