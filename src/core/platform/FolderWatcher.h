#pragma once

#include <filesystem>
#include <functional>
#include <memory>

namespace quillo {

/// A watch on a folder; dropping it ends the watch.
class FolderWatch {
public:
    virtual ~FolderWatch() = default;
};

/// Tells when something in a folder may have changed: an entry made, removed or renamed,
/// or a file in it written to. Reports come on the main thread, may be spurious and come
/// in bursts, so the receiver looks for itself what changed.
class FolderWatcher {
public:
    using Changed = std::function<void()>;

    virtual ~FolderWatcher() = default;
    /// Watches `folder` for as long as the returned watch lives. A folder that doesn't
    /// exist yet is watched from when it appears, and one that is removed or renamed is
    /// watched again if it comes back; each of these is reported as a change too.
    virtual std::unique_ptr<FolderWatch> watch(const std::filesystem::path& folder,
                                               Changed changed) = 0;
};

} // namespace quillo
