// Large blocks of memory for the packed pages of a memo file.
#pragma once

#include <cstddef>

namespace tavrin::platform {

// A block of `size` bytes, null when memory can't be had; freed with
// FreeLargeBlock. A load fills such blocks page by page, and every fresh
// 4 KiB page of memory costs the kernel a fault on its first touch (tens of
// microseconds each on a virtual machine, seconds for a big file), so on
// Linux a block of 2 MiB or more lies on huge-page boundaries and asks for
// huge pages, which the kernel may grant or not.
void* AllocateLargeBlock(std::size_t size);
void FreeLargeBlock(void* block);

// Work that takes and frees the same few hundred kilobytes many times over
// (an encoder a page) keeps them: glibc would give them back to the system
// after each round and fault them in again for the next, which costs more
// than the work itself. Nothing to do where the C library keeps them anyway.
void KeepFreedMemoryForReuse();

}  // namespace tavrin::platform
