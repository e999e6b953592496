#pragma once

#include <string>

namespace zelvora {

// Whether a server accepts connections on the Unix domain socket named
// `name`: a path in the file system, or with `abstractName` a name in
// Linux's abstract namespace (where X servers also listen). The connection
// is closed at once; nothing is sent.
bool LocalSocketAnswers(const std::string& name, bool abstractName);

}  // namespace zelvora
