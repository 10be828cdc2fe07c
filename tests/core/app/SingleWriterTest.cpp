#include "core/app/SingleWriter.h"

#include "core/model/Library.h"
#include "fakes/TempFolder.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using SingleWriter::becomeWriter;
using SingleWriter::Busy;
using SingleWriter::HandedOver;
using testing::TempFolder;

TEST(SingleWriter, withNoOtherWriterTheLaunchBecomesTheWriter) {
    TempFolder data;
    int offers = 0;
    int waits = 0;
    const auto declining = [&] {
        ++offers;
        return false;
    };
    const SingleWriter::Outcome outcome =
        becomeWriter(data.path(), declining, {1s, 1ms, [&] { ++waits; }});
    EXPECT_TRUE(std::holds_alternative<FileLock>(outcome));
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(waits, 0);
    // It holds the library until it ends.
    EXPECT_FALSE(Library::takeWriterLock(data.path()));
}

TEST(SingleWriter, aRunningProgramTakesTheRequestAndTheLaunchLocksNothing) {
    TempFolder data;
    const SingleWriter::Outcome outcome = becomeWriter(data.path(), [] { return true; }, {1s});
    EXPECT_TRUE(std::holds_alternative<HandedOver>(outcome));
    EXPECT_TRUE(Library::takeWriterLock(data.path()));
}

TEST(SingleWriter, whileAnotherWritesTheLaunchWaitsForItToTakeRequestsOrToEnd) {
    TempFolder data;
    std::optional<FileLock> other = Library::takeWriterLock(data.path());
    ASSERT_TRUE(other);
    int offers = 0;
    int waits = 0;
    const SingleWriter::Waiting waiting{10s, 1ms, [&] { ++waits; }};

    // A desktop program starting: it takes requests once it is up.
    SingleWriter::Outcome outcome = becomeWriter(
        data.path(), [&] { return ++offers == 3; }, waiting);
    EXPECT_TRUE(std::holds_alternative<HandedOver>(outcome));
    EXPECT_EQ(offers, 3);
    EXPECT_EQ(waits, 1);

    // A command-line import: it takes no requests, and ends.
    offers = 0;
    outcome = becomeWriter(
        data.path(),
        [&] {
            if (++offers == 3)
                other.reset();
            return false;
        },
        waiting);
    EXPECT_TRUE(std::holds_alternative<FileLock>(outcome));
    EXPECT_EQ(offers, 3);
    EXPECT_EQ(waits, 2);

    // A writer that does neither is given up on.
    offers = 0;
    const auto declining = [&] {
        ++offers;
        return false;
    };
    const SingleWriter::Outcome given = becomeWriter(data.path(), declining, {20ms, 1ms});
    EXPECT_TRUE(std::holds_alternative<Busy>(given));
    EXPECT_GE(offers, 2);
}

} // namespace
} // namespace quillo
