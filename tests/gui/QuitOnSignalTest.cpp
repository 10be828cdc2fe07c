// The stop signals a desktop or a terminal sends end the event loop normally, so the
// program leaves through its usual quit, which saves the library.
#include "gui/QuitOnSignal.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(QuitOnSignal, sigtermSigintAndSighupEndTheEventLoop) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const QuitOnSignal quitting;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QTimer::singleShot(0, [signal] { std::raise(signal); });
        EXPECT_EQ(QCoreApplication::exec(), 0) << "signal " << signal;
    }
}

} // namespace
} // namespace quillo
