#pragma once

#include "core/util/Uuid.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <string>
#include <variant>

namespace quillo {

/// What the formatting at the rich editor's selection is: the toolbar lights these buttons.
struct FormatState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool ul = false; // bulleted list
    bool ol = false; // numbered list
    bool link = false;
    friend bool operator==(const FormatState&, const FormatState&) = default;
};

namespace EditorMessages {

struct Ready {};
struct Change {
    Uuid id;
    std::string html;
};
struct State {
    FormatState state;
};
using Message = std::variant<Ready, Change, State>;

/// Reads a message the editor page posted. Anything malformed (not an object, no string
/// "type", an unknown type, a missing or ill-typed payload, an id that is no UUID) is absent.
std::optional<Message> parse(const QVariant& body);

/// A string as a JavaScript string literal: its JSON form, with the solidus escaped too, so
/// that no quote, backslash, line break or "</script>" can end it early.
QString literal(const QString& text);

/// A call of the page's function with string arguments; an absent argument is null.
QString call(const QString& function, std::initializer_list<std::optional<QString>> arguments);

} // namespace EditorMessages
} // namespace quillo
