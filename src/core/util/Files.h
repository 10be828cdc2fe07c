#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// A failed file operation. `what()` is a sentence fit to show the user.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Which version of a file a path held: a file replaced by renaming has another inode, one
/// written in place another size or time of last write.
struct FileStamp {
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    std::intmax_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;

    /// True while a write in place could still leave the stamp as it is: file systems
    /// keep the time of the last write in coarse steps, so for a moment after a write
    /// only the content tells.
    bool isFresh() const;
};

/// The file operations of the library's storage, each either done or reported.
namespace Files {

inline constexpr std::string_view swapSuffix = ".swap";

/// True when anything (file, folder, or a link to one) exists at `path`.
bool exists(const std::filesystem::path& path);

/// The whole content of a regular file of at most `limit` bytes. Throws FileError. With
/// `stamp`, also the stamp of the file read, taken before reading, so that a write during
/// the read shows as a newer stamp.
std::string read(const std::filesystem::path& path, std::size_t limit = SIZE_MAX,
                 FileStamp* stamp = nullptr);

/// A file's content in memory followed by zero bytes that aren't part of it.
struct PaddedContent {
    std::unique_ptr<char[]> memory;
    std::size_t size = 0;

    std::string_view bytes() const { return {memory.get(), size}; }
};

/// As read(), into memory with `padding` zero bytes after the content, for a parser that
/// reads past the end of its input: it then needs no padded copy of a large file.
PaddedContent readPadded(const std::filesystem::path& path, std::size_t limit, std::size_t padding,
                         FileStamp* stamp = nullptr);

/// The stamp of what is at `path` now; absent when nothing is.
std::optional<FileStamp> stamp(const std::filesystem::path& path);

/// Replaces `path` with `bytes` so that at any instant, a crash included, the path holds
/// either the old complete content or the new one: the bytes go to a temporary file in
/// the same folder, which is flushed to disk, then renamed over the target, then the
/// folder itself is flushed. A failed write leaves no temporary file; a process killed
/// while writing does (see temporaryTarget). Returns the stamp of the file written, taken
/// before it took the path's place. Throws FileError.
FileStamp writeAtomically(const std::filesystem::path& path, std::string_view bytes);

/// Decides whether the version of a file found at a path (absent: no file) is the one the
/// caller meant to replace.
using Expected = std::function<bool(const std::optional<std::filesystem::path>& found)>;

/// Like writeAtomically, for a file others write too: the old version is swapped out in one
/// step and shown to `expected` under a temporary name (stamps only: it must answer at
/// once, as the new version shows meanwhile). A version the caller didn't expect is swapped
/// back, so a write that came in after the caller last looked is never lost; the result is
/// then absent, and the caller looks again. Should a third version come in during that
/// moment, the one swapped out is moved to `keepDisplacedAs`; a process killed during it
/// leaves it under a name swappedOutTarget knows. Returns the stamp of the file written.
/// Throws FileError.
std::optional<FileStamp> writeAtomicallyOver(const std::filesystem::path& path,
                                             std::string_view bytes, const Expected& expected,
                                             const std::filesystem::path& keepDisplacedAs);

/// The name of the file that a file of this name was swapped out of by writeAtomicallyOver
/// (".NAME.XXXXXX.swap" for "NAME"); absent when the name is not of that form. Such a file
/// is whole: either the new version that was about to go in, or the one it replaced.
std::optional<std::string> swappedOutTarget(std::string_view name);

/// The name of the file that a file of this name is writeAtomically's temporary for
/// (".NAME.XXXXXX" is one for "NAME"); absent when the name is not of that form.
std::optional<std::string> temporaryTarget(std::string_view name);

/// Moves a file or folder to `to`, which must not exist yet (never replaces anything).
/// Throws FileError.
void move(const std::filesystem::path& from, const std::filesystem::path& to);

/// Creates the folder and any missing parents; succeeds when it already exists.
/// Throws FileError.
void createFolders(const std::filesystem::path& path);

/// The entries of a folder, in the order the file system lists them. Throws FileError.
std::vector<std::filesystem::path> list(const std::filesystem::path& folder);

/// Removes a file (or an empty folder). Throws FileError.
void remove(const std::filesystem::path& path);

} // namespace Files

} // namespace quillo
