#pragma once

#include "message/ClipboardPort.h"
#include "app/ProcessEndPort.h"

#include <QWidget>

#include <memory>

namespace zelvora {

class frmZuzezoRevevur;
class frmUnload;

// The start-up window. Its load step makes the components available, shows
// the main window and hides itself; it stays loaded, unseen, until the end.
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
    std::unique_ptr<frmZuzezoRevevur> mainWindow_;
    std::unique_ptr<frmUnload> unload_;
};

}  // namespace zelvora
