#include "app/frmUnload.h"

#include "app/ShellLook.h"
#include "platform/SignalPipe.h"

namespace zelvora {

frmUnload::frmUnload(ClipboardPort& clipboard, ProcessEndPort& processEnd)
    : QWidget(nullptr, Qt::FramelessWindowHint), clipboard_(clipboard), processEnd_(processEnd) {
    ShellLook::Apply(*this, 4680, 675);
    ShellLook::AddLabel(*this,
                        QStringLiteral("Unregistering DLL's and cleaning clipboard...please wait "
                                       "for shutting down the application."),
                        QRect(240, 120, 4095, 615));
}

void frmUnload::Form_Load() {
    // Every way out comes here: Esc, Quit, the close request, a stop signal
    // and the session's end. A display server that stops answering holds
    // the clearing forever, so the user's Quit gets the stop signals'
    // bound too; a signal's deadline already running is left as it is.
    StartStopDeadline();
    clipboard_.Clear();
    clipboard_.ReleaseSelection();
    processEnd_.EndProcess();
}

}  // namespace zelvora
