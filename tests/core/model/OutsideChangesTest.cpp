// Changes to the library file made by others while the program runs: editors, scripts and
// sync tools.
#include "core/app/MenuModel.h"
#include "core/model/LibraryFile.h"
#include "fakes/LibraryFixture.h"
#include "fakes/Names.h"

#include <gmock/gmock.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::entryNames;
using ::testing::HasSubstr;
using testing::readFile;
using ::testing::StartsWith;
using testing::utc;
using testing::writeFile;

class OutsideChanges : public testing::LibraryTest {
protected:
    OutsideChanges() {
        writeFile(file(), LibraryFileCoding::encode({}, {thanks}));
        library = open();
    }

    // What a sync tool does: the whole new file under another name, renamed over.
    void replaceFile(const std::vector<Snippet>& snippets) {
        const fs::path temporary = folder() / ".syncthing.library.json.tmp";
        writeFile(temporary, LibraryFileCoding::encode({}, snippets));
        fs::rename(temporary, file());
    }

    std::vector<std::string> names() const { return testing::namesOf(library->snippets()); }

    const Snippet thanks{.name = "Thanks", .created = utc(2026, 1, 1), .modified = utc(2026, 1, 1)};
    const Snippet outsider{
        .name = "Outsider", .created = utc(2026, 2, 1), .modified = utc(2026, 2, 1)};
    std::unique_ptr<Library> library;
};

TEST_F(OutsideChanges, theProgramsOwnWritesAndUnchangedContentAreNotChanges) {
    EXPECT_THAT(watcher.folders(), ElementsAre(folder()));
    const Snippet added = library->addSnippet(std::nullopt);
    library->deleteSnippets({added.id});
    scheduler.advance(400ms);
    const std::uint64_t revision = library->revision();

    reportChange();                      // the save's own events
    writeFile(file(), readFile(file())); // rewritten in place, the same bytes
    reportChange();

    EXPECT_EQ(library->revision(), revision);
    EXPECT_TRUE(library->lastDeletion()) << "undo stays while the deleted snippet is absent";
}

TEST_F(OutsideChanges, withNothingUnsavedTheFileIsTakenAsItIs) {
    const Snippet gone = library->addSnippet(std::nullopt);
    library->deleteSnippets({gone.id});
    scheduler.advance(400ms);

    replaceFile({outsider, thanks, gone});
    const std::string theirs = readFile(file());
    reportChange();

    EXPECT_THAT(names(), ElementsAre("Outsider", "Thanks", "New Snippet"));
    EXPECT_FALSE(library->lastDeletion()) << "the deleted snippet is back: nothing to undo";
    EXPECT_EQ(readFile(file()), theirs) << "taking a change in writes nothing";
}

TEST_F(OutsideChanges, unsavedChangesAreMergedWithTheFileBeforeSaving) {
    library->recordUse(thanks.id);
    // Written in place, and found by the save itself before the watcher reports.
    writeFile(file(), LibraryFileCoding::encode({}, {thanks, outsider}));
    scheduler.advance(400ms);

    EXPECT_THAT(names(), ElementsAre("Thanks", "Outsider"));
    const LibraryFile saved = LibraryFileCoding::decode(readFile(file()));
    ASSERT_EQ(saved.snippets.size(), 2u);
    EXPECT_EQ(saved.snippets[0].useCount, 1);
    EXPECT_EQ(saved.snippets[1].name, "Outsider");
}

TEST_F(OutsideChanges, aFileThatDoesntReadIsNeverSavedOverUntilItReadsAgain) {
    writeFile(file(), "{\"groups\": [], \"snippets\": [");
    reportChange();
    ASSERT_TRUE(library->unreadableChange());
    EXPECT_THAT(*library->problem(),
                StartsWith("Your library file was changed outside Quillo and can't be read: "));
    EXPECT_TRUE(library->savesBlocked());
    const std::vector<MenuItem> tray = MenuModel::build(*library, Shortcut::defaultPicker());
    EXPECT_THAT(tray[1].title, StartsWith("The library file isn't valid JSON"))
        << "the tray says why";
    EXPECT_EQ(tray[2].command, MenuCommand::useOwnCopy);

    library->recordUse(thanks.id);
    scheduler.advance(400ms);
    library->saveNow();
    EXPECT_EQ(readFile(file()), "{\"groups\": [], \"snippets\": [");
    EXPECT_EQ(library->snippets().front().useCount, 1) << "the program keeps working";

    replaceFile({thanks, outsider}); // fixed: taken in, merged with the use, saved
    reportChange();
    EXPECT_FALSE(library->unreadableChange());
    EXPECT_FALSE(library->problem());
    const LibraryFile saved = LibraryFileCoding::decode(readFile(file()));
    ASSERT_EQ(saved.snippets.size(), 2u);
    EXPECT_EQ(saved.snippets[0].useCount, 1);
}

TEST_F(OutsideChanges, usingTheProgramsCopySetsTheFileAsideAsQuittingDoes) {
    for (const bool quitting : {false, true}) {
        writeFile(file(), quitting ? "not json" : "");
        reportChange();
        ASSERT_TRUE(library->unreadableChange());
        clock.advance(1s); // another name for the second file set aside

        if (quitting)
            library->saveBeforeQuit();
        else
            library->useOwnCopy();

        EXPECT_FALSE(library->unreadableChange());
        EXPECT_THAT(*library->problem(), HasSubstr("so it was set aside as “library unreadable "));
        EXPECT_EQ(LibraryFileCoding::decode(readFile(file())).snippets.size(), 1u);
    }
    EXPECT_THAT(entryNames(folder()),
                ElementsAre("Backups", "library unreadable 2026-03-01 090508.json",
                            "library unreadable 2026-03-01 090509.json", "library.json"));
}

TEST_F(OutsideChanges, conflictCopiesAreOfferedMergedOnceAndMovedToTheBackups) {
    const std::string copyName = "library.sync-conflict-20260301-090000-ABCDEFG.json";
    Snippet edited = thanks;
    edited.text = "Thanks a lot";
    writeFile(folder() / copyName, LibraryFileCoding::encode({}, {thanks, edited, outsider}));
    writeFile(folder() / "library (Ann's conflicted copy 2026-03-01).json", "{}");
    writeFile(folder() / "library unreadable 2026-03-01 090000.json", "{}");
    reportChange();
    ASSERT_EQ(library->conflictCopies().size(), 2u);

    EXPECT_FALSE(library->mergeConflictCopy(folder() / copyName));

    // The edited copy of "Thanks" comes in beside it, under a new id; the same one doesn't.
    EXPECT_THAT(names(), ElementsAre("Thanks", "Thanks", "Outsider"));
    EXPECT_NE(library->snippets()[1].id, thanks.id);
    EXPECT_THAT(library->conflictCopies(),
                ElementsAre(folder() / "library (Ann's conflicted copy 2026-03-01).json"));
    EXPECT_TRUE(fs::exists(backups() / "Conflicted copies" / copyName));
    EXPECT_THAT(*library->mergeConflictCopy(library->conflictCopies()[0]),
                StartsWith("“library (Ann's conflicted copy 2026-03-01).json” couldn't be merged"));
}

} // namespace
} // namespace quillo
