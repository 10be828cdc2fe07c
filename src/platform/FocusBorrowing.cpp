#include "FocusBorrowing.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRasterWindow>

namespace quillo {

namespace {

/// One transparent pixel (a Wayland window shows only once it has drawn something) that
/// tells when a key reaches it.
class InvisibleWindow final : public QRasterWindow {
public:
    explicit InvisibleWindow(std::function<void()> keyReleased)
        : keyReleased_(std::move(keyReleased)) {
        setFlags(Qt::FramelessWindowHint);
        QSurfaceFormat format = this->format();
        format.setAlphaBufferSize(8);
        setFormat(format);
        resize(1, 1);
        setTitle(QStringLiteral("Quillo"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(QPoint(), size()), Qt::transparent);
    }
    void keyReleaseEvent(QKeyEvent*) override { keyReleased_(); }

private:
    std::function<void()> keyReleased_;
};

} // namespace

FocusBorrower::FocusBorrower(PressKey pressKey) : pressKey_(std::move(pressKey)) {
    timeout_.setSingleShot(true);
    timeout_.setInterval(focusTimeout);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        // Without the focus, or without a key newer than our last write's, the compositor
        // would refuse the write, and Qt would drop what we offered before: the clipboard
        // would end up empty. Keeping our last write is better.
        waitingForKey_ = false;
        finishWrites(false);
    });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &FocusBorrower::focusChanged);
    qGuiApp->installEventFilter(this);
}

bool FocusBorrower::eventFilter(QObject* watched, QEvent* event) {
    // Any key or click in a window of ours is newer than the one our last write went with.
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::MouseButtonPress)
        ownedWithLastKey_ = false;
    return QObject::eventFilter(watched, event);
}

FocusBorrower::~FocusBorrower() = default;

void FocusBorrower::write(std::function<void(bool)> write) {
    expected_ = false;
    writes_.push_back(std::move(write));
    if (borrowing_)
        return;
    const QWindow* focused = QGuiApplication::focusWindow();
    // A window of ours that has the focus writes with the key press or click made there.
    if (focused != nullptr && focused->isVisible() && focused != window_.get()) {
        finishWrites(true);
        return;
    }
    if (!window_)
        window_ = std::make_unique<InvisibleWindow>([this] { keyArrived(); });
    borrowing_ = true;
    window_->show();
    window_->requestActivate();
    timeout_.start();
    focusChanged(QGuiApplication::focusWindow());
}

void FocusBorrower::focusChanged(QWindow* window) {
    if (!borrowing_ || waitingForKey_ || window == nullptr || window != window_.get())
        return;
    // The compositor takes a new owner only with a newer key press than the present owner's:
    // one pressed here is newest. Without one, only a write over another program's goes.
    if (pressKey_ && pressKey_()) {
        waitingForKey_ = true;
        timeout_.start();
        return;
    }
    finishWrites(!ownedWithLastKey_);
}

void FocusBorrower::keyArrived() {
    if (!waitingForKey_)
        return;
    waitingForKey_ = false;
    finishWrites(true);
}

void FocusBorrower::finishWrites(bool possible) {
    timeout_.stop();
    failed_ = !possible;
    std::vector<std::function<void(bool)>> writes;
    writes.swap(writes_);
    for (const auto& write : writes)
        write(possible);
    // Offered with the focus's last key press: the next write needs a newer one.
    ownedWithLastKey_ = possible;
    if (!borrowing_) {
        runWaiting();
        return;
    }
    borrowing_ = false;
    returning_ = true;
    window_->hide();
    QTimer::singleShot(returnDelay, this, [this] {
        returning_ = false;
        runWaiting();
    });
}

void FocusBorrower::runWaiting() {
    if (busy())
        return;
    std::vector<std::function<void()>> waiting;
    waiting.swap(waiting_);
    for (const auto& then : waiting)
        then();
}

void FocusBorrower::afterReturn(std::function<void()> then) {
    waiting_.push_back(std::move(then));
    runWaiting();
}

FocusReturningKeyPoster::FocusReturningKeyPoster(std::unique_ptr<KeyPoster> poster,
                                                 std::shared_ptr<FocusBorrower> borrower)
    : poster_(std::move(poster)), borrower_(std::move(borrower)) {}

bool FocusReturningKeyPoster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    borrower_->afterReturn(
        [poster = std::weak_ptr<KeyPoster>(poster_), borrower = borrower_, keyCode, modifierFlags] {
            const auto alive = poster.lock();
            // The snippet didn't reach the clipboard: pasting now would paste something else.
            if (alive && !borrower->lastBorrowFailed())
                alive->tapKey(keyCode, modifierFlags);
        });
    // Counted as posted: the keys go later, and the desktop portal's poster used here can tell
    // no more up front than whether it has its session, which the trust check asked already.
    return true;
}

} // namespace quillo
