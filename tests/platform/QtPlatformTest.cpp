// The Qt seams against a real event loop, temporary folders and the display's X clipboard.
#include "core/paste/Paster.h"
#include "fakes/TempFolder.h"
#include "platform/AutostartLoginItem.h"
#include "platform/ForeignClipboardOwner.h"
#include "platform/InotifyFolderWatcher.h"
#include "platform/QtDialogs.h"
#include "platform/QtPasteboard.h"
#include "platform/QtScheduler.h"
#include "platform/QtSettingsStore.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::Pair;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

// Generous: only a broken implementation waits this long.
constexpr int deadlineMs = 10000;

TEST(QtScheduler, RunsTasksByDueTimeAndEqualDelaysInScheduleOrderButNeverCancelledOnes) {
    QtScheduler scheduler;
    std::vector<std::string> ran;
    scheduler.schedule(60ms, [&] { ran.push_back("late"); });
    scheduler.schedule(0ms, [&] { ran.push_back("now"); });
    scheduler.schedule(20ms, [&] { ran.push_back("first of two"); });
    scheduler.schedule(20ms, [&] { ran.push_back("second of two"); });
    scheduler.schedule(-5ms, [&] { ran.push_back("overdue"); });

    EXPECT_TRUE(ran.empty()) << "tasks run from the event loop, never inside schedule()";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 5; }, deadlineMs));
    EXPECT_THAT(ran, ElementsAre("now", "overdue", "first of two", "second of two", "late"));

    // Cancelled tasks never run, also after their scheduler is gone.
    bool cancelledRan = false;
    bool keptRan = false;
    ScheduledTask cancelled = scheduler.schedule(0ms, [&] { cancelledRan = true; });
    scheduler.schedule(30ms, [&] { keptRan = true; });
    cancelled.cancel();

    bool orphanRan = false;
    auto doomed = std::make_unique<QtScheduler>();
    ScheduledTask orphan = doomed->schedule(0ms, [&] { orphanRan = true; });
    doomed.reset();

    ASSERT_TRUE(QTest::qWaitFor([&] { return keptRan; }, deadlineMs));
    EXPECT_FALSE(cancelledRan);
    EXPECT_FALSE(orphanRan);
    orphan.cancel(); // harmless once its scheduler is gone
    EXPECT_TRUE(orphan.isCancelled());
}

TEST(QtSettingsStore, TextSurvivesTheFileExactly) {
    TempFolder folder;
    const std::filesystem::path file = folder / "Quillo" / "Quillo.conf";
    const std::map<std::string, std::string> values = {
        {"pickerShortcut", R"({"keyCode":49,"modifiers":6144,"display":"⌃⌥Space"})"},
        {"didFirstLaunch", "true"},
        {"list", "a, b,c"},
        {"quotes", R"("quoted" and \"escaped\" \\ back\slash)"},
        {"iniSyntax", "[General]\nkey=value ; comment # too"},
        {"qtSyntax", "@Variant(\\0\\0\\0\\x7f) @String(x)"},
        {"padded", "  spaces around  "},
        {"empty", ""},
    };
    QtSettingsStore store(file);
    for (const auto& [key, value] : values)
        store.setValue(key, value);
    store.setValue("gone", "soon");
    store.remove("gone");

    // Each change is in the file at once, not only when the store goes away.
    EXPECT_THAT(readFile(file), HasSubstr("didFirstLaunch=true"));
    EXPECT_THAT(readFile(file), Not(HasSubstr("gone")));

    // A copy under another name: Qt shares the parsed contents of a file within a process.
    std::filesystem::copy_file(file, folder / "copy.conf");
    const QtSettingsStore reread(folder / "copy.conf");
    for (const auto& [key, value] : values)
        EXPECT_EQ(reread.value(key), value) << key;
    EXPECT_EQ(reread.value("gone"), std::nullopt);
    EXPECT_EQ(reread.value("neverSet"), std::nullopt);
}

/// What a program reading the clipboard prints; our event loop serves it meanwhile.
std::string clipboardReader(const QStringList& arguments) {
    QProcess process;
    process.start("xclip", QStringList{"-selection", "clipboard", "-o"} + arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, deadlineMs))
        process.kill();
    return process.readAllStandardOutput().toStdString();
}

std::vector<std::string> offeredTargets() {
    std::vector<std::string> targets;
    for (const QString& line :
         QString::fromStdString(clipboardReader({"-t", "TARGETS"})).split('\n', Qt::SkipEmptyParts))
        targets.push_back(line.toStdString());
    return targets;
}

class QtPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb")
            GTEST_SKIP() << "needs an X display";
        // Let notices of earlier tests' clipboard changes arrive before counting.
        QTest::qWait(100);
        pasteboard = std::make_unique<QtPasteboard>();
    }

    bool waitForChangeCount(std::int64_t count) {
        return QTest::qWaitFor([&] { return pasteboard->changeCount() >= count; }, deadlineMs);
    }

    const RenderedSnippet rich{"Dear Ada,", "<p>Dear <b>Ada</b>,</p>"};
    std::unique_ptr<QtPasteboard> pasteboard;
};

TEST_F(QtPasteboardTest, AWriteIsOneChangeOfferedInEveryFlavour) {
    const std::int64_t start = pasteboard->changeCount();
    Paster::write(rich, *pasteboard, true);
    EXPECT_EQ(pasteboard->changeCount(), start + 1) << "counted as soon as the write returns";

    const std::vector<PasteboardItem> items = pasteboard->items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_THAT(items[0].data,
                ElementsAre(Pair("text/html", "<meta charset=\"utf-8\"><p>Dear <b>Ada</b>,</p>"),
                            Pair("text/rtf", StartsWith("{\\rtf1")),
                            Pair("text/plain;charset=utf-8", "Dear Ada,"),
                            Pair("text/plain", "Dear Ada,"),
                            Pair("org.nspasteboard.TransientType", ""),
                            Pair("x-kde-passwordManagerHint", "secret")));
    EXPECT_EQ(pasteboard->plainString(), "Dear Ada,");

    // Other programs read it while our event loop serves them; that changes nothing.
    EXPECT_THAT(offeredTargets(),
                IsSupersetOf<std::vector<std::string>>(
                    {"text/html", "text/rtf", "text/plain;charset=utf-8", "UTF8_STRING",
                     "org.nspasteboard.TransientType", "x-kde-passwordManagerHint"}));
    EXPECT_EQ(clipboardReader({"-t", "x-kde-passwordManagerHint"}), "secret");
    EXPECT_EQ(clipboardReader({}), "Dear Ada,");
    QTest::qWait(100);
    EXPECT_EQ(pasteboard->changeCount(), start + 1);

    pasteboard->clearContents();
    pasteboard->writeItems({PasteboardItem{{{"text/plain", "again"}}}});
    EXPECT_EQ(pasteboard->changeCount(), start + 2);
}

// For compositors taking one offer per key press from the focused window only.
TEST_F(QtPasteboardTest, AGatedWriteIsOfferedOnceWholeOrNotAtAll) {
    int scheduled = 0;
    std::vector<std::function<void(bool)>> gated;
    pasteboard->offerOncePerTurn([&] { ++scheduled; },
                                 [&](std::function<void(bool)> offer) { gated.push_back(offer); });
    const std::int64_t start = pasteboard->changeCount();
    Paster::write(rich, *pasteboard, false);
    EXPECT_EQ(pasteboard->changeCount(), start + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !gated.empty(); }, deadlineMs));
    EXPECT_EQ(scheduled, 1);
    EXPECT_EQ(gated.size(), 1u);
    gated[0](true);
    EXPECT_EQ(clipboardReader({"-t", "text/html"}), "<meta charset=\"utf-8\">" + *rich.html);
    EXPECT_EQ(clipboardReader({}), "Dear Ada,");

    // Refused: the clipboard keeps what it had.
    Paster::write(RenderedSnippet{"dropped", std::nullopt}, *pasteboard, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gated.size() == 2; }, deadlineMs));
    gated[1](false);
    EXPECT_EQ(clipboardReader({}), "Dear Ada,");
}

TEST_F(QtPasteboardTest, WritesBackEverythingAnotherOwnerHad) {
    // Binary data: the start of a PNG file, with its zero bytes.
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x03", 20);
    const std::int64_t start = pasteboard->changeCount();
    std::vector<PasteboardItem> saved;
    {
        ForeignClipboardOwner owner(
            {{"image/png", png}, {"text/html", "<img src=cat.png>"}, {"UTF8_STRING", "a cat"}});
        ASSERT_TRUE(waitForChangeCount(start + 1));
        EXPECT_EQ(pasteboard->plainString(), "a cat");
        saved = pasteboard->items();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_THAT(saved[0].data,
                    ElementsAre(Pair("image/png", png), Pair("text/html", "<img src=cat.png>"),
                                Pair("text/plain", "a cat")))
            << "every type with its data, without the X11 pseudo-targets";

        Paster::write(rich, *pasteboard, true);
        pasteboard->clearContents();
        pasteboard->writeItems(saved);
    }
    EXPECT_EQ(pasteboard->items(), saved);
    EXPECT_EQ(clipboardReader({"-t", "image/png"}), png);
}

TEST(QtDialogs, NameFilterListsTheAllowedExtensions) {
    EXPECT_EQ(QtDialogs::nameFilter({"atext"}), ".atext files (*.atext)");
    EXPECT_EQ(QtDialogs::nameFilter({"json", "txt"}), ".json, .txt files (*.json *.txt)");
    EXPECT_EQ(QtDialogs::nameFilter({}), "All files (*)");
}

TEST(AutostartLoginItem, WritesAndRemovesTheEntryAndReadsItSwitchedOffByTheDesktop) {
    TempFolder config;
    AutostartLoginItem item(config.path(), "/opt/a\\b c/quillo");
    const std::filesystem::path entry = config / "autostart" / "quillo.desktop";
    EXPECT_FALSE(item.isEnabled());

    item.setEnabled(true);
    EXPECT_TRUE(item.isEnabled());
    const std::string text = readFile(entry);
    EXPECT_THAT(text, StartsWith("[Desktop Entry]\n"));
    // Quoting escapes the backslash once, the file's string escapes double that again.
    for (const char* line :
         {"Type=Application\n", "Name=Quillo\n", "Exec=\"/opt/a\\\\\\\\b c/quillo\" --autostart\n",
          "Icon=quillo\n", "X-GNOME-Autostart-enabled=true\n"})
        EXPECT_THAT(text, HasSubstr(line));

    item.setEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(item.isEnabled());
    item.setEnabled(false); // already off

    // Switched off by the desktop.
    const std::string head = "[Desktop Entry]\nType=Application\nExec=quillo --autostart\n";
    writeFile(entry, head + "Hidden = true\n");
    EXPECT_FALSE(item.isEnabled());
    writeFile(entry, head + "X-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(item.isEnabled());
    writeFile(entry, head + "Hidden=false\n[Desktop Action Other]\nHidden=true\n");
    EXPECT_TRUE(item.isEnabled()) << "only the main group counts";
}

TEST(AutostartLoginItem, QuotesProgramPathsThatNeedItAndReportsAFolderItCannotWrite) {
    EXPECT_EQ(AutostartLoginItem::execArgument("/usr/bin/quillo"), "/usr/bin/quillo");
    EXPECT_EQ(AutostartLoginItem::execArgument("/opt/My Apps/quillo"), "\"/opt/My Apps/quillo\"");
    EXPECT_EQ(AutostartLoginItem::execArgument("/opt/$HOME/\"q\"/a\\b"),
              R"("/opt/\$HOME/\"q\"/a\\b")");
    EXPECT_EQ(AutostartLoginItem::execArgument("/opt/100%/quillo"), "/opt/100%%/quillo");

    // A folder it cannot write is reported in one sentence.
    TempFolder config;
    writeFile(config / "autostart", "a file where the folder should be");
    AutostartLoginItem item(config.path(), "/usr/bin/quillo");
    EXPECT_THAT([&] { item.setEnabled(true); }, ThrowsMessage<LoginItemError>(StartsWith(
                                                    "Quillo could not be set to open at login: ")));
    EXPECT_FALSE(item.isEnabled());
}

/// Whether making `change` gets it reported: `count` goes up within the deadline.
bool reported(const int& count, const std::function<void()>& change) {
    const int before = count;
    change();
    return QTest::qWaitFor([&] { return count > before; }, deadlineMs);
}

void append(const std::filesystem::path& file) {
    std::ofstream(file, std::ios::binary | std::ios::app) << "\n";
}

TEST(InotifyFolderWatcher, SeesFilesWrittenInPlaceAndFilesReplacedByRenaming) {
    TempFolder root;
    const std::filesystem::path folder = root / "Library";
    const std::filesystem::path file = folder / "library.json";
    writeFile(file, "{}");
    InotifyFolderWatcher watcher;
    int changes = 0;
    const std::unique_ptr<FolderWatch> watch = watcher.watch(folder, [&] { ++changes; });

    EXPECT_TRUE(reported(changes, [&] { append(file); })) << "written in place";
    // Written outside, so that only the rename shows in the folder.
    EXPECT_TRUE(reported(changes, [&] {
        writeFile(root / "library.json.tmp", "{ }");
        std::filesystem::rename(root / "library.json.tmp", file);
    })) << "replaced by renaming onto its name";
    EXPECT_TRUE(reported(changes, [&] { append(file); })) << "the replacement written in place";
}

TEST(InotifyFolderWatcher, WatchesAFolderFromWhenItAppearsOrComesBackUntilDropped) {
    TempFolder root;
    const std::filesystem::path folder = root / "Later";
    InotifyFolderWatcher watcher;
    int changes = 0;
    std::unique_ptr<FolderWatch> watch = watcher.watch(folder, [&] { ++changes; });

    EXPECT_TRUE(reported(changes, [&] { std::filesystem::create_directory(folder); }));
    EXPECT_TRUE(reported(changes, [&] { writeFile(folder / "a.json", "{}"); }));
    EXPECT_TRUE(reported(changes, [&] { append(folder / "a.json"); }));
    EXPECT_TRUE(reported(changes, [&] { std::filesystem::remove_all(folder); }));
    EXPECT_TRUE(reported(changes, [&] { std::filesystem::create_directory(folder); }));
    EXPECT_TRUE(reported(changes, [&] { writeFile(folder / "b.json", "{}"); }));

    // Two more: the first drops both when told, so the second never hears of that change.
    int firstChanges = 0;
    int secondChanges = 0;
    std::unique_ptr<FolderWatch> second;
    std::unique_ptr<FolderWatch> first = watcher.watch(folder, [&] {
        ++firstChanges;
        second.reset();
        first.reset();
    });
    second = watcher.watch(folder, [&] { ++secondChanges; });
    ASSERT_TRUE(reported(changes, [&] { append(folder / "b.json"); }));
    EXPECT_EQ(firstChanges, 1);
    EXPECT_TRUE(reported(changes, [&] { append(folder / "b.json"); })) << "still watched";

    // Dropped with the change already waiting to be read.
    const int beforeDrop = changes;
    append(folder / "b.json");
    watch.reset();
    QTest::qWait(200);
    EXPECT_EQ(changes, beforeDrop);
    EXPECT_EQ(firstChanges, 1);
    EXPECT_EQ(secondChanges, 0);
}

} // namespace
} // namespace quillo::testing
