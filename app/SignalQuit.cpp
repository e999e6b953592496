#include "app/SignalQuit.h"

#include "base/ErrorCode.h"
#include "platform/SignalPipe.h"
#include "texts/ErrorText.h"

#include <QSocketNotifier>

namespace zelvora {

SignalQuit::SignalQuit(QObject* parent, std::chrono::milliseconds grace) : QObject(parent) {
    const int fd = CatchStopSignals(
        grace, DescribeWithNumber(MakeError(ErrorCode::ClearCutShort), Surface::Window));
    if (fd < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
        if (!TakeStopSignal(fd)) {
            return;
        }
        // One stop is asked for however many signals come: Quit must not
        // start again inside a clearing that a later signal interrupts.
        notifier_->setEnabled(false);
        emit requested();
    });
}

SignalQuit::~SignalQuit() = default;

}  // namespace zelvora
