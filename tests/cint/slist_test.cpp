// The circular work lists: walks with insertion and removal, reversal, look-ups.
#include <gtest/gtest.h>

#include <new>

#include "KORA.h"
#include "mEntity.h"

using namespace KORA;

namespace {
int av, bv, cv, xv;
int* const a = &av;
int* const b = &bv;
int* const c = &cv;
int* const x = &xv;

std::vector<int*> contents(SSList<int*>& l) {
  std::vector<int*> v;
  SSListIter<int*> it(l);
  int* p = nullptr;
  while (it.next(p)) v.push_back(p);
  return v;
}

void fill(SSList<int*>& l, std::initializer_list<int*> vs) {
  for (int* p : vs) l.append(p);
}
}  // namespace

TEST(CintWorkList, EmptyAndOneLinkLists) {
  SListBase empty;
  EXPECT_EQ(empty.get(), nullptr);
  EXPECT_EQ(empty.nth(0), nullptr);
  empty.reverse();
  empty.clear();
  EXPECT_EQ(empty.count, 0);

  SSList<int*> one;
  one.append(a);
  EXPECT_EQ(one.last->next, one.last);
  SLinkBase* l = one.get();
  EXPECT_EQ(one.last, nullptr);
  EXPECT_EQ(one.count, 0);
  delete static_cast<SSLink<int*>*>(l);
  EXPECT_EQ(one.inList(a), 0);
}

TEST(CintWorkList, NthAndReverse) {
  SSList<int*> l;
  fill(l, {a, b, c});
  EXPECT_EQ(l.SListBase::nth(-1), nullptr);
  EXPECT_EQ(l.SListBase::nth(3), nullptr);
  EXPECT_EQ(l.SListBase::nth(2), l.last);
  EXPECT_EQ(l.nth(1), b);
  l.reverse();
  EXPECT_EQ(contents(l), (std::vector<int*>{c, b, a}));
  EXPECT_EQ(static_cast<SSLink<int*>*>(l.last)->data, a);
  EXPECT_EQ(l.size(), 3);
}

TEST(CintWorkList, AppendDuringAWalkAndAWalkMadeOnAnEmptyList) {
  SSList<int*> l;
  fill(l, {a, b});
  SSListIter<int*> it(l);
  int* p = nullptr;
  std::vector<int*> seen;
  ASSERT_TRUE(it.next(p));
  seen.push_back(p);
  l.append(c);
  while (it.next(p)) seen.push_back(p);
  EXPECT_EQ(seen, (std::vector<int*>{a, b, c}));

  SSList<int*> e;
  SSListIter<int*> early(e);
  e.append(a);
  EXPECT_EQ(early.next(p), 0);
  early.reset();
  ASSERT_TRUE(early.next(p));
  EXPECT_EQ(p, a);
}

TEST(CintWorkList, InsertionThroughAWalkInEachPosition) {
  int* p = nullptr;
  {  // at the start: becomes the first, handed out first
    SSList<int*> l;
    fill(l, {a, b});
    SSListIter<int*> it(l);
    it.insert(x);
    ASSERT_TRUE(it.next(p));
    EXPECT_EQ(p, x);
    EXPECT_EQ(contents(l), (std::vector<int*>{x, a, b}));
  }
  {  // standing on the last: becomes the last, handed out next
    SSList<int*> l;
    fill(l, {a, b});
    SSListIter<int*> it(l);
    it.next(p);
    it.next(p);
    it.insert(x);
    ASSERT_TRUE(it.next(p));
    EXPECT_EQ(p, x);
    EXPECT_EQ(static_cast<SSLink<int*>*>(l.last)->data, x);
    EXPECT_EQ(it.next(p), 0);
  }
  {  // in the middle: right after the current link
    SSList<int*> l;
    fill(l, {a, b});
    SSListIter<int*> it(l);
    it.next(p);
    it.insert(x);
    EXPECT_EQ(contents(l), (std::vector<int*>{a, x, b}));
    ASSERT_TRUE(it.next(p));
    EXPECT_EQ(p, x);
  }
  {  // into an empty list: its only link, the walk is at its end
    SSList<int*> l;
    SSListIter<int*> it(l);
    it.insert(x);
    EXPECT_EQ(l.size(), 1);
    EXPECT_EQ(it.next(p), 0);
  }
  {  // a walk made while the list was empty inserts at the start once values came
    SSList<int*> l;
    SSListIter<int*> it(l);
    fill(l, {a, b});
    it.insert(x);
    EXPECT_EQ(contents(l), (std::vector<int*>{x, a, b}));
    EXPECT_EQ(l.size(), 3);
  }
}

TEST(CintWorkList, RemovalThroughAWalkInEachPosition) {
  struct Case {
    int removeAt;  // 0-based position handed out before the removal
    std::vector<int*> left;
    int* next;  // next value handed out, null at the end
  };
  const Case cases[] = {{0, {b, c}, b}, {1, {a, c}, c}, {2, {a, b}, nullptr}};
  for (const Case& k : cases) {
    SSList<int*> l;
    fill(l, {a, b, c});
    SSListIter<int*> it(l);
    int* p = nullptr;
    for (int s = 0; s <= k.removeAt; ++s) it.next(p);
    it.remove();
    EXPECT_EQ(contents(l), k.left) << k.removeAt;
    int* q = nullptr;
    const int more = it.next(q);
    EXPECT_EQ(more ? q : nullptr, k.next) << k.removeAt;
  }
}

TEST(CintWorkList, RemovingEachValueAfterItsStepEmptiesTheList) {
  SSList<int*> l;
  fill(l, {a, b, c});
  SSListIter<int*> it(l);
  int* p = nullptr;
  int n = 0;
  while (it.next(p)) {
    it.remove();
    ++n;
  }
  EXPECT_EQ(n, 3);
  EXPECT_EQ(l.size(), 0);
  EXPECT_EQ(l.last, nullptr);

  SSList<int*> m;
  SSListIter<int*> none(m);
  none.remove();  // no link handed out: nothing happens
  fill(m, {a});
  SSListIter<int*> before(m);
  before.remove();  // the walk has not stepped yet
  EXPECT_EQ(m.size(), 1);
}

TEST(CintWorkList, LookUpsByValue) {
  SSList<int*> l;
  fill(l, {a, b});
  l.appendUnique(a);
  EXPECT_EQ(contents(l), (std::vector<int*>{a, b}));
  l.append(a);
  l.remove(a);
  EXPECT_EQ(contents(l), (std::vector<int*>{b, a}));
  l.remove(x);
  EXPECT_EQ(l.size(), 2);
  EXPECT_EQ(l.inList(b), 1);
  EXPECT_EQ(l.inList(x), 0);

  // Lists kept by pointer, as the adaptation keeps them, with entity values.
  SSList<mEntity*>* heap = new SSList<mEntity*>;
  heap->append(nullptr);
  delete heap;
  SSList<double*> coords;
  double xyz[3] = {1, 2, 3};
  coords.append(xyz);
  EXPECT_EQ(coords.nth(0), xyz);
}

TEST(CintWorkList, MemoryWrappers) {
  MD_memoryInit();
  MD_memoryExit();
  MD_memoryInit();
  MD_free(16, nullptr);
  int* z = static_cast<int*>(MD_calloc(4, sizeof(int)));
  EXPECT_EQ(z[0] + z[1] + z[2] + z[3], 0);
  MD_free(4 * sizeof(int), z);
  void* p = MD_malloc(24);
  EXPECT_NE(p, nullptr);
  MD_free(24, p);
  // A failed allocation is an exception, never a null block used unchecked.
  // (The sanitizers stop the process on such a request instead.)
#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
  EXPECT_THROW(MD_malloc(static_cast<std::size_t>(-1) / 2), std::bad_alloc);
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer)
  EXPECT_THROW(MD_malloc(static_cast<std::size_t>(-1) / 2), std::bad_alloc);
#endif
#endif
}
