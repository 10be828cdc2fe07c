#pragma once

namespace quillo {

/// Hands memory the program has freed back to the system. The allocator keeps freed blocks
/// for later use, and a large one freed amid others stays with the process: a program that
/// idles for hours should give back what a burst of work took.
void returnFreedMemory();

} // namespace quillo
