// Point location, rays and lines against planes, and intersections of
// triangles and edges under closure flags, on hand-placed entities.
#include <gtest/gtest.h>

#include <set>

#include "MT_intersect.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "meshBuild.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
// Free triangles and edges (no regions) placed by coordinates; vertices at
// the same place are shared.
struct Loose : MeshHolder {
  std::map<std::array<double, 3>, pVertex> at;
  pVertex v(double x, double y, double z) {
    auto& slot = at[{x, y, z}];
    if (!slot) slot = vertex(x, y, z);
    return slot;
  }
  pFace tri(std::array<double, 3> a, std::array<double, 3> b, std::array<double, 3> c) {
    return meshtools_detail::triOf(m, v(a[0], a[1], a[2]), v(b[0], b[1], b[2]), v(c[0], c[1], c[2]), region);
  }
  pEdge edge(std::array<double, 3> a, std::array<double, 3> b) {
    return meshtools_detail::edgeOf(m, v(a[0], a[1], a[2]), v(b[0], b[1], b[2]), region);
  }
};

std::vector<IntersectionPoint> pointsOf(const IntersectionData& d) {
  std::vector<IntersectionPoint> out;
  for (IntersectionPoint* p = d.points; p; p = p->next) out.push_back(*p);
  return out;
}

std::set<pEntity> entitiesOf(const IntersectionData& d) {
  std::set<pEntity> out;
  for (int i = 0; i < PList_size(d.entities); ++i) out.insert(static_cast<pEntity>(PList_item(d.entities, i)));
  return out;
}

// Runs one intersection on a fresh record and keeps what it found.
struct Found {
  int result;
  int dimension;
  std::vector<IntersectionPoint> points;
  std::set<pEntity> entities;
};
template <class F>
Found run(F&& f) {
  IntersectionData d = M_intersectionData_new();
  Found out;
  out.result = f(&d);
  out.dimension = d.dimension;
  out.points = pointsOf(d);
  out.entities = entitiesOf(d);
  M_intersectionData_delete(d);
  return out;
}

const double tol = 1e-14;
}  // namespace

TEST(MeshToolsIntersect, RecordKeepsOrderSkipsDuplicatesAndSwaps) {
  ASSERT_EQ(M_getTolerance(), tol);
  UnitTet h;
  IntersectionData d = M_intersectionData_new();
  const double o[3] = {0, 0, 0}, x[3] = {0.5, 0, 0};
  M_updateIntersectionData(&d, h.p[0], h.p[1], o, 0.25);
  M_updateIntersectionData(&d, h.p[2], h.p[3], x, 0.25);  // exactly at the duplicate distance
  EXPECT_EQ(d.numPoints, 1);
  M_updateIntersectionData(&d, h.p[2], h.p[3], x, 0);
  M_updateIntersectionData(&d, h.p[2], h.p[3], o, -1);
  ASSERT_EQ(d.numPoints, 3);
  EXPECT_EQ(xyz_inIntersectionData(&d, x, 0), 1);
  const double y[3] = {0, 0.1, 0};
  EXPECT_EQ(xyz_inIntersectionData(&d, y, 0.009), 0);
  swapIntersectedEnt(&d, 1);
  auto pts = pointsOf(d);
  EXPECT_EQ(pts[0].ent1, h.p[0]);
  EXPECT_EQ(pts[1].ent1, h.p[3]);
  EXPECT_EQ(pts[2].ent2, h.p[2]);
  EXPECT_EQ(pts[1].prev, d.points);
  M_intersectionData_delete(d);
}

TEST(MeshToolsIntersect, ClosureLookUps) {
  UnitTet h;
  pEdge e01 = E_exists(h.p[0], h.p[1]), e12 = E_exists(h.p[1], h.p[2]);
  pFace f012 = F_exists(0, h.p[0], h.p[1], h.p[2], nullptr);
  EXPECT_EQ(M_boundedEdgeOnFace(f012, h.p[1], h.p[0]), e01);
  EXPECT_EQ(M_boundedEdgeOnFace(f012, h.p[0], h.p[3]), nullptr);
  EXPECT_EQ(M_boundedEdgeOnRegion(h.r, h.p[3], h.p[0]), E_exists(h.p[0], h.p[3]));
  EXPECT_EQ(M_boundedFaceOnRegion(h.r, e01, h.p[2]), f012);
  EXPECT_EQ(M_boundedFaceOnRegion(h.r, h.p[2], e01), f012);
  EXPECT_EQ(M_boundedFaceOnRegion(h.r, e01, e12), f012);
  EXPECT_EQ(M_boundedFaceOnRegion(h.r, h.p[0], h.p[1]), nullptr);
}

TEST(MeshToolsIntersect, PointOnTheBoundaryOfAFaceOrRegion) {
  UnitTet h;
  pFace f012 = F_exists(0, h.p[0], h.p[1], h.p[2], nullptr);
  pEdge e01 = E_exists(h.p[0], h.p[1]), e12 = E_exists(h.p[1], h.p[2]), e03 = E_exists(h.p[0], h.p[3]);
  struct Case {
    double x[3];
    pEntity on;
    pEntity want;
  };
  const Case cases[] = {
      {{1, 0, 0}, f012, h.p[1]},
      {{1, 0, 0.5 * tol}, f012, h.p[1]},
      {{0.5, 0, 0}, f012, e01},
      {{0.5, 0.5, 0}, f012, e12},
      {{0.25, 0.25, 0}, f012, f012},
      {{0.25, 0.25, 0.5 * tol}, f012, f012},
      {{0.25, 0.25, 1e-3}, f012, nullptr},
      {{-0.1, 0.5, 0}, f012, nullptr},
      {{0.6, 0.6, 0}, f012, nullptr},
      {{0.1, 0.1, 0.1}, h.r, h.r},
      {{0.2, 0.2, 0}, h.r, f012},
      {{0.2, 0.2, -0.5 * tol}, h.r, f012},
      {{0.2, 0.2, -1e-3}, h.r, nullptr},
      {{0, 0, 1}, h.r, h.p[3]},
      {{0, 0, 0.5}, h.r, e03},
      {{0.5, 0.5, 0.5}, h.r, nullptr},
      {{0.25, 0.25, 0}, e01, nullptr},
      {{0, 0, 0}, h.p[0], nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(XYZ_onBoundary(c.x, c.on, tol), c.want) << c.x[0] << " " << c.x[1] << " " << c.x[2];
  const double in[3] = {0.25, 0.25, 5}, out[3] = {0.6, 0.6, 0};
  EXPECT_EQ(IntXYZ_insideFace(in, f012, tol), 1);  // no projection: only the edge lines count
  EXPECT_EQ(IntXYZ_insideFace(out, f012, tol), 0);
}

TEST(MeshToolsIntersect, RaysAndLinesAgainstAPlane) {
  const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const double o[3] = {0.2, 0.2, 1}, down[3] = {0, 0, -2}, up[3] = {0, 0, 1};
  double out[3];
  int coplanar = 7;
  EXPECT_EQ(M_intersectRay3XYZ(o, down, tri, out, &coplanar), 1);
  EXPECT_EQ(coplanar, 0);
  EXPECT_DOUBLE_EQ(out[0], 0.2);
  EXPECT_DOUBLE_EQ(out[2], 0);
  // Pointing away: the ray misses, the line through it does not.
  EXPECT_EQ(M_intersectRay3XYZ(o, up, tri, out, &coplanar), 0);
  EXPECT_EQ(M_intersectLine3XYZ(o, up, tri, out, &coplanar), 1);
  EXPECT_DOUBLE_EQ(out[2], 0);
  // The plane is met beyond the triangle: still 1.
  const double far[3] = {5, 5, 1};
  EXPECT_EQ(M_intersectRay3XYZ(far, down, tri, out, &coplanar), 1);
  // Parallel: within the tolerance it lies in the plane, farther it misses.
  const double along[3] = {1, 1, 0};
  for (double z : {0.0, 0.5 * tol, 1e-3}) {
    const double p[3] = {3, 3, z};
    const int r = M_intersectRay3XYZ(p, along, tri, out, &coplanar);
    EXPECT_EQ(r, z < tol ? 1 : 0) << z;
    EXPECT_EQ(coplanar, z < tol ? 1 : 0) << z;
    EXPECT_EQ(M_intersectLine3XYZ(p, along, tri, out, &coplanar), r);
  }
  const double zero[3] = {0, 0, 0};
  EXPECT_EXIT(M_intersectRay3XYZ(o, zero, tri, out, &coplanar), ::testing::ExitedWithCode(2), "Zero dir vector");
}

TEST(MeshToolsIntersect, RayAgainstASegmentLine) {
  const double o[3] = {0, 0, 0}, ex[3] = {1, 0, 0}, back[3] = {-1, 0, 0};
  const double cross[2][3] = {{2, -1, 0}, {2, 3, 0}};
  const double onRay[2][3] = {{3, 0, 0}, {4, 0, 0}};
  const double parallel[2][3] = {{0, 1, 0}, {1, 1, 0}};
  const double skew[2][3] = {{2, -1, 1}, {2, 1, 1}};
  double out[3];
  int flag = 7;
  EXPECT_EQ(M_intersectRay2XYZ(o, ex, cross, out, &flag), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_DOUBLE_EQ(out[0], 2);
  EXPECT_NEAR(out[1], 0, 1e-15);
  EXPECT_EQ(M_intersectRay2XYZ(o, back, cross, out, &flag), 0);
  EXPECT_EQ(M_intersectRay2XYZ(o, ex, onRay, out, &flag), 1);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(M_intersectRay2XYZ(o, ex, parallel, out, &flag), -1);
  EXPECT_EQ(M_intersectRay2XYZ(o, ex, skew, out, &flag), 0);
  const double zero[3] = {0, 0, 0};
  EXPECT_EXIT(M_intersectRay2XYZ(o, zero, cross, out, &flag), ::testing::ExitedWithCode(2), "Zero dir vector");
}

TEST(MeshToolsIntersect, EdgeAgainstEdge) {
  Loose h;
  pEdge E1 = h.edge({0, 0, 0}, {2, 0, 0});
  pVertex v0 = h.v(0, 0, 0), v1 = h.v(2, 0, 0);
  auto edges = [&](pEdge a, int ca, pEdge b, int cb) {
    return run([&](IntersectionData* d) { return M_intersectEdges(a, ca, b, cb, d); });
  };
  // Crossing interiors: one point whatever the flags.
  pEdge X = h.edge({1, -1, 0}, {1, 1, 0});
  for (int c = 0; c < 4; ++c) {
    Found f = edges(E1, c & 1, X, c >> 1);
    ASSERT_EQ(f.result, 1);
    ASSERT_EQ(f.points.size(), 1u);
    EXPECT_EQ(f.dimension, 0);
    EXPECT_NEAR(f.points[0].xyz[0], 1, 1e-15);
    EXPECT_EQ(f.points[0].ent1, E1);
    EXPECT_EQ(f.points[0].ent2, X);
  }
  // Touching at an end of the second edge: only a closed second edge counts.
  pEdge T = h.edge({1, 0, 0}, {1, 1, 0});
  EXPECT_EQ(edges(E1, 1, T, 0).result, 0);
  Found t = edges(E1, 0, T, 1);
  ASSERT_EQ(t.result, 1);
  EXPECT_EQ(t.points[0].ent2, h.v(1, 0, 0));
  // Skew edges whose projections cross do not meet.
  pEdge S = h.edge({1, -1, 1}, {1, 1, 1});
  EXPECT_EQ(edges(E1, 1, S, 1).result, 0);
  // Colinear, overlapping on [1, 2].
  pEdge O = h.edge({1, 0, 0}, {3, 0, 0});
  Found o = edges(E1, 1, O, 1);
  ASSERT_EQ(o.result, 1);
  EXPECT_EQ(o.dimension, 1);
  ASSERT_EQ(o.points.size(), 2u);
  EXPECT_EQ(o.points[0].ent1, v1);
  EXPECT_EQ(o.points[0].ent2, O);
  EXPECT_EQ(o.points[1].ent1, E1);
  EXPECT_EQ(o.points[1].ent2, h.v(1, 0, 0));
  EXPECT_TRUE(o.entities.empty());
  Found oo = edges(E1, 0, O, 0);
  ASSERT_EQ(oo.result, 1);
  EXPECT_EQ(oo.points[0].ent1, E1);
  EXPECT_EQ(oo.points[1].ent2, O);
  // Colinear, the second inside the first: it is covered.
  pEdge I = h.edge({0.5, 0, 0}, {1.5, 0, 0});
  Found in = edges(E1, 1, I, 1);
  ASSERT_EQ(in.result, 1);
  EXPECT_EQ(in.entities, std::set<pEntity>{I});
  // End to end: one point when both are closed, else nothing.
  pEdge N = h.edge({2, 0, 0}, {3, 0, 0});
  Found n = edges(E1, 1, N, 1);
  ASSERT_EQ(n.result, 1);
  ASSERT_EQ(n.points.size(), 1u);
  EXPECT_EQ(n.points[0].ent1, v1);
  EXPECT_EQ(n.points[0].ent2, h.v(2, 0, 0));
  EXPECT_EQ(edges(E1, 0, N, 1).result, 0);
  EXPECT_EQ(edges(E1, 1, N, 0).result, 0);
  // Parallel, apart.
  EXPECT_EQ(edges(E1, 1, h.edge({0, 1, 0}, {2, 1, 0}), 1).result, 0);
  (void)v0;
}

TEST(MeshToolsIntersect, TriangleAgainstEdge) {
  Loose h;
  pFace F = h.tri({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
  auto fe = [&](pEdge e, int cf, int ce) {
    return run([&](IntersectionData* d) { return F_intersectEdge(F, cf, e, ce, d); });
  };
  pEdge through = h.edge({0.5, 0.5, -1}, {0.5, 0.5, 1});
  for (int c = 0; c < 4; ++c) {
    Found f = fe(through, c & 1, c >> 1);
    ASSERT_EQ(f.result, 1);
    EXPECT_EQ(f.points[0].ent1, F);
    EXPECT_EQ(f.points[0].ent2, through);
    EXPECT_NEAR(f.points[0].xyz[2], 0, 1e-15);
  }
  // Through a vertex of the face: the open face does not hold it.
  pEdge atVertex = h.edge({0, 0, -1}, {0, 0, 1});
  EXPECT_EQ(fe(atVertex, 0, 1).result, 0);
  EXPECT_EQ(fe(atVertex, 1, 1).points[0].ent1, h.v(0, 0, 0));
  // Ending on the face: the open edge does not reach it.
  pEdge ending = h.edge({0.5, 0.5, 0}, {0.5, 0.5, 1});
  EXPECT_EQ(fe(ending, 1, 0).result, 0);
  Found e = fe(ending, 0, 1);
  ASSERT_EQ(e.result, 1);
  EXPECT_EQ(e.points[0].ent1, F);
  EXPECT_EQ(e.points[0].ent2, h.v(0.5, 0.5, 0));
  // Missing the face.
  EXPECT_EQ(fe(h.edge({3, 3, -1}, {3, 3, 1}), 1, 1).result, 0);
  // Lying in the face: a segment, the edge covered when both are closed.
  pEdge inside = h.edge({0.5, 0.5, 0}, {1, 0.5, 0});
  Found in = fe(inside, 1, 1);
  ASSERT_EQ(in.result, 1);
  EXPECT_EQ(in.dimension, 1);
  EXPECT_EQ(in.points.size(), 2u);
  EXPECT_EQ(in.entities, std::set<pEntity>{inside});
  Found open = fe(inside, 0, 0);
  ASSERT_EQ(open.result, 1);
  EXPECT_EQ(open.points[0].ent1, F);
  EXPECT_EQ(open.points[1].ent2, inside);
  // Along an edge of the face: outside the open face.
  pEdge along = h.edge({0.5, 0, 0}, {1.5, 0, 0});
  EXPECT_EQ(fe(along, 0, 1).result, 0);
  EXPECT_EQ(fe(along, 1, 1).result, 1);
}

TEST(MeshToolsIntersect, TriangleAgainstTriangle) {
  Loose h;
  pFace F1 = h.tri({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
  auto ff = [&](pFace a, int ca, pFace b, int cb) {
    return run([&](IntersectionData* d) { return M_intersectFaces(a, ca, b, cb, d); });
  };
  // Sharing a vertex only, each on one side of the other's plane.
  pFace V = h.tri({0, 0, 0}, {-1, 0, 1}, {0, -1, 1});
  Found v = ff(F1, 1, V, 1);
  ASSERT_EQ(v.result, 1);
  EXPECT_EQ(v.dimension, 0);
  ASSERT_EQ(v.points.size(), 1u);
  EXPECT_EQ(v.points[0].ent1, h.v(0, 0, 0));
  EXPECT_EQ(v.points[0].ent2, h.v(0, 0, 0));
  EXPECT_EQ(ff(F1, 0, V, 1).result, 0);
  EXPECT_EQ(ff(F1, 1, V, 0).result, 0);
  // Crossing: a segment from an edge of F2 to another, through F1's inside.
  pFace C = h.tri({0.2, 0.5, -1}, {0.2, 0.5, 1}, {1.2, 0.5, 0.5});
  for (int c = 0; c < 4; ++c) {
    Found f = ff(F1, c & 1, C, c >> 1);
    ASSERT_EQ(f.result, 1) << c;
    EXPECT_EQ(f.dimension, 1);
    ASSERT_EQ(f.points.size(), 2u);
    std::set<double> xs{f.points[0].xyz[0], f.points[1].xyz[0]};
    EXPECT_NEAR(*xs.begin(), 0.2, 1e-15);
    EXPECT_NEAR(*xs.rbegin(), 0.2 + 2.0 / 3.0, 1e-15);
    for (const auto& p : f.points) {
      EXPECT_EQ(p.ent1, F1);
      EXPECT_NEAR(p.xyz[2], 0, 1e-15);
      if (c >> 1) {
        EXPECT_EQ(EN_type(p.ent2), 1);
      } else {
        EXPECT_EQ(p.ent2, C);
      }
    }
    // Two different edges of C bound the segment: it crosses C.
    if (c >> 1) {
      EXPECT_EQ(f.entities, std::set<pEntity>{C});
    }
  }
  // An edge of the second triangle in the first's plane.
  pFace W = h.tri({0.5, 0.5, 0}, {1, 0.5, 0}, {0.5, 0.5, 1});
  EXPECT_EQ(ff(F1, 1, W, 0).result, 0);
  Found w = ff(F1, 1, W, 1);
  ASSERT_EQ(w.result, 1);
  EXPECT_EQ(w.dimension, 1);
  // Coplanar, the second inside the first: a polygon of its three vertices;
  // closed, the second and its edges are covered.
  pFace In = h.tri({0.25, 0.25, 0}, {1, 0.25, 0}, {0.25, 1, 0});
  Found p = ff(F1, 1, In, 1);
  ASSERT_EQ(p.result, 1);
  EXPECT_EQ(p.dimension, 2);
  ASSERT_EQ(p.points.size(), 3u);
  std::set<pEntity> covered{In};
  for (int k = 0; k < 3; ++k) covered.insert(F_edge(In, k));
  EXPECT_EQ(p.entities, covered);
  for (const auto& q : p.points) EXPECT_EQ(q.ent1, F1);
  // The open second triangle: only the interiors overlap.
  Found half = ff(F1, 1, In, 0);
  ASSERT_EQ(half.result, 1);
  EXPECT_EQ(half.dimension, 2);
  for (const auto& q : half.points) EXPECT_EQ(q.ent2, In);
  EXPECT_TRUE(half.entities.empty());
  // The closed second inside the open first: its boundary edges are involved.
  Found other = ff(F1, 0, In, 1);
  ASSERT_EQ(other.result, 1);
  covered.erase(In);
  EXPECT_EQ(other.entities, covered);
  // Apart.
  EXPECT_EQ(ff(F1, 1, h.tri({5, 5, 1}, {6, 5, 1}, {5, 6, 1}), 1).result, 0);
}
