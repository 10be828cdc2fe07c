#include "X11HotKeyService.h"

#include "KeyTranslation.h"

#include <QCoreApplication>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace quillo {

X11HotKeyService::X11HotKeyService(std::optional<X11Connection> connection)
    : connection_(connection) {
    if (connection_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installNativeEventFilter(this);
    releaseWatch_.setInterval(releaseWatchMs);
    QObject::connect(&releaseWatch_, &QTimer::timeout, [this] {
        if (!held_ || !grab_ || !connection_->isKeyDown(grab_->keycode)) {
            // Events of the hold may still be queued: their repeats must not count.
            clearedByWatch_ = held_;
            held_ = false;
            releaseWatch_.stop();
        }
    });
}

X11HotKeyService::~X11HotKeyService() {
    unregisterHotKey();
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

int X11HotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    unregisterHotKey();
    if (!connection_)
        return noXConnection;
    const auto keysym = keyCode <= 0xFFFF
                            ? keys::keysymForKeyCode(static_cast<std::uint16_t>(keyCode))
                            : std::nullopt;
    const auto keycodes = keysym ? connection_->keycodesOf(*keysym) : std::vector<xcb_keycode_t>{};
    if (keycodes.empty())
        return keyNotOnKeyboard;

    const std::uint16_t capsLock = XCB_MOD_MASK_LOCK;
    const std::uint16_t numLock = connection_->modifierMaskOf(XK_Num_Lock);
    Grab grab{.keycode = keycodes.front(),
              .modifiers = keys::xModifiersForShortcut(modifiers),
              .lockMask = static_cast<std::uint16_t>(capsLock | numLock)};
    std::vector<std::uint16_t> variants;
    for (const std::uint16_t locks : {std::uint16_t{0}, capsLock, numLock, grab.lockMask}) {
        const auto variant = static_cast<std::uint16_t>(grab.modifiers | locks);
        if (std::ranges::find(variants, variant) == variants.end())
            variants.push_back(variant);
    }

    // Sent together, checked one by one: each check waits for its own answer only.
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint16_t variant : variants)
        cookies.push_back(xcb_grab_key_checked(connection_->get(), 0, connection_->root(), variant,
                                               grab.keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    int firstError = 0;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        const std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection_->get(), cookies[i]), &std::free);
        if (!error)
            grab.grabbedVariants.push_back(variants[i]);
        else if (firstError == 0)
            firstError = error->error_code;
    }
    if (firstError != 0) {
        ungrab(grab);
        return firstError;
    }
    grab_ = std::move(grab);
    return 0;
}

void X11HotKeyService::unregisterHotKey() {
    if (grab_)
        ungrab(*grab_);
    grab_.reset();
}

void X11HotKeyService::setPressedHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void X11HotKeyService::ungrab(const Grab& grab) {
    for (const std::uint16_t variant : grab.grabbedVariants)
        xcb_ungrab_key(connection_->get(), grab.keycode, connection_->root(), variant);
    // Free for other programs on return, not some time later.
    connection_->sync();
}

bool X11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* /*result*/) {
    if (!grab_ || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release share their layout. Any window counts: while one of our own windows
    // grabs the keyboard, the combination arrives there instead of at the root.
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t modifiers = key->state & 0xFF & ~grab_->lockMask;
    if (key->detail != grab_->keycode)
        return false;
    if (type == XCB_KEY_RELEASE) {
        // The keyboard's auto-repeat sends a release and a press for each repeat; only a
        // key that is really up ends the hold. The modifiers may be up before the key.
        if (held_ && !connection_->isKeyDown(key->detail))
            held_ = false;
        releaseTime_ = key->time;
        return modifiers == grab_->modifiers;
    }
    if (modifiers != grab_->modifiers)
        return false;
    // The auto-repeat's release and press carry the same time; a busy program may get to
    // them after the watch found the key up. A press after a release of another time is the
    // user's. A hold longer than any repeat gap means its release never reached us: press
    // anew.
    const bool autoRepeated =
        (held_ || clearedByWatch_) && releaseTime_ && *releaseTime_ == key->time;
    const bool releasedBefore = releaseTime_ && !autoRepeated;
    const bool repeat = autoRepeated || (held_ && !releasedBefore &&
                                         key->time - lastPressTime_ < longestRepeatGapMs);
    releaseTime_.reset();
    clearedByWatch_ = false;
    held_ = true;
    lastPressTime_ = key->time;
    releaseWatch_.start();
    if (!repeat && handler_)
        handler_();
    return true;
}

} // namespace quillo
