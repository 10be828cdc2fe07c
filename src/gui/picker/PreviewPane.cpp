#include "PreviewPane.h"

#include "PickerLook.h"
#include "PreviewLabel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillo {

PreviewPane::PreviewPane(QWidget* parent)
    : QScrollArea(parent), block_(new QWidget), name_(new QLabel(block_)),
      text_(new PreviewLabel(block_)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // The text wraps, so only long snippets scroll, and only downwards.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    block_->setAutoFillBackground(false);

    auto* column = new QVBoxLayout(block_);
    column->setContentsMargins(18, 18, 18, 18);
    column->setSpacing(10);
    name_->setFont(PickerLook::headline(font()));
    name_->setTextFormat(Qt::PlainText);
    QFont body = font();
    body.setPixelSize(13);
    text_->setFont(body);
    column->addWidget(name_);
    column->addWidget(text_);
    column->addStretch(1);
    setWidget(block_);
    clear();
}

void PreviewPane::showPreview(const QString& name, const QString& text) {
    name_->setText(name);
    text_->setText(text);
    block_->setVisible(true);
}

void PreviewPane::clear() {
    name_->clear();
    text_->clear();
    block_->setVisible(false);
}

QString PreviewPane::name() const {
    return name_->text();
}
QString PreviewPane::text() const {
    return text_->text();
}

} // namespace quillo
