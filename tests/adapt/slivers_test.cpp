// Classification of a flat tetrahedron by where its fourth vertex falls against
// a face, and the small geometric tests beside it.
#include <gtest/gtest.h>

#include <cmath>

#include "AdaptUtil.h"
#include "adapt_fixtures.h"
#include "fromMeshTools.h"

using namespace adapttest;

namespace {

// Triangle (0,0,0), (3,0,0), (0,3,0) and a fourth vertex p: integer work keeps
// every cross product exact.
struct Tet {
  MeshHolder mh;
  pRegion r;
  pFace f0;
  pVertex top = nullptr;
  pVertex V[3];
  explicit Tet(const double p[3]) {
    const double x[4][3] = {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}, {p[0], p[1], p[2]}};
    r = mh.tet(x);
    f0 = R_face(r, 0);
    for (int i = 0; i < 4; ++i) {
      pVertex v = R_vertex(r, i);
      bool onF0 = false;
      for (int j = 0; j < 3; ++j) onF0 = onF0 || F_vertex(f0, j) == v;
      if (!onF0) top = v;
    }
    for (int i = 0; i < 3; ++i) V[i] = F_vertex(f0, i);
  }
  // The edge joining a and b, the face holding a, b and c.
  static bool joins(pEntity e, pVertex a, pVertex b) {
    pEdge ed = static_cast<pEdge>(e);
    return (E_vertex(ed, 0) == a && E_vertex(ed, 1) == b) || (E_vertex(ed, 0) == b && E_vertex(ed, 1) == a);
  }
  static bool holds(pEntity f, pVertex a, pVertex b, pVertex c) {
    int n = 0;
    for (int j = 0; j < 3; ++j) {
      pVertex v = F_vertex(static_cast<pFace>(f), j);
      n += v == a || v == b || v == c;
    }
    return n == 3;
  }
};

TEST(TetInfo, CasesAreasAndChosenEntities) {
  {  // Above the centroid: inside F0; sub-triangle areas tie, the last wins.
    const double p[3] = {1, 1, 1};
    Tet t(p);
    ASSERT_EQ(t.V[0], R_vertex(t.r, 0));  // the face starts at vertex 0 in creation order
    pEntity keys[4] = {};
    double areas[4], point[3];
    for (int project : {0, 1}) {
      EXPECT_EQ(AdaptUtil::getTetInfo(t.r, t.f0, t.top, project, keys, areas, point), 7);
      EXPECT_EQ(areas[0], 81.0);
      const double side[2][3] = {{18, 27, 18}, {9, 9, 9}};  // faces' own, or of the projection
      for (int i = 0; i < 3; ++i) EXPECT_EQ(areas[i + 1], side[project][i]);
      EXPECT_EQ(keys[0], t.f0);
      EXPECT_TRUE(Tet::joins(keys[1], t.V[2], t.V[0]));
      EXPECT_TRUE(Tet::holds(keys[2], t.V[2], t.V[0], t.top));
    }
  }
  {  // Beyond E0 and E1 (case 4): the face through E2, cheapest of E2, E3, E5.
    const double p[3] = {5, -1, 1};
    Tet t(p);
    pEntity keys[4] = {};
    double areas[4], point[3];
    EXPECT_EQ(AdaptUtil::getTetInfo(t.r, t.f0, t.top, 0, keys, areas, point), 4);
    const double want[4] = {81, 18, 27, 234};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(areas[i], want[i]);
    EXPECT_TRUE(Tet::holds(keys[0], t.V[2], t.V[0], t.top));   // F3
    EXPECT_TRUE(Tet::joins(keys[1], t.V[0], t.top));           // E3
    EXPECT_TRUE(Tet::holds(keys[2], t.V[0], t.V[1], t.top));   // F1
  }
  {  // Beyond E0 only (case 6): E0, the opposite edge E5, smaller faces, crossing.
    const double p[3] = {1, -1, 1};
    Tet t(p);
    pEntity keys[4] = {};
    double areas[4], point[3];
    for (int project : {0, 1}) {
      EXPECT_EQ(AdaptUtil::getTetInfo(t.r, t.f0, t.top, project, keys, areas, point), 6);
      EXPECT_TRUE(Tet::joins(keys[0], t.V[0], t.V[1]));
      EXPECT_TRUE(Tet::joins(keys[1], t.V[2], t.top));
      // Line from (0,3) through (1,-1) meets the x axis at 3/4.
      expectVec(point, 0.75, 0, 0);
    }
    EXPECT_EQ(AdaptUtil::getTetInfo(t.r, t.f0, t.top, 0, keys, areas, point), 6);
    const double want[4] = {81, 18, 99, 18};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(areas[i], want[i]);
    EXPECT_TRUE(Tet::holds(keys[2], t.V[0], t.V[1], t.top));  // F1: 18 < 81
    EXPECT_TRUE(Tet::holds(keys[3], t.V[2], t.V[0], t.top));  // F3: 99 > 18
  }
}

TEST(TetInfo, ProjectionOntoAVertexIsReported) {
  const double p[3] = {1e-7, 0, 5};
  Tet t(p);
  pEntity keys[4] = {};
  double areas[4], point[3];
  testing::internal::CaptureStdout();
  EXPECT_EQ(AdaptUtil::getTetInfo(t.r, t.f0, t.top, 1, keys, areas, point), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Info: project onto a vertex AdaptUtil::getTetInfo()\n");
  // Without projection the vertex is far from F0: a normal classification.
  EXPECT_NE(AdaptUtil::getTetInfo(t.r, t.f0, t.top, 0, keys, areas, point), 0);
}

TEST(FaceSide, PlaneReferenceSideAndOtherSide) {
  const double p[3] = {1, 1, 1};
  Tet t(p);
  const double inPlane[3] = {1, 1, 0}, same[3] = {7, -2, 2}, other[3] = {1, 1, -2};
  EXPECT_EQ(AdaptUtil::V_wrtFace(inPlane, nullptr, t.f0), 0);
  EXPECT_EQ(AdaptUtil::V_wrtFace(inPlane, t.top, t.f0), 0);
  EXPECT_EQ(AdaptUtil::V_wrtFace(same, nullptr, t.f0), 2);
  EXPECT_EQ(AdaptUtil::V_wrtFace(same, t.top, t.f0), 1);
  EXPECT_EQ(AdaptUtil::V_wrtFace(other, t.top, t.f0), -1);
}

TEST(RawGeometry, TriangleAnglesAndLineCrossing) {
  const double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  double c[3];
  fromMeshTools::XYZ_FAngles(tri, c);
  expectVec(c, 0, std::sqrt(0.5), std::sqrt(0.5), 1e-15);

  const double A[2][3] = {{0, 0, 0}, {2, 0, 0}}, B[2][3] = {{1, -1, 3}, {1, 1, 3}};
  double out[3] = {9, 9, 9};
  int found = -1;
  fromMeshTools::MT_intLineLine2(A, B, &found, out);  // skew: the point of A under B
  EXPECT_EQ(found, 1);
  expectVec(out, 1, 0, 0);
  const double P[2][3] = {{0, 1, 0}, {4, 1, 0}};
  out[0] = out[1] = out[2] = 9;
  fromMeshTools::MT_intLineLine2(A, P, &found, out);
  EXPECT_EQ(found, 0);
  expectVec(out, 9, 9, 9);
}

}  // namespace
