#include "PickerView.h"

#include "FieldsFace.h"
#include "KeyHintFooter.h"
#include "PickerLook.h"
#include "SearchFace.h"
#include "core/hotkey/Shortcut.h"
#include "core/platform/KeyEvent.h"
#include "platform/QtTranslation.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace quillo {

namespace {

// Keys named as the settings and the tray menu name the picker's shortcut, in the user's
// language ("Strg+E", "Eingabe" in German).
QString keyName(std::uint16_t keyCode, std::string_view storedName, std::uint32_t modifiers = 0) {
    return QString::fromStdString(
        Shortcut{keyCode, modifiers, std::string(storedName)}.displayString());
}

KeyHint closeHint() {
    // TRANSLATORS: In the picker's footer, beside the key that closes the picker.
    return {keyName(KeyCode::escape, "⎋"), qi18n("Close")};
}

std::vector<KeyHint> searchHints() {
    return {// TRANSLATORS: In the picker's footer, beside the key that pastes the chosen
            // snippet into the app in front.
            {keyName(KeyCode::returnKey, "↩"), qi18n("Paste")},
            // TRANSLATORS: In the picker's footer, beside the key that copies the chosen
            // snippet to the clipboard.
            {keyName(KeyCode::returnKey, "↩", ShortcutModifier::option), qi18n("Copy")},
            // TRANSLATORS: In the picker's footer, beside the key that opens the chosen
            // snippet in the library window.
            {keyName(KeyCode::e, "E", ShortcutModifier::control), qi18n("Edit")}};
}

std::vector<KeyHint> fieldsHints(bool copyOnly) {
    // TRANSLATORS: In the picker's footer, beside the key that moves to the next field to
    // fill in.
    return {{keyName(KeyCode::tab, "⇥"), qi18n("Next field")},
            {keyName(KeyCode::returnKey, "↩"), copyOnly ? qi18n("Copy") : qi18n("Paste")}};
}

} // namespace

PickerView::PickerView(PickerModel& model, Library& library, const Clock& clock, QWidget* parent)
    : QWidget(parent), model_(model), library_(library), faces_(new QStackedWidget(this)),
      searchFace_(new SearchFace(model, library, clock, faces_)),
      fieldsFace_(new FieldsFace(model, clock, faces_)), footer_(new KeyHintFooter(this)),
      focusToken_(model.focusToken()) {
    resize(760, 460);
    setAutoFillBackground(true);
    faces_->addWidget(searchFace_);
    faces_->addWidget(fieldsFace_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(faces_, 1);
    column->addWidget(PickerLook::divider(Qt::Horizontal, this));
    column->addWidget(footer_);

    modelObserver_ = model_.addObserver([this] { refresh(); });
    libraryObserver_ = library_.addObserver([this] { refresh(); });
    refresh();
}

PickerView::~PickerView() {
    model_.removeObserver(modelObserver_);
    library_.removeObserver(libraryObserver_);
}

QWidget* PickerView::currentFace() const {
    return faces_->currentWidget();
}

void PickerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        placeFocusSoon();
    }
}

void PickerView::refresh() {
    const bool fields = model_.mode() == PickerModel::Mode::fields;
    // Both, so the hidden face never holds rows of a library that has since changed.
    searchFace_->refresh();
    fieldsFace_->refresh();
    faces_->setCurrentWidget(fields ? static_cast<QWidget*>(fieldsFace_) : searchFace_);
    refreshFooter();

    if (model_.focusToken() != focusToken_) {
        focusToken_ = model_.focusToken();
        // At once when the face is on screen: keys typed right after the one that switched
        // faces may wait in the same batch of input, and must land in the new face. Again
        // on a later turn, for a face only now being shown.
        if (isVisible())
            placeFocus();
        placeFocusSoon();
    }
}

void PickerView::refreshFooter() {
    if (model_.mode() == PickerModel::Mode::fields)
        footer_->setHints(fieldsHints(model_.copyOnly()), closeHint());
    else
        footer_->setHints(searchHints(), closeHint());
}

void PickerView::placeFocusSoon() {
    // On a later turn, so the new face is on screen before it takes the keyboard.
    QTimer::singleShot(0, this, &PickerView::placeFocus);
}

bool PickerView::focusIsPlaced() const {
    const QWidget* focused = focusWidget();
    if (focused == nullptr || !focused->isVisible())
        return false;
    if (model_.mode() == PickerModel::Mode::search)
        return focused == searchFace_->searchField();
    return std::ranges::find(fieldsFace_->fieldEdits(), focused) != fieldsFace_->fieldEdits().end();
}

void PickerView::placeFocus() {
    // Already placed at once, and maybe moved on by the user (Tab): it stays.
    if (focusIsPlaced())
        return;
    if (model_.mode() == PickerModel::Mode::search) {
        searchFace_->searchField()->setFocus(Qt::OtherFocusReason);
        return;
    }
    const std::vector<QLineEdit*>& edits = fieldsFace_->fieldEdits();
    if (!edits.empty())
        edits.front()->setFocus(Qt::OtherFocusReason);
    else if (QWidget* focused = focusWidget())
        focused->clearFocus();
}

} // namespace quillo
