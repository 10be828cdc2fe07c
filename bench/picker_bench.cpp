// The picker as the user meets it, on a real X display (run under Xvfb): from the shortcut
// to the panel painted with its results, and from a keystroke to the list repainted. The
// panel, its views and the key monitor are the program's own; only the paste is faked.
#include "BenchEnvironment.h"
#include "Durations.h"
#include "LibraryGenerator.h"
#include "PaintWatch.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "fakes/CountingSound.h"
#include "fakes/FakeAccessibility.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeWorkspace.h"
#include "fakes/PrivateRuntimeFolder.h"
#include "fakes/RecordingKeyPoster.h"
#include "gui/picker/PickerView.h"
#include "gui/picker/SearchFace.h"
#include "platform/QtKeyMonitor.h"
#include "platform/QtPickerPanel.h"
#include "platform/QtScheduler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;
using namespace quillo::testing;

constexpr std::uint64_t librarySeed = 20240601;

// The picker over a generated library, wired as the desktop program wires it.
class BenchPicker {
public:
    explicit BenchPicker(std::size_t snippetCount) : library_(environment_.environment(), false) {
        const GeneratedLibrary content = generateLibrary(snippetCount, librarySeed);
        library_.merge(content.groups, content.snippets);
        workspace_.frontmost = ApplicationHandle{.window = 1, .processID = 1, .windowClass = "x"};
        view_ = new PickerView(model_, library_, clock_);
        panel_.setContent(view_);
        listPaints_ = std::make_unique<PaintWatch>(resultList()->viewport());
    }
    // The view watches the model, so it goes first.
    ~BenchPicker() { delete view_; }
    BenchPicker(const BenchPicker&) = delete;
    BenchPicker& operator=(const BenchPicker&) = delete;

    QListView* resultList() const { return view_->searchFace()->resultList(); }
    QLineEdit* searchField() const { return view_->searchFace()->searchField(); }

    // Presses the shortcut and waits for the result list to be on screen.
    void open() {
        listPaints_->arm();
        model_.toggle();
        while (!listPaints_->painted())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    void close() {
        model_.close();
        while (panel_.isVisible())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // Types one character into the focused field, as the window system delivers it, and
    // waits for the list to repaint (when the letter changed what it lists).
    void type(QChar character) {
        listPaints_->arm();
        const std::vector<const Snippet*> before = model_.results();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : searchField();
        const int key = Qt::Key_A + (character.toUpper().unicode() - 'A');
        QKeyEvent press(QEvent::KeyPress, character == ' ' ? Qt::Key_Space : key, Qt::NoModifier,
                        QString(character));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(character));
        QApplication::sendEvent(target, &release);
        if (model_.results() == before) {
            QCoreApplication::processEvents();
            return;
        }
        while (!listPaints_->painted())
            QCoreApplication::processEvents();
    }
    void clearQuery() {
        searchField()->clear();
        model_.setQuery("");
        QCoreApplication::processEvents();
    }

    std::size_t resultCount() { return model_.results().size(); }

private:
    BenchEnvironment environment_;
    SystemClock clock_;
    Library library_;
    FakePasteboard pasteboard_;
    RecordingKeyPoster keys_;
    FakeWorkspace workspace_;
    FakeAccessibility accessibility_;
    CountingSound sound_;
    QtScheduler scheduler_;
    QtPickerPanel panel_;
    QtKeyMonitor monitor_{panel_.widget()};
    Paster paster_{
        {pasteboard_, keys_, workspace_, accessibility_, sound_, scheduler_, clock_, library_}};
    PickerModel model_{{library_, paster_, workspace_, sound_, scheduler_, panel_, monitor_}};
    PickerView* view_ = nullptr;
    std::unique_ptr<PaintWatch> listPaints_;
};

// One picker per library size, shared by the benchmarks; gone before the application is.
std::map<std::size_t, std::unique_ptr<BenchPicker>> pickers;

BenchPicker& picker(std::size_t count) {
    auto& entry = pickers[count];
    if (!entry)
        entry = std::make_unique<BenchPicker>(count);
    return *entry;
}

// Every press after the first.
void BM_ShortcutToPickerShown(benchmark::State& state) {
    BenchPicker& bench = picker(static_cast<std::size_t>(state.range(0)));
    bench.open(); // the first press, measured below
    bench.close();
    Durations durations;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bench.open();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        durations.add(seconds);
        state.PauseTiming();
        bench.close();
        state.ResumeTiming();
    }
    durations.report(state);
}
BENCHMARK(BM_ShortcutToPickerShown)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(40);

// The first press after the library is loaded. The picker's view lists the library as soon
// as it is made, at start-up, so the search index is built by then, outside the measure.
void BM_FirstShortcutAfterLoading(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchPicker>(static_cast<std::size_t>(state.range(0)));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        bench->open();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        state.PauseTiming();
        bench->close();
        bench.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstShortcutAfterLoading)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3);

// Typing words letter by letter into an open picker: each letter is a new search.
void BM_KeystrokeToListUpdated(benchmark::State& state) {
    static constexpr std::string_view words[] = {"refund",  "thanks",   "order",    "password",
                                                 "billing", "shipping", "warranty", "invoice"};
    BenchPicker& bench = picker(static_cast<std::size_t>(state.range(0)));
    bench.open();
    Durations durations;
    std::size_t word = 0;
    std::size_t letter = 0;
    for (auto _ : state) {
        const std::string_view current = words[word % std::size(words)];
        QElapsedTimer timer;
        timer.start();
        bench.type(QChar(current[letter]));
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        durations.add(seconds);
        if (++letter == current.size()) {
            state.PauseTiming();
            letter = 0;
            ++word;
            bench.clearQuery();
            state.ResumeTiming();
        }
    }
    state.counters["results_last"] = static_cast<double>(bench.resultCount());
    bench.clearQuery();
    bench.close();
    durations.report(state);
}
BENCHMARK(BM_KeystrokeToListUpdated)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(120);

} // namespace

int main(int argc, char** argv) {
    const quillo::testing::PrivateRuntimeFolder runtime;
    QApplication application(argc, argv);
    if (QGuiApplication::platformName() != "xcb")
        std::fprintf(stderr, "quillo_picker_bench: not on X11 (run it under xvfb-run); the "
                             "figures leave out the window system.\n");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pickers.clear();
    return 0;
}
