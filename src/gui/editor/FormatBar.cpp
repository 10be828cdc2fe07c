#include "FormatBar.h"

#include "EditorIcons.h"
#include "core/platform/Clock.h"
#include "core/text/Placeholders.h"
#include "platform/QtTranslation.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <chrono>

namespace quillo {

namespace {

struct NamedColour {
    const char* name;
    const char* hex;
};
// The colour menu's colours.
constexpr NamedColour colours[] = {
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Gray"), "#6e6e73"},
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Red"), "#d70015"},
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Orange"), "#c93400"},
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Green"), "#248a3d"},
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Blue"), "#0040dd"},
    // TRANSLATORS: A colour of text, in the format bar's colour menu.
    {I18N_NOOP("Purple"), "#8944ab"}};

QColor colourOf(const char* hex) {
    const unsigned value = QString::fromLatin1(hex + 1).toUInt(nullptr, 16);
    return QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(18);
    line->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return line;
}

// Today's value of a date or time placeholder, for the menu's preview.
QString preview(const char* placeholder) {
    const auto now =
        std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
    return QString::fromStdString(Placeholders::render(placeholder, false, {}, std::nullopt, now));
}

} // namespace

FormatBar::FormatBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(2);

    richControls_ = new QWidget(this);
    auto* rich = new QHBoxLayout(richControls_);
    rich->setContentsMargins(0, 0, 0, 0);
    rich->setSpacing(2);
    const QWidget& self = *this;
    rich->addWidget(addButton("bold", EditorIcons::icon("format-text-bold", "B", self, true),
                              qi18n("Bold (Ctrl+B)")));
    rich->addWidget(addButton("italic",
                              EditorIcons::icon("format-text-italic", "I", self, false, true),
                              qi18n("Italic (Ctrl+I)")));
    rich->addWidget(addButton(
        "underline", EditorIcons::icon("format-text-underline", "U", self, false, false, true),
        qi18n("Underline (Ctrl+U)")));
    rich->addWidget(addButton(
        "strike",
        EditorIcons::icon("format-text-strikethrough", "S", self, false, false, false, true),
        qi18n("Strikethrough")));
    rich->addWidget(divider(richControls_));

    colourMenu_ = new QMenu(this);
    // TRANSLATORS: In the colour menu: the text's usual colour, dark or light with the theme.
    colourMenu_->addAction(qi18n("Automatic"), this,
                           [this] { emit command("color", std::nullopt); });
    colourMenu_->addSeparator();
    for (const NamedColour& colour : colours) {
        colourMenu_->addAction(
            EditorIcons::swatch(colourOf(colour.hex)), qi18n(colour.name), this,
            [this, hex = QString::fromLatin1(colour.hex)] { emit command("color", hex); });
    }
    rich->addWidget(addMenuButton(EditorIcons::icon("format-text-color", "A", self, true),
                                  qi18n("Text color"), colourMenu_));

    sizeMenu_ = new QMenu(this);
    const std::pair<const char*, std::optional<QString>> sizes[] = {
        // TRANSLATORS: Sizes of text, in the format bar's size menu.
        {I18N_NOOP("Small"), QStringLiteral("12px")},
        // TRANSLATORS: The text's usual size, in the format bar's size menu.
        {I18N_NOOP("Normal"), std::nullopt},
        // TRANSLATORS: A size of text, in the format bar's size menu.
        {I18N_NOOP("Large"), QStringLiteral("18px")},
        // TRANSLATORS: The largest size of text, in the format bar's size menu.
        {I18N_NOOP("Huge"), QStringLiteral("24px")}};
    for (const auto& [label, value] : sizes)
        sizeMenu_->addAction(qi18n(label), this,
                             [this, value = value] { emit command("size", value); });
    rich->addWidget(addMenuButton(EditorIcons::icon("format-font-size-more", "aA", self),
                                  qi18n("Text size"), sizeMenu_));
    rich->addWidget(divider(richControls_));

    rich->addWidget(addButton("ul", EditorIcons::icon("format-list-unordered", "•≡", self),
                              qi18n("Bulleted list")));
    rich->addWidget(addButton("ol", EditorIcons::icon("format-list-ordered", "1≡", self),
                              qi18n("Numbered list")));
    rich->addWidget(addButton("link", EditorIcons::icon("insert-link", "link", self),
                              qi18n("Link (Ctrl+K)"), [this] { emit linkRequested(); }));
    rich->addWidget(addButton("clear", EditorIcons::icon("format-text-clear", "T̸", self),
                              qi18n("Clear formatting")));
    layout->addWidget(richControls_);

    plainControls_ = new QWidget(this);
    auto* plain = new QHBoxLayout(plainControls_);
    plain->setContentsMargins(4, 0, 0, 0);
    auto* info = new QLabel(plainControls_);
    info->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    plainNote_ = new QLabel(
        qi18n("Plain text pastes with the formatting of wherever you paste it."), plainControls_);
    QPalette secondary = plainNote_->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    plainNote_->setPalette(secondary);
    plain->addWidget(info);
    plain->addWidget(plainNote_);
    layout->addWidget(plainControls_);
    layout->addStretch(1);

    insertMenu_ = new QMenu(this);
    connect(insertMenu_, &QMenu::aboutToShow, this, &FormatBar::rebuildInsertMenu);
    auto* insert = new QToolButton(this);
    // TRANSLATORS: Opens the menu of things to insert: dates, the clipboard, fields.
    insert->setText(qi18n("Insert"));
    insert->setIcon(EditorIcons::icon("code-context", "{}", self));
    insert->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    insert->setToolTip(qi18n("Insert a date, the clipboard, or a field you fill in when pasting"));
    insert->setPopupMode(QToolButton::InstantPopup);
    insert->setAutoRaise(true);
    insert->setMenu(insertMenu_);
    buttons_["insert"] = insert;
    layout->addWidget(insert);
    rebuildInsertMenu();
    setRich(true);
}

QToolButton* FormatBar::addButton(const QString& name, const QIcon& icon, const QString& help,
                                  std::function<void()> action) {
    auto* button = new QToolButton(richControls_);
    button->setIcon(icon);
    button->setToolTip(help);
    button->setAutoRaise(true);
    button->setFixedSize(28, 24);
    button->setIconSize(QSize(18, 18));
    button->setFocusPolicy(Qt::NoFocus); // the text keeps its selection
    // Lit, not toggled: what is lit follows the page's state, not the clicks.
    button->setCheckable(false);
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; border-radius: 6px; }"
                       "QToolButton[active=\"true\"] { background: rgba(128, 128, 128, 0.22); }"
                       "QToolButton:hover { background: rgba(128, 128, 128, 0.12); }"));
    if (!action)
        action = [this, name] { emit command(name, std::nullopt); };
    connect(button, &QToolButton::clicked, this, std::move(action));
    buttons_[name] = button;
    return button;
}

QToolButton* FormatBar::addMenuButton(const QIcon& icon, const QString& help, QMenu* menu) {
    auto* button = new QToolButton(richControls_);
    button->setIcon(icon);
    button->setToolTip(help);
    button->setAutoRaise(true);
    button->setFixedSize(28, 24);
    button->setIconSize(QSize(18, 18));
    button->setFocusPolicy(Qt::NoFocus);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 6px; }"
                                         "QToolButton::menu-indicator { image: none; }"));
    button->setMenu(menu);
    return button;
}

void FormatBar::setRich(bool rich) {
    richControls_->setVisible(rich);
    plainControls_->setVisible(!rich);
}

void FormatBar::setState(const FormatState& state) {
    const std::pair<const char*, bool> lit[] = {
        {"bold", state.bold},     {"italic", state.italic}, {"underline", state.underline},
        {"strike", state.strike}, {"ul", state.ul},         {"ol", state.ol},
        {"link", state.link}};
    for (const auto& [name, active] : lit) {
        QToolButton* button = buttons_.at(name);
        if (button->property("active").toBool() == active)
            continue;
        button->setProperty("active", active);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
}

void FormatBar::rebuildInsertMenu() {
    insertMenu_->clear();
    // TRANSLATORS: A section of the Insert menu, over the dates it inserts.
    insertMenu_->addSection(qi18n("Date"));
    const std::pair<const char*, const char*> dates[] = {
        // TRANSLATORS: In the Insert menu: the date written out long; %1 is today's date so.
        {I18N_NOOP("Long — %1"), "{{date}}"},
        // TRANSLATORS: In the Insert menu: the date in full, with the weekday; %1 is today's
        // date so.
        {I18N_NOOP("Full — %1"), "{{date:full}}"},
        // TRANSLATORS: In the Insert menu: the date in figures; %1 is today's date so.
        {I18N_NOOP("Short — %1"), "{{date:short}}"}};
    for (const auto& [label, placeholder] : dates)
        insertMenu_->addAction(
            qi18n(label).arg(preview(placeholder)), this,
            [this, text = QString::fromLatin1(placeholder)] { emit insertRequested(text); });
    // TRANSLATORS: A section of the Insert menu, over the time it inserts.
    insertMenu_->addSection(qi18n("Time"));
    // TRANSLATORS: In the Insert menu: the time of day; %1 is the time now.
    insertMenu_->addAction(qi18n("Time — %1").arg(preview("{{time}}")), this,
                           [this] { emit insertRequested(QStringLiteral("{{time}}")); });
    insertMenu_->addSeparator();
    insertMenu_->addAction(qi18n("Clipboard Contents"), this,
                           [this] { emit insertRequested(QStringLiteral("{{clipboard}}")); });
    insertMenu_->addAction(qi18n("Fill-in Field…"), this, &FormatBar::fieldRequested);
}

} // namespace quillo
