#pragma once

#include "Deletion.h"
#include "LibraryFile.h"
#include "LibraryMerge.h"
#include "Snippet.h"
#include "core/platform/Clock.h"
#include "core/platform/FolderWatcher.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"
#include "core/util/FileLock.h"
#include "core/util/Files.h"
#include "core/util/ObserverList.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quillo {

/// What the library needs from the world around it.
struct LibraryEnvironment {
    Clock& clock;
    Scheduler& scheduler;
    Log& log;
    /// The per-user data folder that holds the "Quillo" folder (and the legacy
    /// "Stock Answers" folder of older versions).
    std::filesystem::path dataFolder;
    /// Reports changes to the library's folder, so that changes made outside the program
    /// are taken in; none: they are found at the next save.
    FolderWatcher* watcher = nullptr;
};

/// The one store of snippets and groups, with its file on disk.
///
/// Every change is saved 0.4 s after the last of a burst of changes; the first save of a
/// day also keeps a dated backup. Observers are told after every change. Main thread only.
///
/// The file belongs to the user too: an editor, a script or a sync tool may change it while
/// the program runs. Such a change is taken in (merged with the program's own unsaved
/// changes), a file that doesn't read is never saved over, and conflict copies that sync
/// tools leave beside it are offered for merging.
class Library {
public:
    using SnippetIDs = std::unordered_set<Uuid>;
    using ObserverID = ObserverList::ID;

    /// A persistent library moves the legacy folder in (once) and loads its file before
    /// returning; one that is not persistent lives in memory and never touches the disk.
    explicit Library(const LibraryEnvironment& environment, bool persistent = true);
    /// A library in memory holding exactly the file's groups and snippets, duplicates
    /// included: it never saves, migrates or moves anything.
    Library(const LibraryEnvironment& environment, LibraryFile contents);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    /// Sets what the shared library is made with; call once, before the first `shared()`.
    static void configureShared(const LibraryEnvironment& environment);
    /// The program's library, made (persistent) on first use.
    static Library& shared();

    /// Makes this process the one writer of the library in `dataFolder` for as long as it
    /// keeps the lock; absent while another process is. The new writer then removes the
    /// temporary files that saves killed midway left in the library's folder and backups:
    /// only with no other writer are they surely nobody's save in progress. Take it before
    /// making a persistent library. Throws FileError when the lock can't be made.
    static std::optional<FileLock> takeWriterLock(const std::filesystem::path& dataFolder);

    // ---- Where it lives

    /// The library's folder, "Quillo" in the data folder.
    std::filesystem::path folderURL() const;
    /// The library file, "library.json" in the library's folder.
    std::filesystem::path fileURL() const;
    /// The daily backups, "Backups" in the library's folder.
    std::filesystem::path backupsURL() const;
    /// The folder older versions used, "Stock Answers" beside the library's folder.
    std::filesystem::path legacyFolderURL() const;

    // ---- State

    /// All groups, in display order.
    const std::vector<SnippetGroup>& groups() const { return groups_; }
    /// All snippets, in insertion order (views sort for themselves).
    const std::vector<Snippet>& snippets() const { return snippets_; }
    /// A sentence for the user about a problem with the library's file, if any.
    const std::optional<std::string>& problem() const { return problem_; }
    void setProblem(std::optional<std::string> problem);
    /// The deletion that can still be undone.
    const std::optional<Deletion>& lastDeletion() const { return lastDeletion_; }
    /// Forgets the undo record (the undo banner's dismiss button).
    void dismissDeletion();

    // ---- Saving

    /// Saves 0.4 s from now, replacing any save already waiting.
    void scheduleSave();
    /// Saves at once, unless the library is in memory only or saving is blocked.
    void saveNow();
    /// True when changes can't reach the file: saving is blocked (the file could neither
    /// be read nor set aside) or the last save failed.
    bool savesBlocked() const;

    // ---- Changes made outside the program

    /// Looks at the file and takes in a change someone else made to it: as it is when the
    /// library has no unsaved changes, else merged with them and saved. The watcher's
    /// reports lead here, and so does every save.
    void takeOutsideChanges();
    /// Set while the file was changed outside the program and can't be read: why, as the
    /// reader said it. Saves wait meanwhile (`problem` says so); the file reading again
    /// ends it.
    const std::optional<std::string>& unreadableChange() const { return unreadableChange_; }
    /// Sets the file that can't be read aside, as loading does, and saves the library.
    void useOwnCopy();
    /// The conflict copies sync tools left beside the file, by name.
    const std::vector<std::filesystem::path>& conflictCopies() const { return conflictCopies_; }
    /// Merges a conflict copy in as an import does (no duplicates), then moves it into the
    /// backups so it isn't offered again. Returns why it couldn't, as a sentence.
    std::optional<std::string> mergeConflictCopy(const std::filesystem::path& copy);
    /// Saves at quitting. A file that can't be read is set aside first, so that the next
    /// start finds the library rather than setting it aside and starting empty.
    void saveBeforeQuit();

    // ---- Look-ups

    /// The first snippet with that id; null when the id is absent or matches nothing.
    /// The pointer is good until the next change.
    const Snippet* snippet(std::optional<Uuid> id) const;
    /// The first group with that id; null when the id is absent or matches nothing.
    const SnippetGroup* group(std::optional<Uuid> id) const;
    /// The name of the snippet's group, or "Ungrouped".
    std::string groupName(const Snippet& snippet) const;

    // ---- Changes

    /// A new empty rich snippet named "New Snippet", appended.
    Snippet addSnippet(std::optional<Uuid> groupID);
    /// A copy named "<name> copy", appended; absent when the id matches nothing.
    std::optional<Snippet> duplicate(Uuid id);
    /// Stores the snippet with a new `modified`, unless nothing changed.
    void update(const Snippet& snippet);
    /// Puts the snippets into the group (absent: ungrouped).
    void move(const SnippetIDs& ids, std::optional<Uuid> groupID);
    /// Deletes the snippets, keeping them for undo.
    void deleteSnippets(const SnippetIDs& ids);
    /// A new group with exactly that name, appended.
    SnippetGroup addGroup(std::string name);
    void renameGroup(Uuid id, std::string name);
    /// Deletes the group, keeping it for undo; its snippets stay, ungrouped.
    void deleteGroup(Uuid id);
    /// Counts one use of the snippet, now.
    void recordUse(Uuid id);
    /// Adds imported groups and snippets, joining groups by name (ignoring case) and
    /// skipping snippets the library already has. Returns how many snippets were added.
    std::size_t merge(const std::vector<SnippetGroup>& groups,
                      const std::vector<Snippet>& snippets);
    /// Undoes the last deletion; returns the ids of the snippets put back.
    SnippetIDs undoDeletion();

    // ---- Observation

    /// Grows by one with every change of groups, snippets, problem or undo record.
    std::uint64_t revision() const { return revision_; }
    /// Calls `observer` after every change until it is removed.
    ObserverID addObserver(std::function<void()> observer) {
        return observers_.add(std::move(observer));
    }
    void removeObserver(ObserverID id) { observers_.remove(id); }

private:
    /// What the program last read from the file or wrote to it.
    struct KnownFile {
        std::optional<FileStamp> stamp;
        std::optional<std::uint64_t> contentHash;
        LibraryFingerprints records;
    };

    std::optional<std::string> migrateLegacyFolder();
    void load();
    void watchFolder();
    /// True when it took a change in and merged it with unsaved changes.
    bool takeInFile();
    /// True when `found` (absent: no file) is the file as the program last read or wrote it.
    bool isKnownVersion(const std::optional<std::filesystem::path>& found) const;
    void takeIn(LibraryFile theirs, std::uint64_t contentHash);
    void forgetDeletionIfBack();
    static std::string unreadableMessage(const std::string& reason);
    void markUnreadable(const std::string& reason);
    void clearUnreadable();
    void findConflictCopies();
    void write();
    void writeBackup(const std::string& bytes);
    void changed();

    Clock& clock_;
    Scheduler& scheduler_;
    Log& log_;
    std::filesystem::path dataFolder_;

    std::vector<SnippetGroup> groups_;
    std::vector<Snippet> snippets_;
    std::optional<std::string> problem_;
    // The problem a failed save reported, while it is the one shown: the next save clears it.
    std::optional<std::string> saveFailure_;
    std::optional<Deletion> lastDeletion_;
    ScheduledTask saveTask_;
    bool blockSaves_ = false;
    bool persistent_;
    bool unsaved_ = false;

    FolderWatcher* watcher_;
    std::unique_ptr<FolderWatch> watch_;
    ScheduledTask checkTask_;
    KnownFile known_;
    std::optional<std::string> unreadableChange_;
    std::vector<std::filesystem::path> conflictCopies_;

    std::uint64_t revision_ = 0;
    ObserverList observers_;
};

} // namespace quillo
