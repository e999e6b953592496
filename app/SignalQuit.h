#pragma once

#include <QObject>

class QSocketNotifier;

namespace zelvora {

// Turns SIGTERM, SIGINT and SIGHUP into a `requested` signal on the GUI
// thread, so that being told to stop runs Quit and clears the clipboard.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(QObject* parent = nullptr);
    ~SignalQuit() override;

signals:
    void requested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zelvora
