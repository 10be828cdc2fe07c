#include "SettingsWindow.h"

#include "gui/library/LibraryLook.h"
#include "gui/library/LibrarySymbols.h"
#include "platform/QtTranslation.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int shortcutButtonMinimumWidth = 120;
constexpr int symbolSize = 16;

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

/// A green the palette's text stays readable beside, light or dark.
QColor allowedColour(const QPalette& palette) {
    return LibraryLook::isDark(palette) ? QColor(48, 209, 88) : QColor(36, 138, 61);
}

QPixmap checkmark(const QWidget& widget) {
    const qreal ratio = widget.devicePixelRatioF();
    QPixmap pixmap(QSize(symbolSize, symbolSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    LibraryLook::drawSymbol(painter, LibraryLook::Symbol::ready,
                            QRectF(0, 0, symbolSize, symbolSize), allowedColour(widget.palette()));
    return pixmap;
}

/// A section of the form: a group with an optional header, holding labelled rows.
struct Section {
    QGroupBox* box;
    QGridLayout* grid;

    explicit Section(const QString& header)
        : box(new QGroupBox(header)), grid(new QGridLayout(box)) {
        grid->setColumnStretch(0, 1);
        grid->setHorizontalSpacing(12);
    }

    /// A label on the left, its control on the right. Each row divides its width by itself,
    /// so that a long label in one row leaves another row's wide control its room.
    void addRow(const QString& label, QWidget* control) const {
        auto* name = new QLabel(label);
        name->setBuddy(control);
        auto* row = new QHBoxLayout;
        row->setSpacing(grid->horizontalSpacing());
        row->addWidget(name, 1);
        row->addWidget(control);
        grid->addLayout(row, grid->rowCount(), 0, 1, 2);
    }

    /// A widget across the whole width.
    void addWide(QWidget* widget, Qt::Alignment alignment = {}) const {
        grid->addWidget(widget, grid->rowCount(), 0, 1, 2, alignment);
    }
};

/// A row of controls side by side, without margins of its own; `widget` holds it.
QHBoxLayout* rowIn(QWidget* widget, int spacing = -1) {
    auto* row = new QHBoxLayout(widget);
    row->setContentsMargins(0, 0, 0, 0);
    if (spacing >= 0)
        row->setSpacing(spacing);
    return row;
}

/// Small explanatory text under a row.
QLabel* caption(const QColor& colour, const QWidget& window) {
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setFont(LibraryLook::caption(window.font()));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

SettingsWindow::SettingsWindow(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Window), environment_(environment), model_(environment) {
    setWindowTitle(qi18n("Quillo Settings"));
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize); // grows to fit what it shows
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addWidget(makeShortcutSection());
    column->addWidget(makePermissionSection());
    column->addWidget(makeLibrarySection());
    for (QGroupBox* section : findChildren<QGroupBox*>())
        section->setFixedWidth(fixedWidth - column->contentsMargins().left() -
                               column->contentsMargins().right());

    auto* closeWindow = new QAction(this);
    closeWindow->setShortcut(QKeySequence::Close);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);
    addAction(closeWindow);
    // The keyboard starts on the shortcut: Space records a new one.
    shortcutButton_->setFocus();

    modelObserver_ = model_.addObserver([this] { render(); });
    render();
}

SettingsWindow::~SettingsWindow() {
    model_.removeObserver(modelObserver_);
}

QWidget* SettingsWindow::makeShortcutSection() {
    const Section section{QString()};
    shortcutButton_ = new QPushButton;
    shortcutButton_->setMinimumWidth(shortcutButtonMinimumWidth);
    shortcutButton_->setCheckable(true);
    connect(shortcutButton_, &QPushButton::clicked, this, [this] { model_.toggleRecording(); });
    // TRANSLATORS: The label of the button that shows and records the keyboard shortcut that
    // opens the picker.
    section.addRow(qi18n("Insert snippet"), shortcutButton_);

    shortcutProblem_ = caption(LibraryLook::warning(palette()), *this);
    section.addWide(shortcutProblem_);

    // Desktops that forget the shortcut when they reload keep it with a line of the user's.
    configurationHint_ = caption(LibraryLook::secondary(palette()), *this);
    configurationHint_->setText(qi18n(
        "To keep the shortcut when the desktop reloads its configuration, add this line to it:"));
    section.addWide(configurationHint_);
    auto* lineRow = new QWidget;
    QHBoxLayout* lineLayout = rowIn(lineRow);
    configurationLine_ = new QLineEdit;
    configurationLine_->setReadOnly(true);
    lineLayout->addWidget(configurationLine_, 1);
    // TRANSLATORS: Copies the line of the desktop's configuration to the clipboard.
    auto* copyLine = new QPushButton(qi18n("Copy"));
    connect(copyLine, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(configurationLine_->text()); });
    lineLayout->addWidget(copyLine);
    configurationRow_ = lineRow;
    section.addWide(lineRow);

    // Desktops that choose the combination in a dialog of their own say which they chose.
    desktopTrigger_ = caption(LibraryLook::secondary(palette()), *this);
    section.addWide(desktopTrigger_);
    // Desktops that run the shortcut themselves (GNOME) get it added with the user's consent.
    desktopSetUpHint_ = caption(LibraryLook::secondary(palette()), *this);
    section.addWide(desktopSetUpHint_);
    desktopSetUpButton_ = new QPushButton;
    connect(desktopSetUpButton_, &QPushButton::clicked, this, [this] {
        environment_.app.setShortcutInDesktop(!environment_.hotKey.service().isSetUpInDesktop());
    });
    section.addWide(desktopSetUpButton_, Qt::AlignLeft);

    openAtLogin_ = new QCheckBox(qi18n("Open at login"));
    connect(openAtLogin_, &QCheckBox::toggled, this,
            [this](bool checked) { model_.setOpenAtLogin(checked); });
    section.addWide(openAtLogin_, Qt::AlignLeft);
    return section.box;
}

QWidget* SettingsWindow::makePermissionSection() {
    // TRANSLATORS: The heading of the settings about the permission to paste into other apps.
    const Section section{qi18n("Permission")};
    auto* status = new QWidget;
    QHBoxLayout* statusRow = rowIn(status);

    allowed_ = new QWidget;
    QHBoxLayout* allowedRow = rowIn(allowed_, 5);
    auto* mark = new QLabel;
    mark->setPixmap(checkmark(*this));
    allowedRow->addWidget(mark);
    // TRANSLATORS: Says that the permission to paste into other apps was given.
    allowedRow->addWidget(new QLabel(qi18n("Allowed")));
    statusRow->addWidget(allowed_);

    allowButton_ = new QPushButton(qi18n("Allow…"));
    connect(allowButton_, &QPushButton::clicked, this,
            [this] { environment_.app.requestAccessibility(); });
    statusRow->addWidget(allowButton_);
    // TRANSLATORS: The permission that lets Quillo type into other apps.
    section.addRow(qi18n("Accessibility"), status);

    QLabel* explanation = caption(LibraryLook::secondary(palette()), *this);
    explanation->setText(
        qi18n("Needed to paste a response straight into the app you are in. Without it, "
              "responses are copied to the clipboard for you to paste."));
    section.addWide(explanation);
    pastingStatus_ = caption(LibraryLook::secondary(palette()), *this);
    section.addWide(pastingStatus_);
    return section.box;
}

QWidget* SettingsWindow::makeLibrarySection() {
    // TRANSLATORS: The heading of the settings about the library of snippets.
    const Section section{qi18n("Library")};
    auto* buttons = new QWidget;
    QHBoxLayout* buttonRow = rowIn(buttons);
    importLatestButton_ = new QPushButton(qi18n("Import Latest Backup"));
    connect(importLatestButton_, &QPushButton::clicked, this,
            [this] { model_.importLatestBackup(); });
    buttonRow->addWidget(importLatestButton_);
    chooseFileButton_ = new QPushButton(qi18n("Choose File…"));
    connect(chooseFileButton_, &QPushButton::clicked, this, [this] { model_.chooseBackup(); });
    buttonRow->addWidget(chooseFileButton_);
    // The name of the program whose backups are imported, the same in every language.
    section.addRow(QStringLiteral("aText"), buttons);

    importMessage_ = caption(LibraryLook::secondary(palette()), *this);
    section.addWide(importMessage_);

    showFileButton_ = new QPushButton(qi18n("Show in File Manager"));
    connect(showFileButton_, &QPushButton::clicked, this, [this] { model_.showLibraryFile(); });
    section.addRow(qi18n("Library file"), showFileButton_);
    return section.box;
}

void SettingsWindow::render() {
    shortcutButton_->setText(text(model_.shortcutTitle()));
    shortcutButton_->setChecked(model_.recording());

    const auto& problem = environment_.app.shortcutProblem();
    shortcutProblem_->setText(problem ? text(*problem) : QString());
    shortcutProblem_->setVisible(problem.has_value());

    const std::string line = environment_.hotKey.configurationLine();
    configurationLine_->setText(text(line));
    configurationLine_->setCursorPosition(0);
    configurationHint_->setVisible(!line.empty());
    configurationRow_->setVisible(!line.empty());

    const HotKeyService& service = environment_.hotKey.service();
    const std::string trigger = service.desktopTrigger();
    // TRANSLATORS: %1 is the key combination the desktop chose for the shortcut, such as
    // Ctrl+Alt+Space.
    desktopTrigger_->setText(qi18n("The desktop runs the shortcut as %1.").arg(text(trigger)));
    desktopTrigger_->setVisible(!trigger.empty());
    const bool offered = service.offersDesktopSetUp();
    const bool setUp = offered && service.isSetUpInDesktop();
    desktopSetUpHint_->setText(
        // TRANSLATORS: “Quillo” is the shortcut's name among the desktop's own, which stays
        // as it is.
        setUp ? qi18n("The shortcut is among the desktop’s keyboard shortcuts, as “Quillo”.")
              : qi18n("This desktop runs global shortcuts itself. Adding the shortcut to its "
                      "keyboard shortcuts lets it open the picker from any app."));
    desktopSetUpButton_->setText(setUp ? qi18n("Remove from Desktop Shortcuts")
                                       : qi18n("Add to Desktop Shortcuts"));
    desktopSetUpHint_->setVisible(offered);
    desktopSetUpButton_->setVisible(offered);

    // Set quietly: only the user's own changes are carried out.
    const QSignalBlocker quiet(openAtLogin_);
    openAtLogin_->setChecked(model_.openAtLogin());

    const bool trusted = environment_.app.accessibilityTrusted();
    allowed_->setVisible(trusted);
    allowButton_->setVisible(!trusted);
    const std::string status = environment_.app.pastingStatus();
    pastingStatus_->setText(text(status));
    pastingStatus_->setVisible(!status.empty());

    importLatestButton_->setVisible(model_.offersLatestBackup());
    const auto& message = model_.importMessage();
    importMessage_->setText(message ? text(*message) : QString());
    importMessage_->setVisible(message.has_value());
}

void SettingsWindow::present() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void SettingsWindow::changeEvent(QEvent* event) {
    // A backup aText made while the window stood open is offered when the user comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        render();
    QWidget::changeEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    model_.stopRecording();
    QWidget::closeEvent(event);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    model_.stopRecording();
    QWidget::hideEvent(event);
}

} // namespace quillo
