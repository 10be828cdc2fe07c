#pragma once

#include "InstanceProtocol.h"

#include <chrono>
#include <optional>
#include <ostream>

namespace quillo {

/// Hands the request to the program running for this library and waits for its answer, at
/// most `timeout`; absent when no program is running. A program of another user is never
/// sent anything: the answer then says so, with status 1. Needs no toolkit, so a launch that
/// only passes a request on stays quick.
std::optional<InstanceReply> sendToRunningInstance(const InstanceRequest& request,
                                                   std::chrono::milliseconds timeout);

/// How long a launch waits for the running program to take a request that needs no work of
/// a minute, such as showing a window.
inline constexpr std::chrono::milliseconds requestTimeout{10'000};

/// Writes the reply's output and error where the launch's own would go; its exit status.
int printReply(const InstanceReply& reply, std::ostream& out, std::ostream& err);

} // namespace quillo
