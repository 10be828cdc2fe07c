#include "SwayHotKeyService.h"

#include "KeyTranslation.h"
#include "core/hotkey/SwayBindings.h"
#include "core/util/UnixSocket.h"

#include <cstring>
#include <nlohmann/json.hpp>

namespace quillo {

namespace {

// sway's IPC: "i3-ipc", the payload's length and the message type (host byte order), then
// the payload; the answer has the same header.
constexpr char magic[] = "i3-ipc";
constexpr std::size_t magicSize = 6;
constexpr std::size_t headerSize = magicSize + 8;
constexpr std::uint32_t runCommand = 0;
constexpr std::uint32_t getConfig = 9;
constexpr auto answerWait = std::chrono::milliseconds(2000);
// Far more than any configuration file.
constexpr std::size_t answerLimit = 64 * 1024 * 1024;

std::uint32_t payloadSize(const std::string& message) {
    std::uint32_t size = 0;
    std::memcpy(&size, message.data() + magicSize, sizeof size);
    return size;
}

} // namespace

SwayHotKeyService::SwayHotKeyService(std::string socketPath, std::string program)
    : socketPath_(std::move(socketPath)), program_(std::move(program)) {}

// The binding stays when the program quits: pressed then, it starts Quillo with its picker.
SwayHotKeyService::~SwayHotKeyService() = default;

std::optional<std::string> SwayHotKeyService::combinationOf(std::uint32_t keyCode,
                                                            std::uint32_t modifiers) {
    const std::optional<std::string> name = keys::keysymNameForKeyCode(keyCode);
    if (!name)
        return std::nullopt;
    return SwayBindings::combination(*name, modifiers);
}

int SwayHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    unregisterHotKey();
    const std::optional<std::string> combination = combinationOf(keyCode, modifiers);
    if (!combination)
        return unknownKey;
    const std::optional<std::string> answer = ask(getConfig, {});
    if (!answer)
        return swayRefused;
    const nlohmann::json config = nlohmann::json::parse(*answer, nullptr, false);
    if (config.is_object() && config.contains("config") && config["config"].is_string()) {
        const auto taken = SwayBindings::boundBy(config["config"].get<std::string>(), *combination);
        // The user may have put our own line in the file.
        if (taken && taken->command.find("--picker") == std::string::npos)
            return alreadyBound;
    }
    if (!run("bindsym --no-repeat " + *combination + " exec " +
             SwayBindings::pickerCommand(program_)))
        return swayRefused;
    bound_ = *combination;
    return 0;
}

void SwayHotKeyService::unregisterHotKey() {
    if (bound_.empty())
        return;
    run("unbindsym " + bound_);
    bound_.clear();
}

void SwayHotKeyService::setPressedHandler(std::function<void()>) {}

std::string SwayHotKeyService::configurationLine() const {
    if (bound_.empty())
        return {};
    return "bindsym --no-repeat " + bound_ + " exec " + SwayBindings::pickerCommand(program_);
}

bool SwayHotKeyService::run(const std::string& command) const {
    const std::optional<std::string> answer = ask(runCommand, command);
    if (!answer)
        return false;
    const nlohmann::json results = nlohmann::json::parse(*answer, nullptr, false);
    if (!results.is_array() || results.empty())
        return false;
    for (const nlohmann::json& result : results)
        if (!result.is_object() || result.value("success", false) != true)
            return false;
    return true;
}

std::optional<std::string> SwayHotKeyService::ask(std::uint32_t type,
                                                  const std::string& payload) const {
    const std::optional<UnixSocket> socket = UnixSocket::connect(socketPath_);
    if (!socket)
        return std::nullopt;
    std::string message(magic, magicSize);
    const auto size = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&size), sizeof size);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message.append(payload);
    const UnixSocket::Clock::time_point deadline = UnixSocket::Clock::now() + answerWait;
    if (!socket->sendAll(message, deadline))
        return std::nullopt;
    const std::optional<std::string> answer = socket->receive(
        [](const std::string& received) {
            return received.size() >= headerSize &&
                   received.size() >= headerSize + payloadSize(received);
        },
        answerLimit, deadline);
    if (!answer || answer->compare(0, magicSize, magic) != 0)
        return std::nullopt;
    return answer->substr(headerSize, payloadSize(*answer));
}

} // namespace quillo
