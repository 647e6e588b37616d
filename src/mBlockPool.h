// Fixed-size block pools for mesh entities and their small pointer arrays.
//
// A mesh holds millions of small objects of a handful of sizes, made and
// deleted one by one. A pool per size hands out blocks from large slabs
// (bump allocation, then a free list of returned blocks): no per-block
// header, no search, and slabs large enough for the kernel to back them with
// huge pages. When the last block of a size is returned, its slabs are kept
// for the next blocks of that size (their pages marked as reclaimable by the
// kernel); poolTrim gives such idle slabs back to the system.
//
// The pools are not synchronised: the mesh store is used by one thread at a
// time. Under AddressSanitizer the shared pools are bypassed (every block
// comes from the global operator new) so that leaks and overflows of single
// entities stay visible; a pool object used directly poisons its free blocks.
#ifndef KORA_MBLOCKPOOL_H
#define KORA_MBLOCKPOOL_H

#include <cstddef>

namespace KORA {

class mBlockPool {
 public:
  // Blocks of `blockSize` bytes (rounded up to a multiple of 8), 8-byte aligned.
  constexpr explicit mBlockPool(std::size_t blockSize)
      : blockSize_(blockSize < 8 ? 8 : (blockSize + 7) / 8 * 8) {}
  // Trivially destructible on purpose: the shared pools must outlive every
  // static object that may still delete entities at exit. Call releaseAll
  // (or return every block) before dropping a pool of one's own.
  mBlockPool(const mBlockPool&) = delete;
  mBlockPool& operator=(const mBlockPool&) = delete;

  void* allocate();
  // Returns a block of this pool; when the last one comes back, every slab
  // becomes idle (kept for reuse, its pages reclaimable).
  void release(void* p) noexcept;
  // Frees the idle slabs.
  void trim() noexcept;
  // Frees every slab at once; blocks still handed out become invalid.
  void releaseAll() noexcept;

  std::size_t blockSize() const { return blockSize_; }
  // Blocks handed out and not returned.
  std::size_t live() const { return live_; }
  // Slabs held, in use or idle.
  int slabCount() const { return slabCount_; }
  int idleSlabCount() const { return idleCount_; }
  // Bytes of the slabs held.
  std::size_t reserved() const { return reserved_; }

 private:
  struct Slab;
  void newSlab();
  void makeIdle() noexcept;
  void freeSlabs(Slab* list) noexcept;

  std::size_t blockSize_;
  void* free_ = nullptr;   // returned blocks, linked through their first word
  char* cursor_ = nullptr;  // next fresh block of the newest slab
  char* limit_ = nullptr;   // end of the newest slab's blocks
  Slab* slabs_ = nullptr;  // in use, newest first
  Slab* idle_ = nullptr;   // kept from an earlier use, smallest first
  std::size_t live_ = 0;
  std::size_t reserved_ = 0;
  std::size_t nextSlabBytes_ = 0;
  int slabCount_ = 0;
  int idleCount_ = 0;
};

// The shared pools, one per multiple of 8 bytes up to this size; larger
// requests go to the global operator new.
constexpr std::size_t kPooledBlockMax = 512;

// A block of `bytes` bytes from the shared pool of its size; poolRelease must
// be given the same size.
void* poolAllocate(std::size_t bytes);
void poolRelease(void* p, std::size_t bytes) noexcept;
// Arrays of trivially destructible values from the shared pools, their
// size rounded up to 16 bytes so that the blocks are 16-aligned as the
// global operator new's are (slabs start 16-aligned). poolArrayRelease must
// be given the same count.
template <class T>
T* poolArray(std::size_t n) {
  static_assert(alignof(T) <= 16, "pooled blocks are 16-aligned");
  return static_cast<T*>(poolAllocate((n * sizeof(T) + 15) / 16 * 16));
}
template <class T>
void poolArrayRelease(T* p, std::size_t n) noexcept {
  poolRelease(p, (n * sizeof(T) + 15) / 16 * 16);
}
// The same as an allocator for standard containers of small per-element
// arrays (a face's points, a cell's tables).
template <class T>
struct mPoolAllocator {
  using value_type = T;
  mPoolAllocator() = default;
  template <class U>
  mPoolAllocator(const mPoolAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return poolArray<T>(n); }
  void deallocate(T* p, std::size_t n) noexcept { poolArrayRelease(p, n); }
  template <class U>
  bool operator==(const mPoolAllocator<U>&) const noexcept { return true; }
};

// True when poolAllocate draws on the shared pools (false under AddressSanitizer).
bool poolsEnabled();
// Gives the idle slabs of every shared pool back to the system.
void poolTrim() noexcept;

// Blocks for large arrays (hash buckets, look-up tables): from 2 MiB on they
// are mapped on their own, aligned so that the kernel may back them with huge
// pages, which makes the first touch of a large mesh's arrays far cheaper.
// largeRelease must be given the same size.
void* largeAllocate(std::size_t bytes);
void largeRelease(void* p, std::size_t bytes) noexcept;

template <class T>
struct mLargeAllocator {
  using value_type = T;
  mLargeAllocator() = default;
  template <class U>
  mLargeAllocator(const mLargeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(largeAllocate(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { largeRelease(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const mLargeAllocator<U>&) const noexcept { return true; }
};

}  // namespace KORA

#endif
