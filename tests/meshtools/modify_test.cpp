// Swap configurations, edge and face swaps and edge splits on small meshes.
#include <gtest/gtest.h>

#include <cmath>

#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
double ringArea(int n) { return 0.5 * n * std::sin(2 * 3.14159265358979323846 / n); }
// Volume of n tetrahedra around the axis of length 2: the ring polygon times 2/3.
double ringVolume(int n) { return ringArea(n) * 2.0 / 3.0; }
}  // namespace

TEST(MeshToolsSwapConfig, RingsOfThreeToSevenAndTheirTriangulations) {
  const int want[] = {1, 2, 5, 14, 42};
  for (int n = 3; n <= 7; ++n) {
    EdgeRing h(n);
    const int count = E_numSwpCfg(h.axis);
    ASSERT_EQ(count, want[n - 3]) << n;
    std::set<std::set<std::set<pVertex>>> distinct;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(E_evalSwpCfg(h.axis, i), 1);
      pPList verts = E_swpCfgVerts(h.axis, i);
      ASSERT_EQ(PList_size(verts), 8 * (n - 2));
      // The top tetrahedra fill the upper half of the cavity, positively,
      // and their ring triangles use no diagonal twice.
      double volume = 0;
      std::set<std::set<pVertex>> tris;
      for (int t = 0; t < n - 2; ++t) {
        for (int half = 0; half < 2; ++half) {
          double x[4][3];
          for (int k = 0; k < 4; ++k) V_coord(static_cast<pVertex>(PList_item(verts, 8 * t + 4 * half + k)), x[k]);
          EXPECT_GT(XYZ_volume(x), 0);
          volume += XYZ_volume(x);
        }
        tris.insert({static_cast<pVertex>(PList_item(verts, 8 * t)), static_cast<pVertex>(PList_item(verts, 8 * t + 1)),
                     static_cast<pVertex>(PList_item(verts, 8 * t + 2))});
      }
      EXPECT_EQ(static_cast<int>(tris.size()), n - 2);
      EXPECT_NEAR(volume, ringVolume(n), 1e-13);
      distinct.insert(tris);
      PList_delete(verts);
    }
    EXPECT_EQ(static_cast<int>(distinct.size()), count);
    EXPECT_EQ(E_swpCfgVerts(h.axis, count), nullptr);
    EXPECT_EQ(E_evalSwpCfg(h.axis, count), 0);
  }
}

TEST(MeshToolsSwapConfig, RefusedEdges) {
  EdgeRing eight(8);
  EXPECT_EQ(E_numSwpCfg(eight.axis), 0);
  // A diagonal of the ring that already exists forbids the swap.
  EdgeRing four(4);
  M_createE(four.m, four.ring[0], four.ring[2], four.region);
  EXPECT_EQ(E_numSwpCfg(four.axis), 0);
  // Model edge.
  EdgeRing three(3);
  E_setWhatIn(three.axis, three.crease);
  EXPECT_EQ(E_numSwpCfg(three.axis), 0);
}

TEST(MeshToolsSwapConfig, FlatConfigurationIsSkippedByDefault) {
  // Ring of four with ring[1] on the segment ring[0]-ring[2]: the diagonal
  // 0-2 of configuration 0 gives flat tetrahedra, configuration 1 does not.
  MeshHolder h;
  pVertex b = h.vertex(0, 0, -1), t = h.vertex(0, 0, 1);
  pVertex r[4] = {h.vertex(1, -1, 0), h.vertex(1, 0, 0), h.vertex(1, 1, 0), h.vertex(-1, 0, 0)};
  for (int i = 0; i < 4; ++i) h.tet(r[i], r[(i + 1) % 4], b, t);
  h.finish();
  pEdge axis = h.m->getEdge(V(b), V(t));
  ASSERT_EQ(E_numSwpCfg(axis), 2);
  pPList verts = E_swpCfgVerts(axis, 0);
  std::set<pVertex> first{static_cast<pVertex>(PList_item(verts, 0)), static_cast<pVertex>(PList_item(verts, 1)),
                          static_cast<pVertex>(PList_item(verts, 2))};
  PList_delete(verts);
  const bool zeroIsFlat = first.count(r[0]) && first.count(r[1]) && first.count(r[2]);
  const bool threeIsFlat = first.count(r[1]) && first.count(r[2]) && first.count(r[3]);
  EXPECT_TRUE(zeroIsFlat || !threeIsFlat);
  // Whatever ring vertex the walk starts from, exactly one configuration
  // avoids the degenerate triangle (r0, r1, r2).
  const int e0 = E_evalSwpCfg(axis, 0), e1 = E_evalSwpCfg(axis, 1);
  EXPECT_EQ(e0 + e1, 1);
  EXPECT_EQ(E_defaultRegionSwpCfg(axis), e0 == 1 ? 0 : 1);
  pPList news = nullptr;
  ASSERT_EQ(E_swap(h.m, axis, E_defaultRegionSwpCfg(axis), nullptr, nullptr, &news), 1);
  PList_delete(news);
  EXPECT_GT(minVolume(h.m), 0);
  EXPECT_EQ(E_exists(r[0], r[2]), nullptr);
  EXPECT_NE(E_exists(r[1], r[3]), nullptr);
  EXPECT_TRUE(conforming(h.m));
}

TEST(MeshToolsEdgeSwap, ThreeTetrahedraAroundAnInteriorEdgeBecomeTwo) {
  EdgeRing h(3);
  const double before = totalVolume(h.m);
  const auto bdry = boundary(h.m);
  Changes changes;
  pPList news = nullptr;
  ASSERT_EQ(E_swap(h.m, h.axis, 0, Changes::record, &changes, &news), 1);
  ASSERT_EQ(changes.calls.size(), 1u);
  EXPECT_EQ(changes.calls[0].kind, 2);
  EXPECT_EQ(changes.calls[0].olds, 3);
  EXPECT_EQ(changes.calls[0].news, 2);
  EXPECT_EQ(changes.calls[0].entity, h.axis);
  EXPECT_EQ(PList_size(news), 2);
  PList_delete(news);
  EXPECT_EQ(M_numRegions(h.m), 2);
  EXPECT_EQ(E_exists(h.bottom, h.top), nullptr);
  EXPECT_EQ(M_numVertices(h.m), 5);
  EXPECT_NEAR(totalVolume(h.m), before, 1e-15);
  EXPECT_GT(minVolume(h.m), 0);
  EXPECT_EQ(boundary(h.m), bdry);
  EXPECT_TRUE(conforming(h.m));
}

TEST(MeshToolsEdgeSwap, EveryConfigurationOfEveryRingSwaps) {
  for (int n = 3; n <= 7; ++n) {
    const int count = [n] {
      EdgeRing h(n);
      return E_numSwpCfg(h.axis);
    }();
    for (int i = 0; i < count; ++i) {
      EdgeRing h(n);
      const auto bdry = boundary(h.m);
      pPList news = nullptr;
      ASSERT_EQ(E_swap(h.m, h.axis, i, nullptr, nullptr, &news), 1) << n << " " << i;
      EXPECT_EQ(PList_size(news), 2 * (n - 2));
      PList_delete(news);
      EXPECT_NEAR(totalVolume(h.m), ringVolume(n), 1e-13);
      EXPECT_GT(minVolume(h.m), 0);
      EXPECT_EQ(boundary(h.m), bdry);
      EXPECT_TRUE(conforming(h.m)) << n << " " << i;
    }
  }
}

TEST(MeshToolsEdgeSwap, BoundaryEdgeWithTwoTetrahedra) {
  // Two tetrahedra on the edge a-b of the plane z = 0, apexes p and q.
  MeshHolder h;
  pVertex a = h.vertex(0, -1, 0), b = h.vertex(0, 1, 0), p = h.vertex(-1, 0, 0), q = h.vertex(1, 0, 0);
  pVertex top = h.vertex(0, 0, 1);
  h.tet(a, b, p, top);
  h.tet(a, b, q, top);
  h.finish();
  pEdge ab = h.m->getEdge(V(a), V(b));
  ASSERT_EQ(E_whatIn(ab), h.face);
  ASSERT_EQ(E_numSwpCfg(ab), 1);
  pPList news = nullptr;
  ASSERT_EQ(E_swap(h.m, ab, 0, nullptr, nullptr, &news), 1);
  PList_delete(news);
  pEdge pq = E_exists(p, q);
  ASSERT_NE(pq, nullptr);
  EXPECT_EQ(E_whatIn(pq), h.face);
  EXPECT_EQ(E_exists(a, b), nullptr);
  // Each tetrahedron: base triangle of area 1, height 1.
  EXPECT_NEAR(totalVolume(h.m), 2.0 / 3.0, 1e-15);
  EXPECT_GT(minVolume(h.m), 0);
  EXPECT_TRUE(conforming(h.m));
  pFace apq = F_exists(0, a, p, q, nullptr);
  ASSERT_NE(apq, nullptr);
  EXPECT_EQ(F_whatIn(apq), h.face);
}

TEST(MeshToolsEdgeSwap, SurfaceDiagonalSwap) {
  // The unit square as two triangles on a model face without regions.
  MeshHolder h;
  pGEntity sf = h.m->getGEntity(5, 2);
  pVertex a = h.vertex(0, 0, 0, sf), b = h.vertex(1, 0, 0, sf), c = h.vertex(1, 1, 0, sf), d = h.vertex(0, 1, 0, sf);
  pEdge ab = M_createE(h.m, a, b, sf), bc = M_createE(h.m, b, c, sf), cd = M_createE(h.m, c, d, sf),
        da = M_createE(h.m, d, a, sf), ac = M_createE(h.m, a, c, sf);
  pEdge t0[3] = {ab, bc, ac}, t1[3] = {ac, cd, da};
  M_createF(h.m, 3, t0, nullptr, sf);
  M_createF(h.m, 3, t1, nullptr, sf);
  EXPECT_EQ(E_numSwpCfg(ac), -2);
  Changes changes;
  pPList news = nullptr;
  ASSERT_EQ(E_swap(h.m, ac, 0, Changes::record, &changes, &news), 1);
  ASSERT_EQ(changes.calls.size(), 1u);
  EXPECT_EQ(changes.calls[0].kind, 2);
  EXPECT_EQ(changes.calls[0].olds, 2);
  EXPECT_EQ(changes.calls[0].news, 2);
  EXPECT_EQ(PList_size(news), 2);
  PList_delete(news);
  EXPECT_EQ(E_exists(a, c), nullptr);
  pEdge bd = E_exists(b, d);
  ASSERT_NE(bd, nullptr);
  EXPECT_EQ(E_numFaces(bd), 2);
  EXPECT_EQ(M_numFaces(h.m), 2);
  EXPECT_EQ(M_numEdges(h.m), 5);
  EXPECT_NE(F_exists(0, a, b, d, nullptr), nullptr);
  EXPECT_NE(F_exists(0, b, c, d, nullptr), nullptr);
  // A refused surface swap is not a success.
  pGEntity other = h.m->getGEntity(6, 2);
  pPList none = nullptr;
  EXPECT_EQ(E_swapOnGFace(h.m, bd, other, nullptr, nullptr, &none), nullptr);
  EXPECT_EQ(PList_size(none), 0);
  PList_delete(none);
  E_setWhatIn(bd, other);
  EXPECT_EQ(E_swap(h.m, bd, 0, nullptr, nullptr, &none), 0);
  PList_delete(none);
}

TEST(MeshToolsFaceSwap, TwoToThreeAndBack) {
  MeshHolder h;
  pVertex a0 = h.vertex(1, 0, 0), a1 = h.vertex(-0.5, 0.8, 0), a2 = h.vertex(-0.5, -0.8, 0);
  pVertex o0 = h.vertex(0, 0, 1), o1 = h.vertex(0, 0, -1);
  h.tet(a0, a1, a2, o0);
  h.tet(a0, a1, a2, o1);
  h.finish();
  const double before = totalVolume(h.m);
  const auto bdry = boundary(h.m);
  pFace f = F_exists(0, a0, a1, a2, nullptr);
  ASSERT_EQ(F_evalSwap(f, 1e-10), 1);
  Changes changes;
  pPList olds = nullptr, news = nullptr;
  ASSERT_EQ(F_swap(h.m, f, 1e-10, Changes::record, &changes, &olds, &news), 1);
  ASSERT_EQ(changes.calls.size(), 1u);
  EXPECT_EQ(changes.calls[0].kind, 1);
  EXPECT_EQ(changes.calls[0].olds, 2);
  EXPECT_EQ(changes.calls[0].news, 3);
  EXPECT_EQ(changes.calls[0].entity, f);
  EXPECT_EQ(PList_size(olds), 2);
  EXPECT_EQ(PList_size(news), 3);
  PList_delete(olds);
  PList_delete(news);
  EXPECT_EQ(F_exists(0, a0, a1, a2, nullptr), nullptr);
  pEdge axis = E_exists(o0, o1);
  ASSERT_NE(axis, nullptr);
  EXPECT_NEAR(totalVolume(h.m), before, 1e-15);
  EXPECT_GT(minVolume(h.m), 0);
  EXPECT_EQ(boundary(h.m), bdry);
  EXPECT_TRUE(conforming(h.m));

  // Three to two: any of the three faces around the new edge.
  pFace g = F_exists(0, o0, o1, a0, nullptr);
  ASSERT_EQ(F_evalSwap(g, 1e-10), 1);
  changes.calls.clear();
  ASSERT_EQ(F_swap(h.m, g, 1e-10, Changes::record, &changes, &olds, &news), 1);
  ASSERT_EQ(changes.calls.size(), 1u);
  EXPECT_EQ(changes.calls[0].kind, 1);
  EXPECT_EQ(changes.calls[0].olds, 3);
  EXPECT_EQ(changes.calls[0].news, 2);
  PList_delete(olds);
  PList_delete(news);
  EXPECT_EQ(E_exists(o0, o1), nullptr);
  EXPECT_NE(F_exists(0, a0, a1, a2, nullptr), nullptr);
  EXPECT_EQ(M_numRegions(h.m), 2);
  EXPECT_NEAR(totalVolume(h.m), before, 1e-15);
  EXPECT_EQ(boundary(h.m), bdry);
  EXPECT_TRUE(conforming(h.m));
}

TEST(MeshToolsFaceSwap, RefusalsChangeNothing) {
  MeshHolder h;
  // Non-convex pair: the line o0-o1 misses the shared triangle.
  pVertex a0 = h.vertex(1, 0, 0), a1 = h.vertex(-0.5, 0.8, 0), a2 = h.vertex(-0.5, -0.8, 0);
  pVertex o0 = h.vertex(3, 0, 1), o1 = h.vertex(3, 0, -1);
  h.tet(a0, a1, a2, o0);
  h.tet(a0, a1, a2, o1);
  h.finish();
  pFace f = F_exists(0, a0, a1, a2, nullptr);
  EXPECT_EQ(F_evalSwap(f, 1e-10), 0);
  // A boundary face is never swapped, and another face than the one
  // evaluated is refused with two empty lists.
  pFace b = F_exists(0, a0, a1, o0, nullptr);
  EXPECT_EQ(F_evalSwap(b, 1e-10), 0);
  pPList olds = nullptr, news = nullptr;
  EXPECT_EQ(F_swap(h.m, b, 1e-10, nullptr, nullptr, &olds, &news), 0);
  EXPECT_EQ(PList_size(olds), 0);
  EXPECT_EQ(PList_size(news), 0);
  PList_delete(olds);
  PList_delete(news);
  EXPECT_EQ(M_numRegions(h.m), 2);
}

TEST(MeshToolsEdgeSplit, InteriorEdgeWithNTetrahedra) {
  for (int n = 3; n <= 6; ++n) {
    EdgeRing h(n);
    const int edges = M_numEdges(h.m), faces = M_numFaces(h.m);
    const auto bdry = boundary(h.m);
    Changes changes;
    pPList news = nullptr;
    const double mid[3] = {0, 0, 0.25};
    pVertex v = E_split(h.m, h.axis, mid, nullptr, Changes::record, &changes, &news);
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(changes.calls.size(), 1u);
    EXPECT_EQ(changes.calls[0].kind, 5);
    EXPECT_EQ(changes.calls[0].olds, n);
    EXPECT_EQ(changes.calls[0].news, 2 * n);
    EXPECT_EQ(changes.calls[0].entity, h.axis);
    EXPECT_EQ(PList_size(news), 2 * n);
    PList_delete(news);
    EXPECT_EQ(M_numRegions(h.m), 2 * n);
    // n + 2 new edges, the split edge gone.
    EXPECT_EQ(M_numEdges(h.m), edges - 1 + n + 2);
    // 2n half faces and n middle faces replace the n faces.
    EXPECT_EQ(M_numFaces(h.m), faces - n + 3 * n);
    EXPECT_EQ(V_whatIn(v), h.region);
    EXPECT_NEAR(totalVolume(h.m), ringVolume(n), 1e-13);
    EXPECT_GT(minVolume(h.m), 0);
    EXPECT_EQ(boundary(h.m), bdry);
    EXPECT_TRUE(conforming(h.m));
  }
}

TEST(MeshToolsEdgeSplit, BoundaryEdgeAndTriangleMesh) {
  UnitTet t;
  pEdge e = t.m->getEdge(V(t.p[0]), V(t.p[1]));
  const double mid[3] = {0.5, 0, 0};
  pPList news = nullptr;
  pVertex v = E_split(t.m, e, mid, nullptr, nullptr, nullptr, &news);
  PList_delete(news);
  EXPECT_EQ(V_whatIn(v), E_whatIn(t.m->getEdge(V(t.p[0]), V(v))));
  EXPECT_EQ(M_numRegions(t.m), 2);
  EXPECT_NEAR(totalVolume(t.m), 1.0 / 6.0, 1e-15);
  EXPECT_TRUE(conforming(t.m));

  MeshHolder h;
  pGEntity sf = h.m->getGEntity(5, 2);
  pVertex a = h.vertex(0, 0, 0, sf), b = h.vertex(1, 0, 0, sf), c = h.vertex(1, 1, 0, sf), d = h.vertex(0, 1, 0, sf);
  pEdge ac = M_createE(h.m, a, c, sf);
  pEdge t0[3] = {M_createE(h.m, a, b, sf), M_createE(h.m, b, c, sf), ac};
  pEdge t1[3] = {ac, M_createE(h.m, c, d, sf), M_createE(h.m, d, a, sf)};
  M_createF(h.m, 3, t0, nullptr, sf);
  M_createF(h.m, 3, t1, nullptr, sf);
  Changes changes;
  const double centre[3] = {0.5, 0.5, 0};
  E_split(h.m, ac, centre, nullptr, Changes::record, &changes, &news);
  ASSERT_EQ(changes.calls.size(), 1u);
  EXPECT_EQ(changes.calls[0].kind, 5);
  EXPECT_EQ(changes.calls[0].olds, 2);
  EXPECT_EQ(changes.calls[0].news, 4);
  EXPECT_EQ(PList_size(news), 4);
  PList_delete(news);
  EXPECT_EQ(M_numFaces(h.m), 4);
  EXPECT_EQ(M_numEdges(h.m), 8);
}
