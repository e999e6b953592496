// ReadKeyFile on a file holding arbitrary bytes: it must read any file of
// allowed size without a report, and yield what joining the lines (at CR LF,
// lone CR and lone LF) and applying the pair rule yields.

#include "fuzz/ReferenceHex.h"
#include "keys/KeyFile.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, rewritten for every input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        std::string name = "/tmp/zelvora-fuzz-keyfile-XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0) {
            std::abort();
        }
        close(fd);
        std::atexit([] { unlink(ScratchPath().c_str()); });
        return name;
    }();
    return path;
}

void WriteScratch(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
}

// The lines of the file joined with nothing between them.
std::vector<std::uint32_t> JoinedLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint32_t> joined;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\r') {
            if (i + 1 < size && data[i + 1] == '\n') {
                ++i;
            }
        } else if (data[i] != '\n') {
            joined.push_back(data[i]);
        }
    }
    return joined;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > zelvora::kMaxKeyFileSize) {
        return -1;
    }
    WriteScratch(data, size);
    const auto key = zelvora::ReadKeyFile(ScratchPath(), zelvora::KeyFileKind::Public);
    if (!key || !key->has_value()) {
        std::abort();
    }
    if (!std::ranges::equal(**key, zelvora::fuzz::ReferenceHexToBytes(JoinedLines(data, size)))) {
        std::abort();
    }
    return 0;
}
