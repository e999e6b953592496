#pragma once

#include "bench/StopWatch.h"
#include "message/ClipboardPort.h"

namespace zelvora::bench {

// Passes every call on to the real clipboard and adds up the time spent.
class TimingClipboard : public ClipboardPort {
public:
    explicit TimingClipboard(ClipboardPort& real) : real_(real) {}

    QString Text() override {
        StopWatch watch(seconds);
        return real_.Text();
    }
    void Clear() override {
        StopWatch watch(seconds);
        real_.Clear();
    }
    void SetText(const QString& text) override {
        StopWatch watch(seconds);
        real_.SetText(text);
    }
    void ReleaseSelection() override {
        StopWatch watch(seconds);
        real_.ReleaseSelection();
    }

    double seconds = 0;

private:
    ClipboardPort& real_;
};

}  // namespace zelvora::bench
