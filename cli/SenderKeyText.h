#pragma once

#include "base/Error.h"

#include <optional>
#include <string>

namespace zelvora::cli {

// decrypt --from names the key of the person the message is expected from,
// not a recipient: the sentence for a public key that cannot be used there,
// with its number, or nothing where the shared text fits as it is.
std::optional<std::string> DescribeSenderKeyError(const Error& error);

}  // namespace zelvora::cli
