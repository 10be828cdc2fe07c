// The stored shortcut reader on arbitrary bytes: it either refuses the text or reads a
// shortcut that survives being written and read again, and reading the setting never
// throws, falling back to the default exactly when the text is refused.
#include "core/hotkey/Shortcut.h"
#include "fakes/FakeSettingsStore.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillo;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<Shortcut> shortcut = Shortcut::fromJson(bytes);

    testing::FakeSettingsStore settings;
    settings.values["pickerShortcut"] = std::string(bytes);
    const Shortcut saved = Shortcut::saved(settings);
    if (saved != shortcut.value_or(Shortcut::defaultPicker()))
        std::abort();
    if (settings.values.at("pickerShortcut") != bytes)
        std::abort(); // reading must leave the stored text alone

    if (!shortcut)
        return 0;
    const std::string written = shortcut->toJson(); // a read key name is always valid UTF-8
    if (Shortcut::fromJson(written) != shortcut)
        std::abort();
    Shortcut::save(*shortcut, settings);
    if (Shortcut::saved(settings) != *shortcut)
        std::abort();
    (void)shortcut->displayString();
    return 0;
}
