// Large blocks over the C library: huge pages on Windows need a privilege
// that ordinary users lack.
#include <cstdlib>

#include "platform/memory.h"

namespace tavrin::platform {

void* AllocateLargeBlock(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void FreeLargeBlock(void* block) { std::free(block); }

// The C runtime's heap keeps freed blocks for reuse by itself.
void KeepFreedMemoryForReuse() {}

}  // namespace tavrin::platform
