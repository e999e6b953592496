#include "base/HexText.h"
#include "cli/HexStreamReader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace zelvora::cli {
namespace {

using State = HexStreamReader::State;

std::string RandomDigits(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string digits(count, '0');
    for (char& c : digits) {
        c = "0123456789ABCDEFabcdef"[random() % 22];
    }
    return digits;
}

// `digits` cut into lines of `width`, each with `prefix` before it.
std::string Lines(const std::string& digits, std::size_t width, const std::string& end,
                  const std::string& prefix = "") {
    std::string text;
    for (std::size_t i = 0; i < digits.size(); i += width) {
        text += prefix + digits.substr(i, width) + end;
    }
    return text;
}

struct Row {
    const char* name;
    std::string text;
    // The digits the reader takes, read by the window's pair rule; the
    // bytes of a malformed text are those taken before the fault.
    std::string taken;
    State state;
};

std::vector<Row> Rows() {
    const std::string d = RandomDigits(20000, 7);
    const std::string odd = d.substr(0, 7601);
    const std::string blanks = Lines(d.substr(0, 3000), 5, " ") + "\t" + Lines(d, 7, "\t");
    return {
        {"OneLongLine", d + "\n", d, State::Reading},
        {"LinesWithLf", Lines(d, 76, "\n"), d, State::Reading},
        {"LinesWithCrLf", Lines(d, 76, "\r\n"), d, State::Reading},
        {"QuotedLines", Lines(d, 64, "\n", "> >\t"), d, State::Reading},
        {"SignatureEnds", Lines(d, 76, "\n") + "-- Bob\nABCD\n", d, State::Ended},
        {"GreetingEnds", "Bob,\n" + Lines(d, 76, "\n"), "", State::Ended},
        {"OddDigitCount", Lines(odd, 75, "\r\n"), odd, State::Reading},
        {"BlanksAndTabs", blanks, d.substr(0, 3000) + d, State::Reading},
        // A line is released at 4096 bytes: a fault after that is malformed,
        // one just before it is an ending line.
        {"StrayAfterRelease", d.substr(0, 8200) + "x" + d, d.substr(0, 8200), State::Malformed},
        {"StrayBeforeRelease", "AB\n" + d.substr(0, 8190) + "x\n", "AB", State::Ended},
        {"ReleasedLineThenSignature", d.substr(0, 8192) + "\n-- Bob", d.substr(0, 8192),
         State::Ended},
    };
}

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class HexStreamReaderTest : public ::testing::TestWithParam<Row> {};

// Any split of a text, down to one character at a time (which takes no
// bulk path), reads as the whole text does.
TEST_P(HexStreamReaderTest, EverySplitReadsAlike) {
    const Row& row = GetParam();
    const Bytes expected = HexToBytes(std::string_view(row.taken));
    for (const std::size_t piece : {1, 2, 3, 7, 31, 32, 33, 4095, 4097, 1 << 30}) {
        SCOPED_TRACE(piece);
        HexStreamReader reader;
        Bytes out;
        const auto* text = reinterpret_cast<const std::uint8_t*>(row.text.data());
        for (std::size_t at = 0; at < row.text.size(); at += piece) {
            reader.Read(std::span(text + at, std::min(piece, row.text.size() - at)), out);
        }
        reader.Finish(out);
        EXPECT_EQ(reader.Current(), row.state);
        EXPECT_TRUE(reader.AnyDigits());
        EXPECT_EQ(out, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, HexStreamReaderTest, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HexStreamReaderTest, KnownAnswers) {
    const std::string text = "> 0a1B\n> C\r\n2\n-- 3\n";
    HexStreamReader reader;
    Bytes out;
    reader.Read(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), out);
    reader.Finish(out);
    EXPECT_EQ(out, Bytes({0x0A, 0x1B, 0xC2}));
    EXPECT_EQ(reader.Current(), State::Ended);
}

// The bulk decoder stops at the first pair that is not two digits, wherever
// it falls in a 32-digit block.
TEST(DecodePlainHexPairsTest, StopsAtTheFirstNonDigit) {
    const std::string digits = RandomDigits(100, 3);
    for (std::size_t at = 0; at < digits.size(); ++at) {
        std::string text = digits;
        text[at] = at % 3 == 0 ? '\n' : (at % 3 == 1 ? 'g' : '\x80');
        Bytes out(text.size() / 2);
        const std::size_t taken = DecodePlainHexPairs(text, out.data());
        ASSERT_EQ(taken, at & ~std::size_t{1}) << at;
        out.resize(taken / 2);
        EXPECT_EQ(out, HexToBytes(std::string_view(digits).substr(0, taken))) << at;
    }
}

}  // namespace
}  // namespace zelvora::cli
