#pragma once

#include "core/platform/FolderWatcher.h"

#include <memory>

namespace quillo {

/// Watches folders with one inotify instance, read on the main thread when the kernel has
/// something to say. A single watch on the folder sees files written in place as well as
/// files replaced by renaming, where QFileSystemWatcher misses one or loses the other.
/// Where inotify can't be had (limits reached), watches are made but never report.
class InotifyFolderWatcher final : public FolderWatcher {
public:
    InotifyFolderWatcher();
    ~InotifyFolderWatcher() override;
    InotifyFolderWatcher(const InotifyFolderWatcher&) = delete;
    InotifyFolderWatcher& operator=(const InotifyFolderWatcher&) = delete;

    std::unique_ptr<FolderWatch> watch(const std::filesystem::path& folder,
                                       Changed changed) override;

private:
    class Hub;
    class Watch;

    // Shared so a watch dropped after the watcher, or a report that drops the watcher,
    // finds it gone or still whole.
    std::shared_ptr<Hub> hub_;
};

} // namespace quillo
