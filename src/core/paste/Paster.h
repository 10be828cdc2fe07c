#pragma once

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

#include <optional>
#include <string>

namespace quillo {

/// A snippet made ready for the clipboard.
struct RenderedSnippet {
    std::string plain;
    /// Only for rich snippets: the rendered HTML fragment, without font families.
    std::optional<std::string> html{};
    friend bool operator==(const RenderedSnippet&, const RenderedSnippet&) = default;
};

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
    /// Pastes the snippet into `target` (when it is still in front and pasting is allowed),
    /// else only copies it and beeps. Counts a use either way.
    void paste(const Snippet& snippet, const Placeholders::Values& values,
               const std::optional<ApplicationHandle>& target);
    /// Presses and releases a key in the application in front.
    void tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags);

private:
    PasterEnvironment environment_;
};

} // namespace quillo
