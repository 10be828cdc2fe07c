#include "ProgramFiles.h"

#include <system_error>

namespace quillo::ProgramFiles {

namespace {

constexpr const char* commandName = "quillo";
constexpr const char* desktopName = "quillo-desktop";

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::filesystem::path helperFor(const std::filesystem::path& command, const char* name) {
    const std::filesystem::path folder = command.parent_path();
    if (std::filesystem::path beside = folder / name; isFile(beside))
        return beside;
    return (folder / QUILLO_INSTALLED_BIN_TO_LIBEXEC / "quillo" / name).lexically_normal();
}

} // namespace

std::filesystem::path runningProgram() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(commandName) : self;
}

std::filesystem::path desktopProgramFor(const std::filesystem::path& command) {
    return helperFor(command, desktopName);
}

std::filesystem::path libraryCommandsFor(const std::filesystem::path& command) {
    return helperFor(command, "quillo-commands");
}

std::filesystem::path commandFor(const std::filesystem::path& desktop) {
    const std::filesystem::path folder = desktop.parent_path();
    if (std::filesystem::path beside = folder / commandName; isFile(beside))
        return beside;
    return (folder / ".." / QUILLO_INSTALLED_LIBEXEC_TO_BIN / commandName).lexically_normal();
}

} // namespace quillo::ProgramFiles
