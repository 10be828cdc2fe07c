#pragma once

#include "core/app/SettingsModel.h"
#include "core/import/ATextImporter.h"
#include "fakes/AppFixture.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/GeneratedBackups.h"
#include "fakes/RecordingFileViewer.h"
#include "fakes/TempFolder.h"

#include <filesystem>
#include <string>

namespace quillo::testing {

/// The program's core with fakes, plus what the settings window works with.
class SettingsFixture : public AppFixture {
protected:
    /// The K key's code.
    static constexpr std::uint16_t keyK = 40;
    /// Control+Option+Space, the shortcut until the test records another.
    static constexpr FakeHotKeyService::Combination defaultCombination{
        49, ShortcutModifier::control | ShortcutModifier::option};

    SettingsEnvironment settingsEnvironment() {
        return {app, hotKey, recorderKeys, sound, loginItem, importer, *library, fileViewer, log};
    }

    /// Puts one of the generator's backups into aText's backups folder under `name`.
    void putBackup(const std::string& name, const std::string& generated) {
        const std::filesystem::path target = ATextImporter::backupsFolder(home.path()) / name;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(generatedBackup(generated), target,
                                   std::filesystem::copy_options::overwrite_existing);
    }

    FakeLoginItem loginItem;
    FakeDialogs dialogs;
    TempFolder home;
    ATextImporter importer{ImportEnvironment{*library, clock, dialogs, home.path()}};
    RecordingFileViewer fileViewer;
    /// The settings window's monitor, apart from the picker's.
    FakeKeyMonitor recorderKeys;
};

} // namespace quillo::testing
