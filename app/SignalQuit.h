#pragma once

#include <QObject>

#include <chrono>

class QSocketNotifier;

namespace zelvora {

// Turns SIGTERM, SIGINT and SIGHUP into a `requested` signal on the GUI
// thread, so that being told to stop runs Quit and clears the clipboard.
// The clearing gets `grace` from the first stop signal, or from the start
// of any other Quit; then the process ends anyway and says on standard
// error that the clipboard may not be clear, so no display server and no
// stuck loop keeps it running.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    // Well inside the few seconds a session manager or `systemd` waits
    // before it kills, and longer than a clearing takes when all is well.
    static constexpr std::chrono::milliseconds kGrace{4000};

    explicit SignalQuit(QObject* parent = nullptr, std::chrono::milliseconds grace = kGrace);
    ~SignalQuit() override;

signals:
    void requested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zelvora
