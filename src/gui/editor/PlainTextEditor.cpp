#include "PlainTextEditor.h"

#include <QFont>

namespace quillo {

PlainTextEditor::PlainTextEditor(QWidget* parent) : QPlainTextEdit(parent) {
    QFont font = this->font();
    font.setPixelSize(14);
    setFont(font);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(18, 16, 18, 16);
    setBackgroundVisible(false);
    setUndoRedoEnabled(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingText_ && onTextChanged)
            onTextChanged(toPlainText());
    });
}

void PlainTextEditor::show(const Uuid& documentID, const QString& text) {
    const bool newDocument = documentID_ != documentID;
    documentID_ = documentID;
    if (toPlainText() != text) {
        settingText_ = true;
        // As one edit, so a change from elsewhere can be undone without clearing the history.
        QTextCursor cursor(document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(text);
        settingText_ = false;
    }
    if (newDocument) {
        document()->clearUndoRedoStacks();
        moveCursor(QTextCursor::Start);
    }
}

void PlainEditorBridge::insert(const QString& text) {
    if (!textView_)
        return;
    if (textView_->window() != nullptr)
        textView_->setFocus(Qt::OtherFocusReason);
    textView_->insertPlainText(text);
}

} // namespace quillo
