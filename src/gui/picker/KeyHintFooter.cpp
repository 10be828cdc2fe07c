#include "KeyHintFooter.h"

#include "PickerLook.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace quillo {

namespace {

/// A key's name on a small rounded plate, like a key on a keyboard.
class KeyCap final : public QLabel {
public:
    KeyCap(const QString& key, QWidget* parent) : QLabel(key, parent) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(PickerLook::caption(parent->font()).pointSizeF());
        font.setWeight(QFont::DemiBold);
        setFont(font);
        setContentsMargins(5, 1, 5, 1);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath plate;
        plate.addRoundedRect(QRectF(rect()), 4, 4);
        painter.fillPath(plate, PickerLook::quaternary(palette()));
        painter.end();
        QLabel::paintEvent(event);
    }
};

} // namespace

KeyHintFooter::KeyHintFooter(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(16, 8, 16, 8);
    layout_->setSpacing(16);
    setFont(PickerLook::caption(font()));
    QPalette shaded = palette();
    shaded.setColor(QPalette::WindowText, PickerLook::secondary(palette()));
    setPalette(shaded);
}

void KeyHintFooter::setHints(const std::vector<KeyHint>& leading, const KeyHint& trailing) {
    std::vector<KeyHint> wanted = leading;
    wanted.push_back(trailing);
    if (wanted == shown_)
        return;
    shown_ = wanted;
    while (QLayoutItem* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const KeyHint& hint : leading)
        addHint(hint);
    layout_->addStretch(1);
    addHint(trailing);
}

void KeyHintFooter::addHint(const KeyHint& hint) {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(new KeyCap(hint.key, box));
    row->addWidget(new QLabel(hint.label, box));
    layout_->addWidget(box);
    // A layout shows new children only on a later turn; the footer must read right at once.
    box->show();
}

QStringList KeyHintFooter::texts() const {
    QStringList texts;
    for (int i = 0; i < layout_->count(); ++i) {
        const QWidget* box = layout_->itemAt(i)->widget();
        if (!box)
            continue;
        const QLayout* row = box->layout();
        for (int j = 0; j < row->count(); ++j) {
            if (const auto* label = qobject_cast<const QLabel*>(row->itemAt(j)->widget()))
                texts << label->text();
        }
    }
    return texts;
}

} // namespace quillo
