#include "StatusCard.h"

#include "LibraryLook.h"
#include "core/browser/BrowserTexts.h"
#include "platform/QtTranslation.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int cardPadding = 10;
constexpr int cardSpacing = 6;
constexpr qreal cardRadius = 8;
constexpr int smallIcon = 14;

} // namespace

StatusCard::StatusCard(AppState& app, QWidget* parent)
    : QWidget(parent), app_(app), ready_(new QWidget(this)), readyIcon_(new QLabel(ready_)),
      readyText_(new QLabel(ready_)), cardBody_(new QWidget(this)),
      headingIcon_(new QLabel(cardBody_)),
      heading_(new QLabel(qi18n("Permission needed"), cardBody_)),
      explanation_(new QLabel(qi18n("Allow Accessibility so snippets can paste straight into "
                                    "other apps. Until then they copy to the clipboard."),
                              cardBody_)),
      allow_(new QPushButton(qi18n("Allow…"), cardBody_)) {
    auto* readyRow = new QHBoxLayout(ready_);
    readyRow->setContentsMargins(0, 0, 0, 0);
    readyRow->setSpacing(5);
    readyIcon_->setPixmap(LibraryLook::icon(LibraryLook::Symbol::ready)
                              .pixmap(QSize(smallIcon, smallIcon), devicePixelRatioF()));
    readyText_->setFont(LibraryLook::caption(font()));
    // A narrow sidebar, or a language with longer words, takes the line in two.
    readyText_->setWordWrap(true);
    readyRow->addWidget(readyIcon_, 0, Qt::AlignTop);
    readyRow->addWidget(readyText_, 1);

    auto* card = new QVBoxLayout(cardBody_);
    card->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    card->setSpacing(cardSpacing);
    auto* headingRow = new QHBoxLayout;
    headingRow->setSpacing(5);
    headingIcon_->setPixmap(LibraryLook::icon(LibraryLook::Symbol::warning)
                                .pixmap(QSize(smallIcon, smallIcon), devicePixelRatioF()));
    heading_->setFont(LibraryLook::semibold(LibraryLook::callout(font())));
    headingRow->addWidget(headingIcon_);
    headingRow->addWidget(heading_, 1);
    card->addLayout(headingRow);
    explanation_->setFont(LibraryLook::caption(font()));
    explanation_->setWordWrap(true);
    card->addWidget(explanation_);
    allow_->setFont(LibraryLook::caption(font()));
    connect(allow_, &QPushButton::clicked, this, [this] { app_.requestAccessibility(); });
    card->addWidget(allow_, 0, Qt::AlignLeft);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(ready_);
    column->addWidget(cardBody_);

    applyColours();
    observer_ = app_.addObserver([this] { refresh(); });
    refresh();
}

StatusCard::~StatusCard() {
    app_.removeObserver(observer_);
}

void StatusCard::refresh() {
    card_ = !app_.accessibilityTrusted();
    readyText_->setText(
        QString::fromStdString(BrowserTexts::readyStatus(app_.shortcut().displayString())));
    ready_->setVisible(!card_);
    cardBody_->setVisible(card_);
    update();
}

void StatusCard::applyColours() {
    QPalette quiet = palette();
    quiet.setColor(QPalette::WindowText, LibraryLook::secondary(palette()));
    readyText_->setPalette(quiet);
    explanation_->setPalette(quiet);
    QPalette warning = palette();
    warning.setColor(QPalette::WindowText, LibraryLook::warning(palette()));
    heading_->setPalette(warning);
}

void StatusCard::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void StatusCard::paintEvent(QPaintEvent*) {
    if (!card_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath background;
    background.addRoundedRect(QRectF(cardBody_->geometry()), cardRadius, cardRadius);
    painter.fillPath(background, LibraryLook::faded(LibraryLook::warning(palette()), 0.12f));
}

} // namespace quillo
