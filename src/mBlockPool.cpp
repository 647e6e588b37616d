#include "mBlockPool.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Under AddressSanitizer (g++ defines the first macro, clang answers the
// feature test) entities come from the ordinary heap, so that a use after
// free or a double delete is caught where it happens.
#if defined(__SANITIZE_ADDRESS__)
#define KORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORA_ASAN 1
#endif
#endif

#if defined(KORA_ASAN)
#include <sanitizer/asan_interface.h>
#define KORA_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define KORA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define KORA_POISON(p, n) ((void)(p), (void)(n))
#define KORA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace KORA {

namespace {

// Slabs grow geometrically from the first size to the last one, so that a
// small mesh stays small and a large one is made of few large slabs.
constexpr std::size_t kFirstSlab = std::size_t(16) << 10;
constexpr std::size_t kLastSlab = std::size_t(4) << 20;
// Slabs from this size on are mapped on their own, aligned so that the
// kernel may back them with huge pages (fewer faults on fresh memory).
constexpr std::size_t kHugePage = std::size_t(2) << 20;

}  // namespace

// Record of one slab, kept apart from the slab so that an idle slab's pages
// may all be reclaimed.
struct mBlockPool::Slab {
  Slab* next;
  char* base;
  std::size_t bytes;
  bool mapped;
};

namespace {

// A region of `bytes` bytes aligned on a huge page, or null.
char* mapAligned(std::size_t bytes) {
#if defined(__linux__)
  const std::size_t total = bytes + kHugePage;
  void* p = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  // Unmap the slack before and after the aligned region.
  if (aligned > start) ::munmap(p, aligned - start);
  const std::uintptr_t end = start + total, alignedEnd = aligned + bytes;
  if (end > alignedEnd) ::munmap(reinterpret_cast<void*>(alignedEnd), end - alignedEnd);
#if defined(MADV_HUGEPAGE)
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<char*>(aligned);
#else
  (void)bytes;
  return nullptr;
#endif
}

void unmap(char* base, std::size_t bytes) {
#if defined(__linux__)
  ::munmap(base, bytes);
#else
  (void)base;
  (void)bytes;
#endif
}

// The kernel may take the pages back when memory runs short; until then a
// write reuses them without a fault.
void markReclaimable(char* base, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_FREE)
  ::madvise(base, bytes, MADV_FREE);
#else
  (void)base;
  (void)bytes;
#endif
}

}  // namespace

void mBlockPool::newSlab() {
  Slab* s = idle_;
  if (s) {
    idle_ = s->next;
    --idleCount_;
  } else {
    std::size_t bytes = nextSlabBytes_ ? nextSlabBytes_ : kFirstSlab;
    // Room for at least a few blocks, whatever their size.
    while (bytes < 8 * blockSize_) bytes *= 2;
    s = static_cast<Slab*>(std::malloc(sizeof(Slab)));
    if (!s) throw std::bad_alloc();
    s->bytes = bytes;
    s->mapped = false;
    s->base = bytes >= kHugePage ? mapAligned(bytes) : nullptr;
    if (s->base)
      s->mapped = true;
    else
      s->base = static_cast<char*>(std::malloc(bytes));
    if (!s->base) {
      std::free(s);
      throw std::bad_alloc();
    }
    ++slabCount_;
    reserved_ += bytes;
  }
  s->next = slabs_;
  slabs_ = s;
  cursor_ = s->base;
  limit_ = cursor_ + s->bytes / blockSize_ * blockSize_;
  KORA_POISON(cursor_, static_cast<std::size_t>(limit_ - cursor_));
  nextSlabBytes_ = s->bytes < kLastSlab ? 2 * s->bytes : kLastSlab;
}

void* mBlockPool::allocate() {
  void* p;
  if (free_) {
    p = free_;
    KORA_UNPOISON(p, blockSize_);
    free_ = *static_cast<void**>(p);
  } else {
    if (cursor_ == limit_) newSlab();
    p = cursor_;
    cursor_ += blockSize_;
    KORA_UNPOISON(p, blockSize_);
  }
  ++live_;
  return p;
}

void mBlockPool::release(void* p) noexcept {
  if (!p) return;
  if (--live_ == 0) {
    makeIdle();
    return;
  }
  *static_cast<void**>(p) = free_;
  free_ = p;
  KORA_POISON(p, blockSize_);
}

void mBlockPool::makeIdle() noexcept {
  // The slabs in use are newest (largest) first: reversed onto the idle list
  // they come back smallest first, as they were made.
  while (Slab* s = slabs_) {
    slabs_ = s->next;
    KORA_POISON(s->base, s->bytes);
    if (s->mapped) markReclaimable(s->base, s->bytes);
    s->next = idle_;
    idle_ = s;
    ++idleCount_;
  }
  free_ = nullptr;
  cursor_ = limit_ = nullptr;
  nextSlabBytes_ = 0;
}

void mBlockPool::freeSlabs(Slab* list) noexcept {
  while (Slab* s = list) {
    list = s->next;
    KORA_UNPOISON(s->base, s->bytes);
    if (s->mapped)
      unmap(s->base, s->bytes);
    else
      std::free(s->base);
    reserved_ -= s->bytes;
    --slabCount_;
    std::free(s);
  }
}

void mBlockPool::trim() noexcept {
  freeSlabs(idle_);
  idle_ = nullptr;
  idleCount_ = 0;
}

void mBlockPool::releaseAll() noexcept {
  freeSlabs(slabs_);
  slabs_ = nullptr;
  trim();
  free_ = nullptr;
  cursor_ = limit_ = nullptr;
  live_ = 0;
  nextSlabBytes_ = 0;
}

// ------------------------------------------------------------ shared pools

namespace {

constexpr std::size_t kPoolCount = kPooledBlockMax / 8;

template <std::size_t... I>
struct PoolTable {
  mBlockPool pools[sizeof...(I)] = {mBlockPool((I + 1) * 8)...};
};

template <std::size_t... I>
constexpr PoolTable<I...> makeTable(std::index_sequence<I...>) {
  return PoolTable<I...>{};
}

// Constant-initialised and never destroyed (see mBlockPool).
constinit decltype(makeTable(std::make_index_sequence<kPoolCount>())) sharedPools;

#if defined(KORA_ASAN)
constexpr bool kUsePools = false;
#else
constexpr bool kUsePools = true;
#endif

}  // namespace

bool poolsEnabled() { return kUsePools; }

void poolTrim() noexcept {
  for (mBlockPool& p : sharedPools.pools) p.trim();
}

void* poolAllocate(std::size_t bytes) {
  if (!kUsePools || bytes > kPooledBlockMax) return ::operator new(bytes);
  const std::size_t k = bytes ? (bytes - 1) / 8 : 0;
  return sharedPools.pools[k].allocate();
}

void poolRelease(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (!kUsePools || bytes > kPooledBlockMax) {
    ::operator delete(p, bytes);
    return;
  }
  const std::size_t k = bytes ? (bytes - 1) / 8 : 0;
  sharedPools.pools[k].release(p);
}

// ------------------------------------------------------------ large arrays

namespace {
#if defined(__linux__)
constexpr bool kMapLarge = kUsePools;
#else
constexpr bool kMapLarge = false;
#endif

std::size_t largeMappedBytes(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
}  // namespace

void* largeAllocate(std::size_t bytes) {
  if (!kMapLarge || bytes < kHugePage) return ::operator new(bytes);
  char* p = mapAligned(largeMappedBytes(bytes));
  if (!p) throw std::bad_alloc();
  return p;
}

void largeRelease(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (!kMapLarge || bytes < kHugePage)
    ::operator delete(p);
  else
    unmap(static_cast<char*>(p), largeMappedBytes(bytes));
}

}  // namespace KORA
