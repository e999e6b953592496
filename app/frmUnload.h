#pragma once

#include "message/ClipboardPort.h"
#include "ui/ProcessEndPort.h"

#include <QWidget>

namespace zelvora {

// The shutdown window. Its load step clears the clipboard, gives up a
// selection this program owns and ends the process, so it is never displayed.
class frmUnload : public QWidget {
    Q_OBJECT
public:
    frmUnload(ClipboardPort& clipboard, ProcessEndPort& processEnd);

    // Does not return when the process end is real.
    void Form_Load();

private:
    ClipboardPort& clipboard_;
    ProcessEndPort& processEnd_;
};

}  // namespace zelvora
