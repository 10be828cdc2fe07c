#pragma once

#include "fakes/TempFolder.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
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

} // namespace detail

/// Runs `program` (no shell) with `arguments` and the test's environment with `environment`
/// set over it; standard input is empty.
inline ProgramResult runProgram(const std::string& program, std::vector<std::string> arguments,
                                const std::map<std::string, std::string>& environment = {}) {
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv = detail::pointersTo(arguments);
    std::vector<std::string> entries = detail::environmentWith(environment);
    std::vector<char*> envp = detail::pointersTo(entries);

    // Into files, not pipes: nothing the program leaves running can hold up the reading.
    const TempFolder outputs;
    const std::string out = outputs / "out", err = outputs / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT,
                                     0600);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("posix_spawn " + program + ": " + std::strerror(spawned));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readFile(out),
            readFile(err)};
}

} // namespace quillo::testing
