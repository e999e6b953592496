// The window's Encrypt and Decrypt handlers end to end, on the offscreen
// platform with key files on disk, split three ways: the component's share
// (measured alone on the same input in the same run), the busy state's one
// repaint (timed inside BeginWork), and the rest, which is everything else
// the handler does: reading and decoding the key files, hex text, text
// conversion, the fields and the clipboard. The rest is broken down further
// by timing the window's and the clipboard's calls as the handler makes
// them, and by reading the key files alone.

#include "bench/AbortingMessageBox.h"
#include "bench/BenchKeys.h"
#include "bench/BenchWindow.h"
#include "bench/TimingClipboard.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "keys/KeyFile.h"
#include "message/WindowHex.h"
#include "widgets/MessageField.h"
#include "ui/QtClipboard.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zelvora {
namespace {

using bench::BenchWindow;

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::abort();
}

struct Fixture {
    QTemporaryDir keys;
    QtClipboard realClipboard;
    bench::TimingClipboard clipboard{realClipboard};
    bench::AbortingMessageBox box;
    std::unique_ptr<BenchWindow> window;

    Fixture() {
        if (!keys.isValid()) {
            Die("temporary directory");
        }
        window = std::make_unique<BenchWindow>(clipboard, box, keys.path());
        window->Settle();
    }

    // Starts a timed handler run from a window at rest.
    void Settle() {
        window->Settle();
        window->TakeTimes();
        clipboard.seconds = 0;
    }
};

// Per-run averages of where the time went, as benchmark counters.
struct Breakdown {
    bench::WindowTimes window;
    double clipboard = 0;

    void Add(Fixture& f) {
        const bench::WindowTimes times = f.window->TakeTimes();
        window.repaint += times.repaint;
        window.field += times.field;
        window.other += times.other;
        clipboard += f.clipboard.seconds;
        f.clipboard.seconds = 0;
    }
    void Report(benchmark::State& state) const {
        const auto average = [](double total) {
            return benchmark::Counter(total, benchmark::Counter::kAvgIterations);
        };
        state.counters["repaint_s"] = average(window.repaint);
        state.counters["field_s"] = average(window.field);
        state.counters["window_other_s"] = average(window.other);
        state.counters["clipboard_s"] = average(clipboard);
    }
};

// Made on first use and dropped before the application object goes.
std::unique_ptr<Fixture> g_fixture;

Fixture& Shared() {
    if (!g_fixture) {
        g_fixture = std::make_unique<Fixture>();
    }
    return *g_fixture;
}

std::unique_ptr<EncryptionEngine> LoadedEngine() {
    const auto& keys = bench::Keys3072();
    auto engine = EncryptionEngine::Create();
    auto method = RsaMethod::Create();
    if (!engine || !method || !(*method)->SetPrivateKeyBlob(keys.privateBlob) ||
        !(*method)->SetPublicKeyBlob(keys.publicBlob) || !(*engine)->AttachMethod(*method)) {
        Die("loading the keys");
    }
    return std::move(*engine);
}

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// Characters the message field received during one handler run: the hex
// text must go to the clipboard without passing through it.
struct FieldWatch {
    qint64 added = 0;
    QMetaObject::Connection connection;
    explicit FieldWatch(QTextDocument* document) {
        connection = QObject::connect(document, &QTextDocument::contentsChange,
                                      [this](int, int, int charsAdded) { added += charsAdded; });
    }
    ~FieldWatch() { QObject::disconnect(connection); }
};

void BM_EncryptHandler(benchmark::State& state) {
    Fixture& f = Shared();
    const QString message = bench::MessageText(static_cast<std::size_t>(state.range(0)));
    Breakdown breakdown;
    qint64 fieldAdded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.window->TextBox->setPlainText(message);
        // Where a click on the button leaves the focus.
        f.window->cmdEncrypt->setFocus();
        f.Settle();
        FieldWatch watch(f.window->TextBox->document());
        state.ResumeTiming();

        f.window->cmdEncrypt_Click();

        state.PauseTiming();
        breakdown.Add(f);
        fieldAdded += watch.added;
        if (!f.window->MessageText().isEmpty() || f.clipboard.Text().size() < 2 * message.size()) {
            Die("Encrypt did not leave the ciphertext on the clipboard");
        }
        f.realClipboard.Clear();
        state.ResumeTiming();
    }
    breakdown.Report(state);
    state.counters["field_chars_added"] =
        benchmark::Counter(static_cast<double>(fieldAdded), benchmark::Counter::kAvgIterations);
}

void BM_EncryptComponent(benchmark::State& state) {
    const QByteArray message =
        bench::MessageText(static_cast<std::size_t>(state.range(0))).toLocal8Bit();
    for (auto _ : state) {
        auto ciphertext = LoadedEngine()->EncryptBytes(AsBytes(message), true);
        if (!ciphertext) {
            Die("EncryptBytes");
        }
        benchmark::DoNotOptimize(ciphertext->data());
    }
}

Bytes Ciphertext(const QString& message) {
    auto ciphertext = LoadedEngine()->EncryptBytes(AsBytes(message.toLocal8Bit()), true);
    if (!ciphertext) {
        Die("EncryptBytes");
    }
    return *ciphertext;
}

void BM_DecryptHandler(benchmark::State& state) {
    Fixture& f = Shared();
    const QString message = bench::MessageText(static_cast<std::size_t>(state.range(0)));
    const QString hex = BytesToHex(Ciphertext(message));
    Breakdown breakdown;
    for (auto _ : state) {
        state.PauseTiming();
        f.window->TextBox->setPlainText(QString());
        f.realClipboard.SetText(hex);
        f.window->cmdDecrypt->setFocus();
        f.Settle();
        state.ResumeTiming();

        f.window->cmdDecrypt_Click();

        state.PauseTiming();
        breakdown.Add(f);
        if (f.window->MessageText().size() != message.size()) {
            Die("Decrypt did not show the message");
        }
        state.ResumeTiming();
    }
    breakdown.Report(state);
}

void BM_DecryptComponent(benchmark::State& state) {
    const Bytes ciphertext =
        Ciphertext(bench::MessageText(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        auto plaintext = LoadedEngine()->DecryptBytes(ciphertext, true);
        if (!plaintext) {
            Die("DecryptBytes");
        }
        benchmark::DoNotOptimize(plaintext->data());
    }
}

// Both key files, as every press reads them.
void BM_KeyFiles(benchmark::State& state) {
    Fixture& f = Shared();
    const QString privatePath = f.window->PrivateKeyPath();
    const QString publicPath = f.window->PublicKeyPath();
    for (auto _ : state) {
        auto privateKey =
            ReadKeyFile(QFile::encodeName(privatePath).toStdString(), KeyFileKind::Private);
        auto publicKey =
            ReadKeyFile(QFile::encodeName(publicPath).toStdString(), KeyFileKind::Public);
        if (!privateKey || !publicKey || !*privateKey || !*publicKey) {
            Die("ReadKeyFile");
        }
        benchmark::DoNotOptimize((*privateKey)->data());
        benchmark::DoNotOptimize((*publicKey)->data());
    }
}

constexpr std::int64_t kKiB = 1 << 10;
constexpr std::int64_t kMiB = 1 << 20;

// Each size's handler and component runs side by side, so drift of the
// machine between them stays small.
void Register() {
    benchmark::RegisterBenchmark("BM_KeyFiles", BM_KeyFiles)->Unit(benchmark::kMicrosecond);
    for (const std::int64_t size : {kKiB, kMiB}) {
        benchmark::RegisterBenchmark("BM_EncryptHandler", BM_EncryptHandler)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_EncryptComponent", BM_EncryptComponent)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_DecryptHandler", BM_DecryptHandler)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_DecryptComponent", BM_DecryptComponent)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace
}  // namespace zelvora

int main(int argc, char** argv) {
    // The handlers need a window system but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Whatever the window stores goes to a scratch folder, not the user's.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);
    zelvora::Register();
    benchmark::Initialize(&argc, argv);
    // The keys and the window are made before the first measurement, so no
    // benchmark's first rounds pay for them.
    zelvora::Shared();
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    zelvora::g_fixture.reset();
    return 0;
}
