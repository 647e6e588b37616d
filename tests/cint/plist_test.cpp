// The caller-owned lists of the interface and their walks.
#include <gtest/gtest.h>

#include "KORA.h"

using namespace KORA;

namespace {
int a_, b_, c_, x_;
void* const a = &a_;
void* const b = &b_;
void* const c = &c_;
void* const x = &x_;

pPList listOf(std::initializer_list<void*> items) {
  pPList l = PList_new();
  for (void* p : items) PList_append(l, p);
  return l;
}

std::vector<void*> itemsOf(pPList l) {
  std::vector<void*> v;
  for (int i = 0; i < PList_size(l); ++i) v.push_back(PList_item(l, i));
  return v;
}
}  // namespace

TEST(CintList, WalkEndsWithNullAndStartsOverWithTheSameWord) {
  pPList l = listOf({a, b});
  void* it = nullptr;
  std::vector<void*> seen;
  for (int k = 0; k < 6; ++k) seen.push_back(PList_next(l, &it));
  EXPECT_EQ(seen, (std::vector<void*>{a, b, nullptr, a, b, nullptr}));
  PList_delete(l);

  pPList empty = PList_new();
  void* w = nullptr;
  EXPECT_EQ(PList_next(empty, &w), nullptr);
  EXPECT_NE(w, nullptr);  // the walk has started
  EXPECT_EQ(empty->cursor, 0);
  PList_delete(empty);
}

TEST(CintList, InterleavedWalksShareTheCursorAndACopyKeepsIt) {
  pPList l = listOf({a, b, c});
  void* w1 = nullptr;
  void* w2 = nullptr;
  EXPECT_EQ(PList_next(l, &w1), a);
  EXPECT_EQ(PList_next(l, &w2), a);  // restarts the shared walk
  EXPECT_EQ(PList_next(l, &w1), b);
  EXPECT_EQ(PList_next(l, &w1), c);

  void* w = nullptr;
  PList_next(l, &w);
  PList_next(l, &w);  // cursor now at index 2
  pPList copy = PList_newCopy(l);
  void* wc = x;  // a started walk goes on where the cursor stands
  EXPECT_EQ(PList_next(copy, &wc), c);
  EXPECT_EQ(PList_next(copy, &wc), nullptr);
  EXPECT_EQ(PList_next(l, &w), c);  // independent of the copy
  PList_delete(copy);
  PList_delete(l);
}

TEST(CintList, RemovalsKeepTheOrderOfTheRest) {
  pPList l = listOf({a, b, a, c});
  PList_remFirst(l);
  EXPECT_EQ(itemsOf(l), (std::vector<void*>{b, c}));
  PList_remFirst(l);
  PList_remFirst(l);
  EXPECT_EQ(PList_size(l), 0);
  PList_remFirst(l);  // empty: nothing to do
  EXPECT_EQ(PList_size(l), 0);
  PList_delete(l);

  pPList m = listOf({a, b, a, c, a});
  PList_remItem(m, a);
  EXPECT_EQ(itemsOf(m), (std::vector<void*>{b, c}));
  PList_remItem(m, x);
  EXPECT_EQ(itemsOf(m), (std::vector<void*>{b, c}));
  PList_delete(m);
}

TEST(CintList, UniqueAppendsAndMembership) {
  pPList l = listOf({a, b});
  EXPECT_EQ(PList_appUnique(l, a), l);
  EXPECT_EQ(PList_size(l), 2);
  PList_append(l, a);
  EXPECT_EQ(PList_size(l), 3);
  PList_appPListUnique(l, l);
  EXPECT_EQ(PList_size(l), 3);
  pPList other = listOf({c, a, c});
  EXPECT_EQ(PList_appPListUnique(l, other), l);
  EXPECT_EQ(itemsOf(l), (std::vector<void*>{a, b, a, c}));
  EXPECT_EQ(PList_size(other), 3);

  EXPECT_EQ(PList_inList(l, x), 0);
  PList_append(l, nullptr);
  EXPECT_EQ(PList_inList(l, nullptr), 1);
  PList_delete(other);
  PList_delete(l);
  PList_delete(nullptr);
}

TEST(CintList, WalkAfterClearingAndAfterShortening) {
  pPList l = listOf({a, b, c});
  void* w = nullptr;
  EXPECT_EQ(PList_next(l, &w), a);
  EXPECT_EQ(PList_next(l, &w), b);
  // Shortened below its cursor: the walk ends instead of reading past the end.
  PList_clear(l);
  EXPECT_EQ(PList_next(l, &w), nullptr);
  PList_append(l, c);
  PList_append(l, x);
  void* fresh = nullptr;
  EXPECT_EQ(PList_next(l, &fresh), c);
  EXPECT_EQ(PList_next(l, &fresh), x);
  // Items added during a walk are reached by it.
  PList_append(l, a);
  EXPECT_EQ(PList_next(l, &fresh), a);
  EXPECT_EQ(PList_next(l, &fresh), nullptr);
  PList_delete(l);
}
