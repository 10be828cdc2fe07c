#pragma once

#include "core/platform/Pasteboard.h"

#include <QObject>
#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct wl_callback;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace quillo {

class WaylandConnection;

/// The CLIPBOARD selection through wlroots' data control (zwlr_data_control_manager_v1),
/// which reads and sets it without the keyboard focus. What the program writes is offered
/// from memory, served from the event loop, until another program takes the clipboard.
class DataControlPasteboard final : public Pasteboard {
public:
    /// Needs the QGuiApplication. Without a connection, or when the compositor offers no
    /// data control, the clipboard reads empty and writes go nowhere. A program that does
    /// not send what it offers is given up on after `readTimeout` without a byte.
    explicit DataControlPasteboard(std::shared_ptr<WaylandConnection> connection,
                                   std::chrono::milliseconds readTimeout = std::chrono::seconds(1));
    ~DataControlPasteboard() override;
    DataControlPasteboard(const DataControlPasteboard&) = delete;
    DataControlPasteboard& operator=(const DataControlPasteboard&) = delete;

    std::int64_t changeCount() const override;
    void clearContents() override;
    void declareTypes(const std::vector<std::string>& types) override;
    void setData(const std::string& type, const std::string& data) override;
    std::optional<std::string> plainString() const override;
    std::vector<PasteboardItem> items() const override;
    void writeItems(const std::vector<PasteboardItem>& items) override;

private:
    friend struct DataControlEvents;
    using Contents = std::vector<std::pair<std::string, std::string>>;
    struct Source {
        zwlr_data_control_source_v1* proxy;
        std::shared_ptr<const Contents> contents;
    };
    struct Transfer;
    struct Commit;

    /// Takes in the events that have arrived: other programs' copies, our sources' ends.
    void catchUp() const;
    bool holdsOwnContents() const;
    void startWriting();
    void put(const std::string& type, const std::string& data);
    void changed();
    void commit();
    Contents read(const std::vector<std::string>& types) const;
    std::vector<std::string> offeredTypes() const;

    void offerIntroduced(zwlr_data_control_offer_v1* offer);
    void selectionChanged(zwlr_data_control_offer_v1* offer);
    void sourceCancelled(zwlr_data_control_source_v1* source);
    void commitSynced(wl_callback* callback);
    void send(zwlr_data_control_source_v1* source, const std::string& type, int fd);
    void continueTransfer(Transfer* transfer);
    void waitForReader(Transfer* transfer);
    void endTransfer(Transfer* transfer);
    void stopListening();

    std::shared_ptr<WaylandConnection> connection_;
    std::chrono::milliseconds readTimeout_;
    zwlr_data_control_manager_v1* manager_ = nullptr;
    zwlr_data_control_device_v1* device_ = nullptr;
    /// Offers the compositor introduced, with the types each one lists.
    std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> offers_;
    /// What another program has on the clipboard; null when nothing or when it is ours.
    zwlr_data_control_offer_v1* selection_ = nullptr;

    std::int64_t changeCount_ = 0;
    /// Our selections whose announcement back to us may still come.
    std::list<Commit> commits_;
    /// True from the start of a write until another program takes the clipboard.
    bool owning_ = false;
    /// A write not yet handed to the compositor: it goes in one piece.
    bool uncommitted_ = false;
    /// What this program is writing or last wrote, in the order it was set.
    Contents contents_;
    /// Our sources the compositor still knows; the last one is on the clipboard while owning.
    std::vector<Source> sources_;
    /// Answers to readers still being written.
    std::list<std::unique_ptr<Transfer>> transfers_;
    /// Timers and deferred calls go with this object.
    QObject receiver_;
};

} // namespace quillo
