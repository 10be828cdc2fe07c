#include "DataControlPasteboard.h"

#include "WaylandConnection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland/wlr-data-control-unstable-v1-client-protocol.h>

namespace quillo {

namespace {

// A reader that takes nothing of our answer for this long has gone away without closing.
constexpr int writeStallMs = 5000;

/// The types that carry plain text, best first: our own, the bare one, and the names
/// X11 programs use through XWayland.
constexpr std::array<const char*, 5> plainTextTypes{PasteboardType::plainText, "text/plain",
                                                    "UTF8_STRING", "STRING", "TEXT"};

DataControlPasteboard* pasteboardOf(void* data) {
    return static_cast<DataControlPasteboard*>(data);
}

/// Qt's own clipboard in this process holds the selection: reading it from the compositor
/// would wait for our own event loop.
const QMimeData* qtOwnedData() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard->ownsClipboard() ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

std::string bytes(const QByteArray& data) {
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

/// A write to a reader's pipe. A reader that closed its end must not take the program down
/// with SIGPIPE; as Qt does for its own clipboard, the signal is ignored for the write.
ssize_t writeQuietly(int fd, std::string_view data) {
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);
    const ssize_t written = write(fd, data.data(), data.size());
    const int error = errno;
    sigaction(SIGPIPE, &previous, nullptr);
    errno = error;
    return written;
}

std::vector<std::string> sorted(std::vector<std::string> types) {
    std::ranges::sort(types);
    return types;
}

} // namespace

/// One answer to a reader, written as fast as the reader takes it.
struct DataControlPasteboard::Transfer {
    int fd = -1;
    std::shared_ptr<const Contents> contents; // keeps `rest` alive
    std::string_view rest;
    /// While the reader is slow: what tells when it takes more, and when it has taken
    /// nothing for too long. Gone with the pasteboard.
    QPointer<QObject> waiting;
    QSocketNotifier* writable = nullptr;
    QTimer* stall = nullptr;

    ~Transfer() {
        // The transfer may end from inside the notifier's own signal: it is silenced now and
        // deleted later.
        if (waiting) {
            writable->setEnabled(false);
            stall->stop();
            waiting->deleteLater();
        }
        close(fd);
    }
};

/// Our selection handed to the compositor and not yet known to be announced back.
struct DataControlPasteboard::Commit {
    std::vector<std::string> types; // sorted
    wl_callback* sync = nullptr;
    bool announced = false;
};

// The protocol's events reach the pasteboard through these.
struct DataControlEvents {
    static void dataOffer(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* offer) {
        pasteboardOf(data)->offerIntroduced(offer);
    }
    static void selection(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* offer) {
        pasteboardOf(data)->selectionChanged(offer);
    }
    static void finished(void* data, zwlr_data_control_device_v1*) {
        pasteboardOf(data)->stopListening();
    }
    static void primarySelection(void* data, zwlr_data_control_device_v1*,
                                 zwlr_data_control_offer_v1* offer) {
        // The middle-click selection is not ours to mind.
        if (offer) {
            pasteboardOf(data)->offers_.erase(offer);
            zwlr_data_control_offer_v1_destroy(offer);
        }
    }
    static void offerType(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
        auto& offers = pasteboardOf(data)->offers_;
        if (const auto found = offers.find(offer); found != offers.end())
            if (std::ranges::find(found->second, type) == found->second.end())
                found->second.emplace_back(type);
    }
    static void send(void* data, zwlr_data_control_source_v1* source, const char* type, int fd) {
        pasteboardOf(data)->send(source, type, fd);
    }
    static void cancelled(void* data, zwlr_data_control_source_v1* source) {
        pasteboardOf(data)->sourceCancelled(source);
    }
    static void synced(void* data, wl_callback* callback, std::uint32_t) {
        pasteboardOf(data)->commitSynced(callback);
    }
};

namespace {

constexpr zwlr_data_control_device_v1_listener deviceListener{
    DataControlEvents::dataOffer, DataControlEvents::selection, DataControlEvents::finished,
    DataControlEvents::primarySelection};
constexpr zwlr_data_control_offer_v1_listener offerListener{DataControlEvents::offerType};
constexpr zwlr_data_control_source_v1_listener sourceListener{DataControlEvents::send,
                                                              DataControlEvents::cancelled};
constexpr wl_callback_listener syncListener{DataControlEvents::synced};

} // namespace

DataControlPasteboard::DataControlPasteboard(std::shared_ptr<WaylandConnection> connection,
                                             std::chrono::milliseconds readTimeout)
    : connection_(std::move(connection)), readTimeout_(readTimeout) {
    if (!connection_ || !connection_->seat())
        return;
    manager_ =
        connection_->bind<zwlr_data_control_manager_v1>(zwlr_data_control_manager_v1_interface, 2);
    if (!manager_)
        return;
    device_ = zwlr_data_control_manager_v1_get_data_device(manager_, connection_->seat());
    zwlr_data_control_device_v1_add_listener(device_, &deviceListener, this);
    // The compositor tells what is on the clipboard now; that is where counting starts.
    connection_->roundtrip();
    changeCount_ = 0;
}

DataControlPasteboard::~DataControlPasteboard() {
    if (connection_)
        connection_->dropHeldBack(this);
    stopListening();
    for (const Source& source : sources_)
        zwlr_data_control_source_v1_destroy(source.proxy);
    if (manager_)
        zwlr_data_control_manager_v1_destroy(manager_);
    if (connection_)
        connection_->flush();
}

void DataControlPasteboard::stopListening() {
    for (const Commit& commit : commits_)
        wl_callback_destroy(commit.sync);
    commits_.clear();
    for (const auto& [offer, types] : offers_)
        zwlr_data_control_offer_v1_destroy(offer);
    offers_.clear();
    selection_ = nullptr;
    if (device_)
        zwlr_data_control_device_v1_destroy(device_);
    device_ = nullptr;
}

void DataControlPasteboard::catchUp() const {
    if (connection_)
        connection_->dispatchPending();
}

// ---- What the compositor tells

void DataControlPasteboard::offerIntroduced(zwlr_data_control_offer_v1* offer) {
    offers_[offer];
    zwlr_data_control_offer_v1_add_listener(offer, &offerListener, this);
}

void DataControlPasteboard::selectionChanged(zwlr_data_control_offer_v1* offer) {
    if (selection_ && selection_ != offer) {
        offers_.erase(selection_);
        zwlr_data_control_offer_v1_destroy(selection_);
    }
    selection_ = offer;
    // Our own selection comes back as an offer like any other; it was counted when written.
    // It is told apart by its types, announced before the compositor answers the sync
    // that followed it (some compositors announce a selection to its own setter, some not).
    if (offer) {
        const std::vector<std::string> types = sorted(offers_[offer]);
        const auto own = std::ranges::find_if(commits_, [&](const Commit& commit) {
            return !commit.announced && commit.types == types;
        });
        if (own != commits_.end()) {
            own->announced = true;
            return;
        }
    }
    ++changeCount_;
    if (!uncommitted_) {
        owning_ = false;
        contents_.clear();
    }
}

void DataControlPasteboard::commitSynced(wl_callback* callback) {
    wl_callback_destroy(callback);
    std::erase_if(commits_, [&](const Commit& commit) { return commit.sync == callback; });
}

void DataControlPasteboard::sourceCancelled(zwlr_data_control_source_v1* source) {
    // Replaced on the clipboard, by our next write or another program's; the selection event
    // tells which.
    zwlr_data_control_source_v1_destroy(source);
    std::erase_if(sources_, [&](const Source& known) { return known.proxy == source; });
}

// ---- Writing

std::int64_t DataControlPasteboard::changeCount() const {
    catchUp();
    return changeCount_;
}

bool DataControlPasteboard::holdsOwnContents() const {
    catchUp();
    return owning_;
}

void DataControlPasteboard::startWriting() {
    ++changeCount_;
    owning_ = true;
    contents_.clear();
    changed();
}

void DataControlPasteboard::clearContents() {
    startWriting();
}

void DataControlPasteboard::declareTypes(const std::vector<std::string>&) {
    // Offered in the order they are set, which is the declared order.
    if (!holdsOwnContents())
        startWriting();
}

void DataControlPasteboard::setData(const std::string& type, const std::string& data) {
    if (!holdsOwnContents())
        startWriting();
    put(type, data);
    // Programs that know only the bare type find the text too.
    if (type == PasteboardType::plainText)
        put("text/plain", data);
    changed();
}

void DataControlPasteboard::writeItems(const std::vector<PasteboardItem>& items) {
    if (!holdsOwnContents())
        startWriting();
    // The clipboard has a single item: the first item that has a type gives its data.
    for (const PasteboardItem& item : items)
        for (const auto& [type, data] : item.data)
            if (std::ranges::find(contents_, type, &Contents::value_type::first) == contents_.end())
                put(type, data);
    changed();
}

void DataControlPasteboard::put(const std::string& type, const std::string& data) {
    const auto existing = std::ranges::find(contents_, type, &Contents::value_type::first);
    if (existing != contents_.end())
        existing->second = data;
    else
        contents_.emplace_back(type, data);
}

void DataControlPasteboard::changed() {
    if (uncommitted_ || !device_)
        return;
    uncommitted_ = true;
    // A write comes in several calls; other programs get it whole, once the caller is done,
    // or before the keys that paste it, whichever is first.
    connection_->holdBack(this, [this] { commit(); });
    QTimer::singleShot(0, &receiver_, [this] { commit(); });
}

void DataControlPasteboard::commit() {
    if (!uncommitted_)
        return;
    uncommitted_ = false;
    connection_->dropHeldBack(this);
    if (!device_)
        return;
    auto contents = std::make_shared<const Contents>(contents_);
    zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(manager_);
    std::vector<std::string> types;
    for (const auto& [type, data] : *contents) {
        zwlr_data_control_source_v1_offer(source, type.c_str());
        types.push_back(type);
    }
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, this);
    zwlr_data_control_device_v1_set_selection(device_, source);
    sources_.push_back({source, std::move(contents)});
    wl_callback* sync = wl_display_sync(connection_->display());
    wl_callback_add_listener(sync, &syncListener, this);
    commits_.push_back({sorted(std::move(types)), sync, false});
    connection_->flush();
}

void DataControlPasteboard::send(zwlr_data_control_source_v1* source, const std::string& type,
                                 int fd) {
    const auto known = std::ranges::find(sources_, source, &Source::proxy);
    auto transfer = std::make_unique<Transfer>();
    transfer->fd = fd;
    if (known != sources_.end()) {
        transfer->contents = known->contents;
        const auto entry = std::ranges::find(*known->contents, type, &Contents::value_type::first);
        if (entry != known->contents->end())
            transfer->rest = entry->second;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    transfers_.push_back(std::move(transfer));
    continueTransfer(transfers_.back().get());
}

void DataControlPasteboard::continueTransfer(Transfer* transfer) {
    // Non-blocking writes as the reader takes the data: a reader that reads slowly or never
    // must not hold up the program.
    while (!transfer->rest.empty()) {
        const ssize_t written = writeQuietly(transfer->fd, transfer->rest);
        if (written > 0) {
            transfer->rest.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            if (!transfer->waiting)
                waitForReader(transfer);
            transfer->stall->start(writeStallMs);
            return;
        }
        break; // the reader is gone
    }
    endTransfer(transfer);
}

void DataControlPasteboard::waitForReader(Transfer* transfer) {
    transfer->waiting = new QObject(&receiver_);
    transfer->writable =
        new QSocketNotifier(transfer->fd, QSocketNotifier::Write, transfer->waiting);
    QObject::connect(transfer->writable, &QSocketNotifier::activated, transfer->waiting,
                     [this, transfer] { continueTransfer(transfer); });
    transfer->stall = new QTimer(transfer->waiting);
    transfer->stall->setSingleShot(true);
    QObject::connect(transfer->stall, &QTimer::timeout, transfer->waiting,
                     [this, transfer] { endTransfer(transfer); });
}

void DataControlPasteboard::endTransfer(Transfer* transfer) {
    transfers_.remove_if(
        [&](const std::unique_ptr<Transfer>& known) { return known.get() == transfer; });
}

// ---- Reading

std::vector<std::string> DataControlPasteboard::offeredTypes() const {
    const auto found = offers_.find(selection_);
    return found != offers_.end() ? found->second : std::vector<std::string>{};
}

DataControlPasteboard::Contents
DataControlPasteboard::read(const std::vector<std::string>& types) const {
    struct Pipe {
        std::string type;
        int fd;
        std::string data;
        bool complete = false;
    };
    std::vector<Pipe> pipes;
    for (const std::string& type : types) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            continue;
        zwlr_data_control_offer_v1_receive(selection_, type.c_str(), ends[1]);
        close(ends[1]); // the request carries a copy
        pipes.push_back({type, ends[0], {}});
    }
    connection_->flush();

    // All types at once: the owner answers them in whatever order it likes.
    std::array<char, 65536> buffer;
    for (;;) {
        std::vector<pollfd> waiting;
        std::vector<Pipe*> open;
        for (Pipe& pipe : pipes)
            if (pipe.fd >= 0) {
                waiting.push_back({pipe.fd, POLLIN, 0});
                open.push_back(&pipe);
            }
        if (waiting.empty())
            break;
        const int ready =
            poll(waiting.data(), waiting.size(), static_cast<int>(readTimeout_.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break; // the owner is stuck: what it has not finished is left out
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            if (waiting[i].revents == 0)
                continue;
            Pipe& pipe = *open[i];
            const ssize_t count = ::read(pipe.fd, buffer.data(), buffer.size());
            if (count > 0) {
                pipe.data.append(buffer.data(), static_cast<std::size_t>(count));
            } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
                pipe.complete = count == 0;
                close(pipe.fd);
                pipe.fd = -1;
            }
        }
    }
    Contents contents;
    for (Pipe& pipe : pipes) {
        if (pipe.fd >= 0)
            close(pipe.fd);
        if (pipe.complete)
            contents.emplace_back(std::move(pipe.type), std::move(pipe.data));
    }
    return contents;
}

std::optional<std::string> DataControlPasteboard::plainString() const {
    catchUp();
    if (owning_) {
        for (const char* wanted : plainTextTypes)
            if (const auto found = std::ranges::find(contents_, std::string_view(wanted),
                                                     &Contents::value_type::first);
                found != contents_.end())
                return found->second;
        return std::nullopt;
    }
    if (const QMimeData* data = qtOwnedData()) {
        if (data->hasFormat(PasteboardType::plainText))
            return bytes(data->data(PasteboardType::plainText));
        if (data->hasText())
            return data->text().toStdString();
        return std::nullopt;
    }
    if (!selection_)
        return std::nullopt;
    const std::vector<std::string> offered = offeredTypes();
    for (const char* wanted : plainTextTypes)
        if (std::ranges::find(offered, wanted) != offered.end()) {
            const Contents text = read({wanted});
            if (text.empty())
                return std::nullopt;
            return text.front().second;
        }
    return std::nullopt;
}

std::vector<PasteboardItem> DataControlPasteboard::items() const {
    catchUp();
    PasteboardItem item;
    if (owning_) {
        item.data = contents_;
    } else if (const QMimeData* data = qtOwnedData()) {
        // Qt lists an image also under a name of its own, which is not data.
        for (const QString& format : data->formats())
            if (!format.startsWith("application/x-qt-"))
                item.data.emplace_back(format.toStdString(), bytes(data->data(format)));
    } else if (selection_) {
        item.data = read(offeredTypes());
    }
    if (item.data.empty())
        return {};
    return {item};
}

} // namespace quillo
