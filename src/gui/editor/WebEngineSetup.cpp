#include "WebEngineSetup.h"

#include <QCoreApplication>
#include <cstdlib>
#include <unistd.h>

namespace quillo {

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

} // namespace quillo
