#include "LibraryFile.h"

#include "core/util/DateText.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace quillo::LibraryFileCoding {

using nlohmann::json;

namespace {

// ---- writing

json encodeGroup(const SnippetGroup& group) {
    return json::object({{"id", group.id.string()}, {"name", group.name}});
}

json encodeSnippet(const Snippet& snippet) {
    json record = json::object({
        {"id", snippet.id.string()},
        {"name", snippet.name},
        {"format", rawValue(snippet.format)},
        {"text", snippet.text},
        {"created", iso8601String(snippet.created)},
        {"modified", iso8601String(snippet.modified)},
        {"useCount", snippet.useCount},
    });
    if (snippet.groupID)
        record["groupID"] = snippet.groupID->string();
    if (snippet.lastUsed)
        record["lastUsed"] = iso8601String(*snippet.lastUsed);
    return record;
}

// The JSON writer leaves "/" alone; the file escapes it as "\/". Outside strings a JSON
// document never holds a "/", so every one of them is inside a string.
std::string escapeSlashes(std::string text) {
    const auto slashes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '/'));
    if (slashes == 0)
        return text;
    std::string escaped;
    escaped.reserve(text.size() + slashes);
    for (const char c : text) {
        if (c == '/')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// ---- reading

// Where in the document a value sits, for the error message.
struct Place {
    std::string description;
    Place member(std::string_view key) const {
        return {description + " “" + std::string(key) + "”"};
    }
};

[[noreturn]] void fail(const Place& place, std::string_view problem) {
    throw LibraryFileError("The library file's " + place.description + " " + std::string(problem));
}

const json& require(const json& object, const char* key, const Place& place) {
    const auto found = object.find(key);
    if (found == object.end())
        fail(place, "has no “" + std::string(key) + "”.");
    return *found;
}

const std::string& requireString(const json& value, const Place& place) {
    if (!value.is_string())
        fail(place, "isn't a string.");
    return value.get_ref<const std::string&>();
}

std::int64_t requireInteger(const json& value, const Place& place) {
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return static_cast<std::int64_t>(number);
        fail(place, "is too large.");
    }
    if (value.is_number_float()) {
        // 3.0 is a whole number in JSON's eyes; 3.5 is not.
        const double number = value.get<double>();
        if (std::trunc(number) == number && number >= -9.2e18 && number <= 9.2e18)
            return static_cast<std::int64_t>(number);
    }
    fail(place, "isn't a whole number.");
}

Uuid requireUuid(const json& value, const Place& place) {
    const std::optional<Uuid> id = Uuid::parse(requireString(value, place));
    if (!id)
        fail(place, "isn't a UUID.");
    return *id;
}

Date requireDate(const json& value, const Place& place) {
    const std::optional<Date> date = parseIso8601(requireString(value, place));
    if (!date)
        fail(place, "isn't a date such as 2026-12-05T03:54:06Z.");
    return *date;
}

void requireObject(const json& value, const Place& place) {
    if (!value.is_object())
        fail(place, "isn't an object.");
}

const json& requireArray(const json& object, const char* key, const Place& place) {
    const json& value = require(object, key, place);
    if (!value.is_array())
        fail(place.member(key), "isn't a list.");
    return value;
}

// Optional keys: missing and null both mean absent.
const json* optionalMember(const json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

// Records are built with every field given, so no default (a random id, the clock) is made
// only to be thrown away.
SnippetGroup decodeGroup(const json& record, const Place& place) {
    requireObject(record, place);
    return SnippetGroup{
        .id = requireUuid(require(record, "id", place), place.member("id")),
        .name = requireString(require(record, "name", place), place.member("name")),
    };
}

SnippetFormat requireFormat(const json& value, const Place& place) {
    const std::string& raw = requireString(value, place);
    const std::optional<SnippetFormat> format = snippetFormat(raw);
    if (!format)
        fail(place, "is “" + raw + "”, not “rich” or “plain”.");
    return *format;
}

Snippet decodeSnippet(const json& record, const Place& place) {
    requireObject(record, place);
    const auto field = [&](const char* key) -> const json& { return require(record, key, place); };
    const json* group = optionalMember(record, "groupID");
    const json* used = optionalMember(record, "lastUsed");
    return Snippet{
        .id = requireUuid(field("id"), place.member("id")),
        .name = requireString(field("name"), place.member("name")),
        .format = requireFormat(field("format"), place.member("format")),
        .text = requireString(field("text"), place.member("text")),
        .groupID =
            group ? std::optional(requireUuid(*group, place.member("groupID"))) : std::nullopt,
        .created = requireDate(field("created"), place.member("created")),
        .modified = requireDate(field("modified"), place.member("modified")),
        .lastUsed =
            used ? std::optional(requireDate(*used, place.member("lastUsed"))) : std::nullopt,
        .useCount = requireInteger(field("useCount"), place.member("useCount")),
    };
}

std::string withoutLibraryPrefix(const char* message) {
    // nlohmann's messages start with "[json.exception.parse_error.101] ".
    std::string_view text(message);
    if (const auto end = text.find("] "); !text.empty() && text.front() == '[' && end != text.npos)
        text.remove_prefix(end + 2);
    return std::string(text);
}

} // namespace

std::string encode(const std::vector<SnippetGroup>& groups, const std::vector<Snippet>& snippets) {
    json groupRecords = json::array();
    for (const SnippetGroup& group : groups)
        groupRecords.push_back(encodeGroup(group));
    json snippetRecords = json::array();
    for (const Snippet& snippet : snippets)
        snippetRecords.push_back(encodeSnippet(snippet));
    // nlohmann::json keeps object keys sorted, at every level.
    const json document = json::object({{"groups", std::move(groupRecords)},
                                        {"snippets", std::move(snippetRecords)},
                                        {"version", 1}});
    // A string that somehow holds broken UTF-8 is written with U+FFFD in its place rather
    // than failing the whole save.
    return escapeSlashes(document.dump(2, ' ', false, json::error_handler_t::replace));
}

LibraryFile decode(std::string_view bytes) {
    if (bytes.size() > maximumSize)
        throw LibraryFileError("The library file is too large to read (" +
                               std::to_string(bytes.size() >> 20) + " MB).");
    json document;
    try {
        document = json::parse(bytes.begin(), bytes.end());
    } catch (const json::exception& error) {
        throw LibraryFileError("The library file isn't valid JSON: " +
                               withoutLibraryPrefix(error.what()));
    }

    const Place top{"top level"};
    requireObject(document, top);
    LibraryFile file;
    file.version = requireInteger(require(document, "version", top), top.member("version"));

    const json& groups = requireArray(document, "groups", top);
    file.groups.reserve(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i)
        file.groups.push_back(decodeGroup(groups[i], {"group " + std::to_string(i + 1)}));

    const json& snippets = requireArray(document, "snippets", top);
    file.snippets.reserve(snippets.size());
    for (std::size_t i = 0; i < snippets.size(); ++i)
        file.snippets.push_back(decodeSnippet(snippets[i], {"snippet " + std::to_string(i + 1)}));
    return file;
}

} // namespace quillo::LibraryFileCoding
