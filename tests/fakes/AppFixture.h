#pragma once

#include "core/app/AppState.h"
#include "core/hotkey/HotKey.h"
#include "core/paste/Paster.h"
#include "core/picker/PickerModel.h"
#include "fakes/CountingSound.h"
#include "fakes/FakeAccessibility.h"
#include "fakes/FakeApplicationShell.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakePickerPanel.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeWorkspace.h"
#include "fakes/LibraryFixture.h"
#include "fakes/RecordingKeyPoster.h"

#include <memory>

namespace quillo::testing {

/// The desktop program's core over an in-memory library, with every platform piece faked
/// and `editor` in front.
class AppFixture : public LibraryTest {
protected:
    AppFixture() { workspace.frontmost = editor; }

    /// A snippet in the library with that name, text and format, in the group when one is given.
    Snippet add(const std::string& name, const std::string& text,
                SnippetFormat format = SnippetFormat::plain,
                std::optional<Uuid> groupID = std::nullopt) {
        Snippet snippet = library->addSnippet(groupID);
        snippet.name = name;
        snippet.text = text;
        snippet.format = format;
        library->update(snippet);
        return *library->snippet(snippet.id);
    }

    AppStateEnvironment appEnvironment() {
        return {accessibility, scheduler, hotKey, settings, shell};
    }

    const ApplicationHandle editor{.window = 42, .processID = 4242, .windowClass = "gedit"};
    const ApplicationHandle terminal{.window = 9, .processID = 99, .windowClass = "xterm"};
    std::unique_ptr<Library> library = open(false);
    FakePasteboard pasteboard;
    RecordingKeyPoster keys;
    FakeWorkspace workspace;
    FakeAccessibility accessibility;
    CountingSound sound;
    FakePickerPanel panel;
    FakeKeyMonitor monitor;
    Paster paster{{pasteboard, keys, workspace, accessibility, sound, scheduler, clock, *library}};
    PickerModel picker{{*library, paster, workspace, sound, scheduler, panel, monitor}};
    FakeHotKeyService service;
    HotKey hotKey{service, scheduler, log};
    FakeSettingsStore settings;
    FakeApplicationShell shell;
    AppState app{appEnvironment()};
};

} // namespace quillo::testing
