#pragma once

#include "core/util/Uuid.h"

#include <QWidget>
#include <functional>

namespace quillo {

/// The snippet editor as the library window's detail column holds it. The window makes
/// one the first time a single snippet is selected and keeps it for its own lifetime,
/// pointing it at whichever snippet is then selected alone, so the editor keeps its state
/// (and its text engine) from one snippet to the next.
class DetailEditor : public QWidget {
public:
    using QWidget::QWidget;

    /// The snippet to show and edit. The editor reads it from the library itself, follows
    /// the library's changes, and writes every edit back through the library.
    virtual void showSnippet(Uuid id) = 0;
};

/// Makes the editor, as a child of `parent`.
using DetailEditorFactory = std::function<DetailEditor*(QWidget* parent)>;

} // namespace quillo
