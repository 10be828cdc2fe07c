// The running program's reader of requests from later launches, on arbitrary bytes in
// arbitrary pieces: it never takes more than its limit, and a request it reads survives
// being written and read again.
#include "core/app/InstanceProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    using State = InstanceProtocol::LineReader::State;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte sets the size of the pieces the bytes arrive in.
    const std::size_t piece = bytes.empty() ? 1 : static_cast<unsigned char>(bytes.front()) + 1;
    InstanceProtocol::LineReader reader;
    State state = State::waiting;
    for (std::size_t at = 0; at < bytes.size() && state == State::waiting; at += piece)
        state = reader.feed(bytes.substr(at, piece));
    if (reader.line().size() > InstanceProtocol::maximumLine)
        std::abort();
    if (state != State::complete)
        return 0;

    const std::optional<InstanceRequest> request = InstanceProtocol::request(reader.line());
    if (!request)
        return 0;
    const std::string written = InstanceProtocol::line(*request);
    if (InstanceProtocol::request(std::string_view(written).substr(0, written.size() - 1)) !=
        request)
        std::abort();
    return 0;
}
