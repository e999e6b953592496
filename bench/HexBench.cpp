// The hex text codec against the least any codec must do: fill a fresh
// buffer of the output's size. Both sides allocate their output anew each
// time, as a press of a button does.

#include "base/CiphertextDigits.h"
#include "message/WindowHex.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

namespace zelvora {
namespace {

Bytes RandomBytes(std::size_t size) {
    std::mt19937_64 random(size);
    Bytes bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Throughput is counted in binary bytes, the message's own size, both ways.
void SetThroughput(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Fills a fresh buffer of `outputSize` bytes by copying; when `inputSize` is
// larger, the rest of the input is read too (memchr for a byte it lacks).
void FloorCopy(benchmark::State& state, std::size_t outputSize, std::size_t inputSize = 0) {
    inputSize = std::max(inputSize, outputSize);
    const auto source = std::make_unique<char[]>(inputSize);
    std::memset(source.get(), 'A', inputSize);
    for (auto _ : state) {
        std::unique_ptr<char[]> out(new char[outputSize]);
        std::memcpy(out.get(), source.get(), outputSize);
        if (inputSize > outputSize) {
            benchmark::DoNotOptimize(
                std::memchr(source.get() + outputSize, 0, inputSize - outputSize));
        }
        benchmark::DoNotOptimize(out.get());
        benchmark::ClobberMemory();
    }
    SetThroughput(state);
}

void BM_BytesToHex_Ours(benchmark::State& state) {
    const Bytes bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        QString text = BytesToHex(bytes);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    SetThroughput(state);
}

// Two UTF-16 code units of output per input byte.
void BM_BytesToHex_Floor(benchmark::State& state) {
    FloorCopy(state, static_cast<std::size_t>(state.range(0)) * 2 * sizeof(char16_t));
}

void BM_HexToBytes_Ours(benchmark::State& state) {
    const QString text = BytesToHex(RandomBytes(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        Bytes bytes = HexToBytes(QStringView(text));
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    SetThroughput(state);
}

void BM_HexToBytes_Floor(benchmark::State& state) {
    FloorCopy(state, static_cast<std::size_t>(state.range(0)));
}

// Decoding must read four bytes of UTF-16 text for every byte it writes, so
// reading the whole input and writing the output is the least any decoder
// costs; shown beside the output-size floor.
void BM_HexToBytes_ReadFloor(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    FloorCopy(state, size, size * 2 * sizeof(char16_t));
}

// Finding the digits in what the user copied, before HexToBytes reads them:
// a bare line (viewed in place) and a quoted reply wrapped at 76 with a
// greeting and a signature (copied out). Compare with HexToBytes of the same
// size, which reads the same text.
void CiphertextDigitsOf(benchmark::State& state, bool quoted) {
    const QString hex = BytesToHex(RandomBytes(static_cast<std::size_t>(state.range(0))));
    std::u16string text;
    if (quoted) {
        text = u"Hi Alice,\n\nBob wrote:\n";
        for (qsizetype at = 0; at < hex.size(); at += 76) {
            text += u"> ";
            text.append(QStringView(hex).mid(at, 76).utf16(),
                        std::min<qsizetype>(76, hex.size() - at));
            text += u"\r\n";
        }
        text += u">\n-- \nAlice\n";
    } else {
        text.assign(QStringView(hex).utf16(), static_cast<std::size_t>(hex.size()));
    }
    for (auto _ : state) {
        std::u16string scratch;
        benchmark::DoNotOptimize(CiphertextDigits(text, scratch).data());
        benchmark::ClobberMemory();
    }
    SetThroughput(state);
}

void BM_CiphertextDigits_Line(benchmark::State& state) {
    CiphertextDigitsOf(state, false);
}

void BM_CiphertextDigits_Quoted(benchmark::State& state) {
    CiphertextDigitsOf(state, true);
}

constexpr std::int64_t kMiB = 1 << 20;

// Ours and the floor run side by side at each size, so drift of the machine
// between them stays small.
[[maybe_unused]] const bool kRegistered = [] {
    for (const std::int64_t size : {kMiB, 16 * kMiB}) {
        benchmark::RegisterBenchmark("BM_BytesToHex_Ours", BM_BytesToHex_Ours)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_BytesToHex_Floor", BM_BytesToHex_Floor)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_HexToBytes_Ours", BM_HexToBytes_Ours)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_HexToBytes_Floor", BM_HexToBytes_Floor)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_HexToBytes_ReadFloor", BM_HexToBytes_ReadFloor)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_CiphertextDigits_Line", BM_CiphertextDigits_Line)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_CiphertextDigits_Quoted", BM_CiphertextDigits_Quoted)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

}  // namespace
}  // namespace zelvora

BENCHMARK_MAIN();
