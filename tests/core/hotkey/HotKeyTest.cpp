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

TEST_F(HotKeyTest, holdsOneCombinationAtATimeAndRunsTheActionOnALaterTurn) {
    // The service refuses a second combination while one is held, so each must be given up.
    EXPECT_TRUE(hotKey.registerShortcut(Shortcut::defaultPicker()));
    EXPECT_TRUE(hotKey.registerShortcut(commandSpace));
    EXPECT_EQ(service.held, FakeHotKeyService::Combination(49, 0x100));
    EXPECT_EQ(service.handlerInstallations, 1);

    // Never inside the press, once per press, and the action set when the turn comes.
    bool insidePress = true;
    std::vector<std::string> ran;
    hotKey.action = [&] { ran.push_back(insidePress ? "inside" : "old"); };
    ASSERT_TRUE(service.press());
    insidePress = false;
    EXPECT_TRUE(ran.empty());
    hotKey.action = [&] { ran.push_back("new"); };
    service.press();
    runPending();
    EXPECT_EQ(ran, (Strings{"new", "new"}));
    service.press();
    hotKey.action = nullptr;
    runPending(); // no action, nothing to do

    hotKey.unregister();
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_FALSE(service.held);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(HotKeyTest, aTakenCombinationLogsItsStatusAndLeavesNothingRegistered) {
    service.take(commandSpace.keyCode, commandSpace.modifiers, FakeHotKeyService::badAccess);
    ASSERT_TRUE(hotKey.registerShortcut(Shortcut::defaultPicker()));

    EXPECT_FALSE(hotKey.registerShortcut(commandSpace));
    EXPECT_EQ(log.lines, Strings{"Quillo: hotkey registration failed (10)"});
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_FALSE(service.held) << "the previous combination must be given up";
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

} // namespace
} // namespace quillo
