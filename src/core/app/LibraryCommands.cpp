#include "LibraryCommands.h"

#include "core/model/Library.h"
#include "core/model/LibraryFile.h"
#include "core/paste/SnippetRendering.h"
#include "core/picker/PickerSearch.h"
#include "core/platform/DataFolder.h"
#include "core/util/Files.h"
#include "core/util/Translation.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace quillo::CommandLine {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

/// What an in-memory library is made with.
struct QuietEnvironment {
    SystemClock clock;
    NoLoopScheduler scheduler; // a library in memory never saves
    StandardErrorLog log;

    LibraryEnvironment library() { return {clock, scheduler, log, userDataFolder()}; }
};

/// What of the snippets' texts a mode reads.
enum class Texts { none, all };

/// Runs `answer` on the library as its file is now. The file, when there is one, is handed
/// on too, for the texts left in it.
int withLibrary(
    std::ostream& err, Texts texts,
    const std::function<int(const Library&, const LibraryFileCoding::ReadOnlyFile*)>& answer) {
    QuietEnvironment environment;
    // Where the program's library keeps its file; an in-memory library touches nothing.
    const fs::path file = Library(environment.library(), false).fileURL();
    std::optional<LibraryFileCoding::ReadOnlyFile> read;
    try {
        if (Files::exists(file))
            read.emplace(file);
    } catch (const std::exception& error) {
        err << fill(i18n("quillo: can't read the library {file}: {reason}"),
                    {{"file", file.string()}, {"reason", error.what()}})
            << '\n';
        return 1;
    }
    LibraryFile contents;
    if (read) {
        contents = std::move(read->contents());
        if (texts == Texts::all)
            for (std::size_t i = 0; i < contents.snippets.size(); ++i)
                contents.snippets[i].text = read->text(i);
    }
    const Library library(environment.library(), std::move(contents));
    return answer(library, read ? &*read : nullptr);
}

int withLibrary(std::ostream& err, Texts texts, const std::function<int(const Library&)>& answer) {
    return withLibrary(err, texts,
                       [&](const Library& library, const LibraryFileCoding::ReadOnlyFile*) {
                           return answer(library);
                       });
}

/// Runs `answer` on the snippet `name` names, with its text.
int withSnippet(std::string_view name, std::ostream& err,
                const std::function<int(const Snippet&)>& answer) {
    return withLibrary(
        err, Texts::none, [&](const Library& library, const LibraryFileCoding::ReadOnlyFile* file) {
            const Snippet* found = findSnippet(library, name);
            if (found == nullptr) {
                err << "quillo: " << unknownSnippet(name) << '\n';
                return 1;
            }
            // The library holds the file's snippets in the file's order.
            Snippet snippet = *found;
            snippet.text = file->text(static_cast<std::size_t>(found - library.snippets().data()));
            return answer(snippet);
        });
}

void printJson(std::ostream& out, const Json& array) {
    // Names come from the user's file: a stray byte must not stop the listing.
    out << array.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void printSnippets(std::ostream& out, const Library& library, const std::vector<Snippet>& snippets,
                   bool json, bool withGroup) {
    if (!json) {
        // Written at once: a stream's insertions cost more than the short lines they write.
        std::string lines;
        for (const Snippet& snippet : snippets) {
            if (withGroup) {
                lines += library.groupName(snippet);
                lines += '\t';
            }
            lines += snippet.name;
            lines += '\n';
        }
        out << lines;
        return;
    }
    Json array = Json::array();
    for (const Snippet& snippet : snippets)
        array.push_back({{"id", snippet.id.string()},
                         {"name", snippet.name},
                         {"group", library.groupName(snippet)},
                         {"format", std::string(rawValue(snippet.format))}});
    printJson(out, array);
}

} // namespace

int runOnLibrary(const List& command, std::ostream& out, std::ostream& err) {
    return withLibrary(err, Texts::none, [&](const Library& library) {
        printSnippets(out, library, library.snippets(), command.json, true);
        return 0;
    });
}

int runOnLibrary(const Search& command, std::ostream& out, std::ostream& err) {
    return withLibrary(err, Texts::all, [&](const Library& library) {
        printSnippets(out, library, PickerSearch::search(command.query, library), command.json,
                      false);
        return 0;
    });
}

int runOnLibrary(const Fields& command, std::ostream& out, std::ostream& err) {
    return withSnippet(command.snippet, err, [&](const Snippet& snippet) {
        const std::vector<Placeholders::Field> fields =
            Placeholders::fields(snippet.text, snippet.format == SnippetFormat::rich);
        if (!command.json) {
            for (const Placeholders::Field& field : fields)
                out << field.name << '\t' << field.defaultValue << '\n';
            return 0;
        }
        Json array = Json::array();
        for (const Placeholders::Field& field : fields)
            array.push_back({{"name", field.name}, {"default", field.defaultValue}});
        printJson(out, array);
        return 0;
    });
}

int runOnLibrary(const Render& command, std::ostream& out, std::ostream& err) {
    return withSnippet(command.snippet, err, [&](const Snippet& snippet) {
        const RenderedSnippet rendered = renderSnippet(snippet, command.values, command.clipboard,
                                                       command.now.value_or(SystemClock().now()));
        // Exactly what goes on the clipboard: no line break is added.
        if (!command.html) {
            out << rendered.plain;
            return 0;
        }
        if (!rendered.html) {
            err << fill(i18n("quillo: “{name}” is a plain-text snippet, so it has no HTML."),
                        {{"name", snippet.name}})
                << '\n';
            return 1;
        }
        out << *rendered.html;
        return 0;
    });
}

} // namespace quillo::CommandLine
