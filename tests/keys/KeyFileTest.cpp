#include "keys/KeyFile.h"

#include "base/HexText.h"
#include "tests/fakes/RecordingMessageBox.h"

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
        return path;
    }

    QTemporaryDir dir_;
    RecordingMessageBox box_;
};

struct ContentCase {
    const char* name;
    std::string content;
    Bytes expected;
};

class KeyFileContentTest : public KeyFileTest, public ::testing::WithParamInterface<ContentCase> {};

TEST_P(KeyFileContentTest, ReadsTheBlob) {
    const auto key = ReadKeyFile(Write("key.skey", GetParam().content), box_);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(Bytes(key->begin(), key->end()), GetParam().expected);
    EXPECT_TRUE(box_.shown.isEmpty());
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

TEST_F(KeyFileTest, EmptyPathIsSilentAndYieldsNoValue) {
    EXPECT_FALSE(ReadKeyFile(QString(), box_).has_value());
    EXPECT_TRUE(box_.shown.isEmpty());
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

TEST_P(KeyFileFailureTest, ReportsOnceAndYieldsNoValue) {
    const auto& c = GetParam();
    const QString path = PathFor(c.name);
    EXPECT_FALSE(ReadKeyFile(path, box_).has_value());
    ASSERT_EQ(box_.shown.size(), 1);
    EXPECT_EQ(box_.shown[0], QStringLiteral("Error reading key file ") + path + "\r\n" +
                                 c.description + " (" + QString::number(c.number, 16).toUpper() +
                                 ")");
}

INSTANTIATE_TEST_SUITE_P(Files, KeyFileFailureTest,
                         ::testing::Values(FailureCase{"Missing", "No such file or directory", 2},
                                           FailureCase{"Folder", "Is a directory", 0x15},
                                           FailureCase{"TooLarge", "File too large", 0x1B},
                                           FailureCase{"NotAFolder", "Not a directory", 0x14},
                                           FailureCase{"EndlessDevice", "File too large", 0x1B}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyFileTest, LargestAllowedFileIsRead) {
    const auto key = ReadKeyFile(Write("big.skey", std::string(kMaxKeyFileSize, 'F')), box_);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->size(), kMaxKeyFileSize / 2);
    EXPECT_TRUE(box_.shown.isEmpty());
}

// Files in /proc give their size as 0 and make their text as it is read;
// the reader must not trust the size and stop short.
TEST_F(KeyFileTest, FileThatHidesItsSizeIsReadToItsEnd) {
    QFile file(QStringLiteral("/proc/version"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    ASSERT_GT(text.size(), 1);
    text.replace('\r', QByteArray()).replace('\n', QByteArray());
    const auto key = ReadKeyFile(QStringLiteral("/proc/version"), box_);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(
        Bytes(key->begin(), key->end()),
        HexToBytes(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))));
    EXPECT_TRUE(box_.shown.isEmpty());
}

TEST_F(KeyFileTest, PathIsUsedUntrimmedAndNonAsciiNamesWork) {
    const QString spaced = Write(" key.skey", "AB\r\n");
    EXPECT_TRUE(ReadKeyFile(spaced, box_).has_value());
    const QString accented = Write("schl\xc3\xbcssel.skey", "CD\r\n");
    const auto key = ReadKeyFile(accented, box_);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ((*key)[0], 0xCD);
    // A path of blanks names no file here, so it is reported, not skipped.
    EXPECT_FALSE(ReadKeyFile(QStringLiteral("   "), box_).has_value());
    EXPECT_EQ(box_.shown.size(), 1);
}

TEST_F(KeyFileTest, UnreadableFileIsReported) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their mode";
    }
    const QString path = Write("locked.skey", "AB\r\n");
    chmod(path.toLocal8Bit().constData(), 0);
    EXPECT_FALSE(ReadKeyFile(path, box_).has_value());
    ASSERT_EQ(box_.shown.size(), 1);
    EXPECT_TRUE(box_.shown[0].endsWith("Permission denied (D)"));
}

}  // namespace
}  // namespace zelvora
