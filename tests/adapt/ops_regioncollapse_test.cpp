// Removal of a flat tetrahedron by two splits and a collapse.
#include <gtest/gtest.h>

#include "MT_mark.h"
#include "RegionCollapsMod_2.h"
#include "ops_fixtures.h"

using namespace opstest;

namespace {

// The flat tetrahedron a b c d with a, b = (-1,0,0), (1,0,0) and c, d =
// (0,-1,h), (0,1,h): its edges (a,b) and (c,d) nearly cross. B = (0,0,-1)
// closes it below with (B,a,b,c), (B,a,b,d), T = (0,0,1) above with
// (T,a,c,d), (T,b,c,d). The five fill the convex hull of the six vertices.
struct Sliver {
  MeshHolder mh;
  pVertex a, b, c, d, B, T;
  pRegion flat;
  pGEntity inside;
  explicit Sliver(double h) {
    a = mh.vertex(-1, 0, 0);
    b = mh.vertex(1, 0, 0);
    c = mh.vertex(0, -1, h);
    d = mh.vertex(0, 1, h);
    B = mh.vertex(0, 0, -1);
    T = mh.vertex(0, 0, 1);
    flat = positiveTet(mh.m, a, b, c, d);
    positiveTet(mh.m, B, a, b, c);
    positiveTet(mh.m, B, a, b, d);
    positiveTet(mh.m, T, a, c, d);
    positiveTet(mh.m, T, b, c, d);
    inside = mh.m->getGEntity(1, 3);
    E_setWhatIn(ab(), inside);
    E_setWhatIn(cd(), inside);
  }
  pEdge ab() const { return E_exists(a, b); }
  pEdge cd() const { return E_exists(c, d); }
  std::vector<pVertex> all() const { return {a, b, c, d, B, T}; }
};

TEST(RegionCollapseBySplit, RemovesTheSliverAtTheGivenPoint) {
  const double h = 0.05;
  Sliver sl(h);
  int bad = 0;
  const double volume = meshVolume(sl.mh.m, &bad);
  ASSERT_EQ(bad, 0);
  Measures ms(sl.mh.m);
  for (pVertex v : {sl.a, sl.b, sl.B, sl.T}) ms.field.setSize(v, 1.0);
  for (pVertex v : {sl.c, sl.d}) ms.field.setSize(v, 2.0);

  RegionCollapsMod_2 op(sl.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), RCOLLAPSE2);
  const double at[3] = {0, 0, h / 2};
  op.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  double got[3];
  op.getSplitPos(got);
  adapttest::expectVec(got, 0, 0, h / 2, 0);
  ASSERT_EQ(op.topoCheck(), 1);
  ASSERT_EQ(op.geomCheck(), 1);
  EXPECT_GT(ms.results.worstShape, 0.0);
  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 5);
  EXPECT_EQ(PList_item(affected, 0), sl.flat);
  PList_delete(affected);

  RegionCollapsMod_2 copy(op);
  Calls calls;
  copy.callback = Calls::record;
  copy.userData = &calls;
  pPList around = nullptr;
  EXPECT_EQ(copy.apply(&around), 1);
  // (a,b) in three regions, then (c,d) in four (two are halves of the
  // sliver); the collapse removes the sliver's four pieces.
  ASSERT_EQ(calls.kinds.size(), 3u);
  EXPECT_EQ(calls.kinds[0], EDGESPLIT);
  EXPECT_EQ(calls.oldCounts[0], 3);
  EXPECT_EQ(calls.newCounts[0], 6);
  EXPECT_EQ(calls.kinds[1], EDGESPLIT);
  EXPECT_EQ(calls.oldCounts[1], 4);
  EXPECT_EQ(calls.newCounts[1], 8);
  EXPECT_EQ(calls.kinds[2], ECOLLAPSE);
  EXPECT_EQ(calls.oldCounts[2], 8);
  EXPECT_EQ(calls.newCounts[2], 4);
  expectEveryRegionReportedAsIs(calls, sl.mh.m);

  // (a,b) lies inside: the vertex made on (c,d) stays, at the given point,
  // with the metric half-way between the two edges' (sizes 1 and 2).
  pVertex v = copy.getNewVertex();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(op.getNewVertex(), nullptr);
  EXPECT_EQ(V_whatIn(v), sl.inside);
  V_coord(v, got);
  adapttest::expectVec(got, 0, 0, h / 2, 0);
  metric* m = ms.field.getMetric(v);
  ASSERT_NE(m, nullptr);
  for (double s : m->h) EXPECT_NEAR(s, 1.5, 1e-12);
  EXPECT_EQ(PList_size(around), 8);
  PList_delete(around);
  EXPECT_EQ(M_numRegions(sl.mh.m), 8);
  EXPECT_EQ(M_numVertices(sl.mh.m), 7);
  EXPECT_NEAR(meshVolume(sl.mh.m, &bad), volume, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(RegionCollapseBySplit, OnTheBoundaryTheFirstEdgesVertexStays) {
  Sliver sl(0.05);
  pGEntity wall = sl.mh.m->getGEntity(1, 2);
  E_setWhatIn(sl.ab(), wall);
  RegionCollapsMod_2 op(sl.mh.m, nullptr, nullptr, nullptr, nullptr);
  const double at[3] = {0, 0, 0};
  op.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  ASSERT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.apply(), 1);
  pVertex v = op.getNewVertex();
  EXPECT_EQ(V_whatIn(v), wall);
  double got[3];
  V_coord(v, got);
  adapttest::expectVec(got, 0, 0, 0, 0);
  EXPECT_EQ(M_numRegions(sl.mh.m), 8);
}

TEST(RegionCollapseBySplit, SizeCheckFromTheGivenPoint) {
  const double h = 0.05;
  Sliver sl(h);
  Measures ms(sl.mh.m);
  for (pVertex v : sl.all()) ms.field.setSize(v, 1.0);
  RegionCollapsMod_2 op(sl.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  const double at[3] = {0, 0, h / 2};
  op.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  // Squared from (0,0,h/2) to c, d, a, b: 1 + h^2/4, to B (1 + h/2)^2, to T (1 - h/2)^2.
  ms.results.largestRatio = 5;
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_NEAR(ms.results.longest, (1 + h / 2) * (1 + h / 2), 1e-14);
  EXPECT_NEAR(ms.results.shortest, (1 - h / 2) * (1 - h / 2), 1e-14);
  EXPECT_EQ(ms.results.largestRatio, 5);

  // T without a metric: refused, and the moved vertex is put back.
  ms.field.deleteMetric(sl.T);
  const double away[3] = {0, 0, -3};
  RegionCollapsMod_2 moving(sl.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, sl.B, away);
  moving.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  EXPECT_EQ(moving.sizeCheck(), 0);
  double x[3];
  V_coord(sl.B, x);
  adapttest::expectVec(x, 0, 0, -1, 0);
}

TEST(RegionCollapseBySplit, RefusalsLeaveTheMeshAsItWas) {
  Sliver sl(0.05);
  Measures ms(sl.mh.m);
  const Snapshot before(sl.mh.m);
  const double at[3] = {0, 0, 0.025};
  RegionCollapsMod_2 op(sl.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  // Both edges on the model boundary.
  pGEntity wall = sl.mh.m->getGEntity(1, 2);
  E_setWhatIn(sl.ab(), wall);
  E_setWhatIn(sl.cd(), wall);
  EXPECT_EQ(op.topoCheck(), 0);
  E_setWhatIn(sl.cd(), sl.inside);
  EXPECT_EQ(op.topoCheck(), 1);
  EN_constrain(1, sl.ab());
  EXPECT_EQ(op.topoCheck(), 0);
  // A point outside the sliver's neighbourhood turns tetrahedra over.
  const double outside[3] = {0, 0, 2};
  op.setCollaps(sl.flat, sl.ab(), sl.cd(), outside);
  EXPECT_EQ(op.geomCheck(), 0);
  // T moved down through the sliver does too; it comes back.
  const double down[3] = {0, 0, -0.5};
  RegionCollapsMod_2 moving(sl.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, sl.T, down);
  moving.setCollaps(sl.flat, sl.ab(), sl.cd(), at);
  EXPECT_EQ(moving.geomCheck(), 0);
  before.expectSame(sl.mh.m);
}

}  // namespace
