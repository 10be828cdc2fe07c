#include "core/hotkey/HotKey.h"

#include "fakes/CapturingLog.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/ManualScheduler.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using testing::CapturingLog;
using testing::FakeHotKeyService;
using testing::ManualScheduler;
using Strings = std::vector<std::string>;

const Shortcut commandSpace{49, ShortcutModifier::command, "Space"};

class HotKeyTest : public ::testing::Test {
protected:
    HotKeyTest() {
        hotKey.action = [this] { ++runs; };
    }

    // One turn of the main thread.
    void runPending() { scheduler.advance(0ms); }

    FakeHotKeyService service;
    ManualScheduler scheduler;
    CapturingLog log;
    HotKey hotKey{service, scheduler, log};
    int runs = 0;
};

// ---- Registering

TEST_F(HotKeyTest, holdsOneCombinationAtATimeWithTheHandlerInstalledOnce) {
    hotKey.unregister();
    EXPECT_TRUE(service.calls.empty()) << "nothing was held";

    // The same combination again, then another: each replaces what was held.
    EXPECT_TRUE(hotKey.registerShortcut(Shortcut::defaultPicker()));
    EXPECT_TRUE(hotKey.registerShortcut(Shortcut::defaultPicker()));
    EXPECT_TRUE(hotKey.registerShortcut(commandSpace));
    EXPECT_EQ(service.calls, (Strings{"register 49 6144", "unregister", "register 49 6144",
                                      "unregister", "register 49 256"}));
    EXPECT_TRUE(hotKey.isRegistered());

    hotKey.unregister();
    hotKey.unregister();
    EXPECT_EQ(service.calls.size(), 6u) << "given up once";
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_FALSE(service.held);

    hotKey.registerShortcut(Shortcut::defaultPicker());
    EXPECT_EQ(service.handlerInstallations, 1);
    ASSERT_TRUE(service.press());
    runPending();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(log.lines.empty());
}

// ---- Failing to register

TEST_F(HotKeyTest, aTakenCombinationLogsItsStatusAndLeavesNothingRegistered) {
    const int statuses[] = {FakeHotKeyService::badAccess, -9878, 1};
    for (const int status : statuses) {
        service.take(commandSpace.keyCode, commandSpace.modifiers, status);
        log.lines.clear();
        ASSERT_TRUE(hotKey.registerShortcut(Shortcut::defaultPicker()));

        EXPECT_FALSE(hotKey.registerShortcut(commandSpace));
        EXPECT_EQ(log.lines,
                  Strings{"Quillo: hotkey registration failed (" + std::to_string(status) + ")"});
        EXPECT_FALSE(hotKey.isRegistered());
        EXPECT_FALSE(service.held) << "the previous combination must be given up";
        EXPECT_FALSE(service.press());
    }
    runPending();
    EXPECT_EQ(runs, 0);
}

// ---- Pressing

TEST_F(HotKeyTest, theActionRunsOnALaterTurnNeverInsideThePress) {
    hotKey.registerShortcut(Shortcut::defaultPicker());
    bool insidePress = false;
    hotKey.action = [&] {
        EXPECT_FALSE(insidePress);
        ++runs;
    };

    insidePress = true;
    ASSERT_TRUE(service.press());
    insidePress = false;
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(scheduler.pendingCount(), 1u);

    runPending();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // Each press runs it once.
    service.press();
    service.press();
    runPending();
    runPending();
    EXPECT_EQ(runs, 3);
}

TEST_F(HotKeyTest, theActionIsTheOneSetWhenThePressIsHandled) {
    hotKey.registerShortcut(Shortcut::defaultPicker());
    std::vector<std::string> ran;

    hotKey.action = [&] { ran.push_back("old"); };
    service.press();
    hotKey.action = [&] { ran.push_back("new"); };
    runPending();
    EXPECT_EQ(ran, Strings{"new"});

    service.press();
    hotKey.action = nullptr;
    runPending();
    EXPECT_EQ(ran, Strings{"new"}) << "no action, nothing to do";

    service.press();
    hotKey.action = [&] { ran.push_back("late"); };
    runPending();
    EXPECT_EQ(ran, (Strings{"new", "late"}));
}

TEST_F(HotKeyTest, aGoneHotKeyGivesUpItsCombinationAndIgnoresQueuedPresses) {
    int gone = 0;
    {
        HotKey shortLived{service, scheduler, log};
        shortLived.action = [&] { ++gone; };
        shortLived.registerShortcut(commandSpace);
        ASSERT_TRUE(service.press());
    }
    EXPECT_FALSE(service.held);
    runPending();
    EXPECT_EQ(gone, 0);
}

// ---- The program's one hot key

TEST(HotKeyShared, isMadeOnceWithTheConfiguredSeams) {
    // Process-wide, like the shared instance itself.
    static FakeHotKeyService service;
    static ManualScheduler scheduler;
    static CapturingLog log;
    HotKey::configureShared(service, scheduler, log);

    HotKey& hotKey = HotKey::shared();
    EXPECT_EQ(&hotKey, &HotKey::shared());
    EXPECT_TRUE(hotKey.registerShortcut(commandSpace));
    EXPECT_EQ(service.held, FakeHotKeyService::Combination(49, 0x100));
    hotKey.unregister();
}

} // namespace
} // namespace quillo
