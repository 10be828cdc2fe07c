#pragma once

#include "editor/SnippetDetail.h"
#include "library/DetailEditor.h"

namespace quillo {

/// The snippet editor in the library window's detail column: made with the first snippet
/// it is given, then handed each next one, so the rich editor's page loads only once.
class LibraryEditor final : public DetailEditor {
    Q_OBJECT
public:
    LibraryEditor(const SnippetDetailEnvironment& environment, QWidget* parent);
    void showSnippet(Uuid id) override;
    SnippetDetail* detail() const { return detail_; }

private:
    SnippetDetailEnvironment environment_;
    SnippetDetail* detail_ = nullptr;
};

} // namespace quillo
