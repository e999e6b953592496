#pragma once

namespace zelvora {

// Turns SIGTERM, SIGINT and SIGHUP into a byte on a socket that an event
// loop can watch. Returns the end to watch, or -1 when no socket could be
// made (the signals then keep their default action).
int CatchStopSignals();
// Takes one byte off the watched end.
void TakeStopSignal(int fd);

}  // namespace zelvora
