#pragma once

#include "core/platform/PickerPanel.h"

#include <QRect>
#include <QSize>
#include <QTimer>
#include <functional>
#include <memory>

class QWidget;

namespace quillo {

class PickerPanelWidget;

/// The picker's floating window. On X11 it is frameless, above everything and never activated:
/// it takes the keyboard with a grab instead, so the application the user was in stays the
/// active one and can receive the paste. Wayland lets no window grab the keyboard or place
/// itself, so there it is a window of fixed size (which tiling compositors float and centre)
/// that takes the focus and gives it back when it hides. Created once, hidden and shown again.
class QtPickerPanel final : public PickerPanel {
public:
    static constexpr QSize size{760, 460};

    enum class Keyboard { grab, focus };

    explicit QtPickerPanel(Keyboard keyboard = Keyboard::grab);
    ~QtPickerPanel() override;
    QtPickerPanel(const QtPickerPanel&) = delete;
    QtPickerPanel& operator=(const QtPickerPanel&) = delete;

    /// Puts a widget inside the panel, filling it; the panel takes ownership.
    void setContent(QWidget* content);
    /// Makes the content when the panel is first shown. A program idling in the tray then
    /// loads no fonts and lays out nothing until the picker is wanted.
    void setContentFactory(std::function<QWidget*()> factory);
    /// Called, on a later turn of the event loop, when the shown panel loses the keyboard
    /// (a click elsewhere, the grab taken away, or no grab at all after retrying).
    void setResignedHandler(std::function<void()> handler);

    /// The top-level widget (for the key monitor and tests).
    QWidget* widget() const;
    /// True while the panel holds the keyboard grab.
    bool hasKeyboard() const { return keyboardGrabbed_; }

    bool isVisible() const override;
    void positionOnActiveScreen() override;
    void show() override;
    void hide() override;

    /// Where a panel of the given size goes in a screen's available area: centred
    /// horizontally, its centre at 62 % of the height measured from the bottom.
    static QRect frameIn(const QRect& availableGeometry, QSize panelSize);

private:
    void tryGrab();
    void resign();

    Keyboard keyboard_;
    std::unique_ptr<PickerPanelWidget> window_;
    std::function<void()> resignedHandler_;
    std::function<QWidget*()> contentFactory_;
    QTimer grabRetry_;
    int grabAttempts_ = 0;
    bool keyboardGrabbed_ = false;
    bool resignPending_ = false;
};

} // namespace quillo
