#pragma once

#include "core/platform/Accessibility.h"
#include "core/platform/SessionBackends.h"

#include <QPointer>
#include <QString>

class QMessageBox;

namespace quillo {

class RemoteDesktopKeyPoster;

/// Posting keys in a Wayland session: possible where the compositor lends a keyboard (a
/// virtual keyboard, KWin's fake input) or the desktop's remote desktop session allows it.
/// Where the desktop asks the user first (GNOME), asking starts its dialog; elsewhere there is
/// nothing to ask for, so asking only explains.
class WaylandAccessibility final : public Accessibility {
public:
    /// `remoteDesktop` is the key poster when the keys go through the portal.
    explicit WaylandAccessibility(SessionBackends backends,
                                  RemoteDesktopKeyPoster* remoteDesktop = nullptr);
    ~WaylandAccessibility() override;
    WaylandAccessibility(const WaylandAccessibility&) = delete;
    WaylandAccessibility& operator=(const WaylandAccessibility&) = delete;

    bool isTrusted(bool prompt) override;
    std::string pastingStatus() const override;

private:
    std::string explanation() const;
    std::string consentStatus() const;

    SessionBackends backends_;
    RemoteDesktopKeyPoster* remoteDesktop_;
    QPointer<QMessageBox> message_;
};

} // namespace quillo
