// The widget tests need a QApplication; the offscreen platform stands in for a display.
#include "fakes/TempFolder.h"
#include "gui/editor/WebEngineSetup.h"

#include <QApplication>
#include <QPalette>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // A runtime folder of the run's own, always: the instance socket goes there, never to a
    // Quillo the user is running.
    const quillo::testing::TempFolder runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    quillo::prepareWebEngine();
    QApplication application(argc, argv);
    if (qEnvironmentVariableIsSet("QUILLO_TEST_DARK_PALETTE")) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(40, 40, 44));
        dark.setColor(QPalette::WindowText, QColor(235, 235, 240));
        QApplication::setPalette(dark);
    }
    return RUN_ALL_TESTS();
}
