#pragma once

#include "core/platform/Accessibility.h"
#include "core/platform/SessionBackends.h"

#include <QPointer>
#include <QString>

class QMessageBox;

namespace quillo {

/// Posting keys in a Wayland session: possible where the compositor lends a keyboard (a
/// virtual keyboard, KWin's fake input), and nothing the program can ask for elsewhere, so
/// asking only explains.
class WaylandAccessibility final : public Accessibility {
public:
    explicit WaylandAccessibility(SessionBackends backends);
    ~WaylandAccessibility() override;
    WaylandAccessibility(const WaylandAccessibility&) = delete;
    WaylandAccessibility& operator=(const WaylandAccessibility&) = delete;

    bool isTrusted(bool prompt) override;
    std::string pastingStatus() const override;

private:
    QString explanation() const;

    SessionBackends backends_;
    QPointer<QMessageBox> message_;
};

} // namespace quillo
