#pragma once

#include "core/platform/SessionBackends.h"

#include <set>
#include <string>

namespace quillo {

/// What this session offers, from its environment, the X server Qt talks to (if any), the
/// compositor's globals (`waylandGlobals`, with `waylandAnswered` when one answered) and the
/// session bus. Made once the QApplication exists.
SessionFacts probeSession(bool waylandAnswered, std::set<std::string> waylandGlobals);

} // namespace quillo
