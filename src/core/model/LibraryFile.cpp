#include "LibraryFile.h"

#include "core/util/DateText.h"
#include "core/util/Files.h"
#include "core/util/Translation.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <simdjson.h>
#include <unordered_map>

namespace quillo::LibraryFileCoding {

namespace {

// ---- Writing
//
// The document's shape is fixed, so it is written straight into one string, with keys in
// sorted order and the layout of a two-space pretty printer. A general JSON writer would
// first build a tree of the whole library, which costs more than the rest of a save.

class Writer {
public:
    explicit Writer(std::size_t expectedSize) { out_.reserve(expectedSize); }

    std::string finish() { return std::move(out_); }

    void raw(std::string_view text) { out_ += text; }

    void indent(int depth) { out_.append(static_cast<std::size_t>(depth) * 2, ' '); }

    // `"key": ` at the given depth, after a comma and new line unless it is the first.
    void key(std::string_view name, int depth, bool first = false) {
        out_ += first ? "\n" : ",\n";
        indent(depth);
        out_ += '"';
        out_ += name;
        out_ += "\": ";
    }

    // A JSON string. Besides what JSON requires, "/" is escaped as "\/". Text that is not
    // valid UTF-8 is written with U+FFFD in place of the broken bytes, so that one bad
    // string can never fail a whole save.
    void string(std::string_view text) {
        if (!simdjson::validate_utf8(text.data(), text.size())) {
            stringEscaped(UnicodeText::repairedUtf8(text));
            return;
        }
        stringEscaped(text);
    }

private:
    void stringEscaped(std::string_view text) {
        static constexpr std::array<bool, 256> needsEscape = [] {
            std::array<bool, 256> table{};
            for (int c = 0; c < 0x20; ++c)
                table[static_cast<std::size_t>(c)] = true;
            table['"'] = table['\\'] = table['/'] = true;
            return table;
        }();
        out_ += '"';
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (!needsEscape[c])
                continue;
            out_.append(text.data() + runStart, i - runStart);
            runStart = i + 1;
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '/':
                out_ += "\\/";
                break;
            case '\b':
                out_ += "\\b";
                break;
            case '\f':
                out_ += "\\f";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default: {
                static constexpr char hex[] = "0123456789abcdef";
                out_ += "\\u00";
                out_ += hex[c >> 4];
                out_ += hex[c & 0xF];
            }
            }
        }
        out_.append(text.data() + runStart, text.size() - runStart);
        out_ += '"';
    }

    std::string out_;
};

void writeGroup(Writer& w, const SnippetGroup& group) {
    w.key("id", 3, true);
    w.raw("\"" + group.id.string() + "\"");
    w.key("name", 3);
    w.string(group.name);
}

void writeSnippet(Writer& w, const Snippet& snippet) {
    w.key("created", 3, true);
    w.raw("\"" + iso8601String(snippet.created) + "\"");
    w.key("format", 3);
    w.string(rawValue(snippet.format));
    if (snippet.groupID) {
        w.key("groupID", 3);
        w.raw("\"" + snippet.groupID->string() + "\"");
    }
    w.key("id", 3);
    w.raw("\"" + snippet.id.string() + "\"");
    if (snippet.lastUsed) {
        w.key("lastUsed", 3);
        w.raw("\"" + iso8601String(*snippet.lastUsed) + "\"");
    }
    w.key("modified", 3);
    w.raw("\"" + iso8601String(snippet.modified) + "\"");
    w.key("name", 3);
    w.string(snippet.name);
    w.key("text", 3);
    w.string(snippet.text);
    w.key("useCount", 3);
    w.raw(std::to_string(snippet.useCount));
}

template <typename Record, typename WriteRecord>
void writeArray(Writer& w, const std::vector<Record>& records, WriteRecord writeRecord) {
    if (records.empty()) {
        w.raw("[]");
        return;
    }
    w.raw("[");
    for (std::size_t i = 0; i < records.size(); ++i) {
        w.raw(i == 0 ? "\n" : ",\n");
        w.indent(2);
        w.raw("{");
        writeRecord(w, records[i]);
        w.raw("\n");
        w.indent(2);
        w.raw("}");
    }
    w.raw("\n");
    w.indent(1);
    w.raw("]");
}

// ---- Reading

using simdjson::dom::element;
using simdjson::dom::element_type;
using simdjson::dom::object;

// Where a value sits, for the error message; the words are only put together on failure.
struct Place {
    const char* record = nullptr; // "group", "snippet", or null for the top level
    std::size_t index = 0;        // counted from 1
    const char* key = nullptr;

    Place member(const char* name) const { return {record, index, name}; }

    std::string description() const {
        const std::string number = std::to_string(index);
        // TRANSLATORS: where in the library file a value is: "snippet 3", "group 2", or the
        // "top level" of the file.
        const std::string where = !record ? i18n("top level")
                                  : std::string_view(record) == "group"
                                      ? fill(i18n("group {number}"), {{"number", number}})
                                      : fill(i18n("snippet {number}"), {{"number", number}});
        // TRANSLATORS: a value's place in the library file: {record} is "snippet 3", "group
        // 2" or "top level", {key} the value's name in the file, such as "name".
        return key ? fill(i18n("{record} “{key}”"), {{"record", where}, {"key", key}}) : where;
    }
};

// `problem` is a message whose {place} says where the value is, and `detail` one more
// placeholder's name and value.
[[noreturn]] void fail(const Place& place, const char* problem,
                       std::pair<std::string_view, std::string_view> detail = {}) {
    throw LibraryFileError(fill(i18n(problem), {{"place", place.description()}, detail}));
}

element require(const object& record, const char* key, const Place& place) {
    element value;
    if (record.at_key(key).get(value) != simdjson::SUCCESS)
        fail(place, I18N_NOOP("The library file's {place} has no “{key}”."), {"key", key});
    return value;
}

element require(const std::optional<element>& value, const char* key, const Place& place) {
    if (!value)
        fail(place, I18N_NOOP("The library file's {place} has no “{key}”."), {"key", key});
    return *value;
}

// Optional keys: missing and null both mean absent.
std::optional<element> optional(const std::optional<element>& value) {
    if (!value || value->is_null())
        return std::nullopt;
    return value;
}

std::string_view requireString(const element& value, const Place& place) {
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS)
        fail(place, I18N_NOOP("The library file's {place} isn't a string."));
    return text;
}

std::int64_t requireInteger(const element& value, const Place& place) {
    switch (value.type()) {
    case element_type::INT64:
        return value.get_int64().value_unsafe();
    case element_type::UINT64:
        fail(place, I18N_NOOP("The library file's {place} is too large."));
    case element_type::DOUBLE: {
        // 3.0 is a whole number in JSON's eyes; 3.5 is not.
        const double number = value.get_double().value_unsafe();
        if (std::trunc(number) == number && number >= -9.2e18 && number <= 9.2e18)
            return static_cast<std::int64_t>(number);
        break;
    }
    default:
        break;
    }
    fail(place, I18N_NOOP("The library file's {place} isn't a whole number."));
}

Uuid requireUuid(std::string_view text, const Place& place) {
    const std::optional<Uuid> id = Uuid::parse(text);
    if (!id)
        fail(place, I18N_NOOP("The library file's {place} isn't a UUID."));
    return *id;
}

Uuid requireUuid(const element& value, const Place& place) {
    return requireUuid(requireString(value, place), place);
}

Date requireDate(const element& value, const Place& place) {
    const std::optional<Date> date = parseIso8601(requireString(value, place));
    if (!date)
        fail(place,
             I18N_NOOP("The library file's {place} isn't a date such as 2026-12-05T03:54:06Z."));
    return *date;
}

SnippetFormat requireFormat(const element& value, const Place& place) {
    const std::string_view raw = requireString(value, place);
    const std::optional<SnippetFormat> format = snippetFormat(raw);
    if (!format)
        fail(place, I18N_NOOP("The library file's {place} is “{value}”, not “rich” or “plain”."),
             {"value", raw});
    return *format;
}

object requireObject(const element& value, const Place& place) {
    object record;
    if (value.get_object().get(record) != simdjson::SUCCESS)
        fail(place, I18N_NOOP("The library file's {place} isn't an object."));
    return record;
}

simdjson::dom::array requireArray(const object& record, const char* key, const Place& place) {
    simdjson::dom::array list;
    if (require(record, key, place).get_array().get(list) != simdjson::SUCCESS)
        fail(place.member(key), I18N_NOOP("The library file's {place} isn't a list."));
    return list;
}

// The group ids read so far, by their text: snippets name their group with the same text,
// so most group ids need parsing once, not once per snippet.
using KnownIds = std::unordered_map<std::string_view, Uuid>;

// Records are built with every field given, so no default (a random id, the clock) is made
// only to be thrown away.
SnippetGroup readGroup(const element& value, const Place& place, KnownIds& ids) {
    const object record = requireObject(value, place);
    const std::string_view idText = requireString(require(record, "id", place), place.member("id"));
    SnippetGroup group{
        .id = requireUuid(idText, place.member("id")),
        .name = std::string(requireString(require(record, "name", place), place.member("name"))),
    };
    ids.emplace(idText, group.id);
    return group;
}

// A snippet's values, each the first of its key as at_key() finds it, gathered in one pass
// over the record instead of one search for each key.
struct SnippetValues {
    std::optional<element> id, name, format, text, groupID, created, modified, lastUsed, useCount;

    explicit SnippetValues(const object& record) {
        for (const simdjson::dom::key_value_pair field : record)
            if (std::optional<element>* slot = slotOf(field.key); slot && !*slot)
                *slot = field.value;
    }

private:
    std::optional<element>* slotOf(std::string_view key) {
        using namespace std::string_view_literals;
        for (const auto& [known, slot] : std::array{
                 std::pair{"id"sv, &id}, std::pair{"name"sv, &name}, std::pair{"format"sv, &format},
                 std::pair{"text"sv, &text}, std::pair{"groupID"sv, &groupID},
                 std::pair{"created"sv, &created}, std::pair{"modified"sv, &modified},
                 std::pair{"lastUsed"sv, &lastUsed}, std::pair{"useCount"sv, &useCount}})
            if (key == known)
                return slot;
        return nullptr;
    }
};

// With `texts`, the snippet's text is left out and its place in the document kept there.
Snippet readSnippet(const element& value, const Place& place, const KnownIds& groupIds,
                    std::vector<std::string_view>* texts) {
    const SnippetValues values(requireObject(value, place));
    const auto field = [&](const std::optional<element>& found, const char* key) {
        return require(found, key, place);
    };
    const auto groupID = [&](const element& group) {
        const Place member = place.member("groupID");
        const std::string_view id = requireString(group, member);
        const auto known = groupIds.find(id);
        return known != groupIds.end() ? known->second : requireUuid(id, member);
    };
    const auto text = [&](const element& found) {
        const std::string_view read = requireString(found, place.member("text"));
        if (!texts)
            return std::string(read);
        texts->push_back(read);
        return std::string();
    };
    const std::optional<element> group = optional(values.groupID);
    const std::optional<element> used = optional(values.lastUsed);
    return Snippet{
        .id = requireUuid(field(values.id, "id"), place.member("id")),
        .name = std::string(requireString(field(values.name, "name"), place.member("name"))),
        .format = requireFormat(field(values.format, "format"), place.member("format")),
        .text = text(field(values.text, "text")),
        .groupID = group ? std::optional(groupID(*group)) : std::nullopt,
        .created = requireDate(field(values.created, "created"), place.member("created")),
        .modified = requireDate(field(values.modified, "modified"), place.member("modified")),
        .lastUsed =
            used ? std::optional(requireDate(*used, place.member("lastUsed"))) : std::nullopt,
        .useCount = requireInteger(field(values.useCount, "useCount"), place.member("useCount")),
    };
}

// The parser checks the whole document, UTF-8 included, and refuses nesting deeper than it
// can handle instead of running out of stack. Without `padded`, the bytes are copied to
// memory the parser may read past their end.
element parse(simdjson::dom::parser& parser, std::string_view bytes, bool padded) {
    if (bytes.size() > maximumSize)
        throw LibraryFileError(fill(i18n("The library file is too large to read ({size} MB)."),
                                    {{"size", std::to_string(bytes.size() >> 20)}}));
    element document;
    if (const auto error = parser.parse(bytes.data(), bytes.size(), !padded).get(document);
        error != simdjson::SUCCESS)
        throw LibraryFileError(fill(i18n("The library file isn't valid JSON ({reason})"),
                                    {{"reason", simdjson::error_message(error)}}));
    return document;
}

// The library in a parsed document; with `texts`, as readSnippet() leaves them.
LibraryFile build(const element& document, std::vector<std::string_view>* texts) {
    const Place top;
    const object root = requireObject(document, top);
    LibraryFile file;
    file.version = requireInteger(require(root, "version", top), top.member("version"));

    const simdjson::dom::array groups = requireArray(root, "groups", top);
    file.groups.reserve(groups.size());
    KnownIds groupIds;
    std::size_t index = 0;
    for (const element group : groups)
        file.groups.push_back(readGroup(group, {"group", ++index}, groupIds));

    const simdjson::dom::array snippets = requireArray(root, "snippets", top);
    file.snippets.reserve(snippets.size());
    if (texts)
        texts->reserve(snippets.size());
    index = 0;
    for (const element snippet : snippets)
        file.snippets.push_back(readSnippet(snippet, {"snippet", ++index}, groupIds, texts));
    return file;
}

} // namespace

std::string encode(const std::vector<SnippetGroup>& groups, const std::vector<Snippet>& snippets) {
    std::size_t expected = 64 + groups.size() * 120;
    for (const Snippet& snippet : snippets)
        expected += 360 + snippet.name.size() + snippet.text.size() * 11 / 10;
    Writer w(expected);
    w.raw("{");
    w.key("groups", 1, true);
    writeArray(w, groups, writeGroup);
    w.key("snippets", 1);
    writeArray(w, snippets, writeSnippet);
    w.key("version", 1);
    w.raw("1\n}");
    return w.finish();
}

LibraryFile decode(std::string_view bytes) {
    simdjson::dom::parser parser;
    return build(parse(parser, bytes, false), nullptr);
}

struct ReadOnlyFile::Parsed {
    simdjson::dom::parser parser;
};

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& path)
    : parsed_(std::make_unique<Parsed>()) {
    static_assert(padding >= simdjson::SIMDJSON_PADDING);
    element document;
    {
        // The parser keeps what it read in memory of its own; the file's bytes go at once.
        const Files::PaddedContent content = Files::readPadded(path, maximumSize, padding);
        document = parse(parsed_->parser, content.bytes(), true);
    }
    contents_ = build(document, &texts_);
}

ReadOnlyFile::~ReadOnlyFile() = default;

} // namespace quillo::LibraryFileCoding
