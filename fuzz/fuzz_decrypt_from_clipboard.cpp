// The Decrypt operation of the message layer on arbitrary clipboard text,
// with fake ports and real key files. The first input byte picks the mode:
//  - even: the rest, as UTF-8, is the clipboard text; it cannot be a
//    ciphertext for the key, so the press must end in one report with the
//    message field untouched;
//  - odd: the rest edits the hex text of a real ciphertext in ways the
//    reading must forgive (blanks, tabs, line breaks, lower case), and the
//    press must show the message without a report, marked as unsigned.
// Either way the clipboard and the staging field end empty and the window
// leaves its busy state.

#include "message/DecryptFromClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "message/WindowHex.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeWorkWindow.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/TestKeys.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

using namespace zelvora;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const QString kMessage = QStringLiteral("Meet me at the old mill at noon.");
const QString kTypedBefore = QStringLiteral("typed before the press");

struct Fixture {
    QTemporaryDir keys;
    QString privatePath;
    QString publicPath;
    QString hex;

    Fixture() {
        Require(keys.isValid());
        privatePath = keys.filePath(QStringLiteral("own.skey"));
        publicPath = keys.filePath(QStringLiteral("recipient.pkey"));
        test::WriteKeyFile(privatePath, test::Alice().privateBlob);
        test::WriteKeyFile(publicPath, test::Alice().publicBlob);

        auto method = RsaMethod::Create();
        auto engine = EncryptionEngine::Create();
        Require(method && engine && (*method)->SetPublicKeyBlob(test::Alice().publicBlob) &&
                (*engine)->AttachMethod(*method));
        const QByteArray bytes = kMessage.toUtf8();
        auto ciphertext = (*engine)->EncryptBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size())),
            true);
        Require(ciphertext.has_value());
        hex = BytesToHex(*ciphertext);
    }
};

// Edits the reading forgives, each as two bytes: where, and what.
QString Forgivably(const QString& hex, std::span<const std::uint8_t> edits) {
    static const char16_t gaps[] = {u' ', u'\t', u'\r', u'\n'};
    QString text = hex;
    for (std::size_t i = 0; i + 2 <= edits.size(); i += 2) {
        const auto at = static_cast<qsizetype>(edits[i] % (text.size() + 1));
        const std::uint8_t what = edits[i + 1] % 5;
        if (what < 4) {
            text.insert(at, QChar(gaps[what]));
        } else if (at < text.size()) {
            text[at] = text[at].toLower();
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size == 0) {
        return -1;
    }
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    const bool forgivable = (data[0] & 1) != 0;

    FakeWorkWindow window;
    window.privateKeyPath = fixture.privatePath;
    window.publicKeyPath = fixture.publicPath;
    window.message = kTypedBefore;
    FakeClipboard clipboard;
    clipboard.content = forgivable ? Forgivably(fixture.hex, rest)
                                   : QString::fromUtf8(reinterpret_cast<const char*>(rest.data()),
                                                       static_cast<qsizetype>(rest.size()));
    RecordingMessageBox box;

    DecryptFromClipboard(window, clipboard, box);

    Require(!clipboard.content.has_value());
    Require(window.staging.isEmpty());
    Require(!window.busy && window.log.last() == QStringLiteral("end"));
    if (forgivable) {
        // An unsigned message: shown, and marked as not verified.
        Require(box.shown.isEmpty() && window.message == kMessage && window.log.size() == 3 &&
                window.signature && !window.signature->verified);
    } else {
        Require(box.shown.size() == 1 && window.message == kTypedBefore && window.log.size() == 2 &&
                !window.signature);
        Require(box.shown.first().startsWith(QStringLiteral("Error during Decrypt.\r\n")));
    }
    return 0;
}
