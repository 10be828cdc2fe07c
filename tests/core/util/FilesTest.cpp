#include "core/util/Files.h"

#include "fakes/TempFolder.h"

#include <gtest/gtest.h>
#include <optional>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::entryNames;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

TEST(Files, atomicWriteCreatesAndReplacesLeavingNothingElse) {
    TempFolder folder;
    const fs::path file = folder / "library.json";
    Files::writeAtomically(file, "first");
    Files::writeAtomically(file, "second, longer");
    EXPECT_EQ(readFile(file), "second, longer");
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"library.json"});
}

TEST(Files, failedAtomicWriteKeepsTheOldFileAndRemovesItsTemporary) {
    TempFolder folder;
    // A folder standing where the file should go cannot be replaced by a file.
    fs::create_directory(folder / "library.json");
    writeFile(folder / "library.json" / "inside", "kept");
    EXPECT_THROW(Files::writeAtomically(folder / "library.json", "new"), FileError);
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"library.json"});
    EXPECT_EQ(readFile(folder / "library.json" / "inside"), "kept");

    // A missing folder fails before anything is written.
    EXPECT_THROW(Files::writeAtomically(folder / "missing" / "library.json", "x"), FileError);
}

TEST(Files, writeOverReplacesOnlyTheVersionTheCallerExpects) {
    TempFolder folder;
    const fs::path file = folder / "library.json";
    std::optional<std::string> shown; // what the caller was shown of the old version
    const auto expect = [&](bool answer) {
        return [&, answer](const std::optional<fs::path>& found) {
            shown = found ? readFile(*found) : "(none)";
            return answer;
        };
    };

    EXPECT_FALSE(Files::writeAtomicallyOver(file, "ours", expect(false)));
    EXPECT_EQ(shown, "(none)");
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(Files::writeAtomicallyOver(file, "ours", expect(true)));

    writeFile(file, "theirs"); // came in after the caller last looked
    const std::optional<FileStamp> before = Files::stamp(file);
    EXPECT_FALSE(Files::writeAtomicallyOver(file, "ours again", expect(false)));
    EXPECT_EQ(shown, "theirs");
    EXPECT_EQ(readFile(file), "theirs");
    EXPECT_EQ(Files::stamp(file), before) << "the very same file is back";

    const std::optional<FileStamp> written =
        Files::writeAtomicallyOver(file, "merged", expect(true));
    EXPECT_EQ(readFile(file), "merged");
    EXPECT_EQ(written, Files::stamp(file));
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"library.json"});
}

TEST(Files, temporaryTargetNamesTheFileAnAtomicWritesTemporaryIsFor) {
    EXPECT_EQ(Files::temporaryTarget(".library.json.a1B2c3"), "library.json");
    EXPECT_EQ(Files::temporaryTarget(".library 2026-03-01.json.ZZZZZZ"), "library 2026-03-01.json");
    EXPECT_EQ(Files::temporaryTarget(".a.000000"), "a");
    for (const char* name : {"library.json.a1B2c3", ".library.json.a1B2c", ".library.json.a1B2c3d",
                             ".library.json-a1B2c3", ".library.json.a1B2c!",
                             ".library.json.a1B2\xc3\xa9", "..a1B2c3", ".library.json", ""})
        EXPECT_FALSE(Files::temporaryTarget(name)) << name;
}

TEST(Files, moveNeverReplaces) {
    TempFolder folder;
    writeFile(folder / "a.json", "a");
    writeFile(folder / "b.json", "b");
    try {
        Files::move(folder / "a.json", folder / "b.json");
        FAIL() << "moved over an existing file";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("already exists"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readFile(folder / "a.json"), "a");
    EXPECT_EQ(readFile(folder / "b.json"), "b");

    // Even a dangling link occupies the name.
    fs::create_symlink(folder / "nowhere", folder / "link.json");
    EXPECT_TRUE(Files::exists(folder / "link.json"));
    EXPECT_THROW(Files::move(folder / "a.json", folder / "link.json"), FileError);

    Files::move(folder / "a.json", folder / "c.json");
    EXPECT_EQ(readFile(folder / "c.json"), "a");
    EXPECT_FALSE(Files::exists(folder / "a.json"));
}

TEST(Files, createFoldersFailsWhenAFileIsInTheWay) {
    TempFolder folder;
    Files::createFolders(folder / "a" / "b");
    Files::createFolders(folder / "a" / "b"); // already there: fine
    writeFile(folder / "file", "x");
    EXPECT_THROW(Files::createFolders(folder / "file"), FileError);
    EXPECT_THROW(Files::createFolders(folder / "file" / "sub"), FileError);
}

TEST(Files, readRefusesWhatIsNotARegularFile) {
    TempFolder folder;
    EXPECT_THROW(Files::read(folder / "missing"), FileError);
    EXPECT_THROW(Files::read(folder.path()), FileError);
    writeFile(folder / "f", std::string(200'000, 'x'));
    EXPECT_EQ(Files::read(folder / "f").size(), 200'000u);
    EXPECT_EQ(Files::read(folder / "f", 200'000).size(), 200'000u);
    try {
        Files::read(folder / "f", 199'999);
        FAIL() << "read past the limit";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace quillo
