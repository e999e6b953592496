#pragma once

#include "tests/support/TestKeys.h"

#include <QString>

#include <cstddef>

namespace zelvora::bench {

using BenchKeyPair = test::KeyPair;
using test::WriteKeyFile;

// A 3072-bit pair, made once per process: the size a careful user picks
// today, and the one every benchmark here is quoted for.
const BenchKeyPair& Keys3072();

// Printable text of `size` bytes in lines of 64 characters and a line feed,
// the shape of a typed or pasted message.
QString MessageText(std::size_t size);

}  // namespace zelvora::bench
