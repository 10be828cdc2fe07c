#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace quillo::bench {

/// Notes the first paint of a widget after it is armed: a benchmark's "on screen".
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    void arm() { painted_ = false; }
    bool painted() const { return painted_; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted_ = true;
        return QObject::eventFilter(watched, event);
    }
    bool painted_ = false;
};

} // namespace quillo::bench
