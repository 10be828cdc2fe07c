#include "QtPickerPanel.h"

#include "PickerPanelWidget.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <utility>

namespace quillo {

namespace {

// The grab fails while the window is not yet viewable or another client holds the keyboard
// (a key of the shortcut still down): retry for about two seconds, as rofi does.
constexpr int grabRetryMs = 10;
constexpr int grabAttemptsMax = 200;
constexpr double centreFromBottom = 0.62;

} // namespace

QtPickerPanel::QtPickerPanel(Keyboard keyboard)
    : keyboard_(keyboard),
      window_(std::make_unique<PickerPanelWidget>(keyboard == Keyboard::grab
                                                      ? PickerPanelWidget::Kind::overlay
                                                      : PickerPanelWidget::Kind::focused,
                                                  [this] { resign(); })) {
    if (keyboard_ == Keyboard::focus)
        window_->setFixedSize(size);
    else
        window_->resize(size);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    window_->winId(); // creates the native window now, so the key monitor can filter it
    grabRetry_.setInterval(grabRetryMs);
    QObject::connect(&grabRetry_, &QTimer::timeout, [this] { tryGrab(); });
}

QtPickerPanel::~QtPickerPanel() {
    hide();
}

void QtPickerPanel::setContent(QWidget* content) {
    window_->layout()->addWidget(content);
}

void QtPickerPanel::setContentFactory(std::function<QWidget*()> factory) {
    contentFactory_ = std::move(factory);
}

void QtPickerPanel::setResignedHandler(std::function<void()> handler) {
    resignedHandler_ = std::move(handler);
}

QWidget* QtPickerPanel::widget() const {
    return window_.get();
}

bool QtPickerPanel::isVisible() const {
    return window_->isVisible();
}

QRect QtPickerPanel::frameIn(const QRect& availableGeometry, QSize panelSize) {
    const int left = availableGeometry.left() + (availableGeometry.width() - panelSize.width()) / 2;
    // Qt's y grows downwards: 62 % from the bottom is 38 % from the top.
    const double centreY =
        availableGeometry.top() + availableGeometry.height() * (1.0 - centreFromBottom);
    const int top = static_cast<int>(std::lround(centreY - panelSize.height() / 2.0));
    return {QPoint(left, top), panelSize};
}

void QtPickerPanel::positionOnActiveScreen() {
    if (keyboard_ == Keyboard::focus)
        return; // the compositor places it
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    window_->setGeometry(frameIn(screen->availableGeometry(), size));
}

void QtPickerPanel::show() {
    if (contentFactory_)
        setContent(std::exchange(contentFactory_, nullptr)());
    resignPending_ = false;
    if (keyboard_ == Keyboard::focus) {
        window_->show();
        window_->raise();
        window_->activateWindow();
        // Losing the focus from now on closes the picker, as a click elsewhere does.
        window_->setWatching(true);
        return;
    }
    window_->show(); // never activateWindow(): the user's application stays the active one
    window_->raise();
    if (keyboardGrabbed_)
        return;
    grabAttempts_ = 0;
    tryGrab();
    if (!keyboardGrabbed_)
        grabRetry_.start();
}

void QtPickerPanel::tryGrab() {
    QWindow* handle = window_->windowHandle();
    ++grabAttempts_;
    if (handle != nullptr && window_->isVisible() && handle->setKeyboardGrabEnabled(true)) {
        grabRetry_.stop();
        keyboardGrabbed_ = true;
        // Clicks outside then reach this window and close the picker; a failed pointer grab
        // only loses that.
        handle->setMouseGrabEnabled(true);
        window_->setWatching(true);
        return;
    }
    if (grabAttempts_ >= grabAttemptsMax || !window_->isVisible()) {
        grabRetry_.stop();
        // A picker that cannot get the keys is useless: close it as if the keyboard went.
        if (window_->isVisible())
            resign();
    }
}

void QtPickerPanel::hide() {
    grabRetry_.stop();
    window_->setWatching(false);
    // Released whether or not it is still held: after a resignation the grab may be gone.
    QWindow* handle = keyboard_ == Keyboard::grab ? window_->windowHandle() : nullptr;
    if (handle != nullptr) {
        handle->setMouseGrabEnabled(false);
        handle->setKeyboardGrabEnabled(false);
    }
    keyboardGrabbed_ = false;
    window_->hide();
}

void QtPickerPanel::resign() {
    window_->setWatching(false);
    // The grab may be gone: a later show() takes it afresh.
    keyboardGrabbed_ = false;
    if (resignPending_)
        return;
    resignPending_ = true;
    // Later, as a window resigns key: the caller may hide the panel from its handler.
    QTimer::singleShot(0, window_.get(), [this] {
        if (!resignPending_)
            return;
        resignPending_ = false;
        if (resignedHandler_)
            resignedHandler_();
    });
}

} // namespace quillo
