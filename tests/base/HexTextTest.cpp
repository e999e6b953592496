#include "message/WindowHex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zelvora {
namespace {

struct DecodeCase {
    const char* name;
    std::u16string text;
    Bytes expected;
};

class HexToBytesTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(HexToBytesTest, ReadsPairsByTheRule) {
    const auto& c = GetParam();
    EXPECT_EQ(HexToBytes(QStringView(c.text)), c.expected);
    // Single-byte text as key files hold it reads alike whenever it is ASCII.
    const std::string narrow(c.text.begin(), c.text.end());
    EXPECT_EQ(HexToBytes(std::string_view(narrow)), c.expected);
    const SecureBytes secure = HexToSecureBytes(narrow);
    EXPECT_EQ(Bytes(secure.begin(), secure.end()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, HexToBytesTest,
    ::testing::Values(
        DecodeCase{"Empty", u"", {}}, DecodeCase{"OddLengthKeepsLastDigit", u"ABC", {0xAB, 0x0C}},
        DecodeCase{"LowerCase", u"ff0a", {0xFF, 0x0A}},
        DecodeCase{"UpperCase", u"FF0A", {0xFF, 0x0A}},
        DecodeCase{"MixedCase", u"aBcD", {0xAB, 0xCD}},
        DecodeCase{"LeadingNonDigit", u"G1", {0x00}}, DecodeCase{"TrailingNonDigit", u"1G", {0x01}},
        DecodeCase{"NoDigits", u"ZZZZ", {0x00, 0x00}},
        DecodeCase{"CrLfIsAPairOfItsOwn", u"AB\r\nCD", {0xAB, 0x00, 0xCD}},
        DecodeCase{"BlankBeforeDigit", u" 5", {0x05}}, DecodeCase{"BlankAfterDigit", u"5 ", {0x05}},
        DecodeCase{"LineFeedBeforeDigit", u"\nA", {0x0A}},
        DecodeCase{"TabBeforeDigit", u"\tF", {0x0F}},
        DecodeCase{"BlankShiftsLaterPairs", u"AB CD", {0xAB, 0x0C, 0x0D}},
        DecodeCase{"TwoDroppedCharacters", u" \t", {0x00}},
        DecodeCase{"LoneCarriageReturnReadsZero", u"\rA", {0x00}},
        DecodeCase{"SignIsNotADigit", u"-1+2", {0x00, 0x00}},
        DecodeCase{"DigitThenSign", u"1-", {0x01}},
        DecodeCase{"LettersBeyondF", u"GHgh", {0x00, 0x00}},
        DecodeCase{"AllDigitValues",
                   u"0123456789abcdefABCDEF",
                   {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexToBytesTest, CharactersBeyondAsciiAreNotDigits) {
    // A full-width digit and a Latin-1 letter look like digits to some
    // readers; here they stop the pair like any other non-digit.
    EXPECT_EQ(HexToBytes(QStringView(u"\uFF11A")), Bytes({0x00}));
    EXPECT_EQ(HexToBytes(QStringView(u"A\u00C4")), Bytes({0x0A}));
    EXPECT_EQ(HexToBytes(std::string_view("\xC3\x84"
                                          "A1")),
              Bytes({0x00, 0xA1}));
}

struct EncodeCase {
    const char* name;
    Bytes bytes;
    QString expected;
};

class BytesToHexTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(BytesToHexTest, WritesUpperCasePairs) {
    EXPECT_EQ(BytesToHex(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, BytesToHexTest,
    ::testing::Values(EncodeCase{"Empty", {}, QString()},
                      EncodeCase{"LeadingZeros", {0x00, 0x0F, 0xA0, 0xFF}, "000FA0FF"},
                      EncodeCase{"OneByte", {0x7E}, "7E"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BytesToHexTest, NoValueGivesEmptyText) {
    EXPECT_TRUE(BytesToHex(std::optional<Bytes>{}).isEmpty());
}

TEST(HexCodecTest, EveryByteValueRoundTrips) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    const QString hex = BytesToHex(all);
    ASSERT_EQ(hex.size(), 512);
    EXPECT_EQ(HexToBytes(QStringView(hex)), all);
    EXPECT_EQ(hex, hex.toUpper());
}

TEST(HexCodecTest, MegabytesRoundTrip) {
    std::mt19937 random(42);
    Bytes data(3 * 1024 * 1024 + 1);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(random());
    }
    const QString hex = BytesToHex(data);
    ASSERT_EQ(static_cast<std::size_t>(hex.size()), 2 * data.size());
    EXPECT_EQ(HexToBytes(QStringView(hex)), data);
    // Reading and writing back gives upper-case digit pairs unchanged.
    EXPECT_EQ(BytesToHex(HexToBytes(QStringView(hex.toLower()))), hex);
}

// Long text is read in blocks of 32 characters at a time. A block with any
// character but a plain digit in it must still read by the pair rule, and
// the blocks around it as before: every position, and characters that look
// like digits to a careless reader (a full-width one, a Latin-1 letter).
TEST(HexCodecTest, LongTextReadsLikeItsPairs) {
    const std::u16string digits =
        u"0123456789abcdefABCDEF0123456789ABCDEFabcdef0123456789fedcbaFEDCBA9876543210"
        u"00ff11EE22dd33CC4455";
    ASSERT_EQ(digits.size(), 96u);
    for (const char16_t odd : {u' ', u'\r', u'G', u'\u00C6', u'\u0130', u'\uFF11'}) {
        for (std::size_t at = 0; at < digits.size(); ++at) {
            std::u16string text = digits;
            text[at] = odd;
            Bytes pairwise;
            for (std::size_t k = 0; k < text.size(); k += 2) {
                pairwise.push_back(HexToBytes(QStringView(text).mid(k, 2)).at(0));
            }
            EXPECT_EQ(HexToBytes(QStringView(text)), pairwise)
                << "character " << static_cast<int>(odd) << " at " << at;
            if (odd < 0x100) {
                const std::string narrow(text.begin(), text.end());
                EXPECT_EQ(HexToBytes(std::string_view(narrow)), pairwise)
                    << "single-byte character " << static_cast<int>(odd) << " at " << at;
            }
        }
    }
}

// The core reads pasted UTF-8 without Qt; it must read it as the window's
// text type would, ill-formed bytes included, or a file and the clipboard
// would give different ciphertexts for the same bytes.
TEST(Utf16FromUtf8Test, ReadsAsTheWindowDoes) {
    const struct {
        const char* name;
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"ascii", "AB 01\n", u"AB 01\n"},
        {"two bytes", "\xC3\x84", u"\u00C4"},
        {"three bytes", "\xE2\x80\x8B", u"\u200B"},
        {"four bytes", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"lone continuation",
         "A\x80"
         "B",
         u"A\uFFFDB"},
        {"overlong", "\xC0\x80", u"\uFFFD\uFFFD"},
        {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"cut short",
         "\xE2\x82"
         "A",
         u"\uFFFD\uFFFDA"},
        {"cut at the end", "A\xF0\x9F\x98", u"A\uFFFD\uFFFD\uFFFD"},
        {"bad first continuation", "\xE0\x80", u"\uFFFD\uFFFD"},
        {"never a lead", "\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(c.utf8.data()), c.utf8.size());
        const std::u16string got = Utf16FromUtf8(bytes);
        EXPECT_EQ(got, c.expected) << c.name;
        const QString qt = QString::fromUtf8(c.utf8.data(), static_cast<qsizetype>(c.utf8.size()));
        EXPECT_EQ(got,
                  std::u16string_view(QStringView(qt).utf16(), static_cast<std::size_t>(qt.size())))
            << c.name;
    }
}

// Text around the digits takes the UTF-8 path; it must find what the
// clipboard's path finds in the same text.
TEST(CiphertextFromTextTest, FileAndClipboardAgree) {
    const std::string texts[] = {
        "Hi Bob,\n\n> 0A1B2C\n> 3D4E5F\n\nAlice",
        "\xC2\xA0"
        "0A1B\xE2\x80\x8B"
        "2C\n",
        "\xEF\xBB\xBF"
        "ABCD",
        "Bad\ncafe\n\xFF"
        "0A1B2C3D\n",
    };
    for (const auto& text : texts) {
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        EXPECT_EQ(CiphertextFromText(bytes),
                  CiphertextFromText(QStringView(QString::fromUtf8(text.c_str()))))
            << text;
    }
}

}  // namespace
}  // namespace zelvora
