#include "platform/OutputFile.h"

#include <unistd.h>

namespace zelvora {

OutputFile OutputFile::StandardOutput() {
    return OutputFile(STDOUT_FILENO, false);
}

bool OutputFile::IsTerminal() const {
    return ::isatty(fd_.Get()) == 1;
}

}  // namespace zelvora
