#pragma once

#include "fakes/TempFolder.h"

#include <QByteArray>
#include <QtGlobal>

namespace quillo::testing {

/// A runtime folder for Qt when the session has none, which Qt would leave in /tmp. Make it
/// before the application.
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
