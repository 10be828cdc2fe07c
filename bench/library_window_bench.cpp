// The library window over a generated library: from making the window to its list painted,
// and from a letter typed in its search field to the list repainted. Offscreen unless a
// platform is named (QT_QPA_PLATFORM), since the figures are about the program's own work.
#include "BenchEnvironment.h"
#include "Durations.h"
#include "LibraryGenerator.h"
#include "PaintWatch.h"
#include "core/app/AppState.h"
#include "core/browser/SnippetListing.h"
#include "core/import/ATextImporter.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "fakes/CountingSound.h"
#include "fakes/FakeAccessibility.h"
#include "fakes/FakeApplicationShell.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakePickerPanel.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeWorkspace.h"
#include "fakes/RecordingFileViewer.h"
#include "fakes/RecordingKeyPoster.h"
#include "gui/library/LibraryWindow.h"
#include "gui/library/SidebarPane.h"
#include "gui/library/SnippetListPane.h"
#include "platform/QtScheduler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using namespace quillo;
using namespace quillo::bench;
using namespace quillo::testing;

constexpr std::uint64_t librarySeed = 20240601;

// Everything the window works with, over a generated library; the platform is faked.
class BenchLibrary {
public:
    explicit BenchLibrary(std::size_t snippetCount) : library_(environment_.environment(), false) {
        const GeneratedLibrary content = generateLibrary(snippetCount, librarySeed);
        library_.merge(content.groups, content.snippets);
    }

    BrowserEnvironment environment() {
        return {library_, app_, picker_, paster_, importer_, fileViewer_};
    }
    const Library& library() const { return library_; }

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
    FakePickerPanel panel_;
    FakeKeyMonitor monitor_;
    Paster paster_{
        {pasteboard_, keys_, workspace_, accessibility_, sound_, scheduler_, clock_, library_}};
    PickerModel picker_{{library_, paster_, workspace_, sound_, scheduler_, panel_, monitor_}};
    FakeHotKeyService service_;
    DiscardingLog log_;
    HotKey hotKey_{service_, scheduler_, log_};
    FakeSettingsStore settings_;
    FakeApplicationShell shell_;
    AppState app_{{accessibility_, scheduler_, hotKey_, settings_, shell_}};
    FakeDialogs dialogs_;
    RecordingFileViewer fileViewer_;
    ATextImporter importer_{{library_, clock_, dialogs_, environment_.dataFolder()}};
};

// A window shown on its library, with a watch on its list.
class BenchWindow {
public:
    explicit BenchWindow(BenchLibrary& library) : window_(library.environment()) {
        listPaints_ = std::make_unique<PaintWatch>(list()->viewport());
    }

    QListView* list() const { return window_.snippetList()->list(); }
    QLineEdit* searchField() const { return window_.sidebar()->searchField(); }
    int rows() const { return list()->model()->rowCount(); }

    // Shows the window and waits for the list to be painted.
    void show() {
        listPaints_->arm();
        window_.show();
        while (!listPaints_->painted())
            QCoreApplication::processEvents();
    }

    // Types one letter into the search field as the window system delivers it, and waits
    // for the list to repaint.
    void type(QChar letter) {
        listPaints_->arm();
        const int key = Qt::Key_A + (letter.toUpper().unicode() - 'A');
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(searchField(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(searchField(), &release);
        while (!listPaints_->painted())
            QCoreApplication::processEvents();
    }

    void clearSearch() {
        searchField()->clear();
        QCoreApplication::processEvents();
    }

private:
    LibraryWindow window_;
    std::unique_ptr<PaintWatch> listPaints_;
};

std::map<std::size_t, std::unique_ptr<BenchLibrary>> libraries;

BenchLibrary& library(std::size_t count) {
    auto& entry = libraries[count];
    if (!entry)
        entry = std::make_unique<BenchLibrary>(count);
    return *entry;
}

// Opening the library window: making it (sidebar, the whole list by name) and painting it.
// Each window starts cold: a new window over a library it has never listed.
void BM_OpenLibraryWindow(benchmark::State& state) {
    BenchLibrary& bench = library(static_cast<std::size_t>(state.range(0)));
    Durations durations;
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<BenchWindow>(bench);
        window->show();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        durations.add(seconds);
        rows = window->rows();
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    durations.report(state);
}
BENCHMARK(BM_OpenLibraryWindow)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(10);

// Typing words letter by letter into the search field: each letter is a new search of the
// whole library, and a new list.
void BM_SearchKeystrokeToListRepainted(benchmark::State& state) {
    static constexpr std::string_view words[] = {"refund",  "thanks",   "order",    "password",
                                                 "billing", "shipping", "warranty", "invoice"};
    BenchWindow window(library(static_cast<std::size_t>(state.range(0))));
    window.show();
    Durations durations;
    std::size_t word = 0;
    std::size_t letter = 0;
    for (auto _ : state) {
        const std::string_view current = words[word % std::size(words)];
        QElapsedTimer timer;
        timer.start();
        window.type(QChar(current[letter]));
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        durations.add(seconds);
        if (++letter == current.size()) {
            state.PauseTiming();
            letter = 0;
            ++word;
            window.clearSearch();
            state.ResumeTiming();
        }
    }
    durations.report(state);
}
BENCHMARK(BM_SearchKeystrokeToListRepainted)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(120);

// The core of both: the whole library by name, from a listing that has seen nothing.
void BM_ListAllByNameCold(benchmark::State& state) {
    const Library& lib = library(static_cast<std::size_t>(state.range(0))).library();
    for (auto _ : state) {
        SnippetListing listing;
        benchmark::DoNotOptimize(listing.visibleSnippets(lib, SidebarItem::all(), "").size());
    }
}
BENCHMARK(BM_ListAllByNameCold)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    libraries.clear();
    return 0;
}
