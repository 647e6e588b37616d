// Chained hash tables of mesh entities, one per dimension 0 to 3.
//
// Each bucket is a list in which new entities go to the front; walks visit the
// buckets in index order and each bucket from its front (newest) to its back
// (oldest). That order decides the order of every walk over a mesh and so of
// the files written from it. A bucket is stored as an array whose back is the
// list's front, so front insertion is an append.
#ifndef KORA_MHASHTABLE_H
#define KORA_MHASHTABLE_H

#include <vector>

#include "mAdjacencyContainer.h"
#include "mBlockPool.h"

namespace KORA {

class mEntity;

// One bucket: a list of entity pointers in one word (an entity list of the
// mesh, which keeps a single entry inline). The list's front is its back.
using mEntityBucket = mAdjacencyContainer;

using mEntityBucketArray = std::vector<mEntityBucket, mLargeAllocator<mEntityBucket>>;

// A position in one dimension of the table.
class mEntityHashTableIterator {
 public:
  mEntityHashTableIterator() = default;
  // The first position of the buckets (atEnd false) or the past-the-end one (atEnd true).
  mEntityHashTableIterator(const mEntityBucketArray* buckets, int bucketCount, bool atEnd);

  bool operator==(const mEntityHashTableIterator& o) const {
    return bucketIndex_ == o.bucketIndex_ && node_ == o.node_;
  }
  bool operator!=(const mEntityHashTableIterator& o) const { return !(*this == o); }

  mEntityHashTableIterator& operator++();
  mEntity* operator*() const { return (*buckets_)[bucketIndex_][node_]; }

 private:
  // Moves to the front of the next non-empty bucket, or to the end position.
  void skipEmpty();

  int bucketCount_ = 0;
  const mEntityBucketArray* buckets_ = nullptr;
  int bucketIndex_ = 0;
  // Index into the bucket's array; -1 is the bucket's end position.
  int node_ = -1;
};

class mEntityHashTable {
 public:
  explicit mEntityHashTable(int sizeHint);
  ~mEntityHashTable() = default;
  mEntityHashTable(const mEntityHashTable&) = delete;
  mEntityHashTable& operator=(const mEntityHashTable&) = delete;

  int hash(mEntity* e) const;
  void add(mEntity* e);
  void del(mEntity* e);
  mEntity* find(mEntity* e) const;
  void resize(int dim, int n);
  // Asks for the memory of the bucket that an entity of this dimension and
  // key (a vertex's key, another entity's id) goes to; no effect on content.
  void prefetchBucket(int dim, int key) const {
#if defined(__GNUC__)
    if (!buckets_[dim].empty()) __builtin_prefetch(buckets_[dim].data() + key % bucketCount_[dim], 1);
#else
    (void)dim;
    (void)key;
#endif
  }
  int size(int dim) const { return entityCount_[dim]; }
  // A number that orders the registered entities of a dimension as a walk
  // visits them (bucket index, then newest first); -1 for an entity not there.
  long long walkRank(mEntity* e) const;
  int bucketCount(int dim) const { return bucketCount_[dim]; }
  mEntityHashTableIterator begin(int dim) const;
  mEntityHashTableIterator end(int dim) const;
  void print() const;
  void psi() const;

 private:
  int bucketIndex(mEntity* e, int dim) const;

  // The buckets of an empty dimension are made when its first entity comes:
  // a resize of an empty dimension only sets its bucket count, so that room
  // asked for kinds a mesh never holds costs nothing.
  int bucketCount_[4];
  int entityCount_[4];
  mEntityBucketArray buckets_[4];
};

// Functors for containers that hash, compare or order entities like the tables.
struct EntityHashKey {
  int operator()(const mEntity* e) const;
};
struct EntityEqualKey {
  bool operator()(const mEntity* a, const mEntity* b) const;
};
struct EntityLessThanKey {
  bool operator()(const mEntity* a, const mEntity* b) const;
};

}  // namespace KORA

#endif
