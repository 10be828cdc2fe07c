#include "WebEngineSetup.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <cstdlib>
#include <unistd.h>

// Qt's own hook for the context that all others share with; the web engine reads it.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace quillo {

void prepareWebEngine() {
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext() != nullptr)
        return;
    // Kept for the life of the program, as QApplication keeps its own.
    auto* context = new QOpenGLContext(qApp);
    context->setFormat(QSurfaceFormat::defaultFormat());
    // Without OpenGL (the offscreen platform) the web engine draws in software.
    if (!context->create()) {
        delete context;
        return;
    }
    // Windows made from now on share with it. (Qt::AA_ShareOpenGLContexts, which would do
    // the same, can only be set before the QApplication exists.)
    qt_gl_set_global_share_context(context);
}

} // namespace quillo
