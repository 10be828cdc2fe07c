#pragma once

#include "fakes/ScopedEnvironment.h"
#include "fakes/TempFolder.h"
#include "platform/wayland/WaylandConnection.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <wayland-client.h>

namespace quillo::testing {

/// A sway of its own for a test: no screen, no input devices, a runtime folder of its own.
/// sway refuses to run as root; a root test runs it as nobody through setpriv, with the folder
/// handed to that user, and connects to its socket by absolute path.
class HeadlessSway {
public:
    explicit HeadlessSway(const std::string& config = {}) {
        if (QStandardPaths::findExecutable("sway").isEmpty()) {
            why_ = "sway is not installed";
            return;
        }
        const std::filesystem::path configFile = folder_ / "config";
        std::ofstream(configFile) << "output HEADLESS-1 resolution 1280x800\n" << config;
        const QString folder = QString::fromStdString(folder_.path().string());
        QStringList command{"sway", "-c", QString::fromStdString(configFile.string())};
        if (geteuid() == 0) {
            std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_all);
            for (const auto& path : {folder_.path(), configFile})
                if (chown(path.c_str(), nobody, nobody) != 0)
                    why_ = "can't hand the runtime folder to nobody";
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} +
                      command;
        }
        QProcessEnvironment environment;
        environment.insert("PATH", qEnvironmentVariable("PATH"));
        environment.insert("HOME", folder);
        environment.insert("XDG_RUNTIME_DIR", folder);
        environment.insert("SWAYSOCK", folder + "/sway.sock");
        environment.insert("WLR_BACKENDS", "headless");
        environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        environment.insert("WLR_RENDERER", "pixman");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start(command.takeFirst(), command);
        // Up once a client on its socket finds the seat, a little after the socket.
        const bool up = QTest::qWaitFor(
            [&] {
                for (const QString& name : QDir(folder).entryList({"wayland-*"}, QDir::System))
                    if (!name.endsWith(".lock") && offersSeat(folder + "/" + name)) {
                        display_ = (folder + "/" + name).toStdString();
                        return true;
                    }
                return process_.state() == QProcess::NotRunning;
            },
            10000);
        if (!up || display_.empty())
            why_ = "sway did not start";
    }

    ~HeadlessSway() {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished();
    }

    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    bool isRunning() const { return why_.empty(); }
    /// Why it is not running.
    const std::string& why() const { return why_; }
    /// The Wayland socket's absolute path, for WAYLAND_DISPLAY.
    const std::string& display() const { return display_; }
    /// sway's home and runtime folder.
    std::filesystem::path folder() const { return folder_.path(); }
    /// sway's command socket, for SWAYSOCK.
    std::string socket() const { return (folder_ / "sway.sock").string(); }

    /// Gives what was made under the folder to sway's user, for sway to run it.
    void handOver(const std::filesystem::path& path) const {
        if (geteuid() != 0)
            return;
        if (chown(path.c_str(), nobody, nobody) != 0)
            return;
        if (std::filesystem::is_directory(path))
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                (void)chown(entry.path().c_str(), nobody, nobody);
    }
    /// The command that runs `program` as sway's user: as it is, unless this is root.
    std::pair<QString, QStringList> asItsUser(const QString& program,
                                              const QStringList& arguments) const {
        if (geteuid() != 0)
            return {program, arguments};
        return {"setpriv",
                QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} +
                    arguments};
    }

    /// Runs a sway command ("[app_id=foot] focus") and tells whether sway carried it out.
    bool command(const QString& text) const {
        QProcess swaymsg;
        swaymsg.start("swaymsg", {"-s", QString::fromStdString(socket()), text});
        return swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0;
    }

    /// A connection of this program's own to sway, as the program makes it.
    std::shared_ptr<WaylandConnection> connect() const {
        ScopedEnvironment environment;
        environment.set("WAYLAND_DISPLAY", display_.c_str());
        return WaylandConnection::open();
    }

    /// The environment for a program to run on this sway, Qt programs on its Wayland.
    QProcessEnvironment clientEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WAYLAND_DISPLAY", QString::fromStdString(display_));
        environment.insert("QT_QPA_PLATFORM", "wayland");
        environment.remove("DISPLAY");
        return environment;
    }

private:
    static constexpr uid_t nobody = 65534;

    static bool offersSeat(const QString& socket) {
        wl_display* display = wl_display_connect(socket.toUtf8().constData());
        if (!display)
            return false;
        bool seat = false;
        static constexpr wl_registry_listener listener{
            [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
                if (std::string_view(interface) == "wl_seat")
                    *static_cast<bool*>(data) = true;
            },
            [](void*, wl_registry*, std::uint32_t) {}};
        wl_registry* registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &listener, &seat);
        wl_display_roundtrip(display);
        wl_registry_destroy(registry);
        wl_display_disconnect(display);
        return seat;
    }

    TempFolder folder_;
    QProcess process_;
    std::string display_;
    std::string why_;
};

} // namespace quillo::testing
