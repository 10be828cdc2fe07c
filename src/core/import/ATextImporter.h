#pragma once

#include "core/model/Library.h"
#include "core/model/Snippet.h"
#include "core/platform/Clock.h"
#include "core/platform/Dialogs.h"
#include "core/text/StyledText.h"
#include "core/util/Translation.h"
#include "core/util/Uuid.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillo {

/// A backup that could not be imported. The description is one sentence for the user.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    std::string errorDescription() const { return what(); }
};

/// One snippet as aText archives it.
struct ATextSnippet {
    std::optional<std::string> abbreviation{};
    std::optional<std::string> label{};
    /// A string or attributed text; absent for anything else.
    std::optional<std::variant<std::string, StyledText>> content{};
    std::int64_t contentType = 0;
    std::optional<Date> created{};
    std::optional<Date> modified{};
};

/// What a backup holds once converted: the groups that hold snippets (nested groups
/// flattened, each named by its whole path) and every snippet, in the backup's order.
struct ImportedBackup {
    std::vector<SnippetGroup> groups;
    std::vector<Snippet> snippets;
};

/// What the importer works with.
struct ImportEnvironment {
    Library& library;
    Clock& clock;
    Dialogs& dialogs;
    /// The user's home folder, where aText's backups folder is looked for.
    std::filesystem::path homeFolder;
};

/// Brings in the daily backups of aText, another text-expansion program: its snippets,
/// groups and placeholders become the program's own, merged into the library without
/// duplicating what is already there. A damaged or hostile file is refused with one
/// sentence and changes nothing.
class ATextImporter {
public:
    /// The one error of the importer's own: the file is an archive, but not a backup.
    /// Translated where it is reported.
    static constexpr std::string_view notABackup =
        I18N_NOOP("This doesn't look like an aText backup.");

    explicit ATextImporter(const ImportEnvironment& environment);

    /// aText's backups folder under a home folder:
    /// "Library/Application Support/com.trankynam.aText/Backups".
    static std::filesystem::path backupsFolder(const std::filesystem::path& homeFolder);
    std::filesystem::path backupsFolder() const;

    /// The newest ".atext" file of the backups folder by modification date (the first
    /// listed wins a tie); absent when there is none or the folder cannot be listed.
    std::optional<std::filesystem::path> latestBackup() const;

    /// Imports the newest backup: the number of snippets added, or absent when there is no
    /// backup or it could not be read (after an alert saying why).
    std::optional<std::size_t> importLatest();
    /// Lets the user choose a backup, imports it and reports the outcome in an alert.
    void chooseAndImport();
    /// Imports one backup; the number of snippets added. Throws ImportError.
    std::size_t importFile(const std::filesystem::path& file);

    /// Reads and converts a backup file without touching the library. Throws ImportError.
    ImportedBackup read(const std::filesystem::path& file) const;
    /// The same, from the file's bytes.
    ImportedBackup readBytes(std::string_view bytes) const;

    /// One archived snippet as a library snippet in the given group; absent when it has
    /// neither text nor abbreviation.
    std::optional<Snippet> convert(const ATextSnippet& snippet, std::optional<Uuid> group) const;

    /// The text with aText's placeholders (between U+3010 and U+3011) written in the
    /// program's syntax; in HTML the new placeholders are escaped. Placeholders with no
    /// counterpart stay as aText wrote them.
    static std::string convertPlaceholders(std::string_view text, bool isHTML);
    /// The program's placeholder for the inside of one aText placeholder, if it has one.
    static std::optional<std::string> placeholder(std::string_view inside);
    /// The text between the first double quote and the next one; absent without both.
    static std::optional<std::string> firstQuoted(std::string_view text);

private:
    ImportEnvironment environment_;
};

} // namespace quillo
