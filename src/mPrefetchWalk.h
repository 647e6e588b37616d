// A walk over one dimension of a hash table, in the table's order, that asks
// for the memory of the entities ahead of time. The entities of a large mesh
// lie in memory in creation order while walks follow the hash keys, so a
// plain walk waits on memory at every step; whole-mesh passes (classification
// after a read, destruction) use this one.
#ifndef KORA_MPREFETCHWALK_H
#define KORA_MPREFETCHWALK_H

#include "mHashTable.h"

namespace KORA {

// Hint that *p will be read soon (no effect on the program's meaning).
inline void prefetchLines(const void* p, int lines = 1) {
#if defined(__GNUC__)
  const char* c = static_cast<const char*>(p);
  for (int k = 0; k < lines; ++k) __builtin_prefetch(c + 64 * k);
#else
  (void)p;
  (void)lines;
#endif
}

// Calls visit(e) for every entity from `first` to `last` in walk order. Each
// entity's first two cache lines are requested 24 steps before it is visited;
// far(e) is called 16 steps before, to request what e points to (its lists),
// and near(e) 8 steps before, to request what those lead to (its vertices).
// visit may delete the entity it gets but must not add or remove entities of
// the walked dimension.
template <class Far, class Near, class Visit>
void walkPrefetched(mEntityHashTableIterator first, mEntityHashTableIterator last, Far far,
                    Near near, Visit visit) {
  constexpr unsigned kWindow = 24, kFar = 16, kNear = 8;
  mEntity* ring[kWindow];
  unsigned filled = 0, head = 0;
  for (; filled < kWindow && first != last; ++first) {
    ring[filled] = *first;
    prefetchLines(ring[filled], 2);
    ++filled;
  }
  for (unsigned k = 0; k < filled && k < kFar; ++k) far(ring[k]);
  for (unsigned k = 0; k < filled && k < kNear; ++k) near(ring[k]);
  while (filled) {
    mEntity* e = ring[head];
    // Entities kFar and kNear steps ahead, when there are that many left.
    if (filled > kFar) far(ring[(head + kFar) % kWindow]);
    if (filled > kNear) near(ring[(head + kNear) % kWindow]);
    if (first != last) {
      ring[head] = *first;
      prefetchLines(ring[head], 2);
      ++first;
    } else {
      --filled;
    }
    head = (head + 1) % kWindow;
    visit(e);
  }
}

}  // namespace KORA

#endif
