// The library window's editor handed one snippet after another, as when the user moves the
// selection: until a plain snippet is painted, and until the rich editor's page holds the
// new text. Runs offscreen, web engine included.
#include "BenchEnvironment.h"
#include "Durations.h"
#include "LibraryGenerator.h"
#include "core/app/AppState.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "fakes/AppFixture.h"
#include "gui/editor/PlainTextEditor.h"
#include "gui/editor/RichEditorBridge.h"
#include "gui/editor/RichEditorModule.h"
#include "gui/editor/SnippetDetail.h"
#include "gui/editor/WebEngineSetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;

constexpr std::uint64_t librarySeed = 20240601;

// The app's pieces around a generated library of 10k snippets; only the platform is faked.
class EditorBench : public quillo::testing::AppFixture {
public:
    EditorBench() {
        const GeneratedLibrary content = generateLibrary(10'000, librarySeed);
        library->merge(content.groups, content.snippets);
        for (const Snippet& snippet : library->snippets())
            (snippet.format == SnippetFormat::rich ? rich : plain).push_back(snippet.id);
        detail = std::make_unique<SnippetDetail>(
            SnippetDetailEnvironment{
                *library, paster, picker, app, clock, log,
                [this] { return std::make_unique<RichEditorBridge>(editorPageFolder(), log); }},
            plain.front());
        detail->resize(760, 600);
        detail->show();
        QCoreApplication::processEvents();
    }
    void TestBody() override {}

    RichEditorBridge& bridge() { return static_cast<RichEditorBridge&>(detail->richEditor()); }

    // Returns once the page has run every call sent before.
    void waitForPage() {
        bool answered = false;
        bridge().webView()->page()->runJavaScript("0", [&](const QVariant&) { answered = true; });
        while (!answered)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    void waitForReady() {
        while (!bridge().isReady())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    std::vector<Uuid> rich;
    std::vector<Uuid> plain;
    std::unique_ptr<SnippetDetail> detail;
};

void BM_ShowNextPlainSnippet(benchmark::State& state) {
    EditorBench bench;
    Durations times;
    std::size_t next = 1;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bench.detail->setSnippetID(bench.plain[next++ % bench.plain.size()]);
        bench.detail->plainEditor()->viewport()->repaint();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        times.add(seconds);
    }
    times.report(state);
}
BENCHMARK(BM_ShowNextPlainSnippet)->UseManualTime()->Iterations(100);

void BM_ShowNextRichSnippet(benchmark::State& state) {
    EditorBench bench;
    bench.detail->setSnippetID(bench.rich.front());
    bench.waitForReady();
    bench.waitForPage();
    Durations times;
    std::size_t next = 1;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bench.detail->setSnippetID(bench.rich[next++ % bench.rich.size()]);
        bench.waitForPage();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        times.add(seconds);
    }
    times.report(state);
}
BENCHMARK(BM_ShowNextRichSnippet)->UseManualTime()->Iterations(60);

// The first rich snippet shown starts the web engine and loads the page.
void BM_FirstRichSnippetUntilReady(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        EditorBench bench;
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        bench.detail->setSnippetID(bench.rich.front());
        bench.waitForReady();
        bench.waitForPage();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_FirstRichSnippetUntilReady)->UseManualTime()->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngine();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
