#include "LibraryEditor.h"

#include <QVBoxLayout>

namespace quillo {

LibraryEditor::LibraryEditor(const SnippetDetailEnvironment& environment, QWidget* parent)
    : DetailEditor(parent), environment_(environment) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void LibraryEditor::showSnippet(Uuid id) {
    if (detail_ == nullptr) {
        detail_ = new SnippetDetail(environment_, id, this);
        layout()->addWidget(detail_);
    } else {
        detail_->setSnippetID(id);
    }
}

} // namespace quillo
