#pragma once

#include <filesystem>
#include <optional>

namespace quillo {

/// An exclusive advisory lock on a file (flock), shared by no two open files in any
/// processes. It ends when released or when its process ends, a crash included, so a
/// killed holder never leaves it taken.
class FileLock {
public:
    /// Takes the lock on `path`, creating the file when missing; absent when another open
    /// file, of this process or another, holds it. Throws FileError when the file can't be
    /// opened or locked.
    static std::optional<FileLock> tryTake(const std::filesystem::path& path);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    /// Releases the lock.
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}

    int fd_;
};

} // namespace quillo
