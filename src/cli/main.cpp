// The quillo command. Its command-line modes run here, without any toolkit, as do the
// requests a running Quillo takes (show the picker, the library, the settings); only when
// a window is wanted and no Quillo runs does it become the desktop program.
#include "core/app/CommandLine.h"
#include "core/app/ImportCommand.h"
#include "core/app/InstanceClient.h"
#include "core/app/StartUp.h"
#include "core/platform/InstanceSocket.h"
#include "core/platform/ProgramFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillo;
using namespace std::chrono_literals;

// Importing a large backup takes a while; asking the program to show itself does not.
constexpr auto importTimeout = 600s;

int printed(const InstanceReply& reply) {
    return printReply(reply, std::cout, std::cerr);
}

/// A command-line mode: the import and the paste go to a running program when there is one,
/// so that only one process ever writes the library.
int runCommand(const CommandLine::Command& command) {
    if (const auto* import = std::get_if<CommandLine::ImportBackup>(&command)) {
        const std::string path = std::filesystem::absolute(import->backup).string();
        return runImportCommand(import->backup, std::cout, std::cerr, [&]() -> std::optional<int> {
            if (auto reply = sendToRunningInstance({InstanceRequest::Kind::importBackup, path, {}},
                                                   importTimeout))
                return printed(*reply);
            return std::nullopt;
        });
    }
    if (const auto* paste = std::get_if<CommandLine::Paste>(&command)) {
        if (auto reply = sendToRunningInstance(
                {InstanceRequest::Kind::paste, paste->snippet, paste->values}, requestTimeout))
            return printed(*reply);
        std::cerr << "quillo: Quillo isn't running, so there is nothing to paste with.\n";
        return 1;
    }
    return CommandLine::run(command, QUILLO_VERSION, std::cout, std::cerr);
}

int runCommandAndFlush(const CommandLine::Command& command) {
    const int status = runCommand(command);
    std::cout.flush();
    if (!std::cout) {
        // Output that went nowhere (a full disk) must not pass for success.
        std::cerr << "quillo: couldn't write the output\n";
        return 1;
    }
    return status;
}

InstanceRequest requestOf(const std::vector<std::string>& arguments) {
    if (StartUp::opensPicker(arguments)) {
        // The desktop's focus token lets the running program bring its picker to the front.
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        return {InstanceRequest::Kind::picker, token ? token : "", {}};
    }
    if (StartUp::opensSettings(arguments))
        return {InstanceRequest::Kind::settings, "", {}};
    return {InstanceRequest::Kind::show, "", {}};
}

/// Becomes the desktop program, with the same arguments; returns only when it can't.
int startDesktop(char** argv) {
    const std::string desktop =
        ProgramFiles::desktopProgramFor(ProgramFiles::runningProgram()).string();
    argv[0] = const_cast<char*>(desktop.c_str());
    ::execv(desktop.c_str(), argv);
    std::cerr << "Quillo: couldn't start its desktop program " << desktop << ": "
              << std::strerror(errno) << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (const std::optional<CommandLine::Command> command = CommandLine::parse(arguments))
        return runCommandAndFlush(*command);

    // A key binding runs `quillo --picker` on every press: the running program takes it
    // before anything else is loaded.
    if (const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
        const auto* problem = std::get_if<std::string>(&path)) {
        std::cerr << "Quillo: " << *problem << '\n';
        return 1;
    }
    if (std::optional<InstanceReply> reply =
            sendToRunningInstance(requestOf(arguments), requestTimeout))
        return printed(*reply);
    return startDesktop(argv);
}
