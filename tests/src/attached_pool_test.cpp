// Attached objects and small value arrays drawn from the shared block pools:
// aligned as from the global operator new, distinct while alive, their blocks
// handed out again once freed, and sizes beyond the pooled ones served by the
// heap.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "mAttachableDataContainer.h"
#include "mBlockPool.h"
#include "mVertex.h"

namespace {

using namespace KORA;

// Attachments of a few sizes: below, at and beyond the largest pooled block.
template <std::size_t Bytes>
struct Payload : mAttachableData {
  unsigned char bytes[Bytes];
};

template <class T>
void checkAttachments() {
  constexpr int n = 3000;
  std::vector<std::unique_ptr<mAttachableData>> held;
  std::set<std::uintptr_t> seen;
  for (int i = 0; i < n; ++i) {
    auto* p = new T;
    std::memset(p->bytes, i & 0xff, sizeof p->bytes);
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    ASSERT_EQ(a % 16, 0u) << sizeof(T);
    ASSERT_TRUE(seen.insert(a).second) << "block handed out twice";
    held.emplace_back(p);
  }
  // Each object kept its bytes: no block overlaps another.
  for (int i = 0; i < n; ++i) {
    const auto* p = static_cast<const T*>(held[i].get());
    for (unsigned char b : p->bytes) ASSERT_EQ(b, i & 0xff);
  }
  // Freed blocks of a pooled size serve the next objects of that size.
  std::set<std::uintptr_t> freed;
  for (int i = 0; i < n; i += 2) {
    freed.insert(reinterpret_cast<std::uintptr_t>(held[i].get()));
    held[i].reset();
  }
  if (poolsEnabled() && sizeof(T) <= kPooledBlockMax) {
    std::unique_ptr<mAttachableData> again(new T);
    EXPECT_TRUE(freed.count(reinterpret_cast<std::uintptr_t>(again.get())));
  }
}

TEST(AttachedPool, ObjectsAreAlignedDistinctAndReused) {
  checkAttachments<Payload<1>>();
  checkAttachments<Payload<40>>();
  checkAttachments<Payload<kPooledBlockMax - 24>>();
  checkAttachments<Payload<kPooledBlockMax + 100>>();  // from the heap
}

TEST(AttachedPool, ValueArraysAreAlignedAndBeyondThePoolsComeFromTheHeap) {
  for (std::size_t n : {std::size_t(1), std::size_t(3), std::size_t(24), std::size_t(64), std::size_t(65),
                        std::size_t(1000)}) {
    std::vector<double*> arrays;
    for (int k = 0; k < 100; ++k) {
      double* p = poolArray<double>(n);
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << n;
      for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<double>(k * 1000 + i);
      arrays.push_back(p);
    }
    for (int k = 0; k < 100; ++k)
      for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(arrays[k][i], static_cast<double>(k * 1000 + i));
    for (int k = 0; k < 100; ++k) poolArrayRelease(arrays[k], n);
  }
}

TEST(AttachedPool, PooledVectorsGrowShrinkAndKeepTheirValues) {
  // Growth moves the values through blocks of several pools and then past
  // the pooled sizes; every block goes back when the vectors go.
  std::vector<std::vector<mVector, mPoolAllocator<mVector>>> vs(50);
  for (int step = 0; step < 40; ++step)
    for (std::size_t k = 0; k < vs.size(); ++k) vs[k].push_back(mVector(step, k, -step));
  for (std::size_t k = 0; k < vs.size(); ++k) {
    ASSERT_EQ(vs[k].size(), 40u);
    for (int step = 0; step < 40; ++step) {
      EXPECT_EQ(vs[k][step](0), step);
      EXPECT_EQ(vs[k][step](1), static_cast<double>(k));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(vs[k].data()) % 16, 0u);
    }
    vs[k].resize(3);
    vs[k].shrink_to_fit();
    EXPECT_EQ(vs[k][2](2), -2.0);
  }
}

TEST(AttachedPool, ContainerDeletesPooledAttachmentsOfEveryKind) {
  // A vertex's data of several kinds, replaced and deleted under their tags,
  // and the rest freed with the vertex (the leak checker sees what is left).
  for (int round = 0; round < 3; ++round) {
    std::vector<std::unique_ptr<mVertex>> vs;
    for (int i = 0; i < 500; ++i) {
      auto v = std::make_unique<mVertex>(i, mPoint(i, 0, 0), nullptr);
      v->attachInt(1, i);
      v->attachDouble(2, 0.5 * i);
      v->attachTensor(3, mTensor2(1.0 * i));
      v->attachVector(4, mVector(i, 1, 2));
      v->attachInt(1, i + 1);  // the same object, its value replaced
      if (i % 3 == 0) v->deleteData(2);
      vs.push_back(std::move(v));
    }
    for (int i = 0; i < 500; ++i) {
      EXPECT_EQ(vs[i]->getAttachedInt(1), i + 1);
      EXPECT_EQ(vs[i]->getAttachedDouble(2), i % 3 == 0 ? 0.0 : 0.5 * i);
      EXPECT_EQ(vs[i]->getAttachedTensor(3)(1, 1), 1.0 * i);
      EXPECT_EQ(vs[i]->getAttachedVector(4)(0), i);
      EXPECT_EQ(vs[i]->nbAttachedData(), i % 3 == 0 ? 3 : 4);
    }
  }
}

}  // namespace
