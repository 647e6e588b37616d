// The local modification operators on small hand-made tetrahedral meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EdgeCollapsMod.h"
#include "EdgeSwapMod.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "MT_geometry.h"
#include "MT_mark.h"
#include "adapt_fixtures.h"
#include "meshBuild.h"
#include "ops_fixtures.h"

using namespace adapttest;
using meshtools_detail::tetOf;
using opstest::Calls;
using opstest::meshVolume;

namespace {

// The unit tetrahedron split at m on its edge (0,1) into two, m pushed off the
// edge by dy (the edge's two faces then bend at m).
struct SplitTet {
  MeshHolder mh;
  pVertex v0, v1, v2, v3, m;
  explicit SplitTet(double dy = 0.0) {
    v0 = mh.vertex(0, 0, 0);
    v1 = mh.vertex(1, 0, 0);
    v2 = mh.vertex(0, 1, 0);
    v3 = mh.vertex(0, 0, 1);
    m = mh.vertex(0.5, dy, 0);
    tetOf(mh.m, m, v1, v2, v3, nullptr);
    tetOf(mh.m, v0, m, v2, v3, nullptr);
  }
  pEdge edge(pVertex a, pVertex b) {
    for (int i = 0; i < V_numEdges(a); ++i)
      if (E_otherVertex(V_edge(a, i), a) == b) return V_edge(a, i);
    return nullptr;
  }
};

struct Measures {
  metricField field;
  meanRatio shape;
  lengthSquare length;
  EvalResults results;
  explicit Measures(pMesh m) : field(m), shape(&field, 0.0), length(&field, 1.96, 0.36) {}
};

TEST(EdgeCollapse, ChecksThenApplyKeepsVolumeAndReportsOnce) {
  SplitTet t;
  int bad = 0;
  ASSERT_NEAR(meshVolume(t.mh.m, &bad), 1.0 / 6.0, 1e-15);
  ASSERT_EQ(bad, 0);
  Measures ms(t.mh.m);
  for (pVertex v : {t.v0, t.v1, t.v2, t.v3, t.m}) ms.field.setSize(v, 0.5);

  EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), ECOLLAPSE);
  ms.results.worstShape = -5;
  op.setCollaps(t.edge(t.m, t.v1), t.m, t.v1);
  EXPECT_EQ(ms.results.worstShape, 99999999);  // aiming resets the results
  EXPECT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.geomCheck(), 1);
  // Only (0,m,2,3) survives, as the unit corner tetrahedron: valid, not regular.
  EXPECT_GT(ms.results.worstShape, 0.0);
  EXPECT_LT(ms.results.worstShape, 1.0);

  // Squared metric lengths with h = 0.5: (m,0) 1 -> (1,0) 4; (m,2) and (m,3)
  // 5 -> (1,2) and (1,3) 8.
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_NEAR(ms.results.shortest, 4.0, 1e-12);
  EXPECT_NEAR(ms.results.longest, 8.0, 1e-12);
  EXPECT_NEAR(ms.results.longestRatio, 1.6, 1e-12);
  EXPECT_NEAR(ms.results.largestRatio, 4.0, 1e-12);
  EXPECT_NEAR(ms.results.largestRatioLength, 4.0, 1e-12);

  pPList affected = nullptr;
  op.getAffectedRgns(&affected);
  EXPECT_EQ(PList_size(affected), 2);
  PList_delete(affected);

  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);
  calls.expectOne(0, 2, 1);
  EXPECT_EQ(M_numRegions(t.mh.m), 1);
  EXPECT_EQ(M_numVertices(t.mh.m), 4);
  EXPECT_NEAR(meshVolume(t.mh.m, &bad), 1.0 / 6.0, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(EdgeCollapse, RefusalsLeaveTheMeshAsItWas) {
  SplitTet t;
  Measures ms(t.mh.m);
  {  // Moving vertex 3 below the base with the collapse inverts the survivor.
    const double below[3] = {0, 0, -1};
    EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, t.v3, below);
    op.setCollaps(t.edge(t.m, t.v1), t.m, t.v1);
    EXPECT_EQ(op.geomCheck(), 0);
    double x[3];
    V_coord(t.v3, x);
    expectVec(x, 0, 0, 1);
  }
  {  // Without a field the size check warns and leaves the reset results.
    EdgeCollapsMod op(t.mh.m, nullptr, &ms.shape, &ms.length, &ms.results);
    op.setCollaps(t.edge(t.m, t.v1), t.m, t.v1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(op.sizeCheck(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: NULL metric field !!!");
    EXPECT_EQ(ms.results.longest, 0);
    EXPECT_EQ(ms.results.shortest, 99999999);
  }
  {  // A dangling triangle's vertex in a mesh of regions cannot go: the
     // refused collapse reports 0 and the vertex keeps its metric.
    pVertex q = t.mh.vertex(-1, -1, 0);
    pEdge q0 = t.mh.edge(q, t.v0);
    t.mh.face(q0, t.edge(t.v0, t.v2), t.mh.edge(t.v2, q));
    ms.field.setSize(q, 0.25);
    EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setCollaps(q0, q, t.v0);
    Calls calls;
    op.callback = Calls::record;
    op.userData = &calls;
    EXPECT_EQ(op.apply(), 0);
    EXPECT_TRUE(calls.kinds.empty());
    ASSERT_NE(ms.field.getMetric(q), nullptr);
    EXPECT_EQ(M_numVertices(t.mh.m), 6);
  }
  EXPECT_EQ(M_numRegions(t.mh.m), 2);
}

TEST(EdgeCollapse, VolumeLimitOnABentEdge) {
  // m at (0.5, -0.2, 0): volumes 0.5/6 and 0.7/6, total 0.2; collapsing m onto
  // 1 leaves the unit tetrahedron, 1/6: a relative change of exactly 1/6.
  SplitTet t(-0.2);
  Measures ms(t.mh.m);
  EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.checkVolume = 1;
  op.setCollaps(t.edge(t.m, t.v1), t.m, t.v1);
  op.volumeLimit = 0.16;
  testing::internal::CaptureStdout();
  EXPECT_EQ(op.geomCheck(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "...Info:  deny an edge collapse due to large volume change");
  op.volumeLimit = 0.17;
  EXPECT_EQ(op.geomCheck(), 1);
}

TEST(EdgeCollapse, KeepingTheDomainRefusesCollapsesThatCutTheBoundary) {
  {  // The bent edge loses 1/6 of its volume: refused, silently; the straight
     // one keeps it and passes.
    SplitTet bent(-0.2), straight;
    for (SplitTet* t : {&bent, &straight}) {
      Measures ms(t->mh.m);
      EdgeCollapsMod op(t->mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
      op.keepDomain = 1;
      op.setCollaps(t->edge(t->m, t->v1), t->m, t->v1);
      testing::internal::CaptureStdout();
      EXPECT_EQ(op.geomCheck(), t == &straight ? 1 : 0);
      EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
  }
  {  // The corner (0,0) of the unit square in two triangles, collapsed along
     // the bottom side: one triangle of area 1/2 is left of 1.
    MeshHolder mh;
    pVertex c = mh.vertex(0, 0, 0), a = mh.vertex(1, 0, 0), b = mh.vertex(1, 1, 0), d = mh.vertex(0, 1, 0);
    pEdge ca = mh.edge(c, a), ab = mh.edge(a, b), cb = mh.edge(c, b), bd = mh.edge(b, d), dc = mh.edge(d, c);
    mh.face(ca, ab, cb);
    mh.face(cb, bd, dc);
    Measures ms(mh.m);
    EdgeCollapsMod op(mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
    op.setCollaps(ca, c, a);
    EXPECT_EQ(op.geomCheck(), 1);
    op.keepDomain = 1;
    EXPECT_EQ(op.geomCheck(), 0);
    EXPECT_EQ(M_numFaces(mh.m), 2);
  }
}

TEST(EdgeCollapse, AMotionOfTheDeletedVertexIsRatedWhereTheCollapsePutsIt) {
  // Moving m itself along is void: m goes to 1, which leaves the unit
  // tetrahedron whatever the target, even one that would flatten the rest.
  SplitTet t;
  Measures ms(t.mh.m);
  const double flat[3] = {0, 0.5, 0.5};
  EdgeCollapsMod op(t.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results, t.m, flat);
  op.setCollaps(t.edge(t.m, t.v1), t.m, t.v1);
  EXPECT_EQ(op.geomCheck(), 1);
  EXPECT_GT(ms.results.worstShape, 0.0);
  EXPECT_EQ(op.apply(), 1);
  int bad = 0;
  EXPECT_NEAR(meshVolume(t.mh.m, &bad), 1.0 / 6.0, 1e-15);
  EXPECT_EQ(bad, 0);
}

// Three tetrahedra around the edge (b, t) through the centroid of the ring
// (1,0,0), (0,1,0), (-1,-1,0) of area 3/2.
struct Ring3 {
  MeshHolder mh;
  pVertex a[3], b, t;
  Ring3(double zb, double zt) {
    a[0] = mh.vertex(1, 0, 0);
    a[1] = mh.vertex(0, 1, 0);
    a[2] = mh.vertex(-1, -1, 0);
    b = mh.vertex(0, 0, zb);
    t = mh.vertex(0, 0, zt);
    for (int i = 0; i < 3; ++i) {
      pVertex v[4] = {a[i], a[(i + 1) % 3], b, t};
      double x[4][3];
      for (int j = 0; j < 4; ++j) V_coord(v[j], x[j]);
      if (XYZ_volume(x) < 0) std::swap(v[2], v[3]);
      tetOf(mh.m, v[0], v[1], v[2], v[3], nullptr);
    }
  }
};

TEST(EdgeSwap, ThreeTetrahedraBecomeTwo) {
  Ring3 ring(-1, 1);
  int bad = 0;
  ASSERT_NEAR(meshVolume(ring.mh.m, &bad), 1.0, 1e-15);  // 3/2 * 2 / 3
  ASSERT_EQ(bad, 0);
  Measures ms(ring.mh.m);
  EdgeSwapMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  EXPECT_EQ(op.type(), EDGESWAP);
  op.setSwapEdge(E_exists(ring.b, ring.t));
  EXPECT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.geomCheck(), 1);
  EXPECT_EQ(op.getCfg(), 0);
  EXPECT_GT(ms.results.worstShape, 0.0);

  // The new face's edges exist already: nothing new is measured.
  EXPECT_EQ(op.sizeCheck(), 1);
  EXPECT_EQ(ms.results.longest, 0.0);
  EXPECT_EQ(ms.results.shortest, 99999999);
  EXPECT_EQ(ms.results.largestRatio, 0.0);

  Calls calls;
  op.callback = Calls::record;
  op.userData = &calls;
  EXPECT_EQ(op.apply(), 1);
  calls.expectOne(2, 3, 2);
  EXPECT_EQ(E_exists(ring.b, ring.t), nullptr);
  EXPECT_EQ(M_numRegions(ring.mh.m), 2);
  EXPECT_NEAR(meshVolume(ring.mh.m, &bad), 1.0, 1e-15);
  EXPECT_EQ(bad, 0);
}

TEST(EdgeSwap, RefusedWhenEveryConfigurationInvertsOrUnchecked) {
  // Both ends above the ring: the two new tetrahedra would overlap.
  Ring3 ring(1, 2);
  int bad = 0;
  ASSERT_NEAR(meshVolume(ring.mh.m, &bad), 0.5, 1e-15);
  ASSERT_EQ(bad, 0);
  Measures ms(ring.mh.m);
  EdgeSwapMod op(ring.mh.m, &ms.field, &ms.shape, &ms.length, &ms.results);
  op.setSwapEdge(E_exists(ring.b, ring.t));
  testing::internal::CaptureStdout();
  EXPECT_EQ(op.geomCheck(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: please do topoCheck() before geomCheck()\n");
  ASSERT_EQ(op.topoCheck(), 1);
  EXPECT_EQ(op.geomCheck(), 0);
  EXPECT_EQ(op.getCfg(), -1);
  EXPECT_EQ(M_numRegions(ring.mh.m), 3);
  EN_constrain(0, E_exists(ring.b, ring.t));  // swaps forbidden on the edge
  EXPECT_EQ(op.topoCheck(), 0);
}

}  // namespace
