#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <variant>

namespace quillo {

/// The folders the running program's socket may live in.
struct SocketFolders {
    /// $XDG_RUNTIME_DIR, which the login session makes for the user alone; absent when unset.
    std::optional<std::filesystem::path> runtimeFolder;
    /// $XDG_CACHE_HOME or ~/.cache: the fallback holds a folder "Quillo" of the user's own.
    std::filesystem::path cacheFolder;
    /// The folder of the library, which names the socket: one program per library.
    std::filesystem::path dataFolder;
    uid_t user = 0;

    /// As this process's environment gives them.
    static SocketFolders ofEnvironment();
};

/// A sentence saying why `folder` is no place for the socket: it is missing, a symbolic
/// link, not a folder, another user's, or open to other users. Absent when it is fine.
std::optional<std::string> privateFolderProblem(const std::filesystem::path& folder, uid_t user);

/// The socket's path, or a sentence saying why there is none: in the runtime folder when
/// there is one, else in the cache's "Quillo" folder (made for the user alone), each checked
/// with privateFolderProblem; a path longer than a socket's 107 bytes is refused too.
std::variant<std::filesystem::path, std::string> instanceSocketPath(const SocketFolders& folders);

} // namespace quillo
