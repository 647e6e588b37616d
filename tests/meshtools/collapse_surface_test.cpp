// The collapse of an edge of a triangulated model face needs the merges of
// the mesh interface, which it does not supply: the collapse is refused
// before anything changes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MT_mark.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {

// A regular hexagon of six triangles around its centre, all on one model
// face: no regions.
struct HexagonFan {
  MeshHolder h;
  pVertex centre;
  pVertex ring[6];
  HexagonFan() {
    centre = h.vertex(0, 0, 0, h.face);
    for (int i = 0; i < 6; ++i) ring[i] = h.vertex(std::cos(M_PI * i / 3), std::sin(M_PI * i / 3), 0, h.face);
    auto edge = [&](pVertex a, pVertex b) {
      if (pEdge e = E_exists(a, b)) return e;
      return M_createE(h.m, a, b, h.face);
    };
    for (int i = 0; i < 6; ++i) {
      pVertex a = ring[i], b = ring[(i + 1) % 6];
      pEdge es[3] = {edge(centre, a), edge(a, b), edge(b, centre)};
      int d[3] = {1, 1, 1};
      M_createF(h.m, 3, es, d, h.face);
    }
  }
  std::vector<double> coords() const {
    std::vector<double> out;
    VIter it = M_vertexIter(h.m);
    while (pVertex v = VIter_next(it)) {
      double x[3];
      V_coord(v, x);
      out.insert(out.end(), x, x + 3);
    }
    VIter_delete(it);
    return out;
  }
  pPList facesOf(pEdge e) const {
    pPList l = PList_new();
    for (int i = 0; i < E_numFaces(e); ++i) PList_append(l, E_face(e, i));
    return l;
  }
};

TEST(MeshToolsSurfaceCollapse, RefusedBeforeAnyChangeWithoutMerges) {
  EXPECT_EQ(M_mergeSupported(), 0);
  HexagonFan fan;
  const std::vector<double> before = fan.coords();
  ASSERT_EQ(M_numVertices(fan.h.m), 7);
  ASSERT_EQ(M_numEdges(fan.h.m), 12);
  ASSERT_EQ(M_numFaces(fan.h.m), 6);
  pEdge e = E_exists(fan.centre, fan.ring[0]);
  ASSERT_NE(e, nullptr);
  // Both ends of a spoke: the centre onto the rim and the rim onto the centre.
  for (pVertex vdel : {fan.centre, fan.ring[0]}) {
    pVertex vkeep = E_otherVertex(e, vdel);
    pPList faces = fan.facesOf(e);
    ASSERT_EQ(PList_size(faces), 2);
    EXPECT_EQ(E_chkColapsOnGFace(e, vdel, faces), 0);
    pPList stale = PList_new(), bdry = stale;  // overwritten: null on refusal
    EXPECT_EQ(E_colapsOnGFace(fan.h.m, e, vdel, vkeep, faces, &bdry), 0);
    EXPECT_EQ(bdry, nullptr);
    PList_delete(stale);
    PList_delete(faces);
    EXPECT_EQ(M_numVertices(fan.h.m), 7);
    EXPECT_EQ(M_numEdges(fan.h.m), 12);
    EXPECT_EQ(M_numFaces(fan.h.m), 6);
    EXPECT_EQ(fan.coords(), before);
    // The adjacencies are intact: the spoke still has its two triangles,
    // the centre its six spokes.
    EXPECT_EQ(E_exists(fan.centre, fan.ring[0]), e);
    EXPECT_EQ(E_numFaces(e), 2);
    EXPECT_EQ(V_numEdges(fan.centre), 6);
  }
}

TEST(MeshToolsSurfaceCollapse, ConstraintsOnSideEdgesStillRefuseFirst) {
  HexagonFan fan;
  pEdge e = E_exists(fan.centre, fan.ring[0]);
  // Both side edges of one triangle may not go: refused by the constraint.
  EN_constrain(1, E_exists(fan.centre, fan.ring[1]));
  EN_constrain(1, E_exists(fan.ring[0], fan.ring[1]));
  pPList faces = fan.facesOf(e);
  pPList bdry = nullptr;
  EXPECT_EQ(E_chkColapsOnGFace(e, fan.centre, faces), 0);
  EXPECT_EQ(E_colapsOnGFace(fan.h.m, e, fan.centre, fan.ring[0], faces, &bdry), 0);
  EXPECT_EQ(bdry, nullptr);
  PList_delete(faces);
  EXPECT_EQ(M_numEdges(fan.h.m), 12);
  EXPECT_EQ(M_numFaces(fan.h.m), 6);
}

}  // namespace
