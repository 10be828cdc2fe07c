#pragma once

#include "core/browser/LibraryBrowser.h"
#include "core/import/ATextImporter.h"
#include "fakes/AppFixture.h"
#include "fakes/FakeDialogs.h"
#include "fakes/RecordingFileViewer.h"

#include <memory>
#include <string>

namespace quillo::testing {

/// The library window's logic over an in-memory library, with every platform piece faked.
class BrowserFixture : public AppFixture {
protected:
    BrowserEnvironment browserEnvironment() {
        return {*library, app, picker, paster, importer, fileViewer};
    }

    /// A plain snippet with that name and text, in the group when one is given.
    Snippet add(const std::string& name, std::optional<Uuid> groupID = std::nullopt,
                const std::string& text = "text") {
        return AppFixture::add(name, text, SnippetFormat::plain, groupID);
    }

    /// Counts one use of the snippet, a minute after the last thing the clock saw.
    void use(const Snippet& snippet) {
        clock.advance(std::chrono::minutes(1));
        library->recordUse(snippet.id);
    }

    FakeDialogs dialogs;
    RecordingFileViewer fileViewer;
    ATextImporter importer{{*library, clock, dialogs, data / "home"}};
};

} // namespace quillo::testing
