// Peak memory of one Encrypt or one Decrypt press through the real window
// on the offscreen platform, with key files on disk.
//
//   zelvora_peak_memory encrypt|decrypt [--bytes N] [--foreign-clipboard] [--wrapped]
//
// The window is first brought to the state a user leaves it in before the
// press (the message typed in, or the ciphertext on the clipboard), then
// the kernel's high-water mark of resident memory is reset to the current
// use, the press runs, and the new high-water mark less that starting use
// is what the press cost. Prints one JSON object.
//
// On the offscreen platform the clipboard lives in the process, so the
// ciphertext is already in memory before a Decrypt press. With
// --foreign-clipboard (under X, with xclip installed) another program owns
// the clipboard, as when the text was copied from a mail, and the press
// has to fetch it. --wrapped breaks the hex text into lines of 76
// characters, as mail programs do.

#include "bench/AbortingMessageBox.h"
#include "bench/BenchKeys.h"
#include "bench/BenchWindow.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "message/WindowHex.h"
#include "widgets/MessageField.h"
#include "ui/QtClipboard.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace {

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "peak memory: %s\n", what);
    std::exit(2);
}

// A field of /proc/self/status, in KiB.
long StatusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        Die("cannot read /proc/self/status");
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
        }
    }
    Die("no such field in /proc/self/status");
}

// Linux 4.0 and later: writing 5 resets VmHWM to the current VmRSS.
void ResetHighWaterMark() {
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (!clearRefs.open(QIODevice::WriteOnly) || clearRefs.write("5") != 1) {
        Die("cannot reset the high-water mark");
    }
}

zelvora::Bytes Ciphertext(const QString& message) {
    const auto& keys = zelvora::bench::Keys3072();
    auto engine = zelvora::EncryptionEngine::Create();
    auto method = zelvora::RsaMethod::Create();
    if (!engine || !method || !(*method)->SetPublicKeyBlob(keys.publicBlob) ||
        !(*engine)->AttachMethod(*method)) {
        Die("loading the keys");
    }
    const QByteArray bytes = message.toLocal8Bit();
    auto ciphertext =
        (*engine)->EncryptBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size())),
                                true);
    if (!ciphertext) {
        Die("EncryptBytes");
    }
    return std::move(*ciphertext);
}

// Hands `text` to xclip, which keeps serving it as the clipboard's owner
// after the call returns.
void GiveToForeignOwner(const QString& text) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
    if (!xclip.waitForStarted()) {
        Die("cannot start xclip");
    }
    xclip.write(text.toLatin1());
    xclip.closeWriteChannel();
    if (!xclip.waitForFinished(60000) || xclip.exitCode() != 0) {
        Die("xclip failed");
    }
}

QString Wrapped(const QString& text) {
    QString wrapped;
    wrapped.reserve(text.size() + text.size() / 38 + 2);
    for (qsizetype at = 0; at < text.size(); at += 76) {
        wrapped.append(QStringView(text).mid(at, 76));
        wrapped.append(u"\r\n");
    }
    return wrapped;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Whatever the window stores goes to a scratch folder, not the user's.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool encrypt = arguments.value(1) == QStringLiteral("encrypt");
    if (!encrypt && arguments.value(1) != QStringLiteral("decrypt")) {
        std::fprintf(stderr,
                     "usage: %s encrypt|decrypt [--bytes N] [--foreign-clipboard] [--wrapped]\n",
                     argv[0]);
        return 2;
    }
    const qsizetype bytesAt = arguments.indexOf(QStringLiteral("--bytes"));
    const std::size_t size =
        bytesAt > 0 ? arguments.value(bytesAt + 1).toULongLong() : std::size_t{16} << 20;
    const bool foreign = arguments.contains(QStringLiteral("--foreign-clipboard"));
    const bool wrapped = arguments.contains(QStringLiteral("--wrapped"));

    QTemporaryDir keys;
    zelvora::QtClipboard clipboard;
    zelvora::bench::AbortingMessageBox box;
    zelvora::bench::BenchWindow window(clipboard, box, keys.path());
    {
        const QString message = zelvora::bench::MessageText(size);
        if (encrypt) {
            window.TextBox->setPlainText(message);
        } else {
            QString hex = zelvora::BytesToHex(Ciphertext(message));
            if (wrapped) {
                hex = Wrapped(hex);
            }
            if (foreign) {
                GiveToForeignOwner(hex);
            } else {
                clipboard.SetText(hex);
            }
        }
    }
    // Where a click on the button leaves the focus.
    (encrypt ? window.cmdEncrypt : window.cmdDecrypt)->setFocus();
    window.Settle();
    // Give back what the set-up freed, so it does not hide in the baseline.
    malloc_trim(0);

    const long before = StatusKiB("VmRSS");
    ResetHighWaterMark();
    if (encrypt) {
        window.cmdEncrypt_Click();
    } else {
        window.cmdDecrypt_Click();
    }
    const long handlerPeak = StatusKiB("VmHWM");
    // The repaint that follows the press belongs to it.
    window.Settle();
    const long peak = StatusKiB("VmHWM");

    const bool done = encrypt ? window.MessageText().isEmpty() && !clipboard.Text().isEmpty()
                              : static_cast<std::size_t>(window.MessageText().size()) == size;
    if (!done) {
        Die("the press did not do its work");
    }
    const double mib = 1024.0 * 1024.0;
    std::printf(
        "{\"operation\": \"%s%s\", \"message_bytes\": %zu, \"rss_before_mib\": %.1f, "
        "\"handler_peak_mib\": %.1f, \"peak_mib\": %.1f, \"press_peak_mib\": %.1f, "
        "\"times_message\": %.2f}\n",
        argv[1],
        foreign ? (wrapped ? " (foreign clipboard, wrapped)" : " (foreign clipboard)")
                : (wrapped ? " (wrapped)" : ""),
        size, before * 1024.0 / mib, handlerPeak * 1024.0 / mib, peak * 1024.0 / mib,
        (peak - before) * 1024.0 / mib, (peak - before) * 1024.0 / static_cast<double>(size));
    return 0;
}
