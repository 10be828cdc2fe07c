#include "StandInEditor.h"

#include "LibraryLook.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillo {

StandInEditor::StandInEditor(Library& library, QWidget* parent)
    : DetailEditor(parent), library_(library), name_(new QLabel(this)), group_(new QLabel(this)),
      text_(new QPlainTextEdit(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(6);
    name_->setFont(LibraryLook::messageTitle(font()));
    name_->setTextFormat(Qt::PlainText);
    column->addWidget(name_);
    group_->setTextFormat(Qt::PlainText);
    QPalette quiet = group_->palette();
    quiet.setColor(QPalette::WindowText, LibraryLook::secondary(palette()));
    group_->setPalette(quiet);
    column->addWidget(group_);
    column->addSpacing(6);
    text_->setReadOnly(true);
    column->addWidget(text_, 1);
    observer_ = library_.addObserver([this] { refresh(); });
}

StandInEditor::~StandInEditor() {
    library_.removeObserver(observer_);
}

void StandInEditor::showSnippet(Uuid id) {
    id_ = id;
    refresh();
}

void StandInEditor::refresh() {
    const Snippet* snippet = library_.snippet(id_);
    if (snippet == nullptr)
        return;
    name_->setText(QString::fromStdString(snippet->name));
    group_->setText(QString::fromStdString(library_.groupName(*snippet)));
    const QString text = QString::fromStdString(snippet->plainPreview());
    if (text_->toPlainText() != text)
        text_->setPlainText(text);
}

} // namespace quillo
