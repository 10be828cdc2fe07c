#pragma once

#include "core/app/SettingsModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillo {

/// The settings window: the global shortcut and its recorder, opening at login, whether
/// pasting is allowed, importing from aText and the library file. A small fixed form, 480
/// wide, in three sections.
class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 480;

    explicit SettingsWindow(const SettingsEnvironment& environment, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    SettingsModel& model() { return model_; }

    /// Shows the window in front, with the keyboard.
    void present();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeShortcutSection();
    QWidget* makePermissionSection();
    QWidget* makeLibrarySection();
    /// Brings every control in line with the model and the program's state.
    void render();

    SettingsEnvironment environment_;
    SettingsModel model_;
    ObserverList::ID modelObserver_;

    QPushButton* shortcutButton_;
    QLabel* shortcutProblem_;
    QLabel* configurationHint_;
    QWidget* configurationRow_;
    QLabel* desktopTrigger_;
    QLabel* desktopSetUpHint_;
    QPushButton* desktopSetUpButton_;
    QLineEdit* configurationLine_;
    QCheckBox* openAtLogin_;
    QWidget* allowed_;
    QPushButton* allowButton_;
    QLabel* pastingStatus_;
    QPushButton* importLatestButton_;
    QPushButton* chooseFileButton_;
    QLabel* importMessage_;
    QPushButton* showFileButton_;
};

} // namespace quillo
