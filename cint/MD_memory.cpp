#include "MD_memory.h"

#include <cstdlib>
#include <new>

namespace KORA {

void MD_memoryInit() {}

void MD_memoryExit() {}

void* MD_malloc(std::size_t size) {
  // A zero-byte request still yields a distinct block.
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* MD_calloc(std::size_t count, std::size_t size) {
  void* p = std::calloc(count ? count : 1, size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void MD_free(std::size_t, void* block) { std::free(block); }

}  // namespace KORA
