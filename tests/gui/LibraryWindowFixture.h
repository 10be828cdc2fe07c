#pragma once

#include "fakes/BrowserFixture.h"
#include "gui/library/LibraryWindow.h"
#include "gui/library/SidebarModel.h"
#include "gui/library/SidebarPane.h"
#include "gui/library/SnippetListModel.h"
#include "gui/library/SnippetListPane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <memory>
#include <ostream>

/// Qt's strings as text in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quillo::testing {

/// The library window over an in-memory library, with every platform piece faked.
class LibraryWindowFixture : public BrowserFixture {
protected:
    std::unique_ptr<LibraryWindow> makeWindow() {
        auto made = std::make_unique<LibraryWindow>(browserEnvironment());
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(made.get()));
        return made;
    }

    QListView* snippetList() const { return window->snippetList()->list(); }
    QListView* sidebarList() const { return window->sidebar()->list(); }

    /// The names the snippet list shows, top to bottom.
    QStringList listedNames() const {
        QStringList names;
        const QAbstractItemModel* model = snippetList()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.append(model->index(row, 0).data().toString());
        return names;
    }

    /// The sidebar's rows as "title count" ("All Snippets 3"), or the title alone.
    QStringList sidebarRows() const {
        QStringList rows;
        const QAbstractItemModel* model = sidebarList()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            const QVariant count = index.data(SidebarModel::CountRole);
            rows.append(index.data().toString() +
                        (count.isValid() ? " " + QString::number(count.toInt()) : QString()));
        }
        return rows;
    }

    /// The sidebar's row with that title; -1 when none has it.
    int sidebarRowTitled(const QString& title) const {
        const QAbstractItemModel* model = sidebarList()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data().toString() == title)
                return row;
        return -1;
    }

    /// Clicks a sidebar row by its title.
    void chooseSidebarRow(const QString& title) {
        const int row = sidebarRowTitled(title);
        ASSERT_GE(row, 0) << "no sidebar row " << title.toStdString();
        clickRow(sidebarList(), row);
    }

    static void clickRow(QListView* list, int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    /// The row of the snippet list showing that name; -1 when none does.
    int rowNamed(const QString& name) const { return listedNames().indexOf(name); }

    /// The action of a menu with that text (an ampersand-free match), or null.
    static QAction* action(QMenu& menu, const QString& text) {
        for (QAction* candidate : menu.actions())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }

    static QStringList actionTexts(const QMenu& menu) {
        QStringList texts;
        for (const QAction* each : menu.actions())
            texts.append(each->isSeparator() ? QStringLiteral("—") : each->text());
        return texts;
    }

    /// The button of a widget with that text, mnemonic marks aside.
    template <typename Widget> static QAbstractButton* button(Widget* widget, const QString& text) {
        for (QAbstractButton* candidate : widget->template findChildren<QAbstractButton*>())
            if (QString(candidate->text()).remove(QLatin1Char('&')) == text)
                return candidate;
        return nullptr;
    }

    static void settle() { QCoreApplication::processEvents(); }

    std::unique_ptr<LibraryWindow> window;
};

} // namespace quillo::testing
