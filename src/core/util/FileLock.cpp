#include "FileLock.h"

#include "Files.h"
#include "core/util/Translation.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace quillo {

namespace {

// `message` names the lock file as {file} and the system's reason as {reason}.
[[noreturn]] void fail(const std::filesystem::path& path, const char* message, int error) {
    throw FileError(fill(i18n(message),
                         {{"file", path.filename().string()}, {"reason", std::strerror(error)}}));
}

} // namespace

std::optional<FileLock> FileLock::tryTake(const std::filesystem::path& path) {
    // Close-on-exec: a child started by the holder (a helper process, a file viewer) must
    // not keep the lock after the holder ends.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) // flock needs no write access
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(path, I18N_NOOP("The lock file “{file}” couldn't be opened ({reason})"), errno);
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return FileLock(fd);
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK)
        return std::nullopt;
    fail(path, I18N_NOOP("The lock file “{file}” couldn't be locked ({reason})"), error);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    // Closing the only descriptor of the open file releases its lock.
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace quillo
