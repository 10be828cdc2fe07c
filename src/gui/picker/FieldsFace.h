#pragma once

#include "core/picker/PickerModel.h"

#include <QWidget>
#include <optional>
#include <vector>

class QFormLayout;
class QLabel;
class QLineEdit;

namespace quillo {

class PreviewPane;

/// The picker's fill-in face: one line edit per field of the snippet, in the order the
/// fields first appear, beside a preview that follows the typing.
class FieldsFace final : public QWidget {
    Q_OBJECT
public:
    FieldsFace(PickerModel& model, const Clock& clock, QWidget* parent = nullptr);

    void refresh();

    /// The line edits, in form and Tab order.
    const std::vector<QLineEdit*>& fieldEdits() const { return edits_; }
    QLabel* title() const { return title_; }
    PreviewPane* preview() const { return preview_; }

private:
    void rebuildForm(const std::vector<Placeholders::Field>& fields);

    PickerModel& model_;
    const Clock& clock_;
    QLabel* title_ = nullptr;
    QFormLayout* form_ = nullptr;
    PreviewPane* preview_ = nullptr;
    std::optional<Uuid> shownSnippet_;
    std::vector<Placeholders::Field> shownFields_;
    std::vector<QLineEdit*> edits_;
};

} // namespace quillo
