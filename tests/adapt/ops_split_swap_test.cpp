// The edge split and face swap operators on small tetrahedral meshes.
#include <gtest/gtest.h>

#include "EdgeSplitMod.h"
#include "FaceSwapMod.h"
#include "MT_mark.h"
#include "ops_fixtures.h"

using namespace opstest;

namespace {

const double ringVolume = 1.1 * 2.0 / 3.0;

TEST(EdgeSplit, SplitsTheRingAndInterpolatesTheMetric) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m);
  for (pVertex v : {ring.b, ring.c, ring.p, ring.s, ring.q}) ms.field.setSize(v, 2.0);
  ms.field.setSize(ring.a, 1.0);

  EdgeSplitMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), EDGESPLIT);
  const double at[3] = {0, 0, 0.2}, param[2] = {0.25, 0.5};
  op.setSplitEdge(ring.axis());
  op.setSplitPos(at, param);
  EXPECT_EQ(op.getParam(1), 0.5);
  ASSERT_EQ(op.topoCheck(), 1);
  ASSERT_EQ(op.geomCheck(), 1);
  EXPECT_GT(ms.results.worstShape, 0.0);
  EXPECT_LT(ms.results.worstShape, 1.0);

  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 4);
  PList_delete(affected);

  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);
  ASSERT_EQ(calls.kinds.size(), 1u);
  EXPECT_EQ(calls.kinds[0], EDGESPLIT);
  EXPECT_EQ(calls.oldCounts[0], 4);
  EXPECT_EQ(calls.newCounts[0], 8);
  pVertex v = op.getNewVertex();
  ASSERT_NE(v, nullptr);
  double x[3];
  V_coord(v, x);
  adapttest::expectVec(x, 0, 0, 0.2, 0);
  // At t = 1.2 / 2 = 0.6 from a (size 1) to b (size 2): 0.4 + 1.2.
  metric* m = ms.field.getMetric(v);
  ASSERT_NE(m, nullptr);
  for (double h : m->h) EXPECT_NEAR(h, 1.6, 1e-14);
  EXPECT_EQ(M_numRegions(ring.mh.m), 8);
  int bad = 0;
  EXPECT_NEAR(meshVolume(ring.mh.m, &bad), ringVolume, 1e-15);
  EXPECT_EQ(bad, 0);
  EdgeSplitMod copy(op);
  EXPECT_EQ(copy.getNewVertex(), nullptr);
}

TEST(EdgeSplit, SizeCheckWritesOnlyTheExtremeLengths) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m);
  for (pVertex v : {ring.a, ring.b, ring.c, ring.p, ring.s, ring.q}) ms.field.setSize(v, 1.0);
  EdgeSplitMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  const double at[3] = {0, 0, 0.2}, param[2] = {0, 0};
  op.setSplitEdge(ring.axis());
  op.setSplitPos(at, param);
  ms.results.largestRatio = 3;
  ms.results.longestRatio = 4;
  EXPECT_EQ(op.sizeCheck(), 1);
  // Squared from (0,0,0.2): a 1.44, b 0.64, c 0.05, p s q 1.04.
  EXPECT_NEAR(ms.results.longest, 1.44, 1e-14);
  EXPECT_NEAR(ms.results.shortest, 0.05, 1e-14);
  EXPECT_EQ(ms.results.largestRatio, 3);
  EXPECT_EQ(ms.results.longestRatio, 4);

  EdgeSplitMod bare(ring.mh.m, nullptr, &ms.shape, &ms.length, &ms.results);
  bare.setSplitEdge(ring.axis());
  testing::internal::CaptureStdout();
  EXPECT_EQ(bare.sizeCheck(), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: NULL metric field, you can not do size checking");
}

TEST(EdgeSplit, RefusalsLeaveTheMeshAsItWas) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m, 1e-3);
  const Snapshot before(ring.mh.m);
  const double param[2] = {0, 0};
  {  // At an end of the edge half the new tetrahedra are flat.
    EdgeSplitMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setSplitEdge(ring.axis());
    const double end[3] = {0, 0, 1};
    op.setSplitPos(end, param);
    EXPECT_EQ(op.geomCheck(), 0);
  }
  {  // p moved across the axis's plane turns the new tetrahedra over; it comes back.
    const double across[3] = {0, -2, 0}, at[3] = {0, 0, 0};
    EdgeSplitMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, ring.p, across);
    op.setSplitEdge(ring.axis());
    op.setSplitPos(at, param);
    EXPECT_EQ(op.geomCheck(), 0);
    EXPECT_EQ(op.sizeCheck(), 1);
  }
  {
    EdgeSplitMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setSplitEdge(ring.axis());
    EXPECT_EQ(op.topoCheck(), 1);
    EN_constrain(2, ring.axis());
    EXPECT_EQ(op.topoCheck(), 0);
  }
  before.expectSame(ring.mh.m);
}

// Two tetrahedra on the triangle (1,0,0), (0,1,0), (-1,-1,0) of area 3/2,
// with apexes (0,0,1) and (0,0,zb): volume (1 - zb) / 2.
struct TwoTets {
  MeshHolder mh;
  pVertex t[3], top, bottom;
  explicit TwoTets(double zb = -1) {
    t[0] = mh.vertex(1, 0, 0);
    t[1] = mh.vertex(0, 1, 0);
    t[2] = mh.vertex(-1, -1, 0);
    top = mh.vertex(0, 0, 1);
    bottom = mh.vertex(0, 0, zb);
    positiveTet(mh.m, t[0], t[1], t[2], top);
    positiveTet(mh.m, t[0], t[1], t[2], bottom);
  }
  pFace face() const { return F_exists(0, t[0], t[1], t[2], nullptr); }
};

TEST(FaceSwap, TwoTetrahedraBecomeThree) {
  TwoTets two;
  Measures ms(two.mh.m);
  for (pVertex v : {two.t[0], two.t[1], two.t[2], two.top, two.bottom}) ms.field.setSize(v, 1.0);
  FaceSwapMod op(two.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), FACESWAP);
  ms.results.worstShape = -1;
  op.setSwapFace(two.face());
  EXPECT_EQ(ms.results.worstShape, 99999999);
  ASSERT_EQ(op.topoCheck(), 1);
  ASSERT_EQ(op.geomCheck(), 1);
  EXPECT_GT(ms.results.worstShape, 0.0);
  // The new edge from (0,0,1) to (0,0,-1): squared length 4.
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_NEAR(ms.results.longest, 4.0, 1e-14);
  EXPECT_NEAR(ms.results.shortest, 4.0, 1e-14);
  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 2);
  PList_delete(affected);

  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);
  ASSERT_EQ(calls.kinds.size(), 1u);
  EXPECT_EQ(calls.kinds[0], FACESWAP);
  EXPECT_EQ(calls.oldCounts[0], 2);
  EXPECT_EQ(calls.newCounts[0], 3);
  EXPECT_NE(E_exists(two.top, two.bottom), nullptr);
  EXPECT_EQ(M_numRegions(two.mh.m), 3);
  int bad = 0;
  EXPECT_NEAR(meshVolume(two.mh.m, &bad), 1.0, 1e-15);
  EXPECT_EQ(bad, 0);
}

// Three tetrahedra around the edge (0,0,-1)-(0,0,1) through the triangle's
// centroid.
struct ThreeTets {
  MeshHolder mh;
  pVertex t[3], top, bottom;
  ThreeTets() {
    t[0] = mh.vertex(1, 0, 0);
    t[1] = mh.vertex(0, 1, 0);
    t[2] = mh.vertex(-1, -1, 0);
    top = mh.vertex(0, 0, 1);
    bottom = mh.vertex(0, 0, -1);
    for (int i = 0; i < 3; ++i) positiveTet(mh.m, t[i], t[(i + 1) % 3], bottom, top);
  }
};

TEST(FaceSwap, ThreeTetrahedraBecomeTwoAndAMovedVertexComesAlong) {
  ThreeTets three;
  Measures ms(three.mh.m);
  for (pVertex v : {three.t[0], three.t[1], three.t[2], three.top, three.bottom}) ms.field.setSize(v, 1.0);
  // The top moves within the ring's axis: the result stays a valid pair.
  const double up[3] = {0, 0, 1.5};
  FaceSwapMod op(three.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, three.top, up);
  EXPECT_EQ(op.motionVertex, nullptr);
  op.setSwapFace(F_exists(0, three.t[0], three.bottom, three.top, nullptr));
  ASSERT_EQ(op.topoCheck(), 1);
  ASSERT_EQ(op.geomCheck(), 1);
  double x[3];
  V_coord(three.top, x);
  adapttest::expectVec(x, 0, 0, 1, 0);  // put back after the check
  // No new edge; the moved top's edges other than the turning edge (top,
  // bottom) go from (0,0,1.5) to the ring: 1 + 2.25 twice, 2 + 2.25 once.
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_NEAR(ms.results.longest, 4.25, 1e-14);
  EXPECT_NEAR(ms.results.shortest, 3.25, 1e-14);
  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 3);
  PList_delete(affected);

  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);
  ASSERT_EQ(calls.kinds.size(), 1u);
  EXPECT_EQ(calls.kinds[0], FACESWAP);
  EXPECT_EQ(calls.oldCounts[0], 3);
  EXPECT_EQ(calls.newCounts[0], 2);
  EXPECT_EQ(M_numRegions(three.mh.m), 2);
  V_coord(three.top, x);
  adapttest::expectVec(x, 0, 0, 1.5, 0);
  int bad = 0;
  EXPECT_NEAR(meshVolume(three.mh.m, &bad), 1.5 * 2.5 / 3.0, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(FaceSwap, RefusalsLeaveTheMeshAsItWas) {
  TwoTets two;
  Measures ms(two.mh.m);
  const Snapshot before(two.mh.m);
  {  // A face on a model face is never swapped.
    FaceSwapMod op(two.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setSwapFace(two.face());
    F_setWhatIn(two.face(), two.mh.m->getGEntity(1, 2));
    EXPECT_EQ(op.topoCheck(), 0);
    F_setWhatIn(two.face(), nullptr);
    EN_constrain(0, two.face());
    EXPECT_EQ(op.topoCheck(), 0);
  }
  {  // A face with one region.
    FaceSwapMod op(two.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setSwapFace(F_exists(0, two.t[0], two.t[1], two.top, nullptr));
    EXPECT_EQ(op.geomCheck(), 0);
  }
  {  // The top moved below the bottom: the new edge would leave the pair.
    const double below[3] = {0, 0, -2};
    FaceSwapMod op(two.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, two.top, below);
    op.setSwapFace(two.face());
    EXPECT_EQ(op.geomCheck(), 0);
    // The swap asked for anyway is refused and the top is put back.
    Calls calls;
    op.callback = Calls::record;
    op.userData = &calls;
    testing::internal::CaptureStdout();
    EXPECT_EQ(op.apply(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Error:  inconsistent evaluation in F_swap\n");
    EXPECT_TRUE(calls.kinds.empty());
  }
  before.expectSame(two.mh.m);
}

TEST(FaceSwap, ThroughAnEdgeSwapIsRefusedAndNotMeasured) {
  // Apexes (0,0,1) and (0,0,-1) over the triangle (0,0,0), (1,0,0), (0,1,0):
  // across its edge on the y axis both regions have faces in the plane x = 0.
  MeshHolder mh;
  pVertex o = mh.vertex(0, 0, 0), x = mh.vertex(1, 0, 0), y = mh.vertex(0, 1, 0);
  positiveTet(mh.m, o, x, y, mh.vertex(0, 0, 1));
  positiveTet(mh.m, o, x, y, mh.vertex(0, 0, -1));
  Measures ms(mh.m);
  const Snapshot before(mh.m);
  FaceSwapMod op(mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.setSwapFace(F_exists(0, o, x, y, nullptr));
  EXPECT_EQ(op.geomCheck(), 0);
  EXPECT_EQ(op.sizeCheck(), 0);
  before.expectSame(mh.m);
}

}  // namespace
