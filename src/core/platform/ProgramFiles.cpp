#include "ProgramFiles.h"

#include <system_error>

namespace quillo::ProgramFiles {

namespace {

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Beside the command in the build tree, else where it is installed relative to it.
std::filesystem::path partFor(const std::filesystem::path& command, const char* name,
                              const std::filesystem::path& installedFolder) {
    const std::filesystem::path folder = command.parent_path();
    if (std::filesystem::path beside = folder / name; isFile(beside))
        return beside;
    return (folder / installedFolder / "quillo" / name).lexically_normal();
}

} // namespace

std::filesystem::path runningProgram() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path("quillo") : self;
}

std::filesystem::path desktopModuleFor(const std::filesystem::path& command) {
    return partFor(command, "quillo-desktop.so", QUILLO_INSTALLED_BIN_TO_LIBDIR);
}

std::filesystem::path libraryCommandsFor(const std::filesystem::path& command) {
    return partFor(command, "quillo-commands", QUILLO_INSTALLED_BIN_TO_LIBEXEC);
}

std::filesystem::path catalogsFor(const std::filesystem::path& program) {
    const std::filesystem::path folder = program.parent_path();
    std::error_code error;
    if (std::filesystem::path beside = folder / "locale";
        std::filesystem::is_directory(beside, error))
        return beside;
    const bool inLibexec = program.filename() == "quillo-commands";
    return (folder /
            (inLibexec ? QUILLO_INSTALLED_LIBEXEC_TO_LOCALE : QUILLO_INSTALLED_BIN_TO_LOCALE))
        .lexically_normal();
}

} // namespace quillo::ProgramFiles
