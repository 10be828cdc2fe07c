#pragma once

#include <QWidget>

namespace quillo {

/// One line of text that shortens itself in the middle ("Deleted “Quarterly…report”")
/// when the space is too narrow, showing the whole text as its tooltip.
class ElidedLabel final : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace quillo
