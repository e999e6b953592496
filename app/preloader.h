#pragma once

#include "app/ProcessEndPort.h"
#include "message/ClipboardPort.h"
#include "ui/QtFileDialog.h"
#include "ui/QtMessageBox.h"
#include "ui/QtSettingsStore.h"

#include <QWidget>

#include <memory>

namespace zelvora {

class frmZuzezoRevevur;
class frmUnload;

// The start-up window. Its load step makes the components available,
// composes the main window with the desktop's message boxes, file dialogs
// and settings, shows it and hides itself; it stays loaded, unseen, until
// the end.
class preloader : public QWidget {
    Q_OBJECT
public:
    preloader(ClipboardPort& clipboard, ProcessEndPort& processEnd);
    ~preloader() override;

    void Form_Load();
    frmZuzezoRevevur* MainWindow() const { return mainWindow_.get(); }
    // Quit: the shutdown window's load step ends the process.
    void Quit();

private:
    ClipboardPort& clipboard_;
    ProcessEndPort& processEnd_;
    QtMessageBox messageBox_;
    QtFileDialog fileDialog_;
    QtSettingsStore settings_;
    std::unique_ptr<frmZuzezoRevevur> mainWindow_;
    std::unique_ptr<frmUnload> unload_;
};

}  // namespace zelvora
