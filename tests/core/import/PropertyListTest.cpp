#include "core/import/PropertyList.h"

#include "fakes/TempFolder.h"

#include <bit>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mman.h>

namespace quillo {
namespace {

using Type = PropertyListObject::Type;

// ---- A byte builder, so that every field of a file can be set, right or wrong.

std::string bigEndian(std::uint64_t value, int width) {
    std::string out;
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

std::string marker(int byte) {
    return std::string(1, static_cast<char>(byte));
}

// An object's marker with `count` in its low nibble, or in an integer after it.
std::string head(int kind, std::uint64_t count) {
    if (count < 15)
        return marker(kind | static_cast<int>(count));
    const int power = count <= 0xFF ? 0 : count <= 0xFFFF ? 1 : count <= 0xFFFFFFFF ? 2 : 3;
    return marker(kind | 0xF) + marker(0x10 | power) + bigEndian(count, 1 << power);
}

std::string ascii(std::string_view text) {
    return head(0x50, text.size()) + std::string(text);
}

std::string utf16(std::u16string_view text) {
    std::string out = head(0x60, text.size());
    for (char16_t unit : text)
        out += bigEndian(unit, 2);
    return out;
}

std::string array(const std::vector<std::uint64_t>& members, int width = 1, int kind = 0xA0) {
    std::string out = head(kind, members.size());
    for (std::uint64_t member : members)
        out += bigEndian(member, width);
    return out;
}

std::string dictionary(const std::vector<std::uint64_t>& keys,
                       const std::vector<std::uint64_t>& values) {
    return head(0xD0, keys.size()) + array(keys).substr(1) + array(values).substr(1);
}

// A file laid out from encoded objects; the optional fields override what the trailer says.
struct Layout {
    std::vector<std::string> objects;
    int offsetWidth = 1;
    int referenceWidth = 1;
    std::uint64_t top = 0;
    std::optional<std::uint64_t> count{};
    std::optional<std::uint64_t> tableStart{};
    std::vector<std::uint64_t> offsets{}; // in place of the objects' own offsets

    std::string bytes() const {
        std::string out = "bplist00";
        std::vector<std::uint64_t> own;
        for (const std::string& object : objects) {
            own.push_back(out.size());
            out += object;
        }
        const std::vector<std::uint64_t>& table = offsets.empty() ? own : offsets;
        const std::uint64_t tableAt = out.size();
        for (std::uint64_t offset : table)
            out += bigEndian(offset, offsetWidth);
        out += std::string(6, '\0') + marker(offsetWidth) + marker(referenceWidth);
        out += bigEndian(count.value_or(table.size()), 8) + bigEndian(top, 8);
        return out + bigEndian(tableStart.value_or(tableAt), 8);
    }
};

std::string errorOf(std::string_view bytes) {
    try {
        PropertyList::parse(bytes);
    } catch (const PropertyListError& error) {
        return error.what();
    }
    return "(read)";
}

std::string realBytes(double value) {
    return marker(0x23) + bigEndian(std::bit_cast<std::uint64_t>(value), 8);
}

const std::string everyKind = Layout{
    {array({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}), marker(0x00), marker(0x0F),
     marker(0x08), marker(0x09), "\x10\xFF", "\x11\xFF\xFE", "\x12\xFF\xFF\xFF\xFF",
     marker(0x13) + bigEndian(static_cast<std::uint64_t>(-2), 8),
     marker(0x14) + bigEndian(0x7FFF'0000'0000'0001, 8) + bigEndian(42, 8),
     marker(0x22) + bigEndian(std::bit_cast<std::uint32_t>(1.5F), 4), realBytes(-0.25),
     marker(0x33) + realBytes(7e8).substr(1), marker(0x43) + std::string("a\0b", 3), "\x80\x07",
     marker(0x87) + std::string(8, '\xFF'),
     array({1, 4}, 1, 0xC0)}}.bytes();

TEST(PropertyListRead, EveryKindOfObject) {
    const PropertyList list = PropertyList::parse(everyKind);
    ASSERT_EQ(list.size(), 17U);
    EXPECT_EQ(list.object(list.top()).members.size(), 16U);
    const std::vector<Type> types{Type::null,    Type::null,    Type::boolean, Type::boolean,
                                  Type::integer, Type::integer, Type::integer, Type::integer,
                                  Type::integer, Type::real,    Type::real,    Type::date,
                                  Type::data,    Type::uid,     Type::uid,     Type::array};
    for (std::uint32_t i = 1; i <= types.size(); ++i)
        EXPECT_EQ(list.object(i).type, types[i - 1]) << "object " << i;
    EXPECT_FALSE(list.object(3).boolean);
    EXPECT_TRUE(list.object(4).boolean);
    EXPECT_EQ(list.object(5).integer, 255);
    EXPECT_EQ(list.object(6).integer, 65534);
    EXPECT_EQ(list.object(7).integer, 4294967295);
    EXPECT_EQ(list.object(8).integer, -2);
    EXPECT_EQ(list.object(9).integer, 42);
    EXPECT_EQ(list.object(10).real, 1.5);
    EXPECT_EQ(list.object(11).real, -0.25);
    EXPECT_EQ(list.object(12).real, 7e8);
    EXPECT_EQ(list.object(13).data, std::string("a\0b", 3));
    EXPECT_EQ(list.object(14).uid, 7U);
    EXPECT_EQ(list.object(15).uid, UINT64_MAX);
    EXPECT_EQ(list.object(16).members, (std::vector<std::uint32_t>{1, 4}));
}

// A NUL inside UTF-16 text is one that Debian's libplist aborts on.
TEST(PropertyListRead, StringsKeepWhatTheyHold) {
    const std::u16string odd{u'a', 0, u'b', 0xDC00, 0xD800, 0xD83D, 0xDE00};
    const std::string long1(15, 'x'), long2(300, 'y'), long3(70000, 'z');
    const PropertyList list =
        PropertyList::parse(Layout{{array({1, 2, 3, 4, 5, 6}), ascii("caf\xE9"), utf16(odd),
                                    ascii(long1), ascii(long2), ascii(long3), "\x4F\x10\x02hi"},
                                   4}
                                .bytes());
    EXPECT_EQ(list.object(1).string, u"café");
    EXPECT_EQ(list.object(2).string, odd);
    EXPECT_EQ(PropertyList::utf8(list.object(2).string),
              std::string("a\0b", 3) + "\xEF\xBF\xBD\xEF\xBF\xBD😀");
    EXPECT_EQ(PropertyList::utf8(list.object(5).string), long3);
    EXPECT_EQ(list.object(3).string.size() + list.object(4).string.size(), 315U);
    EXPECT_EQ(list.object(6).data, "hi");
}

TEST(PropertyListRead, FindAndEquals) {
    const PropertyList list = PropertyList::parse(Layout{
        {dictionary({1, 2, 3, 4}, {5, 6, 7, 0}), ascii("$top"), utf16(u"$objects"), utf16(u"clé"),
         "\x10\x05", ascii("1"), ascii("2"),
         ascii("3")}}.bytes());
    EXPECT_EQ(list.find(0, "$top"), 5U);
    EXPECT_EQ(list.find(0, "$objects"), 6U);
    EXPECT_EQ(list.find(0, "clé"), 7U);
    EXPECT_EQ(list.find(0, "5"), std::nullopt); // an integer key is no string
    EXPECT_EQ(list.find(0, "$to"), std::nullopt);
    EXPECT_EQ(list.find(1, "$top"), std::nullopt);
    EXPECT_EQ(list.find(99, "$top"), std::nullopt);
    EXPECT_TRUE(PropertyList::equals(u"$top", "$top"));
    EXPECT_FALSE(PropertyList::equals(u"$top", "$to"));
    EXPECT_FALSE(PropertyList::equals(u"é", "\xC3\xA9"));
}

// Each level names the next twice: expanded into a tree it would double at every level.
TEST(PropertyListRead, SharedNestingIsDecodedOnceAndDeepNestingWithoutRecursion) {
    Layout layout;
    for (std::uint64_t i = 0; i < 64; ++i)
        layout.objects.push_back(array({i + 1, i + 1}));
    layout.objects.push_back(array({}));
    const PropertyList list = PropertyList::parse(layout.bytes());
    ASSERT_EQ(list.size(), 65U);
    EXPECT_EQ(list.object(63).members, (std::vector<std::uint32_t>{64, 64}));

    // Deep nesting does not recurse.
    constexpr std::uint64_t depth = 300'000;
    Layout deep{.objects = {}, .offsetWidth = 3, .referenceWidth = 3};
    for (std::uint64_t i = 0; i < depth; ++i)
        deep.objects.push_back(marker(0xA1) + bigEndian(i + 1, 3));
    deep.objects.push_back(array({}));
    const PropertyList nested = PropertyList::parse(deep.bytes());
    std::uint64_t levels = 0;
    for (std::uint32_t at = nested.top(); !nested.object(at).members.empty();
         at = nested.object(at).members[0])
        ++levels;
    EXPECT_EQ(levels, depth);
}

const std::string notPropertyList = "This file is not a binary property list.";
const std::string cutShort = "The property list is cut short.";
const std::string badTable = "The property list is damaged: its table of objects is invalid.";
const std::string outside = "The property list is damaged: an object lies outside the file.";
const std::string tooLong = "The property list is damaged: an object is longer than the file.";
const std::string missing =
    "The property list is damaged: an object refers to an object that does not exist.";
const std::string unknownKind =
    "The property list is damaged: it holds an object of an unknown kind.";
const std::string overlapping = "The property list is damaged: its objects overlap or are shared.";

const Layout small{{array({1, 2}), ascii("ok"), "\x10\x05"}};
using Offsets = std::vector<std::uint64_t>;
using Objects = std::vector<std::string>;

// The small file with one field changed (and offsets `offsetWidth` bytes wide).
template <typename Field, typename Value>
std::string with(Field Layout::*field, Value value, int offsetWidth = 1) {
    Layout layout = small;
    layout.offsetWidth = offsetWidth;
    layout.*field = value;
    return layout.bytes();
}

TEST(PropertyListDamage, HeaderAndTrailer) {
    ASSERT_EQ(errorOf(small.bytes()), "(read)");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", notPropertyList},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>", notPropertyList},
        {"bplist01" + small.bytes().substr(8), notPropertyList},
        {"bplis", cutShort},
        {"bplist00" + std::string(31, '\0'), cutShort},
        {with(&Layout::offsetWidth, 0), badTable},
        {with(&Layout::referenceWidth, 9), badTable},
        {with(&Layout::count, UINT64_MAX), badTable},
        {with(&Layout::count, UINT64_MAX / 8 + 2, 8), badTable}, // wraps when multiplied
        {with(&Layout::tableStart, 3), badTable},
        {with(&Layout::tableStart, 200), badTable},
        {with(&Layout::tableStart, UINT64_MAX), badTable},
        {with(&Layout::top, 3), missing},
        {with(&Layout::count, 0), missing},
        {with(&Layout::offsets, Offsets{8, 2, 14}), outside},
        {with(&Layout::offsets, Offsets{8, 11, 16}), outside},
        {with(&Layout::offsets, Offsets{8, UINT64_MAX, 14}, 8), outside},
        {with(&Layout::objects, Objects{array({1, 3}), ascii("ok"), "\x10\x05"}), missing},
        {with(&Layout::objects, Objects{dictionary({1}, {3}), ascii("ok"), "\x10\x05"}), missing}};
    for (const auto& [bytes, error] : cases)
        EXPECT_EQ(errorOf(bytes), error) << ::testing::PrintToString(bytes);
}

TEST(PropertyListDamage, Objects) {
    const std::string huge = bigEndian(0x7FFF'FFFF'FFFF'FFFF, 8);
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\x5F\x50", unknownKind},
        {"\x5F\x14", unknownKind},
        {marker(0x55) + "abc", tooLong},
        {"\x11", tooLong},
        {"\x4F\x13" + huge, tooLong},
        {"\x4F\x13" + std::string(8, '\xFF'), tooLong},
        {"\x6F\x13\x80" + std::string(7, '\0'), tooLong},
        {"\xAF\x13\x40" + std::string(7, '\0'), tooLong},
        {"\xDF\x13\x40" + std::string(7, '\0'), tooLong}};
    for (const auto& [object, error] : cases)
        EXPECT_EQ(errorOf(Layout{{object}}.bytes()), error) << ::testing::PrintToString(object);
    for (char unknown : std::string("\x70\x15\x21\x34\x88\xB0\xE0\x0C\x01"))
        EXPECT_EQ(errorOf(Layout{{std::string(1, unknown)}}.bytes()), unknownKind) << +unknown;
}

TEST(PropertyListDamage, SharedOrOverlappingObjectsCannotInflateWork) {
    Layout shared{{array({1, 1}), std::string(1000, '\x4E')}, 2};
    shared.offsets = {8, 11, 11, 11};
    EXPECT_EQ(errorOf(shared.bytes()), "(read)") << "a few shared entries are harmless";
    // Inside a run of 0x4E every byte starts a 15-byte data object.
    shared.offsets = {8};
    for (std::uint64_t offset = 11; offset + 15 <= 1011; ++offset)
        shared.offsets.push_back(offset);
    EXPECT_EQ(errorOf(shared.bytes()), overlapping);
    shared.offsets.assign(20, 11); // one object, many entries
    shared.objects[1] = head(0x40, 1000) + std::string(1000, '\0');
    EXPECT_EQ(errorOf(shared.bytes()), overlapping);
    // A flood of entries naming one null: each would cost far more memory than its byte.
    const Layout flood{.objects = {marker(0x00)},
                       .offsets = std::vector<std::uint64_t>(100'000, 8)};
    EXPECT_EQ(errorOf(flood.bytes()), overlapping);
}

TEST(PropertyListDamage, TooLargeIsRefusedUnreadAndEveryTruncationIsRefused) {
    // Pages that can't be read: touching any byte would crash the test.
    const std::size_t size = PropertyList::maximumSize + 1;
    void* pages = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    EXPECT_EQ(errorOf(std::string_view(static_cast<const char*>(pages), size)),
              "The property list is too large to read.");
    munmap(pages, size);
    const std::string archive =
        testing::readFile(QUILLO_ARCHIVE_SAMPLES "/mw-NSMutableAttributedString-sRGB-red.plist");
    for (const std::string& whole : {everyKind, archive}) {
        ASSERT_NO_THROW(PropertyList::parse(whole));
        for (std::size_t cut = 0; cut < whole.size(); ++cut)
            EXPECT_THROW(PropertyList::parse(whole.substr(0, cut)), PropertyListError) << cut;
    }
}

// ---- Real archives written by Apple's archiver (and a few by other tools); what they hold
// is read by the keyed archive's tests

TEST(PropertyListArchives, EverySampleReadsOrIsRefused) {
    int read = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(QUILLO_ARCHIVE_SAMPLES)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "README.md")
            continue;
        SCOPED_TRACE(name);
        const std::string bytes = testing::readFile(entry.path());
        if (name.ends_with(".xml.plist")) {
            EXPECT_EQ(errorOf(bytes), notPropertyList);
            continue;
        }
        const PropertyList list = PropertyList::parse(bytes);
        const std::uint32_t archiver = list.find(list.top(), "$archiver").value();
        EXPECT_EQ(PropertyList::utf8(list.object(archiver).string), "NSKeyedArchiver");
        ++read;
    }
    EXPECT_GE(read, 15);
}

} // namespace
} // namespace quillo
