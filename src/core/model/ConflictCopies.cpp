#include "ConflictCopies.h"

#include "core/util/Files.h"

#include <algorithm>

namespace quillo::ConflictCopies {

bool isConflictCopy(std::string_view name) {
    if (!name.ends_with(".json"))
        return false;
    if (name.starts_with("library.sync-conflict-")) // Syncthing
        return true;
    if (name.starts_with("library_conflict-")) // ownCloud
        return true;
    // Dropbox and Nextcloud
    return name.starts_with("library (") && name.ends_with(").json") &&
           name.find("conflicted copy") != std::string_view::npos;
}

std::vector<std::filesystem::path> in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> copies;
    try {
        for (const std::filesystem::path& entry : Files::list(folder))
            if (isConflictCopy(entry.filename().string()))
                copies.push_back(entry);
    } catch (const FileError&) {
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

} // namespace quillo::ConflictCopies
