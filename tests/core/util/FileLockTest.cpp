#include "core/util/FileLock.h"

#include "core/util/Files.h"
#include "fakes/TempFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(FileLock, oneOpenFileHoldsItAtATimeAndAFileThatCantBeMadeIsAnError) {
    TempFolder folder;
    const fs::path path = folder / "writer.lock";
    std::optional<FileLock> first = FileLock::tryTake(path);
    ASSERT_TRUE(first);
    EXPECT_TRUE(fs::exists(path));
    // A second open file of this process is refused, as another process would be.
    EXPECT_FALSE(FileLock::tryTake(path));

    // Moved, the lock stays held; released, it can be taken again.
    FileLock moved = std::move(*first);
    first.reset();
    EXPECT_FALSE(FileLock::tryTake(path));
    { FileLock gone = std::move(moved); }
    EXPECT_TRUE(FileLock::tryTake(path));

    // A lock file that can't be made is an error.
    try {
        FileLock::tryTake(folder / "missing" / "writer.lock");
        FAIL() << "took a lock in a missing folder";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(),
                     "The lock file “writer.lock” couldn't be opened (No such file or directory)");
    }
}

TEST(FileLock, endsWithItsProcessEvenAKilledOne) {
    TempFolder folder;
    const fs::path path = folder / "writer.lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::optional<FileLock> held = FileLock::tryTake(path);
        const char answer = held ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(answer, 'y');
    EXPECT_FALSE(FileLock::tryTake(path));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(FileLock::tryTake(path));
}

TEST(FileLock, programsTheHolderStartsDontKeepIt) {
    TempFolder folder;
    const fs::path path = folder / "writer.lock";
    std::optional<FileLock> lock = FileLock::tryTake(path);
    ASSERT_TRUE(lock);
    pid_t child = 0;
    char sleepProgram[] = "sleep";
    char seconds[] = "30";
    char* arguments[] = {sleepProgram, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, arguments, environ), 0);
    lock.reset();
    // Had the child inherited the open file, it would hold the lock until it ends.
    EXPECT_TRUE(FileLock::tryTake(path));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

} // namespace
} // namespace quillo
