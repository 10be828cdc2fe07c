#pragma once

#include "core/util/FileLock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <variant>

namespace quillo {

/// How a launch that would write the library makes sure no other process writes it at the
/// same time: it becomes the library's one writer, or hands its request to the program
/// that is.
namespace SingleWriter {

/// The running program took the request.
struct HandedOver {};
/// Another process kept the library to itself for the whole wait.
struct Busy {};

using Outcome = std::variant<FileLock, HandedOver, Busy>;

/// Offers the request to the running program; true when it took it.
using HandOver = std::function<bool()>;

struct Waiting {
    /// How long to keep trying while another process writes the library.
    std::chrono::milliseconds timeout;
    std::chrono::milliseconds interval{50};
    /// Called once, when the library turns out to be busy.
    std::function<void()> onWait{};
};

/// Offers the request through `handOver`, and when no program took it, takes the library's
/// writer lock (see Library::takeWriterLock). While another process holds the lock, tries
/// both again every `interval`: a desktop program that holds it takes requests once it is
/// up, and a command-line import that holds it ends. Throws FileError when the lock can't
/// be made.
Outcome becomeWriter(const std::filesystem::path& dataFolder, const HandOver& handOver,
                     const Waiting& waiting);

} // namespace SingleWriter

} // namespace quillo
