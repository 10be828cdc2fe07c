#include "Paster.h"

#include "core/platform/KeyEvent.h"
#include "core/text/HTMLText.h"
#include "core/text/Rtf.h"

#include <chrono>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

namespace quillo {

namespace {

constexpr std::chrono::milliseconds restoreDelay{800};

std::optional<PasterEnvironment>& sharedEnvironment() {
    static std::optional<PasterEnvironment> environment;
    return environment;
}

/// The item's plain text: the UTF-8 flavour, else the bare plain-text type other
/// programs may offer alone.
std::optional<std::string> plainStringOf(const PasteboardItem& item) {
    for (const char* wanted : {PasteboardType::plainText, "text/plain"})
        for (const auto& [type, data] : item.data)
            if (type == wanted)
                return data;
    return std::nullopt;
}

} // namespace

Paster::Paster(const PasterEnvironment& environment) : environment_(environment) {}

void Paster::configureShared(const PasterEnvironment& environment) {
    sharedEnvironment().emplace(environment);
}

Paster& Paster::shared() {
    // Made once and never destroyed: a restore may still be waiting while the program quits.
    static Paster* const paster = [] {
        if (!sharedEnvironment())
            throw std::logic_error("Paster::configureShared must be called before shared()");
        return new Paster(*sharedEnvironment());
    }();
    return *paster;
}

RenderedSnippet Paster::render(const Snippet& snippet, const Placeholders::Values& values,
                               const std::optional<std::string>& clipboard) const {
    return renderSnippet(snippet, values, clipboard, environment_.clock.now());
}

RenderedSnippet Paster::render(const Snippet& snippet, const Placeholders::Values& values) const {
    std::optional<std::string> clipboard;
    if (holdsOwnPaste()) {
        // Our previous paste is still on the clipboard: the user's text is the saved one.
        const std::vector<PasteboardItem>& saved = *state_->savedClipboard;
        if (!saved.empty())
            clipboard = plainStringOf(saved.front());
    } else {
        clipboard = environment_.pasteboard.plainString();
    }
    return render(snippet, values, clipboard);
}

void Paster::write(const RenderedSnippet& rendered, Pasteboard& pasteboard, bool transient) {
    pasteboard.clearContents();
    std::vector<std::string> types;
    if (rendered.html)
        types = {PasteboardType::html, PasteboardType::rtf};
    types.emplace_back(PasteboardType::plainText);
    if (transient) {
        types.emplace_back(PasteboardType::transient);
        types.emplace_back(PasteboardType::passwordManagerHint);
    }
    pasteboard.declareTypes(types);

    if (rendered.html) {
        pasteboard.setData(PasteboardType::html, "<meta charset=\"utf-8\">" + *rendered.html);
        if (const std::optional<StyledText> styled =
                HTMLText::attributedStringFromHTML(*rendered.html))
            pasteboard.setData(PasteboardType::rtf, rtfFromStyledText(*styled));
    }
    pasteboard.setData(PasteboardType::plainText, rendered.plain);
    if (transient) {
        pasteboard.setData(PasteboardType::transient, "");
        pasteboard.setData(PasteboardType::passwordManagerHint, "secret");
    }
}

void Paster::copy(const Snippet& snippet, const Placeholders::Values& values) {
    const RenderedSnippet rendered = render(snippet, values);
    write(rendered, environment_.pasteboard, false);
    state_->savedClipboard.reset();
    environment_.library.recordUse(snippet.id);
}

void Paster::paste(const Snippet& snippet, const Placeholders::Values& values,
                   const std::optional<ApplicationHandle>& target) {
    const RenderedSnippet rendered = render(snippet, values);

    if (target) {
        const std::optional<ApplicationHandle> front =
            environment_.workspace.frontmostApplication();
        if (!front || !sameApplication(*front, *target)) {
            copyOnly(snippet, rendered);
            return;
        }
    }
    if (!environment_.accessibility.isTrusted(false)) {
        copyOnly(snippet, rendered);
        return;
    }

    Pasteboard& pasteboard = environment_.pasteboard;
    // A paste within the restore delay of the last one keeps the user's clipboard saved
    // then, not our own snippet that is on the clipboard now.
    std::vector<PasteboardItem> saved =
        holdsOwnPaste() ? *state_->savedClipboard : pasteboard.items();

    write(rendered, pasteboard, true);
    state_->savedClipboard = saved;
    state_->ownChangeCount = pasteboard.changeCount();
    const std::uint64_t generation = ++state_->restoreGeneration;

    if (!tapKey(KeyCode::v, ModifierFlag::command)) {
        // Nothing was pasted: putting the user's clipboard back would lose the snippet too.
        copyOnly(snippet, rendered);
        return;
    }
    environment_.library.recordUse(snippet.id);

    // The restore holds the state weakly: it does nothing once this paster is gone.
    auto restoreLater = [weakState = std::weak_ptr<State>(state_), &pasteboard, generation,
                         saved = std::move(saved)] {
        if (const std::shared_ptr<State> state = weakState.lock())
            restore(*state, pasteboard, generation, saved);
    };
    environment_.scheduler.schedule(restoreDelay, std::move(restoreLater));
}

bool Paster::tapKey(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    return environment_.keyPoster.tapKey(keyCode, modifierFlags);
}

bool Paster::holdsOwnPaste() const {
    return state_->savedClipboard &&
           environment_.pasteboard.changeCount() == state_->ownChangeCount;
}

void Paster::copyOnly(const Snippet& snippet, const RenderedSnippet& rendered) {
    write(rendered, environment_.pasteboard, false);
    state_->savedClipboard.reset();
    environment_.library.recordUse(snippet.id);
    environment_.sound.beep();
}

void Paster::restore(State& state, Pasteboard& pasteboard, std::uint64_t generation,
                     const std::vector<PasteboardItem>& saved) {
    // A later paste has its own restore, which puts back the same saved clipboard.
    if (state.restoreGeneration != generation)
        return;
    // Otherwise the clipboard changed since our paste: that is the user's, leave it.
    if (pasteboard.changeCount() == state.ownChangeCount) {
        pasteboard.clearContents();
        if (!saved.empty())
            pasteboard.writeItems(saved);
    }
    state.savedClipboard.reset();
}

} // namespace quillo
