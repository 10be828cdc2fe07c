#include "DetailPane.h"

#include "LibraryLook.h"
#include "MessageView.h"
#include "StandInEditor.h"
#include "platform/QtTranslation.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace quillo {

DetailPane::DetailPane(LibraryBrowser& browser, Library& library, QWidget* parent)
    : QWidget(parent), browser_(browser), library_(library), stack_(new QStackedWidget(this)),
      message_(new MessageView(stack_)), empty_(new MessageView(stack_)) {
    message_->setIcon(LibraryLook::icon(LibraryLook::Symbol::snippets));

    empty_->setIcon(LibraryLook::icon(LibraryLook::Symbol::snippets));
    empty_->setTitle(qi18n("No Snippets Yet"));
    empty_->setDescription(qi18n("Write your first response, or bring in everything from aText."));
    connect(empty_->addButton(qi18n("New Snippet"), true), &QPushButton::clicked, this,
            [this] { browser_.newSnippet(); });
    import_ = empty_->addButton(qi18n("Import from aText"));
    connect(import_, &QPushButton::clicked, this, [this] { browser_.importLatestBackup(); });

    stack_->addWidget(message_);
    stack_->addWidget(empty_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(stack_);
}

void DetailPane::setEditorFactory(DetailEditorFactory factory) {
    factory_ = std::move(factory);
}

QWidget* DetailPane::currentPage() const {
    return stack_->currentWidget();
}

void DetailPane::refresh() {
    const DetailContent detail = browser_.detail();
    switch (detail.kind) {
    case DetailContent::Kind::editor:
        showEditor(detail.snippet);
        return;
    case DetailContent::Kind::emptyLibrary:
        import_->setVisible(browser_.canImportLatestBackup());
        stack_->setCurrentWidget(empty_);
        break;
    case DetailContent::Kind::message:
        message_->setTitle(QString::fromStdString(detail.title));
        message_->setDescription(QString::fromStdString(detail.description));
        stack_->setCurrentWidget(message_);
        break;
    }
    editing_.reset();
}

void DetailPane::showEditor(Uuid id) {
    if (editor_ == nullptr) {
        editor_ = factory_ ? factory_(stack_) : new StandInEditor(library_, stack_);
        stack_->addWidget(editor_);
    }
    // Pointed at a snippet only when the choice changes: the editor follows its edits.
    if (editing_ != id) {
        editing_ = id;
        editor_->showSnippet(id);
    }
    stack_->setCurrentWidget(editor_);
}

} // namespace quillo
