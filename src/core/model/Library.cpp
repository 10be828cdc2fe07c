#include "Library.h"

#include "ConflictCopies.h"
#include "LibraryFile.h"
#include "core/util/DateText.h"
#include "core/util/Files.h"
#include "core/util/Translation.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace quillo {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds saveDelay{400};
// From the first report of a change in the folder to looking at the file: a write in two
// steps (an editor's) or by renaming (a sync tool's) is over by then.
constexpr std::chrono::milliseconds outsideChangeDelay{200};
constexpr std::size_t backupsKept = 14;

fs::path libraryFolderIn(const fs::path& dataFolder) {
    return dataFolder / "Quillo";
}

fs::path backupsFolderIn(const fs::path& dataFolder) {
    return libraryFolderIn(dataFolder) / "Backups";
}

constexpr std::string_view libraryFileName = "library.json";

// Removes the files in `folder` that are temporaries of writes of files `ours` accepts.
void removeTemporaries(const fs::path& folder, bool (*ours)(std::string_view target)) {
    std::vector<fs::path> entries;
    try {
        entries = Files::list(folder);
    } catch (const FileError&) {
        return; // no folder, no leftovers
    }
    for (const fs::path& entry : entries) {
        const std::optional<std::string> target = Files::temporaryTarget(entry.filename().string());
        std::error_code error;
        if (!target || !ours(*target) || !fs::is_regular_file(fs::symlink_status(entry, error)))
            continue;
        try {
            Files::remove(entry);
        } catch (const FileError&) {
        }
    }
}

std::uint64_t contentHash(std::string_view bytes) {
    return std::hash<std::string_view>{}(bytes);
}

std::string setAsideMessage(const std::string& asideName) {
    return fill(i18n("Your library file couldn't be read, so it was set aside as “{name}”. Daily "
                     "backups are in the Backups folder next to it."),
                {{"name", asideName}});
}

// A name in `folder` of `stem` and `suffix` that nothing has yet, numbered from 2 when needed.
fs::path freeName(const fs::path& folder, const std::string& stem, const std::string& suffix) {
    fs::path candidate = folder / (stem + suffix);
    for (int n = 2; Files::exists(candidate); ++n)
        candidate = folder / (stem + " " + std::to_string(n) + suffix);
    return candidate;
}

// Where a version of the file that would otherwise be lost is kept: a conflict copy, which
// the library window offers to merge.
fs::path conflictCopyName(const fs::path& folder, Date now) {
    return freeName(folder, "library (Quillo conflicted copy " + localDateTimeStamp(now), ").json");
}

// The name a library file that can't be read is set aside under.
std::string unreadableName(Date now) {
    return "library unreadable " + localDateTimeStamp(now) + ".json";
}

// A version a save swapped out and a kill left behind: kept as a conflict copy when it reads
// and isn't the file as it is, since it may be someone else's write.
void keepSwappedOut(const fs::path& folder, const fs::path& file) {
    std::vector<fs::path> entries;
    try {
        entries = Files::list(folder);
    } catch (const FileError&) {
        return;
    }
    for (const fs::path& entry : entries) {
        if (Files::swappedOutTarget(entry.filename().string()) != file.filename().string())
            continue;
        try {
            const std::string bytes = Files::read(entry, LibraryFileCoding::maximumSize);
            LibraryFileCoding::decode(bytes);
            std::string current;
            try {
                current = Files::read(file, LibraryFileCoding::maximumSize);
            } catch (const FileError&) {
            }
            if (bytes != current) {
                Files::move(entry, conflictCopyName(folder, SystemClock().now()));
                continue;
            }
        } catch (const std::exception&) {
        }
        try {
            Files::remove(entry);
        } catch (const FileError&) {
        }
    }
}

std::optional<LibraryEnvironment>& sharedEnvironment() {
    static std::optional<LibraryEnvironment> environment;
    return environment;
}

} // namespace

Library::Library(const LibraryEnvironment& environment, bool persistent)
    : clock_(environment.clock), scheduler_(environment.scheduler), log_(environment.log),
      dataFolder_(environment.dataFolder), persistent_(persistent), watcher_(environment.watcher) {
    if (!persistent_)
        return;
    if (std::optional<std::string> message = migrateLegacyFolder()) {
        problem_ = std::move(message);
        blockSaves_ = true;
        return;
    }
    load();
    if (!blockSaves_) {
        findConflictCopies();
        watchFolder();
    }
}

Library::Library(const LibraryEnvironment& environment, LibraryFile contents)
    : Library(environment, false) {
    groups_ = std::move(contents.groups);
    snippets_ = std::move(contents.snippets);
    for (Snippet& snippet : snippets_)
        snippet.restamp(nullptr);
}

Library::~Library() {
    saveTask_.cancel();
    checkTask_.cancel();
}

void Library::configureShared(const LibraryEnvironment& environment) {
    sharedEnvironment().emplace(environment);
}

Library& Library::shared() {
    // Made once, on first use, and never destroyed: pending work may still refer to it
    // while the program shuts down.
    static Library* const library = [] {
        if (!sharedEnvironment())
            throw std::logic_error("Library::configureShared must be called before shared()");
        return new Library(*sharedEnvironment(), true);
    }();
    return *library;
}

std::optional<FileLock> Library::takeWriterLock(const fs::path& dataFolder) {
    Files::createFolders(dataFolder);
    // Beside the library's folder, not in it: a first start must not make that folder, and
    // the old folder moves in whole only where there is none.
    std::optional<FileLock> lock = FileLock::tryTake(
        dataFolder / ("." + libraryFolderIn(dataFolder).filename().string() + ".lock"));
    if (lock) {
        keepSwappedOut(libraryFolderIn(dataFolder), libraryFolderIn(dataFolder) / libraryFileName);
        removeTemporaries(libraryFolderIn(dataFolder),
                          [](std::string_view target) { return target == libraryFileName; });
        removeTemporaries(backupsFolderIn(dataFolder),
                          [](std::string_view target) { return target.ends_with(".json"); });
    }
    return lock;
}

fs::path Library::folderURL() const {
    return libraryFolderIn(dataFolder_);
}
fs::path Library::fileURL() const {
    return folderURL() / libraryFileName;
}
fs::path Library::backupsURL() const {
    return backupsFolderIn(dataFolder_);
}
fs::path Library::legacyFolderURL() const {
    return dataFolder_ / "Stock Answers";
}

void Library::setProblem(std::optional<std::string> problem) {
    problem_ = std::move(problem);
    changed();
}

void Library::dismissDeletion() {
    lastDeletion_.reset();
    changed();
}

// ---- Start-up

std::optional<std::string> Library::migrateLegacyFolder() {
    if (Files::exists(fileURL()))
        return std::nullopt;
    const fs::path legacy = legacyFolderURL();
    if (!Files::exists(legacy / "library.json"))
        return std::nullopt;
    try {
        if (!Files::exists(folderURL())) {
            // One move brings the backups along.
            Files::move(legacy, folderURL());
            return std::nullopt;
        }
        Files::move(legacy / "library.json", fileURL());
    } catch (const FileError& error) {
        log_.write(std::string("Quillo: couldn't move the old library: ") + error.what());
        return fill(i18n("Your library is still in the old “Stock Answers” folder and couldn't be "
                         "moved ({reason}). Changes won't be saved until it's moved to the Quillo "
                         "folder next to it."),
                    {{"reason", error.what()}});
    }

    // The library file is in; the old backups follow where that doesn't replace anything.
    std::vector<fs::path> oldBackups;
    try {
        oldBackups = Files::list(legacy / "Backups");
    } catch (const FileError&) {
    }
    try {
        Files::createFolders(backupsURL());
    } catch (const FileError&) {
    }
    for (const fs::path& item : oldBackups) {
        const fs::path target = backupsURL() / item.filename();
        if (Files::exists(target))
            continue;
        try {
            Files::move(item, target);
        } catch (const FileError&) {
        }
    }
    return std::nullopt;
}

void Library::load() {
    if (!Files::exists(fileURL()))
        return;
    try {
        FileStamp stamp;
        const std::string bytes = Files::read(fileURL(), LibraryFileCoding::maximumSize, &stamp);
        LibraryFile file = LibraryFileCoding::decode(bytes);
        known_ = {stamp, contentHash(bytes), LibraryFingerprints::of(file.groups, file.snippets)};
        groups_ = std::move(file.groups);
        snippets_ = std::move(file.snippets);
        return;
    } catch (const std::exception& loadError) {
        const std::string asideName = unreadableName(clock_.now());
        try {
            Files::move(fileURL(), folderURL() / asideName);
            problem_ = setAsideMessage(asideName);
        } catch (const FileError&) {
            // Never overwrite a file we could not read and could not move out of the way.
            problem_ = fill(i18n("Your library file couldn't be read ({reason}). Changes won't be "
                                 "saved until it's fixed."),
                            {{"reason", loadError.what()}});
            blockSaves_ = true;
        }
        log_.write(std::string("Quillo: load failed: ") + loadError.what());
    }
}

// ---- Saving

void Library::scheduleSave() {
    saveTask_.cancel();
    if (!persistent_)
        return;
    unsaved_ = true;
    saveTask_ = scheduler_.schedule(saveDelay, [this] {
        // The handle is cancelled in the destructor, so `this` is alive here.
        saveTask_ = {};
        saveNow();
    });
}

bool Library::savesBlocked() const {
    return blockSaves_ || unreadableChange_ || (problem_ && problem_ == saveFailure_);
}

void Library::saveNow() {
    if (!persistent_ || blockSaves_)
        return;
    // What someone else wrote meanwhile is taken in first, never written over.
    takeInFile();
    write();
}

bool Library::isKnownVersion(const std::optional<fs::path>& found) const {
    // Stamps only: the file was last looked at, content and all, just before the save.
    if (!found)
        return !known_.stamp;
    return Files::stamp(*found) == known_.stamp;
}

void Library::write() {
    saveTask_.cancel();
    // Writes that land between the last look and the save are taken in, and the save
    // tried again: a busy writer elsewhere could keep this going, so only a few times.
    constexpr int attempts = 20;
    std::string bytes;
    std::optional<FileStamp> stamp;
    try {
        Files::createFolders(folderURL());
        for (int attempt = 0; attempt < attempts && !stamp; ++attempt) {
            if (attempt > 0)
                takeInFile();
            if (unreadableChange_)
                return; // never over a file that doesn't read
            bytes = LibraryFileCoding::encode(groups_, snippets_);
            stamp = Files::writeAtomicallyOver(
                fileURL(), bytes,
                [this](const std::optional<fs::path>& found) { return isKnownVersion(found); },
                conflictCopyName(folderURL(), clock_.now()));
        }
        if (!stamp)
            throw FileError("the file kept changing while it was being saved");
    } catch (const std::exception& error) {
        problem_ = saveFailure_ =
            fill(i18n("Couldn't save your library ({reason}). Your changes are kept while the app "
                      "is open, and it tries again with your next change."),
                 {{"reason", error.what()}});
        log_.write(std::string("Quillo: save failed: ") + error.what());
        changed();
        return;
    }
    known_ = {*stamp, contentHash(bytes), LibraryFingerprints::of(groups_, snippets_)};
    unsaved_ = false;
    if (problem_ && problem_ == saveFailure_) {
        problem_.reset();
        saveFailure_.reset();
        changed();
    }
    writeBackup(bytes);
}

void Library::writeBackup(const std::string& bytes) {
    // One backup a day: the library as the day's first successful save found it.
    const fs::path backup = backupsURL() / ("library " + localDayStamp(clock_.now()) + ".json");
    if (Files::exists(backup))
        return;
    try {
        Files::createFolders(backupsURL());
    } catch (const FileError&) {
    }
    try {
        Files::writeAtomically(backup, bytes);
    } catch (const FileError&) {
    }

    std::vector<std::string> names;
    try {
        for (const fs::path& item : Files::list(backupsURL()))
            if (item.extension() == ".json")
                names.push_back(item.filename().string());
    } catch (const FileError&) {
        return;
    }
    if (names.size() <= backupsKept)
        return;
    // Dated names sort by date: keep the newest.
    std::sort(names.begin(), names.end(), std::greater<>());
    for (std::size_t i = backupsKept; i < names.size(); ++i) {
        try {
            Files::remove(backupsURL() / names[i]);
        } catch (const FileError&) {
        }
    }
}

// ---- Changes made outside the program

void Library::watchFolder() {
    if (!watcher_)
        return;
    watch_ = watcher_->watch(folderURL(), [this] {
        // Reports come in bursts: one look a moment after the first.
        if (!checkTask_.isCancelled())
            return;
        checkTask_ = scheduler_.schedule(outsideChangeDelay, [this] {
            checkTask_ = {};
            takeOutsideChanges();
        });
    });
}

void Library::takeOutsideChanges() {
    if (!persistent_ || blockSaves_)
        return;
    findConflictCopies();
    if (takeInFile())
        write(); // the file holds the merge at once
}

bool Library::takeInFile() {
    const std::optional<FileStamp> stamp = Files::stamp(fileURL());
    if (stamp == known_.stamp && !(stamp && stamp->isFresh()))
        return false;
    if (!stamp) {
        // Gone (or between the two steps of an editor's save): the library stays as it is,
        // and the next save writes the file again.
        known_.stamp.reset();
        return false;
    }
    std::string bytes;
    FileStamp readStamp;
    try {
        bytes = Files::read(fileURL(), LibraryFileCoding::maximumSize, &readStamp);
    } catch (const FileError& error) {
        // A file that is there but can't be read is kept from being saved over; anything
        // else in its place (a folder, say) the save reports.
        std::error_code ignored;
        if (fs::is_regular_file(fileURL(), ignored))
            markUnreadable(error.what());
        return false;
    }
    known_.stamp = readStamp;
    const std::uint64_t hash = contentHash(bytes);
    if (hash == known_.contentHash) { // what the program wrote or read last
        clearUnreadable();
        return false;
    }
    LibraryFile theirs;
    try {
        theirs = LibraryFileCoding::decode(bytes);
    } catch (const std::exception& error) {
        markUnreadable(error.what());
        return false;
    }
    bytes = {};
    clearUnreadable();
    const bool merging = unsaved_;
    takeIn(std::move(theirs), hash);
    return merging;
}

void Library::takeIn(LibraryFile theirs, std::uint64_t hash) {
    LibraryFingerprints theirRecords = LibraryFingerprints::of(theirs.groups, theirs.snippets);
    const bool merging = unsaved_;
    LibraryFile ours{1, std::move(groups_), std::move(snippets_)};
    LibraryFile taken = merging ? mergeLibraries(known_.records, ours, theirs) : std::move(theirs);
    // What reads the same as before keeps its stamps, so caches keep what they made of it.
    // Most snippets keep their places; the others are looked up by id.
    const std::vector<Snippet>& before = ours.snippets;
    std::unordered_map<Uuid, const Snippet*> byID;
    for (std::size_t i = 0; i < taken.snippets.size(); ++i) {
        Snippet& snippet = taken.snippets[i];
        if (i < before.size() && before[i].id == snippet.id) {
            snippet.restamp(&before[i]);
            continue;
        }
        if (byID.empty())
            for (const Snippet& old : before)
                byID.try_emplace(old.id, &old);
        const auto found = byID.find(snippet.id);
        snippet.restamp(found != byID.end() ? found->second : nullptr);
    }
    groups_ = std::move(taken.groups);
    snippets_ = std::move(taken.snippets);
    known_.contentHash = hash;
    known_.records = std::move(theirRecords);
    forgetDeletionIfBack();
    changed();
    if (merging)
        log_.write("Quillo: merged a change made to the library file outside Quillo");
}

void Library::forgetDeletionIfBack() {
    if (!lastDeletion_)
        return;
    bool back = lastDeletion_->group_ && group(lastDeletion_->group_->group.id);
    if (!back && !lastDeletion_->snippets_.empty()) {
        SnippetIDs present;
        present.reserve(snippets_.size());
        for (const Snippet& snippet : snippets_)
            present.insert(snippet.id);
        back =
            std::any_of(lastDeletion_->snippets_.begin(), lastDeletion_->snippets_.end(),
                        [&](const auto& removed) { return present.contains(removed.snippet.id); });
    }
    if (back)
        lastDeletion_.reset();
}

std::string Library::unreadableMessage(const std::string& reason) {
    // TRANSLATORS: {reason} is a whole sentence that says what is wrong with the file.
    return fill(i18n("Your library file was changed outside Quillo and can't be read: {reason} "
                     "Quillo keeps its own copy and won't save over the file."),
                {{"reason", reason.ends_with('.') ? reason : reason + "."}});
}

void Library::markUnreadable(const std::string& reason) {
    if (reason == unreadableChange_)
        return;
    log_.write("Quillo: the library file changed outside Quillo can't be read: " + reason);
    unreadableChange_ = reason;
    problem_ = unreadableMessage(reason);
    changed();
}

void Library::clearUnreadable() {
    if (!unreadableChange_)
        return;
    if (problem_ == unreadableMessage(*unreadableChange_))
        problem_.reset();
    unreadableChange_.reset();
    changed();
}

void Library::useOwnCopy() {
    if (!unreadableChange_)
        return;
    const std::string asideName = unreadableName(clock_.now());
    try {
        Files::move(fileURL(), folderURL() / asideName);
    } catch (const FileError& error) {
        problem_ = fill(i18n("The library file couldn't be set aside ({reason}). Quillo keeps its "
                             "own copy and won't save over the file."),
                        {{"reason", error.what()}});
        changed();
        return;
    }
    unreadableChange_.reset();
    problem_ = setAsideMessage(asideName);
    known_.stamp.reset();
    changed();
    write();
}

void Library::saveBeforeQuit() {
    if (!persistent_ || blockSaves_)
        return;
    takeInFile();
    if (unreadableChange_)
        useOwnCopy();
    else
        write();
}

void Library::findConflictCopies() {
    std::vector<fs::path> copies = ConflictCopies::in(folderURL());
    if (copies == conflictCopies_)
        return;
    conflictCopies_ = std::move(copies);
    changed();
}

std::optional<std::string> Library::mergeConflictCopy(const fs::path& copy) {
    const std::string name = copy.filename().string();
    LibraryFile contents;
    try {
        contents = LibraryFileCoding::decode(Files::read(copy, LibraryFileCoding::maximumSize));
    } catch (const std::exception& error) {
        return fill(i18n("“{name}” couldn't be merged: {reason}"),
                    {{"name", name}, {"reason", error.what()}});
    }
    // A group the library still has by id is that group, whatever either side renamed it.
    for (SnippetGroup& incoming : contents.groups)
        if (const SnippetGroup* present = group(incoming.id))
            incoming.name = present->name;
    merge(contents.groups, contents.snippets);
    std::optional<std::string> failure;
    try {
        const fs::path folder = backupsURL() / "Conflicted copies";
        Files::createFolders(folder);
        Files::move(copy, freeName(folder, copy.stem().string(), copy.extension().string()));
    } catch (const FileError& error) {
        failure = fill(i18n("“{name}” was merged but couldn't be moved to the Backups folder: "
                            "{reason}"),
                       {{"name", name}, {"reason", error.what()}});
    }
    findConflictCopies();
    return failure;
}

// ---- Observation

void Library::changed() {
    ++revision_;
    observers_.notify();
}

} // namespace quillo
