#include "Files.h"

#include "core/util/Translation.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {

bool FileStamp::isFresh() const {
    // The file system's clock, not the program's: both sides of the comparison are its.
    constexpr std::int64_t margin = 2'000'000'000;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec - modifiedNanoseconds < margin;
}

} // namespace quillo

namespace quillo::Files {

namespace fs = std::filesystem;

namespace {

std::string nameOf(const fs::path& path) {
    return path.filename().string();
}

// `message` names the file as {file}, the system's reason as {reason}, and may name one more
// file or folder, `other`.
[[noreturn]] void fail(const char* message, const fs::path& path, int error,
                       std::pair<std::string_view, std::string> other = {}) {
    throw FileError(fill(
        i18n(message),
        {{"file", nameOf(path)}, {"reason", std::strerror(error)}, {other.first, other.second}}));
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the error close() found (a late write error on some file systems).
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

void writeAll(int fd, std::string_view bytes, const fs::path& target) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(I18N_NOOP("“{file}” couldn't be written ({reason})"), target, errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// Flushes a folder's entries, so that a rename inside it survives a power cut.
void syncFolder(const fs::path& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

FileStamp stampOf(const struct stat& info) {
    return {static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
            static_cast<std::intmax_t>(info.st_size),
            std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

} // namespace

bool exists(const fs::path& path) {
    struct stat info {};
    // lstat: a dangling link still occupies the name.
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<FileStamp> stamp(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

namespace {

// Opens a regular file of at most `limit` bytes for reading; its size when opened.
std::size_t openToRead(Descriptor& fd, const fs::path& path, std::size_t limit, FileStamp* stamp) {
    if (fd.get() < 0)
        fail(I18N_NOOP("“{file}” couldn't be opened ({reason})"), path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail(I18N_NOOP("“{file}” couldn't be read ({reason})"), path, errno);
    if (!S_ISREG(info.st_mode))
        throw FileError(fill(i18n("“{file}” isn't a regular file."), {{"file", nameOf(path)}}));
    if (stamp)
        *stamp = stampOf(info);
    if (static_cast<std::uintmax_t>(info.st_size) > limit)
        throw FileError(
            fill(i18n("“{file}” is too large to read ({size} MB)."),
                 {{"file", nameOf(path)}, {"size", std::to_string(info.st_size >> 20)}}));
    return static_cast<std::size_t>(info.st_size);
}

// At most `size` bytes into `into`; 0 at the end of the file.
std::size_t readSome(const Descriptor& fd, char* into, std::size_t size, const fs::path& path) {
    for (;;) {
        const ssize_t got = ::read(fd.get(), into, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            fail(I18N_NOOP("“{file}” couldn't be read ({reason})"), path, errno);
    }
}

void checkGrowth(std::size_t size, std::size_t limit, const fs::path& path) {
    if (size > limit) // it grew while being read
        throw FileError(fill(i18n("“{file}” is too large to read."), {{"file", nameOf(path)}}));
}

} // namespace

std::string read(const fs::path& path, std::size_t limit, FileStamp* stamp) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string content;
    content.reserve(openToRead(fd, path, limit, stamp));
    char buffer[1 << 16];
    while (const std::size_t got = readSome(fd, buffer, sizeof buffer, path)) {
        content.append(buffer, got);
        checkGrowth(content.size(), limit, path);
    }
    return content;
}

PaddedContent readPadded(const fs::path& path, std::size_t limit, std::size_t padding,
                         FileStamp* stamp) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    // The padding is also where the end of the file shows, without another buffer.
    std::size_t room = openToRead(fd, path, limit, stamp) + std::max<std::size_t>(padding, 1);
    PaddedContent content{std::make_unique_for_overwrite<char[]>(room), 0};
    const auto grow = [&](std::size_t to) {
        auto larger = std::make_unique_for_overwrite<char[]>(to);
        std::memcpy(larger.get(), content.memory.get(), content.size);
        content.memory = std::move(larger);
        room = to;
    };
    for (;;) {
        if (content.size == room)
            grow(room * 2);
        const std::size_t got =
            readSome(fd, content.memory.get() + content.size, room - content.size, path);
        if (got == 0)
            break;
        content.size += got;
        checkGrowth(content.size, limit, path);
    }
    if (room - content.size < padding)
        grow(content.size + padding);
    std::memset(content.memory.get() + content.size, 0, padding);
    return content;
}

namespace {

struct Temporary {
    std::string path;
    FileStamp stamp;
};

// The bytes in a new file beside `path`, flushed to disk.
Temporary writeTemporary(const fs::path& path, const fs::path& folder, std::string_view bytes) {
    // temporaryTarget() knows this form of name.
    Temporary written{(folder / ("." + path.filename().string() + ".XXXXXX")).string(), {}};
    Descriptor fd(::mkstemp(written.path.data()));
    if (fd.get() < 0)
        fail(I18N_NOOP("“{file}” couldn't be saved in the folder “{folder}” ({reason})"), path,
             errno, {"folder", nameOf(folder)});
    try {
        writeAll(fd.get(), bytes, path);
        if (::fsync(fd.get()) != 0)
            fail(I18N_NOOP("“{file}” couldn't be flushed to disk ({reason})"), path, errno);
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0)
            fail(I18N_NOOP("“{file}” couldn't be written ({reason})"), path, errno);
        written.stamp = stampOf(info);
        if (const int error = fd.close())
            fail(I18N_NOOP("“{file}” couldn't be written ({reason})"), path, error);
    } catch (...) {
        ::unlink(written.path.c_str());
        throw;
    }
    return written;
}

fs::path folderOf(const fs::path& path) {
    return path.parent_path().empty() ? fs::path(".") : path.parent_path();
}

int exchange(const std::string& a, const fs::path& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

} // namespace

FileStamp writeAtomically(const fs::path& path, std::string_view bytes) {
    const fs::path folder = folderOf(path);
    const Temporary written = writeTemporary(path, folder, bytes);
    if (::rename(written.path.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(written.path.c_str());
        fail(I18N_NOOP("“{file}” couldn't be replaced ({reason})"), path, error);
    }
    syncFolder(folder);
    return written.stamp;
}

std::optional<FileStamp> writeAtomicallyOver(const fs::path& path, std::string_view bytes,
                                             const Expected& expected,
                                             const fs::path& keepDisplacedAs) {
    const fs::path folder = folderOf(path);
    const Temporary written = writeTemporary(path, folder, bytes);
    // Under a name of its own from here on: what a kill leaves under it may be someone
    // else's version swapped out below, which the next writer keeps.
    const std::string swap = written.path + std::string(swapSuffix);
    if (::rename(written.path.c_str(), swap.c_str()) != 0) {
        const int error = errno;
        ::unlink(written.path.c_str());
        fail(I18N_NOOP("“{file}” couldn't be saved ({reason})"), path, error);
    }
    const auto giveUp = [&](int error) {
        ::unlink(swap.c_str());
        fail(I18N_NOOP("“{file}” couldn't be replaced ({reason})"), path, error);
    };
    const auto leave = [&] {
        ::unlink(swap.c_str());
        return std::nullopt;
    };
    struct stat info {};
    const bool present = ::lstat(path.c_str(), &info) == 0;
    // Only files are swapped: anything else in the way is replaced, or refused, as ever.
    const bool isFile = !present || S_ISREG(info.st_mode);
    // A look just before the swap keeps an unexpected version from showing even briefly
    // (someone reading then could build on it); the look after it catches what came in
    // between.
    if (isFile && !expected(present ? std::optional<fs::path>(path) : std::nullopt))
        return leave();
    const int error = isFile ? exchange(swap, path) : 0;
    if (!isFile) {
        if (::rename(swap.c_str(), path.c_str()) != 0)
            giveUp(errno);
    } else if (error == ENOENT) {
        // Nothing there to swap with (any more): take the name only while it stays free.
        if (present && !expected(std::nullopt))
            return leave();
        if (::renameat2(AT_FDCWD, swap.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST)
                return leave();
            giveUp(errno);
        }
    } else if (error == EINVAL || error == ENOSYS) {
        // A file system that can't swap: the look before will have to do.
        if (::rename(swap.c_str(), path.c_str()) != 0)
            giveUp(errno);
    } else if (error != 0) {
        giveUp(error);
    } else if (!expected(fs::path(swap))) {
        // Someone else's version came in after the caller last looked: it goes back. Should
        // yet another have come in meanwhile, that one is kept under the name given.
        const int back = exchange(swap, path);
        const std::optional<FileStamp> left = back == 0 ? stamp(swap) : std::nullopt;
        if (back == 0 && left == written.stamp)
            return leave();
        try {
            move(swap, keepDisplacedAs);
        } catch (const FileError&) {
        }
        if (back != 0)
            fail(I18N_NOOP("“{file}” was replaced, and the version found there was kept as "
                           "“{kept}” ({reason})"),
                 path, back, {"kept", nameOf(keepDisplacedAs)});
        return std::nullopt;
    } else {
        ::unlink(swap.c_str()); // the version replaced, now under the swap name
    }
    syncFolder(folder);
    return written.stamp;
}

std::optional<std::string> swappedOutTarget(std::string_view name) {
    if (!name.ends_with(swapSuffix))
        return std::nullopt;
    return temporaryTarget(name.substr(0, name.size() - swapSuffix.size()));
}

std::optional<std::string> temporaryTarget(std::string_view name) {
    // mkstemp replaces the X's with six ASCII letters and digits.
    constexpr std::size_t suffix = 7;
    if (name.size() < suffix + 2 || name.front() != '.' || name[name.size() - suffix] != '.')
        return std::nullopt;
    for (const char c : name.substr(name.size() - suffix + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return std::nullopt;
    return std::string(name.substr(1, name.size() - suffix - 1));
}

void move(const fs::path& from, const fs::path& to) {
    // renameat2 with RENAME_NOREPLACE refuses atomically when the target exists.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without RENAME_NOREPLACE: check, then rename.
        if (Files::exists(to))
            error = EEXIST;
        else if (::rename(from.c_str(), to.c_str()) == 0)
            return;
        else
            error = errno;
    }
    if (error == EEXIST)
        throw FileError(fill(
            i18n("“{file}” couldn't be moved to “{folder}” because an item named "
                 "“{name}” already exists."),
            {{"file", nameOf(from)}, {"folder", nameOf(to.parent_path())}, {"name", nameOf(to)}}));
    fail(I18N_NOOP("“{file}” couldn't be moved to “{folder}” ({reason})"), from, error,
         {"folder", nameOf(to.parent_path())});
}

void createFolders(const fs::path& path) {
    // Each folder made is the user's alone: the library and its backups are nobody else's
    // to list.
    std::vector<fs::path> missing;
    for (fs::path folder = path; !folder.empty() && !Files::exists(folder);
         folder = folder.parent_path()) {
        missing.push_back(folder);
        if (folder == folder.parent_path())
            break;
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder)
        if (::mkdir(folder->c_str(), 0700) != 0 && errno != EEXIST)
            throw FileError(fill(i18n("The folder “{file}” couldn't be created ({reason})"),
                                 {{"file", nameOf(path)}, {"reason", std::strerror(errno)}}));
    std::error_code error;
    if (!fs::is_directory(path, error))
        throw FileError(fill(i18n("The folder “{file}” couldn't be created because a file of that "
                                  "name is in the way."),
                             {{"file", nameOf(path)}}));
}

std::vector<fs::path> list(const fs::path& folder) {
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    if (error)
        throw FileError(fill(i18n("The folder “{file}” couldn't be listed ({reason})"),
                             {{"file", nameOf(folder)}, {"reason", error.message()}}));
    return entries;
}

void remove(const fs::path& path) {
    if (::remove(path.c_str()) != 0)
        fail(I18N_NOOP("“{file}” couldn't be removed ({reason})"), path, errno);
}

} // namespace quillo::Files
