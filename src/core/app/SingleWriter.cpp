#include "SingleWriter.h"

#include "core/model/Library.h"

#include <thread>

namespace quillo::SingleWriter {

Outcome becomeWriter(const std::filesystem::path& dataFolder, const HandOver& handOver,
                     const Waiting& waiting) {
    const auto deadline = std::chrono::steady_clock::now() + waiting.timeout;
    bool waited = false;
    for (;;) {
        // The request goes to a running program first: only when there is none may this
        // process write the library itself.
        if (handOver && handOver())
            return HandedOver{};
        if (std::optional<FileLock> lock = Library::takeWriterLock(dataFolder))
            return std::move(*lock);
        if (std::chrono::steady_clock::now() >= deadline)
            return Busy{};
        if (!waited && waiting.onWait)
            waiting.onWait();
        waited = true;
        std::this_thread::sleep_for(waiting.interval);
    }
}

} // namespace quillo::SingleWriter
