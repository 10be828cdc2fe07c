// `quillo --picker` as a desktop's key binding runs it on every press: the whole short-lived
// process, from exec to exit, handing its request to a running program. The running program
// is played by a listener on the instance socket that answers at once, so only the
// launcher's own cost is measured.
#include "Durations.h"
#include "core/app/InstanceProtocol.h"
#include "core/platform/InstanceSocket.h"
#include "fakes/TempFolder.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace quillo;

/// Answers every request on the socket with success, on a thread of its own.
class AnsweringListener {
public:
    explicit AnsweringListener(const std::filesystem::path& path)
        : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 16) != 0)
            throw std::runtime_error("couldn't listen at " + path.string());
        thread_ = std::thread([this] { serve(); });
    }
    ~AnsweringListener() {
        stopping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    AnsweringListener(const AnsweringListener&) = delete;
    AnsweringListener& operator=(const AnsweringListener&) = delete;

private:
    void serve() {
        const std::string reply = InstanceProtocol::line(InstanceReply{});
        while (!stopping_) {
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            char buffer[4096];
            std::string request;
            while (request.find('\n') == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            (void)::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    int fd_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

void BM_PickerHandover(benchmark::State& state) {
    const testing::TempFolder runtime;
    std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (runtime.path() / "data").c_str(), 1);
    const auto socket = instanceSocketPath(SocketFolders::ofEnvironment());
    const AnsweringListener listener(std::get<std::filesystem::path>(socket));
    const char* const arguments[] = {QUILLO_PROGRAM, "--picker", nullptr};
    bench::Durations durations;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        pid_t child = 0;
        if (::posix_spawn(&child, QUILLO_PROGRAM, nullptr, nullptr,
                          const_cast<char* const*>(arguments), environ) != 0)
            throw std::runtime_error("couldn't start " QUILLO_PROGRAM);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("quillo --picker failed");
        durations.add(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    durations.report(state);
}
BENCHMARK(BM_PickerHandover)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
