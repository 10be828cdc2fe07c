// The windows in German: the translated texts show, and the longer words still fit their
// widgets. Run as gui_tests_german, which asks for German; skipped in the English run.
#include "LibraryWindowFixture.h"
#include "core/util/Translation.h"
#include "fakes/SettingsFixture.h"
#include "gui/TrayMenu.h"
#include "gui/library/DetailPane.h"
#include "gui/library/MessageView.h"
#include "gui/library/StatusCard.h"
#include "gui/picker/FieldsFace.h"
#include "gui/picker/KeyHintFooter.h"
#include "gui/picker/PickerView.h"
#include "gui/picker/PreviewPane.h"
#include "gui/picker/SearchFace.h"
#include "gui/settings/SettingsWindow.h"
#include "platform/QtTranslation.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>
#include <gmock/gmock.h>

namespace quillo {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

/// With QUILLO_TEST_SCREENSHOTS set to a folder, a picture there of each window and menu
/// checked, for a translator's eye.
void keepPicture(QWidget& widget, QString name) {
    if (const QString folder = qEnvironmentVariable("QUILLO_TEST_SCREENSHOTS"); !folder.isEmpty())
        widget.grab().save(folder + '/' + name.remove('&') + ".png");
}

/// Notes the text when it needs more room than its widget has.
void need(QStringList& found, const QWidget* widget, const QString& text, int needed, int has) {
    if (needed > has)
        found << QString::asprintf("%s “%s” needs %d px, has %d", widget->metaObject()->className(),
                                   qPrintable(text), needed, has);
}

/// Each visible text of the window that is cut off, as "QPushButton “text” needs 120 px,
/// has 100".
QStringList cutOff(QWidget& window, const QString& name) {
    keepPicture(window, name);
    QStringList found;
    // ElidedLabel, no QLabel, is left out: it shortens its text by design, as do the rows
    // that item views draw.
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->wordWrap())
                need(found, label, label->text(), label->heightForWidth(label->width()),
                     label->height());
            else if (!label->text().isEmpty())
                need(found, label, label->text(), label->sizeHint().width(), label->width());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            // A tool button showing only its icon keeps its text for screen readers.
            const auto* tool = qobject_cast<const QToolButton*>(button);
            if (!button->text().isEmpty() &&
                (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly))
                need(found, button, button->text(), button->sizeHint().width(), button->width());
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            // The text area: inside the frame and the margins, less the edit's own 2 px a side.
            const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            const QMargins margins = edit->textMargins();
            need(found, edit, edit->placeholderText(),
                 edit->fontMetrics().horizontalAdvance(edit->placeholderText()) + 4,
                 edit->width() - 2 * frame - margins.left() - margins.right());
        }
    }
    return found;
}

/// The items of the menu, and of its submenus, that the menu draws narrower than they are.
QStringList cutOff(QMenu& menu) {
    menu.popup(QPoint(0, 0));
    keepPicture(menu, "menu " + (menu.title().isEmpty() ? "tray" : menu.title()));
    QStringList found;
    for (QAction* action : menu.actions()) {
        const QString text = QString(action->text()).replace("&&", "&");
        const QString keys = action->shortcut().toString(QKeySequence::NativeText);
        const QRect drawn = menu.actionGeometry(action);
        need(found, &menu, text + ' ' + keys,
             menu.fontMetrics().horizontalAdvance(text + ' ' + keys),
             std::min(drawn.width(), menu.width() - drawn.left()));
        if (action->menu() != nullptr)
            found << cutOff(*action->menu());
    }
    menu.hide();
    return found;
}

bool germanRun() {
    return qEnvironmentVariableIsSet("QUILLO_TEST_GERMAN");
}

/// Quillo's catalogs from the build tree, and Qt's own German, bound before any window is
/// built. Only the German run translates: the others check the English texts, whatever
/// language the user's own environment asks for.
struct GermanCatalogs final : ::testing::Environment {
    void SetUp() override {
        if (germanRun()) {
            Translation::setUp(QUILLO_CATALOG_FOLDER);
            loadQtTranslations();
        }
    }
};
[[maybe_unused]] const auto* const catalogs =
    ::testing::AddGlobalTestEnvironment(new GermanCatalogs);

/// A fixture of the English tests that skips unless the run asks for German.
template <typename Fixture> class InGerman : public Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        if (!germanRun())
            GTEST_SKIP() << "German is checked by gui_tests_german";
    }
};

using GermanWindows = InGerman<testing::LibraryWindowFixture>;
using GermanSettingsWindow = InGerman<testing::SettingsFixture>;

TEST_F(GermanWindows, EmptyLibraryAndMenusFitAtEverySize) {
    window = makeWindow();
    const MessageView* empty = window->detail()->emptyLibrary();
    EXPECT_EQ(empty->title(), "Noch keine Textbausteine");
    EXPECT_EQ(empty->description(),
              "Schreiben Sie Ihre erste Antwort oder übernehmen Sie alles aus aText.");
    EXPECT_NE(button(empty, "Neuer Textbaustein"), nullptr);
    EXPECT_EQ(window->sidebar()->statusCard()->readyLabel()->text(),
              "Bereit · Strg+Alt+Leertaste zum Einfügen");
    EXPECT_THAT(cutOff(*window, "library"), IsEmpty());
    window->resize(window->minimumSize());
    settle();
    EXPECT_THAT(cutOff(*window, "library-smallest"), IsEmpty());

    for (QMenu* menu : window->menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        EXPECT_THAT(cutOff(*menu), IsEmpty()) << menu->title().toStdString();
}

TEST_F(GermanWindows, TrayMenuNamesItsCommandsAndShortcutsInGerman) {
    add("Grüße & Dank");
    MenuModel model{{*library, app, picker, paster, workspace, scheduler, shell}};
    TrayMenu tray(model);
    emit tray.menu().aboutToShow();
    EXPECT_THAT(actionTexts(tray.menu()),
                ElementsAre("Textbaustein einfügen…  Strg+Alt+Leertaste", "—", "Ohne Gruppe", "—",
                            "Bibliothek öffnen…", "Einstellungen…", "—", "Quillo beenden"));
    EXPECT_EQ(action(tray.menu(), "Einstellungen…")->shortcut().toString(QKeySequence::NativeText),
              "Strg+,");
    EXPECT_THAT(cutOff(tray.menu()), IsEmpty());
}

TEST_F(GermanWindows, PickerFooterAndFillInFormFit) {
    const Snippet form = add("Antwort auf eine Reklamation", std::nullopt,
                             "Sehr geehrte {{field:Anrede|Damen und Herren}}, Ihre "
                             "{{field:Bestellnummer}} … {{clipboard}}");
    picker.showSearch();
    PickerView view(picker, *library, clock);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.searchFace()->searchField()->placeholderText(), "Textbausteine suchen");
    EXPECT_THAT(view.footer()->texts(),
                ElementsAre("Eingabe", "Einfügen", "Alt+Eingabe", "Kopieren", "Strg+E",
                            "Bearbeiten", "Esc", "Schließen"));
    EXPECT_THAT(cutOff(view, "picker"), IsEmpty());

    picker.showFields(form, false, std::nullopt);
    settle();
    EXPECT_THAT(view.footer()->texts(),
                ElementsAre("Tab", "Nächstes Feld", "Eingabe", "Einfügen", _, "Schließen"));
    EXPECT_TRUE(view.fieldsFace()->preview()->text().contains("‹Zwischenablage›"));
    EXPECT_THAT(cutOff(view, "picker-fields"), IsEmpty());
}

TEST_F(GermanSettingsWindow, EveryRowFitsWithAllItCanShow) {
    hotKey.registerShortcut(app.shortcut());
    accessibility.trusted = false;
    app.startMonitoringPermission();
    scheduler.advance(AppState::permissionPollInterval);
    putBackup("heute.atext", "one-snippet.atext");
    service.desktopSetUp = false;
    SettingsWindow window(settingsEnvironment());
    window.present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "Quillo-Einstellungen");
    QStringList buttons;
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        buttons << button->text();
    EXPECT_THAT(buttons, ::testing::IsSupersetOf({"Strg+Alt+Leertaste", "Erlauben…",
                                                  "Neueste Sicherung importieren",
                                                  "Bei der Anmeldung öffnen"}));
    EXPECT_THAT(cutOff(window, "settings"), IsEmpty());
}

} // namespace
} // namespace quillo
