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
using testing::namesOf;
using testing::readFile;
using ::testing::StartsWith;
using testing::utc;
using testing::writeFile;

using LibraryStorage = testing::LibraryTest;

std::string documentWith(const std::vector<std::string>& names) {
    std::vector<Snippet> snippets;
    for (const std::string& name : names)
        snippets.push_back(
            Snippet{.name = name, .created = utc(2026, 1, 1), .modified = utc(2026, 1, 1)});
    return LibraryFileCoding::encode({}, snippets);
}

TEST_F(LibraryStorage, firstLaunchCreatesNothingUntilTheFirstChange) {
    auto library = open();
    EXPECT_TRUE(library->snippets().empty());
    EXPECT_FALSE(library->problem());
    EXPECT_TRUE(fs::is_empty(data.path()));

    library->addSnippet(std::nullopt);
    scheduler.advance(400ms);
    ASSERT_TRUE(fs::exists(file()));
    const LibraryFile saved = LibraryFileCoding::decode(readFile(file()));
    EXPECT_EQ(saved.snippets.size(), 1u);
    // The day's first save also leaves the day's backup, byte for byte the same.
    EXPECT_EQ(readFile(backups() / "library 2026-03-01.json"), readFile(file()));
}

TEST_F(LibraryStorage, loadKeepsOrderAndSavesTheSameBytes) {
    writeFile(file(), documentWith({"c", "a", "b", "a"}));
    const std::string before = readFile(file());
    auto library = open();
    EXPECT_THAT(namesOf(library->snippets()), ElementsAre("c", "a", "b", "a"));
    library->saveNow();
    EXPECT_EQ(readFile(file()), before);
}

TEST_F(LibraryStorage, legacyFolderAloneMovesInWhole) {
    writeFile(legacy() / "library.json", documentWith({"old"}));
    writeFile(legacy() / "Backups" / "library 2025-01-01.json", "b");
    auto library = open();
    EXPECT_THAT(namesOf(library->snippets()), ElementsAre("old"));
    EXPECT_FALSE(fs::exists(legacy()));
    EXPECT_EQ(readFile(backups() / "library 2025-01-01.json"), "b");
    EXPECT_FALSE(library->problem());
}

TEST_F(LibraryStorage, legacyFileMovesIntoAnExistingFolderWithoutReplacingBackups) {
    writeFile(backups() / "library 2025-02-01.json", "current");
    writeFile(legacy() / "library.json", documentWith({"old"}));
    writeFile(legacy() / "Backups" / "library 2025-01-01.json", "old 1");
    writeFile(legacy() / "Backups" / "library 2025-02-01.json", "old 2");
    auto library = open();
    EXPECT_THAT(namesOf(library->snippets()), ElementsAre("old"));
    EXPECT_EQ(readFile(backups() / "library 2025-01-01.json"), "old 1");
    EXPECT_EQ(readFile(backups() / "library 2025-02-01.json"), "current");
    // What could not move stays behind in the old folder.
    EXPECT_THAT(entryNames(legacy() / "Backups"), ElementsAre("library 2025-02-01.json"));
    EXPECT_FALSE(fs::exists(legacy() / "library.json"));
}

TEST_F(LibraryStorage, anExistingLibraryWinsOverTheLegacyFolder) {
    writeFile(file(), documentWith({"current"}));
    writeFile(legacy() / "library.json", documentWith({"old"}));
    auto library = open();
    EXPECT_THAT(namesOf(library->snippets()), ElementsAre("current"));
    EXPECT_TRUE(fs::exists(legacy() / "library.json"));
}

TEST_F(LibraryStorage, failedMigrationBlocksSavesAndSaysWhy) {
    const std::string old = documentWith({"old"});
    writeFile(legacy() / "library.json", old);
    writeFile(folder(), "a file where the folder should be");
    auto library = open();
    ASSERT_TRUE(library->problem());
    EXPECT_THAT(*library->problem(),
                StartsWith("Your library is still in the old “Stock Answers” folder and couldn't "
                           "be moved ("));
    EXPECT_THAT(*library->problem(), HasSubstr("). Changes won't be saved until it's moved to the "
                                               "Quillo folder next to it."));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_THAT(log.lines[0], StartsWith("Quillo: couldn't move the old library: "));
    EXPECT_TRUE(library->snippets().empty());

    library->addSnippet(std::nullopt);
    scheduler.advance(1s);
    library->saveNow();
    EXPECT_EQ(readFile(folder()), "a file where the folder should be");
    EXPECT_EQ(readFile(legacy() / "library.json"), old);
}

TEST_F(LibraryStorage, unreadableFileIsSetAsideAndANewOneStarted) {
    writeFile(file(), "{ not json");
    auto library = open();
    EXPECT_TRUE(library->snippets().empty());
    EXPECT_EQ(library->problem(),
              "Your library file couldn't be read, so it was set aside as “library unreadable "
              "2026-03-01 090507.json”. Daily backups are in the Backups folder next to it.");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_THAT(log.lines[0], StartsWith("Quillo: load failed: The library file isn't valid JSON"));
    EXPECT_EQ(readFile(folder() / "library unreadable 2026-03-01 090507.json"), "{ not json");
    EXPECT_FALSE(fs::exists(file()));

    library->addSnippet(std::nullopt);
    scheduler.advance(400ms);
    EXPECT_EQ(LibraryFileCoding::decode(readFile(file())).snippets.size(), 1u);
    // A save never clears a message of another kind.
    EXPECT_TRUE(library->problem());
}

TEST_F(LibraryStorage, aHugeFileIsSetAsideUnread) {
    writeFile(file(), "");
    // Sparse: the size is there without the disk space.
    fs::resize_file(file(), LibraryFileCoding::maximumSize + 1);
    auto library = open();
    EXPECT_THAT(library->problem().value_or(""), HasSubstr("it was set aside as"));
    EXPECT_THAT(log.lines.at(0), HasSubstr("is too large to read"));
    EXPECT_EQ(fs::file_size(folder() / "library unreadable 2026-03-01 090507.json"),
              LibraryFileCoding::maximumSize + 1);
}

TEST_F(LibraryStorage, unreadableFileThatCannotBeSetAsideIsNeverOverwritten) {
    const std::string bad = R"({"version": 1, "groups": [], "snippets": [{"name": 5}]})";
    writeFile(file(), bad);
    writeFile(folder() / "library unreadable 2026-03-01 090507.json", "earlier");
    auto library = open();
    EXPECT_THAT(library->problem().value_or(""),
                StartsWith("Your library file couldn't be read (The library file's snippet 1 "));
    EXPECT_THAT(library->problem().value_or(""),
                HasSubstr("). Changes won't be saved until it's fixed."));

    library->addGroup("G");
    scheduler.advance(1s);
    library->saveNow(); // as at quit
    EXPECT_EQ(readFile(file()), bad);
    EXPECT_EQ(readFile(folder() / "library unreadable 2026-03-01 090507.json"), "earlier");
    EXPECT_FALSE(fs::exists(backups()));
}

TEST_F(LibraryStorage, aBurstOfEditsGivesOneWriteAfterTheLastAndAClosedLibraryNone) {
    auto closed = open();
    closed->addSnippet(std::nullopt);
    closed.reset();
    scheduler.advance(1s);
    EXPECT_FALSE(fs::exists(folder()));

    auto library = open();
    const Snippet a = library->addSnippet(std::nullopt);
    scheduler.advance(100ms);
    library->addGroup("G");
    scheduler.advance(100ms);
    library->recordUse(a.id);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    scheduler.advance(399ms);
    EXPECT_FALSE(fs::exists(file()));
    scheduler.advance(1ms);
    ASSERT_TRUE(fs::exists(file()));
    const LibraryFile saved = LibraryFileCoding::decode(readFile(file()));
    EXPECT_EQ(saved.groups.size(), 1u);
    EXPECT_EQ(saved.snippets.at(0).useCount, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(LibraryStorage, failedSaveKeepsChangesAndTheNextSuccessClearsItsMessage) {
    auto library = open();
    fs::create_directories(file()); // a folder in the file's place cannot be replaced
    library->addSnippet(std::nullopt);
    scheduler.advance(400ms);
    ASSERT_TRUE(library->problem());
    EXPECT_THAT(*library->problem(), StartsWith("Couldn't save your library (“library.json” "));
    EXPECT_THAT(*library->problem(),
                HasSubstr("). Your changes are kept while the app is open, and it tries again "
                          "with your next change."));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_THAT(log.lines[0], StartsWith("Quillo: save failed: “library.json” "));
    EXPECT_EQ(library->snippets().size(), 1u);
    EXPECT_EQ(entryNames(folder()), std::vector<std::string>{"library.json"}) << "temporary left";
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "a failed save schedules no retry";

    fs::remove(file());
    library->addSnippet(std::nullopt);
    scheduler.advance(400ms);
    EXPECT_FALSE(library->problem());
    EXPECT_EQ(LibraryFileCoding::decode(readFile(file())).snippets.size(), 2u);
}

TEST_F(LibraryStorage, aFolderThatCannotBeMadeGivesTheSaveMessage) {
    writeFile(folder(), "in the way");
    auto library = open();
    library->addSnippet(std::nullopt);
    library->saveNow();
    EXPECT_THAT(library->problem().value_or(""), StartsWith("Couldn't save your library (The "
                                                            "folder “Quillo” couldn't be created"));
}

TEST_F(LibraryStorage, keepsOneBackupADayAndAtMostFourteen) {
    for (int day = 1; day <= 14; ++day) {
        char name[40];
        std::snprintf(name, sizeof name, "library 2026-02-%02d.json", day);
        writeFile(backups() / name, "old");
    }
    writeFile(backups() / "notes.txt", "not a backup");
    auto library = open();
    library->addGroup("first");
    library->saveNow();
    const std::string firstSave = readFile(file());
    library->addGroup("second");
    library->saveNow();

    std::vector<std::string> kept = entryNames(backups());
    EXPECT_EQ(kept.size(), 15u); // 14 backups and the notes
    EXPECT_EQ(kept.front(), "library 2026-02-02.json");
    EXPECT_EQ(kept[13], "library 2026-03-01.json");
    EXPECT_EQ(kept.back(), "notes.txt");
    EXPECT_EQ(readFile(backups() / "library 2026-03-01.json"), firstSave);
    EXPECT_NE(readFile(file()), firstSave);

    clock.advance(24h);
    library->saveNow();
    kept = entryNames(backups());
    EXPECT_EQ(kept.front(), "library 2026-02-03.json");
    EXPECT_EQ(readFile(backups() / "library 2026-03-02.json"), readFile(file()));
}

TEST_F(LibraryStorage, inMemoryLibraryNeverTouchesTheDisk) {
    writeFile(file(), "{ not json");
    auto library = open(false);
    EXPECT_FALSE(library->problem());
    library->addSnippet(std::nullopt);
    scheduler.advance(1s);
    library->saveNow();
    EXPECT_EQ(readFile(file()), "{ not json");
    EXPECT_EQ(entryNames(folder()), std::vector<std::string>{"library.json"});
}

TEST_F(LibraryStorage, observersHearEveryChangeUntilRemoved) {
    auto library = open(false);
    int calls = 0;
    const auto id = library->addObserver([&] { ++calls; });
    // An observer that removes itself while being called.
    Library::ObserverID selfRemoving = 0;
    int selfCalls = 0;
    selfRemoving = library->addObserver([&] {
        ++selfCalls;
        library->removeObserver(selfRemoving);
    });
    const std::uint64_t start = library->revision();
    const Snippet s = library->addSnippet(std::nullopt);
    library->setProblem("Something");
    library->deleteSnippets({s.id});
    library->deleteSnippets({s.id}); // nothing left to delete: no change
    library->undoDeletion();
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(library->revision(), start + 4);
    library->removeObserver(id);
    library->addGroup("G");
    EXPECT_EQ(calls, 4);
}

} // namespace
} // namespace quillo
