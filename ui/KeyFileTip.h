#pragma once

#include "keys/KeyFile.h"

#include <QString>

namespace zelvora {

// What a key file path box shows as its tooltip and accessible description:
// the key's size, kind and fingerprint ("3072-bit private key, SHA256:..."),
// or in a word or two why the path names no usable key ("No key file", "Not
// a key"). Empty for an empty path. Reads the file, but never reports
// through a message box: the press that uses the key does that.
QString KeyFileTip(const QString& path, KeyFileKind kind);

}  // namespace zelvora
