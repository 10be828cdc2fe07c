#include "core/model/LibraryFile.h"
#include "fakes/LibraryFixture.h"

#include <gmock/gmock.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::entryNames;
using testing::readFile;
using ::testing::StartsWith;
using testing::writeFile;

using LibraryWriterLock = testing::LibraryTest;

TEST_F(LibraryWriterLock, theWriterClearsTheTemporariesOfKilledSavesAndNothingElse) {
    const std::string document =
        LibraryFileCoding::encode({}, {Snippet{.name = "kept", .text = "as it was"}});
    writeFile(file(), document);
    writeFile(backups() / "library 2026-02-01.json", document);
    // What saves killed between creating and renaming their temporary left.
    writeFile(folder() / ".library.json.a1B2c3", "{\"groups\": [");
    writeFile(folder() / ".library.json.ZZZZZZ", "");
    writeFile(backups() / ".library 2026-03-01.json.x9Y8z7", "{");
    // Look-alikes that are not the library's temporaries.
    writeFile(folder() / ".library.json.a1B2c", "short");
    writeFile(folder() / "library.json.a1B2c3", "no dot in front");
    writeFile(folder() / ".notes.txt.a1B2c3", "another file's");
    writeFile(folder() / "library unreadable 2026-01-01 120000.json", "set aside");
    fs::create_directories(folder() / ".library.json.f0LdeR");
    // What saves killed while swapping the file left: kept only when it may be someone
    // else's version, whole and not the file as it is.
    const std::string someoneElses = LibraryFileCoding::encode({}, {Snippet{.name = "theirs"}});
    writeFile(folder() / ".library.json.s1S1s1.swap", someoneElses);
    writeFile(folder() / ".library.json.s2S2s2.swap", document);
    writeFile(folder() / ".library.json.s3S3s3.swap", "{\"groups\": [");

    std::optional<FileLock> writer = Library::takeWriterLock(data.path());
    ASSERT_TRUE(writer);
    EXPECT_THAT(entryNames(folder()),
                ElementsAre(".library.json.a1B2c", ".library.json.f0LdeR", ".notes.txt.a1B2c3",
                            "Backups", StartsWith("library (Quillo conflicted copy "),
                            "library unreadable 2026-01-01 120000.json", "library.json",
                            "library.json.a1B2c3"));
    EXPECT_EQ(readFile(folder() / entryNames(folder())[4]), someoneElses);
    EXPECT_THAT(entryNames(backups()), ElementsAre("library 2026-02-01.json"));
    EXPECT_EQ(readFile(file()), document);
}

TEST_F(LibraryWriterLock, aSaveInProgressOfTheWriterIsLeftToIt) {
    std::optional<FileLock> writer = Library::takeWriterLock(data.path());
    ASSERT_TRUE(writer);
    writeFile(folder() / ".library.json.q1W2e3", "half a libr");
    writeFile(backups() / ".library 2026-03-01.json.q1W2e3", "half a backu");
    EXPECT_FALSE(Library::takeWriterLock(data.path()));
    EXPECT_THAT(entryNames(folder()), ElementsAre(".library.json.q1W2e3", "Backups"));
    EXPECT_THAT(entryNames(backups()), ElementsAre(".library 2026-03-01.json.q1W2e3"));

    // Once it has ended, what it left is a leftover.
    writer.reset();
    EXPECT_TRUE(Library::takeWriterLock(data.path()));
    EXPECT_THAT(entryNames(folder()), ElementsAre("Backups"));
    EXPECT_TRUE(fs::is_empty(backups()));
}

TEST_F(LibraryWriterLock, takingItLeavesTheLibraryFolderToTheLibrary) {
    // A data folder that isn't there yet is made.
    fs::remove(data.path());
    std::optional<FileLock> writer = Library::takeWriterLock(data.path());
    ASSERT_TRUE(writer);
    // The first start makes no library folder, so an old one can still move in whole.
    EXPECT_FALSE(fs::exists(folder()));
}

} // namespace
} // namespace quillo
