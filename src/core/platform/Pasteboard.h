#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillo {

/// The type names the program writes and reads.
namespace PasteboardType {
inline constexpr const char* html = "text/html";
inline constexpr const char* rtf = "text/rtf";
inline constexpr const char* plainText = "text/plain;charset=utf-8";
/// Marks content that clipboard histories should not keep (it is put back soon).
inline constexpr const char* transient = "org.nspasteboard.TransientType";
/// The same request in the form Linux clipboard managers honour; its value is "secret".
inline constexpr const char* passwordManagerHint = "x-kde-passwordManagerHint";
} // namespace PasteboardType

/// One item of the clipboard: its data for each type it offers, in the owner's order.
struct PasteboardItem {
    std::vector<std::pair<std::string, std::string>> data;
    friend bool operator==(const PasteboardItem&, const PasteboardItem&) = default;
};

/// The system clipboard.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    /// A number that changes whenever anyone changes the contents, this program included.
    virtual std::int64_t changeCount() const = 0;
    /// Empties the clipboard and makes this program its owner.
    virtual void clearContents() = 0;
    /// Announces the types about to be set, in order of preference.
    virtual void declareTypes(const std::vector<std::string>& types) = 0;
    /// Sets the data of one declared type.
    virtual void setData(const std::string& type, const std::string& data) = 0;
    /// The plain text on the clipboard, if any.
    virtual std::optional<std::string> plainString() const = 0;
    /// Everything on the clipboard, every type with its data.
    virtual std::vector<PasteboardItem> items() const = 0;
    /// Puts items back (after `clearContents`).
    virtual void writeItems(const std::vector<PasteboardItem>& items) = 0;
};

} // namespace quillo
