// The aText importer, end to end: backups written the way Apple's archiver writes them
// (by tests/import/make_atext_backups.py), read, converted and merged into a library.
#include "core/import/ATextImporter.h"

#include "core/text/HTMLText.h"
#include "core/text/Placeholders.h"
#include "fakes/FakeDialogs.h"
#include "fakes/GeneratedBackups.h"
#include "fakes/LibraryFixture.h"
#include "fakes/Names.h"
#include "fakes/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quillo {
namespace {

using namespace quillo::testing;
namespace fs = std::filesystem;

::testing::AssertionResult isOneSentence(const std::string& text) {
    if (!text.empty() && text.back() == '.' && text.find('\n') == std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << '"' << text << "\" is not one sentence";
}

TextAttributes styled(std::function<void(TextAttributes&)> change) {
    TextAttributes attributes;
    change(attributes);
    return attributes;
}

// ---- The importer over a library in a temporary data folder

class ATextImporterTest : public LibraryTest {
protected:
    ImportedBackup read(const std::string& backup) const {
        return importer.read(generatedBackup(backup));
    }

    static const Snippet& named(const ImportedBackup& backup, const std::string& name) {
        const auto found = std::find_if(backup.snippets.begin(), backup.snippets.end(),
                                        [&](const Snippet& s) { return s.name == name; });
        if (found == backup.snippets.end())
            throw std::runtime_error("no snippet named " + name);
        return *found;
    }

    // The name of the group a snippet of the backup belongs to, or "Ungrouped".
    static std::string groupOf(const ImportedBackup& backup, const Snippet& snippet) {
        for (const SnippetGroup& group : backup.groups)
            if (snippet.groupID == group.id)
                return group.name;
        return snippet.groupID ? "(a group the backup doesn't list)" : "Ungrouped";
    }

    // Every snippet as "name -> group", in order.
    static std::vector<std::string> filing(const ImportedBackup& backup) {
        std::vector<std::string> result;
        for (const Snippet& snippet : backup.snippets)
            result.push_back(snippet.name + " -> " + groupOf(backup, snippet));
        return result;
    }

    void putBackup(const std::string& fileName, const std::string& generated,
                   fs::file_time_type modified = fs::file_time_type::clock::now()) {
        const fs::path target = ATextImporter::backupsFolder(home.path()) / fileName;
        fs::create_directories(target.parent_path());
        fs::copy_file(generatedBackup(generated), target);
        fs::last_write_time(target, modified);
    }

    std::unique_ptr<Library> library = open();
    FakeDialogs dialogs;
    TempFolder home;
    ATextImporter importer{ImportEnvironment{*library, clock, dialogs, home.path()}};
};

TEST_F(ATextImporterTest, NestedGroupsAreFlattenedIntoOneLevelNamedByTheirPaths) {
    const ImportedBackup backup = read("groups-and-nesting.atext");
    EXPECT_EQ(namesOf(backup.groups), (std::vector<std::string>{"A", "A / B"}));
    EXPECT_EQ(filing(backup),
              (std::vector<std::string>{"Address -> A", "Thanks -> A", "Goodbye -> A / B"}));
}

TEST_F(ATextImporterTest, AnExistingGroupOfTheSameNameInAnyCaseTakesTheSnippets) {
    const SnippetGroup work = library->addGroup("work");
    using enum SnippetFormat;
    // The same snippet outside the group is no duplicate of the incoming one.
    library->merge(
        {work},
        {{.name = "Reply", .format = plain, .text = "Thanks, I'm on it.", .groupID = work.id},
         {.name = "Decline", .format = plain, .text = "Sorry, not this time."}});

    EXPECT_EQ(importer.importFile(generatedBackup("work-group.atext")), 1u);
    EXPECT_EQ(namesOf(library->groups()), std::vector<std::string>{"work"});
    const Snippet& added = library->snippets().back();
    EXPECT_EQ(added.name, "Decline");
    EXPECT_EQ(added.groupID, work.id);
}

TEST_F(ATextImporterTest, GroupsWithoutSnippetsOfTheirOwnAreLeftOut) {
    // Outer holds only Inner; Hollow holds an empty group, objects of other classes and a
    // snippet with neither text nor abbreviation.
    const ImportedBackup backup = read("container-groups.atext");
    EXPECT_EQ(namesOf(backup.groups), std::vector<std::string>{"Outer / Inner"});
    EXPECT_EQ(filing(backup),
              (std::vector<std::string>{"Deep -> Outer / Inner", "Top -> Ungrouped"}));
}

TEST_F(ATextImporterTest, GroupsWithoutANameAreCalledATextAndTheirSubgroupsKeepTheirOwnNames) {
    const ImportedBackup backup = read("unnamed-groups.atext");
    // An unnamed group; a group named ""; an unnamed group inside "Parent" (named after its
    // path); a group whose name is a number.
    EXPECT_EQ(
        namesOf(backup.groups),
        (std::vector<std::string>{"aText", "Sub", "Child", "Child / Grand", "Parent", "aText"}));
    EXPECT_EQ(filing(backup),
              (std::vector<std::string>{"Loose -> aText", "In sub -> Sub", "In child -> Child",
                                        "In grand -> Child / Grand", "Nameless inside -> Parent",
                                        "Numbered -> aText"}));
    EXPECT_NE(backup.snippets.front().groupID, backup.snippets.back().groupID)
        << "two groups that are both called aText are still two groups in the backup";
}

TEST_F(ATextImporterTest, SnippetsAreNamedByLabelTriggerOrFirstLine) {
    struct Case {
        const char* why;
        std::string name;
        std::string text;
    };
    const std::string longLine =
        "Ça va très bien, merci à toi ; à bientôt chez nous, au revoir et bonne journée !";
    // In the backup's order; two records are dropped (no text and no abbreviation, the
    // second one despite its label).
    const std::vector<Case> cases{
        {"label trimmed of spaces and tabs", "Greeting", "Hello"},
        {"blank label, capitalised trigger", "Sig", "Best regards,\nJane"},
        {"lowercase trigger: first line", "Best regards,", "Best regards,\nJane"},
        {"abbreviation with a space", "my sig", "Best regards,\nJane"},
        {"no label, no abbreviation", "Untitled", "Hello there"},
        {"blank abbreviation", "Untitled", "Blank abbreviation"},
        {"abbreviation without text", ";empty", ""},
        {"first line cut to 48 characters", "Ça va très bien, merci à toi ; à bientôt chez no",
         longLine + "\nsecond line"},
        {"first line starting with a placeholder", ";ph", "{{date}} is the day\nsecond"},
        {"13 characters are no trigger", ";abcdefghijkl", "Thirteen characters"},
        {"12 characters are", "Twelve characters", "Twelve characters\nmore"},
        {"characters, not bytes", "Twelve characters, 23 bytes",
         "Twelve characters, 23 bytes\nmore"},
        {"trigger trimmed first", "Padded trigger", "Padded trigger"},
        {"empty first line", ";nl", "\nSecond line"},
        {"first line trimmed", "Indented first", " \tIndented first\nnext"},
        {"carriage return ends a line", "Old Mac line", "Old Mac line\rnext"},
        {"CR LF ends a line", "Windows line", "Windows line\r\nnext"},
        {"line separator ends a line", "Unicode line", "Unicode line\u2028next"},
        {"non-ASCII capital", "Émile", "Bonjour\nÉmile"},
        {"a digit is no capital", "Nine lives", "Nine lives\nmore"},
        {"rich: first line of its plain text", "Rich first line",
         "<div>Rich <b>first</b> line</div><div>second</div>"},
    };
    const ImportedBackup backup = read("naming-rules.atext");
    ASSERT_EQ(backup.snippets.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].why);
        EXPECT_EQ(backup.snippets[i].name, cases[i].name);
        EXPECT_EQ(backup.snippets[i].text, cases[i].text);
    }
}

TEST_F(ATextImporterTest, ContentTypeAndMarkupDecideTextAndFormat) {
    using enum SnippetFormat;
    const std::vector<std::tuple<std::string, std::string, SnippetFormat>> cases{
        {"attributed 0", "Fish & chips", plain},
        {"attributed 4", "Fish & chips", rich},
        {"attributed 7", "Fish & chips", plain},
        {"string 4", "<div>Hello</div>", rich},
        {"string 1", "Plain in type one", plain},
        {"string 3", "Type three", plain},
        {"div start", "  <DIV class=\"note\">Hi</DIV>", rich},
        {"p start", "\n<p>Para</p>", rich},
        {"pre start", "<pre>code</pre>", plain},
        {"divider start", "<divider>x</divider>", plain},
        {"mutable", "Mutable text", plain},
        {"by reference", "<div>By ref</div>", rich},
        {";when", "", plain}, // a date where the content should be
        {";none", "", plain},
    };
    const ImportedBackup backup = read("content-types.atext");
    ASSERT_EQ(backup.snippets.size(), cases.size());
    for (const auto& [name, text, format] : cases) {
        SCOPED_TRACE(name);
        const Snippet& snippet = named(backup, name);
        EXPECT_EQ(snippet.text, text);
        EXPECT_EQ(snippet.format, format);
    }
}

TEST_F(ATextImporterTest, AttributedTextOfTypeOneBecomesTheProgramsHTML) {
    const auto bold = styled([](auto& a) { a.bold = true; });
    const auto italic = styled([](auto& a) { a.italic = true; });
    const auto both = styled([](auto& a) { a.bold = a.italic = true; });
    const auto link = [](std::string target) { return styled([&](auto& a) { a.link = target; }); };
    std::string longRun;
    for (int i = 0; i < 3; ++i)
        longRun += "An italic run long enough to need two bytes for its length. ";

    StyledText styles;
    styles.append("Bold", bold);
    styles.append(" ");
    styles.append("italic", italic);
    styles.append(" ");
    styles.append("both", both);
    styles.append(" ");
    styles.append("oblique", both);
    styles.append(" ");
    styles.append("condensed", bold);
    styles.append(" Bolder "); // a font name without a style part
    styles.append("under", styled([](auto& a) { a.underline = true; }));
    styles.append(" ");
    styles.append("struck", styled([](auto& a) { a.strikethrough = true; }));
    styles.append("\n");
    // The emoji counts two UTF-16 units: every run after it depends on that.
    styles.append("😀 page", link("https://example.com/docs/page.html"));
    styles.append(" ");
    styles.append("mail", link("mailto:jane@example.com"));
    styles.append(" ");
    styles.append(longRun, italic);
    styles.append("end", styled([](auto& a) { a.bold = a.underline = true; }));

    StyledText exact;
    exact.append("sky", styled([](auto& a) { a.color = RgbColor{0, 0.5, 1}; }));
    exact.append(" plain");

    const ImportedBackup backup = read("rich-runs.atext");
    const std::vector<std::pair<std::string, StyledText>> cases{{"styles", styles},
                                                                {"exact colour", exact}};
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const Snippet& snippet = named(backup, name);
        EXPECT_EQ(snippet.format, SnippetFormat::rich);
        EXPECT_EQ(snippet.text, HTMLText::htmlFromAttributed(expected));
    }
}

TEST_F(ATextImporterTest, ColoursOfEveryColourSpaceComeOutAsSRGB) {
    // Calibrated spaces may shift a little on their way to sRGB; each word keeps its hue.
    const std::map<std::string, RgbColor> expected{
        {"calibrated", {1, 0, 0}}, {"device", {0, 0, 1}}, {"white", {1, 1, 1}},
        {"grey", {0.5, 0.5, 0.5}}, {"cmyk", {1, 0, 0}},   {"named", {0, 1, 0}},
    };
    const std::string html = named(read("rich-runs.atext"), "colour spaces").text;

    std::map<std::string, RgbColor> found;
    const std::regex span(R"re(<span style="color:#([0-9a-f]{6})">([^<]*)</span>)re");
    for (std::sregex_iterator it(html.begin(), html.end(), span), end; it != end; ++it) {
        const unsigned long hex = std::stoul((*it)[1].str(), nullptr, 16);
        found[(*it)[2].str()] = {((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0,
                                 (hex & 0xff) / 255.0};
    }
    for (const auto& [word, colour] : expected) {
        SCOPED_TRACE(word);
        ASSERT_TRUE(found.contains(word)) << html;
        EXPECT_NEAR(found[word].red, colour.red, 0.15);
        EXPECT_NEAR(found[word].green, colour.green, 0.15);
        EXPECT_NEAR(found[word].blue, colour.blue, 0.15);
    }
    // The system's text colours mean the default colour: no span at all.
    for (const char* word : {"textColor", "labelColor"}) {
        EXPECT_NE(html.find(word), std::string::npos) << html;
        EXPECT_FALSE(found.contains(word)) << html;
    }
}

TEST_F(ATextImporterTest, PlaceholdersInEveryKindOfContentAreConverted) {
    const ImportedBackup backup = read("placeholders.atext");
    EXPECT_EQ(named(backup, "plain").text,
              "Today {{date}} at {{time:HH:mm}} for {{field:Name|Jane & co}}, 【field:Name】 "
              "【unknown】");

    const Snippet& rich = named(backup, "rich");
    EXPECT_EQ(rich.text, "<div>Dear {{field:Name|A &amp; B}}, {{clipboard}}</div>");
    // The escaped default reads back as the user wrote it.
    EXPECT_EQ(Placeholders::fields(rich.text, true),
              (std::vector<Placeholders::Field>{{"Name", "A & B"}}));

    // In attributed text the quotes reach the converter as "&quot;".
    StyledText dear;
    dear.append("Dear {{field:Client}},", styled([](auto& a) { a.bold = true; }));
    EXPECT_EQ(named(backup, "attributed").text, HTMLText::htmlFromAttributed(dear));

    const Snippet& plainDiv = named(backup, "plain div");
    EXPECT_EQ(plainDiv.format, SnippetFormat::rich);
    EXPECT_EQ(plainDiv.text, "<div>Hi {{field:Who|Tom &amp; Jerry}}</div>");
}

TEST_F(ATextImporterTest, DatesComeFromTheRecordOrTheClockAndNothingIsUsedYet) {
    using std::chrono::milliseconds;
    const ImportedBackup backup = read("dates.atext");
    const Snippet& both = named(backup, "both");
    EXPECT_EQ(both.created, utc(2019, 5, 4, 3, 2, 1) + milliseconds(500));
    EXPECT_EQ(both.modified, utc(2020, 1, 2, 10));
    const Snippet& old = named(backup, "before 2001");
    EXPECT_EQ(old.created, utc(1995, 6, 15, 12) + milliseconds(250));
    EXPECT_EQ(old.modified, clock.now());
    const Snippet& neither = named(backup, "neither");
    EXPECT_EQ(neither.created, clock.now());
    EXPECT_EQ(neither.modified, clock.now());
    for (const Snippet& snippet : backup.snippets) {
        EXPECT_EQ(snippet.lastUsed, std::nullopt);
        EXPECT_EQ(snippet.useCount, 0);
    }
}

TEST(ATextPlaceholders, EachInsideBecomesTheProgramsPlaceholderOrNothingAndTextBetweenIsKept) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"date", "{{date}}"},
        {" Date\t", "{{date}}"},
        {"date:", "{{date}}"},
        {"DATE:yyyy-MM-dd", "{{date:yyyy-MM-dd}}"},
        {"date:  EEEE, d MMMM \t", "{{date:EEEE, d MMMM}}"},
        {"date:'at' HH:mm", "{{date:'at' HH:mm}}"},
        {"date:\nyyyy", "{{date:\nyyyy}}"}, // only spaces and tabs are trimmed
        {"time", "{{time}}"},
        {"time:HH:mm:ss", "{{time:HH:mm:ss}}"},
        {":date", "{{date}}"}, // a leading colon gives no empty keyword
        {":time:HH", "{{time:HH}}"},
        {":", std::nullopt},
        {"", std::nullopt},
        {"clipboard", "{{clipboard}}"},
        {" Clipboard:ignored", "{{clipboard}}"},
        {R"(field:"Name" value:"Jane")", "{{field:Name|Jane}}"},
        {R"(Field :"Name")", "{{field:Name}}"},
        {R"(field:"Name" value:"")", "{{field:Name}}"},
        {R"(field:"Name" value:)", "{{field:Name}}"},
        {R"(field:"Name" value:"open)", "{{field:Name}}"},
        {R"(field:"A" VALUE:"b")", "{{field:A}}"},
        {R"(field:"Na}me|" value:"a|b}c")", "{{field:Name|abc}}"},
        {R"(field:"")", "{{field:}}"},
        {R"(field:value:"x")", "{{field:x|x}}"},
        {"field:Name", std::nullopt},
        {"field", std::nullopt},
        {"snippet:x", std::nullopt},
        {"cursor", std::nullopt},
    };
    for (const auto& [inside, converted] : cases)
        EXPECT_EQ(ATextImporter::placeholder(inside), converted) << '"' << inside << '"';
    struct Case {
        std::string text;
        bool isHTML;
        std::string converted;
    };
    const std::vector<Case> texts{
        {"No placeholders 】 here", false, "No placeholders 】 here"},
        {"Start 【date】 middle 【time:HH:mm】 end", false,
         "Start {{date}} middle {{time:HH:mm}} end"},
        {"Grüße, 【field:\"Straße\"】 ✓", false, "Grüße, {{field:Straße}} ✓"},
        {"【unknown】 and 【field:Name】", false, "【unknown】 and 【field:Name】"},
        {"【】 【:】", false, "【】 【:】"},
        {"【date and more", false, "【date and more"},
        {"date】【time】", false, "date】{{time}}"},
        {"【a【date】", false, "【a【date】"},
        {"【date】\n【time】", false, "{{date}}\n{{time}}"},
        {"【field:&quot;Co&quot; value:&quot;A&amp;B&quot;】", false, "{{field:Co|A&B}}"},
        {"【field:&quot;Co&quot; value:&quot;A&amp;B&quot;】", true, "{{field:Co|A&amp;B}}"},
        {"<b>【date:'at' HH:mm】</b>", true, "<b>{{date:&#39;at&#39; HH:mm}}</b>"},
        {"【field:\"x<y\"】", true, "{{field:x&lt;y}}"},
        {"<i>【unknown】</i>", true, "<i>【unknown】</i>"},
    };
    for (const Case& c : texts)
        EXPECT_EQ(ATextImporter::convertPlaceholders(c.text, c.isHTML), c.converted)
            << c.text << (c.isHTML ? " (HTML)" : " (plain)");
}

TEST_F(ATextImporterTest, TheLatestBackupIsTheNewestFileEndingInExactlyDotAText) {
    const auto now = fs::file_time_type::clock::now();
    using std::chrono::hours;
    putBackup("NEWER.ATEXT", "one-snippet.atext", now - hours(1));
    putBackup("newest.atext.bak", "one-snippet.atext", now);
    putBackup("newest.atextx", "one-snippet.atext", now);
    EXPECT_EQ(importer.latestBackup(), std::nullopt);

    putBackup("old.atext", "one-snippet.atext", now - hours(3));
    putBackup("new.atext", "one-snippet.atext", now - hours(2));
    EXPECT_EQ(importer.latestBackup(), importer.backupsFolder() / "new.atext");

    putBackup(".hidden.atext", "one-snippet.atext", now - std::chrono::minutes(30));
    EXPECT_EQ(importer.latestBackup(), importer.backupsFolder() / ".hidden.atext");
}

TEST_F(ATextImporterTest, OfTwoEquallyNewBackupsTheFirstListedWins) {
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(1);
    putBackup("a.atext", "one-snippet.atext", when);
    putBackup("b.atext", "one-snippet.atext", when);
    putBackup("older.atext", "one-snippet.atext", when - std::chrono::hours(1));
    // The listing order is the file system's own.
    fs::path firstListed;
    for (const fs::directory_entry& entry : fs::directory_iterator(importer.backupsFolder()))
        if (entry.path().filename() != "older.atext" && firstListed.empty())
            firstListed = entry.path();
    EXPECT_EQ(importer.latestBackup(), firstListed);
}

TEST_F(ATextImporterTest, ImportLatestCountsWhatWasAddedOrReportsAnUnreadableBackup) {
    // Without a backups folder there is nothing to import.
    EXPECT_EQ(importer.latestBackup(), std::nullopt);
    EXPECT_EQ(importer.importLatest(), std::nullopt);
    putBackup("older.atext", "one-snippet.atext",
              fs::file_time_type::clock::now() - std::chrono::hours(24));
    putBackup("today.atext", "groups-and-nesting.atext");
    EXPECT_EQ(importer.importLatest(), 3u);
    EXPECT_EQ(importer.importLatest(), 0u);
    EXPECT_EQ(library->snippets().size(), 3u);
    EXPECT_TRUE(dialogs.nothingShown());
    // The import is saved like any other change.
    scheduler.advance(std::chrono::seconds(1));
    EXPECT_EQ(open()->snippets().size(), 3u);

    // A newer backup it cannot read is reported, and nothing is imported.
    putBackup("newer.atext", "hostile-root-array.atext",
              fs::file_time_type::clock::now() + std::chrono::hours(1));
    EXPECT_EQ(importer.importLatest(), std::nullopt);
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{std::string(ATextImporter::notABackup)});
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_EQ(library->snippets().size(), 3u);
}

TEST_F(ATextImporterTest, ChoosingAsksForABackupInATextsFolderAndCancellingDoesNothing) {
    const std::uint64_t revision = library->revision();
    importer.chooseAndImport();
    ASSERT_EQ(dialogs.panels.size(), 1u);
    EXPECT_EQ(dialogs.panels[0].message,
              "Choose an aText backup (.atext). aText makes one every day.");
    EXPECT_EQ(dialogs.panels[0].startFolder,
              home / "Library/Application Support/com.trankynam.aText/Backups");
    EXPECT_EQ(dialogs.panels[0].fileExtensions, std::vector<std::string>{"atext"});
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(library->revision(), revision);

    // A file that cannot be read is refused in one sentence.
    dialogs.chosenFile = home / "missing.atext";
    importer.chooseAndImport();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(isOneSentence(dialogs.errors[0]));
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(ATextImporterTest, ChoosingReportsHowManySnippetsCameIn) {
    using Alert = FakeDialogs::Alert;
    dialogs.chosenFile = generatedBackup("one-snippet.atext");
    importer.chooseAndImport();
    dialogs.chosenFile = generatedBackup("groups-and-nesting.atext");
    importer.chooseAndImport();
    importer.chooseAndImport();
    EXPECT_EQ(dialogs.alerts, (std::vector<Alert>{
                                  {"Imported 1 snippet", "Groups were matched by name."},
                                  {"Imported 3 snippets", "Groups were matched by name."},
                                  {"Nothing new to import",
                                   "Everything in that backup is already in your library."},
                              }));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(library->snippets().size(), 4u);
}

// Readable archives that are not backups give the importer's own sentence.
const std::set<std::string> notBackups{"root-array", "root-null", "no-snippets", "snippets-string",
                                       "snippets-dictionary"};

class ATextHostileBackupTest : public ATextImporterTest,
                               public ::testing::WithParamInterface<std::string> {};

TEST_P(ATextHostileBackupTest, IsRefusedInOneSentenceAndChangesNothing) {
    // A library with something in it, saved.
    const SnippetGroup kept = library->addGroup("Kept");
    library->addSnippet(kept.id);
    library->saveNow();
    const std::string bytes = readFile(file());
    const std::vector<Snippet> snippets = library->snippets();
    const std::uint64_t revision = library->revision();
    const fs::path backup = generatedBackup("hostile-" + GetParam() + ".atext");

    std::string description;
    try {
        importer.importFile(backup);
        ADD_FAILURE() << "the backup was imported";
    } catch (const ImportError& error) {
        description = error.errorDescription();
    }
    EXPECT_TRUE(isOneSentence(description));
    if (notBackups.contains(GetParam())) {
        EXPECT_EQ(description, ATextImporter::notABackup);
    }

    dialogs.chosenFile = backup;
    importer.chooseAndImport();
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{description});
    EXPECT_TRUE(dialogs.alerts.empty());

    EXPECT_EQ(library->revision(), revision);
    EXPECT_TRUE(library->snippets() == snippets);
    EXPECT_EQ(namesOf(library->groups()), std::vector<std::string>{"Kept"});
    scheduler.advance(std::chrono::seconds(5));
    EXPECT_EQ(readFile(file()), bytes);
}

// Each runs as its name with underscores: "deep-groups" as "deep_groups".
INSTANTIATE_TEST_SUITE_P(Backups, ATextHostileBackupTest,
                         ::testing::Values("empty", "not-a-plist", "root-array", "root-null",
                                           "no-snippets", "snippets-string", "snippets-dictionary",
                                           "group-cycle", "mutual-cycle", "deep-groups",
                                           "shared-groups", "deep-arrays", "shared-arrays",
                                           "item-out-of-range", "root-out-of-range",
                                           "offset-out-of-range", "truncated-half",
                                           "truncated-trailer", "nul-in-utf16", "huge-string",
                                           "huge-array"),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = param.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
} // namespace quillo
