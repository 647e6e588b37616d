// Metric lengths, distances, look-ups and small numerical helpers of the
// adaptation utilities and the template utilities.
#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "AdaptUtil.h"
#include "adapt_fixtures.h"
#include "measures.h"
#include "metricField.h"
#include "mMesh.h"
#include "templatesUtil.h"

using namespace adapttest;

namespace {

TEST(MetricLength, MeanOfEndLengthsOrEuclideanWhenAMetricIsMissing) {
  const double a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
  const metric m1(1.0), m2(2.0);
  EXPECT_DOUBLE_EQ(templatesUtil::XYZ_distanceM(a, b, &m1, &m2), 1.5);
  EXPECT_DOUBLE_EQ(templatesUtil::XYZ_distanceM(a, b, nullptr, nullptr), 2.0);
  EXPECT_DOUBLE_EQ(templatesUtil::XYZ_distanceM(a, b, &m1, nullptr), 2.0);
  EXPECT_DOUBLE_EQ(templatesUtil::XYZ_distanceM(a, b, nullptr, &m2), 2.0);

  MeshHolder mh;
  pVertex u = mh.vertex(0, 0, 0), v = mh.vertex(0, 3, 4), w = mh.vertex(0, 0, 1);
  pEdge uv = mh.edge(u, v), vw = mh.edge(v, w);
  metricField field(mh.m);
  EXPECT_DOUBLE_EQ(templatesUtil::V_distanceM(nullptr, u, v), 5.0);
  field.setSize(v, 0.5);  // u has none: Euclidean whichever end lacks it
  EXPECT_DOUBLE_EQ(templatesUtil::V_distanceM(&field, u, v), 5.0);
  EXPECT_DOUBLE_EQ(templatesUtil::V_distanceM(&field, v, u), 5.0);
  field.setSize(u, 1.0);
  EXPECT_DOUBLE_EQ(templatesUtil::E_distanceM(&field, uv), 0.5 * (5.0 + 10.0));

  // Range of metric lengths over the mesh, with one end missing a metric.
  double maxLen, minLen;
  AdaptUtil::M_checkSize(mh.m, &field, maxLen, minLen);
  EXPECT_DOUBLE_EQ(maxLen, 7.5);
  EXPECT_DOUBLE_EQ(minLen, std::sqrt(9.0 + 9.0));  // v-w: Euclidean, w has none
  AdaptUtil::M_checkSize(mh.m, nullptr, maxLen, minLen);
  EXPECT_DOUBLE_EQ(maxLen, 5.0);
  (void)vw;

  MeshHolder empty;
  AdaptUtil::M_checkSize(empty.m, nullptr, maxLen, minLen);
  EXPECT_EQ(maxLen, 0.0);
  EXPECT_EQ(minLen, 1e15);
}

TEST(Distances, SegmentsTrianglesAndProjections) {
  const double a[3] = {0, 0, 0}, b[3] = {1, 0, 0};
  const double beyond[3] = {3, 1, 0}, before[3] = {-1, 0, 2}, over[3] = {0.5, 2, 0};
  EXPECT_DOUBLE_EQ(AdaptUtil::P_sqrDistToSegment(a, b, beyond), 5.0);
  EXPECT_DOUBLE_EQ(AdaptUtil::P_sqrDistToSegment(a, b, before), 5.0);
  EXPECT_DOUBLE_EQ(AdaptUtil::P_sqrDistToSegment(a, b, over), 4.0);

  const double B[3] = {0, 0, 0}, E0[3] = {1, 0, 0}, E1[3] = {0, 1, 0};
  const double above[3] = {0.2, 0.3, 2}, outside[3] = {2, 2, 0}, pastVertex[3] = {-1, -1, 1};
  EXPECT_NEAR(AdaptUtil::P_sqrDistToTri(above, B, E0, E1), 4.0, 1e-14);
  EXPECT_NEAR(AdaptUtil::P_sqrDistToTri(outside, B, E0, E1), 4.5, 1e-14);  // to the hypotenuse
  EXPECT_NEAR(AdaptUtil::P_sqrDistToTri(pastVertex, B, E0, E1), 3.0, 1e-14);

  const double P0[3] = {0, 0, 0}, D0[3] = {1, 0, 0}, P1[3] = {0, 1, 0}, D1[3] = {1, 0, 0};
  EXPECT_NEAR(AdaptUtil::XYZ_sqrDistSegments(P0, D0, P1, D1), 1.0, 1e-14);  // parallel
  const double Q1[3] = {0.5, -1, 2}, E[3] = {0, 2, 0};
  EXPECT_NEAR(AdaptUtil::XYZ_sqrDistSegments(P0, D0, Q1, E), 4.0, 1e-14);  // crossing over
  const double Q2[3] = {3, -1, 0};
  EXPECT_NEAR(AdaptUtil::XYZ_sqrDistSegments(P0, D0, Q2, E), 4.0, 1e-14);  // end to side

  const double seg[2][3] = {{1, 0, 0}, {0, 0, 0}}, mid[3] = {0.5, 0, 0};
  EXPECT_DOUBLE_EQ(AdaptUtil::ParOnLinearEdge(seg, mid), 0.5);
  const double point[2][3] = {{1, 1, 1}, {1, 1, 1}};
  EXPECT_EQ(AdaptUtil::ParOnLinearEdge(point, mid), -1);
  EXPECT_EQ(AdaptUtil::XYZ_InClosureOfLine(mid, seg), 1);
  EXPECT_EQ(AdaptUtil::XYZ_InClosureOfLine(beyond, seg), 0);

  const double x[3] = {1, 0, 0}, nearlyBack[3] = {-1, 0.05, 0}, y[3] = {0, 1, 0};
  EXPECT_EQ(AdaptUtil::RelativeDirection(x, nearlyBack), -1);
  EXPECT_EQ(AdaptUtil::RelativeDirection(x, y), 0);
  const double tilted[3] = {1, 0.1, 0};  // about 5.7 degrees apart
  EXPECT_EQ(AdaptUtil::RelativeDirection(x, tilted, 5.0), 0);
  EXPECT_EQ(AdaptUtil::RelativeDirection(x, tilted, 10.0), 1);

  EXPECT_EQ(AdaptUtil::indexOfMin(1, 1, 2), 1);
  EXPECT_EQ(AdaptUtil::indexOfMin(1, 2, 1), 2);
  EXPECT_EQ(AdaptUtil::indexOfMin(0, 1, 2), 0);
}

// The modification wrappers are called through the template utilities.
static_assert(std::is_base_of_v<modificationWrappers, templatesUtil>);
static_assert(std::is_same_v<decltype(&templatesUtil::Edge_colaps), decltype(&modificationWrappers::Edge_colaps)>);

TEST(TemplatesUtil, DeterminantsDiagonalsAndFaceMaps) {
  const double A[3][3] = {{2, 0, 0}, {0, 4, 0}, {1, 0, 1}};
  EXPECT_DOUBLE_EQ(templatesUtil::det33(A), 8.0);
  double sol[3];
  ASSERT_EQ(templatesUtil::solve33(A, sol), 1);
  expectVec(sol, 0.5, 0.25, 0.5);
  const double S[3][3] = {{1, 2, 3}, {2, 4, 6}, {0, 0, 1}};
  EXPECT_EQ(templatesUtil::solve33(S, sol), 0);

  MeshHolder mh;
  const double x[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  pRegion r = mh.tet(x);
  pPList verts = R_vertices(r);
  // The unit tetrahedron's three inner diagonals have the same length: the
  // first allowed one wins.
  pPList unit = PList_new();
  for (int i = 0; i < 4; ++i) PList_append(unit, mh.vertex(x[i][0], x[i][1], x[i][2]));
  EXPECT_EQ(templatesUtil::shortestDiagonal(unit, 7), 0);
  EXPECT_EQ(templatesUtil::shortestDiagonal(unit, 6), 1);
  EXPECT_EQ(templatesUtil::shortestDiagonal(unit, 0), -1);
  // Squared lengths of the doubled diagonals: 9, 5 and 17.
  const double g[4][3] = {{0, 0, 0}, {3, 0, 0}, {0, 1, 0}, {1, 1, 1}};
  pPList general = PList_new();
  for (int i = 0; i < 4; ++i) PList_append(general, mh.vertex(g[i][0], g[i][1], g[i][2]));
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 7), 1);
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 5), 0);
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 4), 2);
  metricField field(mh.m);
  for (int i = 0; i < 4; ++i) field.setSize(static_cast<pVertex>(PList_item(general, i)), 0.3);
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 7, &field), 1);
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 5, &field), 0);
  EXPECT_EQ(templatesUtil::shortestDiagonal(general, 0, &field), -1);
  PList_delete(unit);
  PList_delete(general);

  // Face index maps in and against the face's own cycle.
  pFace f = R_face(r, 0);
  pPList fv = F_vertices(f, 1);
  pVertex w[3];
  for (int i = 0; i < 3; ++i) w[i] = static_cast<pVertex>(PList_item(fv, i));
  PList_delete(fv);
  int out[3];
  pVertex along[3] = {w[1], w[2], w[0]}, against[3] = {w[2], w[1], w[0]};
  templatesUtil::map_vertices(f, along, out);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);
  templatesUtil::map_vertices(f, against, out);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(out[2], 0);

  // The identity row keeps the list order.
  pPList edges = R_edges(r);
  const int er[1][6] = {{0, 1, 2, 3, 4, 5}}, fr[1][4] = {{0, 1, 2, 3}}, vr[1][4] = {{0, 1, 2, 3}};
  pFace faces[4];
  pEdge oe[6];
  int dirs[4];
  pVertex ov[4];
  templatesUtil::mapping_template(r, edges, verts, 0, er, fr, vr, faces, oe, dirs, ov);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(oe[k], PList_item(edges, k));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(ov[k], PList_item(verts, k));
  EXPECT_EQ(faces[0], R_face(r, 0));
  for (int k = 1; k < 4; ++k) EXPECT_TRUE(F_inClosure(faces[k], oe[k - 1]));
  PList_delete(edges);
  PList_delete(verts);

  // Interior edges have no model location.
  double p[3] = {9, 9, 9}, par[3] = {0, 0, 0};
  pEdge inside = mh.edge(mh.vertex(5, 5, 5), mh.vertex(6, 6, 6));
  E_setWhatIn(inside, mh.m->getGEntity(1, 3));
  EXPECT_EQ(templatesUtil::middlePoint(inside, p, par), 0);
  expectVec(p, 9, 9, 9);
}

TEST(AdaptUtilLookups, VertexEdgeLengthsAndCentroids) {
  MeshHolder mh;
  pVertex o = mh.vertex(0, 0, 0), a = mh.vertex(1, 0, 0), b = mh.vertex(0, 2, 0), lone = mh.vertex(5, 5, 5);
  mh.edge(o, a);
  mh.edge(o, b);
  EXPECT_DOUBLE_EQ(AdaptUtil::V_shortestLength(o), 1.0);
  EXPECT_DOUBLE_EQ(AdaptUtil::V_shortestLength(lone), -1.0);
  double mx = -7, mn = -7;
  AdaptUtil::maxminEdgeLength(o, &mx, &mn);
  EXPECT_DOUBLE_EQ(mx, 4.0);
  EXPECT_DOUBLE_EQ(mn, 1.0);
  testing::internal::CaptureStdout();
  mx = mn = -7;
  AdaptUtil::maxminEdgeLength(lone, &mx, &mn);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " WARNING: a flying mesh vertex\n");
  EXPECT_EQ(mx, -7);
  double c[3];
  AdaptUtil::centroidOfCavity(o, c);
  expectVec(c, 0.5, 1, 0);
  const double t[3] = {2, 2, 2};
  AdaptUtil::move_vertex(lone, t, 0.25);
  V_coord(lone, c);
  expectVec(c, 4.25, 4.25, 4.25);
  meanRatio mr(nullptr, 0.05);
  EXPECT_EQ(AdaptUtil::V_worstShp(&mr, lone), 99999999);
}

}  // namespace

namespace {

TEST(AdaptUtilFaces, AreasLongestEdgeWorstShapeAndDistanceToAFace) {
  MeshHolder mh;
  pVertex v0 = mh.vertex(0, 0, 0), v1 = mh.vertex(1, 0, 0), v2 = mh.vertex(0, 1, 0);
  pEdge e01 = mh.edge(v0, v1), e12 = mh.edge(v1, v2), e20 = mh.edge(v2, v0);
  pFace f = mh.face(e01, e12, e20);
  metricField field(mh.m);
  field.setSize(v0, 0.5);
  field.setSize(v2, 1.0);
  // Squared areas 4 (size 0.5), 0.25 (no metric: Euclidean) and 0.25.
  EXPECT_NEAR(AdaptUtil::F_areaM(&field, f), 1.5, 1e-14);

  pEdge longest = nullptr;
  double ratio = 0;
  EXPECT_EQ(AdaptUtil::F_longestEdge(nullptr, f, &longest, &ratio), 1);
  EXPECT_EQ(longest, e12);
  EXPECT_NEAR(ratio, 2.0, 1e-14);

  // An edge with no regions: the worst shape of its faces (3/4 here).
  meanRatio mr(nullptr, 0.05);
  pPList none = PList_new();
  EXPECT_NEAR(AdaptUtil::E_worstShp(&mr, none, e01), 0.75, 1e-14);
  PList_delete(none);

  struct Case {
    double x, y, z, d2;
  };
  const Case cases[] = {{0.2, 0.2, 3, 9}, {0.5, -1, 0, 1}, {1e-7, 0, 5, 25}, {2, 2, 0, 4.5}};
  for (const Case& c : cases) {
    pVertex p = mh.vertex(c.x, c.y, c.z);
    EXPECT_NEAR(AdaptUtil::V_sqrDistToFace_2(p, f), c.d2, 1e-9) << c.x << " " << c.y;
    EXPECT_NEAR(AdaptUtil::V_sqrDistToFace(p, f), c.d2, 1e-9) << c.x << " " << c.y;
  }
}

}  // namespace
