// The platform tests need a QApplication on a real X display (Xvfb in the test run).
#include "fakes/PrivateRuntimeFolder.h"

#include <QApplication>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    const quillo::testing::PrivateRuntimeFolder runtime;
    // GNOME's shortcut tests write GSettings: to a file of the run's own, never the user's
    // dconf. Set before GLib first reads the config folder, which it remembers.
    const quillo::testing::TempFolder config;
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
