// The wlroots seams against a headless sway of the test's own, with wl-copy and wl-paste.
#include "core/paste/Paster.h"
#include "core/platform/KeyEvent.h"
#include "fakes/TempFolder.h"
#include "platform/HeadlessSway.h"
#include "platform/wayland/DataControlPasteboard.h"
#include "platform/wayland/ForeignToplevelWorkspace.h"
#include "platform/wayland/VirtualKeyboardKeyPoster.h"
#include "platform/wayland/WaylandConnection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillo::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::Pair;
using ::testing::UnorderedElementsAreArray;

// Generous: only a broken implementation waits this long.
constexpr int deadlineMs = 10000;

class WaylandPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sway_ = new HeadlessSway();
        if (sway_->isRunning())
            connection_ = sway_->connect();
    }
    static void TearDownTestSuite() {
        connection_.reset();
        delete sway_;
        sway_ = nullptr;
    }

    void SetUp() override {
        if (!sway_->isRunning())
            GTEST_SKIP() << sway_->why();
        ASSERT_TRUE(connection_);
        // Qt's clipboard here is the X display's: it must not pass for the owner of sway's.
        QGuiApplication::clipboard()->clear();
    }

    /// A program started on sway, stopped at the end of the test.
    QProcess& start(const QString& program, const QStringList& arguments) {
        QProcess& process = *programs_.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = sway_->clientEnvironment();
        environment.insert("LC_ALL", "C.UTF-8"); // foot wants a UTF-8 locale
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        return process;
    }
    /// Runs a program on sway until it ends; its standard output.
    QByteArray run(const QString& program, const QStringList& arguments) {
        QProcess& process = start(program, arguments);
        // Our event loop keeps running: it serves what we have on the clipboard.
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, deadlineMs))
            process.kill();
        return process.readAllStandardOutput();
    }
    QByteArray pasted(const QString& type) {
        return run("wl-paste", {"--no-newline", "--type", type});
    }
    std::vector<std::string> offeredTypes() {
        std::vector<std::string> types;
        for (const QByteArray& line : run("wl-paste", {"--list-types"}).split('\n'))
            if (!line.isEmpty())
                types.push_back(line.toStdString());
        return types;
    }

    void TearDown() override {
        for (const auto& process : programs_) {
            process->kill();
            process->waitForFinished();
        }
    }

    static inline HeadlessSway* sway_ = nullptr;
    static inline std::shared_ptr<WaylandConnection> connection_;
    std::vector<std::unique_ptr<QProcess>> programs_;
};

TEST_F(WaylandPlatformTest, AnotherProgramsClipboardIsReadAndPutBackExactly) {
    DataControlPasteboard pasteboard(connection_);
    const RenderedSnippet rich{"Dear Ada,", "<p>Dear <b>Ada</b>,</p>"};
    struct Copied {
        QString type;
        QByteArray data;
    };
    for (const Copied& copied :
         {Copied{"text/plain", "Grüße,\n\tand a tab"},
          Copied{"text/html", "<p>Dear <b>Ada</b></p>"},
          Copied{"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x03", 20)}}) {
        SCOPED_TRACE(copied.type.toStdString());
        const std::int64_t beforeCopy = pasteboard.changeCount();
        // wl-copy owns the clipboard until another program takes it over.
        QProcess& copier = start("wl-copy", {"--foreground", "--type", copied.type});
        copier.write(copied.data);
        copier.closeWriteChannel();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return pasteboard.changeCount() > beforeCopy; }, deadlineMs));
        const std::vector<std::string> offered = offeredTypes();
        const std::vector<PasteboardItem> saved = pasteboard.items();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_THAT(saved[0].data,
                    Contains(Pair(copied.type.toStdString(), copied.data.toStdString())));
        std::vector<std::string> savedTypes;
        for (const auto& [type, data] : saved[0].data)
            savedTypes.push_back(type);
        EXPECT_THAT(savedTypes, UnorderedElementsAreArray(offered)) << "every type offered";

        // One change, counted at once; the compositor telling us of it changes nothing.
        const std::int64_t beforeWrite = pasteboard.changeCount();
        Paster::write(rich, pasteboard, true);
        // Written on the loop's next turn, before a reader starting now could come first.
        QCoreApplication::processEvents();
        EXPECT_EQ(pasteboard.changeCount(), beforeWrite + 1);
        EXPECT_EQ(pasted("text/html"), "<meta charset=\"utf-8\"><p>Dear <b>Ada</b>,</p>");
        EXPECT_EQ(pasted("x-kde-passwordManagerHint"), "secret");
        EXPECT_EQ(pasteboard.plainString(), "Dear Ada,");
        EXPECT_EQ(pasteboard.changeCount(), beforeWrite + 1);

        pasteboard.clearContents();
        pasteboard.writeItems(saved);
        QCoreApplication::processEvents();
        EXPECT_EQ(pasted(copied.type), copied.data);
        EXPECT_THAT(offeredTypes(), UnorderedElementsAreArray(offered));
    }
}

TEST_F(WaylandPlatformTest, KeysPasteIntoTheWindowInFrontWithItsChord) {
    DataControlPasteboard pasteboard(connection_);
    // Waiting for a window long past the test's deadline: only its activation ends the wait.
    ForeignToplevelWorkspace workspace(connection_, 60s);
    // Before the windows: a keyboard new to them loses its first key.
    VirtualKeyboardKeyPoster keys(connection_, [&] { return workspace.frontAppId(); });
    ASSERT_TRUE(keys.canPost());
    const auto inFront = [&](const std::string& appId) {
        return QTest::qWaitFor([&] { return workspace.frontAppId() == appId; }, deadlineMs);
    };
    const auto paste = [&](const std::string& text) {
        Paster::write(RenderedSnippet{text}, pasteboard, true);
        keys.tapKey(KeyCode::v, ModifierFlag::command);
        // The snippet must be there before the keys, not once the event loop comes round.
        std::this_thread::sleep_for(100ms);
    };

    TempFolder files;
    const QString editorText = QString::fromStdString((files / "editor.txt").string());
    const QString editorReady = QString::fromStdString((files / "ready").string());
    start(QUILLO_E2E_TARGET, {"--text-file", editorText, "--ready-file", editorReady});
    ASSERT_TRUE(inFront("quillo_e2e_target"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(editorReady); }, deadlineMs));
    const std::optional<ApplicationHandle> editor = workspace.frontmostApplication();
    ASSERT_TRUE(editor);
    EXPECT_NE(editor->window, 0u);

    // A terminal pastes on Ctrl+Shift+V; the shell in it writes the line it reads, then ends.
    const std::filesystem::path terminalLine = files / "terminal.txt";
    start("foot", {"sh", "-c",
                   "IFS= read -r line; printf %s \"$line\" > " +
                       QString::fromStdString(terminalLine.string())});
    ASSERT_TRUE(inFront("foot"));
    EXPECT_NE(workspace.frontmostApplication()->window, editor->window);

    // Back to the editor: the wait ends when the compositor reports it activated.
    bool back = false;
    workspace.afterFocusReturnsTo(editor, [&] { back = true; });
    EXPECT_FALSE(back);
    ASSERT_TRUE(sway_->command("[app_id=quillo_e2e_target] focus"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return back; }, deadlineMs));
    EXPECT_EQ(workspace.frontmostApplication(), editor);
    bool atOnce = false;
    workspace.afterFocusReturnsTo(editor, [&] { atOnce = true; });
    EXPECT_TRUE(atOnce) << "the window is in front already";

    paste("Dear Ada,");
    EXPECT_TRUE(QTest::qWaitFor([&] { return readFile(editorText.toStdString()) == "Dear Ada,"; },
                                deadlineMs))
        << readFile(editorText.toStdString());

    ASSERT_TRUE(sway_->command("[app_id=foot] focus"));
    ASSERT_TRUE(inFront("foot"));
    paste("echo from Quillo");
    keys.tapKey(KeyCode::returnKey, 0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readFile(terminalLine) == "echo from Quillo"; }, deadlineMs))
        << readFile(terminalLine);

    // A window that never comes back is waited for only so long; a gone workspace calls nobody.
    bool givenUp = false;
    ForeignToplevelWorkspace impatient(connection_, 50ms);
    impatient.afterFocusReturnsTo(ApplicationHandle{999, 0, "gone"}, [&] { givenUp = true; });
    bool calledAfterGoing = false;
    auto going = std::make_unique<ForeignToplevelWorkspace>(connection_, 10ms);
    going->afterFocusReturnsTo(ApplicationHandle{999, 0, "gone"}, [&] { calledAfterGoing = true; });
    going.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return givenUp; }, deadlineMs));
    QTest::qWait(50);
    EXPECT_FALSE(calledAfterGoing);
}

} // namespace
} // namespace quillo::testing
