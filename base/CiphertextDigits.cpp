#include "base/CiphertextDigits.h"

#include "base/HexDigits.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelvora {
namespace {

using hex::DigitValue;

enum class Kind : std::uint8_t { Blank, Break, Quote, Other };

constexpr std::array<Kind, 128> MakeAsciiKinds() {
    std::array<Kind, 128> table{};
    for (auto& kind : table) {
        kind = Kind::Other;
    }
    table[' '] = table['\t'] = Kind::Blank;
    table['\n'] = table['\r'] = table['\v'] = table['\f'] = Kind::Break;
    table['>'] = Kind::Quote;
    return table;
}
constexpr auto kAsciiKinds = MakeAsciiKinds();

// What a code unit that is not a hex digit means within a line. The blanks
// beyond ASCII are those that mail and chat programs put into text unseen:
// Unicode spaces (Zs), zero-width spaces and joiners, the byte-order mark,
// soft hyphens and direction marks (Unicode's Default_Ignorable and White
// Space properties, as far as they show up in copied text).
Kind KindOf(char16_t c) {
    if (c < 128) {
        return kAsciiKinds[c];
    }
    switch (c) {
        case 0x0085:  // next line
        case 0x2028:  // line separator
        case 0x2029:  // paragraph separator
            return Kind::Break;
        case 0x00A0:  // no-break space
        case 0x00AD:  // soft hyphen
        case 0x1680:  // ogham space mark
        case 0x180E:  // Mongolian vowel separator
        case 0x202F:  // narrow no-break space
        case 0x205F:  // medium mathematical space
        case 0x3000:  // ideographic space
        case 0xFEFF:  // byte-order mark, zero-width no-break space
            return Kind::Blank;
        default:
            break;
    }
    // En quad to right-to-left mark (spaces, zero-width space and joiners),
    // the direction embeddings, word joiner and invisible operators, and the
    // direction isolates.
    if ((c >= 0x2000 && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x2069)) {
        return Kind::Blank;
    }
    return Kind::Other;
}

// The end of the run of hex digits that starts at `p`. Ciphertext is mostly
// long runs, so eight code units are tested at a time.
const char16_t* SkipDigits(const char16_t* p, const char16_t* end) {
#if defined(__SSE2__)
    while (end - p >= 8) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed compares: code units from 0x8000 up are negative and fail both.
        const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi16(c, _mm_set1_epi16('0' - 1)),
                                              _mm_cmplt_epi16(c, _mm_set1_epi16('9' + 1)));
        // Setting bit 5 turns upper-case letters into lower-case ones.
        const __m128i lower = _mm_or_si128(c, _mm_set1_epi16(0x20));
        const __m128i isLetter = _mm_and_si128(_mm_cmpgt_epi16(lower, _mm_set1_epi16('a' - 1)),
                                               _mm_cmplt_epi16(lower, _mm_set1_epi16('f' + 1)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)));
        if (mask != 0xFFFF) {
            return p + std::countr_one(mask) / 2;  // two mask bits per code unit
        }
        p += 8;
    }
#endif
    while (p < end && DigitValue(*p) >= 0) {
        ++p;
    }
    return p;
}

// A stretch of the text and how many hex digits it holds; nothing else in it
// but what is dropped (blanks, quote markers, line breaks).
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t digits = 0;
};

// Consecutive hex lines, as a mail or chat program wraps one long line.
struct Block {
    Span span;
    std::size_t width = 0;  // digits of the first line
    std::size_t lines = 0;
    bool closed = false;  // a line shorter than the first came: that was the last
    bool spaced = false;  // its lines are separated by empty lines

    bool TakesLine(std::size_t digits, bool emptyLinesBefore) const {
        if (closed || digits > width) {
            return false;
        }
        // After one line, empty lines may only part lines of its full width:
        // a short line after an empty one is a signature, not the block's end.
        if (lines == 1) {
            return !emptyLinesBefore || digits == width;
        }
        return emptyLinesBefore == spaced;
    }
};

std::u16string_view DigitsOf(std::u16string_view text, const Span& span, std::u16string& scratch) {
    if (span.end - span.begin == span.digits) {
        return text.substr(span.begin, span.digits);
    }
    scratch.clear();
    scratch.reserve(span.digits);
    const char16_t* p = text.data() + span.begin;
    const char16_t* const end = text.data() + span.end;
    while (p < end) {
        if (DigitValue(*p) < 0) {
            ++p;
            continue;
        }
        const char16_t* const runEnd = SkipDigits(p, end);
        scratch.append(p, runEnd);
        p = runEnd;
    }
    return scratch;
}

// Text without a hex line is read as it always was: only what mail programs
// insert between the digits of a long line goes.
std::u16string_view WithoutLineBreaksAndBlanks(std::u16string_view text, std::u16string& scratch) {
    const auto isGap = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    std::size_t i = 0;
    while (i < text.size() && !isGap(text[i])) {
        ++i;
    }
    if (i == text.size()) {
        return text;
    }
    scratch.assign(text.substr(0, i));
    for (; i < text.size(); ++i) {
        if (!isGap(text[i])) {
            scratch.push_back(text[i]);
        }
    }
    return scratch;
}

// What one pass over the text finds: every hex line together, the block
// with the most digits, and whether any other line came between them.
// `blocks`, when given, receives every block from the top.
struct Found {
    Span all;
    Span best;
    bool anyOther = false;
};

Found Scan(std::u16string_view text, std::vector<Span>* blocks) {
    const char16_t* const start = text.data();
    const char16_t* const end = start + text.size();
    Span all;  // every hex line, for text that holds nothing else
    Block block;
    bool inBlock = false;
    bool emptyLinesBefore = false;
    Span best;
    bool anyOther = false;
    const auto endBlock = [&] {
        if (inBlock && blocks != nullptr) {
            blocks->push_back(block.span);
        }
        if (inBlock && block.span.digits > best.digits) {
            best = block.span;  // the first of equal blocks stays
        }
        inBlock = false;
        emptyLinesBefore = false;
    };

    const char16_t* p = start;
    while (p < end) {
        // One line: quote markers may stand only before its first digit.
        std::size_t digits = 0;
        const char16_t* first = nullptr;
        const char16_t* last = nullptr;
        bool other = false;
        while (p < end) {
            if (DigitValue(*p) >= 0) {
                const char16_t* const runEnd = SkipDigits(p, end);
                if (first == nullptr) {
                    first = p;
                }
                digits += static_cast<std::size_t>(runEnd - p);
                p = last = runEnd;
                continue;
            }
            const Kind kind = KindOf(*p);
            if (kind == Kind::Break) {
                break;
            }
            if (kind == Kind::Blank || (kind == Kind::Quote && first == nullptr)) {
                ++p;
                continue;
            }
            other = true;
            while (p < end && KindOf(*p) != Kind::Break) {
                ++p;
            }
        }
        if (p < end) {
            const char16_t lineBreak = *p++;
            if (lineBreak == u'\r' && p < end && *p == u'\n') {
                ++p;
            }
        }

        if (other) {
            anyOther = true;
            endBlock();
        } else if (digits == 0) {
            emptyLinesBefore = inBlock;
        } else {
            const auto from = static_cast<std::size_t>(first - start);
            const auto to = static_cast<std::size_t>(last - start);
            if (all.digits == 0) {
                all.begin = from;
            }
            all.end = to;
            all.digits += digits;
            if (inBlock && block.TakesLine(digits, emptyLinesBefore)) {
                if (++block.lines == 2) {
                    block.spaced = emptyLinesBefore;
                }
                block.closed = digits < block.width;
                block.span.end = to;
                block.span.digits += digits;
            } else {
                endBlock();
                block = Block{Span{from, to, digits}, digits, 1};
                inBlock = true;
            }
            emptyLinesBefore = false;
        }
    }
    endBlock();
    return Found{all, best, anyOther};
}

}  // namespace

std::u16string_view CiphertextDigits(std::u16string_view text, std::u16string& scratch) {
    const Found found = Scan(text, nullptr);
    if (found.all.digits == 0) {
        return WithoutLineBreaksAndBlanks(text, scratch);
    }
    return DigitsOf(text, found.anyOther ? found.best : found.all, scratch);
}

CiphertextBlocks FindCiphertextBlocks(std::u16string_view text) {
    std::vector<Span> spans;
    const Found found = Scan(text, &spans);
    CiphertextBlocks result;
    // The digits go into a string of the result's own where they had gaps;
    // where they lie unbroken in `text`, the block views them there.
    const auto keep = [&result](std::u16string_view digits, std::u16string& scratch) {
        if (!scratch.empty() && digits.data() == scratch.data()) {
            scratch.resize(digits.size());
            result.blocks.push_back(result.compacted.emplace_back(std::move(scratch)));
        } else {
            result.blocks.push_back(digits);
        }
    };
    if (found.all.digits == 0 || !found.anyOther) {
        // One ciphertext however its lines were broken, or none at all.
        std::u16string scratch;
        keep(CiphertextDigits(text, scratch), scratch);
        return result;
    }
    for (const Span& span : spans) {
        if (span.begin == found.best.begin && span.end == found.best.end) {
            result.chosen = result.blocks.size();
        }
        std::u16string scratch;
        keep(DigitsOf(text, span, scratch), scratch);
    }
    return result;
}

}  // namespace zelvora
