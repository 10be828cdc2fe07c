#include "PropertyList.h"

#include "core/util/Translation.h"

#include <algorithm>
#include <bit>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace quillo {

namespace {

// The file's layout: "bplist00", the objects, a table of their offsets, and a 32-byte
// trailer that says where that table is and how wide its numbers are.
constexpr std::string_view magic = "bplist00";
constexpr std::size_t headerSize = magic.size();
constexpr std::size_t trailerSize = 32;

namespace sentence {
constexpr const char* notPropertyList = I18N_NOOP("This file is not a binary property list.");
constexpr const char* cutShort = I18N_NOOP("The property list is cut short.");
constexpr const char* tooLarge = I18N_NOOP("The property list is too large to read.");
constexpr const char* badTable =
    I18N_NOOP("The property list is damaged: its table of objects is invalid.");
constexpr const char* outside =
    I18N_NOOP("The property list is damaged: an object lies outside the file.");
constexpr const char* tooLong =
    I18N_NOOP("The property list is damaged: an object is longer than the file.");
constexpr const char* missing =
    I18N_NOOP("The property list is damaged: an object refers to an object that does not exist.");
constexpr const char* unknownKind =
    I18N_NOOP("The property list is damaged: it holds an object of an unknown kind.");
constexpr const char* overlapping =
    I18N_NOOP("The property list is damaged: its objects overlap or are shared.");
} // namespace sentence

[[noreturn]] void fail(const char* what) {
    throw PropertyListError(i18n(what));
}

// A big-endian unsigned number of 1 to 8 bytes, which the caller has checked are there.
std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

struct Trailer {
    std::size_t offsetWidth = 0;
    std::size_t referenceWidth = 0;
    std::size_t count = 0;
    std::size_t top = 0;
    std::size_t tableStart = 0; // also where the objects end
};

Trailer readTrailer(std::string_view bytes) {
    const std::size_t trailerStart = bytes.size() - trailerSize;
    Trailer trailer;
    trailer.offsetWidth = static_cast<unsigned char>(bytes[trailerStart + 6]);
    trailer.referenceWidth = static_cast<unsigned char>(bytes[trailerStart + 7]);
    if (trailer.offsetWidth < 1 || trailer.offsetWidth > 8 || trailer.referenceWidth < 1 ||
        trailer.referenceWidth > 8)
        fail(sentence::badTable);
    const std::uint64_t count = bigEndian(bytes, trailerStart + 8, 8);
    const std::uint64_t top = bigEndian(bytes, trailerStart + 16, 8);
    const std::uint64_t tableStart = bigEndian(bytes, trailerStart + 24, 8);
    // Compared as 64-bit numbers before any arithmetic, so no claim can overflow.
    if (tableStart < headerSize || tableStart > trailerStart ||
        count > (trailerStart - tableStart) / trailer.offsetWidth)
        fail(sentence::badTable);
    if (top >= count)
        fail(sentence::missing);
    trailer.count = static_cast<std::size_t>(count);
    trailer.top = static_cast<std::size_t>(top);
    trailer.tableStart = static_cast<std::size_t>(tableStart);
    return trailer;
}

// Decodes one object at a time from the object area. Objects name their members by index,
// so no object needs another to be decoded first and nothing recurses.
//
// The work allowed is twice the file's size plus a little: each object costs its encoded
// bytes plus a fixed amount for its table entry, since every entry becomes an object in
// memory. Any file whose objects don't overlap fits; entries that share or overlap objects
// to multiply the work, or a flood of entries naming tiny objects, run out.
class ObjectReader {
public:
    static constexpr std::size_t entryWork = 4;

    ObjectReader(std::string_view bytes, const Trailer& trailer)
        : bytes_(bytes), trailer_(trailer), workLimit_(2 * bytes.size() + 1024) {
        // Refused before the table is allocated, when even one-byte objects can't fit.
        if (trailer.count > workLimit_ / (1 + entryWork))
            fail(sentence::overlapping);
    }

    // Decodes the object at `offset` into `object`, which is fresh.
    void read(std::size_t offset, PropertyListObject& object) {
        if (offset < headerSize || offset >= trailer_.tableStart)
            fail(sentence::outside);
        at_ = counted_ = offset;
        work_ += entryWork;
        const unsigned marker = byte();
        const unsigned low = marker & 0x0F;
        switch (marker >> 4) {
        case 0x0:
            claim(0, 1); // the marker is all there is
            return singleton(marker, object);
        case 0x1:
            if (low > 4)
                fail(sentence::unknownKind);
            object.type = PropertyListObject::Type::integer;
            object.integer = integer(std::size_t{1} << low);
            return;
        case 0x2:
            if (low != 2 && low != 3)
                fail(sentence::unknownKind);
            object.type = PropertyListObject::Type::real;
            object.real = real(std::size_t{1} << low);
            return;
        case 0x3:
            if (low != 3)
                fail(sentence::unknownKind);
            object.type = PropertyListObject::Type::date;
            object.real = real(8);
            return;
        case 0x4: {
            object.type = PropertyListObject::Type::data;
            const std::size_t from = claim(length(low), 1);
            object.data.assign(bytes_.substr(from, at_ - from));
            return;
        }
        case 0x5: {
            object.type = PropertyListObject::Type::string;
            const std::size_t from = claim(length(low), 1);
            object.string.reserve(at_ - from);
            for (std::size_t i = from; i < at_; ++i) // bytes above 0x7F read as Latin-1
                object.string.push_back(static_cast<unsigned char>(bytes_[i]));
            return;
        }
        case 0x6: {
            object.type = PropertyListObject::Type::string;
            const std::size_t from = claim(length(low), 2);
            object.string.reserve((at_ - from) / 2);
            for (std::size_t i = from; i < at_; i += 2)
                object.string.push_back(static_cast<char16_t>(bigEndian(bytes_, i, 2)));
            return;
        }
        case 0x8:
            if (low > 7)
                fail(sentence::unknownKind);
            object.type = PropertyListObject::Type::uid;
            object.uid = bigEndian(bytes_, claim(1, low + 1), low + 1);
            return;
        case 0xA:
        case 0xC: // a set is read as an array: its members keep their order in the file
            object.type = PropertyListObject::Type::array;
            references(length(low), object.members);
            return;
        case 0xD: {
            object.type = PropertyListObject::Type::dictionary;
            const std::size_t count = length(low);
            // Keys and values must both fit before either is read.
            requireRoom(count, 2 * trailer_.referenceWidth);
            references(count, object.members);
            references(count, object.values);
            return;
        }
        default:
            fail(sentence::unknownKind);
        }
    }

private:
    static void singleton(unsigned marker, PropertyListObject& object) {
        switch (marker) {
        case 0x00:
        case 0x0F: // fill, written only as padding
            return;
        case 0x08:
        case 0x09:
            object.type = PropertyListObject::Type::boolean;
            object.boolean = marker == 0x09;
            return;
        default:
            fail(sentence::unknownKind);
        }
    }

    unsigned byte() {
        if (at_ >= trailer_.tableStart)
            fail(sentence::tooLong);
        return static_cast<unsigned char>(bytes_[at_++]);
    }

    // Takes `count` items of `width` bytes each, counting them against the work allowed for
    // the whole file, and returns where they start.
    std::size_t claim(std::size_t count, std::size_t width) {
        requireRoom(count, width);
        const std::size_t from = at_;
        at_ += count * width;
        // Each object's bytes are counted once per table entry that points at them, so
        // entries that share or overlap objects can't multiply the work beyond the file.
        work_ += at_ - counted_;
        counted_ = at_;
        if (work_ > workLimit_)
            fail(sentence::overlapping);
        return from;
    }

    void requireRoom(std::size_t count, std::size_t width) const {
        if (count > (trailer_.tableStart - at_) / width)
            fail(sentence::tooLong);
    }

    // A count: in the marker's low nibble, or when that is 0xF, in an integer object that
    // follows.
    std::size_t length(unsigned nibble) {
        if (nibble != 0x0F)
            return nibble;
        const unsigned marker = byte();
        if (marker >> 4 != 0x1 || (marker & 0x0F) > 3)
            fail(sentence::unknownKind);
        const std::size_t width = std::size_t{1} << (marker & 0x0F);
        const std::uint64_t count = bigEndian(bytes_, claim(1, width), width);
        // Any count the file can hold is far below this; larger ones (and negative ones,
        // read unsigned) are caught here before anything is allocated.
        if (count > trailer_.tableStart)
            fail(sentence::tooLong);
        return static_cast<std::size_t>(count);
    }

    std::int64_t integer(std::size_t width) {
        const std::size_t from = claim(1, width);
        // A 16-byte integer keeps its low 8 bytes; 8 bytes are two's complement.
        const std::size_t kept = std::min<std::size_t>(width, 8);
        return static_cast<std::int64_t>(bigEndian(bytes_, from + width - kept, kept));
    }

    double real(std::size_t width) {
        const std::uint64_t bits = bigEndian(bytes_, claim(1, width), width);
        if (width == 4)
            return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        return std::bit_cast<double>(bits);
    }

    void references(std::size_t count, std::vector<std::uint32_t>& indexes) {
        const std::size_t width = trailer_.referenceWidth;
        const std::size_t from = claim(count, width);
        indexes.reserve(count);
        for (std::size_t at = from; at < at_; at += width) {
            const std::uint64_t index = bigEndian(bytes_, at, width);
            if (index >= trailer_.count)
                fail(sentence::missing);
            indexes.push_back(static_cast<std::uint32_t>(index));
        }
    }

    std::string_view bytes_;
    const Trailer& trailer_;
    std::size_t workLimit_;
    std::size_t work_ = 0;
    std::size_t counted_ = 0; // the end of the bytes already counted as work
    std::size_t at_ = 0;
};

} // namespace

PropertyList PropertyList::parse(std::string_view bytes) {
    if (bytes.size() > maximumSize)
        fail(sentence::tooLarge);
    if (!bytes.starts_with(magic))
        fail(!bytes.empty() && magic.starts_with(bytes) ? sentence::cutShort
                                                        : sentence::notPropertyList);
    if (bytes.size() < headerSize + trailerSize)
        fail(sentence::cutShort);

    const Trailer trailer = readTrailer(bytes);
    ObjectReader reader(bytes, trailer);
    PropertyList list;
    list.objects_.reserve(trailer.count);
    for (std::size_t i = 0; i < trailer.count; ++i) {
        const std::size_t entry = trailer.tableStart + i * trailer.offsetWidth;
        const std::uint64_t offset = bigEndian(bytes, entry, trailer.offsetWidth);
        // Offsets past the table's start are refused here, before narrowing.
        reader.read(static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes.size())),
                    list.objects_.emplace_back());
    }
    list.top_ = static_cast<std::uint32_t>(trailer.top);
    return list;
}

std::optional<std::uint32_t> PropertyList::find(std::uint32_t dictionary,
                                                std::string_view key) const {
    if (dictionary >= objects_.size())
        return std::nullopt;
    const PropertyListObject& object = objects_[dictionary];
    if (object.type != PropertyListObject::Type::dictionary)
        return std::nullopt;
    const bool ascii = std::all_of(key.begin(), key.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    for (std::size_t i = 0; i < object.members.size(); ++i) {
        const PropertyListObject& candidate = objects_[object.members[i]];
        if (candidate.type != PropertyListObject::Type::string)
            continue;
        if (ascii ? equals(candidate.string, key) : utf8(candidate.string) == key)
            return object.values[i];
    }
    return std::nullopt;
}

std::string PropertyList::utf8(std::u16string_view text) {
    // ICU counts in int32_t, so long text goes in pieces that never split a surrogate pair.
    constexpr std::size_t pieceLength = std::size_t{1} << 24;
    std::string result;
    while (!text.empty()) {
        std::size_t length = std::min(text.size(), pieceLength);
        if (length < text.size() && U16_IS_LEAD(text[length - 1]) && U16_IS_TRAIL(text[length]))
            --length;
        const std::size_t written = result.size();
        result.resize(written + 3 * length); // the most one UTF-16 unit can become
        int32_t producedLength = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8WithSub(result.data() + written, static_cast<int32_t>(3 * length),
                           &producedLength, text.data(), static_cast<int32_t>(length), 0xFFFD,
                           nullptr, &status);
        result.resize(U_SUCCESS(status) ? written + static_cast<std::size_t>(producedLength)
                                        : written);
        text.remove_prefix(length);
    }
    return result;
}

bool PropertyList::equals(std::u16string_view text, std::string_view ascii) {
    return std::equal(text.begin(), text.end(), ascii.begin(), ascii.end(),
                      [](char16_t unit, char c) { return unit == static_cast<unsigned char>(c); });
}

} // namespace quillo
