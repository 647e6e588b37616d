// Vertex removal, visible regions and the small validity tests around them.
#include <gtest/gtest.h>

#include <set>

#include "../meshtools/mt_fixtures.h"
#include "AdaptUtil.h"
#include "MT_mark.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "metricField.h"

using namespace mttest;

namespace {
// The octahedron with vertices at +-1 on the axes, split into eight
// positive tetrahedra around the vertex c.
struct Octahedron : MeshHolder {
  pVertex c;
  pVertex axis[3][2];  // axis[i][0] at +e_i, axis[i][1] at -e_i
  explicit Octahedron(double cx = 0) {
    c = vertex(cx, 0, 0);
    for (int i = 0; i < 3; ++i)
      for (int s = 0; s < 2; ++s) {
        double x[3] = {0, 0, 0};
        x[i] = s ? -1 : 1;
        axis[i][s] = vertex(x[0], x[1], x[2]);
      }
    for (int sx = 0; sx < 2; ++sx)
      for (int sy = 0; sy < 2; ++sy)
        for (int sz = 0; sz < 2; ++sz) {
          pVertex a = axis[0][sx], b = axis[1][sy], d = axis[2][sz];
          if ((sx + sy + sz) % 2) std::swap(a, b);
          tet(c, a, b, d);
        }
    finish();
  }
};

std::set<std::array<double, 3>> coordsOf(KORA::SSList<double*>& l) {
  std::set<std::array<double, 3>> out;
  for (int i = 0; i < l.size(); ++i) out.insert({l.nth(i)[0], l.nth(i)[1], l.nth(i)[2]});
  return out;
}
}  // namespace

TEST(AdaptVertexRemoval, DuplicatesAndValidity) {
  KORA::SSList<double*> pts;
  pts.append(new double[3]{0, 0, 0});
  const double p[3] = {0, 0, 0}, near[3] = {0.05, 0, 0};
  EXPECT_EQ(AdaptUtil::isDuplicated(p, pts, 0.01), 1);
  pts.append(new double[3]{0.05, 0, 0});
  pts.append(new double[3]{0.06, 0, 0});
  EXPECT_EQ(AdaptUtil::isDuplicated(near, pts, 0.01), 2);  // the count stops at 2
  EXPECT_EQ(AdaptUtil::isDuplicated(near, pts, 0.0025), 2);  // 0.05^2 is not below 0.0025
  AdaptUtil::DeleteVisibleRegion(pts);
  EXPECT_EQ(pts.size(), 0);

  Octahedron h;
  EXPECT_EQ(AdaptUtil::ValidCheck(h.c), 1);
  const double inside[3] = {0.2, 0.3, -0.1}, outside[3] = {2, 0, 0};
  EXPECT_EQ(AdaptUtil::ValidCheck(h.c, h.c, inside), 1);
  EXPECT_EQ(AdaptUtil::ValidCheck(h.c, h.c, outside), 0);
  // A vertex without regions.
  pVertex lone = h.vertex(5, 5, 5);
  EXPECT_EQ(AdaptUtil::ValidCheck(lone), 1);
  EXPECT_EQ(AdaptUtil::ValidCheck(lone, lone, outside), 1);
}

TEST(AdaptVertexRemoval, ExpandWhenThePointIsOnTheEdgeLineOrTheAngleOpens) {
  UnitTet h;
  pFace f = F_exists(0, h.p[0], h.p[1], h.p[2], nullptr);
  pEdge e = E_exists(h.p[0], h.p[1]);
  const double onLine[3] = {0.5, 0, 0}, flatOpen[3] = {0.5, -1, 0}, right[3] = {0.5, 0, 1}, acute[3] = {0.5, 1, 1};
  EXPECT_EQ(AdaptUtil::ifNeedExpand(f, e, onLine), 1);
  EXPECT_EQ(AdaptUtil::ifNeedExpand(f, e, flatOpen), 1);  // 180 degrees
  EXPECT_EQ(AdaptUtil::ifNeedExpand(f, e, right), 1);     // cosine 0 is below the tolerance
  EXPECT_EQ(AdaptUtil::ifNeedExpand(f, e, acute), 0);     // 45 degrees
}

TEST(AdaptVertexRemoval, VisibleRegionOfAConvexBallIsItsFarVertices) {
  Octahedron h(0.25);
  KORA::SSList<double*> pts;
  ASSERT_EQ(AdaptUtil::VisibleRegion(h.c, pts), 1);
  const std::set<std::array<double, 3>> want = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0},
                                                 {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  EXPECT_EQ(coordsOf(pts), want);
  AdaptUtil::DeleteVisibleRegion(pts);
}

TEST(AdaptVertexRemoval, VisibleRegionWithCoplanarCandidatesIsEmpty) {
  // The apex of two tetrahedra over a square: its far vertices lie in one plane.
  MeshHolder h;
  pVertex a = h.vertex(0, 0, 0), b = h.vertex(1, 0, 0), c = h.vertex(1, 1, 0), d = h.vertex(0, 1, 0);
  pVertex v = h.vertex(0.5, 0.5, 1);
  h.tet(a, b, c, v);
  h.tet(a, c, d, v);
  h.finish();
  KORA::SSList<double*> pts;
  EXPECT_EQ(AdaptUtil::VisibleRegion(v, pts), 0);
  EXPECT_EQ(pts.size(), 0);
}

TEST(AdaptVertexRemoval, VisibleRegionOfADentedBallDropsHiddenVertices) {
  // The octahedron with its +z vertex pushed down to z = -0.2, the centre at
  // z = -0.5: the link folds inwards around the dent, and the equator
  // vertices lie beyond the planes of the dented faces.
  Octahedron h(0.0);
  P_setPos(V_point(h.axis[2][0]), 0, 0, -0.2);
  P_setPos(V_point(h.c), 0, 0, -0.5);
  ASSERT_GT(minVolume(h.m), 0);
  KORA::SSList<double*> pts;
  ASSERT_EQ(AdaptUtil::VisibleRegion(h.c, pts), 1);
  const auto got = coordsOf(pts);
  EXPECT_EQ(got.count({0, 0, -1}), 1u);
  EXPECT_EQ(got.count({0, 0, -0.2}), 1u);
  for (auto far : std::vector<std::array<double, 3>>{{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}})
    EXPECT_EQ(got.count(far), 0u);
  // With the centre at any candidate no region turns inside out.
  pPList rs = V_regions(h.c);
  for (int i = 0; i < pts.size(); ++i)
    for (int k = 0; k < PList_size(rs); ++k) {
      double x[4][3];
      R_coord(static_cast<pRegion>(PList_item(rs, k)), x);
      pPList vs = R_vertices(static_cast<pRegion>(PList_item(rs, k)));
      for (int j = 0; j < 4; ++j)
        if (PList_item(vs, j) == h.c)
          for (int c = 0; c < 3; ++c) x[j][c] = pts.nth(i)[c];
      PList_delete(vs);
      EXPECT_GT(XYZ_volume(x), -1e-12);
    }
  PList_delete(rs);
  AdaptUtil::DeleteVisibleRegion(pts);
}

TEST(AdaptVertexRemoval, ShortestMetricEdgeFirst) {
  // The centre near +x: in the Euclidean sense its shortest edge goes to +x.
  {
    Octahedron h(0.3);
    pFace keepF = F_exists(0, h.axis[0][1], h.axis[1][0], h.axis[2][0], nullptr);
    pFace goneF = F_exists(0, h.c, h.axis[0][0], h.axis[1][0], nullptr);
    pPList faces = PList_new();
    PList_append(faces, keepF);
    PList_append(faces, goneF);
    PList_append(faces, goneF);
    Changes changes;
    ASSERT_EQ(AdaptUtil::RemoveAVertex(h.m, nullptr, h.c, 0, 1, faces, Changes::record, &changes), 1);
    EXPECT_EQ(changes.calls.size(), 1u);
    EXPECT_NE(E_exists(h.axis[0][0], h.axis[0][1]), nullptr);
    EXPECT_EQ(M_numVertices(h.m), 6);
    EXPECT_EQ(M_numRegions(h.m), 4);
    EXPECT_NEAR(totalVolume(h.m), 4.0 / 3.0, 1e-15);
    ASSERT_EQ(PList_size(faces), 1);
    EXPECT_EQ(PList_item(faces, 0), keepF);
    PList_delete(faces);
  }
  // A metric that shrinks lengths along y: the edges to +-y are the shortest.
  {
    Octahedron h(0.3);
    metricField field(h.m);
    const double dirs[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, sizes[3] = {1, 100, 1};
    VIter it = M_vertexIter(h.m);
    while (pVertex v = VIter_next(it)) field.setMetric(v, dirs, sizes);
    VIter_delete(it);
    ASSERT_EQ(AdaptUtil::RemoveAVertex(h.m, &field, h.c, 0, 0, nullptr, nullptr, nullptr), 1);
    EXPECT_NE(E_exists(h.axis[1][0], h.axis[1][1]), nullptr);
    EXPECT_EQ(E_exists(h.axis[0][0], h.axis[0][1]), nullptr);
    EXPECT_NEAR(totalVolume(h.m), 4.0 / 3.0, 1e-15);
  }
  // The shortest edge constrained: the next one in order.
  {
    Octahedron h(0.3);
    EN_constrain(1, E_exists(h.c, h.axis[0][0]));
    ASSERT_EQ(AdaptUtil::RemoveAVertex(h.m, nullptr, h.c, 0, 0, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(E_exists(h.axis[0][0], h.axis[0][1]), nullptr);
    EXPECT_NEAR(totalVolume(h.m), 4.0 / 3.0, 1e-15);
    EXPECT_GT(minVolume(h.m), 0);
  }
  // Nothing collapsible: left in place.
  {
    Octahedron h(0.3);
    for (int i = 0; i < V_numEdges(h.c); ++i) EN_constrain(1, V_edge(h.c, i));
    EXPECT_EQ(AdaptUtil::RemoveAVertex(h.m, nullptr, h.c, 0, 0, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(M_numRegions(h.m), 8);
    EXPECT_EQ(M_numVertices(h.m), 7);
  }
}
