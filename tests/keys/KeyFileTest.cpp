#include "keys/KeyFile.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "texts/ErrorReport.h"
#include "texts/ErrorText.h"
#include "tests/support/CryptoTestKeys.h"
#include "tests/support/TestKeys.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvora {
namespace {

class KeyFileTest : public ::testing::Test {
protected:
    QString Write(const std::string& name, const std::string& content) {
        const QString path = dir_.filePath(QString::fromStdString(name));
        std::ofstream(path.toStdString(), std::ios::binary) << content;
        chmod(path.toLocal8Bit().constData(), 0600);
        return path;
    }

    // As the program hands paths over: in the system's encoding.
    static std::expected<std::optional<SecureBytes>, Error> Read(
        const QString& path, KeyFileKind kind = KeyFileKind::Private) {
        return ReadKeyFile(QFile::encodeName(path).toStdString(), kind);
    }

    QTemporaryDir dir_;
};

struct ContentCase {
    const char* name;
    std::string content;
    Bytes expected;
};

class KeyFileContentTest : public KeyFileTest, public ::testing::WithParamInterface<ContentCase> {};

TEST_P(KeyFileContentTest, ReadsTheBlob) {
    const auto key = Read(Write("key.skey", GetParam().content));
    ASSERT_TRUE(key.has_value() && key->has_value());
    EXPECT_EQ(Bytes((*key)->begin(), (*key)->end()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, KeyFileContentTest,
    ::testing::Values(ContentCase{"RegularForm", "0A1BFF\r\n", {0x0A, 0x1B, 0xFF}},
                      ContentCase{"WrappedLines", "0A1B\r\n2C\r\n", {0x0A, 0x1B, 0x2C}},
                      ContentCase{"NoFinalLineEnd", "0A1B\r\n2C", {0x0A, 0x1B, 0x2C}},
                      ContentCase{"LineFeedOnly", "0A1B\n2C\n", {0x0A, 0x1B, 0x2C}},
                      ContentCase{"LoneCarriageReturn", "0A1B\r2C\r", {0x0A, 0x1B, 0x2C}},
                      ContentCase{"LowerCase", "0a1bff\r\n", {0x0A, 0x1B, 0xFF}},
                      ContentCase{"Empty", "", {}}, ContentCase{"OnlyALineEnd", "\r\n", {}},
                      // Blank lines in between vanish with their line ends.
                      ContentCase{"BlankLines", "0A\r\n\r\n\n1B\r\n", {0x0A, 0x1B}},
                      // Other characters stay in the text and are read by the pair rule.
                      ContentCase{"StrayBlankShiftsPairs", "0A 1B\r\n", {0x0A, 0x01, 0x0B}},
                      ContentCase{"NulByteIsNotADigit", std::string("\0A1B", 4), {0x00, 0x1B}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyFileTest, EmptyPathIsNoFailureAndYieldsNoValue) {
    const auto key = Read(QString());
    ASSERT_TRUE(key.has_value());
    EXPECT_FALSE(key->has_value());
}

struct FailureCase {
    const char* name;
    const char* description;
    int number;
};

class KeyFileFailureTest : public KeyFileTest, public ::testing::WithParamInterface<FailureCase> {
protected:
    QString PathFor(const std::string& name) {
        if (name == "Missing") {
            return dir_.filePath("no such.skey");
        }
        if (name == "Folder") {
            return dir_.path();
        }
        if (name == "TooLarge") {
            return Write("large.skey", std::string(kMaxKeyFileSize + 1, 'A'));
        }
        if (name == "NotAFolder") {
            return Write("plain", "00") + "/key.skey";
        }
        if (name == "EndlessDevice") {
            return QStringLiteral("/dev/zero");
        }
        return {};
    }
};

TEST_P(KeyFileFailureTest, GivesItsError) {
    const auto& c = GetParam();
    const auto key = Read(PathFor(c.name));
    ASSERT_FALSE(key.has_value());
    EXPECT_EQ(key.error().number, c.number);
    EXPECT_TRUE(Describe(key.error(), Surface::Window).starts_with(c.description));
}

INSTANTIATE_TEST_SUITE_P(Files, KeyFileFailureTest,
                         ::testing::Values(FailureCase{"Missing", "No such file or directory", 2},
                                           FailureCase{"Folder", "Is a directory", 0x15},
                                           FailureCase{"TooLarge", "File too large", 0x1B},
                                           FailureCase{"NotAFolder", "Not a directory", 0x14},
                                           FailureCase{"EndlessDevice", "Not a regular file",
                                                       ErrorNumber(ErrorCode::KeyFileNotRegular)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyFileTest, LargestAllowedFileIsRead) {
    const auto key = Read(Write("big.skey", std::string(kMaxKeyFileSize, 'F')));
    ASSERT_TRUE(key.has_value() && key->has_value());
    EXPECT_EQ((*key)->size(), kMaxKeyFileSize / 2);
}

// A FIFO would block the reader until some program wrote to it; the user
// gets the report at once instead.
TEST_F(KeyFileTest, FifoIsRefusedWithoutWaiting) {
    const QString path = dir_.filePath("fifo.skey");
    ASSERT_EQ(mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    const auto key = Read(path);
    ASSERT_FALSE(key.has_value());
    EXPECT_EQ(key.error(), MakeError(ErrorCode::KeyFileNotRegular));
}

// What a file in the mode tests holds.
enum class Holds { PrivateKey, PublicKey, Garbage, Ed25519PrivateKey };

struct ModeCase {
    const char* name;
    mode_t mode;
    KeyFileKind kind;
    bool otherOwner;     // owned by user nobody, which takes root to arrange
    const char* report;  // what the report holds after the path, or "" for none
    Holds holds = Holds::PrivateKey;
};

std::string Content(Holds holds) {
    if (holds == Holds::Garbage) {
        return "AB\r\n";
    }
    const Bytes& blob = holds == Holds::Ed25519PrivateKey
                            ? test::CryptoTestKeys::Ed25519().privateInfo
                        : holds == Holds::PrivateKey ? test::Alice().privateBlob
                                                     : test::Alice().publicBlob;
    const SecureBytes text = KeyFileText(blob);
    return std::string(text.begin(), text.end());
}

class KeyFileModeTest : public KeyFileTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(KeyFileModeTest, PrivateKeyFilesMustBeTheUsersAlone) {
    const auto& c = GetParam();
    if (c.otherOwner && geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user takes root";
    }
    const QString path = Write("my key.skey", Content(c.holds));
    ASSERT_EQ(chmod(path.toLocal8Bit().constData(), c.mode), 0);
    if (c.otherOwner) {
        ASSERT_EQ(chown(path.toLocal8Bit().constData(), 65534, 65534), 0);
    }
    const auto key = Read(path, c.kind);
    if (*c.report == 0) {
        EXPECT_TRUE(key.has_value());
        return;
    }
    ASSERT_FALSE(key.has_value());
    // As the window reports it.
    // Only the mode reports name the path a second time, in their advice.
    QString expected = QString::fromUtf8(c.report);
    if (expected.contains(QStringLiteral("%1"))) {
        expected = expected.arg(path);
    }
    EXPECT_EQ(QString::fromStdString(FormatKeyFileReport(path.toStdString(), key.error())),
              "Error reading key file " + path + "\r\n" + expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, KeyFileModeTest,
    ::testing::Values(
        ModeCase{"PrivateOwnerOnly", 0600, KeyFileKind::Private, false, ""},
        ModeCase{"PrivateReadOnly", 0400, KeyFileKind::Private, false, ""},
        ModeCase{"PrivateReadableByAll", 0644, KeyFileKind::Private, false,
                 "Permissions 0644 are too open: others must not be able to read or change a "
                 "private key file. Run chmod 600 '%1' (80047302)"},
        ModeCase{"PrivateGroupWritable", 0620, KeyFileKind::Private, false,
                 "Permissions 0620 are too open: others must not be able to read or change a "
                 "private key file. Run chmod 600 '%1' (80047302)"},
        ModeCase{"PrivateOfAnotherUser", 0600, KeyFileKind::Private, true,
                 "The private key file belongs to another user (uid 65534): only your own may be "
                 "used. Copy it to a file of yours and run chmod 600 on that. (80047303)"},
        // What the file holds is said before its mode: chmod is advice for a
        // private key, not for a public key chosen by mistake.
        ModeCase{"PublicKeyInPrivateBoxReadableByAll", 0644, KeyFileKind::Private, false,
                 "The file chosen as your private key holds a public key. Choose your own "
                 "private key file, not a public key file. (80047006)",
                 Holds::PublicKey},
        ModeCase{"DamagedReadableByAll", 0644, KeyFileKind::Private, false,
                 "The private key file does not hold a readable private key; it may be "
                 "damaged or cut short. Choose your private key file as the key pair generator "
                 "wrote it. (80047003)",
                 Holds::Garbage},
        // A private key of any kind is held to the mode rules.
        ModeCase{"Ed25519ReadableByAll", 0644, KeyFileKind::Private, false,
                 "Permissions 0644 are too open: others must not be able to read or change a "
                 "private key file. Run chmod 600 '%1' (80047302)",
                 Holds::Ed25519PrivateKey},
        // Public keys are there to be shared.
        ModeCase{"PublicReadableByAll", 0644, KeyFileKind::Public, false, ""},
        ModeCase{"PublicOfAnotherUser", 0644, KeyFileKind::Public, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Files in /proc give their size as 0 and make their text as it is read;
// the reader must not trust the size and stop short.
TEST_F(KeyFileTest, FileThatHidesItsSizeIsReadToItsEnd) {
    QFile file(QStringLiteral("/proc/version"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    ASSERT_GT(text.size(), 1);
    text.replace('\r', QByteArray()).replace('\n', QByteArray());
    const auto key = Read(QStringLiteral("/proc/version"), KeyFileKind::Public);
    ASSERT_TRUE(key.has_value() && key->has_value());
    EXPECT_EQ(
        Bytes((*key)->begin(), (*key)->end()),
        HexToBytes(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))));
}

TEST_F(KeyFileTest, PathIsUsedUntrimmedAndNonAsciiNamesWork) {
    const QString spaced = Write(" key.skey", "AB\r\n");
    EXPECT_TRUE(Read(spaced).has_value());
    const QString accented = Write("schl\xc3\xbcssel.skey", "CD\r\n");
    const auto key = Read(accented);
    ASSERT_TRUE(key.has_value() && key->has_value());
    EXPECT_EQ((**key)[0], 0xCD);
    // A path of blanks names no file here, so it fails, not skipped.
    EXPECT_FALSE(Read(QStringLiteral("   ")).has_value());
}

TEST_F(KeyFileTest, UnreadableFileGivesItsError) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    const QString path = Write("locked.skey", "AB\r\n");
    chmod(path.toLocal8Bit().constData(), 0);
    const auto key = Read(path);
    ASSERT_FALSE(key.has_value());
    EXPECT_EQ(key.error(), SystemError(EACCES));
}

}  // namespace
}  // namespace zelvora
