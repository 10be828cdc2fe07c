#include "Library.h"

#include "LibraryFile.h"
#include "core/util/DateText.h"
#include "core/util/Files.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace quillo {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds saveDelay{400};
constexpr std::size_t backupsKept = 14;
constexpr std::string_view saveFailedPrefix = "Couldn't save your library";

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

std::optional<LibraryEnvironment>& sharedEnvironment() {
    static std::optional<LibraryEnvironment> environment;
    return environment;
}

} // namespace

Library::Library(const LibraryEnvironment& environment, bool persistent)
    : clock_(environment.clock), scheduler_(environment.scheduler), log_(environment.log),
      dataFolder_(environment.dataFolder), persistent_(persistent) {
    if (!persistent_)
        return;
    if (std::optional<std::string> message = migrateLegacyFolder()) {
        problem_ = std::move(message);
        blockSaves_ = true;
        return;
    }
    load();
}

Library::Library(const LibraryEnvironment& environment, LibraryFile contents)
    : Library(environment, false) {
    groups_ = std::move(contents.groups);
    snippets_ = std::move(contents.snippets);
}

Library::~Library() {
    saveTask_.cancel();
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
        return std::string("Your library is still in the old “Stock Answers” folder and "
                           "couldn't be moved (") +
               error.what() +
               "). Changes won't be saved until it's moved to the Quillo folder next to it.";
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
        LibraryFile file =
            LibraryFileCoding::decode(Files::read(fileURL(), LibraryFileCoding::maximumSize));
        groups_ = std::move(file.groups);
        snippets_ = std::move(file.snippets);
        return;
    } catch (const std::exception& loadError) {
        const std::string asideName =
            "library unreadable " + localDateTimeStamp(clock_.now()) + ".json";
        try {
            Files::move(fileURL(), folderURL() / asideName);
            problem_ = "Your library file couldn't be read, so it was set aside as “" + asideName +
                       "”. Daily backups are in the Backups folder next to it.";
        } catch (const FileError&) {
            // Never overwrite a file we could not read and could not move out of the way.
            problem_ = std::string("Your library file couldn't be read (") + loadError.what() +
                       "). Changes won't be saved until it's fixed.";
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
    saveTask_ = scheduler_.schedule(saveDelay, [this] {
        // The handle is cancelled in the destructor, so `this` is alive here.
        saveTask_ = {};
        saveNow();
    });
}

bool Library::savesBlocked() const {
    return blockSaves_ || (problem_ && problem_->starts_with(saveFailedPrefix));
}

void Library::saveNow() {
    if (!persistent_ || blockSaves_)
        return;
    std::string bytes;
    try {
        Files::createFolders(folderURL());
        bytes = LibraryFileCoding::encode(groups_, snippets_);
        Files::writeAtomically(fileURL(), bytes);
    } catch (const std::exception& error) {
        problem_ = std::string(saveFailedPrefix) + " (" + error.what() +
                   "). Your changes are kept while the app is open, and it tries again with your "
                   "next change.";
        log_.write(std::string("Quillo: save failed: ") + error.what());
        changed();
        return;
    }
    if (problem_ && problem_->starts_with(saveFailedPrefix)) {
        problem_.reset();
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

// ---- Observation

void Library::changed() {
    ++revision_;
    observers_.notify();
}

} // namespace quillo
