#include "core/app/ImportCommand.h"

#include "core/model/Library.h"
#include "fakes/FakeDialogs.h"
#include "fakes/GeneratedBackups.h"
#include "fakes/LibraryFixture.h"
#include "fakes/ScopedEnvironment.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::generatedBackup;

/// The import command run in this process, over a data folder of its own.
class ImportCommandRun : public ::testing::Test {
protected:
    ImportCommandRun() { environment.set("XDG_DATA_HOME", data.path().c_str()); }

    fs::path libraryFile() const { return data / "Quillo" / "library.json"; }

    testing::TempFolder data;
    testing::ScopedEnvironment environment;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ImportCommandRun, aRunningQuilloThatTakesTheImportAnswersForIt) {
    const int status = runImportCommand(generatedBackup("groups-and-nesting.atext"), out, err,
                                        [] { return std::optional<int>(7); });
    EXPECT_EQ(status, 7);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(fs::exists(data / "Quillo"));
}

TEST_F(ImportCommandRun, anotherWriterIsWaitedForOnceAndWithoutTouchingTheLibrary) {
    std::optional<FileLock> other = Library::takeWriterLock(data.path());
    ASSERT_TRUE(other);
    int offers = 0;
    const int status = runImportCommand(
        generatedBackup("groups-and-nesting.atext"), out, err, [&]() -> std::optional<int> {
            EXPECT_FALSE(fs::exists(libraryFile())) << "written while waiting";
            // The other writer, a command-line import, ends.
            if (++offers == 3)
                other.reset();
            return std::nullopt;
        });
    EXPECT_EQ(status, 0) << out.str();
    EXPECT_EQ(offers, 3);
    EXPECT_EQ(out.str(), "Imported 3 snippets into " + libraryFile().string() + "\n");
    EXPECT_EQ(err.str(), "quillo: another Quillo process is writing the library; the import "
                         "waits for it to finish.\n");
}

TEST_F(ImportCommandRun, aWriterThatNeverEndsIsGivenUpOnAndNothingIsWritten) {
    std::optional<FileLock> other = Library::takeWriterLock(data.path());
    ASSERT_TRUE(other);
    const int status = runImportCommand(generatedBackup("groups-and-nesting.atext"), out, err, {},
                                        std::chrono::milliseconds(100));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(), "Import failed: another Quillo process is still writing the library.\n");
    EXPECT_FALSE(fs::exists(libraryFile()));
}

using ImportAndSave = testing::LibraryTest;

TEST_F(ImportAndSave, anImportTheLibraryCannotSaveFailsAndSaysWhy) {
    const std::unique_ptr<Library> library = open();
    // A folder where the library's file should be: the file can't be replaced.
    fs::create_directories(file());
    testing::FakeDialogs dialogs;
    ATextImporter importer({*library, clock, dialogs, data.path()});
    const ImportReport report =
        importAndSave(importer, *library, generatedBackup("groups-and-nesting.atext"));
    EXPECT_EQ(report.status, 1);
    EXPECT_TRUE(report.line.starts_with("Import failed: Couldn't save your library"))
        << report.line;
    EXPECT_TRUE(fs::is_directory(file()));
}

} // namespace
} // namespace quillo
