#ifndef DG_CELLSTORE_H
#define DG_CELLSTORE_H

// The current and previous coefficients and the residuals of a list of cells,
// each kind in one contiguous array, cell after cell in list order (each cell
// field-major within its slice). The hot sweeps then walk memory in order.
// A cell placed in a store refers to its slices; a cell that leaves (it is
// destroyed, or rebuilt for another order) gets its own arrays back, and so
// does every cell still placed when the store is repacked without it or
// destroyed.

#include <cstddef>
#include <vector>

class DGCell;

// A cell's residual: its own array, or a slice of a store. Reads like the
// vector it replaces.
class CellVector {
public:
  CellVector() = default;
  ~CellVector() { release(); }
  CellVector(const CellVector &) = delete;
  CellVector &operator=(const CellVector &) = delete;

  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  double *data() { return p_; }
  const double *data() const { return p_; }
  double &operator[](std::size_t i) { return p_[i]; }
  double operator[](std::size_t i) const { return p_[i]; }
  double *begin() { return p_; }
  double *end() { return p_ + n_; }
  const double *begin() const { return p_; }
  const double *end() const { return p_ + n_; }

  // n copies of value; an array of another size becomes the cell's own.
  void assign(std::size_t n, double value);
  // Refer to n values at p (the current values copied there first).
  void refer(double *p, std::size_t n);
  // Own a copy of the current values.
  void own();
  // Refer to n values at p, which already holds them.
  void relocate(double *p) { p_ = p; }

private:
  void release();
  double *p_ = nullptr;
  std::size_t n_ = 0;
  bool owned_ = false;
};

// A zeroed array of doubles taken from the system in whole pages, and given
// back when it goes: the store's arrays are large and replaced at every
// repacking, and from the heap their turnover would fragment it.
class PageArray {
public:
  PageArray() = default;
  explicit PageArray(std::size_t n);
  ~PageArray();
  PageArray(PageArray &&o) noexcept : p_(o.p_), bytes_(o.bytes_) { o.p_ = nullptr, o.bytes_ = 0; }
  PageArray &operator=(PageArray &&o) noexcept;
  PageArray(const PageArray &) = delete;
  PageArray &operator=(const PageArray &) = delete;
  double *get() const { return p_; }
  // Room for at least n values, the values kept (the array may move).
  void grow(std::size_t n);

private:
  double *p_ = nullptr;
  std::size_t bytes_ = 0;
};

class CellStore {
public:
  CellStore() = default;
  ~CellStore();
  CellStore(const CellStore &) = delete;
  CellStore &operator=(const CellStore &) = delete;

  // Places a new cell after the cells already placed (values kept); its own
  // arrays go.
  void append(DGCell *cell);
  // Places the cells of the list in list order, one after the other (values
  // kept): nothing moves when they already lie so. Cells placed before and
  // not in the list get their own arrays back.
  void pack(const std::vector<DGCell *> &cells);
  // The cell in the slot leaves: called by the cell, which keeps (or frees)
  // its values itself. The last cell to leave an orphaned store deletes it.
  void release(std::size_t slot);
  // The owner lets go of the store: it stays while cells are placed in it
  // (their values stay where they are) and deletes itself when the last one
  // leaves. Deleting a store instead gives every cell its own copy.
  void orphan();
  std::size_t size() const { return placed_.size(); }

private:
  void unplaceAll();
  PageArray level0_, level1_, residual_;
  std::size_t used_ = 0;      // values in use, holes included
  std::size_t live_ = 0;      // cells placed
  bool orphaned_ = false;
  std::size_t capacity_ = 0;  // values the arrays can hold
  std::vector<DGCell *> placed_;       // by slot, in the order of their slices
  std::vector<std::size_t> offsets_;   // by slot
};

#endif
