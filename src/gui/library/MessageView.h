#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QVBoxLayout;
class QPushButton;

namespace quillo {

/// A centred message where there is nothing to show: a large faint symbol, a title, a
/// description and, below, any buttons added.
class MessageView final : public QWidget {
    Q_OBJECT
public:
    explicit MessageView(QWidget* parent = nullptr);

    void setIcon(const QIcon& icon);
    void setTitle(const QString& title);
    void setDescription(const QString& description);
    /// A button under the description; a prominent one is drawn in the accent colour.
    QPushButton* addButton(const QString& text, bool prominent = false);

    QString title() const;
    QString description() const;

private:
    QLabel* icon_;
    QLabel* title_;
    QLabel* description_;
    QVBoxLayout* buttons_;
};

} // namespace quillo
