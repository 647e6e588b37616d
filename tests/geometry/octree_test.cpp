// Octree mechanics on plain axis-aligned boxes, whose inside test is exact and
// cheap, so each behaviour of the tree can be checked on its own.
#include "Octree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace KORA;

namespace {

struct Box {
  double lo[3], hi[3];
};

int insideCalls = 0;

void boxBB(void *e, double *min, double *max) {
  const Box *b = static_cast<Box *>(e);
  for (int a = 0; a < 3; ++a) {
    min[a] = b->lo[a];
    max[a] = b->hi[a];
  }
}
void boxCentroid(void *e, double *c) {
  const Box *b = static_cast<Box *>(e);
  for (int a = 0; a < 3; ++a) c[a] = 0.5 * (b->lo[a] + b->hi[a]);
}
int boxInside(void *e, double *p) {
  ++insideCalls;
  const Box *b = static_cast<Box *>(e);
  for (int a = 0; a < 3; ++a)
    if (p[a] < b->lo[a] || p[a] > b->hi[a]) return 0;
  return 1;
}

struct OctreeDeleter {
  void operator()(Octree *o) const { Octree_Delete(o); }
};
using OctreePtr = std::unique_ptr<Octree, OctreeDeleter>;

OctreePtr unitOctree(int maxElements) {
  double origin[3] = {0, 0, 0}, size[3] = {1, 1, 1};
  return OctreePtr(Octree_Create(maxElements, origin, size, boxBB, boxCentroid,
                                 boxInside));
}

int chainLength(const bucket *b) {
  int n = 0;
  for (const elementRecord *r = b->elementChain; r; r = r->next) ++n;
  return n;
}

// Records held by all leaves below b, and the deepest leaf.
void countLeaves(const bucket *b, int &records, int &depth) {
  if (!b->children) {
    records += chainLength(b);
    EXPECT_EQ(chainLength(b), b->numElements);
    depth = std::max(depth, b->depth);
    return;
  }
  EXPECT_EQ(b->elementChain, nullptr);
  for (int n = 0; n < 8; ++n) countLeaves(&b->children[n], records, depth);
}

}  // namespace

TEST(Octree, RootIsWidenedAndSplitOnceEvenWhenEmpty) {
  OctreePtr o = unitOctree(20);
  for (int a = 0; a < 3; ++a) {
    EXPECT_DOUBLE_EQ(o->root->minPt[a], -0.01);
    EXPECT_DOUBLE_EQ(o->root->maxPt[a], 1.01);
  }
  ASSERT_NE(o->root->children, nullptr);
  // Child i + 2j + 4k takes the upper half along x for i, y for j, z for k.
  const bucket &c5 = o->root->children[5];
  EXPECT_DOUBLE_EQ(c5.minPt[0], 0.5);
  EXPECT_DOUBLE_EQ(c5.minPt[1], -0.01);
  EXPECT_DOUBLE_EQ(c5.minPt[2], 0.5);
  EXPECT_DOUBLE_EQ(c5.maxPt[0], 1.01);
  double p[3] = {0.5, 0.5, 0.5};
  EXPECT_EQ(Octree_Search(p, o.get()), nullptr);
  // A centroid on the plane between two children goes to the lower index.
  Box onFace{{0.4, 0.1, 0.1}, {0.6, 0.3, 0.3}};
  ASSERT_EQ(Octree_Insert(&onFace, o.get()), 1);
  EXPECT_EQ(o->root->children[0].numElements, 1);
  EXPECT_EQ(o->root->children[1].numElements, 0);
}

TEST(Octree, LeafSplitsOnItsCapacityPlusOneAndKeepsEveryRecord) {
  OctreePtr o = unitOctree(20);
  // 21 tiny boxes spread inside the lowest octant [0, 0.5]^3.
  std::vector<Box> boxes(21);
  for (int i = 0; i < 21; ++i) {
    const double x = 0.02 + 0.02 * i, y = 0.45 - 0.02 * i, z = 0.1 + 0.01 * i;
    boxes[i] = {{x - 0.001, y - 0.001, z - 0.001}, {x + 0.001, y + 0.001, z + 0.001}};
  }
  bucket *leaf = &o->root->children[0];
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Octree_Insert(&boxes[i], o.get()), 1);
  EXPECT_EQ(leaf->numElements, 20);
  EXPECT_EQ(leaf->children, nullptr);
  // Inserting an element again changes nothing.
  Octree_Insert(&boxes[3], o.get());
  EXPECT_EQ(leaf->numElements, 20);
  EXPECT_EQ(o->info->pendingElements.size(), 20u);
  Octree_Insert(&boxes[20], o.get());
  ASSERT_NE(leaf->children, nullptr);
  EXPECT_EQ(leaf->numElements, 0);
  EXPECT_EQ(leaf->elementChain, nullptr);
  int records = 0, depth = 0;
  countLeaves(o->root, records, depth);
  EXPECT_EQ(records, 21);
  Octree_Arrange(o.get());
  EXPECT_TRUE(o->info->pendingElements.empty());
  for (Box &b : boxes) {
    double c[3];
    boxCentroid(&b, c);
    EXPECT_EQ(Octree_Search(c, o.get()), &b);
  }
}

TEST(Octree, CoincidentCentroidsStopSplittingAtTheDepthCap) {
  OctreePtr o = unitOctree(2);
  std::vector<Box> boxes(10, Box{{0.2, 0.2, 0.2}, {0.3, 0.3, 0.3}});
  for (Box &b : boxes) EXPECT_EQ(Octree_Insert(&b, o.get()), 1);
  int records = 0, depth = 0;
  countLeaves(o->root, records, depth);
  EXPECT_EQ(records, 10);
  EXPECT_EQ(depth, OctreeMaxDepth);
  Octree_Arrange(o.get());
  double p[3] = {0.25, 0.25, 0.25};
  EXPECT_NE(Octree_Search(p, o.get()), nullptr);
  std::vector<void *> all;
  EXPECT_EQ(Octree_SearchAll(p, o.get(), &all), &all);
  EXPECT_EQ(all.size(), 10u);
}

TEST(Octree, ElementWithCentroidOutsideTheBoxIsRefused) {
  OctreePtr o = unitOctree(4);
  Box outside{{2, 2, 2}, {3, 3, 3}};
  testing::internal::CaptureStdout();
  EXPECT_EQ(Octree_Insert(&outside, o.get()), 0);
  EXPECT_FALSE(testing::internal::GetCapturedStdout().empty());
  EXPECT_TRUE(o->info->pendingElements.empty());
  Octree_Arrange(o.get());
  double p[3] = {2.5, 2.5, 2.5};
  EXPECT_EQ(Octree_Search(p, o.get()), nullptr);
}

TEST(Octree, OverlapListsFindElementsWhoseCentroidIsElsewhere) {
  OctreePtr o = unitOctree(1);
  // A long box whose centroid is in the lower x half, and a small box that
  // forces the upper x half to be a separate leaf.
  Box longBox{{0.0, 0.0, 0.0}, {0.9, 0.1, 0.1}};
  Box small{{0.8, 0.8, 0.8}, {0.9, 0.9, 0.9}};
  Octree_Insert(&longBox, o.get());
  Octree_Insert(&small, o.get());
  Octree_Arrange(o.get());
  double p[3] = {0.85, 0.05, 0.05};  // leaf of child 1, centroid in child 0
  EXPECT_EQ(Octree_Search(p, o.get()), &longBox);
  const bucket &c1 = o->root->children[1];
  ASSERT_EQ(c1.overlapList.size(), 1u);
  EXPECT_EQ(c1.overlapList[0], &longBox);
}

TEST(Octree, SearchesReuseTheLastFoundElementAndReportNothingOutside) {
  OctreePtr o = unitOctree(1);
  std::vector<Box> boxes;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      boxes.push_back({{0.25 * i, 0.25 * j, 0}, {0.25 * (i + 1), 0.25 * (j + 1), 1}});
  for (Box &b : boxes) Octree_Insert(&b, o.get());
  Octree_Arrange(o.get());
  double p[3] = {0.6, 0.3, 0.5};
  void *first = Octree_Search(p, o.get());
  EXPECT_EQ(first, &boxes[2 * 4 + 1]);
  insideCalls = 0;
  double q[3] = {0.7, 0.4, 0.2};
  EXPECT_EQ(Octree_Search(q, o.get()), first);
  EXPECT_EQ(insideCalls, 1);  // answered by the last found element alone

  testing::internal::CaptureStdout();
  double far[3] = {5, 5, 5}, justOut[3] = {1.005, 0.5, 0.5};
  EXPECT_EQ(Octree_Search(far, o.get()), nullptr);
  EXPECT_EQ(Octree_Search(justOut, o.get()), nullptr);  // in the box, in no element
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(o->info->lastFound, first);

  std::vector<void *> all;
  testing::internal::CaptureStdout();
  EXPECT_EQ(Octree_SearchAll(far, o.get(), &all), nullptr);
  EXPECT_EQ(Octree_SearchAll(justOut, o.get(), &all), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error! the point is not in the domain.\n"
            "This point is not found in all elements! It is not in the domain \n");
  // A point on the common corner of four boxes lies in all of them.
  double corner[3] = {0.5, 0.5, 0.5};
  EXPECT_EQ(Octree_SearchAll(corner, o.get(), &all), &all);
  EXPECT_EQ(all.size(), 4u);
}
