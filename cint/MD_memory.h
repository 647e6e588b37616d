// Allocation entry points of the procedural interface: straight to the
// runtime allocator, no state.
#ifndef KORA_CINT_MD_MEMORY_H
#define KORA_CINT_MD_MEMORY_H

#include <cstddef>

namespace KORA {

void MD_memoryInit();
void MD_memoryExit();
// Uninitialised block; throws std::bad_alloc when none can be had.
void* MD_malloc(std::size_t size);
// Zero-filled block of count times size bytes; throws std::bad_alloc when none can be had.
void* MD_calloc(std::size_t count, std::size_t size);
// Gives the block back; the size is not used; null does nothing.
void MD_free(std::size_t size, void* block);

}  // namespace KORA

#endif
