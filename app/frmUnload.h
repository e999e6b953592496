#pragma once

#include "message/ClipboardPort.h"
#include "app/ProcessEndPort.h"

#include <QWidget>

namespace zelvora {

// The shutdown window. Its load step clears the clipboard, gives up a
// selection this program owns and ends the process, so it is never displayed.
// Once stop signals are caught, the process ends within their grace time of
// the load step even when the clearing hangs.
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
