#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

/// A file that cannot be read as a binary property list. `what()` is one sentence for the
/// user.
class PropertyListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One object of a binary property list. Containers name their members by object index,
/// exactly as the file does, so a shared member is stored once however often it is used.
struct PropertyListObject {
    enum class Type { null, boolean, integer, real, date, data, string, uid, array, dictionary };

    Type type = Type::null;
    bool boolean = false;
    /// Integers of 1, 2 and 4 bytes are unsigned, of 8 bytes signed; a 16-byte integer
    /// keeps its low 8 bytes.
    std::int64_t integer = 0;
    /// A real, or a date as seconds since 2001-01-01 00:00:00 UTC.
    double real = 0;
    std::uint64_t uid = 0;
    /// The bytes of a data object.
    std::string data{};
    /// The text of a string object in UTF-16, as stored: NUL characters and lone
    /// surrogates stay. ASCII strings are widened (bytes above 0x7F read as Latin-1).
    std::u16string string{};
    /// Array (and set) members; dictionary keys.
    std::vector<std::uint32_t> members{};
    /// Dictionary values, in the order of their keys.
    std::vector<std::uint32_t> values{};
};

/// A binary property list ("bplist00"), read from bytes that may be damaged or hostile.
///
/// Every offset, length and object reference is checked; each object is decoded once, in
/// time and memory bounded by a small multiple of the file's size (objects that overlap or
/// share bytes to inflate the work are refused); nothing recurses, so no nesting depth can
/// exhaust the stack.
class PropertyList {
public:
    /// Files larger than this are refused without being read. An aText backup of 10,000
    /// rich snippets is some 20 MB. Each object takes about 150 bytes in memory, and a
    /// file can pack one object into every two bytes, so this also caps the memory a
    /// hostile file can claim.
    static constexpr std::size_t maximumSize = std::size_t{64} << 20;

    /// Reads a whole binary property list. Throws PropertyListError.
    static PropertyList parse(std::string_view bytes);

    /// The number of objects.
    std::size_t size() const { return objects_.size(); }
    /// The index of the top object.
    std::uint32_t top() const { return top_; }
    /// The object at `index`, which must be below `size()`.
    const PropertyListObject& object(std::uint32_t index) const { return objects_[index]; }

    /// The index of the value stored under the string key `key` in the dictionary at
    /// `dictionary`; absent when that object is not a dictionary or has no such key.
    std::optional<std::uint32_t> find(std::uint32_t dictionary, std::string_view key) const;

    /// UTF-16 text as UTF-8; lone surrogates become U+FFFD, NUL characters stay.
    static std::string utf8(std::u16string_view text);
    /// True when the UTF-16 text is exactly the ASCII text `ascii`.
    static bool equals(std::u16string_view text, std::string_view ascii);

private:
    std::vector<PropertyListObject> objects_;
    std::uint32_t top_ = 0;
};

} // namespace quillo
