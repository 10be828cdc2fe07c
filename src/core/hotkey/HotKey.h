#pragma once

#include "Shortcut.h"
#include "core/platform/HotKeyService.h"
#include "core/platform/Log.h"
#include "core/platform/Scheduler.h"

#include <functional>
#include <memory>

namespace quillo {

/// The system-wide shortcut that opens the picker: holds at most one registration with the
/// hot key service and runs `action` on a later turn of the main thread after each press.
/// Main thread only.
class HotKey {
public:
    /// The service, scheduler and log must outlive the hot key.
    HotKey(HotKeyService& service, Scheduler& scheduler, Log& log);
    /// Gives up the registration; presses still queued are dropped.
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    /// Sets what the shared hot key is made with; call once, before the first `shared()`.
    static void configureShared(HotKeyService& service, Scheduler& scheduler, Log& log);
    /// The program's hot key, made on first use and kept for the life of the process.
    static HotKey& shared();

    /// What a press does; read when the queued press runs, so a later change wins.
    std::function<void()> action;

    /// Replaces any current registration with `shortcut`. On failure the status is logged,
    /// false is returned and no combination is held.
    bool registerShortcut(const Shortcut& shortcut);
    /// Gives up the current registration, if any.
    void unregister();
    bool isRegistered() const { return registered_; }
    /// The line that keeps the shortcut in the desktop's configuration, where it needs one.
    std::string configurationLine() const { return service_.configurationLine(); }
    /// The service, for what some desktops add: who holds a combination, the desktop's own
    /// copy of the shortcut, the trigger the desktop chose.
    HotKeyService& service() const { return service_; }

private:
    void pressed();

    HotKeyService& service_;
    Scheduler& scheduler_;
    Log& log_;
    bool registered_ = false;
    bool handlerInstalled_ = false;
    // Queued presses and the service's handler hold it weakly, so they do nothing once the
    // hot key is gone.
    std::shared_ptr<HotKey*> self_;
};

} // namespace quillo
