#pragma once

#include "core/platform/HotKeyService.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

/// The global shortcut on sway, which offers programs no shortcut of their own: a key binding
/// added through its command socket runs `quillo --picker`, and the press reaches the running
/// program through its instance channel. Bindings made this way last until sway reloads its
/// configuration, so each start binds again, and Settings offers the line for the file.
class SwayHotKeyService final : public HotKeyService {
public:
    /// Returned when sway's socket doesn't answer or refuses the binding.
    static constexpr int swayRefused = -1;
    /// Returned when sway's configuration already binds the combination to something else.
    static constexpr int alreadyBound = -2;
    /// Returned for a key the program cannot name.
    static constexpr int unknownKey = -3;

    /// `socketPath` is sway's command socket (SWAYSOCK); `program` the path a binding runs.
    SwayHotKeyService(std::string socketPath, std::string program);
    ~SwayHotKeyService() override;
    SwayHotKeyService(const SwayHotKeyService&) = delete;
    SwayHotKeyService& operator=(const SwayHotKeyService&) = delete;

    int registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) override;
    void unregisterHotKey() override;
    /// Sway runs the program instead: presses arrive as picker requests.
    void setPressedHandler(std::function<void()> handler) override;

    /// The line that keeps the current shortcut in sway's configuration; empty when none.
    std::string configurationLine() const override;

    /// The sway combination of a key and modifiers ("Ctrl+Mod1+space").
    static std::optional<std::string> combinationOf(std::uint32_t keyCode, std::uint32_t modifiers);

private:
    /// One message to sway and its answer; absent when sway doesn't answer.
    std::optional<std::string> ask(std::uint32_t type, const std::string& payload) const;
    bool run(const std::string& command) const;

    std::string socketPath_;
    std::string program_;
    std::string bound_;
};

} // namespace quillo
