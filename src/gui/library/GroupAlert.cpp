#include "GroupAlert.h"

#include "LibraryLook.h"
#include "platform/QtTranslation.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

GroupAlert::GroupAlert(QWidget* parent)
    : QDialog(parent), heading_(new QLabel(this)), name_(new QLineEdit(this)) {
    setWindowModality(Qt::WindowModal);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 14);
    column->setSpacing(12);
    heading_->setFont(LibraryLook::semibold(font()));
    column->addWidget(heading_);
    name_->setPlaceholderText(qi18n("Group name"));
    name_->setMinimumWidth(260);
    connect(name_, &QLineEdit::textEdited, this, &GroupAlert::nameEdited);
    column->addWidget(name_);

    auto* buttons = new QDialogButtonBox(this);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    // TRANSLATORS: The button that makes a new group.
    action_ = buttons->addButton(qi18n("Create"), QDialogButtonBox::AcceptRole);
    action_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

void GroupAlert::setTexts(const QString& title, const QString& action) {
    setWindowTitle(title);
    heading_->setText(title);
    action_->setText(action);
}

void GroupAlert::setName(const QString& name) {
    if (name_->text() != name)
        name_->setText(name);
}

} // namespace quillo
