#include "core/util/Files.h"

#include "fakes/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::entryNames;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

TEST(Files, atomicWriteCreatesAndReplacesOrKeepsTheOldLeavingNothingElse) {
    TempFolder folder;
    const fs::path file = folder / "library.json";
    Files::writeAtomically(file, "first");
    Files::writeAtomically(file, "second, longer");
    EXPECT_EQ(readFile(file), "second, longer");
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"library.json"});

    // A failed write keeps the old file and removes its temporary: here a folder stands
    // where the file should go, which a file cannot replace.
    fs::remove(file);
    fs::create_directory(file);
    writeFile(file / "inside", "kept");
    EXPECT_THROW(Files::writeAtomically(file, "new"), FileError);
    EXPECT_EQ(entryNames(folder.path()), std::vector<std::string>{"library.json"});
    EXPECT_EQ(readFile(file / "inside"), "kept");

    // A missing folder fails before anything is written.
    EXPECT_THROW(Files::writeAtomically(folder / "missing" / "library.json", "x"), FileError);
}

TEST(Files, writeOverReplacesOnlyTheVersionTheCallerExpectsAndLosesNoOther) {
    TempFolder folder;
    const fs::path file = folder / "library.json";
    const fs::path kept = folder / "kept.json";
    // The caller is asked before the swap and again after it; the answers, in turn, and
    // what it was shown of the old version each time.
    std::vector<bool> answers;
    std::vector<std::string> shown;
    std::function<void()> meanwhile = [] {}; // someone else, during the second question
    const Files::Expected expect = [&](const std::optional<fs::path>& found) {
        shown.push_back(found ? readFile(*found) : "(none)");
        if (shown.size() == 2)
            meanwhile();
        return answers.at(shown.size() - 1);
    };
    const auto write = [&](std::string_view bytes, std::vector<bool> given) {
        answers = std::move(given);
        shown.clear();
        return Files::writeAtomicallyOver(file, bytes, expect, kept);
    };

    EXPECT_FALSE(write("ours", {false}));
    EXPECT_EQ(shown, std::vector<std::string>{"(none)"});
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(write("ours", {true}));

    writeFile(file, "theirs"); // came in after the caller last looked
    EXPECT_FALSE(write("ours again", {false}));
    EXPECT_EQ(readFile(file), "theirs");

    // Came in between the look before the swap and the swap: it goes back, the very file.
    const std::optional<FileStamp> before = Files::stamp(file);
    EXPECT_FALSE(write("ours again", {true, false}));
    EXPECT_EQ(shown, (std::vector<std::string>{"theirs", "theirs"}));
    EXPECT_EQ(readFile(file), "theirs");
    EXPECT_EQ(Files::stamp(file), before);

    // A third version renamed in while the second is swapped out: both stay.
    meanwhile = [&] {
        writeFile(folder / "third", "third");
        fs::rename(folder / "third", file);
    };
    EXPECT_FALSE(write("ours again", {true, false}));
    EXPECT_EQ(readFile(file), "theirs");
    EXPECT_EQ(readFile(kept), "third");
    fs::remove(kept);
    meanwhile = [] {};

    const std::optional<FileStamp> written = write("merged", {true, true});
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

TEST(Files, createFoldersMakesThemForTheUserAloneAndFailsWhenAFileIsInTheWay) {
    TempFolder folder;
    Files::createFolders(folder / "a" / "b");
    for (const fs::path& made : {folder / "a", folder / "a" / "b"})
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
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
