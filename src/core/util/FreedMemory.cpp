#include "FreedMemory.h"

#include <malloc.h>

namespace quillo {

void returnFreedMemory() {
    ::malloc_trim(0);
}

} // namespace quillo
