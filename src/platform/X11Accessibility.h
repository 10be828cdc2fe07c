#pragma once

#include "X11Connection.h"
#include "core/platform/Accessibility.h"

#include <QPointer>
#include <optional>

class QMessageBox;

namespace quillo {

/// Posting keys needs an X11 session whose server has the XTEST extension; nothing else can
/// be granted, so asking only explains.
class X11Accessibility final : public Accessibility {
public:
    /// Without a connection (offscreen, Wayland) the program is never trusted.
    explicit X11Accessibility(std::optional<X11Connection> connection);
    ~X11Accessibility() override;
    X11Accessibility(const X11Accessibility&) = delete;
    X11Accessibility& operator=(const X11Accessibility&) = delete;

    /// With `prompt` and no XTEST, also shows (without waiting for it) a message saying that
    /// snippets are copied instead, to be pasted with Ctrl+V.
    bool isTrusted(bool prompt) override;

private:
    void explain();

    std::optional<X11Connection> connection_;
    QPointer<QMessageBox> message_;
};

} // namespace quillo
