#pragma once

#include <QScrollArea>

class QLabel;

namespace quillo {

class PreviewLabel;

/// A snippet's name over the text it would produce, scrolling when long.
class PreviewPane final : public QScrollArea {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);

    void showPreview(const QString& name, const QString& text);
    void clear();

    QString name() const;
    QString text() const;

private:
    QWidget* block_;
    QLabel* name_;
    PreviewLabel* text_;
};

} // namespace quillo
