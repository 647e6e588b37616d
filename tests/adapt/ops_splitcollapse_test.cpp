// The split-collapse operator on the ring of four tetrahedra around an edge.
#include <gtest/gtest.h>

#include "MT_mark.h"
#include "SplitCollapsMod.h"
#include "ops_fixtures.h"

using namespace opstest;

namespace {

const double ringVolume = 1.1 * 2.0 / 3.0;  // (1 + cx) * 2 / 3 with cx = 0.1

pVertex vertexAt(pMesh m, double x, double y, double z) {
  pVertex found = nullptr;
  VIter it = M_vertexIter(m);
  while (pVertex v = VIter_next(it)) {
    double p[3];
    V_coord(v, p);
    if (p[0] == x && p[1] == y && p[2] == z) found = v;
  }
  VIter_delete(it);
  return found;
}

TEST(SplitCollapse, KeepsTheOppositeVertexOnOneModelEntity) {
  Ring4 ring(0.1);
  int bad = 0;
  ASSERT_NEAR(meshVolume(ring.mh.m, &bad), ringVolume, 1e-15);
  ASSERT_EQ(bad, 0);
  Measures ms(ring.mh.m);
  for (pVertex v : {ring.a, ring.b, ring.c, ring.p, ring.s, ring.q}) ms.field.setSize(v, 1.0);
  metric* cMetric = ms.field.getMetric(ring.c);

  SplitCollapsMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), SPLITCOLLAPSE);
  op.reset(ring.axis(), ring.face());
  EXPECT_EQ(op.getSplitEdge(), ring.axis());
  EXPECT_EQ(op.getFace(), ring.face());
  ASSERT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.getVertex(), ring.c);
  ASSERT_EQ(op.geomCheck(), 1);
  EXPECT_GT(ms.results.worstShape, 0.0);
  EXPECT_LT(ms.results.worstShape, 1.0);

  // From c = (0.1,0,0) to the vertices opposite the axis in its other faces:
  // p and q at squared length 1.01, s at 1.21. The ratios are not written.
  ms.results.largestRatio = 7;
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_NEAR(ms.results.longest, 1.21, 1e-12);
  EXPECT_NEAR(ms.results.shortest, 1.01, 1e-12);
  EXPECT_EQ(ms.results.largestRatio, 7);

  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 4);
  PList_delete(affected);

  // A copy made after the checks applies while the original is re-aimed.
  SplitCollapsMod copy(op);
  op.reset(nullptr, nullptr);
  Calls calls;
  copy.callback = Calls::record;
  copy.userData = &calls;
  EXPECT_EQ(copy.apply(), 1);
  // The split makes eight regions of four; the collapse of its vertex onto c
  // removes the four halves of the face's regions and rebuilds the other four.
  ASSERT_EQ(calls.kinds.size(), 2u);
  EXPECT_EQ(calls.kinds[0], EDGESPLIT);
  EXPECT_EQ(calls.oldCounts[0], 4);
  EXPECT_EQ(calls.newCounts[0], 8);
  EXPECT_EQ(calls.kinds[1], ECOLLAPSE);
  EXPECT_EQ(calls.oldCounts[1], 8);
  EXPECT_EQ(calls.newCounts[1], 4);
  expectEveryRegionReportedAsIs(calls, ring.mh.m);

  EXPECT_EQ(ring.axis(), nullptr);
  EXPECT_EQ(M_numVertices(ring.mh.m), 6);
  EXPECT_EQ(M_numRegions(ring.mh.m), 4);
  EXPECT_EQ(ms.field.getMetric(ring.c), cMetric);
  double x[3];
  V_coord(ring.c, x);
  adapttest::expectVec(x, 0.1, 0, 0, 0);
  EXPECT_NEAR(meshVolume(ring.mh.m, &bad), ringVolume, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(SplitCollapse, OnAModelEdgeTheSplitVertexTakesThePlaceAndMetric) {
  Ring4 ring(0.1);
  pGEntity gEdge = ring.mh.m->getGEntity(1, 1), gFace = ring.mh.m->getGEntity(1, 2);
  E_setWhatIn(ring.axis(), gEdge);
  F_setWhatIn(ring.face(), gFace);
  V_setWhatIn(ring.c, gFace);
  Measures ms(ring.mh.m);
  ms.field.setSize(ring.c, 0.7);
  metric* cMetric = ms.field.getMetric(ring.c);

  SplitCollapsMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.reset(ring.axis(), ring.face());
  EXPECT_EQ(op.topoCheck(), 0);  // c lies deeper in the model than the edge
  op.setSnap();
  ASSERT_EQ(op.topoCheck(), 1);
  ASSERT_EQ(op.geomCheck(), 1);
  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);

  // c had no region outside the face's two: the collapse rebuilds nothing, and
  // the regions the split reported keep their shape.
  ASSERT_EQ(calls.kinds.size(), 2u);
  EXPECT_EQ(calls.kinds[0], EDGESPLIT);
  EXPECT_EQ(calls.kinds[1], ECOLLAPSE);
  EXPECT_EQ(calls.oldCounts[1], 4);
  EXPECT_EQ(calls.newCounts[1], 0);
  expectEveryRegionReportedAsIs(calls, ring.mh.m);

  pVertex made = vertexAt(ring.mh.m, 0.1, 0, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made, ring.c);
  EXPECT_EQ(V_whatIn(made), gEdge);
  EXPECT_EQ(ms.field.getMetric(made), cMetric);  // handed over, not copied
  EXPECT_EQ(M_numVertices(ring.mh.m), 6);
  EXPECT_EQ(M_numRegions(ring.mh.m), 4);
  int bad = 0;
  EXPECT_NEAR(meshVolume(ring.mh.m, &bad), ringVolume, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(SplitCollapse, RefusalsLeaveTheMeshAsItWas) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m);
  const Snapshot before(ring.mh.m);
  SplitCollapsMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);

  // An edge that does not bound the face.
  op.reset(E_exists(ring.p, ring.a), ring.face());
  EXPECT_EQ(op.topoCheck(), 0);

  // The face's model entity is neither the vertex's nor the edge's.
  pGEntity gFace = ring.mh.m->getGEntity(1, 2), gRegion = ring.mh.m->getGEntity(1, 3);
  op.reset(ring.axis(), ring.face());
  F_setWhatIn(ring.face(), gFace);
  EXPECT_EQ(op.topoCheck(), 0);
  // An interior vertex with the edge on a model face is refused unless snapping.
  E_setWhatIn(ring.axis(), gFace);
  V_setWhatIn(ring.c, gRegion);
  EXPECT_EQ(op.topoCheck(), 0);
  op.setSnap();
  EXPECT_EQ(op.topoCheck(), 1);
  // Constraints on the edge or on the vertex.
  EN_constrain(4, ring.c);
  EXPECT_EQ(op.topoCheck(), 0);

  // A threshold above what the new tetrahedra reach.
  meanRatio strict(&ms.field, 0.99);
  SplitCollapsMod demanding(ring.mh.m, &ms.field, &strict, &ms.length, &ms.results);
  demanding.reset(ring.axis(), ring.face());
  EXPECT_EQ(demanding.geomCheck(), 0);
  // With p moved across the plane of the axis the new tetrahedra turn over;
  // p comes back.
  const double across[3] = {0, -2, 0};
  SplitCollapsMod moving(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, ring.p, across);
  moving.reset(ring.axis(), ring.face());
  EXPECT_EQ(moving.geomCheck(), 0);
  EXPECT_EQ(moving.sizeCheck(), 1);
  before.expectSame(ring.mh.m);
}

TEST(SplitCollapse, WithoutAFieldTheSizeCheckOnlyWarns) {
  Ring4 ring(0.1);
  Measures ms(ring.mh.m);
  SplitCollapsMod op(ring.mh.m, nullptr, &ms.shape, &ms.length, &ms.results);
  op.reset(ring.axis(), ring.face());
  ASSERT_EQ(op.topoCheck(), 1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: NULL metric field (sizeCheck)");
  EXPECT_EQ(ms.results.longest, 0);
  EXPECT_EQ(ms.results.shortest, 99999999);
}

}  // namespace
