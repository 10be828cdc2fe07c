// The quillo command's modes that read or write the library, run by quillo with its own
// arguments. An import goes to a running Quillo when there is one, so that only one
// process ever writes the library.
#include "core/app/CommandLine.h"
#include "core/app/ImportCommand.h"
#include "core/app/InstanceClient.h"
#include "core/platform/ProgramFiles.h"
#include "core/util/Translation.h"

#include <filesystem>
#include <iostream>
#include <malloc.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quillo;
using namespace std::chrono_literals;

// Importing a large backup takes a while.
constexpr auto importTimeout = 600s;

int runCommand(const CommandLine::Command& command) {
    if (const auto* import = std::get_if<CommandLine::ImportBackup>(&command)) {
        const std::string path = std::filesystem::absolute(import->backup).string();
        return runImportCommand(import->backup, std::cout, std::cerr, [&]() -> std::optional<int> {
            if (auto reply = sendToRunningInstance({InstanceRequest::Kind::importBackup, path, {}},
                                                   importTimeout))
                return printReply(*reply, std::cout, std::cerr);
            return std::nullopt;
        });
    }
    return CommandLine::run(command, QUILLO_VERSION, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    // A mode reads the whole library file, then builds many small records from it. With
    // blocks as large as the file taken from the heap, the records reuse the file's memory
    // once it is parsed, instead of the kernel clearing fresh pages for them.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    Translation::setUp(ProgramFiles::catalogsFor(ProgramFiles::runningProgram()));
    const std::optional<CommandLine::Command> command =
        CommandLine::parse(std::vector<std::string>(argv, argv + argc));
    if (!command) {
        std::cerr << i18n("quillo-commands: no command-line mode was given; run quillo instead.")
                  << '\n';
        return 2;
    }
    return CommandLine::outputWritten(runCommand(*command), std::cout, std::cerr);
}
