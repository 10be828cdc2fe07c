#include "ATextImporter.h"

#include "ArchivedText.h"
#include "KeyedArchive.h"
#include "core/text/HTMLText.h"
#include "core/text/IcuRegex.h"
#include "core/util/Files.h"
#include "core/util/Translation.h"

#include <algorithm>
#include <system_error>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unordered_set>

namespace quillo {

namespace fs = std::filesystem;

namespace {

using Ref = KeyedArchive::Ref;

constexpr std::string_view openingBracket = "\u3010";
constexpr std::string_view closingBracket = "\u3011";
constexpr std::size_t longestNameFromText = 48;
constexpr std::size_t longestTrigger = 12;

std::string_view trimmedSpacesAndTabs(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// The text without white space or line breaks (any Unicode white space) at either end.
std::string trimmedWhiteSpace(std::string_view text) {
    return toUtf8(UnicodeText::trimmedWhiteSpace(toUnicode(text)));
}

/// The text up to its first line break of any kind.
std::string_view firstLine(std::string_view text) {
    constexpr std::string_view breaks[] = {"\n", "\r", "\v", "\f", "\u0085", "\u2028", "\u2029"};
    std::size_t end = text.size();
    for (std::string_view lineBreak : breaks)
        end = std::min(end, text.find(lineBreak));
    return text.substr(0, end);
}

/// The user-perceived characters of a text, as ICU splits them.
std::vector<icu::UnicodeString> characters(std::string_view text, std::size_t limit) {
    const icu::UnicodeString unicode = toUnicode(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    std::vector<icu::UnicodeString> result;
    if (U_FAILURE(status))
        return result;
    breaks->setText(unicode);
    for (int32_t start = breaks->first(), end = breaks->next();
         end != icu::BreakIterator::DONE && result.size() < limit;
         start = end, end = breaks->next())
        result.emplace_back(unicode, start, end - start);
    return result;
}

/// One to twelve characters without white space: what aText users type to expand.
bool looksLikeTrigger(std::string_view abbreviation) {
    if (abbreviation.empty())
        return false;
    const auto chars = characters(abbreviation, longestTrigger + 1);
    if (chars.size() > longestTrigger)
        return false;
    for (const icu::UnicodeString& character : chars)
        for (int32_t i = 0; i < character.length(); i = character.moveIndex32(i, 1))
            if (u_isUWhiteSpace(character.char32At(i)))
                return false;
    return true;
}

bool startsUppercase(std::string_view text) {
    return !text.empty() && u_isUUppercase(toUnicode(text).char32At(0));
}

std::string firstCharacters(std::string_view text, std::size_t count) {
    icu::UnicodeString joined;
    for (const icu::UnicodeString& character : characters(text, count))
        joined += character;
    return toUtf8(joined);
}

/// aText kept HTML in plain snippets now and then; a text that opens a paragraph or a
/// division is read as HTML.
bool looksLikeHTML(const std::string& text) {
    static const Regex startTag("^\\s*<(p|div)[ >]", UREGEX_CASE_INSENSITIVE);
    const icu::UnicodeString unicode = toUnicode(text);
    UErrorCode status = U_ZERO_ERROR;
    return startTag.matcher(unicode)->lookingAt(status) && U_SUCCESS(status);
}

std::string withoutBracesAndBars(std::string text) {
    std::erase_if(text, [](char c) { return c == '}' || c == '|'; });
    return text;
}

/// Splits at the first colon, leaving out empty pieces the way aText's keyword reading
/// does: ":date:x" has the keyword "date" and the rest "x".
std::vector<std::string_view> keywordAndRest(std::string_view inside) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < inside.size(); ++i) {
        if (inside[i] != ':')
            continue;
        if (i > start)
            pieces.push_back(inside.substr(start, i - start));
        start = i + 1;
        if (pieces.size() == 1)
            break;
    }
    if (start < inside.size())
        pieces.push_back(inside.substr(start));
    return pieces;
}

std::string asciiLowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

ATextSnippet decodeSnippet(const KeyedArchive& archive, Ref object) {
    ATextSnippet snippet;
    auto field = [&](std::string_view key) { return archive.field(object, key); };
    if (const auto value = field("Abbreviation"))
        snippet.abbreviation = archive.string(*value);
    if (const auto value = field("Label"))
        snippet.label = archive.string(*value);
    if (const auto value = field("Content")) {
        if (auto styled = archivedStyledText(archive, *value))
            snippet.content = std::move(*styled);
        else if (auto text = archive.string(*value))
            snippet.content = std::move(*text);
    }
    if (const auto value = field("ContentType"))
        snippet.contentType = archive.integer(*value).value_or(0);
    if (const auto value = field("DateCreated"))
        snippet.created = archive.date(*value);
    if (const auto value = field("DateModified"))
        snippet.modified = archive.date(*value);
    return snippet;
}

enum class ItemKind { snippet, group, other };

/// The first of the object's classes that the importer knows decides, as the archive's
/// own reader maps classes.
ItemKind kindOf(const KeyedArchive& archive, Ref object) {
    for (const std::string& name : archive.classes(object)) {
        if (name == "Snippet")
            return ItemKind::snippet;
        if (name == "SnippetGroup")
            return ItemKind::group;
    }
    return ItemKind::other;
}

/// Walks aText's tree of groups, flattening it into named groups.
class BackupWalk {
public:
    BackupWalk(const KeyedArchive& archive, const ATextImporter& importer)
        : archive_(archive), importer_(importer) {}

    void walk(const std::vector<Ref>& items, const std::optional<Uuid>& group,
              const std::optional<std::string>& path) {
        for (Ref item : items) {
            switch (kindOf(archive_, item)) {
            case ItemKind::group:
                walkGroup(item, path);
                break;
            case ItemKind::snippet:
                if (auto snippet = importer_.convert(decodeSnippet(archive_, item), group)) {
                    if (group)
                        groupsWithSnippets_.insert(*group);
                    result_.snippets.push_back(std::move(*snippet));
                }
                break;
            case ItemKind::other:
                break;
            }
        }
    }

    ImportedBackup finish() {
        std::erase_if(result_.groups, [&](const SnippetGroup& group) {
            return !groupsWithSnippets_.contains(group.id);
        });
        return std::move(result_);
    }

private:
    void walkGroup(Ref object, const std::optional<std::string>& path) {
        // aText lists every group once. A group listed in two places would be copied
        // into each, and groups shared level after level would multiply beyond any
        // limit, so such a backup is refused; so is a group inside itself.
        KeyedArchive::Visit visit(archive_, object);
        if (!walked_.insert(object).second)
            throw ArchiveError(
                i18n("The backup is damaged: a group is listed in more than one place."));
        const auto nameRef = archive_.field(object, "Name");
        const auto name = nameRef ? archive_.string(*nameRef) : std::nullopt;
        std::optional<std::string> joined;
        if (path && name)
            joined = *path + " / " + *name;
        else
            joined = path ? path : name;
        const SnippetGroup& group = result_.groups.emplace_back(
            SnippetGroup{Uuid::random(), joined && !joined->empty() ? *joined : "aText"});
        const Uuid id = group.id;
        // The subgroups of a group that has no name of its own keep their own names.
        const std::optional<std::string> childPath =
            joined && !joined->empty() ? joined : std::nullopt;
        const auto itemsRef = archive_.field(object, "Items");
        const auto items = itemsRef ? archive_.array(*itemsRef) : std::nullopt;
        walk(items.value_or(std::vector<Ref>{}), id, childPath);
    }

    const KeyedArchive& archive_;
    const ATextImporter& importer_;
    ImportedBackup result_;
    std::unordered_set<Ref> walked_;
    std::unordered_set<Uuid> groupsWithSnippets_;
};

[[noreturn]] void refuseAsNotABackup() {
    throw ImportError(i18n(ATextImporter::notABackup.data()));
}

} // namespace

ATextImporter::ATextImporter(const ImportEnvironment& environment) : environment_(environment) {}

fs::path ATextImporter::backupsFolder(const fs::path& homeFolder) {
    return homeFolder / "Library" / "Application Support" / "com.trankynam.aText" / "Backups";
}

fs::path ATextImporter::backupsFolder() const {
    return backupsFolder(environment_.homeFolder);
}

std::optional<fs::path> ATextImporter::latestBackup() const {
    std::vector<fs::path> entries;
    try {
        entries = Files::list(backupsFolder());
    } catch (const FileError&) {
        return std::nullopt;
    }
    std::optional<fs::path> latest;
    auto latestTime = fs::file_time_type::min();
    for (const fs::path& entry : entries) {
        if (entry.extension() != ".atext")
            continue;
        std::error_code error;
        auto time = fs::last_write_time(entry, error);
        if (error)
            time = fs::file_time_type::min();
        if (!latest || time > latestTime) {
            latest = entry;
            latestTime = time;
        }
    }
    return latest;
}

std::optional<std::size_t> ATextImporter::importLatest() {
    const auto backup = latestBackup();
    if (!backup)
        return std::nullopt;
    try {
        const ImportedBackup imported = read(*backup);
        return environment_.library.merge(imported.groups, imported.snippets);
    } catch (const ImportError& error) {
        environment_.dialogs.showError(error.errorDescription());
        return std::nullopt;
    }
}

void ATextImporter::chooseAndImport() {
    const auto file = environment_.dialogs.chooseFile(
        {i18n("Choose an aText backup (.atext). aText makes one every day."),
         backupsFolder(),
         {"atext"}});
    if (!file)
        return;
    ImportedBackup imported;
    try {
        imported = read(*file);
    } catch (const ImportError& error) {
        environment_.dialogs.showError(error.errorDescription());
        return;
    }
    const std::size_t added = environment_.library.merge(imported.groups, imported.snippets);
    if (added > 0)
        environment_.dialogs.showAlert(
            i18np("Imported {count} snippet", "Imported {count} snippets", added),
            i18n("Groups were matched by name."));
    else
        environment_.dialogs.showAlert(
            i18n("Nothing new to import"),
            i18n("Everything in that backup is already in your library."));
}

std::size_t ATextImporter::importFile(const fs::path& file) {
    const ImportedBackup imported = read(file);
    return environment_.library.merge(imported.groups, imported.snippets);
}

ImportedBackup ATextImporter::read(const fs::path& file) const {
    std::string bytes;
    try {
        bytes = Files::read(file, PropertyList::maximumSize);
    } catch (const FileError& error) {
        std::string message = error.what();
        if (!message.ends_with('.'))
            message += '.';
        throw ImportError(message);
    }
    return readBytes(bytes);
}

ImportedBackup ATextImporter::readBytes(std::string_view bytes) const {
    try {
        const KeyedArchive archive = KeyedArchive::read(bytes);
        const auto root = archive.root();
        const auto entries = root ? archive.dictionary(*root) : std::nullopt;
        if (!entries)
            refuseAsNotABackup();
        std::optional<std::vector<Ref>> items;
        for (const auto& [key, value] : *entries) {
            const auto name = archive.string(key);
            if (!name)
                refuseAsNotABackup();
            if (*name == "Snippets" && !items)
                items = archive.array(value);
        }
        if (!items)
            refuseAsNotABackup();
        BackupWalk walk(archive, *this);
        walk.walk(*items, std::nullopt, std::nullopt);
        return walk.finish();
    } catch (const PropertyListError& error) {
        throw ImportError(error.what());
    } catch (const ArchiveError& error) {
        throw ImportError(error.what());
    }
}

std::optional<Snippet> ATextImporter::convert(const ATextSnippet& record,
                                              std::optional<Uuid> group) const {
    std::string text;
    SnippetFormat format = SnippetFormat::plain;
    if (record.content) {
        if (const auto* styled = std::get_if<StyledText>(&*record.content)) {
            text = record.contentType == 1 ? HTMLText::htmlFromAttributed(*styled) : styled->text();
            format = record.contentType == 1 || record.contentType == 4 ? SnippetFormat::rich
                                                                        : SnippetFormat::plain;
        } else {
            text = std::get<std::string>(*record.content);
            format = record.contentType == 4 ? SnippetFormat::rich : SnippetFormat::plain;
        }
    }
    if (format == SnippetFormat::plain && looksLikeHTML(text))
        format = SnippetFormat::rich;
    const bool isHTML = format == SnippetFormat::rich;
    text = convertPlaceholders(text, isHTML);

    const std::string abbreviation = trimmedWhiteSpace(record.abbreviation.value_or(""));
    if (abbreviation.empty() && trimmedWhiteSpace(text).empty())
        return std::nullopt;

    std::string name(trimmedSpacesAndTabs(record.label.value_or("")));
    if (name.empty()) {
        if (looksLikeTrigger(abbreviation)) {
            name = abbreviation;
            if (!startsUppercase(abbreviation)) {
                const std::string plain = isHTML ? HTMLText::plainTextFromHTML(text) : text;
                const std::string line =
                    firstCharacters(trimmedSpacesAndTabs(firstLine(plain)), longestNameFromText);
                if (!line.empty() && !line.starts_with("{{"))
                    name = line;
            }
        } else {
            name = abbreviation.empty() ? i18n("Untitled") : abbreviation;
        }
    }

    const Date now = environment_.clock.now();
    Snippet snippet;
    snippet.name = std::move(name);
    snippet.format = format;
    snippet.text = std::move(text);
    snippet.groupID = group;
    snippet.created = record.created.value_or(now);
    snippet.modified = record.modified.value_or(now);
    return snippet;
}

std::string ATextImporter::convertPlaceholders(std::string_view text, bool isHTML) {
    if (text.find(openingBracket) == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (true) {
        const std::size_t open = text.find(openingBracket, copied);
        const std::size_t close = open == std::string_view::npos
                                      ? open
                                      : text.find(closingBracket, open + openingBracket.size());
        if (close == std::string_view::npos)
            break;
        const std::size_t end = close + closingBracket.size();
        const std::string_view inside =
            text.substr(open + openingBracket.size(), close - open - openingBracket.size());
        result.append(text.substr(copied, open - copied));
        if (const auto converted = placeholder(HTMLText::decodeEntities(inside)))
            result += isHTML ? HTMLText::escape(*converted) : *converted;
        else
            result.append(text.substr(open, end - open));
        copied = end;
    }
    result.append(text.substr(copied));
    return result;
}

std::optional<std::string> ATextImporter::placeholder(std::string_view inside) {
    const std::vector<std::string_view> pieces = keywordAndRest(inside);
    if (pieces.empty())
        return std::nullopt;
    const std::string keyword = asciiLowercase(trimmedSpacesAndTabs(pieces[0]));
    const std::string_view rest = pieces.size() > 1 ? pieces[1] : std::string_view();
    if (keyword == "date" || keyword == "time") {
        const std::string_view pattern = trimmedSpacesAndTabs(rest);
        if (pattern.empty())
            return "{{" + keyword + "}}";
        return "{{" + keyword + ":" + std::string(pattern) + "}}";
    }
    if (keyword == "clipboard")
        return "{{clipboard}}";
    if (keyword == "field") {
        const auto name = firstQuoted(rest);
        if (!name)
            return std::nullopt;
        std::string defaultValue;
        if (const std::size_t value = rest.find("value:"); value != std::string_view::npos)
            defaultValue = firstQuoted(rest.substr(value + 6)).value_or("");
        const std::string cleanName = withoutBracesAndBars(*name);
        defaultValue = withoutBracesAndBars(std::move(defaultValue));
        if (defaultValue.empty())
            return "{{field:" + cleanName + "}}";
        return "{{field:" + cleanName + "|" + defaultValue + "}}";
    }
    return std::nullopt;
}

std::optional<std::string> ATextImporter::firstQuoted(std::string_view text) {
    const std::size_t open = text.find('"');
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return std::string(text.substr(open + 1, close - open - 1));
}

} // namespace quillo
