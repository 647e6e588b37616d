#include "mHashTable.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "mBlockPool.h"
#include "mEntity.h"
#include "mVertex.h"

namespace KORA {

namespace {
// Start bucket counts per dimension, times 10.
const int startBuckets[4] = {1, 7, 12, 6};
}  // namespace

// ---------------------------------------------------------------- positions

mEntityHashTableIterator::mEntityHashTableIterator(const mEntityBucketArray* buckets,
                                                   int bucketCount, bool atEnd)
    : bucketCount_(bucketCount), buckets_(buckets) {
  // Buckets not made yet (an empty dimension) hold nothing.
  if (atEnd || buckets_->empty()) {
    bucketIndex_ = bucketCount_ - 1;
    node_ = -1;
    return;
  }
  bucketIndex_ = 0;
  node_ = static_cast<int>((*buckets_)[0].size()) - 1;
  skipEmpty();
}

void mEntityHashTableIterator::skipEmpty() {
  while (node_ < 0 && bucketIndex_ < bucketCount_ - 1) {
    ++bucketIndex_;
    node_ = static_cast<int>((*buckets_)[bucketIndex_].size()) - 1;
  }
}

mEntityHashTableIterator& mEntityHashTableIterator::operator++() {
  // The list's next element is the next older entry, one index down.
  if (node_ >= 0) --node_;
  skipEmpty();
  return *this;
}

// --------------------------------------------------------------- hash table

mEntityHashTable::mEntityHashTable(int /*sizeHint*/) {
  for (int d = 0; d < 4; ++d) {
    bucketCount_[d] = startBuckets[d] * 10;
    entityCount_[d] = 0;
  }
}

int mEntityHashTable::bucketIndex(mEntity* e, int dim) const {
  // Vertex keys and the ids of other entities are never negative.
  const int key = dim == 0 ? static_cast<mVertex*>(e)->getRAND() : e->getId();
  return key % bucketCount_[dim];
}

int mEntityHashTable::hash(mEntity* e) const { return bucketIndex(e, e->getLevel()); }

void mEntityHashTable::add(mEntity* e) {
  const int d = e->getLevel();
  if (buckets_[d].empty()) buckets_[d].resize(static_cast<std::size_t>(bucketCount_[d]));
  buckets_[d][bucketIndex(e, d)].add(e);
  ++entityCount_[d];
  if (3 * static_cast<long long>(bucketCount_[d]) < entityCount_[d])
    resize(d, static_cast<int>(std::min<long long>(3 * static_cast<long long>(entityCount_[d]),
                                                   std::numeric_limits<int>::max())));
}

void mEntityHashTable::del(mEntity* e) {
  const int d = e->getLevel();
  if (buckets_[d].empty()) return;
  mEntityBucket& b = buckets_[d][bucketIndex(e, d)];
  // Entities of different ids are never equal: compare ids before calling equal.
  const int id = e->getId();
  for (int k = b.size() - 1; k >= 0; --k) {
    if (b[k]->getId() == id && b[k]->equal(e)) {
      b.erase(k);
      --entityCount_[d];
      return;
    }
  }
}

mEntity* mEntityHashTable::find(mEntity* e) const {
  const int d = e->getLevel();
  if (buckets_[d].empty()) return nullptr;
  const mEntityBucket& b = buckets_[d][bucketIndex(e, d)];
  const int id = e->getId();
  for (int k = b.size() - 1; k >= 0; --k)
    if (b[k]->getId() == id && b[k]->equal(e)) return b[k];
  return nullptr;
}

long long mEntityHashTable::walkRank(mEntity* e) const {
  const int d = e->getLevel();
  if (buckets_[d].empty()) return -1;
  const int i = bucketIndex(e, d);
  const mEntityBucket& b = buckets_[d][i];
  const int n = b.size();
  for (int k = n - 1; k >= 0; --k)
    if (b[k] == e) return (static_cast<long long>(i) << 32) + (n - 1 - k);
  return -1;
}

void mEntityHashTable::resize(int dim, int n) {
  if (n <= 0) return;
  mEntityBucketArray old;
  old.swap(buckets_[dim]);
  bucketCount_[dim] = n;
  if (entityCount_[dim] == 0) return;  // the buckets come with the first entity
  mEntityBucketArray(static_cast<std::size_t>(n)).swap(buckets_[dim]);
  entityCount_[dim] = 0;
  // Old buckets in index order, each from its front (newest) to its back.
  for (const mEntityBucket& b : old)
    for (int k = b.size() - 1; k >= 0; --k) add(b[k]);
}

mEntityHashTableIterator mEntityHashTable::begin(int dim) const {
  return mEntityHashTableIterator(&buckets_[dim], bucketCount_[dim], false);
}

mEntityHashTableIterator mEntityHashTable::end(int dim) const {
  return mEntityHashTableIterator(&buckets_[dim], bucketCount_[dim], true);
}

void mEntityHashTable::print() const {
  for (int d = 0; d < 4; ++d) {
    std::printf("level %d\n", d);
    for (int k = 0; k < static_cast<int>(buckets_[d].size()); ++k)
      if (!buckets_[d][k].empty())
        std::printf("n(%d) = %d\n", k, static_cast<int>(buckets_[d][k].size()));
  }
}

void mEntityHashTable::psi() const {
  for (int d = 0; d < 4; ++d) {
    int k1 = 0, k2 = 0;
    for (const mEntityBucket& b : buckets_[d]) {
      if (!b.empty()) {
        ++k1;
        k2 += static_cast<int>(b.size());
      }
    }
    // An empty dimension has no mean: 0/0.
    const double mean = k1 ? static_cast<double>(k2) / static_cast<double>(k1)
                           : std::numeric_limits<double>::quiet_NaN();
    std::printf("dim %d k1 = %d k2 = %d psi = %12.5lf\n", d, k1, k2, mean);
  }
}

// ----------------------------------------------------------------- functors

int EntityHashKey::operator()(const mEntity* e) const { return e->getId(); }

bool EntityEqualKey::operator()(const mEntity* a, const mEntity* b) const {
  return a->equal(const_cast<mEntity*>(b));
}

bool EntityLessThanKey::operator()(const mEntity* a, const mEntity* b) const {
  return a->lessthan(const_cast<mEntity*>(b));
}

}  // namespace KORA
