#include "PreviewLabel.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace quillo {

namespace {

// As QLabel sets up the document behind a selectable label.
void setUp(QTextDocument& document, Qt::Alignment alignment) {
    document.setUndoRedoEnabled(false);
    document.setDocumentMargin(0);
    QTextOption option = document.defaultTextOption();
    option.setAlignment(alignment | Qt::Alignment(Qt::TextWordWrap));
    option.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(option);
}

QSize rounded(const QSizeF& size) {
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

} // namespace

PreviewLabel::PreviewLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setUp(wrapped_, alignment());
    setUp(narrowest_, alignment());
    narrowest_.setTextWidth(0);
}

void PreviewLabel::follow() const {
    const QString shown = text();
    if (shown == measuredText_ && font() == measuredFont_)
        return;
    measuredText_ = shown;
    measuredFont_ = font();
    if (wrapped_.defaultFont() != measuredFont_)
        wrapped_.setDefaultFont(measuredFont_);
    // Laid out at once at the width it was last asked about, most often the one asked next.
    wrapped_.setPlainText(measuredText_);
    narrowestCurrent_ = false;
    sizes_.clear();
    narrowestAsked_ = narrowestAskedNow_;
    narrowestAskedNow_ = QWIDGETSIZE_MAX;
}

QSize PreviewLabel::wrappedSize(int width) const {
    follow();
    lastWidth_ = width;
    narrowestAsked_ = std::min(narrowestAsked_, width);
    narrowestAskedNow_ = std::min(narrowestAskedNow_, width);
    const auto known =
        std::ranges::find_if(sizes_, [width](const auto& entry) { return entry.first == width; });
    if (known != sizes_.end())
        return known->second;
    const QMargins margins = contentsMargins();
    const qreal textWidth = std::max(width - margins.left() - margins.right(), 0);
    if (wrapped_.textWidth() != textWidth)
        wrapped_.setTextWidth(textWidth);
    const QSize size = rounded(wrapped_.size()).grownBy(margins).expandedTo(minimumSize());
    // A window resized by hand asks for many widths; the pane in use, for two.
    if (sizes_.size() == 4)
        sizes_.erase(sizes_.begin());
    sizes_.emplace_back(width, size);
    return size;
}

int PreviewLabel::heightForWidth(int width) const {
    // A cleared label is no text label to QLabel, and sized as none.
    if (text().isEmpty())
        return QLabel::heightForWidth(width);
    return wrappedSize(std::max(width, minimumWidth())).height();
}

QSize PreviewLabel::minimumSizeHint() const {
    if (text().isEmpty())
        return QLabel::minimumSizeHint();
    follow();
    const QMargins margins = contentsMargins();
    const int width = narrowestWidth() + margins.left() + margins.right();
    // Any height up to the wrapped text's serves: the pane sizes the text for its width.
    int height = QFontMetrics(measuredFont_).height() + margins.top() + margins.bottom();
    if (lastWidth_ >= 0)
        height = std::min(height, wrappedSize(lastWidth_).height());
    return QSize(width, height).expandedTo(minimumSize());
}

int PreviewLabel::narrowestWidth() const {
    // The widest word matters only where it is about as wide as the text may be. Short of
    // that, the widest run the wrapped layout met serves as well and needs no layout of its
    // own: QLabel's measure of it is a pixel more, or a tab stop when there are tabs. The
    // allowance also covers a scroll bar the new text may bring.
    constexpr int allowance = 48;
    constexpr int tabStop = 80;
    const QMargins margins = contentsMargins();
    const int narrowestText = narrowestAsked_ - margins.left() - margins.right();
    if (lastWidth_ >= 0 && narrowestText >= tabStop + allowance && !measuredText_.contains(u'\t')) {
        wrappedSize(lastWidth_); // so the layout is complete
        qreal widest = 0;
        for (QTextBlock block = wrapped_.begin(); block.isValid(); block = block.next())
            widest = std::max(widest, block.layout()->minimumWidth());
        const int estimate = static_cast<int>(std::ceil(widest)) + 1;
        if (estimate + allowance <= narrowestText)
            return estimate;
    }
    if (!narrowestCurrent_) {
        if (narrowest_.defaultFont() != measuredFont_)
            narrowest_.setDefaultFont(measuredFont_);
        narrowest_.setPlainText(measuredText_);
        narrowestCurrent_ = true;
    }
    return static_cast<int>(std::ceil(narrowest_.size().width()));
}

QSize PreviewLabel::sizeHint() const {
    // Before any width is known, QLabel's own guess at a pleasing shape.
    if (text().isEmpty() || lastWidth_ < 0)
        return QLabel::sizeHint();
    // Else the size at the width asked about last.
    return wrappedSize(lastWidth_).expandedTo(minimumSizeHint());
}

void PreviewLabel::paintEvent(QPaintEvent* event) {
    // A selection is QLabel's to draw. Else the text as laid out for its size, drawn as
    // QLabel draws it, which spares QLabel laying it out four times over first.
    if (text().isEmpty() || hasSelectedText()) {
        QLabel::paintEvent(event);
        return;
    }
    follow();
    const QRect area = contentsRect();
    // The sizes may be remembered from a layout at another width since.
    if (wrapped_.textWidth() != area.width())
        wrapped_.setTextWidth(area.width());
    QStyleOption option;
    option.initFrom(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (foregroundRole() != QPalette::Text && isEnabled())
        context.palette.setColor(QPalette::Text, context.palette.color(foregroundRole()));
    QPainter painter(this);
    painter.translate(area.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), area.size()));
    wrapped_.documentLayout()->draw(&painter, context);
}

} // namespace quillo
