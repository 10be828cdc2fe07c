#pragma once

#include "DetailEditor.h"
#include "core/model/Library.h"

class QLabel;
class QPlainTextEdit;

namespace quillo {

/// What the detail column shows of a snippet when the window was given no editor: its
/// name, group and text, read only.
class StandInEditor final : public DetailEditor {
    Q_OBJECT
public:
    explicit StandInEditor(Library& library, QWidget* parent = nullptr);
    ~StandInEditor() override;
    StandInEditor(const StandInEditor&) = delete;
    StandInEditor& operator=(const StandInEditor&) = delete;

    void showSnippet(Uuid id) override;

    QLabel* nameLabel() const { return name_; }
    QPlainTextEdit* textView() const { return text_; }

private:
    void refresh();

    Library& library_;
    Library::ObserverID observer_;
    Uuid id_;
    QLabel* name_;
    QLabel* group_;
    QPlainTextEdit* text_;
};

} // namespace quillo
