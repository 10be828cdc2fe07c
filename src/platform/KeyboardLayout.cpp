#include "KeyboardLayout.h"

#include <memory>
#include <string>
#include <xkbcommon/xkbcommon.h>

namespace quillo {

namespace {

using Context = std::unique_ptr<xkb_context, decltype(&xkb_context_unref)>;

Context newContext() {
    return Context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
}

// xkb numbers keys as the evdev codes plus 8, a legacy of X.
constexpr std::uint32_t evdevOffset = 8;

} // namespace

KeyboardLayout::KeyboardLayout(xkb_keymap* keymap) : keymap_(keymap, &xkb_keymap_unref) {}

std::optional<KeyboardLayout> KeyboardLayout::fromKeymapText(std::string_view text) {
    const Context context = newContext();
    if (!context)
        return std::nullopt;
    // Compositors send the text with its terminating zero; xkbcommon wants none counted.
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);
    xkb_keymap* keymap =
        xkb_keymap_new_from_buffer(context.get(), text.data(), text.size(),
                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr)
        return std::nullopt;
    return KeyboardLayout(keymap);
}

std::optional<KeyboardLayout> KeyboardLayout::fromNames(const char* layout, const char* variant) {
    const Context context = newContext();
    if (!context)
        return std::nullopt;
    const xkb_rule_names names{.rules = nullptr,
                               .model = nullptr,
                               .layout = layout,
                               .variant = variant,
                               .options = nullptr};
    xkb_keymap* keymap =
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr)
        return std::nullopt;
    return KeyboardLayout(keymap);
}

std::optional<std::uint32_t> KeyboardLayout::xkbKeycodeOf(std::uint32_t keysym) const {
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_.get());
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_.get()); key <= last; ++key) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap_.get(), key, 0, 0, &syms);
        for (int i = 0; i < count; ++i)
            if (syms[i] == keysym)
                return key;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> KeyboardLayout::evdevCodeOf(std::uint32_t keysym) const {
    const auto key = xkbKeycodeOf(keysym);
    if (!key || *key < evdevOffset)
        return std::nullopt;
    return *key - evdevOffset;
}

std::optional<std::uint32_t> KeyboardLayout::shiftedKeysymOf(std::uint32_t keysym) const {
    const auto key = xkbKeycodeOf(keysym);
    const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_SHIFT);
    if (!key || shift == XKB_MOD_INVALID)
        return std::nullopt;
    const std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap_.get()),
                                                                       &xkb_state_unref);
    if (!state)
        return std::nullopt;
    xkb_state_update_mask(state.get(), 1U << shift, 0, 0, 0, 0, 0);
    const xkb_keysym_t shifted = xkb_state_key_get_one_sym(state.get(), *key);
    if (shifted == XKB_KEY_NoSymbol)
        return std::nullopt;
    return shifted;
}

} // namespace quillo
