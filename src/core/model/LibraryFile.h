#pragma once

#include "Snippet.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// The library file's document: every group and snippet, in order.
struct LibraryFile {
    std::int64_t version = 1;
    std::vector<SnippetGroup> groups;
    std::vector<Snippet> snippets;
};

/// The file could not be read as a library. `what()` says where and why, for the user.
class LibraryFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace LibraryFileCoding {

/// Documents larger than this are refused rather than read into memory (a real library of
/// 100,000 snippets is some 60 MB).
inline constexpr std::size_t maximumSize = std::size_t{1} << 30;

/// The UTF-8 JSON document: pretty-printed, keys sorted at every level, dates in UTC to
/// the second, upper-case UUIDs, "/" written as "\/", version 1.
std::string encode(const std::vector<SnippetGroup>& groups, const std::vector<Snippet>& snippets);

/// Reads a whole document. All or nothing: any missing key, wrong type, malformed UUID or
/// date, or unknown format fails the whole file. Unknown keys are ignored; JSON null for
/// "groupID" or "lastUsed" reads as absent. Throws LibraryFileError.
LibraryFile decode(std::string_view bytes);

/// The library file at `path`, read and checked all or nothing as decode() checks a
/// document, for a look at the library that ends with the process: the file is parsed
/// where it was read, and the snippets' texts, which most looks need few of, stay in the
/// parsed document until asked for. Throws FileError when the file can't be read, else as
/// decode().
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::filesystem::path& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    /// Every group and snippet, the snippets without their texts.
    LibraryFile& contents() { return contents_; }
    /// The text of the file's snippet at `index`; good while this lives.
    std::string_view text(std::size_t index) const { return texts_[index]; }

private:
    /// What the parser may read past the end of the file.
    static constexpr std::size_t padding = 64;
    struct Parsed;

    std::unique_ptr<Parsed> parsed_;
    LibraryFile contents_;
    std::vector<std::string_view> texts_;
};

} // namespace LibraryFileCoding

} // namespace quillo
