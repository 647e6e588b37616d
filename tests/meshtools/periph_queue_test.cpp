// The first-in-first-out queue.
#include <gtest/gtest.h>

#include "MT_queue.h"

TEST(MeshToolsQueue, FirstInFirstOutWithDuplicates) {
  int a = 0, b = 0, c = 0;
  pPQueue q = PQueue_new();
  EXPECT_EQ(PQueue_pop(q), nullptr);
  EXPECT_EQ(PQueue_size(q), 0);
  PQueue_push(q, &a);
  PQueue_push(q, &b);
  PQueue_push(q, &a);
  EXPECT_EQ(PQueue_size(q), 3);
  // The head goes with every later occurrence of it.
  EXPECT_EQ(PQueue_pop(q), &a);
  EXPECT_EQ(PQueue_size(q), 1);
  PQueue_pushUnique(q, &b);
  EXPECT_EQ(PQueue_size(q), 1);
  PQueue_pushUnique(q, &c);
  EXPECT_EQ(PQueue_pop(q), &b);
  EXPECT_EQ(PQueue_pop(q), &c);
  EXPECT_EQ(PQueue_pop(q), nullptr);
  EXPECT_EQ(PQueue_size(q), 0);
  for (int* p : {&a, &b, &c, &b}) PQueue_push(q, p);
  PQueue_remItem(q, &b);
  EXPECT_EQ(PQueue_size(q), 2);
  EXPECT_EQ(PQueue_pop(q), &a);
  PQueue_push(q, &a);
  PQueue_push(q, &a);
  PQueue_reset(q);
  EXPECT_EQ(PQueue_size(q), 0);
  PQueue_delete(q);
}
