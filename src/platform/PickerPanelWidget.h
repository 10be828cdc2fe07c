#pragma once

#include <QWidget>
#include <functional>

namespace quillo {

/// The picker panel's top-level widget: paints the rounded, softly tinted background where a
/// compositor can show it (a plain one otherwise) and reports what takes the keyboard away.
class PickerPanelWidget final : public QWidget {
public:
    /// An overlay floats above everything without being activated; a focused one is a
    /// frameless window that the window manager activates.
    enum class Kind { overlay, focused };

    PickerPanelWidget(Kind kind, std::function<void()> onLostKeyboard);

    /// Whether presses outside and deactivation count as losing the keyboard (only while shown
    /// and grabbed, so the panel's own hide is not mistaken for it).
    void setWatching(bool watching) { watching_ = watching; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::function<void()> onLostKeyboard_;
    bool watching_ = false;
};

} // namespace quillo
