#include "base/HexText.h"
#include "cli/HexStreamReader.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::string Lines(const std::string& digits, std::size_t width, const std::string& end,
                  const std::string& prefix = "") {
    std::string text;
    for (std::size_t i = 0; i < digits.size(); i += width) {
        text += prefix + digits.substr(i, width) + end;
    }
    return text;
}

// A text, the digits the reader takes from it (read by the window's pair
// rule; for a malformed text, those before the fault) and its end state.
struct Row {
    const char* name;
    std::string text;
    std::string taken;
    State state;
};

std::vector<Row> Rows() {
    const std::string d = RandomDigits(40000, 7);
    const std::string odd = d.substr(0, 7601);
    return {
        {"OneLongLine", d + "\n", d, State::Reading},
        {"LinesWithLf", Lines(d, 76, "\n"), d, State::Reading},
        {"LinesWithCrLf", Lines(d, 76, "\r\n"), d, State::Reading},
        {"QuotedLines", Lines(d, 64, "\n", "> >\t"), d, State::Reading},
        {"SignatureEnds", Lines(d, 76, "\n") + "-- Bob\nABCD\n", d, State::Ended},
        {"GreetingEnds", "Bob,\n" + Lines(d, 76, "\n"), "", State::Ended},
        {"OddDigitCount", Lines(odd, 75, "\r\n"), odd, State::Reading},
        {"BlanksAndTabs", Lines(d, 5, " ") + "\t" + Lines(d, 7, "\t"), d + d, State::Reading},
        // A line is released at 4096 bytes: a fault after that is malformed,
        // one before it ends the hex lines.
        {"StrayAfterRelease", d.substr(0, 8200) + "x" + d, d.substr(0, 8200), State::Malformed},
        {"StrayBeforeRelease", "AB\n" + d.substr(0, 8190) + "x\n", "AB", State::Ended},
        {"ReleasedThenSignature", d.substr(0, 8192) + "\n-- Bob", d.substr(0, 8192), State::Ended},
    };
}

class HexStreamReaderTest : public ::testing::TestWithParam<Row> {};

// Every split, down to one character at a time (which never takes the bulk
// path), reads as the whole text does.
TEST_P(HexStreamReaderTest, EverySplitReadsAlike) {
    const Row& row = GetParam();
    const auto* text = reinterpret_cast<const std::uint8_t*>(row.text.data());
    for (const std::size_t piece : {1, 2, 3, 7, 31, 32, 33, 4095, 4097, 1 << 30}) {
        HexStreamReader reader;
        Bytes out;
        for (std::size_t at = 0; at < row.text.size(); at += piece) {
            reader.Read(std::span(text + at, std::min(piece, row.text.size() - at)), out);
        }
        reader.Finish(out);
        EXPECT_EQ(reader.Current(), row.state) << piece;
        EXPECT_TRUE(reader.AnyDigits()) << piece;
        EXPECT_EQ(out, HexToBytes(std::string_view(row.taken))) << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, HexStreamReaderTest, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return std::string(info.param.name); });

// The bulk decoder stops at the first pair that is not two digits, wherever
// it falls in a 32-digit block.
TEST(DecodePlainHexPairsTest, StopsAtTheFirstNonDigit) {
    const std::string digits = RandomDigits(100, 3);
    for (std::size_t at = 0; at < digits.size(); ++at) {
        std::string text = digits;
        text[at] = "\ng\x80"[at % 3];
        Bytes out(text.size() / 2);
        const std::size_t taken = DecodePlainHexPairs(text, out.data());
        ASSERT_EQ(taken, at & ~std::size_t{1}) << at;
        out.resize(taken / 2);
        EXPECT_EQ(out, HexToBytes(std::string_view(digits).substr(0, taken))) << at;
    }
}

}  // namespace
}  // namespace zelvora::cli
