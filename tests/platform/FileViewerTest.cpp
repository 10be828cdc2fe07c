// Showing the library's folder through FileManager1 on a private bus, or by opening the folder.
#include "fakes/TempFolder.h"
#include "platform/DBusFileViewer.h"
#include "platform/PrivatePortalBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>

namespace quillo {
namespace {

/// Stands in for a file manager on the bus, remembering what it was asked to show.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startupId;

public slots:
    void ShowItems(const QStringList& uris, const QString& startup) {
        shown += uris;
        startupId = startup;
    }
};

/// Receives the URLs the desktop was asked to open.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TEST(DBusFileViewer, asksTheFileManagerToSelectTheItem) {
    testing::PrivatePortalBus bus;
    if (!bus.start())
        GTEST_SKIP() << "no dbus-daemon to run a private bus";
    QDBusConnection managerBus = bus.portal();
    FakeFileManager manager;
    ASSERT_TRUE(managerBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(managerBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    testing::TempFolder folder;
    const std::filesystem::path item = folder / "My Library" / "Quillo";
    std::filesystem::create_directories(item);
    UrlCatcher desktop;
    DBusFileViewer viewer(bus.client());
    viewer.reveal(item);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(QString::fromStdString(item.string()))
                                             .toString(QUrl::FullyEncoded)});
    EXPECT_TRUE(manager.shown.first().contains(QStringLiteral("My%20Library")));
    EXPECT_EQ(manager.startupId, QString());
    QCoreApplication::processEvents();
    EXPECT_TRUE(desktop.opened.isEmpty()) << "no folder opened as well";
}

TEST(DBusFileViewer, opensTheFolderItselfOrTheOneHoldingAFileWhenNoFileManagerAnswers) {
    testing::TempFolder folder;
    const std::filesystem::path file = folder / "library.json";
    std::ofstream(file) << "{}";
    EXPECT_EQ(DBusFileViewer::fallbackFolder(folder.path()), folder.path());
    EXPECT_EQ(DBusFileViewer::fallbackFolder(file), folder.path());
    EXPECT_EQ(DBusFileViewer::fallbackFolder(folder / "gone" / "Quillo"), folder / "gone");

    UrlCatcher desktop;
    {
        testing::PrivatePortalBus bus;
        if (!bus.start())
            GTEST_SKIP() << "no dbus-daemon to run a private bus";
        DBusFileViewer viewer(bus.client());
        viewer.reveal(folder.path());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.opened.isEmpty(); }));
        EXPECT_EQ(desktop.opened,
                  QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(folder.path().string()))});
    }

    // Without any bus at all, at once.
    desktop.opened.clear();
    DBusFileViewer offline(QDBusConnection(QStringLiteral("never connected")));
    offline.reveal(folder / "library.json");
    EXPECT_EQ(desktop.opened,
              QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(folder.path().string()))});
}

} // namespace
} // namespace quillo

#include "FileViewerTest.moc"
