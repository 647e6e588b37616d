#ifndef KORA_MADJACENCYCONTAINER_H
#define KORA_MADJACENCYCONTAINER_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "mBlockPool.h"

namespace KORA {

class mEntity;

// Ordered, growable list of entity pointers (not owned), in one word. A list
// of one non-null entry keeps it in the word itself; a larger one (or one
// holding a null entry) uses one pooled block, a count and a room followed
// by the entries, with room for exactly what was asked or for twice the
// previous room when it grows. The block's address is kept with its lowest
// bit set, which no entity address has (entities are at least 8-aligned).
class mAdjacencyContainer {
public:
  typedef mEntity** iter;
  typedef mEntity* const* const_iter;

  mAdjacencyContainer() = default;
  // Empty list with room for exactly `room` entries.
  explicit mAdjacencyContainer(int room) { reserve(room); }
  mAdjacencyContainer(const mAdjacencyContainer& o) {
    const int n = o.size();
    if (n == 0) return;
    if (n == 1 && o.data()[0]) {
      w_ = o.data()[0];
      return;
    }
    grow((std::uint32_t)n);
    std::memcpy(entries(header()), o.data(), sizeof(mEntity*) * (std::size_t)n);
    setCount((std::uint32_t)n);
  }
  mAdjacencyContainer(mAdjacencyContainer&& o) noexcept : w_(o.w_) { o.w_ = nullptr; }
  mAdjacencyContainer& operator=(const mAdjacencyContainer& o) {
    if (this != &o) {
      mAdjacencyContainer tmp(o);
      swap(tmp);
    }
    return *this;
  }
  mAdjacencyContainer& operator=(mAdjacencyContainer&& o) noexcept {
    if (this != &o) {
      release();
      w_ = o.w_;
      o.w_ = nullptr;
    }
    return *this;
  }
  ~mAdjacencyContainer() { release(); }

  void swap(mAdjacencyContainer& o) noexcept {
    mEntity* t = w_;
    w_ = o.w_;
    o.w_ = t;
  }

  int size() const { return onHeap() ? (int)header()->n : (w_ ? 1 : 0); }
  bool empty() const { return size() == 0; }
  int capacity() const { return onHeap() ? (int)header()->cap : 1; }
  // The pooled block, or null for a list kept in its word (for prefetching).
  const void* block() const { return onHeap() ? header() : nullptr; }
  mEntity* operator[](int i) const { return data()[i]; }
  mEntity* get(int i) const { return data()[i]; }

  iter begin() { return data(); }
  iter end() { return data() + size(); }
  const_iter begin() const { return data(); }
  const_iter end() const { return data() + size(); }

  void add(mEntity* e) {
    if (!onHeap()) {
      if (!w_ && e) {
        w_ = e;
        return;
      }
      grow(w_ ? 2 : 1);
    }
    Header* h = header();
    if (h->n == h->cap) {
      grow(h->cap * 2);
      h = header();
    }
    entries(h)[h->n++] = e;
  }
  // Appends e unless it is already in the list.
  void appendUnique(mEntity* e) {
    if (!find(e)) add(e);
  }
  // e when it is in the list, else null.
  mEntity* find(mEntity* e) const {
    const_iter b = data();
    const int n = size();
    for (int k = 0; k < n; ++k)
      if (b[k] == e) return e;
    return nullptr;
  }
  // Removes every occurrence of e, keeping the order of the others.
  void del(mEntity* e) {
    if (!onHeap()) {
      if (w_ == e) w_ = nullptr;
      return;
    }
    iter b = data();
    const std::uint32_t n = header()->n;
    std::uint32_t w = 0;
    for (std::uint32_t k = 0; k < n; ++k)
      if (b[k] != e) b[w++] = b[k];
    setCount(w);
  }
  // Removes entry k, keeping the order of the others.
  void erase(int k) {
    if (!onHeap()) {
      w_ = nullptr;
      return;
    }
    iter b = data();
    const std::uint32_t n = header()->n;
    std::memmove(b + k, b + k + 1, sizeof(mEntity*) * (n - (std::uint32_t)k - 1));
    setCount(n - 1);
  }
  void clear() {
    if (onHeap())
      setCount(0);
    else
      w_ = nullptr;
  }
  void reserve(int room) {
    if (room > capacity()) grow((std::uint32_t)room);
  }

private:
  struct Header {
    std::uint32_t n;
    std::uint32_t cap;
  };
  static_assert(sizeof(Header) == sizeof(mEntity*), "entries follow the header aligned");

  mEntity* w_ = nullptr;

  bool onHeap() const { return reinterpret_cast<std::uintptr_t>(w_) & 1u; }
  Header* header() const {
    return reinterpret_cast<Header*>(reinterpret_cast<std::uintptr_t>(w_) & ~std::uintptr_t(1));
  }
  static mEntity** entries(Header* h) { return reinterpret_cast<mEntity**>(h + 1); }
  void setCount(std::uint32_t n) { header()->n = n; }

  mEntity** data() { return onHeap() ? entries(header()) : &w_; }
  mEntity* const* data() const { return onHeap() ? entries(header()) : &w_; }
  static std::size_t blockBytes(std::uint32_t room) {
    return sizeof(Header) + sizeof(mEntity*) * room;
  }
  void grow(std::uint32_t room) {
    Header* h = static_cast<Header*>(poolAllocate(blockBytes(room)));
    const int n = size();
    if (n) std::memcpy(entries(h), data(), sizeof(mEntity*) * (std::size_t)n);
    h->n = (std::uint32_t)n;
    h->cap = room;
    release();
    w_ = reinterpret_cast<mEntity*>(reinterpret_cast<std::uintptr_t>(h) | 1u);
  }
  void release() {
    if (onHeap()) poolRelease(header(), blockBytes(header()->cap));
    w_ = nullptr;
  }
};

}  // namespace KORA

#endif
