#pragma once

namespace quillo {

/// What the rich editor's web engine needs before the QApplication exists: no sandbox when
/// running as root, where the engine refuses to start with it.
void prepareWebEngine();

/// Makes the OpenGL context every later one shares with, as the web engine needs to hand
/// its pages to the window; once, before the first window that shows OpenGL content. Not at
/// start: it loads the OpenGL driver, which the program idling in the tray doesn't need.
void shareOpenGLContexts();

} // namespace quillo
