#pragma once

#include "ui/frmZuzezoRevevur.h"

#include <QString>

namespace zelvora::bench {

// Where a handler's time went, in seconds, as far as the window sees it.
struct WindowTimes {
    double repaint = 0;  // BeginWork: the busy state and its one repaint
    double field = 0;    // reading and writing the message field
    double other = 0;    // the staging field and EndWork
};

// The real main window with real key files, timing what the handlers ask
// of it; everything is passed on to the window unchanged.
class BenchWindow : public frmZuzezoRevevur {
public:
    BenchWindow(ClipboardPort& clipboard, MessageBoxPort& box, const QString& keyDirectory);

    QString MessageText() const override;
    void SetMessageText(const QString& text) override;
    QString StagingText() const override;
    void SetStagingText(const QString& text) override;
    void BeginWork(const QString& caption) override;
    void EndWork() override;

    // The times since the last call.
    WindowTimes TakeTimes();
    // Shows the window and lets every pending layout and paint run, so a
    // measurement starts from a window at rest.
    void Settle();

private:
    mutable WindowTimes times_;
};

}  // namespace zelvora::bench
