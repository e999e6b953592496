#include "base/CiphertextDigits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvora {
namespace {

// A ciphertext-like run of 300 digits, and its lines as a mail program wraps
// them at 76 (the last one 72), each put behind `prefix` and ended by `end`.
const std::u16string kDigits = [] {
    std::u16string digits;
    for (int i = 0; i < 300; ++i) {
        digits.push_back(u"0123456789ABCDEF"[(i * 7 + i / 16) % 16]);
    }
    return digits;
}();

std::u16string Wrapped(const std::u16string& prefix, const std::u16string& end = u"\n",
                       const std::u16string& digits = kDigits) {
    std::u16string text;
    for (std::size_t at = 0; at < digits.size(); at += 76) {
        text += prefix + digits.substr(at, 76) + end;
    }
    return text;
}

// The same digits with `inside` put into the middle of every line.
std::u16string WithInside(const std::u16string& inside) {
    std::u16string text;
    for (std::size_t at = 0; at < kDigits.size(); at += 76) {
        const std::u16string line = kDigits.substr(at, 76);
        text += line.substr(0, 30) + inside + line.substr(30) + u"\r\n";
    }
    return text;
}

struct Shape {
    const char* name;
    std::u16string text;
    std::u16string expected;
};

class CiphertextDigitsTest : public ::testing::TestWithParam<Shape> {};

TEST_P(CiphertextDigitsTest, FindsTheDigits) {
    std::u16string scratch;
    EXPECT_EQ(std::u16string(CiphertextDigits(GetParam().text, scratch)), GetParam().expected);
}

const std::u16string kShort = kDigits.substr(0, 100);

INSTANTIATE_TEST_SUITE_P(
    Shapes, CiphertextDigitsTest,
    ::testing::Values(
        Shape{"OneLine", kDigits, kDigits}, Shape{"WrappedCrLf", Wrapped(u"", u"\r\n"), kDigits},
        Shape{"BrokenAnywhere",
              kDigits.substr(0, 5) + u"\n\n" + kDigits.substr(5, 200) + u"\r" + kDigits.substr(205),
              kDigits},
        Shape{"QuotedOnce", u"Bob wrote:\n" + Wrapped(u"> ") + u">\n> Bob\n", kDigits},
        Shape{"QuotedTwice", u"> Alice wrote:\n" + Wrapped(u">> ") + u">\n", kDigits},
        Shape{"QuotedTwiceSpaced", u"On Monday:\n> > \n" + Wrapped(u"> > ") + u"> > Bob", kDigits},
        Shape{"GreetingAndSignature",
              u"Hi Alice,\n\nhere is the text:\n\n" + Wrapped(u"") + u"\nSee you,\nBob\n", kDigits},
        Shape{"NoBreakSpaceInside", u"Hi,\n" + WithInside(u"\u00A0") + u"Bob", kDigits},
        Shape{"ZeroWidthSpaceInside", u"Hi,\n" + WithInside(u"\u200B") + u"Bob", kDigits},
        Shape{"OtherUnicodeBlanks", u"\uFEFF" + WithInside(u"\u200D\u200C\u2009\u3000\u202F"),
              kDigits},
        Shape{"TrailingSignature", Wrapped(u"") + u"-- \nBob Example\nExample Street 1\n", kDigits},
        Shape{"TwoBlocksLongerSecond", u"Old one:\n" + kShort + u"\nNew one:\n" + Wrapped(u""),
              kDigits},
        Shape{"TwoBlocksLongerFirst", u"New:\n" + Wrapped(u"") + u"\nOld:\n" + kShort, kDigits},
        // Greetings and names that are hex words themselves.
        Shape{"HexGreetingRightAbove", u"cafe\n" + Wrapped(u"") + u"-- \nBob", kDigits},
        Shape{"HexGreetingAbove", u"Bad\n\n" + Wrapped(u"") + u"\nthanks", kDigits},
        Shape{"HexNameBelowOneLine", u"Hi Alice,\n" + kDigits + u"\n\nBea\n", kDigits},
        Shape{"HexNameBelowFullLastLine",
              u"Hi,\n" + Wrapped(u"", u"\n", kDigits.substr(0, 228)) + u"\nAbe\n",
              kDigits.substr(0, 228)},
        Shape{"DoubleSpacedLines", u"Hi,\n\n" + Wrapped(u"", u"\n\n") + u"Dad\n", kDigits},
        // Without a hex line, as read before: only blanks and line breaks go.
        Shape{"NoHexLine", u"Hello there,\r\nno\u00A0digits\there >",
              u"Hellothere,no\u00A0digitshere>"},
        Shape{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CiphertextDigits, UnbrokenDigitsAreNotCopied) {
    const std::u16string text = u"Hi,\n\n" + kDigits + u"\r\n-- \nBob";
    std::u16string scratch;
    const std::u16string_view digits = CiphertextDigits(text, scratch);
    EXPECT_EQ(digits, kDigits);
    EXPECT_EQ(digits.data(), text.data() + 5);
    EXPECT_TRUE(scratch.empty());
}

struct BlocksShape {
    const char* name;
    std::u16string text;
    std::vector<std::u16string> blocks;
    std::size_t chosen;
};

class CiphertextBlocksTest : public ::testing::TestWithParam<BlocksShape> {};

// Every block from the top, and the one the single-message rule picks, which
// must be what CiphertextDigits returns.
TEST_P(CiphertextBlocksTest, FindsEveryBlockFromTheTop) {
    const auto& c = GetParam();
    const CiphertextBlocks found = FindCiphertextBlocks(c.text);
    EXPECT_EQ(std::vector<std::u16string>(found.blocks.begin(), found.blocks.end()), c.blocks);
    EXPECT_EQ(found.chosen, c.chosen);
    std::u16string scratch;
    ASSERT_LT(found.chosen, found.blocks.size());
    EXPECT_EQ(found.blocks[found.chosen], CiphertextDigits(c.text, scratch));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CiphertextBlocksTest,
    ::testing::Values(
        BlocksShape{
            "OnlyHexLinesAreOneBlock", Wrapped(u"") + u"\n" + Wrapped(u""), {kDigits + kDigits}, 0},
        BlocksShape{"ReplyAboveQuotedOlder",
                    u"New one:\n" + kShort + u"\n\nBob wrote:\n" + Wrapped(u"> "),
                    {kShort, kDigits},
                    1},
        BlocksShape{
            "GreetingOfHexLetters", u"cafe\n" + Wrapped(u"") + u"-- \nBob", {u"cafe", kDigits}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
