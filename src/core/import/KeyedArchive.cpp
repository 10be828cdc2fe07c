#include "KeyedArchive.h"

#include "core/util/Translation.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace quillo {

namespace {

using Type = PropertyListObject::Type;

constexpr std::int64_t archiverVersion = 100000;
// Dates are seconds from 2001-01-01 00:00:00 UTC, the archive's reference date.
constexpr double referenceDate = 978307200;
// Far beyond any real date, and well inside what a Date can hold.
constexpr double latestSeconds = 1e12;

[[noreturn]] void notAnArchive() {
    throw ArchiveError(i18n("This file is not a keyed archive."));
}

Date dateFromReferenceSeconds(double seconds) {
    const double unix = std::clamp(referenceDate + seconds, -latestSeconds, latestSeconds);
    return Date(std::chrono::microseconds(std::llround(unix * 1e6)));
}

/// URLs without a scheme ("mailto:" and "https:" have one) are relative.
bool hasScheme(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(url[0]))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = url[i];
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

/// The relative part resolved against the base as a browser would for the plain cases
/// archives hold: an absolute URL, a path from the root, or a path beside the base's.
std::string resolveURL(const std::string& relative, const std::optional<std::string>& base) {
    if (!base || hasScheme(relative))
        return relative;
    const std::size_t schemeEnd = base->find("://");
    const std::size_t authorityStart = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
    const std::size_t pathStart = std::min(base->find('/', authorityStart), base->size());
    const std::string origin = base->substr(0, pathStart);
    if (relative.starts_with("//"))
        return base->substr(0, base->find(':') + 1) + relative;
    if (relative.starts_with('/'))
        return origin + relative;
    std::string path = base->substr(pathStart);
    path = path.substr(0, path.rfind('/') + 1);
    if (path.empty())
        path = "/";
    return origin + path + relative;
}

} // namespace

KeyedArchive KeyedArchive::read(std::string_view bytes) {
    KeyedArchive archive(PropertyList::parse(bytes));
    const PropertyList& list = archive.list_;
    const std::uint32_t frame = list.top();
    const auto archiver = list.find(frame, "$archiver");
    const auto version = list.find(frame, "$version");
    const auto top = list.find(frame, "$top");
    const auto objects = list.find(frame, "$objects");
    if (!archiver || !version || !top || !objects)
        notAnArchive();
    const PropertyListObject& name = list.object(*archiver);
    if (name.type != Type::string || !PropertyList::equals(name.string, "NSKeyedArchiver"))
        notAnArchive();
    const PropertyListObject& number = list.object(*version);
    if (number.type != Type::integer || number.integer != archiverVersion)
        throw ArchiveError(i18n("This archive was written in a format version this program "
                                "doesn't know."));
    if (list.object(*top).type != Type::dictionary || list.object(*objects).type != Type::array)
        notAnArchive();
    archive.top_ = *top;
    archive.objects_ = *objects;
    return archive;
}

std::optional<KeyedArchive::Ref> KeyedArchive::resolve(Ref value) const {
    const PropertyListObject& object = at(value);
    if (object.type != Type::uid)
        return value;
    const std::vector<std::uint32_t>& objects = at(objects_).members;
    if (object.uid >= objects.size())
        throw ArchiveError(i18n("The archive is damaged: it refers to an object it doesn't hold."));
    // Object 0 is "$null", which stands for nothing.
    if (object.uid == 0)
        return std::nullopt;
    return objects[object.uid];
}

std::optional<KeyedArchive::Ref> KeyedArchive::root() const {
    const auto root = list_.find(top_, "root");
    return root ? resolve(*root) : std::nullopt;
}

std::optional<KeyedArchive::Ref> KeyedArchive::archivedObject(std::uint64_t position) const {
    const std::vector<std::uint32_t>& objects = at(objects_).members;
    if (position == 0 || position >= objects.size())
        return std::nullopt;
    return objects[position];
}

std::optional<KeyedArchive::Ref> KeyedArchive::field(Ref object, std::string_view key) const {
    // The archiver escapes keys of its own syntax with a second "$".
    const auto value =
        key.starts_with('$') ? list_.find(object, "$" + std::string(key)) : list_.find(object, key);
    return value ? resolve(*value) : std::nullopt;
}

std::vector<std::string> KeyedArchive::classes(Ref object) const {
    const auto classValue = list_.find(object, "$class");
    const auto description = classValue ? resolve(*classValue) : std::nullopt;
    if (!description)
        return {};
    std::vector<std::string> names;
    if (const auto chain = list_.find(*description, "$classes"); chain) {
        if (const auto members = array(*chain); members)
            for (Ref member : *members)
                if (const auto name = string(member); name)
                    names.push_back(*name);
    }
    if (names.empty())
        if (const auto name = list_.find(*description, "$classname"); name)
            if (const auto text = string(*name); text)
                names.push_back(*text);
    return names;
}

bool KeyedArchive::isKindOf(Ref object, std::string_view className) const {
    for (const std::string& name : classes(object))
        if (name == className)
            return true;
    return false;
}

std::optional<std::u16string> KeyedArchive::utf16String(Ref object) const {
    if (at(object).type == Type::string)
        return at(object).string;
    if (const auto inner = field(object, "NS.string"); inner && at(*inner).type == Type::string)
        return at(*inner).string;
    return std::nullopt;
}

std::optional<std::string> KeyedArchive::string(Ref object) const {
    const auto text = utf16String(object);
    return text ? std::optional(PropertyList::utf8(*text)) : std::nullopt;
}

std::optional<std::int64_t> KeyedArchive::integer(Ref object) const {
    const PropertyListObject& value = at(object);
    switch (value.type) {
    case Type::integer:
        return value.integer;
    case Type::boolean:
        return value.boolean ? 1 : 0;
    case Type::real:
        // A number archived as a real still reads as an integer, as the archiver's own
        // reader does; one that no integer can hold reads as nothing.
        if (std::isfinite(value.real) && std::fabs(value.real) < 9.2e18)
            return static_cast<std::int64_t>(value.real);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<double> KeyedArchive::real(Ref object) const {
    const PropertyListObject& value = at(object);
    if (value.type == Type::real)
        return value.real;
    if (value.type == Type::integer)
        return static_cast<double>(value.integer);
    return std::nullopt;
}

std::optional<Date> KeyedArchive::date(Ref object) const {
    std::optional<double> seconds;
    if (at(object).type == Type::date)
        seconds = at(object).real;
    else if (const auto time = field(object, "NS.time"); time)
        seconds = real(*time);
    if (!seconds || !std::isfinite(*seconds))
        return std::nullopt;
    return dateFromReferenceSeconds(*seconds);
}

std::optional<std::string> KeyedArchive::data(Ref object) const {
    if (at(object).type == Type::data)
        return at(object).data;
    for (const char* key : {"NS.data", "NS.bytes"})
        if (const auto inner = field(object, key); inner && at(*inner).type == Type::data)
            return at(*inner).data;
    return std::nullopt;
}

std::optional<std::vector<KeyedArchive::Ref>> KeyedArchive::array(Ref object) const {
    const PropertyListObject* members = &at(object);
    if (members->type != Type::array) {
        const auto inner = field(object, "NS.objects");
        if (!inner || at(*inner).type != Type::array || field(object, "NS.keys"))
            return std::nullopt;
        members = &at(*inner);
    }
    std::vector<Ref> result;
    result.reserve(members->members.size());
    for (std::uint32_t member : members->members)
        if (const auto resolved = resolve(member); resolved)
            result.push_back(*resolved);
    return result;
}

std::optional<std::vector<std::pair<KeyedArchive::Ref, KeyedArchive::Ref>>>
KeyedArchive::dictionary(Ref object) const {
    const auto keys = field(object, "NS.keys");
    const auto values = field(object, "NS.objects");
    if (!keys || !values || at(*keys).type != Type::array || at(*values).type != Type::array)
        return std::nullopt;
    const std::vector<std::uint32_t>& keyRefs = at(*keys).members;
    const std::vector<std::uint32_t>& valueRefs = at(*values).members;
    if (keyRefs.size() != valueRefs.size())
        throw ArchiveError(i18n("The archive is damaged: a dictionary has keys without values."));
    std::vector<std::pair<Ref, Ref>> entries;
    entries.reserve(keyRefs.size());
    for (std::size_t i = 0; i < keyRefs.size(); ++i) {
        const auto key = resolve(keyRefs[i]);
        const auto value = resolve(valueRefs[i]);
        if (key && value)
            entries.emplace_back(*key, *value);
    }
    return entries;
}

std::optional<std::string> KeyedArchive::url(Ref object) const {
    Visit visit(*this, object);
    const auto relativeRef = field(object, "NS.relative");
    const auto relative = relativeRef ? string(*relativeRef) : std::nullopt;
    if (!relative)
        return std::nullopt;
    const auto baseRef = field(object, "NS.base");
    return resolveURL(*relative, baseRef ? url(*baseRef) : std::nullopt);
}

KeyedArchive::Visit::Visit(const KeyedArchive& archive, Ref object)
    : archive_(archive), object_(object) {
    if (archive_.inProgress_.contains(object))
        throw ArchiveError(i18n("The archive is damaged: an object contains itself."));
    if (archive_.inProgress_.size() >= maximumDepth)
        throw ArchiveError(i18n("The archive is nested too deeply to read."));
    archive_.inProgress_.insert(object);
}

KeyedArchive::Visit::~Visit() {
    archive_.inProgress_.erase(object_);
}

} // namespace quillo
