#pragma once

#include "core/platform/KeyPoster.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QWindow;

namespace quillo {

/// Where only the focused window may set the clipboard (GNOME's Wayland session), a write
/// made while another application has the focus borrows it: an invisible window of ours is
/// shown until it has the focus, the write is made, and the window goes, so that the
/// compositor hands the focus back to the window the user was in.
///
/// The compositor also takes a new clipboard owner only with an input event newer than the
/// present owner's. Qt offers the serial of our last key press, so a key is pressed in the
/// invisible window first (`pressKey`), where it does nothing. Where none can be pressed,
/// only a write over another program's is made.
class FocusBorrower final : public QObject {
    Q_OBJECT

public:
    /// Presses and releases a key that types nothing in the window that has the focus;
    /// returns false when no key can be pressed.
    using PressKey = std::function<bool()>;

    /// How long the compositor may take to give the focus to our window, and the key to
    /// arrive; beyond it, the write is given up.
    static constexpr std::chrono::milliseconds focusTimeout{2000};
    /// How long compositors take to give the focus back once our window is gone. Measured
    /// from unmapping to the previous window's activation: mutter 4-23 ms.
    static constexpr std::chrono::milliseconds returnDelay{100};

    explicit FocusBorrower(PressKey pressKey = {});
    ~FocusBorrower() override;
    FocusBorrower(const FocusBorrower&) = delete;
    FocusBorrower& operator=(const FocusBorrower&) = delete;

    /// A write is on its way: keys wait for it (see `afterReturn`).
    void expectWrite() { expected_ = true; }
    /// Runs `write(true)` once a window of ours has the focus, or `write(false)` when the
    /// focus can't be had.
    void write(std::function<void(bool)> write);
    /// Runs `then` once no write is waiting and no borrowed focus is out: at once when none
    /// is, else after the window went and the focus had time to come back.
    void afterReturn(std::function<void()> then);
    /// True when the last write found no focus to borrow, so it wasn't made.
    bool lastBorrowFailed() const { return failed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWindow* window);
    void keyArrived();
    void finishWrites(bool possible);
    void runWaiting();
    bool busy() const { return expected_ || borrowing_ || returning_ || !writes_.empty(); }

    PressKey pressKey_;
    std::unique_ptr<QWindow> window_;
    QTimer timeout_;
    std::vector<std::function<void(bool)>> writes_;
    std::vector<std::function<void()>> waiting_;
    bool expected_ = false;
    bool borrowing_ = false;
    bool waitingForKey_ = false;
    bool returning_ = false;
    bool failed_ = false;
    /// True while the clipboard holds a write of ours offered with our last key press or click.
    bool ownedWithLastKey_ = false;
};

/// Keys posted only once a borrowed focus is back with the window the user was in, and never
/// after a write that couldn't be made: the paste would paste something else. Posted later,
/// they count as posted.
class FocusReturningKeyPoster final : public KeyPoster {
public:
    FocusReturningKeyPoster(std::unique_ptr<KeyPoster> poster,
                            std::shared_ptr<FocusBorrower> borrower);
    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

private:
    std::shared_ptr<KeyPoster> poster_;
    std::shared_ptr<FocusBorrower> borrower_;
};

} // namespace quillo
