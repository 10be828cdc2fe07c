// Quillo's desktop program, a module the quillo command loads into its own process when a
// window is wanted and no Quillo runs for this library. It becomes the library's one
// writer, or hands its request to a Quillo that started at the same instant.
#include "DesktopApp.h"
#include "core/app/InstanceClient.h"
#include "core/app/SingleWriter.h"
#include "core/app/StartUp.h"
#include "core/platform/DataFolder.h"
#include "core/util/Files.h"
#include "editor/WebEngineSetup.h"
#include "platform/QtTranslation.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quillo;
using namespace std::chrono_literals;

// How long a desktop start waits for a command-line import to finish writing the library.
constexpr auto writerWait = 60s;

int printed(const InstanceReply& reply) {
    return printReply(reply, std::cout, std::cerr);
}

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int quillo_desktop_main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const InstanceRequest request = StartUp::requestOf(arguments);
    if (!hasDisplay()) {
        std::cerr << "Quillo needs a graphical desktop session, and no display was found "
                     "(DISPLAY is not set).\n";
        return 1;
    }
    // Held until the program ends, which makes it the library's one writer.
    std::optional<FileLock> writer;
    // A refusal (a program of another user answering) is said, and ends this launch.
    std::optional<InstanceReply> answer;
    const auto handOver = [&request, &answer] {
        answer = sendToRunningInstance(request, requestTimeout);
        return answer.has_value();
    };
    // Another Quillo started at the same instant gets the request once it is up; a
    // command-line import writing the library is waited for.
    try {
        SingleWriter::Outcome outcome =
            SingleWriter::becomeWriter(userDataFolder(), handOver, {writerWait});
        if (std::holds_alternative<SingleWriter::HandedOver>(outcome))
            return printed(*answer);
        if (std::holds_alternative<SingleWriter::Busy>(outcome)) {
            std::cerr << "Quillo: another Quillo process is still writing the library; "
                         "try again when it has finished.\n";
            return 1;
        }
        writer = std::move(std::get<FileLock>(outcome));
    } catch (const FileError& error) {
        std::cerr << "Quillo: couldn't start: " << error.what() << '\n';
        return 1;
    }
    prepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillo");
    QApplication::setApplicationVersion(QUILLO_VERSION);
    // Names the desktop entry, and on Wayland the windows' app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillo"));
    QApplication::setQuitOnLastWindowClosed(false);
    loadQtTranslations();
    DesktopApp desktop(StartUp::launchedAtLogin(arguments), StartUp::opensSettings(arguments),
                       StartUp::opensPicker(arguments));
    if (!desktop.start())
        return 1;
    return QApplication::exec();
}
