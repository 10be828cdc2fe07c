#include "InstanceSocket.h"

#include "DataFolder.h"
#include "core/util/Translation.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillo {

namespace fs = std::filesystem;

namespace {

// A name from the library's folder that every build computes alike (FNV-1a).
std::string folderDigest(const fs::path& folder) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char c : folder.string()) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

SocketFolders SocketFolders::ofEnvironment() {
    SocketFolders folders;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        folders.runtimeFolder = fs::path(runtime);
    const char* cache = std::getenv("XDG_CACHE_HOME");
    folders.cacheFolder = cache && *cache && fs::path(cache).is_absolute()
                              ? fs::path(cache)
                              : userHomeFolder() / ".cache";
    folders.dataFolder = userDataFolder();
    folders.user = ::getuid();
    return folders;
}

std::optional<std::string> privateFolderProblem(const fs::path& folder, uid_t user) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return fill(i18n("the folder “{folder}” doesn't exist"), {{"folder", folder.string()}});
    if (S_ISLNK(info.st_mode))
        return fill(i18n("the folder “{folder}” is a symbolic link"),
                    {{"folder", folder.string()}});
    if (!S_ISDIR(info.st_mode))
        return fill(i18n("“{folder}” isn't a folder"), {{"folder", folder.string()}});
    if (info.st_uid != user)
        return fill(i18n("the folder “{folder}” belongs to another user"),
                    {{"folder", folder.string()}});
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return fill(i18n("the folder “{folder}” is open to other users"),
                    {{"folder", folder.string()}});
    return std::nullopt;
}

std::variant<fs::path, std::string> instanceSocketPath(const SocketFolders& folders) {
    fs::path folder;
    if (folders.runtimeFolder) {
        folder = *folders.runtimeFolder;
    } else {
        folder = folders.cacheFolder / "Quillo";
        std::error_code ignored;
        fs::create_directories(folders.cacheFolder, ignored);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return fill(i18n("the folder “{folder}” couldn't be made"),
                        {{"folder", folder.string()}});
    }
    if (std::optional<std::string> problem = privateFolderProblem(folder, folders.user))
        // TRANSLATORS: {problem} is one of the "the folder … is …" texts.
        return fill(i18n("Quillo's socket can't go in a folder other users can reach, and "
                         "{problem}."),
                    {{"problem", *problem}});
    const fs::path socket = folder / ("quillo-" + folderDigest(folders.dataFolder));
    constexpr std::size_t longest = sizeof(sockaddr_un::sun_path) - 1;
    if (socket.string().size() > longest)
        return fill(i18n("the socket's path “{path}” is {size} bytes long, more than the "
                         "{longest} a socket's path can have."),
                    {{"path", socket.string()},
                     {"size", std::to_string(socket.string().size())},
                     {"longest", std::to_string(longest)}});
    return socket;
}

} // namespace quillo
