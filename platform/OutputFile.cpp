#include "platform/OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zelvora {

std::expected<OutputFile, int> OutputFile::Create(const std::string& path, bool secret) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY,
                          secret ? 0600 : 0666);
    if (fd < 0) {
        return std::unexpected(errno);
    }
    return OutputFile(fd, true);
}

OutputFile OutputFile::StandardOutput() {
    return OutputFile(STDOUT_FILENO, false);
}

bool OutputFile::IsTerminal() const {
    return ::isatty(fd_.Get()) == 1;
}

}  // namespace zelvora
