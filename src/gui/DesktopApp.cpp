#include "DesktopApp.h"

#include "LibraryEditor.h"
#include "core/app/ImportCommand.h"
#include "core/app/StartUp.h"
#include "core/hotkey/HotKey.h"
#include "core/import/ATextImporter.h"
#include "core/model/Library.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "core/platform/DataFolder.h"
#include "core/util/FreedMemory.h"
#include "editor/RichEditorModule.h"
#include "editor/WebEngineSetup.h"
#include "library/LibraryWindow.h"
#include "picker/PickerView.h"
#include "settings/SettingsWindow.h"

#include <QCoreApplication>
#include <QOpenGLWidget>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace quillo {

namespace {

// The performance report measures start-up from the moment it starts the program to the
// one written here, on the same clock.
void markStartedWhenAsked() {
    const char* path = std::getenv("QUILLO_STARTUP_MARK");
    if (path == nullptr || *path == '\0')
        return;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::ofstream(path) << now.tv_sec * 1'000'000'000LL + now.tv_nsec << '\n';
}

} // namespace

DesktopApp::DesktopApp(bool launchedAtLogin, bool opensSettings, bool opensPicker, QObject* parent)
    : QObject(parent), launchedAtLogin_(launchedAtLogin), opensSettings_(opensSettings),
      opensPicker_(opensPicker), services_(makeDesktopServices()),
      server_([this](const InstanceRequest& request) { return handle(request); }) {}

DesktopApp::~DesktopApp() {
    // Before the services they use go.
    delete settingsWindow_.data();
    delete libraryWindow_.data();
}

bool DesktopApp::start() {
    if (const std::optional<std::string> problem = server_.listen()) {
        log_.write("Quillo: " + *problem);
        return false;
    }
    Library::configureShared(
        {clock_, *services_.scheduler, log_, userDataFolder(), services_.folderWatcher.get()});
    Paster::configureShared({*services_.pasteboard, *services_.keyPoster, *services_.workspace,
                             *services_.accessibility, *services_.sound, *services_.scheduler,
                             clock_, Library::shared()});
    HotKey::configureShared(*services_.hotKeys, *services_.scheduler, log_);
    PickerModel::configureShared({Library::shared(), Paster::shared(), *services_.workspace,
                                  *services_.sound, *services_.scheduler, panel_, keyMonitor_});
    panel_.setContentFactory(
        [this] { return new PickerView(PickerModel::shared(), Library::shared(), clock_); });
    // The blank list is ready for the first shortcut; the view is made then.
    PickerModel::shared().results();
    // Another window took the keyboard: the picker closes, as when it loses key status.
    panel_.setResignedHandler([] { PickerModel::shared().close(); });
    AppState::configureShared({*services_.accessibility, *services_.scheduler, HotKey::shared(),
                               *services_.settings, *this});
    StartUp::start({HotKey::shared(), PickerModel::shared(), AppState::shared(),
                    *services_.settings, *services_.loginItem});

    menuModel_ = std::make_unique<MenuModel>(
        MenuEnvironment{Library::shared(), AppState::shared(), PickerModel::shared(),
                        Paster::shared(), *services_.workspace, *services_.scheduler, *this});
    tray_ = std::make_unique<TrayMenu>(*menuModel_);
    if (!tray_->show())
        log_.write("Quillo: this desktop shows no tray icons; the shortcut still opens the "
                   "picker.");
    importer_ = std::make_unique<ATextImporter>(
        ImportEnvironment{Library::shared(), clock_, *services_.dialogs, userHomeFolder()});
    // Held from the start, as the tray is there from the start: "Open Library…" and the
    // picker can open the window also after a start at login.
    AppState::shared().openLibrary = [this] { showLibraryWindow(); };
    editorFactory_ = [this](QWidget* parent) -> DetailEditor* {
        return new LibraryEditor({Library::shared(), Paster::shared(), PickerModel::shared(),
                                  AppState::shared(), clock_, log_,
                                  [this] { return loadRichEditor(editorPageFolder(), log_); }},
                                 parent);
    };
    if (opensSettings_)
        openSettings();
    else if (opensPicker_)
        PickerModel::shared().showSearch();
    else if (!launchedAtLogin_)
        showLibraryWindow();
    connect(qApp, &QCoreApplication::aboutToQuit, this, [] { StartUp::quit(Library::shared()); });
    // Reading the library file took several times its size, now free: the program spends
    // most of its life idle in the tray, so the system gets it back.
    returnFreedMemory();
    // After the first turn: the tray icon is shown and the shortcut registered by then.
    QTimer::singleShot(0, this, markStartedWhenAsked);
    return true;
}

void DesktopApp::activate() {
    showLibraryWindow();
}

void DesktopApp::showLibraryWindow() {
    // A hidden window was closed and is on its way out: a new one takes its place.
    if (!libraryWindow_ || libraryWindow_->isHidden()) {
        // Before the window's first OpenGL context, so its editor's page can be shown in it.
        shareOpenGLContexts();
        libraryWindow_ =
            new LibraryWindow({Library::shared(), AppState::shared(), PickerModel::shared(),
                               Paster::shared(), *importer_, *services_.fileViewer});
        libraryWindow_->setAttribute(Qt::WA_DeleteOnClose);
        // The rich editor's web view draws through OpenGL. A window without such a child
        // is made anew when the first one appears, and keys typed meanwhile are lost; this
        // hidden one has the window made for OpenGL from the start.
        (new QOpenGLWidget(libraryWindow_))->hide();
        if (editorFactory_)
            libraryWindow_->setEditorFactory(editorFactory_);
        connect(libraryWindow_, &LibraryWindow::settingsRequested, this, &DesktopApp::openSettings);
    }
    libraryWindow_->setWindowState(libraryWindow_->windowState() & ~Qt::WindowMinimized);
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
}

void DesktopApp::openSettings() {
    if (!settingsWindow_ || settingsWindow_->isHidden()) {
        settingsWindow_ = new SettingsWindow(
            {AppState::shared(), HotKey::shared(), shortcutKeyMonitor_, *services_.sound,
             *services_.loginItem, *importer_, Library::shared(), *services_.fileViewer, log_});
        settingsWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    settingsWindow_->present();
}

void DesktopApp::quit() {
    QCoreApplication::quit();
}

InstanceReply DesktopApp::handle(const InstanceRequest& request) {
    // A request with nothing to report is answered first, so the launch that brought it
    // ends at once, and a key binding's process is gone before the window is up.
    switch (request.kind) {
    case InstanceRequest::Kind::show:
        QTimer::singleShot(0, this, [] { AppState::shared().showLibrary(); });
        return {};
    case InstanceRequest::Kind::settings:
        QTimer::singleShot(0, this, [this] { openSettings(); });
        return {};
    case InstanceRequest::Kind::picker:
        // The desktop's token for this press lets the picker's window take the focus.
        if (!request.argument.empty())
            qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(request.argument));
        QTimer::singleShot(0, this, [] { PickerModel::shared().toggle(); });
        return {};
    case InstanceRequest::Kind::importBackup:
        return importBackup(request.argument);
    case InstanceRequest::Kind::paste: {
        const Placeholders::Values values(request.values.begin(), request.values.end());
        if (auto problem = menuModel_->pasteByCommand(request.argument, values))
            return {1, "", "quillo: " + *problem + "\n"};
        return {};
    }
    }
    return {};
}

InstanceReply DesktopApp::importBackup(const std::string& path) {
    ATextImporter importer({Library::shared(), clock_, *services_.dialogs, userHomeFolder()});
    const ImportReport report = importAndSave(importer, Library::shared(), path);
    return {report.status, report.line + "\n", ""};
}

} // namespace quillo
