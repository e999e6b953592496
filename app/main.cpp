// SPDX-License-Identifier: Apache-2.0
#include "app/GraphicalSession.h"
#include "app/SignalQuit.h"
#include "platform/ProcessHardening.h"
#include "app/preloader.h"
#include "texts/StartText.h"
#include "texts/Version.h"
#include "ui/QtClipboard.h"
#include "app/QtProcessEnd.h"
#include "wayland/DataControlClear.h"
#include "wayland/WlCopyClear.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

int main(int argc, char* argv[]) {
    zelvora::HardenProcess();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "zelvora " << zelvora::kVersion << '\n';
            return EXIT_SUCCESS;
        }
    }
    // Qt ends in an abort, with a core dump's exit status, when it finds no
    // display; a user started from a text console deserves one plain line.
    if (!zelvora::GraphicalSessionReachable([](const char* name) { return std::getenv(name); })) {
        std::cerr << zelvora::kNoGraphicalSession << '\n';
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvora"));
    QApplication::setApplicationVersion(QLatin1String(zelvora::kShortVersion));
    // Ties the windows to the installed launcher entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zelvora.Zelvora"));

    // Natively on Wayland the window's own clear is refused without a fresh
    // input event, as after a signal; the compositor's data-control protocol
    // clears regardless, and wl-copy where we cannot bind that ourselves.
    zelvora::WlCopyClear wlCopy;
    std::unique_ptr<zelvora::DataControlClear> dataControl;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        dataControl = std::make_unique<zelvora::DataControlClear>(&wlCopy);
    }
    zelvora::QtClipboard clipboard(dataControl.get());
    zelvora::QtProcessEnd processEnd;
    zelvora::preloader splash(clipboard, processEnd);

    // Every road out of the program goes through Quit, so the clipboard is
    // cleared whether the user, a signal or the session ends it. Set up
    // before the window shows, so no signal finds the default handler.
    zelvora::SignalQuit signalQuit;
    QObject::connect(&signalQuit, &zelvora::SignalQuit::requested, &splash,
                     &zelvora::preloader::Quit);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &splash,
                     &zelvora::preloader::Quit);

    splash.Form_Load();
    return QApplication::exec();
}
