#pragma once

#include "QtPickerPanel.h"
#include "core/platform/Accessibility.h"
#include "core/platform/Dialogs.h"
#include "core/platform/FileViewer.h"
#include "core/platform/FolderWatcher.h"
#include "core/platform/HotKeyService.h"
#include "core/platform/KeyPoster.h"
#include "core/platform/LoginItem.h"
#include "core/platform/Pasteboard.h"
#include "core/platform/Scheduler.h"
#include "core/platform/SessionBackends.h"
#include "core/platform/SettingsStore.h"
#include "core/platform/Sound.h"
#include "core/platform/Workspace.h"

#include <memory>

namespace quillo {

/// The platform's side of every seam, for the session the program runs in, each chosen by
/// what the session offers; stand-ins that copy instead of pasting where it offers nothing.
struct DesktopServices {
    SessionBackends backends;
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<Sound> sound;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<LoginItem> loginItem;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<Accessibility> accessibility;
    std::unique_ptr<KeyPoster> keyPoster;
    std::unique_ptr<HotKeyService> hotKeys;
    std::unique_ptr<FileViewer> fileViewer;
    std::unique_ptr<FolderWatcher> folderWatcher;
    std::unique_ptr<QtPickerPanel> pickerPanel;
};

/// Made once the QApplication exists. Whatever the Wayland implementations share (their own
/// connection to the compositor) lives as long as they do.
DesktopServices makeDesktopServices();

} // namespace quillo
