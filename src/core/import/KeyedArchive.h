#pragma once

#include "PropertyList.h"
#include "core/platform/Clock.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quillo {

/// A keyed archive that cannot be read. `what()` is one sentence for the user.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The object graph of a keyed archive (the archiving format of macOS programs), read on
/// demand: callers ask for the objects they want, by the types they expect, and each
/// answer is absent when the object is of another type. Nothing is copied out of the
/// property list until asked for, so shared objects are never expanded and parts of the
/// graph nobody asks for (cycles included) cost nothing.
class KeyedArchive {
public:
    /// An object of the archive: the index of a property-list object, either an archived
    /// object of "$objects" or a scalar stored inline in its owner.
    using Ref = std::uint32_t;

    /// Reads the archive's frame ("$archiver", "$version", "$top", "$objects").
    /// Throws PropertyListError or ArchiveError.
    static KeyedArchive read(std::string_view bytes);

    /// The root object, "$top"'s "root"; absent when it names nothing.
    std::optional<Ref> root() const;
    /// The archived object at a position of "$objects"; absent for the null object and
    /// positions the archive doesn't hold.
    std::optional<Ref> archivedObject(std::uint64_t position) const;

    /// The value stored under `key` in an archived object, following a reference;
    /// absent when there is none or it is the null object.
    std::optional<Ref> field(Ref object, std::string_view key) const;

    /// True when the object's class or one of its superclasses is `className`.
    bool isKindOf(Ref object, std::string_view className) const;
    /// The class chain of an archived object, the class itself first.
    std::vector<std::string> classes(Ref object) const;

    /// A string, or a mutable string object; in UTF-16 as archived.
    std::optional<std::u16string> utf16String(Ref object) const;
    /// The same in UTF-8 (lone surrogates become U+FFFD).
    std::optional<std::string> string(Ref object) const;
    /// An integer or a boolean.
    std::optional<std::int64_t> integer(Ref object) const;
    /// A real or an integer.
    std::optional<double> real(Ref object) const;
    /// A date object, or a date stored inline.
    std::optional<Date> date(Ref object) const;
    /// Raw bytes, inline or in a data object.
    std::optional<std::string> data(Ref object) const;
    /// The members of an array or set object.
    std::optional<std::vector<Ref>> array(Ref object) const;
    /// The entries of a dictionary object, keys first. Throws when keys and values don't
    /// pair up.
    std::optional<std::vector<std::pair<Ref, Ref>>> dictionary(Ref object) const;
    /// A URL object (its relative part resolved against its base) as text.
    std::optional<std::string> url(Ref object) const;

    /// Marks an object as being decoded, for decoders that follow references from object
    /// to object: entering an object that is still being decoded is a loop and throws, as
    /// does going deeper than `maximumDepth`.
    class Visit {
    public:
        static constexpr int maximumDepth = 256;
        Visit(const KeyedArchive& archive, Ref object);
        ~Visit();
        Visit(const Visit&) = delete;
        Visit& operator=(const Visit&) = delete;

    private:
        const KeyedArchive& archive_;
        Ref object_;
    };

private:
    explicit KeyedArchive(PropertyList list) : list_(std::move(list)) {}
    /// Follows a reference to the object it names; a scalar stands for itself.
    std::optional<Ref> resolve(Ref value) const;
    const PropertyListObject& at(Ref object) const { return list_.object(object); }

    PropertyList list_;
    Ref objects_ = 0; // the "$objects" array
    Ref top_ = 0;     // the "$top" dictionary
    mutable std::unordered_set<Ref> inProgress_;
};

} // namespace quillo
