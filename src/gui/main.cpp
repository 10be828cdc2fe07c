// Quillo's program. Its arguments may ask for a command-line mode, which runs without a
// display; otherwise a running Quillo is asked to show itself, or the desktop program starts.
#include "DesktopApp.h"
#include "InstanceChannel.h"
#include "core/app/CommandLine.h"
#include "core/app/ImportCommand.h"
#include "core/app/SingleWriter.h"
#include "core/app/StartUp.h"
#include "core/platform/DataFolder.h"
#include "core/util/Files.h"
#include "editor/WebEngineSetup.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quillo;
using namespace std::chrono_literals;

// Importing a large backup takes a while; asking the program to show itself does not.
constexpr auto importTimeout = 600s;
constexpr auto requestTimeout = 10s;
// How long a desktop start waits for a command-line import to finish writing the library.
constexpr auto writerWait = 60s;

int printed(const InstanceReply& reply) {
    std::cout << reply.output;
    std::cerr << reply.error;
    return reply.status;
}

/// A command-line mode: the import and the paste go to a running program when there is one,
/// so that only one process ever writes the library.
int runCommand(const CommandLine::Command& command, int argc, char** argv) {
    if (const auto* import = std::get_if<CommandLine::ImportBackup>(&command)) {
        QCoreApplication core(argc, argv);
        const std::string path = std::filesystem::absolute(import->backup).string();
        return runImportCommand(import->backup, std::cout, std::cerr, [&]() -> std::optional<int> {
            if (auto reply = sendToRunningInstance({InstanceRequest::Kind::importBackup, path, {}},
                                                   importTimeout))
                return printed(*reply);
            return std::nullopt;
        });
    }
    if (const auto* paste = std::get_if<CommandLine::Paste>(&command)) {
        QCoreApplication core(argc, argv);
        if (auto reply = sendToRunningInstance(
                {InstanceRequest::Kind::paste, paste->snippet, paste->values}, requestTimeout))
            return printed(*reply);
        std::cerr << "quillo: Quillo isn't running, so there is nothing to paste with.\n";
        return 1;
    }
    return CommandLine::run(command, QUILLO_VERSION, std::cout, std::cerr);
}

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    // Decided before anything else starts, so these modes need no display.
    if (const std::optional<CommandLine::Command> command = CommandLine::parse(arguments)) {
        const int status = runCommand(*command, argc, argv);
        std::cout.flush();
        if (!std::cout) {
            // Output that went nowhere (a full disk) must not pass for success.
            std::cerr << "quillo: couldn't write the output\n";
            return 1;
        }
        return status;
    }

    const bool opensSettings = StartUp::opensSettings(arguments);
    const bool opensPicker = StartUp::opensPicker(arguments);
    // The desktop's focus token lets the running program bring its picker to the front.
    const char* activationToken = std::getenv("XDG_ACTIVATION_TOKEN");
    const InstanceRequest request{opensPicker ? InstanceRequest::Kind::picker
                                              : (opensSettings ? InstanceRequest::Kind::settings
                                                               : InstanceRequest::Kind::show),
                                  opensPicker && activationToken ? activationToken : "",
                                  {}};
    // A key binding runs this on every press: handed over before any toolkit starts.
    if (opensPicker)
        if (std::optional<InstanceReply> reply = sendToRunningInstance(request, requestTimeout))
            return printed(*reply);
    // Held until the program ends, which makes it the library's one writer.
    std::optional<FileLock> writer;
    {
        // Opening Quillo again while it runs shows its library (or its settings).
        QCoreApplication core(argc, argv);
        if (const std::optional<std::string> problem = instanceChannelProblem()) {
            std::cerr << "Quillo: " << *problem << '\n';
            return 1;
        }
        // A refusal (a program of another user answering) is said, and ends this launch.
        std::optional<InstanceReply> answer;
        const auto handOver = [&request, &answer] {
            answer = sendToRunningInstance(request, requestTimeout);
            return answer.has_value();
        };
        if (handOver())
            return printed(*answer);
        if (!hasDisplay()) {
            std::cerr << "Quillo needs a graphical desktop session, and no display was found "
                         "(DISPLAY is not set).\n";
            return 1;
        }
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
    }
    prepareWebEngine();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillo");
    QApplication::setApplicationVersion(QUILLO_VERSION);
    // Names the desktop entry, and on Wayland the windows' app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillo"));
    QApplication::setQuitOnLastWindowClosed(false);
    DesktopApp desktop(StartUp::launchedAtLogin(arguments), opensSettings, opensPicker);
    if (!desktop.start())
        return 1;
    return QApplication::exec();
}
