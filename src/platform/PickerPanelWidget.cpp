#include "PickerPanelWidget.h"

#include "X11Connection.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cstdlib>
#include <memory>
#include <utility>

namespace quillo {

namespace {

constexpr qreal cornerRadius = 12.0;
constexpr int tintAlpha = 235;

// A compositor owns the _NET_WM_CM_S<screen> selection; without one, transparent pixels show
// as black, so the panel then paints a plain opaque background.
bool compositorRuns() {
    const auto x = X11Connection::ofApplication();
    if (!x)
        return false;
    const xcb_atom_t selection = x->atom("_NET_WM_CM_S0");
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(x->get(), xcb_get_selection_owner(x->get(), selection),
                                      nullptr),
        &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

} // namespace

PickerPanelWidget::PickerPanelWidget(Kind kind, std::function<void()> onLostKeyboard)
    : QWidget(nullptr, kind == Kind::overlay
                           ? Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint |
                                 Qt::WindowStaysOnTopHint
                           : Qt::Window | Qt::FramelessWindowHint),
      onLostKeyboard_(std::move(onLostKeyboard)) {
    if (kind == Kind::focused) {
        setWindowTitle(QStringLiteral("Quillo"));
        return;
    }
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Chosen before the native window exists: it asks for a visual with alpha.
    setAttribute(Qt::WA_TranslucentBackground);
}

void PickerPanelWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor background = palette().color(QPalette::Window);
    if (!compositorRuns()) {
        painter.fillRect(rect(), background);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    background.setAlpha(tintAlpha);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(path, background);
}

void PickerPanelWidget::mousePressEvent(QMouseEvent* event) {
    // The pointer grab reports presses anywhere on the screen to this window.
    if (watching_ && !rect().contains(event->position().toPoint())) {
        onLostKeyboard_();
        return;
    }
    QWidget::mousePressEvent(event);
}

bool PickerPanelWidget::event(QEvent* event) {
    if (watching_ &&
        (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::FocusOut))
        onLostKeyboard_();
    return QWidget::event(event);
}

} // namespace quillo
