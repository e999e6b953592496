#include "bench/BenchWindow.h"

#include "bench/BenchKeys.h"
#include "bench/StopWatch.h"
#include "ui/QtFileDialog.h"
#include "ui/QtSettingsStore.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace zelvora::bench {
namespace {

MainWindowPorts Ports(ClipboardPort& clipboard, MessageBoxPort& box) {
    // The desktop's own store and dialog, as the program composes them.
    static QtSettingsStore settings;
    static QtFileDialog dialog;
    MainWindowPorts ports;
    ports.clipboard = &clipboard;
    ports.messageBox = &box;
    ports.settings = &settings;
    ports.fileDialog = &dialog;
    ports.quit = [] {};
    return ports;
}

}  // namespace

BenchWindow::BenchWindow(ClipboardPort& clipboard, MessageBoxPort& box, const QString& keyDirectory)
    : frmZuzezoRevevur(Ports(clipboard, box)) {
    const QString privatePath = keyDirectory + QStringLiteral("/own.skey");
    const QString publicPath = keyDirectory + QStringLiteral("/recipient.pkey");
    WriteKeyFile(privatePath, Keys3072().privateBlob);
    WriteKeyFile(publicPath, Keys3072().publicBlob);
    txtPrivateKeyFile->setText(privatePath);
    txtPublicKeyFile->setText(publicPath);
}

QString BenchWindow::MessageText() const {
    StopWatch watch(times_.field);
    return frmZuzezoRevevur::MessageText();
}

void BenchWindow::SetMessageText(const QString& text) {
    StopWatch watch(times_.field);
    frmZuzezoRevevur::SetMessageText(text);
}

QString BenchWindow::StagingText() const {
    StopWatch watch(times_.other);
    return frmZuzezoRevevur::StagingText();
}

void BenchWindow::SetStagingText(const QString& text) {
    StopWatch watch(times_.other);
    frmZuzezoRevevur::SetStagingText(text);
}

void BenchWindow::BeginWork(const QString& caption) {
    StopWatch watch(times_.repaint);
    frmZuzezoRevevur::BeginWork(caption);
}

void BenchWindow::EndWork() {
    StopWatch watch(times_.other);
    frmZuzezoRevevur::EndWork();
}

WindowTimes BenchWindow::TakeTimes() {
    const WindowTimes times = times_;
    times_ = WindowTimes();
    return times;
}

void BenchWindow::Settle() {
    if (!isVisible()) {
        show();
    }
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

}  // namespace zelvora::bench
