#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QHBoxLayout;

namespace quillo {

/// One key and what it does, as the footer shows it.
struct KeyHint {
    QString key;
    QString label;

    friend bool operator==(const KeyHint&, const KeyHint&) = default;
};

/// The row of key hints under the picker: some hints on the left, one on the far right.
class KeyHintFooter final : public QWidget {
    Q_OBJECT
public:
    explicit KeyHintFooter(QWidget* parent = nullptr);

    void setHints(const std::vector<KeyHint>& leading, const KeyHint& trailing);
    /// What the footer reads, left to right: each key cap's text, then its label's.
    QStringList texts() const;

private:
    void addHint(const KeyHint& hint);

    QHBoxLayout* layout_;
    std::vector<KeyHint> shown_;
};

} // namespace quillo
