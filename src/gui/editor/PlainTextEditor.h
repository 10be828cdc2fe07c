#pragma once

#include "core/util/Uuid.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <functional>

namespace quillo {

/// The editor of plain snippets. Each snippet gets a fresh undo history: undo never brings
/// back the text of the snippet shown before.
class PlainTextEditor final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PlainTextEditor(QWidget* parent = nullptr);

    /// Called with the whole text after every change the user makes.
    std::function<void(const QString&)> onTextChanged;

    /// Shows a snippet's text. A new document clears the undo history; the same document
    /// keeps it, and its text is only replaced when it differs.
    void show(const Uuid& documentID, const QString& text);
    const std::optional<Uuid>& documentID() const { return documentID_; }

private:
    std::optional<Uuid> documentID_;
    bool settingText_ = false;
};

/// Lets the snippet editor insert text at the caret of the plain editor, when there is one.
class PlainEditorBridge {
public:
    void setTextView(PlainTextEditor* view) { textView_ = view; }
    /// Inserts in place of the selection, as typed text: undoable, and reported as a change.
    void insert(const QString& text);

private:
    QPointer<PlainTextEditor> textView_;
};

} // namespace quillo
