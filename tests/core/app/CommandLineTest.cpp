#include "core/app/CommandLine.h"

#include "core/model/LibraryFile.h"
#include "core/paste/SnippetRendering.h"
#include "core/text/DateFormatting.h"
#include "core/util/DateText.h"
#include "fakes/Dates.h"
#include "fakes/GeneratedBackups.h"
#include "fakes/RunProgram.h"
#include "fakes/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quillo::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::StartsWith;
using namespace CommandLine;

/// The mode for the arguments after the program's path.
std::optional<Command> parseArguments(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/quillo");
    return parse(arguments);
}

/// The mode as `Mode`; throws (failing the test) when it is another or none.
template <class Mode> Mode parsedAs(std::vector<std::string> arguments) {
    return std::get<Mode>(parseArguments(std::move(arguments)).value());
}

TEST(CommandLineParseTest, TheImportComesFirstAndALastImportFlagIsIgnored) {
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parseArguments({}));
    EXPECT_FALSE(parseArguments({"--import-atext"}));
    EXPECT_FALSE(parsedAs<List>({"list", "--import-atext"}).json);
    // The first flag with an argument after it wins; nothing else is examined.
    EXPECT_EQ(parsedAs<ImportBackup>({"--bogus", "--import-atext", "b", "--json"}).backup, "b");
    EXPECT_EQ(parsedAs<ImportBackup>({"list", "--import-atext", "--import-atext", "c"}).backup,
              "--import-atext");
    // The scan starts at the program's path.
    EXPECT_EQ(std::get<ImportBackup>(parse({"--import-atext", "d"}).value()).backup, "d");
}

TEST(CommandLineParseTest, SearchJoinsItsWordsAndRenderTakesItsOptionsAnywhere) {
    const Search search = parsedAs<Search>({"search", "thank", "--json", " you ", "", "all"});
    EXPECT_EQ(search.query, "thank  you   all");
    EXPECT_TRUE(search.json);
    // After "--" everything is a word; a lone "-" always is.
    EXPECT_EQ(parsedAs<Search>({"search", "-", "--", "--json", "-x"}).query, "- --json -x");

    // Render's options come anywhere, in either spelling.
    const Render render = parsedAs<Render>(
        {"render", "--field", "Name=Ann", "Sign-off", "--field=City=a=b", "--field", "Name=Bo",
         "--clipboard", "--html", "--now=2026-03-01T10:05:07+01:00", "--field", "Empty="});
    EXPECT_EQ(render.snippet, "Sign-off");
    EXPECT_EQ(render.values,
              (Placeholders::Values{{"Name", "Bo"}, {"City", "a=b"}, {"Empty", ""}}));
    EXPECT_EQ(render.clipboard, "--html"); // a value is taken as it is
    EXPECT_FALSE(render.html);
    EXPECT_EQ(render.now, utc(2026, 3, 1, 9, 5, 7));

    const Render bare = parsedAs<Render>({"render", "x"});
    EXPECT_EQ(bare.clipboard, std::nullopt);
    EXPECT_EQ(bare.now, std::nullopt);
    const Render emptyClipboard = parsedAs<Render>({"render", "x", "--clipboard=", "--html"});
    EXPECT_EQ(emptyClipboard.clipboard, "");
    EXPECT_TRUE(emptyClipboard.html);
}

TEST(CommandLineParseTest, PasteTakesASnippetAndItsFieldsAndAutostartIsAUsualStart) {
    const Paste paste = parsedAs<Paste>(
        {"paste", "--field", "Name=Ann", "--field=City=a=b", "--field", "Name=Bo", "--", "-x"});
    EXPECT_EQ(paste.snippet, "-x");
    EXPECT_EQ(paste.values, (Placeholders::Values{{"Name", "Bo"}, {"City", "a=b"}}));

    EXPECT_FALSE(parseArguments({"--autostart"}));
    EXPECT_FALSE(parseArguments({"--settings"}));
    EXPECT_FALSE(parseArguments({"--picker"}));
    EXPECT_EQ(parsedAs<ImportBackup>({"--autostart", "--import-atext", "b"}).backup, "b");

    // Only the running desktop program pastes; run says so instead of pasting.
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(Paste{"x"}, "1.0", out, err), 1);
    EXPECT_THAT(out.str(), IsEmpty());
    EXPECT_THAT(err.str(), HasSubstr("running"));
}

TEST(CommandLineParseTest, HelpComesBeforeAnyProblemButBadArgumentsAreUsageErrorsNamingThem) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h", "list"}, {"render", "x", "--help"}, {"list", "--help", "--bogus"}})
        EXPECT_TRUE(std::holds_alternative<Help>(parseArguments(arguments).value()));
    EXPECT_EQ(parsedAs<Render>({"render", "x", "--clipboard", "--help"}).clipboard, "--help");

    struct Case {
        std::vector<std::string> arguments;
        std::string problem;
        std::string usage;
    };
    const std::vector<Case> cases{
        {{"frobnicate"}, "unknown command “frobnicate”", "quillo [list"},
        {{"--frob"}, "unknown option “--frob”", "quillo [list"},
        {{"list", "extra"}, "unexpected argument “extra”", "quillo list"},
        {{"list", "--jsn"}, "unknown option “--jsn”", "quillo list"},
        {{"list", "--json=yes"}, "“--json” takes no value", "quillo list"},
        {{"search"}, "missing QUERY", "quillo search"},
        {{"search", "-5"}, "unknown option “-5”", "quillo search"},
        {{"fields"}, "missing SNIPPET", "quillo fields"},
        {{"fields", "a", "b"}, "unexpected argument “b”", "quillo fields"},
        {{"render", "x", "--field", "Name"}, "NAME=VALUE, not “Name”", "quillo render"},
        {{"render", "x", "--now", "2026-02-30T09:05:07Z"}, "--now", "quillo render"},
        {{"render", "x", "--clipboard"}, "“--clipboard” needs a value", "quillo render"},
        {{"render", "x", "--html=1"}, "“--html” takes no value", "quillo render"},
        {{"paste"}, "missing SNIPPET", "quillo paste"},
        {{"paste", "a", "b"}, "unexpected argument “b”", "quillo paste"},
        {{"paste", "x", "--field", "Name"}, "NAME=VALUE, not “Name”", "quillo paste"},
        {{"paste", "x", "--html"}, "unknown option “--html”", "quillo paste"},
        {{"--autostart", "list"}, "unexpected argument “list”", "quillo [list"},
        {{"--settings", "x"}, "unexpected argument “x”", "quillo [list"},
    };
    for (const Case& c : cases) {
        const std::optional<Command> command = parseArguments(c.arguments);
        ASSERT_TRUE(command && std::holds_alternative<UsageError>(*command)) << c.problem;
        const UsageError& error = std::get<UsageError>(*command);
        EXPECT_THAT(error.problem, HasSubstr(c.problem));
        EXPECT_THAT(error.usage, StartsWith(c.usage)) << c.problem;
    }
}

Snippet snippet(const std::string& name, SnippetFormat format, const std::string& text,
                std::optional<Uuid> groupID = std::nullopt) {
    return {.name = name, .format = format, .text = text, .groupID = groupID};
}

Snippet plain(const std::string& name, const std::string& text,
              std::optional<Uuid> groupID = std::nullopt) {
    return snippet(name, SnippetFormat::plain, text, groupID);
}

/// The built program over its own data folder, in UTC and a neutral locale.
class QuilloProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string_view(QUILLO_PROGRAM).empty())
            GTEST_SKIP() << "a core-only build has no program to run";
    }

    std::filesystem::path dataFolder() const { return home / "data"; }
    std::filesystem::path libraryFile() const { return dataFolder() / "Quillo" / "library.json"; }

    void writeLibrary(const std::vector<SnippetGroup>& groups,
                      const std::vector<Snippet>& snippets) const {
        writeFile(libraryFile(), LibraryFileCoding::encode(groups, snippets));
    }

    ProgramResult quillo(std::vector<std::string> arguments,
                         const std::map<std::string, std::string>& environment = {}) const {
        std::map<std::string, std::string> settings{
            {"HOME", home.path()}, {"XDG_DATA_HOME", dataFolder()}, {"TZ", "UTC"},
            {"LANG", "C.UTF-8"},   {"LC_ALL", "C.UTF-8"},           {"LANGUAGE", ""}};
        for (const auto& [name, value] : environment)
            settings[name] = value;
        return runProgram(QUILLO_PROGRAM, std::move(arguments), settings);
    }

    TempFolder home;
};

/// A library with two groups, a snippet whose group is gone, and two snippets of one name.
class SampleLibraryTest : public QuilloProgramTest {
protected:
    SampleLibraryTest() { writeLibrary(groups, snippets); }

    const std::vector<SnippetGroup> groups{{.name = "Work"}, {.name = "Home"}};
    const std::vector<Snippet> snippets{
        plain("Sign-off", "Best,\n{{field:Name|Ann}} {{field:City}} {{field:Name|Other}}",
              groups[0].id),
        snippet("Address", SnippetFormat::rich, "<div>{{field:Greeting|Hi &amp; bye}}</div>"),
        plain("Sign-off", "Cheers", groups[1].id),
        plain("Lost", "in a deleted group", Uuid::random()),
    };
};

TEST_F(SampleLibraryTest, ListShowsEverySnippetInLibraryOrderWithItsGroup) {
    const ProgramResult result = quillo({"list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Work\tSign-off\nUngrouped\tAddress\nHome\tSign-off\nUngrouped\tLost\n");
    EXPECT_THAT(result.err, IsEmpty());

    const ProgramResult json = quillo({"list", "--json"});
    ASSERT_EQ(json.status, 0);
    const nlohmann::json listed = nlohmann::json::parse(json.out);
    ASSERT_EQ(listed.size(), snippets.size());
    const std::vector<std::string> groupNames{"Work", "Ungrouped", "Home", "Ungrouped"};
    for (std::size_t i = 0; i < snippets.size(); ++i) {
        EXPECT_EQ(listed[i]["id"], snippets[i].id.string());
        EXPECT_EQ(listed[i]["name"], snippets[i].name);
        EXPECT_EQ(listed[i]["group"], groupNames[i]);
        EXPECT_EQ(listed[i]["format"], i == 1 ? "rich" : "plain");
    }
}

TEST_F(SampleLibraryTest, FieldsListsEachFieldOnceOfASnippetFoundByIdInAnyCaseOrExactName) {
    EXPECT_EQ(quillo({"fields", "Sign-off"}).out, "Name\tAnn\nCity\t\n");
    // A rich snippet's placeholders are read with their entities decoded.
    EXPECT_EQ(quillo({"fields", "Address"}).out, "Greeting\tHi & bye\n");

    const ProgramResult json = quillo({"fields", "--json", "Sign-off"});
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(nlohmann::json::parse(json.out),
              nlohmann::json::parse(R"([{"name": "Name", "default": "Ann"},
                                        {"name": "City", "default": ""}])"));
    EXPECT_EQ(quillo({"fields", "Lost"}).out, "");

    // The name gives the first of that name; the id the one it belongs to.
    EXPECT_EQ(quillo({"render", "Sign-off"}).out, "Best,\nAnn  Other");
    std::string id = snippets[2].id.string();
    for (char& c : id)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(quillo({"render", id}).out, "Cheers");

    for (const std::string& missing : {std::string("sign-off"), Uuid::random().string()}) {
        const ProgramResult result = quillo({"fields", missing});
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.out, IsEmpty());
        EXPECT_THAT(result.err, HasSubstr("“" + missing + "”"));
    }
}

TEST_F(QuilloProgramTest, SearchPrintsThePickersResultsForAllTheWords) {
    const std::vector<Snippet> snippets{plain("You thank", ""), plain("Thanksgiving", ""),
                                        plain("Thank you", ""), plain("Reply", "")};
    writeLibrary({}, snippets);
    // "Thanksgiving" has "thank" but not "you": the words are searched together.
    const ProgramResult result = quillo({"search", "thank", "you"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Thank you\nYou thank\n");

    const nlohmann::json found = nlohmann::json::parse(quillo({"search", "--json", "thank"}).out);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0]["id"], snippets[2].id.string());
    EXPECT_EQ(found[0]["group"], "Ungrouped");
    EXPECT_EQ(quillo({"search", "nothing like it"}).out, "");
}

TEST_F(QuilloProgramTest, RenderWritesDatesForTheMomentInTheUsersZoneAndLocale) {
    writeLibrary({}, {plain("Stamp", "{{date:yyyy-MM-dd}} {{time:HH:mm:ss}}"),
                      plain("Long", "{{date:long}}"), plain("Year", "{{date:yyyy}}"),
                      plain("Cafe\xCC\x81", "decomposed")});
    // Names match in any canonically equivalent spelling.
    EXPECT_EQ(quillo({"render", "Caf\xC3\xA9"}).out, "decomposed");
    const std::string moment = "2026-03-01T09:05:07Z";
    EXPECT_EQ(quillo({"render", "Stamp", "--now", moment}).out, "2026-03-01 09:05:07");
    EXPECT_EQ(quillo({"render", "Stamp", "--now", moment}, {{"TZ", "Asia/Tokyo"}}).out,
              "2026-03-01 18:05:07");

    const std::string german =
        DateFormatting("de_DE", "UTC").format(utc(2026, 3, 1), "long", false);
    ASSERT_NE(german, DateFormatting("en_US_POSIX", "UTC").format(utc(2026, 3, 1), "long", false));
    EXPECT_EQ(quillo({"render", "Long", "--now", moment}, {{"LC_ALL", "de_DE.UTF-8"}}).out, german);

    // Without --now, the moment is now.
    const std::string before = iso8601String(SystemClock().now()).substr(0, 4);
    const std::string rendered = quillo({"render", "Year"}).out;
    EXPECT_TRUE(rendered == before || rendered == iso8601String(SystemClock().now()).substr(0, 4));
}

TEST_F(QuilloProgramTest, RenderGivesWhatThePasterPutsOnTheClipboard) {
    const Snippet rich =
        snippet("Rich", SnippetFormat::rich,
                "<div>Hi <b>{{field:Name}}</b> <span style=\"font-family: Helvetica; color: red\">"
                "&amp; {{clipboard}}</span></div><div><br></div>  \n");
    writeLibrary({}, {rich, plain("Plain", "text")});
    const RenderedSnippet pasted =
        renderSnippet(rich, {{"Name", "<Ann>"}}, "x\ny", utc(2026, 3, 1, 9, 5, 7));
    std::vector<std::string> arguments{"render",      "Rich", "--field", "Name=<Ann>",
                                       "--clipboard", "x\ny", "--now",   "2026-03-01T09:05:07Z"};
    EXPECT_EQ(quillo(arguments).out, pasted.plain);
    EXPECT_EQ(pasted.plain, "Hi <Ann> & x\ny");
    arguments.push_back("--html");
    const ProgramResult html = quillo(arguments);
    EXPECT_EQ(html.status, 0);
    EXPECT_EQ(html.out, pasted.html);
    EXPECT_THAT(html.out, HasSubstr("<b>&lt;Ann&gt;</b>"));

    // The paster puts no HTML on the clipboard for a plain snippet.
    const ProgramResult none = quillo({"render", "Plain", "--html"});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.out, IsEmpty());
    EXPECT_THAT(none.err, HasSubstr("“Plain”"));
}

TEST_F(QuilloProgramTest, AMissingLibraryIsEmptyAndAnOldVersionsOneIsNotMovedIn) {
    const std::filesystem::path legacy = dataFolder() / "Stock Answers" / "library.json";
    writeFile(legacy, LibraryFileCoding::encode({}, {plain("Old", "text")}));
    const ProgramResult result = quillo({"list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(quillo({"list", "--json"}).out, "[]\n");
    EXPECT_EQ(entryNames(dataFolder()), std::vector<std::string>{"Stock Answers"});
    EXPECT_EQ(entryNames(legacy.parent_path()), std::vector<std::string>{"library.json"});
}

TEST_F(QuilloProgramTest, AnUnreadableLibraryIsReportedAndLeftAsItIs) {
    const std::string damaged = "{\"groups\": [], \"snippets\": [";
    writeFile(libraryFile(), damaged);
    const std::vector<std::vector<std::string>> commands{
        {"list"}, {"search", "a"}, {"fields", "a"}, {"render", "a", "--html"}};
    for (const std::vector<std::string>& command : commands) {
        const ProgramResult result = quillo(command);
        EXPECT_EQ(result.status, 1) << command.front();
        EXPECT_THAT(result.out, IsEmpty());
        EXPECT_THAT(result.err, HasSubstr(libraryFile().string()));
        EXPECT_THAT(result.err, HasSubstr("JSON"));
    }
    EXPECT_EQ(readFile(libraryFile()), damaged);
    EXPECT_EQ(entryNames(dataFolder()), std::vector<std::string>{"Quillo"});
    EXPECT_EQ(entryNames(libraryFile().parent_path()), std::vector<std::string>{"library.json"});

    // A folder where the file should be cannot be read either.
    std::filesystem::remove(libraryFile());
    std::filesystem::create_directory(libraryFile());
    EXPECT_EQ(quillo({"list"}).status, 1);
}

TEST_F(QuilloProgramTest, UsageErrorsHelpAndVersion) {
    const ProgramResult unknown = quillo({"list", "--jsn"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.out, IsEmpty());
    EXPECT_EQ(unknown.err, "quillo: unknown option “--jsn”\nUsage: quillo list [--json]\n");
    EXPECT_EQ(quillo({"render", "x", "--now", "tomorrow"}).status, 2);

    const ProgramResult help = quillo({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* mode :
         {"quillo list", "quillo search", "quillo fields", "quillo render", "quillo paste",
          "--autostart", "--settings", "--import-atext PATH", "--version", "--json"})
        EXPECT_THAT(help.out, HasSubstr(mode));
    EXPECT_THAT(quillo({"--version"}).out, MatchesRegex("quillo [0-9]+\\.[0-9]+\\.[0-9]+\n"));

    // In German, from the catalog built beside the program; the exit codes stay.
    const std::map<std::string, std::string> german{{"LANGUAGE", "de"}};
    const ProgramResult unbekannt = quillo({"list", "--jsn"}, german);
    EXPECT_EQ(unbekannt.status, 2);
    EXPECT_EQ(unbekannt.err, "quillo: unbekannte Option „--jsn“\nAufruf: quillo list [--json]\n");
    const ProgramResult hilfe = quillo({"--help"}, german);
    EXPECT_EQ(hilfe.status, 0);
    EXPECT_THAT(hilfe.out, StartsWith("Aufruf:\n  quillo [--autostart | --settings | --picker]\n"));
    EXPECT_THAT(hilfe.out, HasSubstr("quillo render TEXTBAUSTEIN [--field NAME=WERT]..."));
}

TEST_F(SampleLibraryTest, WithoutAModeTheDesktopProgramStartsAndNeedsADisplay) {
    if (!std::filesystem::exists(
            std::filesystem::path(QUILLO_PROGRAM).replace_filename("quillo-desktop.so")))
        GTEST_SKIP() << "built without the desktop program";
    // No running Quillo answers for this library, and there is no display to start on.
    const std::map<std::string, std::string> noDisplay{
        {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                      {"--import-atext"},
                                                      {"--autostart"},
                                                      {"--settings"},
                                                      {"--picker"}}) {
        const ProgramResult result = quillo(arguments, noDisplay);
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.out, IsEmpty());
        EXPECT_THAT(result.err, MatchesRegex("Quillo needs a graphical desktop session[^\n]*\n"));
    }
}

using ImportCommandTest = QuilloProgramTest;

TEST_F(ImportCommandTest, ImportsSavesAndSaysHowManyCameIn) {
    const std::filesystem::path file = generatedBackup("groups-and-nesting.atext");
    const ProgramResult first = quillo({"--import-atext", file});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "Imported 3 snippets into " + libraryFile().string() + "\n");
    const LibraryFile saved = LibraryFileCoding::decode(readFile(libraryFile()));
    ASSERT_EQ(saved.groups.size(), 2u);
    EXPECT_EQ(saved.groups[1].name, "A / B");
    EXPECT_EQ(saved.snippets.size(), 3u);

    // Everything is there already: nothing is added, and that is no failure.
    const ProgramResult again = quillo({"--import-atext", file, "--json"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "Imported 0 snippets into " + libraryFile().string() + "\n");
    EXPECT_EQ(quillo({"list"}).out, "A\tAddress\nA\tThanks\nA / B\tGoodbye\n");
}

TEST_F(ImportCommandTest, AFailedImportSaysWhyExitsWithOneAndWritesNothing) {
    writeLibrary({}, {plain("Kept", "as it was")});
    const std::string before = readFile(libraryFile());
    const std::vector<std::string> entries = entryNames(dataFolder() / "Quillo");

    const ProgramResult notABackup =
        quillo({"--import-atext", generatedBackup("hostile-no-snippets.atext")});
    EXPECT_EQ(notABackup.status, 1);
    EXPECT_EQ(notABackup.out, "Import failed: This doesn't look like an aText backup.\n");

    EXPECT_EQ(readFile(libraryFile()), before);
    EXPECT_EQ(entryNames(dataFolder() / "Quillo"), entries);
}

} // namespace
} // namespace quillo::testing
