#pragma once

#include "core/picker/PickerModel.h"

#include <QWidget>

class QStackedWidget;

namespace quillo {

class FieldsFace;
class KeyHintFooter;
class SearchFace;

/// The picker's content: the search face or the fill-in face over a footer of key hints.
/// It shows the model's state after every change of the model or the library, writes what
/// the user types back to the model, and places the keyboard focus afresh whenever the
/// model asks for it. Keys such as Return and the arrows never reach it: the model takes
/// them first.
class PickerView final : public QWidget {
    Q_OBJECT
public:
    PickerView(PickerModel& model, Library& library, const Clock& clock, QWidget* parent = nullptr);
    ~PickerView() override;
    PickerView(const PickerView&) = delete;
    PickerView& operator=(const PickerView&) = delete;

    SearchFace* searchFace() const { return searchFace_; }
    FieldsFace* fieldsFace() const { return fieldsFace_; }
    KeyHintFooter* footer() const { return footer_; }
    /// The face on show.
    QWidget* currentFace() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void refreshFooter();
    void placeFocusSoon();
    void placeFocus();
    /// Whether the keyboard is where the face wants it: the search field, or a field of the form.
    bool focusIsPlaced() const;

    PickerModel& model_;
    Library& library_;
    PickerModel::ObserverID modelObserver_;
    Library::ObserverID libraryObserver_;
    QStackedWidget* faces_;
    SearchFace* searchFace_;
    FieldsFace* fieldsFace_;
    KeyHintFooter* footer_;
    int focusToken_;
    bool shownOnce_ = false;
};

} // namespace quillo
