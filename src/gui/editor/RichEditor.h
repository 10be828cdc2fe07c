#pragma once

#include "EditorMessages.h"
#include "core/util/Uuid.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace quillo {

/// The rich text editor as the snippet editor uses it. The web page that implements it
/// lives in a module of its own (see RichEditorModule.h), so this side knows nothing of the
/// web engine; hence plain callbacks rather than signals.
class RichEditor {
public:
    virtual ~RichEditor() = default;

    /// Called with the id the document was given and its new HTML after every edit.
    std::function<void(const Uuid&, const std::string&)> onChange;
    /// Called when `state()` changes.
    std::function<void()> onStateChanged;
    /// Called when the editor died on its own (its page's process crashed or was killed):
    /// with true when it started afresh, empty, waiting for a document from `load`; with
    /// false when it has died too often to be started again, and stays blank.
    std::function<void(bool restarted)> onStopped;

    /// The formatting at the selection, for the toolbar.
    virtual const FormatState& state() const = 0;
    /// The editor's widget, made on first use; it goes to whoever places it in a window.
    virtual QWidget* view() = 0;
    /// Shows a document: at once when the editor is ready, else when it becomes ready.
    virtual void load(const std::string& html, const Uuid& id) = 0;
    /// A formatting or insertion command; an absent value is null.
    virtual void exec(const QString& command, const std::optional<QString>& value) = 0;
    /// The address of the link at the selection, or "".
    virtual void currentLink(std::function<void(const QString&)> answer) = 0;
};

/// Makes the snippet editor's rich editor when it is first needed.
using RichEditorFactory = std::function<std::unique_ptr<RichEditor>()>;

} // namespace quillo
