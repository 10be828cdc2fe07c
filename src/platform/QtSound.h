#pragma once

#include "core/platform/Sound.h"

namespace quillo {

/// The display's bell.
class QtSound final : public Sound {
public:
    void beep() override;
};

} // namespace quillo
