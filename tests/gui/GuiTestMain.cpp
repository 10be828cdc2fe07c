// The widget tests need a QApplication; the offscreen platform stands in for a display.
#include "gui/editor/WebEngineSetup.h"

#include <QApplication>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    quillo::prepareWebEngine();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
