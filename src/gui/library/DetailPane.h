#pragma once

#include "DetailEditor.h"
#include "core/browser/LibraryBrowser.h"

#include <QWidget>

class QPushButton;
class QStackedWidget;

namespace quillo {

class MessageView;

/// The window's third column: the editor of the one selected snippet; the invitation of
/// an empty library, with its New Snippet and Import from aText buttons; or a message
/// saying how many snippets are selected.
class DetailPane final : public QWidget {
    Q_OBJECT
public:
    DetailPane(LibraryBrowser& browser, Library& library, QWidget* parent = nullptr);

    /// How the editor is made; without one, a read-only stand-in shows the snippet.
    /// Takes effect the next time an editor is needed.
    void setEditorFactory(DetailEditorFactory factory);

    /// Shows what the browser says the column holds.
    void refresh();

    /// The editor, once one was needed; null before.
    DetailEditor* editor() const { return editor_; }
    MessageView* message() const { return message_; }
    MessageView* emptyLibrary() const { return empty_; }
    QPushButton* importButton() const { return import_; }
    QWidget* currentPage() const;

private:
    void showEditor(Uuid id);

    LibraryBrowser& browser_;
    Library& library_;
    DetailEditorFactory factory_;
    QStackedWidget* stack_;
    DetailEditor* editor_ = nullptr;
    MessageView* message_;
    MessageView* empty_;
    QPushButton* import_;
    std::optional<Uuid> editing_;
};

} // namespace quillo
