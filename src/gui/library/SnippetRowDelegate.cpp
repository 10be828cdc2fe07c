#include "SnippetRowDelegate.h"

#include "LibraryLook.h"
#include "SnippetListModel.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace quillo {

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 8;
constexpr int lineGap = 2;
constexpr int previewLines = 2;

/// Lays the text out on at most `lines` lines of `width`, the last one cut with an
/// ellipsis when the text goes on. Returns the number of lines drawn.
int drawWrapped(QPainter* painter, const QString& text, const QFont& font, QPoint topLeft,
                int width, int lines) {
    const QFontMetrics metrics(font);
    QTextLayout layout(text, font);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    int y = topLeft.y();
    int made = 0;
    while (made < lines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        ++made;
        if (made == lines && line.textStart() + line.textLength() < text.size()) {
            const QString rest = text.mid(line.textStart());
            painter->drawText(QPoint(topLeft.x(), y + metrics.ascent()),
                              metrics.elidedText(rest, Qt::ElideRight, width));
            break;
        }
        painter->drawText(QPoint(topLeft.x(), y + metrics.ascent()),
                          text.mid(line.textStart(), line.textLength()).trimmed());
        y += metrics.lineSpacing();
    }
    layout.endLayout();
    return made;
}

} // namespace

void SnippetRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const QPalette& palette = option.palette;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const QColor text = selected ? palette.color(group, QPalette::HighlightedText)
                                 : palette.color(group, QPalette::Text);
    const QColor quiet =
        selected ? LibraryLook::faded(text, 0.8f) : LibraryLook::secondary(palette);

    const QRect inner = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding,
                                             -verticalPadding);
    const QFont nameFont = LibraryLook::medium(option.font);
    const QFont previewFont = LibraryLook::callout(option.font);
    const QFont groupFont = LibraryLook::caption(option.font);
    const QFontMetrics nameMetrics(nameFont);

    painter->save();
    if (!selected) {
        // A faint rule between rows, starting where the text does.
        painter->setPen(LibraryLook::faded(palette.color(QPalette::Text), 0.1f));
        painter->drawLine(inner.left(), option.rect.bottom(), option.rect.right(),
                          option.rect.bottom());
    }
    painter->setFont(nameFont);
    painter->setPen(text);
    int y = inner.top();
    painter->drawText(
        QRect(inner.left(), y, inner.width(), nameMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data().toString(), Qt::ElideRight, inner.width()));
    y += nameMetrics.height() + lineGap;

    painter->setFont(previewFont);
    painter->setPen(quiet);
    // The group line follows the preview's last line; a short preview leaves the room
    // at the foot of the row.
    const int lines =
        drawWrapped(painter, index.data(SnippetListModel::PreviewRole).toString(), previewFont,
                    QPoint(inner.left(), y), inner.width(), previewLines);
    y += QFontMetrics(previewFont).lineSpacing() * lines + lineGap;

    const QVariant groupName = index.data(SnippetListModel::GroupRole);
    if (groupName.isValid()) {
        const QFontMetrics groupMetrics(groupFont);
        painter->setFont(groupFont);
        painter->drawText(
            QRect(inner.left(), y, inner.width(), groupMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            groupMetrics.elidedText(groupName.toString(), Qt::ElideRight, inner.width()));
    }
    painter->restore();
}

QSize SnippetRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    int height = QFontMetrics(LibraryLook::medium(option.font)).height() + lineGap +
                 QFontMetrics(LibraryLook::callout(option.font)).lineSpacing() * previewLines;
    if (index.data(SnippetListModel::ShowsGroupsRole).toBool())
        height += lineGap + QFontMetrics(LibraryLook::caption(option.font)).height();
    return {option.rect.width(), height + 2 * verticalPadding};
}

} // namespace quillo
