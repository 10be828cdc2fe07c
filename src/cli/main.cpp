// The quillo command. It answers what needs neither the library nor a window (help,
// version, usage errors) and hands requests to a running Quillo (paste, show the picker,
// the library, the settings) with nothing but the C++ library loaded. The library's modes
// become quillo-commands; a window wanted while no Quillo runs loads the desktop module.
#include "core/app/CommandLine.h"
#include "core/app/InstanceClient.h"
#include "core/app/StartOptions.h"
#include "core/platform/InstanceSocket.h"
#include "core/platform/ProgramFiles.h"
#include "core/util/Translation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillo;
using namespace std::chrono_literals;

int printed(const InstanceReply& reply) {
    return printReply(reply, std::cout, std::cerr);
}

/// Runs `program` in this process, with these arguments; returns only when it can't.
int become(const std::filesystem::path& program, char** argv) {
    const std::string path = program.string();
    argv[0] = const_cast<char*>(path.c_str());
    ::execv(path.c_str(), argv);
    std::cerr << fill(i18n("quillo: couldn't start {program}: {reason}"),
                      {{"program", path}, {"reason", std::strerror(errno)}})
              << '\n';
    return 1;
}

/// Loads the desktop module and runs it in this process, so the desktop sees the program
/// its entry names. Returns the program's exit status.
int runDesktop(int argc, char** argv) {
    const std::string module =
        ProgramFiles::desktopModuleFor(ProgramFiles::runningProgram()).string();
    void* loaded = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded == nullptr) {
        std::cerr << fill(i18n("Quillo: couldn't load its desktop program: {reason}"),
                          {{"reason", ::dlerror()}})
                  << '\n';
        return 1;
    }
    using Main = int (*)(int, char**);
    const auto desktopMain = reinterpret_cast<Main>(::dlsym(loaded, "quillo_desktop_main"));
    if (desktopMain == nullptr) {
        std::cerr << fill(i18n("Quillo: {module} isn't its desktop program."), {{"module", module}})
                  << '\n';
        return 1;
    }
    return desktopMain(argc, argv);
}

/// A command-line mode. Those that need the library run in quillo-commands, so that the
/// others start without loading its code.
int runCommand(const CommandLine::Command& command, char** argv) {
    const std::filesystem::path self = ProgramFiles::runningProgram();
    if (CommandLine::needsLibrary(command))
        return become(ProgramFiles::libraryCommandsFor(self), argv);
    if (const auto* paste = std::get_if<CommandLine::Paste>(&command)) {
        if (auto reply = sendToRunningInstance(
                {InstanceRequest::Kind::paste, paste->snippet, paste->values}, requestTimeout))
            return printed(*reply);
        std::cerr << i18n("quillo: Quillo isn't running, so there is nothing to paste with.")
                  << '\n';
        return 1;
    }
    return CommandLine::outputWritten(
        *CommandLine::runWithoutLibrary(command, QUILLO_VERSION, std::cout, std::cerr), std::cout,
        std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    Translation::setUp(ProgramFiles::catalogsFor(ProgramFiles::runningProgram()));
    const std::vector<std::string> arguments(argv, argv + argc);
    if (const std::optional<CommandLine::Command> command = CommandLine::parse(arguments))
        return runCommand(*command, argv);

    // A key binding runs `quillo --picker` on every press: the running program takes it
    // before anything else is loaded.
    if (const auto path = instanceSocketPath(SocketFolders::ofEnvironment());
        const auto* problem = std::get_if<std::string>(&path)) {
        std::cerr << "Quillo: " << *problem << '\n';
        return 1;
    }
    if (std::optional<InstanceReply> reply =
            sendToRunningInstance(StartUp::requestOf(arguments), requestTimeout))
        return printed(*reply);
    return runDesktop(argc, argv);
}
