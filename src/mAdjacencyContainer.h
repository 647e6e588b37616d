#ifndef KORA_MADJACENCYCONTAINER_H
#define KORA_MADJACENCYCONTAINER_H

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "mBlockPool.h"

namespace KORA {

class mEntity;

// Ordered, growable list of entity pointers (not owned). Sixteen bytes: a
// list with room for one entry keeps it inline, larger ones use one pooled
// block with room for exactly what was asked or for twice the previous room
// when it grows.
class mAdjacencyContainer {
public:
  typedef mEntity** iter;
  typedef mEntity* const* const_iter;

  mAdjacencyContainer() : cap(1), n(0) { u.one = nullptr; }
  // Empty list with room for exactly `room` entries.
  explicit mAdjacencyContainer(int room) : cap(1), n(0) {
    u.one = nullptr;
    reserve(room);
  }
  mAdjacencyContainer(const mAdjacencyContainer& o) : cap(1), n(0) {
    u.one = nullptr;
    reserve((int)o.n);
    std::memcpy(data(), o.data(), sizeof(mEntity*) * o.n);
    n = o.n;
  }
  mAdjacencyContainer(mAdjacencyContainer&& o) noexcept : u(o.u), cap(o.cap), n(o.n) {
    o.cap = 1;
    o.n = 0;
    o.u.one = nullptr;
  }
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
      u = o.u;
      cap = o.cap;
      n = o.n;
      o.cap = 1;
      o.n = 0;
      o.u.one = nullptr;
    }
    return *this;
  }
  ~mAdjacencyContainer() { release(); }

  void swap(mAdjacencyContainer& o) noexcept {
    Store t = u;
    u = o.u;
    o.u = t;
    std::uint32_t c = cap;
    cap = o.cap;
    o.cap = c;
    c = n;
    n = o.n;
    o.n = c;
  }

  int size() const { return (int)n; }
  bool empty() const { return n == 0; }
  int capacity() const { return (int)cap; }
  mEntity* operator[](int i) const { return data()[i]; }
  mEntity* get(int i) const { return data()[i]; }

  iter begin() { return data(); }
  iter end() { return data() + n; }
  const_iter begin() const { return data(); }
  const_iter end() const { return data() + n; }

  void add(mEntity* e) {
    if (n == cap) grow(cap * 2);
    data()[n++] = e;
  }
  // Appends e unless it is already in the list.
  void appendUnique(mEntity* e) {
    if (!find(e)) add(e);
  }
  // e when it is in the list, else null.
  mEntity* find(mEntity* e) const {
    const_iter b = data();
    for (std::uint32_t k = 0; k < n; ++k)
      if (b[k] == e) return e;
    return nullptr;
  }
  // Removes every occurrence of e, keeping the order of the others.
  void del(mEntity* e) {
    iter b = data();
    std::uint32_t w = 0;
    for (std::uint32_t k = 0; k < n; ++k)
      if (b[k] != e) b[w++] = b[k];
    n = w;
  }
  void clear() { n = 0; }
  void reserve(int room) {
    if (room > (int)cap) grow((std::uint32_t)room);
  }

private:
  union Store {
    mEntity* one;
    mEntity** heap;
  };
  Store u;
  std::uint32_t cap;
  std::uint32_t n;

  mEntity** data() { return cap <= 1 ? &u.one : u.heap; }
  mEntity* const* data() const { return cap <= 1 ? &u.one : u.heap; }
  void grow(std::uint32_t room) {
    mEntity** p = static_cast<mEntity**>(poolAllocate(sizeof(mEntity*) * room));
    if (n) std::memcpy(p, data(), sizeof(mEntity*) * n);
    release();
    u.heap = p;
    cap = room;
  }
  void release() {
    if (cap > 1) poolRelease(u.heap, sizeof(mEntity*) * cap);
    cap = 1;
    u.one = nullptr;
  }
};

}  // namespace KORA

#endif
