#pragma once

#include <QLabel>
#include <QString>
#include <QTextDocument>
#include <utility>
#include <vector>

namespace quillo {

/// The preview's text: a word-wrapped, selectable plain-text label that works out its size
/// from one layout of the text per width, and is drawn from that layout. QLabel lays the
/// whole text out again for each of its size hints and before drawing, over a dozen times
/// for every new text, which was most of what a keystroke cost after the search. The
/// heights and the pixels are QLabel's own, and so is the narrowest width wherever it could
/// count; the preferred size and the least height, which the pane is never sized by, are
/// simpler.
/// Assumes what the preview sets: plain text, word wrap, no frame, no margin, no indent.
class PreviewLabel final : public QLabel {
    Q_OBJECT
public:
    explicit PreviewLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// Brings the measuring documents up to the label's text and font.
    void follow() const;
    /// The label's size when its text wraps at `width`, as QLabel rounds it.
    QSize wrappedSize(int width) const;
    /// The text's widest word, or a width under it and well under the text's.
    int narrowestWidth() const;

    mutable QTextDocument wrapped_;
    /// Laid out at width 0: its width is the widest word, as QLabel measures it.
    mutable QTextDocument narrowest_;
    mutable bool narrowestCurrent_ = false;
    /// The sizes of the current text by label width: the pane asks for two, with and
    /// without its scroll bar, and over again.
    mutable std::vector<std::pair<int, QSize>> sizes_;
    /// The width asked about last; none yet when negative.
    mutable int lastWidth_ = -1;
    /// The narrowest width asked about for this text and the one before it, and for this
    /// text alone.
    mutable int narrowestAsked_ = QWIDGETSIZE_MAX;
    mutable int narrowestAskedNow_ = QWIDGETSIZE_MAX;
    mutable QString measuredText_;
    mutable QFont measuredFont_;
};

} // namespace quillo
