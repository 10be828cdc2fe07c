#include "InotifyFolderWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quillo {
namespace {

// The same mask for every inotify watch, on a folder or on an ancestor waiting for it:
// inotify keeps one watch per directory and instance, so two of ours may share one, and a
// narrower mask for one would narrow it for the other.
constexpr std::uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                    IN_ONLYDIR;
// The watched directory itself went away, or is no longer at its path.
constexpr std::uint32_t goneMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

struct Event {
    int descriptor;
    std::uint32_t mask;
    std::string name;
};

struct WatchedFolder {
    std::filesystem::path folder;
    FolderWatcher::Changed changed;
    int descriptor = -1;
    // Else the descriptor is on an ancestor, waiting for the entry `awaited` to appear.
    bool onFolder = false;
    std::string awaited;
    bool dropped = false;
};

std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
    if (!path.has_filename()) // a trailing slash
        path = path.parent_path();
    return path;
}

} // namespace

class InotifyFolderWatcher::Hub {
public:
    ~Hub() {
        notifier_.reset(); // before its descriptor closes
        if (fd_ >= 0)
            close(fd_);
    }

    /// Whether inotify is up; tried again on each new watch while it isn't.
    bool start(const std::weak_ptr<Hub>& self) {
        if (fd_ >= 0)
            return true;
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0)
            return false;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [self] {
            // Held for the whole dispatch: a report may drop the watcher.
            if (const std::shared_ptr<Hub> hub = self.lock())
                hub->dispatch();
        });
        return true;
    }

    std::shared_ptr<WatchedFolder> add(const std::filesystem::path& folder, Changed changed) {
        auto entry = std::make_shared<WatchedFolder>();
        entry->folder = absoluteFolder(folder);
        entry->changed = std::move(changed);
        arm(*entry);
        folders_.push_back(entry);
        return entry;
    }

    void remove(WatchedFolder& entry) {
        entry.dropped = true;
        disarm(entry);
        std::erase_if(folders_, [&](const auto& folder) { return folder.get() == &entry; });
    }

private:
    /// A descriptor for the directory, or minus the error.
    int addWatch(const std::filesystem::path& directory) {
        const int descriptor = inotify_add_watch(fd_, directory.c_str(), watchMask);
        if (descriptor < 0)
            return -errno;
        ++users_[descriptor];
        return descriptor;
    }

    void releaseWatch(int descriptor) {
        const auto user = users_.find(descriptor);
        if (user == users_.end() || --user->second > 0)
            return;
        users_.erase(user);
        // Fails harmlessly where the kernel already dropped it with its directory.
        inotify_rm_watch(fd_, descriptor);
    }

    /// Watches the folder, or while it is missing its nearest existing ancestor.
    void arm(WatchedFolder& entry) {
        // A folder made between the failed try and watching its parent would go unseen:
        // look for it once more after.
        for (int attempt = 0; attempt < 3; ++attempt) {
            std::filesystem::path target = entry.folder;
            std::string child;
            int descriptor = addWatch(target);
            while ((descriptor == -ENOENT || descriptor == -ENOTDIR) &&
                   target.has_relative_path()) {
                child = target.filename().string();
                target = target.parent_path();
                descriptor = addWatch(target);
            }
            if (descriptor < 0)
                return; // out of watches, not allowed in: this folder stays silent
            entry.descriptor = descriptor;
            entry.onFolder = child.empty();
            entry.awaited = child;
            std::error_code error;
            if (entry.onFolder || !std::filesystem::is_directory(target / child, error))
                return;
            disarm(entry);
        }
    }

    void disarm(WatchedFolder& entry) {
        if (entry.descriptor >= 0)
            releaseWatch(entry.descriptor);
        entry.descriptor = -1;
        entry.onFolder = false;
    }

    std::vector<Event> readEvents() const {
        std::vector<Event> events;
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            if (length < 0 && errno == EINTR)
                continue;
            if (length <= 0)
                return events; // EAGAIN: nothing more pending
            const auto end = static_cast<std::size_t>(length);
            for (std::size_t offset = 0; offset + sizeof(inotify_event) <= end;) {
                inotify_event header;
                std::memcpy(&header, buffer + offset, sizeof header);
                const char* name = buffer + offset + sizeof header;
                events.push_back(
                    {header.wd, header.mask, std::string(name, strnlen(name, header.len))});
                offset += sizeof header + header.len;
            }
        }
    }

    void dispatch() {
        const std::vector<Event> events = readEvents();
        bool overflowed = false;
        for (const Event& event : events)
            overflowed = overflowed || (event.mask & IN_Q_OVERFLOW);

        // Rearming calls nothing of the caller's, so the list holds still here.
        std::vector<std::shared_ptr<WatchedFolder>> toReport;
        for (const std::shared_ptr<WatchedFolder>& entry : folders_) {
            // Lost events may have hidden the folder's removal: look again.
            bool touched = overflowed;
            bool gone = overflowed;
            bool awaitedCame = false;
            for (const Event& event : events) {
                if (event.descriptor != entry->descriptor || entry->descriptor < 0)
                    continue;
                touched = true;
                gone = gone || (event.mask & goneMask);
                awaitedCame = awaitedCame || ((event.mask & (IN_CREATE | IN_MOVED_TO)) &&
                                              event.name == entry->awaited);
            }
            const bool wasOnFolder = entry->onFolder;
            if (gone || (!wasOnFolder && awaitedCame)) {
                disarm(*entry);
                arm(*entry);
            }
            if ((wasOnFolder && touched) || (!wasOnFolder && entry->onFolder))
                toReport.push_back(entry);
        }
        // A report may drop any watch, its own too, or add new ones.
        for (const std::shared_ptr<WatchedFolder>& entry : toReport)
            if (!entry->dropped)
                entry->changed();
    }

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::shared_ptr<WatchedFolder>> folders_;
    std::map<int, int> users_; // inotify watch descriptor → folders of ours on it
};

class InotifyFolderWatcher::Watch final : public FolderWatch {
public:
    Watch(std::weak_ptr<Hub> hub, std::shared_ptr<WatchedFolder> entry)
        : hub_(std::move(hub)), entry_(std::move(entry)) {}
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch() override {
        if (const std::shared_ptr<Hub> hub = hub_.lock(); hub && entry_)
            hub->remove(*entry_);
    }

private:
    std::weak_ptr<Hub> hub_;
    std::shared_ptr<WatchedFolder> entry_;
};

InotifyFolderWatcher::InotifyFolderWatcher() : hub_(std::make_shared<Hub>()) {}

InotifyFolderWatcher::~InotifyFolderWatcher() = default;

std::unique_ptr<FolderWatch> InotifyFolderWatcher::watch(const std::filesystem::path& folder,
                                                         Changed changed) {
    if (!hub_->start(hub_))
        return std::make_unique<Watch>(hub_, nullptr);
    return std::make_unique<Watch>(hub_, hub_->add(folder, std::move(changed)));
}

} // namespace quillo
