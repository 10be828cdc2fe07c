#pragma once

#include "core/platform/FolderWatcher.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace quillo::testing {

/// A folder watcher that reports a change only when the test says so.
class FakeFolderWatcher final : public FolderWatcher {
public:
    std::unique_ptr<FolderWatch> watch(const std::filesystem::path& folder,
                                       Changed changed) override {
        auto watch = std::make_unique<Watch>(*this);
        watches_.push_back({folder, std::move(changed), watch.get()});
        return watch;
    }

    /// Reports a change in every folder still watched.
    void reportChange() {
        const std::vector<Entry> watches = watches_; // a report may change the watches
        for (const Entry& entry : watches)
            entry.changed();
    }

    std::vector<std::filesystem::path> folders() const {
        std::vector<std::filesystem::path> folders;
        for (const Entry& entry : watches_)
            folders.push_back(entry.folder);
        return folders;
    }

private:
    struct Watch final : FolderWatch {
        explicit Watch(FakeFolderWatcher& watcher) : owner(watcher) {}
        ~Watch() override {
            std::erase_if(owner.watches_, [this](const Entry& e) { return e.watch == this; });
        }
        FakeFolderWatcher& owner;
    };
    struct Entry {
        std::filesystem::path folder;
        Changed changed;
        const Watch* watch;
    };

    std::vector<Entry> watches_;
};

} // namespace quillo::testing
