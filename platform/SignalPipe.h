#pragma once

#include <chrono>
#include <string_view>

namespace zelvora {

// Turns SIGTERM, SIGINT and SIGHUP into a byte on a socket that an event
// loop can watch, and bounds the way out: `grace` after the first of them,
// or after StartStopDeadline, whichever comes first, a thread of its own
// writes `note` (and a line break) to standard error and ends the process
// with status 1, whatever the event loop is doing, so a clearing that hangs
// on a display server, or a loop that never returns to the socket, cannot
// keep the process alive. The program ends itself sooner when all goes
// well. Returns the end to watch, or -1 when no socket or thread could be made (the
// signals then keep their default action). Set up once.
int CatchStopSignals(std::chrono::milliseconds grace, std::string_view note);
// Starts the same deadline without a signal, for a way out the user chose:
// it bounds the clearing as a stop signal does. Later starts and signals
// change nothing. Neither the watched socket nor StopRequested hears of
// it, so the program's own way out is not asked for a second time. Does
// nothing before CatchStopSignals or when that failed.
void StartStopDeadline();
// Takes the bytes waiting on the watched end; false when there were none.
bool TakeStopSignal(int fd);
// Whether a stop signal has come since CatchStopSignals: the program is
// ending without an input event of its own.
bool StopRequested();

}  // namespace zelvora
