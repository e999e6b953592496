#include "message/DecryptFromClipboard.h"
#include "message/EncryptToClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "message/WindowHex.h"
#include "texts/ErrorText.h"
#include "texts/SignatureText.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeWorkWindow.h"
#include "tests/fakes/RecordingMessageBox.h"
#include "tests/support/CryptoTestKeys.h"
#include "tests/support/TestKeys.h"
#include "keys/Fingerprint.h"
#include "keys/ProtectedKey.h"
#include "keys/RsaKey.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace zelvora {
namespace {

using test::Alice;
using test::Bob;
using test::WriteKeyFile;

// The error the component gives for one situation, to check that reports
// pass its number and description on unchanged.
Error EncryptErrorWithoutPublicKey() {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = *RsaMethod::Create();
    (void)engine->AttachMethod(method);
    return engine->EncryptBytes({}, true).error();
}

Error DecryptError(const Bytes& privateBlob, const Bytes& ciphertext) {
    auto engine = std::move(*EncryptionEngine::Create());
    auto method = *RsaMethod::Create();
    (void)method->SetPrivateKeyBlob(std::span<const std::uint8_t>(privateBlob));
    (void)engine->AttachMethod(method);
    return engine->DecryptBytes(ciphertext, true).error();
}

Error PublicKeyError(const Bytes& blob) {
    return (*RsaMethod::Create())->SetPublicKeyBlob(std::span<const std::uint8_t>(blob)).error();
}

Error PrivateKeyError(const Bytes& blob) {
    return (*RsaMethod::Create())->SetPrivateKeyBlob(std::span<const std::uint8_t>(blob)).error();
}

// Built by hand rather than with the formatter, so a formatting fault shows.
QString Report(const QString& heading, const Error& error) {
    return heading + "\r\n" + QString::fromStdString(Describe(error, Surface::Window)) + " (" +
           QString::number(static_cast<std::uint32_t>(error.number), 16).toUpper() + ")";
}

QString KeyFileReport(const QString& path) {
    return "Error reading key file " + path + "\r\nNo such file or directory (2)";
}

const QString kSetUp = QStringLiteral("Error during Encryption method initialization.");
const QString kEncrypt = QStringLiteral("Error during Encrypt.");
const QString kDecrypt = QStringLiteral("Error during Decrypt.");

class MessageOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        alicePrivate_ = Path("alice.skey");
        alicePublic_ = Path("alice.pkey");
        bobPrivate_ = Path("bob.skey");
        bobPublic_ = Path("bob.pkey");
        garbage_ = Path("garbage.pkey");
        missing_ = Path("missing.pkey");
        WriteKeyFile(alicePrivate_, Alice().privateBlob);
        WriteKeyFile(alicePublic_, Alice().publicBlob);
        WriteKeyFile(bobPrivate_, Bob().privateBlob);
        WriteKeyFile(bobPublic_, Bob().publicBlob);
        // A third person's: Bob's messages carry a copy for Bob himself.
        WriteKeyFile(Path("carol.skey"), test::CryptoTestKeys::Rsa(3072).privateInfo);
        std::ofstream(garbage_.toStdString()) << "00112233\r\n";
        // Also taken as a private key file, which must be the user's alone.
        QFile::setPermissions(garbage_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    QString Path(const char* name) const { return dir_.filePath(name); }

    // Bob writes to Alice; returns what lands on the clipboard.
    QString EncryptForAlice(const QString& message) {
        window_.privateKeyPath = bobPrivate_;
        window_.publicKeyPath = alicePublic_;
        window_.message = message;
        EncryptToClipboard(window_, clipboard_, box_);
        return clipboard_.Text();
    }

    void ExpectIdleAfter(const QString& caption) {
        EXPECT_EQ(window_.log, QStringList({"begin " + caption, "end"}));
        EXPECT_FALSE(window_.busy);
        EXPECT_TRUE(window_.staging.isEmpty());
    }

    QTemporaryDir dir_;
    QString alicePrivate_, alicePublic_, bobPrivate_, bobPublic_, garbage_, missing_;
    FakeWorkWindow window_;
    FakeClipboard clipboard_;
    RecordingMessageBox box_;
};

TEST_F(MessageOperationsTest, EncryptLeavesOnlyUpperCaseHexOnTheClipboard) {
    clipboard_.content = QStringLiteral("earlier text");
    clipboard_.ownsSelection = true;  // the user selected the message first
    const QString hex = EncryptForAlice(QStringLiteral("Hello"));
    EXPECT_TRUE(box_.shown.isEmpty());
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]+$").match(hex).hasMatch());
    // Version 3, signed with Bob's key, to Alice and to Bob himself: version,
    // count, two stanzas with 256-byte bodies, MAC, salt, one chunk of
    // preamble, 5 bytes and 256-byte signature, and its tag; two digits each.
    EXPECT_EQ(hex.size(), 2 * (2 + 2 * (3 + 256) + 32 + 16 + 35 + 5 + 256 + 16));
    EXPECT_TRUE(hex.startsWith(QStringLiteral("0302")));
    EXPECT_EQ(clipboard_.log, QStringList({"clear", "set", "release selection"}));
    EXPECT_TRUE(window_.message.isEmpty());
    // The frame says for whom, after the field was emptied (which would
    // otherwise take the notice away again).
    EXPECT_EQ(window_.log,
              QStringList({"begin Encrypting...",
                           "notice Message \u2014 encrypted for alice.pkey, signed", "end"}));
    EXPECT_FALSE(window_.busy);
    EXPECT_TRUE(window_.staging.isEmpty());
}

// The second click of a double click finds the field the first emptied.
TEST_F(MessageOperationsTest, EmptyFieldLeavesTheClipboardAsItIs) {
    const QString first = EncryptForAlice(QStringLiteral("the only copy"));
    clipboard_.log.clear();
    window_.log.clear();
    ASSERT_TRUE(window_.message.isEmpty());
    EncryptToClipboard(window_, clipboard_, box_);
    EXPECT_EQ(clipboard_.Text(), first);
    EXPECT_TRUE(clipboard_.log.isEmpty());
    EXPECT_TRUE(box_.shown.isEmpty());
    EXPECT_EQ(window_.log, QStringList{"notice Message \u2014 nothing to encrypt"});
    EXPECT_FALSE(window_.notice->warning);

    window_.privateKeyPath = alicePrivate_;
    DecryptFromClipboard(window_, clipboard_, box_);
    EXPECT_EQ(window_.message, QStringLiteral("the only copy"));
}

TEST_F(MessageOperationsTest, MessagesRoundTripInAnyScript) {
    // The empty message is the command line's: the window encrypts none.
    const QStringList messages = {
        QStringLiteral("x"), QString::fromUtf8("Grüße, Привет, 日本語, 😀"),
        QStringLiteral("line one\nline two\r\n\ttabbed"), QString(100000, QChar(u'é'))};
    for (const QString& message : messages) {
        EncryptForAlice(message);
        window_.privateKeyPath = alicePrivate_;
        window_.publicKeyPath = bobPublic_;
        window_.message = QStringLiteral("old text is replaced");
        clipboard_.ownsSelection = true;
        DecryptFromClipboard(window_, clipboard_, box_);
        EXPECT_EQ(window_.message, message);
        EXPECT_FALSE(clipboard_.ownsSelection);
        EXPECT_FALSE(clipboard_.content.has_value());
        EXPECT_TRUE(box_.shown.isEmpty()) << box_.shown.join(" | ").toStdString();
    }
}

TEST_F(MessageOperationsTest, DecryptReadsWrappedAndLowerCaseText) {
    const QString hex = EncryptForAlice(QStringLiteral("wrapped"));
    QString quoted;
    for (qsizetype at = 0; at < hex.size(); at += 76) {
        quoted += (at == 76 ? ">\u00A0" : "> ") + hex.mid(at, 76) + "\n";
    }
    const QStringList variants = {
        hex.left(100) + "\r\n" + hex.mid(100) + "\r\n",
        hex.left(64) + "\n" + hex.mid(64, 64) + "\n" + hex.mid(128) + "\n",
        "  " + hex.left(10) + " \t" + hex.mid(10), hex.toLower(),
        // A reply as mail programs quote it, with a greeting and a signature.
        "Hi Alice,\n\nBob wrote:\n" + quoted + ">\n> Bob\n\n-- \nAlice"};
    window_.privateKeyPath = alicePrivate_;
    for (const QString& text : variants) {
        clipboard_.content = text;
        window_.message.clear();
        DecryptFromClipboard(window_, clipboard_, box_);
        EXPECT_EQ(window_.message, QStringLiteral("wrapped"));
    }
    EXPECT_TRUE(box_.shown.isEmpty());
}

struct EncryptFailure {
    const char* name;
    const char* privatePath;  // a file name in the test folder, or "" for none
    const char* publicPath;
    // Expected reports, in order; a function because keys are made at run time.
    std::function<QStringList(const QString& dir)> reports;
};

class EncryptFailureTest : public MessageOperationsTest,
                           public ::testing::WithParamInterface<EncryptFailure> {};

TEST_P(EncryptFailureTest, KeepsTheMessageAndLeavesNoTextOnTheClipboard) {
    const auto& c = GetParam();
    const auto resolve = [this](const char* name) { return *name ? Path(name) : QString(); };
    window_.privateKeyPath = resolve(c.privatePath);
    window_.publicKeyPath = resolve(c.publicPath);
    window_.message = QStringLiteral("my typed message");
    clipboard_.content = QStringLiteral("earlier text");
    clipboard_.ownsSelection = true;

    EncryptToClipboard(window_, clipboard_, box_);

    EXPECT_EQ(box_.shown, c.reports(dir_.path()));
    EXPECT_EQ(window_.message, QStringLiteral("my typed message"));
    // The field still shows the text, so a selection of it stays on offer.
    EXPECT_TRUE(clipboard_.ownsSelection);
    EXPECT_FALSE(clipboard_.content.has_value());
    ExpectIdleAfter("Encrypting...");
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EncryptFailureTest,
    ::testing::Values(
        EncryptFailure{"NoPublicKeyPath", "bob.skey", "",
                       [](const QString&) {
                           return QStringList{Report(kEncrypt, EncryptErrorWithoutPublicKey())};
                       }},
        // One report per press: the file named, not the engine's lack of a key.
        EncryptFailure{
            "MissingPublicKeyFile", "bob.skey", "missing.pkey",
            [](const QString& dir) { return QStringList{KeyFileReport(dir + "/missing.pkey")}; }},
        // A signing key named but unusable stops the press: going on would
        // send the message unsigned, as if from a stranger.
        EncryptFailure{
            "MissingPrivateKeyFile", "missing.pkey", "alice.pkey",
            [](const QString& dir) { return QStringList{KeyFileReport(dir + "/missing.pkey")}; }},
        EncryptFailure{
            "GarbagePublicKey", "bob.skey", "garbage.pkey",
            [](const QString&) {
                return QStringList{Report(kSetUp, PublicKeyError({0x00, 0x11, 0x22, 0x33}))};
            }},
        EncryptFailure{"PrivateKeyGivenAsPublic", "bob.skey", "alice.skey",
                       [](const QString&) {
                           return QStringList{Report(kSetUp, PublicKeyError(Alice().privateBlob))};
                       }},
        // A broken private key ends the set-up before the public key file is
        // opened, so the missing public key file goes unreported.
        EncryptFailure{
            "GarbagePrivateKeySkipsPublicKey", "garbage.pkey", "missing.pkey",
            [](const QString&) {
                return QStringList{Report(kSetUp, PrivateKeyError({0x00, 0x11, 0x22, 0x33}))};
            }},
        EncryptFailure{"PublicKeyGivenAsPrivate", "alice.pkey", "alice.pkey",
                       [](const QString&) {
                           return QStringList{Report(kSetUp, PrivateKeyError(Alice().publicBlob))};
                       }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessageOperationsTest, EncryptNeedsNoPrivateKey) {
    window_.publicKeyPath = alicePublic_;
    window_.message = QStringLiteral("hi");
    EncryptToClipboard(window_, clipboard_, box_);
    // An empty private key box encrypts unsigned, without a word: version 3
    // to the recipient alone, no copy for a writer.
    EXPECT_TRUE(box_.shown.isEmpty());
    EXPECT_TRUE(clipboard_.Text().startsWith(QStringLiteral("0301")));
    EXPECT_TRUE(window_.message.isEmpty());
}

struct DecryptFailure {
    const char* name;
    const char* privatePath;
    // What is on the clipboard, made from a valid ciphertext for Alice.
    std::function<std::optional<QString>(const QString& hex)> clipboard;
    std::function<QStringList(const QString& dir, const QString& hex)> reports;
};

class DecryptFailureTest : public MessageOperationsTest,
                           public ::testing::WithParamInterface<DecryptFailure> {};

TEST_P(DecryptFailureTest, KeepsTheMessageAndClearsTheClipboard) {
    const auto& c = GetParam();
    const QString hex = EncryptForAlice(QStringLiteral("secret"));
    window_.log.clear();
    window_.privateKeyPath = *c.privatePath ? Path(c.privatePath) : QString();
    window_.message = QStringLiteral("what was there");
    clipboard_.content = c.clipboard(hex);
    clipboard_.ownsSelection = true;

    DecryptFromClipboard(window_, clipboard_, box_);

    EXPECT_EQ(box_.shown, c.reports(dir_.path(), hex));
    EXPECT_EQ(window_.message, QStringLiteral("what was there"));
    EXPECT_TRUE(clipboard_.ownsSelection);
    EXPECT_FALSE(clipboard_.content.has_value());
    ExpectIdleAfter("Decrypting...");
}

Bytes ToBytes(const QString& hex) {
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return Bytes(bytes.begin(), bytes.end());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DecryptFailureTest,
    ::testing::Values(
        DecryptFailure{"EmptyClipboard", "alice.skey", [](const QString&) { return std::nullopt; },
                       [](const QString&, const QString&) {
                           return QStringList{
                               Report(kDecrypt, DecryptError(Alice().privateBlob, {}))};
                       }},
        DecryptFailure{"WrongPrivateKey", "carol.skey", [](const QString& hex) { return hex; },
                       [](const QString&, const QString& hex) {
                           return QStringList{Report(
                               kDecrypt, DecryptError(test::CryptoTestKeys::Rsa(3072).privateInfo,
                                                      ToBytes(hex)))};
                       }},
        DecryptFailure{
            "ChangedDigit", "alice.skey",
            [](const QString& hex) {
                QString changed = hex;
                changed[changed.size() - 40] = changed[changed.size() - 40] == u'0' ? u'1' : u'0';
                return changed;
            },
            [](const QString&, const QString& hex) {
                // Any change reads as the same refusal as a wrong key.
                return QStringList{Report(
                    kDecrypt, DecryptError(test::CryptoTestKeys::Rsa(3072).privateInfo, ToBytes(hex)))};
            }},
        DecryptFailure{"NoPrivateKeyPath", "", [](const QString& hex) { return hex; },
                       [](const QString&, const QString& hex) {
                           return QStringList{Report(kDecrypt, DecryptError({}, ToBytes(hex)))};
                       }},
        DecryptFailure{"MissingPrivateKeyFile", "missing.pkey",
                       [](const QString& hex) { return hex; },
                       [](const QString& dir, const QString&) {
                           return QStringList{KeyFileReport(dir + "/missing.pkey")};
                       }},
        DecryptFailure{"TextWithoutHex", "alice.skey",
                       [](const QString&) { return QStringLiteral("Hi Bob,\r\nsee you\tsoon"); },
                       [](const QString&, const QString&) {
                           // Read as it always was: blanks and line breaks dropped.
                           return QStringList{
                               Report(kDecrypt,
                                      DecryptError(Alice().privateBlob,
                                                   HexToBytes(QStringView(u"HiBob,seeyousoon"))))};
                       }},
        DecryptFailure{
            "GarbagePrivateKey", "garbage.pkey", [](const QString& hex) { return hex; },
            [](const QString&, const QString&) {
                return QStringList{Report(kSetUp, PrivateKeyError({0x00, 0x11, 0x22, 0x33}))};
            }}),
    [](const auto& info) { return std::string(info.param.name); });

// During Decrypt the public key box names the person the message is
// expected from, and a report about it says so.
TEST_F(MessageOperationsTest, DecryptSpeaksOfTheExpectedWriter) {
    const QString hex = EncryptForAlice(QStringLiteral("hi"));
    window_.privateKeyPath = alicePrivate_;
    window_.publicKeyPath = bobPrivate_;
    window_.message = QStringLiteral("kept");
    clipboard_.content = hex;
    DecryptFromClipboard(window_, clipboard_, box_);
    const std::string said =
        Describe(PublicKeyError(Bob().privateBlob), Surface::Window, KeyRole::ExpectedWriter);
    EXPECT_NE(said.find("expected writer"), std::string::npos) << said;
    EXPECT_EQ(box_.shown,
              QStringList{kSetUp + "\r\n" + QString::fromStdString(said) + " (8004700B)"});
    EXPECT_EQ(window_.message, QStringLiteral("kept"));
}

// A reply holds a new message above a quoted, older and longer one: the
// first from the top that this key opens is shown, and the frame says the
// text held two.
TEST_F(MessageOperationsTest, DecryptShowsTheFirstMessageFromTheTopThisKeyOpens) {
    const QString older = EncryptForAlice(QStringLiteral("older, and longer than the new one"));
    const QString newer = EncryptForAlice(QStringLiteral("new"));
    window_.publicKeyPath = bobPublic_;
    window_.message = QStringLiteral("not for you");
    EncryptToClipboard(window_, clipboard_, box_);
    const QString forBob = clipboard_.Text();
    QString quoted;
    for (qsizetype at = 0; at < older.size(); at += 76) {
        quoted += "> " + older.mid(at, 76) + "\n";
    }
    window_.privateKeyPath = alicePrivate_;
    // (the text on top, what is shown)
    const std::pair<QString, QString> cases[] = {
        {newer, QStringLiteral("new")},
        {forBob, QStringLiteral("older, and longer than the new one")}};
    for (const auto& [top, shown] : cases) {
        clipboard_.content = "Hi,\n" + top + "\n\nAlice wrote:\n" + quoted;
        DecryptFromClipboard(window_, clipboard_, box_);
        EXPECT_EQ(window_.message, shown);
        ASSERT_TRUE(window_.signature);
        EXPECT_TRUE(window_.signature->description.ends_with(SeveralMessagesNote(2)));
    }
    EXPECT_TRUE(box_.shown.isEmpty()) << box_.shown.join(" | ").toStdString();
}

TEST_F(MessageOperationsTest, ClipboardChangeDuringWorkDoesNotMatter) {
    const QString hex = EncryptForAlice(QStringLiteral("first"));
    window_.privateKeyPath = alicePrivate_;
    clipboard_.content = hex;
    window_.onBeginWork = [this] { clipboard_.content = QStringLiteral("other"); };
    DecryptFromClipboard(window_, clipboard_, box_);
    EXPECT_EQ(window_.message, QStringLiteral("first"));
}

TEST_F(MessageOperationsTest, KeyFilesAreReadAnewOnEveryPress) {
    window_.publicKeyPath = alicePublic_;
    window_.message = QStringLiteral("one");
    EncryptToClipboard(window_, clipboard_, box_);
    WriteKeyFile(alicePublic_, Bob().publicBlob);
    window_.message = QStringLiteral("two");
    EncryptToClipboard(window_, clipboard_, box_);
    window_.privateKeyPath = bobPrivate_;
    DecryptFromClipboard(window_, clipboard_, box_);
    EXPECT_EQ(window_.message, QStringLiteral("two"));
    EXPECT_TRUE(box_.shown.isEmpty());
}

// --- What the reader is told about the writer -------------------------------

struct SenderCase {
    const char* name;
    const char* writerKey;  // Bob's private key box when he writes to Alice
    const char* readerBox;  // Alice's public key box when she reads
    bool keyFileReport;     // the box names a file that cannot be read
    const char* caption;
    bool verified;
    bool namesBob;  // the description gives Bob's fingerprint
};

void PrintTo(const SenderCase& row, std::ostream* out) {
    *out << row.name;
}

class SenderTest : public MessageOperationsTest,
                   public ::testing::WithParamInterface<SenderCase> {};

TEST_P(SenderTest, IsShownOnTheFrameWithoutABox) {
    const SenderCase& c = GetParam();
    WriteKeyFile(Path("carol.pkey"), test::CryptoTestKeys::Rsa(2048).publicInfo);
    window_.privateKeyPath = *c.writerKey ? Path(c.writerKey) : QString();
    window_.publicKeyPath = alicePublic_;
    window_.message = QStringLiteral("meet at noon");
    EncryptToClipboard(window_, clipboard_, box_);
    ASSERT_TRUE(box_.shown.isEmpty());

    window_.log.clear();
    window_.privateKeyPath = alicePrivate_;
    window_.publicKeyPath = *c.readerBox ? Path(c.readerBox) : QString();
    DecryptFromClipboard(window_, clipboard_, box_);

    // The success path stays as it was: the message, no box but the key
    // file report that came before the decryption.
    EXPECT_EQ(window_.message, QStringLiteral("meet at noon"));
    EXPECT_EQ(box_.shown,
              c.keyFileReport ? QStringList{KeyFileReport(Path(c.readerBox))} : QStringList{});
    ASSERT_TRUE(window_.signature);
    EXPECT_EQ(window_.signature->caption, c.caption);
    EXPECT_EQ(window_.signature->verified, c.verified);
    EXPECT_EQ(window_.log, QStringList({"begin Decrypting...",
                                        "signature " + QString::fromUtf8(c.caption), "end"}));
    const std::string bob =
        FingerprintText(*KeyFingerprint(**RsaKey::FromPublicKeyBlob(Bob().publicBlob)));
    EXPECT_EQ(window_.signature->description.contains(bob), c.namesBob);
    EXPECT_EQ(window_.signature->description.contains("Anyone who has your"),
              !c.verified);
    EXPECT_FALSE(clipboard_.content.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SenderTest,
    ::testing::Values(SenderCase{"Verified", "bob.skey", "bob.pkey", false,
                                 "Message \u2014 signed by bob.pkey", true, true},
                      SenderCase{"Unsigned", "", "bob.pkey", false,
                                 "Message \u2014 not verified: unsigned", false, false},
                      SenderCase{"UnsignedNoKeyNamed", "", "", false,
                                 "Message \u2014 not verified: unsigned", false, false},
                      SenderCase{"ThirdPersonsKey", "bob.skey", "carol.pkey", false,
                                 "Message \u2014 not verified: signed by another key", false, true},
                      SenderCase{"NoPublicKey", "bob.skey", "", false,
                                 "Message \u2014 not verified: no key to check", false, true},
                      SenderCase{"UnreadablePublicKey", "bob.skey", "missing.pkey", true,
                                 "Message \u2014 not verified: no key to check", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A protected private key is unlocked with what the window answers when
// asked. A wrong passphrase is asked for again, up to three times, and then
// ends the press with one report; a window that cannot ask refuses it with
// one; a declined one ends it with none. The message stays in each case.
TEST_F(MessageOperationsTest, ProtectedPrivateKeyTakesTheWindowsAnswer) {
    const SecureBytes right{'o', 'p', 'e', 'n'};
    const SecureBytes locked = *Protect(Alice().privateBlob, right, {1024, 8, 1});
    const QString protectedKey = Path("locked.skey");
    WriteKeyFile(protectedKey, Bytes(locked.begin(), locked.end()));
    QFile::setPermissions(protectedKey, QFile::ReadOwner | QFile::WriteOwner);
    struct Case {
        const char* name;
        std::expected<SecureBytes, Error> answer;
        std::optional<ErrorCode> refused;
        int asks;
        bool reported;
    };
    const Case cases[] = {
        {"right", right, std::nullopt, 1, false},
        {"wrong", SecureBytes{'s', 'h', 'u', 't'}, ErrorCode::PassphraseWrong, 3, true},
        {"cannot ask", std::unexpected(MakeError(ErrorCode::PrivateKeyEncrypted)),
         ErrorCode::PrivateKeyEncrypted, 1, true},
        {"cancelled", std::unexpected(MakeError(ErrorCode::PassphraseCancelled)),
         ErrorCode::PassphraseCancelled, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString hex = EncryptForAlice(QStringLiteral("for alice"));
        box_.shown.clear();
        window_.asked.clear();
        window_.privateKeyPath = protectedKey;
        window_.publicKeyPath = QString();
        window_.message = QStringLiteral("kept");
        window_.passphrase = c.answer;
        DecryptFromClipboard(window_, clipboard_, box_);
        EXPECT_EQ(window_.asked, QStringList(c.asks, protectedKey));
        if (!c.refused) {
            EXPECT_EQ(window_.message, QStringLiteral("for alice"));
            EXPECT_TRUE(box_.shown.isEmpty()) << box_.shown.join("|").toStdString();
            continue;
        }
        EXPECT_EQ(box_.shown, c.reported ? QStringList{Report(kSetUp, MakeError(*c.refused))}
                                         : QStringList());
        EXPECT_EQ(window_.message, QStringLiteral("kept"));
    }
}

}  // namespace
}  // namespace zelvora
