#pragma once

namespace quillo {

/// What the web engine of the rich editor needs before the QApplication exists: shared GL
/// contexts, and no sandbox when running as root, where the engine refuses to start with it.
void prepareWebEngine();

} // namespace quillo
