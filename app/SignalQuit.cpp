#include "app/SignalQuit.h"

#include "platform/SignalPipe.h"

#include <QSocketNotifier>

namespace zelvora {

SignalQuit::SignalQuit(QObject* parent) : QObject(parent) {
    const int fd = CatchStopSignals();
    if (fd < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
        TakeStopSignal(fd);
        emit requested();
    });
}

SignalQuit::~SignalQuit() = default;

}  // namespace zelvora
