#pragma once

#include "core/platform/Pasteboard.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QClipboard;
class QMimeData;

namespace quillo {

/// The CLIPBOARD selection through QClipboard. What the program writes stays on offer,
/// served from the event loop, until another program takes the clipboard over.
class QtPasteboard final : public Pasteboard {
public:
    /// Needs the QGuiApplication.
    QtPasteboard();
    QtPasteboard(const QtPasteboard&) = delete;
    QtPasteboard& operator=(const QtPasteboard&) = delete;

    std::int64_t changeCount() const override { return changeCount_; }
    void clearContents() override;
    void declareTypes(const std::vector<std::string>& types) override;
    void setData(const std::string& type, const std::string& data) override;
    std::optional<std::string> plainString() const override;
    std::vector<PasteboardItem> items() const override;
    void writeItems(const std::vector<PasteboardItem>& items) override;

    /// Where the compositor takes one offer per input event and only from the focused window
    /// (GNOME's Wayland session), the writes of one turn of the event loop are offered once,
    /// at its end, through `gate`: it calls `offer(true)` once the program has the focus, or
    /// `offer(false)` to drop the write. `scheduled` is told as soon as an offer is on its way.
    /// As such a compositor shows the clipboard only to the focused window, what it held when a
    /// window of ours last had the focus is what the clipboard is read as meanwhile.
    using OfferGate = std::function<void(std::function<void(bool possible)> offer)>;
    void offerOncePerTurn(std::function<void()> scheduled, OfferGate gate);

private:
    using Contents = std::vector<std::pair<QString, QByteArray>>;

    void clipboardChanged();
    bool holdsOwnContents() const;
    void startWriting();
    void put(const QString& type, const QByteArray& data);
    void offer();
    void offerNow();
    std::vector<PasteboardItem> readItems() const;

    QClipboard* clipboard_;
    std::int64_t changeCount_ = 0;
    /// What this program is writing or last wrote, in the order it was set.
    Contents contents_;
    /// The data last handed to the clipboard, which owns and eventually deletes it.
    QPointer<QMimeData> offered_;
    std::function<void()> offerScheduled_;
    OfferGate offerGate_;
    bool offerPending_ = false;
    std::optional<std::vector<PasteboardItem>> snapshot_;
    /// Receives the clipboard's signals; going with this object, it disconnects them.
    QObject receiver_;
};

} // namespace quillo
