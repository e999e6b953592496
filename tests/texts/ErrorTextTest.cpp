#include "texts/ErrorText.h"

#include "texts/ErrorReport.h"
#include "texts/ErrorTable.h"

#include "base/ErrorCode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <set>
#include <string>

namespace zelvora {
namespace {

TEST(ErrorTextTest, EveryCodeHasItsOwnNumberAndWholeSentences) {
    std::set<std::int32_t> seen;
    for (const ErrorCode code : AllErrorCodes()) {
        const Error made = MakeError(code);
        EXPECT_FALSE(IsSystemError(made));
        EXPECT_TRUE(seen.insert(made.number).second) << std::hex << made.number;
        for (const Surface surface : {Surface::Window, Surface::CommandLine}) {
            const std::string text = Describe(made, surface);
            ASSERT_FALSE(text.empty()) << std::hex << made.number;
            EXPECT_TRUE(std::isupper(static_cast<unsigned char>(text.front()))) << text;
            EXPECT_EQ(text.back(), '.') << text;
            // The command line has no clipboard to send the user to.
            if (surface == Surface::CommandLine) {
                EXPECT_EQ(text.find("to the clipboard"), std::string::npos) << text;
            }
        }
    }
}

struct FormatCase {
    const char* name;
    Error error;
    std::string expected;
};

class DescribeWithNumberTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DescribeWithNumberTest, EndsInTheNumberInHex) {
    EXPECT_EQ(DescribeWithNumber(GetParam().error, Surface::CommandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DescribeWithNumberTest,
    ::testing::Values(
        FormatCase{"SystemError", SystemError(ENOENT), "No such file or directory (2)"},
        FormatCase{"ComponentError", MakeError(ErrorCode::NotForThisKey),
                   "The message was not encrypted for this private key, or it was damaged or "
                   "changed on the way. (80047016)"},
        // A number from outside the scheme still gives a usable report.
        FormatCase{"UnknownNumber", Error{-1},
                   Describe(MakeError(ErrorCode::Internal), Surface::CommandLine) + " (FFFFFFFF)"}),
    [](const auto& info) { return std::string(info.param.name); });

struct NumberCase {
    std::int32_t number;
    const char* text;
};

TEST(ErrorReportTest, NumbersAreUpperCaseHexWithoutLeadingZeros) {
    const NumberCase cases[] = {{0, "0"},
                                {2, "2"},
                                {0x15, "15"},
                                {0xABCDEF, "ABCDEF"},
                                {-1, "FFFFFFFF"},
                                {static_cast<std::int32_t>(0x80047001), "80047001"},
                                {INT32_MIN, "80000000"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatErrorNumber(c.number), c.text) << c.number;
    }
    EXPECT_EQ(FormatErrorReport("Heading.", SystemError(0x1B)), "Heading.\r\nFile too large (1B)");
    EXPECT_EQ(FormatErrorLine("Heading", SystemError(0x1B)), "Heading: File too large (1B)");
}

struct RowCase {
    Error error;
    ErrorCategory category;
    std::string_view word;
};

// The exit status class and the path box's word come from one row; a system
// error is an input or output failure, named by the few errno values a path
// box meets.
TEST(ErrorTableTest, CategoryAndPathBoxWordPerNumber) {
    const RowCase cases[] = {
        {SystemError(ENOENT), ErrorCategory::Failure, "No key file"},
        {SystemError(EISDIR), ErrorCategory::Failure, "A folder, not a key file"},
        {SystemError(EACCES), ErrorCategory::Failure, "File not readable"},
        {MakeError(ErrorCode::PrivateKeyFileOpen), ErrorCategory::Key, "File others can read"},
        {MakeError(ErrorCode::PrivateKeyMalformed), ErrorCategory::Key, "Not a key"},
        {MakeError(ErrorCode::PrivateKeyEncrypted), ErrorCategory::Key,
         "Protected by a passphrase"},
        {MakeError(ErrorCode::PassphraseWrong), ErrorCategory::Key, "Not a key"},
        {MakeError(ErrorCode::NotForThisKey), ErrorCategory::Damaged, "Not a key"},
        {MakeError(ErrorCode::MessageTooLong), ErrorCategory::Failure, "Not a key"},
        {Error{-1}, ErrorCategory::Failure, "Not a key"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CategoryOf(c.error), c.category) << std::hex << c.error.number;
        EXPECT_EQ(PathBoxWord(c.error), c.word) << std::hex << c.error.number;
    }
}

}  // namespace
}  // namespace zelvora
