#pragma once

#include "X11Connection.h"
#include "core/platform/Accessibility.h"

#include <QPointer>
#include <QString>
#include <optional>

class QMessageBox;

namespace quillo {

/// Posting keys needs an X11 session whose server has the XTEST extension; nothing else can
/// be granted, so asking only explains.
class X11Accessibility final : public Accessibility {
public:
    /// What keeps the program from pasting into other programs.
    enum class Obstacle { none, wayland, noX11, noXTest };

    /// Without a connection (offscreen, Wayland) the program is never trusted.
    /// `waylandSession` says whether the desktop is a Wayland one, for the explanation.
    X11Accessibility(std::optional<X11Connection> connection, bool waylandSession);
    ~X11Accessibility() override;
    X11Accessibility(const X11Accessibility&) = delete;
    X11Accessibility& operator=(const X11Accessibility&) = delete;

    /// With `prompt` and no XTEST, also shows (without waiting for it) a message saying why
    /// pasting is unavailable, that snippets are copied instead to be pasted with Ctrl+V, and
    /// what would let Quillo paste.
    bool isTrusted(bool prompt) override;
    std::string pastingStatus() const override;

    Obstacle obstacle() const;

    /// Whether the program runs in a Wayland session (Qt's platform, or the session's own
    /// variables).
    static bool isWaylandSession();

private:
    void explain();

    std::optional<X11Connection> connection_;
    bool waylandSession_;
    QPointer<QMessageBox> message_;
};

} // namespace quillo
