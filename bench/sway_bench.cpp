// The picker in a Wayland session, as a person meets it under a headless sway: the shortcut
// pressed on a keyboard of the benchmark's own until the picker has the focus, and Return
// until the snippet's text is in the window the person was in. The real program runs with
// its key binding in sway, pasting into the end-to-end tests' window.
#include "Durations.h"
#include "platform/HeadlessSway.h"
#include "platform/wayland/ForeignToplevelWorkspace.h"
#include "platform/wayland/VirtualKeyboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QCoreApplication>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

using namespace quillo;
using Clock = std::chrono::steady_clock;

/// sway, Quillo with a small library, and a window to paste into, all as one user.
class SwayDesktop {
public:
    SwayDesktop() {
        if (!sway_.isRunning())
            throw std::runtime_error("sway: " + sway_.why());
        const std::filesystem::path home = sway_.folder();
        const std::filesystem::path library = home / ".local/share/Quillo/library.json";
        std::filesystem::create_directories(library.parent_path());
        std::ofstream(library) << R"({"version": 1, "groups": [], "snippets": [
            {"id": "0D3C2C58-6C55-4C5E-9E6B-1A2B3C4D5E6F", "name": "Greeting",
             "format": "plain", "text": "Hello from Quillo", "useCount": 0,
             "created": "2026-03-01T09:05:07Z", "modified": "2026-03-01T09:05:07Z"}]})";
        sway_.handOver(home / ".local");
        textFile_ = home / "target.text";
        start(target_, QUILLO_E2E_TARGET,
              {"--caption", "Target", "--text-file", QString::fromStdString(textFile_)});
        start(quillo_, QUILLO_PROGRAM, {"--autostart"});

        ::setenv("WAYLAND_DISPLAY", sway_.display().c_str(), 1);
        connection_ = WaylandConnection::open();
        if (!connection_)
            throw std::runtime_error("couldn't connect to sway");
        keyboard_ = VirtualKeyboard::create(connection_);
        workspace_ = std::make_unique<ForeignToplevelWorkspace>(connection_);
        if (!keyboard_)
            throw std::runtime_error("sway offers no virtual keyboard");
        waitForFront("quillo_e2e_target", std::chrono::seconds(20));
        // Quillo binds its shortcut once it has started: the picker opening tells.
        pressShortcut();
        waitForFront("quillo", std::chrono::seconds(20));
        escape();
    }

    ~SwayDesktop() {
        for (QProcess* process : {&quillo_, &target_}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    void pressShortcut() { keyboard_->tap(XKB_KEY_space, 0x04 | 0x08); }
    void escape() {
        keyboard_->tap(XKB_KEY_Escape);
        waitForFront("quillo_e2e_target", std::chrono::seconds(10));
    }
    void type(std::string_view text) {
        for (const char c : text)
            keyboard_->tap(static_cast<unsigned char>(c));
    }
    void pressReturn() { keyboard_->tap(XKB_KEY_Return); }

    void waitForFront(std::string_view appId, std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (workspace_->frontAppId() != appId) {
            if (Clock::now() > deadline)
                throw std::runtime_error("gave up waiting for " + std::string(appId));
            // A gentle poll: a busy one would take the core sway and Quillo need.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            connection_->roundtrip();
        }
    }

    std::uintmax_t textSize() const {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(textFile_, error);
        return error ? 0 : size;
    }

private:
    void start(QProcess& process, const QString& program, const QStringList& arguments) {
        QProcessEnvironment environment = sway_.clientEnvironment();
        environment.insert("HOME", QString::fromStdString(sway_.folder()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(sway_.folder()));
        environment.insert("SWAYSOCK", QString::fromStdString(sway_.socket()));
        environment.insert("XDG_SESSION_TYPE", "wayland");
        for (const char* name :
             {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(name);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto [command, commandArguments] = sway_.asItsUser(program, arguments);
        process.start(command, commandArguments);
        if (!process.waitForStarted())
            throw std::runtime_error("couldn't start " + program.toStdString());
    }

    testing::HeadlessSway sway_;
    std::filesystem::path textFile_;
    QProcess target_;
    QProcess quillo_;
    std::shared_ptr<WaylandConnection> connection_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::unique_ptr<ForeignToplevelWorkspace> workspace_;
};

SwayDesktop& desktop() {
    static SwayDesktop running;
    return running;
}

void BM_ShortcutToPickerFocused(benchmark::State& state) {
    SwayDesktop& sway = desktop();
    bench::Durations durations;
    for (auto _ : state) {
        const auto started = Clock::now();
        sway.pressShortcut();
        sway.waitForFront("quillo", std::chrono::seconds(10));
        const std::chrono::duration<double> took = Clock::now() - started;
        state.SetIterationTime(took.count());
        durations.add(took.count());
        sway.escape();
    }
    durations.report(state);
}
BENCHMARK(BM_ShortcutToPickerFocused)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_ReturnToTextInTheWindow(benchmark::State& state) {
    SwayDesktop& sway = desktop();
    bench::Durations durations;
    for (auto _ : state) {
        sway.pressShortcut();
        sway.waitForFront("quillo", std::chrono::seconds(10));
        sway.type("greet");
        // The picker searches as the keys arrive; give it the moment a person takes.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::uintmax_t before = sway.textSize();
        const auto started = Clock::now();
        sway.pressReturn();
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (sway.textSize() == before) {
            if (Clock::now() > deadline) {
                state.SkipWithError("the text never arrived");
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const std::chrono::duration<double> took = Clock::now() - started;
        state.SetIterationTime(took.count());
        durations.add(took.count());
        // Past the clipboard's return, so each paste starts alike.
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
    }
    durations.report(state);
}
BENCHMARK(BM_ReturnToTextInTheWindow)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    // The sway helper runs its processes through Qt.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
