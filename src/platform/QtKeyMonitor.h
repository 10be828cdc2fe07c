#pragma once

#include "core/platform/PickerPanel.h"

#include <QKeyEvent>
#include <QObject>
#include <QPointer>

class QWidget;

namespace quillo {

/// The picker's key monitor: an application event filter that takes the key presses entering
/// the panel's native window, so it sees each one once, before the panel's widgets, in the core's
/// key codes and modifier flags. Keys the handler takes never reach the widgets. (Keys sent
/// straight to a widget, as QTest::keyClick(QWidget*) does, bypass the window and so the monitor.)
class QtKeyMonitor final : public QObject, public KeyMonitor {
public:
    /// Watches the top-level widget `panel`, whose native window must exist.
    explicit QtKeyMonitor(QWidget* panel);
    ~QtKeyMonitor() override;
    QtKeyMonitor(const QtKeyMonitor&) = delete;
    QtKeyMonitor& operator=(const QtKeyMonitor&) = delete;

    void install(Handler handler) override;
    void remove() override;

    /// A Qt key press as the core sees it. Ctrl is reported as command and Alt as option,
    /// as the program's in-window shortcuts are; `hasMarkedText` is left false.
    static KeyEvent translate(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToPanel(QObject* object) const;

    QPointer<QWidget> panel_;
    Handler handler_;
    // The panel widget whose input method holds an uncommitted pre-edit string, if any.
    QPointer<QObject> preeditOwner_;
};

} // namespace quillo
