// The library window's banners for changes made outside the program: a file that doesn't read
// offers Quillo's copy, and a sync tool's conflict copy is merged from its row.
#include "LibraryWindowFixture.h"
#include "core/model/LibraryFile.h"
#include "fakes/Names.h"
#include "gui/library/Banners.h"

#include <QLabel>
#include <QPushButton>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::namesOf;
using testing::readFile;
using testing::writeFile;

/// The window over a library kept in its file, which the test changes behind its back.
class OutsideChangesBannerTest : public testing::LibraryWindowFixture {
protected:
    OutsideChangesBannerTest() {
        writeFile(file(), LibraryFileCoding::encode({}, {greeting}));
        onDisk = open();
        window = std::make_unique<LibraryWindow>(
            BrowserEnvironment{*onDisk, app, picker, paster, importer, fileViewer});
        window->show();
    }
    ~OutsideChangesBannerTest() override { window.reset(); } // before the library it shows

    void reportChange() {
        LibraryTest::reportChange();
        settle();
    }

    std::vector<std::string> saved() const {
        return namesOf(LibraryFileCoding::decode(readFile(file())).snippets);
    }

    const Snippet greeting{.name = "Greeting"};
    const Snippet outsider{.name = "Outsider"};
    std::unique_ptr<Library> onDisk;
};

TEST_F(OutsideChangesBannerTest, aFileThatDoesntReadOffersQuillosCopyWhichIsSaved) {
    ProblemBanner* banner = window->problemBanner();
    EXPECT_FALSE(banner->isVisible());
    const std::string broken = "{\"groups\": [], \"snippets\": [";
    writeFile(file(), broken);
    reportChange();
    ASSERT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->message()->text().toStdString(), *onDisk->problem());
    ASSERT_TRUE(banner->useOwnCopyButton()->isVisible());
    EXPECT_EQ(readFile(file()), broken);

    banner->useOwnCopyButton()->click();
    settle();
    EXPECT_THAT(saved(), ElementsAre("Greeting"));
    EXPECT_THAT(banner->message()->text().toStdString(), HasSubstr("set aside"));
    EXPECT_FALSE(banner->useOwnCopyButton()->isVisible()) << "offered only while it can't read";
}

TEST_F(OutsideChangesBannerTest, aConflictCopysRowMergesItAndGoes) {
    ConflictBanner* banner = window->conflictBanner();
    EXPECT_FALSE(banner->isVisible());
    const std::string copy = "library.sync-conflict-20260301-101010-ABCDEFG.json";
    writeFile(folder() / copy, LibraryFileCoding::encode({}, {greeting, outsider}));
    reportChange();
    ASSERT_TRUE(banner->isVisible());
    ASSERT_EQ(banner->mergeButtons().size(), 1u);

    banner->mergeButtons()[0]->click();
    settle();
    EXPECT_THAT(namesOf(onDisk->snippets()), ElementsAre("Greeting", "Outsider"));
    EXPECT_TRUE(std::filesystem::exists(backups() / "Conflicted copies" / copy));
    EXPECT_FALSE(banner->isVisible());
    scheduler.advance(400ms);
    EXPECT_THAT(saved(), ElementsAre("Greeting", "Outsider"));
}

} // namespace
} // namespace quillo
