#include "platform/SignalPipe.h"

#include <csignal>
#include <initializer_list>
#include <sys/socket.h>
#include <unistd.h>

namespace zelvora {
namespace {

int pipeEnds[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(pipeEnds[0], &byte, 1);
}

}  // namespace

int CatchStopSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    return pipeEnds[1];
}

void TakeStopSignal(int fd) {
    char byte;
    [[maybe_unused]] const auto got = ::read(fd, &byte, 1);
}

}  // namespace zelvora
