#include "EditorDialogs.h"

#include "platform/QtTranslation.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

QVBoxLayout* frame(QDialog* dialog, const QString& title, const QString& message) {
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinimumWidth(360);
    auto* layout = new QVBoxLayout(dialog);
    auto* heading = new QLabel(title, dialog);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* text = new QLabel(message, dialog);
    text->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(text);
    return layout;
}

} // namespace

LinkDialog::LinkDialog(const QString& currentAddress, QWidget* parent) : QDialog(parent) {
    // TRANSLATORS: The title of the dialog that sets the address a piece of text links to.
    QVBoxLayout* layout = frame(this, qi18n("Link"),
                                qi18n("Select some text first, then enter the address it should "
                                      "open."));
    address_ = new QLineEdit(currentAddress, this);
    address_->setPlaceholderText(QStringLiteral("https://"));
    layout->addWidget(address_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    if (!currentAddress.isEmpty()) {
        remove_ = buttons->addButton(qi18n("Remove Link"), QDialogButtonBox::DestructiveRole);
        connect(remove_, &QPushButton::clicked, this, [this] {
            emit removed();
            accept();
        });
    }
    // TRANSLATORS: Links the selected text to the address entered.
    apply_ = buttons->addButton(qi18n("Apply"), QDialogButtonBox::AcceptRole);
    apply_->setDefault(true);
    connect(apply_, &QPushButton::clicked, this, [this] {
        emit applied(address_->text());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

FieldDialog::FieldDialog(QWidget* parent) : QDialog(parent) {
    // TRANSLATORS: A place in a snippet that asks for a value each time the snippet is pasted.
    const QString title = qi18n("Fill-in Field");
    QVBoxLayout* layout = frame(
        this, title, qi18n("You'll be asked to fill this in each time you paste the snippet."));
    name_ = new QLineEdit(this);
    name_->setPlaceholderText(qi18n("Name, e.g. Client Name"));
    default_ = new QLineEdit(this);
    default_->setPlaceholderText(qi18n("Default value (optional)"));
    layout->addWidget(name_);
    layout->addWidget(default_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    // TRANSLATORS: Puts the fill-in field into the snippet (a verb).
    insert_ = buttons->addButton(qi18n("Insert"), QDialogButtonBox::AcceptRole);
    insert_->setDefault(true);
    connect(insert_, &QPushButton::clicked, this, [this] {
        emit inserted(name_->text(), default_->text());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace quillo
