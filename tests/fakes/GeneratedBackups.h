#pragma once

// aText backups for tests, written the way Apple's archiver writes them by
// tests/import/make_atext_backups.py (QUILLO_BACKUP_GENERATOR) with the archiver of
// bench/atext_archive.py (QUILLO_BACKUP_ARCHIVER).
#include "fakes/RunProgram.h"
#include "fakes/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace quillo::testing {

// Every test runs in a process of its own, so the generator's backups are cached beside
// the test program, in a folder named after the scripts' contents.
inline const std::filesystem::path& backupCache() {
    static const std::filesystem::path cache = [] {
        const std::string script =
            readFile(QUILLO_BACKUP_GENERATOR) + readFile(QUILLO_BACKUP_ARCHIVER);
        if (script.empty())
            throw std::runtime_error("the backup generator is missing: " QUILLO_BACKUP_GENERATOR);
        char tag[17];
        std::snprintf(tag, sizeof tag, "%016zx", std::hash<std::string>{}(script));
        const std::filesystem::path caches =
            std::filesystem::read_symlink("/proc/self/exe").parent_path() / "atext-backups";
        std::filesystem::create_directories(caches / tag);
        // What earlier versions of the script wrote is of no more use.
        std::error_code ignored;
        for (const std::filesystem::directory_entry& stale :
             std::filesystem::directory_iterator(caches))
            if (stale.path().filename() != tag)
                std::filesystem::remove_all(stale.path(), ignored);
        return caches / tag;
    }();
    return cache;
}

// One named backup of the generator, written on first use. It is moved into the cache
// whole, so tests running side by side never read half a file.
inline std::filesystem::path generatedBackup(const std::string& name) {
    const std::filesystem::path cached = backupCache() / name;
    if (std::filesystem::exists(cached))
        return cached;
    std::string scratch = (backupCache() / "writing-XXXXXX").string();
    if (!mkdtemp(scratch.data()))
        throw std::runtime_error("can't make a folder in " + backupCache().string());
    const ProgramResult run =
        runProgram("/usr/bin/env", {"python3", QUILLO_BACKUP_GENERATOR, scratch, name});
    if (run.status != 0) {
        std::filesystem::remove_all(scratch);
        throw std::runtime_error("the backup generator failed to write " + name + ": " + run.err);
    }
    std::filesystem::rename(std::filesystem::path(scratch) / name, cached);
    std::filesystem::remove_all(scratch);
    return cached;
}

} // namespace quillo::testing
