#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace quillo::ConflictCopies {

/// True when `fileName` is a copy that a sync tool left beside "library.json" after two
/// machines changed it at once: Syncthing's "library.sync-conflict-….json", Dropbox's
/// "library (… conflicted copy ….json" and Nextcloud's "library (conflicted copy ….json";
/// also the program's own "library (Quillo conflicted copy ….json", a version someone else
/// wrote while a save was under way that couldn't go back in its place.
bool isConflictCopy(std::string_view fileName);

/// The conflict copies in `folder`, by name; none when it can't be listed.
std::vector<std::filesystem::path> in(const std::filesystem::path& folder);

} // namespace quillo::ConflictCopies
