// The platform tests need a QApplication on a real X display (Xvfb in the test run).
#include "fakes/PrivateRuntimeFolder.h"

#include <QApplication>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv) {
    // GSettings go to a file of the run's own, never the user's dconf; GLib may have read the
    // environment before main, so the run starts again with it set.
    if (const char* backend = std::getenv("GSETTINGS_BACKEND");
        backend == nullptr || std::string_view(backend) != "keyfile") {
        setenv("GSETTINGS_BACKEND", "keyfile", 1);
        execv("/proc/self/exe", argv);
        return 1;
    }
    ::testing::InitGoogleMock(&argc, argv);
    const quillo::testing::PrivateRuntimeFolder runtime;
    // Set before GLib first reads the config folder, which it remembers.
    const quillo::testing::TempFolder config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
