#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillo {

/// Asks for the address the selected text should open. "Remove Link" is offered only when
/// the selection is inside a link already.
class LinkDialog final : public QDialog {
    Q_OBJECT
public:
    LinkDialog(const QString& currentAddress, QWidget* parent);
    QLineEdit* addressField() const { return address_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* applyButton() const { return apply_; }

signals:
    /// The typed address, as typed; the caller cleans it.
    void applied(const QString& typed);
    void removed();

private:
    QLineEdit* address_;
    QPushButton* remove_ = nullptr;
    QPushButton* apply_;
};

/// Asks for a fill-in field's name and default value.
class FieldDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FieldDialog(QWidget* parent);
    QLineEdit* nameField() const { return name_; }
    QLineEdit* defaultField() const { return default_; }
    QPushButton* insertButton() const { return insert_; }

signals:
    void inserted(const QString& name, const QString& defaultValue);

private:
    QLineEdit* name_;
    QLineEdit* default_;
    QPushButton* insert_;
};

} // namespace quillo
