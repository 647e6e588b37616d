#include "CellStore.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "DGCell.h"
#include "mBlockPool.h"

// A cell's own residual is small and, for a cell in a store, short-lived:
// from the shared pools.
void CellVector::release() {
  if (owned_) KORA::poolArrayRelease(p_, n_ > 0 ? n_ : 1);
  p_ = nullptr;
  n_ = 0;
  owned_ = false;
}

void CellVector::assign(std::size_t n, double value) {
  if (n != n_ || !p_) {
    double *fresh = KORA::poolArray<double>(n > 0 ? n : 1);
    release();
    p_ = fresh;
    n_ = n;
    owned_ = true;
  }
  std::fill(p_, p_ + n_, value);
}

void CellVector::refer(double *p, std::size_t n) {
  if (p_ && p != p_) std::memcpy(p, p_, sizeof(double) * std::min(n, n_));
  release();
  p_ = p;
  n_ = n;
}

void CellVector::own() {
  if (owned_ || !p_) return;
  double *copy = KORA::poolArray<double>(n_ > 0 ? n_ : 1);
  std::memcpy(copy, p_, sizeof(double) * n_);
  p_ = copy;
  owned_ = true;
}

namespace {
// Large arrays may be backed by huge pages: one fault per 2 MiB instead of
// one per page when they are first written (the kernel keeps the advice
// when the mapping grows or moves).
void adviseHuge(void *p, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  if (bytes >= (std::size_t(2) << 20)) madvise(p, bytes, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}
}  // namespace

PageArray::PageArray(std::size_t n) : bytes_(std::max<std::size_t>(n, 1) * sizeof(double)) {
  void *p = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  p_ = static_cast<double *>(p);
  adviseHuge(p_, bytes_);
}

void PageArray::grow(std::size_t n) {
  const std::size_t bytes = std::max<std::size_t>(n, 1) * sizeof(double);
  if (bytes <= bytes_) return;
  if (!p_) {
    *this = PageArray(n);
    return;
  }
  // The pages move without a copy through memory.
  void *p = mremap(p_, bytes_, bytes, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) throw std::bad_alloc();
  p_ = static_cast<double *>(p);
  bytes_ = bytes;
  adviseHuge(p_, bytes_);
}

PageArray::~PageArray() {
  if (p_) munmap(p_, bytes_);
}

PageArray &PageArray::operator=(PageArray &&o) noexcept {
  if (this != &o) {
    if (p_) munmap(p_, bytes_);
    p_ = o.p_;
    bytes_ = o.bytes_;
    o.p_ = nullptr;
    o.bytes_ = 0;
  }
  return *this;
}

CellStore::~CellStore() { unplaceAll(); }

void CellStore::release(std::size_t slot) {
  placed_[slot] = nullptr;
  --live_;
  if (orphaned_ && live_ == 0) delete this;
}

void CellStore::orphan() {
  orphaned_ = true;
  if (live_ == 0) delete this;
}

void CellStore::unplaceAll() {
  for (DGCell *c : placed_)
    if (c) c->leaveStore();
  placed_.clear();
  offsets_.clear();
  live_ = 0;
}

void CellStore::append(DGCell *cell) {
  const std::size_t m = static_cast<std::size_t>(cell->dofs->nbValues());
  if (used_ + m > capacity_) {
    const std::size_t capacity = std::max({2 * capacity_, used_ + m, std::size_t(4096)});
    level0_.grow(capacity);
    level1_.grow(capacity);
    residual_.grow(capacity);
    capacity_ = capacity;
    // The slices may have moved with the arrays: the cells follow.
    for (std::size_t i = 0; i < placed_.size(); ++i)
      if (DGCell *c = placed_[i])
        c->relocate(level0_.get() + offsets_[i], level1_.get() + offsets_[i], residual_.get() + offsets_[i]);
  }
  if (cell->store == this) {
    placed_[cell->storeSlot] = nullptr;
    --live_;
  }
  cell->placeIn(this, placed_.size(), level0_.get() + used_, level1_.get() + used_, residual_.get() + used_);
  placed_.push_back(cell);
  offsets_.push_back(used_);
  used_ += m;
  ++live_;
}

void CellStore::pack(const std::vector<DGCell *> &cells) {
  if (cells.size() == placed_.size()) {
    bool same = true;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < cells.size() && same; ++i) {
      same = placed_[i] == cells[i] && offsets_[i] == offset;
      offset += static_cast<std::size_t>(cells[i]->dofs->nbValues());
    }
    if (same) return;
  }
  std::size_t total = 0;
  for (const DGCell *c : cells) total += static_cast<std::size_t>(c->dofs->nbValues());
  PageArray l0(total), l1(total), r(total);
  // The cells of the new list move first (their values are copied from
  // wherever they are now); the others then leave the old arrays.
  std::vector<DGCell *> placed;
  std::vector<std::size_t> offsets;
  placed.reserve(cells.size());
  offsets.reserve(cells.size());
  std::size_t offset = 0;
  for (DGCell *c : cells) {
    if (c->store == this) placed_[c->storeSlot] = nullptr;
    c->placeIn(this, placed.size(), l0.get() + offset, l1.get() + offset, r.get() + offset);
    placed.push_back(c);
    offsets.push_back(offset);
    offset += static_cast<std::size_t>(c->dofs->nbValues());
  }
  unplaceAll();
  live_ = placed.size();
  placed_ = std::move(placed);
  offsets_ = std::move(offsets);
  level0_ = std::move(l0);
  level1_ = std::move(l1);
  residual_ = std::move(r);
  used_ = capacity_ = total;
}
