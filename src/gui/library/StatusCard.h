#pragma once

#include "core/app/AppState.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace quillo {

/// Says at the foot of the sidebar whether snippets paste straight into other
/// applications: one quiet line when they do, else an orange card that explains and
/// offers to ask for the permission. Follows the permission and the shortcut as they
/// change.
class StatusCard final : public QWidget {
    Q_OBJECT
public:
    explicit StatusCard(AppState& app, QWidget* parent = nullptr);
    ~StatusCard() override;
    StatusCard(const StatusCard&) = delete;
    StatusCard& operator=(const StatusCard&) = delete;

    bool showsCard() const { return card_; }
    QLabel* readyLabel() const { return readyText_; }
    QLabel* cardHeading() const { return heading_; }
    QLabel* cardText() const { return explanation_; }
    QPushButton* allowButton() const { return allow_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void applyColours();

    AppState& app_;
    AppState::ObserverID observer_;
    bool card_ = false;
    QWidget* ready_;
    QLabel* readyIcon_;
    QLabel* readyText_;
    QWidget* cardBody_;
    QLabel* headingIcon_;
    QLabel* heading_;
    QLabel* explanation_;
    QPushButton* allow_;
};

} // namespace quillo
