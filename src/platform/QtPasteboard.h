#pragma once

#include "core/platform/Pasteboard.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

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

private:
    using Contents = std::vector<std::pair<QString, QByteArray>>;

    void clipboardChanged();
    bool holdsOwnContents() const;
    void startWriting();
    void put(const QString& type, const QByteArray& data);
    void offer();

    QClipboard* clipboard_;
    std::int64_t changeCount_ = 0;
    /// What this program is writing or last wrote, in the order it was set.
    Contents contents_;
    /// The data last handed to the clipboard, which owns and eventually deletes it.
    QPointer<QMimeData> offered_;
    /// Receives the clipboard's signals; going with this object, it disconnects them.
    QObject receiver_;
};

} // namespace quillo
