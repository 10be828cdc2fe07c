// The platform tests need a QApplication on a real X display (Xvfb in the test run).
#include "fakes/PrivateRuntimeFolder.h"

#include <QApplication>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    const quillo::testing::PrivateRuntimeFolder runtime;
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
