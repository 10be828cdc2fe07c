#pragma once

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillo::testing {

/// How a program run ended and what it wrote.
struct ProgramResult {
    /// The exit status; 128 + the signal's number when a signal ended it, as shells have it.
    int status = -1;
    std::string out;
    std::string err;
};

namespace detail {

/// Both ends of a pipe, closed when dropped.
class Pipe {
public:
    Pipe() {
        if (::pipe2(ends_.data(), O_CLOEXEC) != 0)
            throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int read() const { return ends_[0]; }
    int write() const { return ends_[1]; }
    void closeRead() { closeEnd(0); }
    void closeWrite() { closeEnd(1); }

private:
    void closeEnd(int which) {
        if (ends_[which] >= 0)
            ::close(ends_[which]);
        ends_[which] = -1;
    }
    std::array<int, 2> ends_{-1, -1};
};

/// The process's environment with `extra` set over it.
inline std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (!extra.contains(text.substr(0, text.find('='))))
            entries.push_back(text);
    }
    for (const auto& [name, value] : extra)
        entries.push_back(name + "=" + value);
    return entries;
}

inline std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

/// Reads both pipes to their ends at once, so a child filling one never blocks on it.
inline void drain(Pipe& out, Pipe& err, ProgramResult& result) {
    std::array<pollfd, 2> ends{pollfd{out.read(), POLLIN, 0}, pollfd{err.read(), POLLIN, 0}};
    std::array<std::string*, 2> into{&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(ends.data(), ends.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        for (std::size_t i = 0; i < ends.size(); ++i) {
            if (ends[i].fd < 0 || ends[i].revents == 0)
                continue;
            char buffer[1 << 14];
            const ssize_t got = ::read(ends[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ends[i].fd = -1; // poll skips negative descriptors
                --open;
            }
        }
    }
}

} // namespace detail

/// Runs `program` with `arguments` (the program's path is passed as the first argument
/// for it) and the test's environment with `environment` set over it; standard input is
/// empty. No shell is involved, so arguments reach the program exactly as given.
inline ProgramResult runProgram(const std::string& program, std::vector<std::string> arguments,
                                const std::map<std::string, std::string>& environment = {}) {
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv = detail::pointersTo(arguments);
    std::vector<std::string> entries = detail::environmentWith(environment);
    std::vector<char*> envp = detail::pointersTo(entries);

    detail::Pipe out;
    detail::Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write(), STDERR_FILENO);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("posix_spawn " + program + ": " + std::strerror(spawned));
    // Only the child's copies stay open, so the pipes end when it does.
    out.closeWrite();
    err.closeWrite();

    ProgramResult result;
    detail::drain(out, err, result);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace quillo::testing
