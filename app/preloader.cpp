#include "app/preloader.h"

#include "app/ShellLook.h"
#include "app/frmUnload.h"
#include "crypto/CryptoLibrary.h"
#include "ui/frmZuzezoRevevur.h"

#include <QFont>
#include <QLabel>

namespace zelvora {

preloader::preloader(ClipboardPort& clipboard, ProcessEndPort& processEnd)
    : QWidget(nullptr, Qt::FramelessWindowHint), clipboard_(clipboard), processEnd_(processEnd) {
    ShellLook::Apply(*this, 3855, 1725);
    QLabel* title =
        ShellLook::AddLabel(*this, QStringLiteral("Zelvora!"), QRect(240, 240, 3375, 495));
    QFont font(QStringLiteral("MS Sans Serif"), 18);
    font.setItalic(true);
    font.setWeight(QFont::Normal);
    title->setFont(font);
    ShellLook::AddLabel(*this, QStringLiteral("Pre-Loading and registering components..."),
                        QRect(480, 960, 3135, 255));
    ShellLook::AddLabel(*this, QStringLiteral("Please wait...!"), QRect(1320, 1320, 1215, 255));
}

preloader::~preloader() = default;

void preloader::Form_Load() {
    // The message field needs nothing to be made available; the encryption
    // component is the linked crypto library. Its set-up is neither waited
    // for nor reported: a failure shows where the component is used.
    LoadCryptoLibrary();

    if (!mainWindow_) {
        MainWindowPorts ports;
        ports.clipboard = &clipboard_;
        ports.messageBox = &messageBox_;
        ports.fileDialog = &fileDialog_;
        ports.settings = &settings_;
        ports.quit = [this] { Quit(); };
        mainWindow_ = std::make_unique<frmZuzezoRevevur>(std::move(ports));
        // Boxes and dialogs open in front of the window they serve.
        messageBox_.SetOwner(mainWindow_.get());
        fileDialog_.SetOwner(mainWindow_.get());
    }
    mainWindow_->show();
    hide();
}

void preloader::Quit() {
    // A stop signal or the session's end comes here without the window's
    // Quit; the unlocked key goes either way.
    if (mainWindow_) {
        mainWindow_->ForgetUnlockedKey();
    }
    unload_ = std::make_unique<frmUnload>(clipboard_, processEnd_);
    unload_->Form_Load();
}

}  // namespace zelvora
