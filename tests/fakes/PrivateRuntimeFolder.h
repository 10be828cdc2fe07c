#pragma once

#include "fakes/TempFolder.h"

#include <QByteArray>
#include <QtGlobal>

namespace quillo::testing {

/// Gives Qt a runtime folder of the process's own when the session has none; Qt would
/// otherwise make one in /tmp and leave it there. Make it before the application.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_.path().string()));
    }

private:
    TempFolder folder_;
};

} // namespace quillo::testing
