#include "app/frmUnload.h"

#include "app/ShellLook.h"

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
    clipboard_.Clear();
    clipboard_.ReleaseSelection();
    processEnd_.EndProcess();
}

}  // namespace zelvora
