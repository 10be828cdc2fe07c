#include "QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>

namespace quillo {

namespace {

/// Names that X11 owners list among their targets but that carry no content, and the
/// image format Qt adds on its own beside the real image types.
bool isPseudoFormat(const QString& format) {
    static const std::array<QString, 5> pseudo = {"TARGETS", "MULTIPLE", "TIMESTAMP",
                                                  "SAVE_TARGETS", "application/x-qt-image"};
    return format.isEmpty() || std::find(pseudo.begin(), pseudo.end(), format) != pseudo.end();
}

std::string bytes(const QByteArray& data) {
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

QByteArray qtBytes(const std::string& data) {
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

} // namespace

QtPasteboard::QtPasteboard() : clipboard_(QGuiApplication::clipboard()) {
    QObject::connect(clipboard_, &QClipboard::dataChanged, &receiver_,
                     [this] { clipboardChanged(); });
}

void QtPasteboard::clipboardChanged() {
    // Our own writes are counted when they start; this signal also comes for each of their
    // steps, and may come again late.
    if (holdsOwnContents())
        return;
    ++changeCount_;
    contents_.clear();
}

bool QtPasteboard::holdsOwnContents() const {
    return offerPending_ ||
           (offered_ && clipboard_->mimeData(QClipboard::Clipboard) == offered_.data());
}

void QtPasteboard::offerOncePerTurn(std::function<void()> scheduled, OfferGate gate) {
    offerScheduled_ = std::move(scheduled);
    offerGate_ = std::move(gate);
    // Such a compositor tells the clipboard's contents each time a window of ours gains the
    // focus, and only then, before Qt counts the window focused. When the focus goes, Qt
    // forgets them, also before it counts the window unfocused: so an empty clipboard is
    // believed only when a window of ours has just gained the focus. While one has it, only
    // our own writes change the clipboard.
    QObject::connect(clipboard_, &QClipboard::dataChanged, &receiver_, [this] {
        // Read on the next turn, outside Qt's handling of the compositor's events.
        QTimer::singleShot(0, &receiver_, [this] {
            std::vector<PasteboardItem> items = readItems();
            if (!items.empty())
                snapshot_ = std::move(items);
        });
    });
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &receiver_,
                     [this](QWindow* focused) {
                         if (focused != nullptr)
                             snapshot_ = readItems();
                     });
}

void QtPasteboard::startWriting() {
    ++changeCount_;
    contents_.clear();
    offer();
}

void QtPasteboard::clearContents() {
    startWriting();
}

void QtPasteboard::declareTypes(const std::vector<std::string>&) {
    // X11 offers the types in the order they are set, which is the declared order.
    if (!holdsOwnContents())
        startWriting();
}

void QtPasteboard::setData(const std::string& type, const std::string& data) {
    if (!holdsOwnContents())
        startWriting();
    put(QString::fromStdString(type), qtBytes(data));
    // Programs that know only the bare type find the text too.
    if (type == PasteboardType::plainText)
        put("text/plain", qtBytes(data));
    offer();
}

void QtPasteboard::writeItems(const std::vector<PasteboardItem>& items) {
    if (!holdsOwnContents())
        startWriting();
    // X11 has a single item: the first item that has a type gives its data.
    for (const PasteboardItem& item : items)
        for (const auto& [type, data] : item.data) {
            const QString format = QString::fromStdString(type);
            const bool known =
                std::any_of(contents_.begin(), contents_.end(),
                            [&](const auto& entry) { return entry.first == format; });
            if (!known)
                put(format, qtBytes(data));
        }
    offer();
}

void QtPasteboard::put(const QString& type, const QByteArray& data) {
    const auto existing = std::find_if(contents_.begin(), contents_.end(),
                                       [&](const auto& entry) { return entry.first == type; });
    if (existing != contents_.end())
        existing->second = data;
    else
        contents_.emplace_back(type, data);
}

void QtPasteboard::offer() {
    if (!offerGate_) {
        offerNow();
        return;
    }
    if (offerPending_)
        return;
    offerPending_ = true;
    if (offerScheduled_)
        offerScheduled_();
    QTimer::singleShot(0, &receiver_, [this] {
        offerGate_([this](bool possible) {
            // What was written last goes, however many writes came meanwhile.
            if (offerPending_ && possible)
                offerNow();
            offerPending_ = false;
        });
    });
}

void QtPasteboard::offerNow() {
    // A fresh object each time: some platforms take the list of types when the data is set.
    auto* data = new QMimeData;
    for (const auto& [type, content] : contents_)
        data->setData(type, content);
    offered_ = data;
    clipboard_->setMimeData(data, QClipboard::Clipboard);
    if (offerGate_)
        snapshot_ = readItems();
}

std::optional<std::string> QtPasteboard::plainString() const {
    if (snapshot_ && QGuiApplication::focusWindow() == nullptr) {
        for (const PasteboardItem& item : *snapshot_)
            for (const auto& [type, data] : item.data)
                if (type == PasteboardType::plainText || type == "text/plain")
                    return data;
        return std::nullopt;
    }
    const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
    if (!data)
        return std::nullopt;
    if (data->hasFormat(PasteboardType::plainText))
        return bytes(data->data(PasteboardType::plainText));
    if (data->hasText())
        return data->text().toStdString();
    return std::nullopt;
}

std::vector<PasteboardItem> QtPasteboard::items() const {
    if (snapshot_ && QGuiApplication::focusWindow() == nullptr)
        return *snapshot_;
    return readItems();
}

std::vector<PasteboardItem> QtPasteboard::readItems() const {
    const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
    if (!data)
        return {};
    PasteboardItem item;
    for (const QString& format : data->formats())
        if (!isPseudoFormat(format))
            item.data.emplace_back(format.toStdString(), bytes(data->data(format)));
    if (item.data.empty())
        return {};
    return {item};
}

} // namespace quillo
