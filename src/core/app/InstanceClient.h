#pragma once

#include "InstanceProtocol.h"

#include <chrono>
#include <optional>

namespace quillo {

/// Hands the request to the program running for this library and waits for its answer, at
/// most `timeout`; absent when no program is running. A program of another user is never
/// sent anything: the answer then says so, with status 1. Needs no toolkit, so a launch that
/// only passes a request on stays quick.
std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout);

} // namespace quillo
