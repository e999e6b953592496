#pragma once

#include "message/MessageBoxPort.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace zelvora::bench {

// A report during a measurement means the measured path was not the one
// meant: stop at once rather than time an error path, or wait on a modal box.
class AbortingMessageBox : public MessageBoxPort {
public:
    void Show(const QString& text) override {
        std::fprintf(stderr, "unexpected report: %s\n", qPrintable(text));
        std::abort();
    }
};

}  // namespace zelvora::bench
