#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

/// What a second launch asks of the running program.
struct InstanceRequest {
    enum class Kind { show, importBackup, paste, settings, picker };
    Kind kind = Kind::show;
    /// The backup's path, the snippet to paste, or the picker's focus token from the desktop.
    std::string argument{};
    /// Field values for a paste.
    std::map<std::string, std::string> values{};

    friend bool operator==(const InstanceRequest&, const InstanceRequest&) = default;
};

/// The running program's answer: the second process prints it and exits with its status.
struct InstanceReply {
    int status = 0;
    std::string output{}; // for standard output
    std::string error{};  // for standard error
};

/// How the two ends of the instance channel talk: a request, then a reply, each one line of
/// compact JSON.
namespace InstanceProtocol {

/// Requests longer than this are refused: an import path and field values fit many times.
inline constexpr std::size_t maximumLine = 256 * 1024;

/// The line for a request or a reply, "\n" included.
std::string line(const InstanceRequest& request);
std::string line(const InstanceReply& reply);

/// The request a line holds; absent unless it is exactly one JSON object with a known
/// "request", a string "argument" and an object "values" of strings (both may be missing).
std::optional<InstanceRequest> request(std::string_view line);
/// The reply a line holds; absent when it isn't one.
std::optional<InstanceReply> reply(std::string_view line);

/// Gathers what a client sends until a whole line is there, refusing to gather more than
/// `maximumLine`.
class LineReader {
public:
    enum class State { waiting, complete, tooLong };

    /// Takes the next bytes; returns where the reading stands.
    State feed(std::string_view bytes);
    /// The line once complete, without its "\n".
    const std::string& line() const { return line_; }

private:
    std::string line_;
    State state_ = State::waiting;
};

} // namespace InstanceProtocol

} // namespace quillo
