#include "MessageView.h"

#include "LibraryLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int iconSize = 48;
constexpr int maximumTextWidth = 340;
constexpr int buttonWidth = 150;

} // namespace

MessageView::MessageView(QWidget* parent)
    : QWidget(parent), icon_(new QLabel(this)), title_(new QLabel(this)),
      description_(new QLabel(this)), buttons_(new QVBoxLayout) {
    // A column of limited width in the middle; its labels take the column's whole width,
    // so wrapped text gets the height it needs.
    auto* body = new QWidget(this);
    body->setMaximumWidth(maximumTextWidth);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    icon_->setAlignment(Qt::AlignCenter);
    column->addWidget(icon_);
    column->addSpacing(6);
    title_->setFont(LibraryLook::messageTitle(font()));
    title_->setAlignment(Qt::AlignCenter);
    title_->setWordWrap(true);
    title_->setTextFormat(Qt::PlainText);
    column->addWidget(title_);
    description_->setAlignment(Qt::AlignCenter);
    description_->setWordWrap(true);
    description_->setTextFormat(Qt::PlainText);
    QPalette quiet = description_->palette();
    quiet.setColor(QPalette::WindowText, LibraryLook::secondary(palette()));
    description_->setPalette(quiet);
    column->addWidget(description_);
    buttons_->setSpacing(8);
    buttons_->setContentsMargins(0, 10, 0, 0);
    column->addLayout(buttons_);

    auto* across = new QHBoxLayout;
    across->addStretch(1);
    across->addWidget(body, 3);
    across->addStretch(1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->addStretch(1);
    outer->addLayout(across);
    outer->addStretch(1);
    icon_->hide();
}

void MessageView::setIcon(const QIcon& icon) {
    // Drawn faint, as the symbol of an empty place.
    icon_->setPixmap(icon.pixmap(QSize(iconSize, iconSize), devicePixelRatioF(), QIcon::Disabled));
    icon_->setVisible(!icon.isNull());
}

void MessageView::setTitle(const QString& title) {
    title_->setText(title);
}

void MessageView::setDescription(const QString& description) {
    description_->setText(description);
    description_->setVisible(!description.isEmpty());
}

QPushButton* MessageView::addButton(const QString& text, bool prominent) {
    auto* button = new QPushButton(text, this);
    button->setMinimumWidth(buttonWidth);
    if (prominent) {
        QPalette accent = button->palette();
        accent.setColor(QPalette::Button, accent.color(QPalette::Highlight));
        accent.setColor(QPalette::ButtonText, accent.color(QPalette::HighlightedText));
        button->setPalette(accent);
        button->setDefault(true);
    }
    buttons_->addWidget(button, 0, Qt::AlignHCenter);
    return button;
}

QString MessageView::title() const {
    return title_->text();
}

QString MessageView::description() const {
    return description_->text();
}

} // namespace quillo
