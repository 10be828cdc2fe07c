#pragma once

#include "SnippetRendering.h"
#include "core/model/Library.h"
#include "core/model/Snippet.h"
#include "core/platform/Accessibility.h"
#include "core/platform/Clock.h"
#include "core/platform/KeyPoster.h"
#include "core/platform/Pasteboard.h"
#include "core/platform/Scheduler.h"
#include "core/platform/Sound.h"
#include "core/platform/Workspace.h"
#include "core/text/Placeholders.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

/// What the paster works with.
struct PasterEnvironment {
    Pasteboard& pasteboard;
    KeyPoster& keyPoster;
    Workspace& workspace;
    Accessibility& accessibility;
    Sound& sound;
    Scheduler& scheduler;
    Clock& clock;
    Library& library;
};

/// Puts snippets on the clipboard and pastes them into the application in front, then
/// gives the user's clipboard back 0.8 s later. Main thread only.
class Paster {
public:
    explicit Paster(const PasterEnvironment& environment);
    Paster(const Paster&) = delete;
    Paster& operator=(const Paster&) = delete;

    static void configureShared(const PasterEnvironment& environment);
    static Paster& shared();

    /// The snippet with its placeholders filled in, now.
    RenderedSnippet render(const Snippet& snippet, const Placeholders::Values& values,
                           const std::optional<std::string>& clipboard) const;
    /// The same, with {{clipboard}} taken from the user's clipboard (the saved one while a
    /// paste of ours is still on the clipboard).
    RenderedSnippet render(const Snippet& snippet, const Placeholders::Values& values) const;

    /// Clears `pasteboard` and writes the snippet's flavours; `transient` marks them as
    /// content that clipboard histories should skip.
    static void write(const RenderedSnippet& rendered, Pasteboard& pasteboard, bool transient);

    /// Leaves the snippet on the clipboard and counts a use.
    void copy(const Snippet& snippet, const Placeholders::Values& values);
    /// Pastes the snippet into `target` (when it is still in front, pasting is allowed and
    /// the paste keys can be posted), else only copies it and beeps. Counts a use either way.
    void paste(const Snippet& snippet, const Placeholders::Values& values,
               const std::optional<ApplicationHandle>& target);
    /// Presses and releases a key in the application in front; false when it couldn't.
    bool tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags);

private:
    /// What a pending restore needs; shared with the scheduled restores, which do nothing
    /// once the paster is gone.
    struct State {
        /// The user's clipboard, waiting to be put back after our paste.
        std::optional<std::vector<PasteboardItem>> savedClipboard{};
        /// The change count right after our last paste was written.
        std::int64_t ownChangeCount = -1;
        /// One more for every paste; only the newest paste's restore acts.
        std::uint64_t restoreGeneration = 0;
    };

    /// True while the clipboard still holds our own last paste over a saved one.
    bool holdsOwnPaste() const;
    /// Leaves the snippet on the clipboard for good, counts the use and beeps.
    void copyOnly(const Snippet& snippet, const RenderedSnippet& rendered);
    static void restore(State& state, Pasteboard& pasteboard, std::uint64_t generation,
                        const std::vector<PasteboardItem>& saved);

    PasterEnvironment environment_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace quillo
