// Snapping by cavity: a new boundary vertex at the target with a new surface
// patch around it, and the clearing of the regions between the old and the
// new surface. On the analytic unit-cube model, whose model entities are
// linked here (faces to their regions, edges to their faces and region).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_topology.h"
#include "gEntity.h"
#include "snapVertices.h"
#include "../meshtools/mt_fixtures.h"
#include "snap_model.h"

using namespace snaptest;

namespace {

// Links every model entity of the cube with those in its closure.
void linkModel(CubeModel& cube) {
  std::vector<pGEntity> all = {cube.modelEntity(0)};
  for (const auto& [g, a] : cube.geometry) all.push_back(g);
  for (pGEntity a : all)
    for (pGEntity b : all) {
      const int ba = GEN_tag(a) - 100, bb = GEN_tag(b) - 100;
      // b lies in a's closure when it lies on every plane of a, and more.
      if (a != b && (ba & bb) == ba && ba != bb) {
        a->add(b);
        b->add(a);
      }
    }
}

int count(pMesh m, int level) {
  switch (level) {
    case 0: return M_numVertices(m);
    case 1: return M_numEdges(m);
    case 2: return M_numFaces(m);
    default: return M_numRegions(m);
  }
}

void centroid(pEntity e, double c[3]) {
  std::vector<pEntity> vs;
  M_GetVertices(e, vs);
  c[0] = c[1] = c[2] = 0.0;
  for (pEntity v : vs) {
    double x[3];
    V_coord(v, x);
    for (int k = 0; k < 3; ++k) c[k] += x[k] / vs.size();
  }
}

// The hole that the clearing leaves: interior faces with one region and
// boundary faces with none.
std::vector<pFace> holeFaces(pMesh m) {
  std::vector<pFace> out;
  FIter it = M_faceIter(m);
  while (pFace f = FIter_next(it)) {
    const int nr = (F_region(f, 0) ? 1 : 0) + (F_region(f, 1) ? 1 : 0);
    if ((F_whatInType(f) == 3 && nr == 1) || (F_whatInType(f) == 2 && nr == 0)) out.push_back(f);
  }
  FIter_delete(it);
  return out;
}

// Volume enclosed by the hole's faces, each turned away from the hole: into
// its region, or out of the cube for a boundary face. Every edge of a closed
// surface is used by exactly two of its faces.
double holeVolume(const std::vector<pFace>& faces) {
  std::map<pEdge, int> uses;
  double vol = 0.0;
  for (pFace f : faces) {
    for (int k = 0; k < 3; ++k) ++uses[F_edge(f, k)];
    double x[4][3], n[3], c[3], ref[3];
    F_coord(f, x);
    const double u[3] = {x[1][0] - x[0][0], x[1][1] - x[0][1], x[1][2] - x[0][2]};
    const double w[3] = {x[2][0] - x[0][0], x[2][1] - x[0][1], x[2][2] - x[0][2]};
    n[0] = u[1] * w[2] - u[2] * w[1];
    n[1] = u[2] * w[0] - u[0] * w[2];
    n[2] = u[0] * w[1] - u[1] * w[0];
    centroid(f, c);
    pRegion r = F_region(f, 0) ? F_region(f, 0) : F_region(f, 1);
    double dir[3];
    if (r) {
      centroid(r, ref);
      for (int k = 0; k < 3; ++k) dir[k] = ref[k] - c[k];
    } else {
      for (int k = 0; k < 3; ++k) dir[k] = c[k] - 0.5;
    }
    const double s = n[0] * dir[0] + n[1] * dir[1] + n[2] * dir[2] > 0 ? 1.0 : -1.0;
    vol += s * (x[0][0] * (x[1][1] * x[2][2] - x[1][2] * x[2][1]) -
                x[0][1] * (x[1][0] * x[2][2] - x[1][2] * x[2][0]) +
                x[0][2] * (x[1][0] * x[2][1] - x[1][1] * x[2][0])) /
           6.0;
  }
  for (const auto& [e, n] : uses) EXPECT_EQ(n, 2) << "edge used by " << n << " hole faces";
  return vol;
}

pVertex vertexNear(pMesh m, double x, double y, double z) { return mttest::vertexAt(m, x, y, z); }

// The faces at the top centre vertex v of the 2-grid cube and a new vertex w
// at the target, linked to v as the retriangulation links them, with the
// lists that the patch builders fill.
struct TopPatch {
  CubeModel cube{2};
  pVertex v = cube.vertexAt(1, 1, 2);
  pGEntity top = V_whatIn(v);
  snapVertices snap{cube.m, nullptr};
  double target[3];
  pVertex w;
  pPList faces = PList_new(), made = PList_new(), polygon = PList_new();
  TopPatch(double x, double y, double z) : target{x, y, z} {
    AdaptUtil::V_bdryfacesOngface(v, top, &faces);
    w = M_createVP2(cube.m, target, nullptr, 0, top);
    P_setParam2(V_point(w), x, y, 0);  // the top face's parameters are (x, y)
  }
  // The new vertex is linked once the faces were judged.
  void link() { EN_attachDataPtr(v, snap.remeshId, w); }
  ~TopPatch() {
    EN_deleteData(v, snap.remeshId);
    PList_delete(faces);
    PList_delete(made);
    PList_delete(polygon);
  }
  TopPatch(const TopPatch&) = delete;
  TopPatch& operator=(const TopPatch&) = delete;
};

}  // namespace

// A vertex inside the model region or on a model vertex cannot be snapped
// this way: 0 with the message, and nothing is made. Without the model's
// parametric services the first query fails (the interface prints its error)
// and so does the operation, before anything is made.
TEST(SnapCavity, VertexNotOnModelFaceOrEdgeFails) {
  struct Case {
    int i, j, k;
    bool services;
    const char* text;
  } cases[] = {
      {1, 1, 1, true, "Error - Vertex not classified on model face/edge (cavity_retriangulation)\n"},
      {2, 2, 2, true, "Error - Vertex not classified on model face/edge (cavity_retriangulation)\n"},
      {1, 1, 2, false,
       "an exception has been thrown at line 666 in file cint/KORA\n"
       "TEXT : KORA does not implement function  P_param2(pPoint, double *p1, double *p2, int *ptch)\n"},
  };
  for (const Case& c : cases) {
    CubeModel cube(2);
    linkModel(cube);
    if (!c.services) GM_setGeometryServices(nullptr);
    pVertex v = cube.vertexAt(c.i, c.j, c.k);
    int before[4];
    for (int d = 0; d < 4; ++d) before[d] = count(cube.m, d);
    snapVertices snap(cube.m, nullptr);
    double target[3] = {0.5, 0.5, 1.2};
    pPList made = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(snap.cavity_retriangulation(v, target, made), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
    for (int d = 0; d < 4; ++d) EXPECT_EQ(count(cube.m, d), before[d]);
    EXPECT_EQ(made, nullptr);
  }
}

// Faces that stay valid and similar at the target are copied onto the new
// vertex: the copies keep the old faces' edges opposite the vertex and
// orientation, share their new edges at the new vertex, and leave no data
// on the old edges. The filler fills nothing.
TEST(SnapCavity, CopyOfTheFacesAroundTheNewVertex) {
  TopPatch t(0.5, 0.5, 1.2);
  pVertex v = t.v, w = t.w;
  pPList faces = t.faces, made = t.made, polygon = t.polygon;
  snapVertices& snap = t.snap;
  ASSERT_EQ(PList_size(faces), 6);
  EXPECT_EQ(snap.isTriangulationValid(faces, v, t.target), 0);
  t.link();
  EXPECT_EQ(snap.copyLocalSurfMesh(t.cube.m, faces, v, made, polygon), 1);
  ASSERT_EQ(PList_size(made), 6);
  ASSERT_EQ(PList_size(polygon), 6);
  std::map<pEdge, int> spokes;
  for (int i = 0; i < 6; ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i)), g = static_cast<pFace>(PList_item(made, i));
    pEdge opposite = F_vtOpEd(f, v);
    EXPECT_EQ(PList_item(polygon, i), opposite);
    EXPECT_EQ(F_vtOpEd(g, w), opposite);
    EXPECT_EQ(F_whatIn(g), F_whatIn(f));
    pPList fv = F_vertices(f, 1), gv = F_vertices(g, 1);
    for (int k = 0; k < 3; ++k) {
      pVertex a = static_cast<pVertex>(PList_item(fv, k));
      EXPECT_EQ(PList_item(gv, k), a == v ? w : a);
    }
    PList_delete(fv);
    PList_delete(gv);
    for (int k = 0; k < 3; ++k)
      if (F_edge(g, k) != opposite) ++spokes[F_edge(g, k)];
    for (int k = 0; k < 3; ++k) {
      void* p = nullptr;
      EXPECT_FALSE(EN_getDataPtr(F_edge(f, k), snap.countId, &p));
    }
  }
  EXPECT_EQ(spokes.size(), 6u);
  for (const auto& [e, n] : spokes) EXPECT_EQ(n, 2);
  EXPECT_EQ(V_numEdges(w), 6);

  int flag = 0;
  pPList added = PList_new();
  EXPECT_EQ(snap.triangulatecavity(t.cube.m, made, &flag, 0, 0, added), 0);
  EXPECT_EQ(PList_size(added), 0);
  EXPECT_EQ(flag, 0);
  PList_delete(added);
}

// A target far across the model edge y = 0 makes the patch grow towards it;
// the growth stops at the model edge: every face taken lies on the top
// face, and the fan covers the grown patch with one new face per boundary
// edge.
TEST(SnapCavity, PatchGrowthNeverCrossesAModelEdge) {
  TopPatch t(0.5, -0.8, 1.05);
  pGEntity front = E_whatIn(E_exists(t.cube.vertexAt(0, 0, 2), t.cube.vertexAt(1, 0, 2)));
  EXPECT_EQ(t.snap.isTriangulationValid(t.faces, t.v, t.target), 1);
  t.link();
  EXPECT_EQ(t.snap.newsurfTrigulation(t.cube.m, t.faces, t.v, t.target, t.made, t.polygon), 1);
  EXPECT_GT(PList_size(t.faces), 6);
  for (int i = 0; i < PList_size(t.faces); ++i) EXPECT_EQ(F_whatIn(static_cast<pFace>(PList_item(t.faces, i))), t.top);
  // The patch reached the model edge y = 0, z = 1 (two mesh edges; the
  // faces at v touch only one of them).
  int onFrontEdge = 0;
  for (int i = 0; i < PList_size(t.polygon); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(t.polygon, i));
    onFrontEdge += E_whatIn(e) == front;
    void* p = nullptr;
    EXPECT_FALSE(EN_getDataPtr(e, t.snap.countId, &p));
  }
  EXPECT_EQ(onFrontEdge, 2);
  EXPECT_EQ(PList_size(t.made), PList_size(t.polygon));
  for (int i = 0; i < PList_size(t.made); ++i) {
    pFace g = static_cast<pFace>(PList_item(t.made, i));
    EXPECT_TRUE(F_inClosure(g, t.w));
    EXPECT_TRUE(PList_inList(t.polygon, F_vtOpEd(g, t.w)));
  }
}

// The whole operation on a vertex of the top face (to the top of a bump, or
// into the cube) and on a vertex of a model edge (out across both its faces,
// or into the cube), w at distance |h| from each model face at the vertex.
// The old faces at v cover 3/4 of the top face's plane (top centre) or 3/8
// of each plane (edge vertex). The copies of the old faces around w are then
// improved by swaps, worked by hand from the triangles' largest angle
// cosines: with w above the top centre (h = 0.3, 0.05) or below it (-0.2),
// the spokes to the corners (0, 0, 1) and (1, 1, 1), whose old faces are
// right-angled (cosine 0.707 against 0.759, 0.709, 0.732 for the copies),
// are swapped away, each leaving a flat triangle of area 1/8 in the old
// plane; with w out across the edge (0.2) one spoke on each face likewise
// (0.707 against 0.848); with w inside across the edge (-0.15) none (the new
// pair would be worse, 0.846 against 0.796). The new boundary thus bounds
// the cube with a pyramid of apex w over the area a left under the fan
// added (or cut out): h a / 3. The hole left for the filler is a closed
// surface, the regions left are positive and fill the rest exactly.
TEST(SnapCavity, RetriangulationLeavesAClosedCavity) {
  struct Case {
    int i, j, k;
    double bump;       // top face bump (target from the model), else 0
    double target[3];  // given target when not from the bump
    double h, area;
  } cases[] = {
      {1, 1, 2, 0.3, {0, 0, 0}, 0.3, 0.5},
      {1, 1, 2, 0.05, {0, 0, 0}, 0.05, 0.5},
      {1, 0, 2, 0.0, {0.5, -0.2, 1.2}, 0.2, 0.5},
      {1, 1, 2, 0.0, {0.5, 0.5, 0.8}, -0.2, 0.5},
      {1, 0, 2, 0.0, {0.5, 0.15, 0.85}, -0.15, 0.75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "vertex " << c.i << c.j << c.k << " h " << c.h);
    CubeModel cube(2);
    linkModel(cube);
    cube.bump = c.bump;
    pVertex v = cube.vertexAt(c.i, c.j, c.k);
    pGEntity g = V_whatIn(v);
    double xv[3];
    V_coord(v, xv);
    double target[3] = {c.target[0], c.target[1], c.target[2]};
    if (c.bump > 0) {
      const double par[2] = {0.5, 0.5};
      cube.at(g, par, target);
    }
    pPList made = nullptr;
    int result = -1;
    testing::internal::CaptureStdout();
    {
      snapVertices snap(cube.m, nullptr);
      result = snap.cavity_retriangulation(v, target, made);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 1) << out;
    EXPECT_EQ(made, nullptr);  // the filler adds no vertex
    pVertex w = vertexNear(cube.m, target[0], target[1], target[2]);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(V_whatIn(w), g);
    if (GEN_type(g) == 1) {
      int onG = 0;
      for (int i = 0; i < V_numEdges(w); ++i) onG += E_whatIn(V_edge(w, i)) == g;
      EXPECT_EQ(onG, 2);
    }
    // The old vertex, where it is left, lies inside the model region.
    if (pVertex old = vertexNear(cube.m, xv[0], xv[1], xv[2])) {
      EXPECT_EQ(V_whatInType(old), 3);
    }

    const std::vector<pFace> hole = holeFaces(cube.m);
    const double cavity = holeVolume(hole);
    double left = 0.0;
    RIter it = M_regionIter(cube.m);
    while (pRegion r = RIter_next(it)) {
      EXPECT_GT(R_volume(r), 0.0);
      left += R_volume(r);
    }
    RIter_delete(it);
    EXPECT_NEAR(left + cavity, 1.0 + c.h * c.area / 3.0, 1e-12);
    EXPECT_GE(cavity, std::fabs(c.h) * c.area / 3.0 - 1e-12);
  }
}

// deleteFace leaves a face that still bounds a region; otherwise the face
// goes, each edge goes once no face uses it and each vertex once no edge
// does, with the lists of the given mode and the replaced-surface lists
// kept free of what was deleted.
TEST(SnapCavity, DeleteFaceRemovesOnlyUnusedEntities) {
  pMesh m = MS_newMesh(nullptr);
  pGEntity g = m->getGEntity(1, 3);
  pVertex a = M_createVP(m, 0, 0, 0, nullptr, 0, g), b = M_createVP(m, 1, 0, 0, nullptr, 0, g),
          c = M_createVP(m, 0, 1, 0, nullptr, 0, g), d = M_createVP(m, 0, 0, 1, nullptr, 0, g);
  pEdge ab = M_createE(m, a, b, g), bc = M_createE(m, b, c, g), ca = M_createE(m, c, a, g),
        ad = M_createE(m, a, d, g), bd = M_createE(m, b, d, g), cd = M_createE(m, c, d, g);
  int dirs[4] = {1, 1, 1, 1};
  pEdge e0[3] = {ab, bc, ca}, e1[3] = {ab, bd, ad}, e2[3] = {bc, cd, bd}, e3[3] = {ca, ad, cd};
  pFace F0 = M_createF(m, 3, e0, dirs, g), F1 = M_createF(m, 3, e1, dirs, g), F2 = M_createF(m, 3, e2, dirs, g),
        F3 = M_createF(m, 3, e3, dirs, g);
  pFace fs[4] = {F0, F1, F2, F3};
  pRegion r = M_createR(m, 4, fs, dirs, g);
  {
    snapVertices snap(m, nullptr);
    snap.append(b, new double[3]{1, 0, 0});
    snap.deleteFace(F0, nullptr, -1);
    EXPECT_EQ(M_numFaces(m), 4);
    M_removeRegion(m, r);

    snap.replacedEdges = PList_new();
    snap.replacedVertices = PList_new();
    for (pEdge e : {ab, bc, ca, ad, bd, cd}) PList_append(snap.replacedEdges, e);
    for (pVertex x : {a, b, c, d}) PList_append(snap.replacedVertices, x);
    pPList edges = PList_new(), verts = PList_new();

    snap.deleteFace(F0, edges, 1);  // every edge still has a face
    EXPECT_EQ(M_numFaces(m), 3);
    EXPECT_EQ(M_numEdges(m), 6);
    EXPECT_EQ(PList_size(edges), 0);

    snap.deleteFace(F1, edges, 1);  // ab goes
    EXPECT_EQ(M_numEdges(m), 5);
    ASSERT_EQ(PList_size(edges), 1);
    EXPECT_EQ(PList_item(edges, 0), ab);
    EXPECT_FALSE(PList_inList(snap.replacedEdges, ab));
    EXPECT_EQ(M_numVertices(m), 4);

    snap.deleteFace(F2, verts, 0);  // bc and bd go, and with them b
    EXPECT_EQ(M_numEdges(m), 3);
    EXPECT_EQ(M_numVertices(m), 3);
    ASSERT_EQ(PList_size(verts), 1);
    EXPECT_EQ(PList_item(verts, 0), b);
    EXPECT_FALSE(PList_inList(snap.replacedVertices, b));
    EXPECT_TRUE(snap.removedVerts->inList(b));  // it was waiting to be snapped

    snap.deleteFace(F3, nullptr, -1);
    EXPECT_EQ(M_numFaces(m), 0);
    EXPECT_EQ(M_numEdges(m), 0);
    EXPECT_EQ(M_numVertices(m), 0);
    EXPECT_EQ(PList_size(snap.replacedEdges), 0);
    EXPECT_EQ(PList_size(snap.replacedVertices), 0);
    PList_delete(edges);
    PList_delete(verts);
    PList_delete(snap.replacedEdges);
    PList_delete(snap.replacedVertices);
  }
  M_delete(m);
}

// The closeness threshold is 0.111111 times the smallest squared edge length
// m at the rim's vertices (here set by a free rim edge a little shorter than
// the grid's 0.5): a vertex of the cavity at exactly that squared distance
// from the new surface keeps its regions, one just closer loses them all
// (and, left without edges, goes). The geometry with the squared distance
// equal to the threshold to the last bit is searched for first.
TEST(SnapCavity, CloseVertexThreshold) {
  struct Geometry {
    double L = 0.0, z = 0.0;
  };
  // The new surface: a horizontal triangle with a corner at height z right
  // above the inner vertex x; the rim: f's edge opposite x, a free edge of
  // length L, and the triangle's edges (so that only vertices are tested).
  struct Setup {
    CubeModel cube{2};
    pGEntity R = cube.modelEntity(0);
    pVertex x = cube.vertexAt(1, 1, 1);  // (0.5, 0.5, 0.5), the only inner vertex
    pFace f = nullptr, g = nullptr;
    pVertex p[3], r[2];
    pEdge es[3], rim = nullptr;
    Setup() {
      pPList fs = V_faces(x);
      f = static_cast<pFace>(PList_item(fs, 0));
      PList_delete(fs);
      const double xyz[3][2] = {{0.5, 0.5}, {3, 0.5}, {0.5, 3}};
      for (int k = 0; k < 3; ++k) p[k] = M_createVP(cube.m, xyz[k][0], xyz[k][1], 1.0, nullptr, 0, R);
        es[0] = M_createE(cube.m, p[0], p[1], R);
      es[1] = M_createE(cube.m, p[1], p[2], R);
      es[2] = M_createE(cube.m, p[2], p[0], R);
      int dirs[3] = {1, 1, 1};
      g = M_createF(cube.m, 3, es, dirs, R);
      r[0] = M_createVP(cube.m, 2, 2, 2, nullptr, 0, R);
      r[1] = M_createVP(cube.m, 2.5, 2, 2, nullptr, 0, R);
      rim = M_createE(cube.m, r[0], r[1], R);
    }
    // The threshold for the geometry, and the squared distance of x.
    std::pair<double, double> place(const Geometry& q) {
      for (pVertex v : p) P_setPos(V_point(v), P_x(V_point(v)), P_y(V_point(v)), q.z);
      P_setPos(V_point(r[1]), 2.0 + q.L, 2, 2);
      return {0.111111 * E_length(rim), AdaptUtil::V_sqrDistToFace(x, g)};
    }
  };
  Geometry exact;
  {
    Setup s;
    bool found = false;
    for (int i = 0; i < 200 && !found; ++i) {
      Geometry q;
      q.L = 0.49 + i * 4.5e-16;
      const double T = 0.111111 * (0.49 * 0.49);
      for (int j = -20; j <= 20 && !found; ++j) {
        q.z = 0.5 + std::sqrt(T) + j * 1.1e-16;
        const auto [threshold, d2] = s.place(q);
        if (d2 == threshold) exact = q, found = true;
      }
    }
    ASSERT_TRUE(found);
  }
  Geometry closer = exact;
  closer.z = std::nextafter(exact.z, 0.0);
  for (const bool atThreshold : {true, false}) {
    SCOPED_TRACE(atThreshold);
    Setup s;
    const auto [threshold, d2] = s.place(atThreshold ? exact : closer);
    if (atThreshold) ASSERT_EQ(d2, threshold);
    else ASSERT_LT(d2, threshold);
    SSList<mEntity*> K;
    K.append(s.f);
    pPList A = PList_new(), B = PList_new();
    PList_append(A, F_vtOpEd(s.f, s.x));  // the rim: its vertices are not queued
    PList_append(A, s.rim);
    for (pEdge e : s.es) PList_append(A, e);
    PList_append(B, s.g);
    snapVertices snap(s.cube.m, nullptr);
    snap.removeCloseEntities(A, B, K);
    if (atThreshold) {
      EXPECT_EQ(M_numRegions(s.cube.m), 48);
      EXPECT_EQ(K.size(), 1);
    } else {
      EXPECT_EQ(vertexNear(s.cube.m, 0.5, 0.5, 0.5), nullptr);
      EXPECT_LE(M_numRegions(s.cube.m), 48 - 24);  // x had 24 regions
      EXPECT_GT(M_numRegions(s.cube.m), 0);
    }
    // The rim's marks are gone.
    int mark = 0;
    EXPECT_FALSE(EN_getDataInt(s.rim, snap.countId, &mark));
    EXPECT_FALSE(EN_getDataInt(s.r[0], snap.countId, &mark));
    PList_delete(A);
    PList_delete(B);
  }
}

// An old face folded onto the new face at a rim edge (dihedral angle cosine
// at least 0.9397) loses its regions; just below that it keeps them. The
// apex of the new face with the cosine equal to 0.9397 to the last bit is
// searched for around the exact place.
TEST(SnapCavity, FoldAtTheRimRemovesTheOldFacesRegions) {
  for (const bool atLimit : {true, false}) {
    const double cosine = atLimit ? 0.9397 : 0.9397 - 1e-9;
    SCOPED_TRACE(cosine);
    CubeModel cube(2);
    pGEntity R = cube.modelEntity(0);
    pEdge e = E_exists(cube.vertexAt(1, 1, 1), cube.vertexAt(1, 1, 0));
    ASSERT_NE(e, nullptr);
    pFace fC = E_face(e, 0);
    ASSERT_EQ(F_whatInType(fC), 3);
    pVertex e0 = E_vertex(e, 0), e1 = E_vertex(e, 1), o = F_edOpVt(fC, e);
    double x0[3], x1[3], xo[3];
    V_coord(e0, x0);
    V_coord(e1, x1);
    V_coord(o, xo);
    // The new face's apex at the given angle from fC around e.
    double a[3], u[3], w[3], len = 0.0, ulen = 0.0, along = 0.0;
    for (int k = 0; k < 3; ++k) len += (x1[k] - x0[k]) * (x1[k] - x0[k]);
    for (int k = 0; k < 3; ++k) a[k] = (x1[k] - x0[k]) / std::sqrt(len);
    for (int k = 0; k < 3; ++k) along += (xo[k] - x0[k]) * a[k];
    for (int k = 0; k < 3; ++k) u[k] = xo[k] - x0[k] - along * a[k];
    for (int k = 0; k < 3; ++k) ulen += u[k] * u[k];
    for (int k = 0; k < 3; ++k) u[k] /= std::sqrt(ulen);
    w[0] = a[1] * u[2] - a[2] * u[1];
    w[1] = a[2] * u[0] - a[0] * u[2];
    w[2] = a[0] * u[1] - a[1] * u[0];
    const double s = std::sqrt(1.0 - cosine * cosine);
    double xp[3];
    for (int k = 0; k < 3; ++k) xp[k] = 0.5 * (x0[k] + x1[k]) + 0.5 * (cosine * u[k] + s * w[k]);
    auto face = [&](pVertex a0, pVertex a1, pVertex a2) {
      pVertex vs[3] = {a0, a1, a2};
      pEdge es[3];
      for (int k = 0; k < 3; ++k) {
        es[k] = E_exists(vs[k], vs[(k + 1) % 3]);
        if (!es[k]) es[k] = M_createE(cube.m, vs[k], vs[(k + 1) % 3], R);
      }
      int dirs[3] = {1, 1, 1};
      return M_createF(cube.m, 3, es, dirs, R);
    };
    pVertex p = M_createVP2(cube.m, xp, nullptr, 0, R);
    pFace fN = face(e0, e1, p);
    // fC's other edges carry new faces too (as rim edges do), in fC's plane
    // on the far side: no fold there.
    pFace others[2];
    for (int i = 0; i < 2; ++i) {
      pVertex end = i == 0 ? e0 : e1, across = i == 0 ? e1 : e0;
      double xe[3], xa[3], xq[3];
      V_coord(end, xe);
      V_coord(across, xa);
      for (int k = 0; k < 3; ++k) xq[k] = 0.5 * (xe[k] + xo[k]) + (0.5 * (xe[k] + xo[k]) - xa[k]);
      others[i] = face(end, o, M_createVP2(cube.m, xq, nullptr, 0, R));
    }
    double x[4][3];
    V_coord(e0, x[0]);
    V_coord(e1, x[1]);
    V_coord(o, x[3]);
    for (int i = 0; i < 4000; ++i) {
      const double step = (i % 2 ? 1 : -1) * (i / 2) * 1.1e-16;
      for (int k = 0; k < 3; ++k) x[2][k] = xp[k] + step * w[k];
      if (!atLimit || E_dihedral(x) == cosine) break;
    }
    P_setPos(V_point(p), x[2][0], x[2][1], x[2][2]);
    if (atLimit) ASSERT_EQ(E_dihedral(x), cosine);
    else ASSERT_NEAR(E_dihedral(x), cosine, 1e-12);

    snapVertices snap(cube.m, nullptr);
    SSList<mEntity*> K;
    K.append(fC);
    pPList A = PList_new(), B = PList_new();
    // fC's other edges are on the rim too, so that only the fold acts.
    PList_append(A, e);
    for (int k = 0; k < 3; ++k)
      if (F_edge(fC, k) != e) PList_append(A, F_edge(fC, k));
    PList_append(B, fN);
    PList_append(B, others[0]);
    PList_append(B, others[1]);
    snap.removeCloseEntities(A, B, K);
    if (atLimit) {
      EXPECT_EQ(F_exists(0, e0, e1, o, nullptr), nullptr);
      EXPECT_LE(M_numRegions(cube.m), 46);
      RIter it = M_regionIter(cube.m);
      while (pRegion r = RIter_next(it)) EXPECT_GT(R_volume(r), 0.0);
      RIter_delete(it);
    } else {
      EXPECT_EQ(M_numRegions(cube.m), 48);
      EXPECT_EQ(K.size(), 1);
    }
    PList_delete(A);
    PList_delete(B);
  }
}

// Crossing test of the cavity against the new faces: a new face that only
// touches a cavity face at a shared vertex, or shares an edge with it, does
// not cross it; one through its inside removes the region behind it (side
// 0), whose other faces join the cavity.
TEST(SnapCavity, CavityFacesCrossingTheNewSurface) {
  enum Kind { TouchAtVertex, ShareEdge, Through };
  for (Kind kind : {TouchAtVertex, ShareEdge, Through}) {
    SCOPED_TRACE(kind);
    CubeModel cube(2);
    pGEntity R = cube.modelEntity(0);
    pVertex x = cube.vertexAt(1, 1, 1);
    pPList fs = V_faces(x);
    pFace f = static_cast<pFace>(PList_item(fs, 0));
    PList_delete(fs);
    pPList fv = F_vertices(f, 1);
    pVertex a = static_cast<pVertex>(PList_item(fv, 0)), b = static_cast<pVertex>(PList_item(fv, 1)),
            c = static_cast<pVertex>(PList_item(fv, 2));
    PList_delete(fv);
    double xa[3], xb[3], xc[3], n[3], t[3], mid[3];
    V_coord(a, xa);
    V_coord(b, xb);
    V_coord(c, xc);
    F_normalVector(f, 1, n);
    const double nn = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k) {
      n[k] /= nn;
      t[k] = xb[k] - xa[k];
      mid[k] = (xa[k] + xb[k] + xc[k]) / 3.0;
    }
    auto at = [&](double along, double up) {
      double p[3];
      for (int k = 0; k < 3; ++k) p[k] = mid[k] + along * t[k] + up * n[k];
      return M_createVP2(cube.m, p, nullptr, 0, R);
    };
    pVertex q[3] = {nullptr, nullptr, nullptr};
    switch (kind) {
      case TouchAtVertex:  // from a, above f's plane
        q[0] = a, q[1] = at(0.1, 0.3), q[2] = at(-0.1, 0.3);
        break;
      case ShareEdge:  // on edge ab, through the region above f
        q[0] = a, q[1] = b, q[2] = at(0.0, 0.3);
        break;
      case Through:  // across f's plane inside f
        q[0] = at(0.05, 0.2), q[1] = at(-0.05, 0.2), q[2] = at(0.0, -0.2);
        break;
    }
    pEdge es[3];
    for (int k = 0; k < 3; ++k) {
      es[k] = E_exists(q[k], q[(k + 1) % 3]);
      if (!es[k]) es[k] = M_createE(cube.m, q[k], q[(k + 1) % 3], R);
    }
    int dirs[3] = {1, 1, 1};
    pFace g = M_createF(cube.m, 3, es, dirs, R);
    pRegion behind = F_region(f, 0);
    snapVertices snap(cube.m, nullptr);
    SSList<mEntity*> K;
    K.append(f);
    pPList B = PList_new();
    PList_append(B, g);
    EXPECT_EQ(snap.processIntersection_2(R, B, K), 1);
    if (kind == Through) {
      EXPECT_LT(M_numRegions(cube.m), 48);
      EXPECT_NE(F_region(f, 0), behind);
      EXPECT_GT(K.size(), 1);
    } else {
      EXPECT_EQ(M_numRegions(cube.m), 48);
      EXPECT_EQ(K.size(), 1);
    }
    PList_delete(B);
  }
}

// A boundary face in the way of the new surface: its vertices still waiting
// for their targets are moved there first (1), and when that spoils a region
// around them all their regions go (the top centre has 12); with nothing to
// move and every face around similar to the model there is nothing to repair
// (3, with the message).
TEST(SnapCavity, BoundaryFaceInTheWay) {
  struct Case {
    double z;  // target height of the top centre vertex, or 0 for none
    int result, regions;
    const char* text;
  } cases[] = {
      {0.95, 1, 48, ""},
      {0.4, 1, 36, ""},
      {0.0, 3, 48, "INFO:  need refinement or bad T(P(M00)) (expandCavityAtBdry)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.z);
    CubeModel cube(2);
    pVertex v = cube.vertexAt(1, 1, 2);
    pPList fs = V_faces(v);
    pFace f = nullptr;
    for (int i = 0; i < PList_size(fs) && !f; ++i)
      if (F_whatInType(static_cast<pFace>(PList_item(fs, i))) == 2) f = static_cast<pFace>(PList_item(fs, i));
    PList_delete(fs);
    snapVertices snap(cube.m, nullptr);
    if (c.z > 0) snap.append(v, new double[3]{0.5, 0.5, c.z});
    SSList<mEntity*> K;
    K.append(f);
    pPList D = PList_new();
    testing::internal::CaptureStdout();
    EXPECT_EQ(snap.expandCavityAtBdry(f, nullptr, K, D, 2), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
    EXPECT_EQ(M_numRegions(cube.m), c.regions);
    if (c.z > 0) {
      double x[3];
      V_coord(v, x);
      EXPECT_EQ(x[2], c.z);
      EXPECT_TRUE(snap.removedVerts->inList(v));
      void* p = nullptr;
      EXPECT_FALSE(EN_getDataPtr(v, snap.targetId, &p));
    }
    if (c.regions < 48) {
      pPList rs = V_regions(v);
      EXPECT_EQ(PList_size(rs), 0);
      PList_delete(rs);
    }
    PList_delete(D);
  }
}

// Where the new patch meets model edges it must be similar to its model face
// in the parameter plane. With w's parameters those of the top centre the
// copies are; with w's parameters across the model edge y = 0 the copy over
// that edge is flipped, and w cannot be collapsed away (it has faces but no
// region): failure with the message. A rim edge on a model edge without a
// new face is an error.
TEST(SnapCavity, NewPatchSimilarAtModelEdges) {
  struct Case {
    double u, v;
    bool withFaces;
    int result;
    const char* text;
  } cases[] = {
      {0.5, 0.5, true, 1, ""},
      {0.5, -0.3, true, 0, "Error: can not create a valid new triangulation\n"},
      {0.5, 0.5, false, 0, "Error: ensureSimilarity\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TopPatch t(0.5, 0.5, 1.2);
    P_setParam2(V_point(t.w), c.u, c.v, 0);
    t.link();
    ASSERT_EQ(t.snap.copyLocalSurfMesh(t.cube.m, t.faces, t.v, t.made, t.polygon), 1);
    int onModelEdges = 0;
    for (int i = 0; i < PList_size(t.polygon); ++i)
      onModelEdges += E_whatInType(static_cast<pEdge>(PList_item(t.polygon, i))) == 1;
    EXPECT_EQ(onModelEdges, 4);
    if (!c.withFaces) PList_clear(t.made);
    testing::internal::CaptureStdout();
    EXPECT_EQ(t.snap.ensureSimilarity(t.made, t.polygon, t.w), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
    EXPECT_EQ(vertexNear(t.cube.m, 0.5, 0.5, 1.2), t.w);
  }
}

// The copies around w above the top centre at height h: swapping the spoke
// to the corner (0, 0, 1) (or (1, 1, 1)) trades the pair of copies, largest
// angle cosine (0.875 + 0.625 - 0.25) / (2 sqrt(0.875 * 0.625)) = 0.846 at
// h^2 = 0.375, for a flat right-angled triangle (0.707) and a copy over the
// corner's diagonal (0.6). The orientation value (squared cosine of the tilt
// from the model normal) of that copy is 0.125 / (0.125 + h^2), against
// 0.25 / (0.25 + h^2) = 0.4 for the old pair: lower, so the swap is taken
// only while the new value is at least 0.25, that is for h^2 up to 0.375.
TEST(SnapCavity, PatchImprovementNeedsOrientationOfAQuarter) {
  for (const double factor : {1.0 - 1e-6, 1.0 + 1e-6}) {
    SCOPED_TRACE(factor);
    TopPatch t(0.5, 0.5, 1.0 + std::sqrt(0.375 * factor));
    t.link();
    ASSERT_EQ(t.snap.copyLocalSurfMesh(t.cube.m, t.faces, t.v, t.made, t.polygon), 1);
    t.snap.improveNewSurfMesh(t.top, t.made, t.w);
    const bool swapped = factor < 1.0;
    EXPECT_EQ(V_numEdges(t.w), swapped ? 4 : 6);
    EXPECT_EQ(PList_size(t.made), 6);
    for (const auto& corner : {std::array<int, 6>{0, 0, 1, 0, 0, 1}, std::array<int, 6>{2, 2, 1, 2, 2, 1}}) {
      pFace flat = F_exists(0, t.cube.vertexAt(corner[0], corner[1], 2), t.cube.vertexAt(corner[2], corner[3], 2),
                            t.cube.vertexAt(corner[4], corner[5], 2), nullptr);
      EXPECT_EQ(flat != nullptr, swapped);
      EXPECT_EQ(flat && PList_inList(t.made, flat), swapped);
    }
  }
}

// The cavity faces connected to the rim stay; a replaced face that now lies
// between two regions of the model region leaves the cavity into the region
// (its mark gone), and no face list is left on the cavity's edges.
TEST(SnapCavity, DiscEntitiesKeepTheConnectedCavity) {
  CubeModel cube(2);
  pGEntity R = cube.modelEntity(0);
  pVertex v = cube.vertexAt(1, 1, 2);
  pPList fs = V_faces(v);
  pFace top = nullptr, inner = nullptr;
  for (int i = 0; i < PList_size(fs); ++i) {
    pFace f = static_cast<pFace>(PList_item(fs, i));
    if (!top && F_whatInType(f) == 2) top = f;
  }
  PList_delete(fs);
  fs = V_faces(cube.vertexAt(1, 1, 0));
  for (int i = 0; i < PList_size(fs) && !inner; ++i)
    if (F_whatInType(static_cast<pFace>(PList_item(fs, i))) == 3) inner = static_cast<pFace>(PList_item(fs, i));
  PList_delete(fs);
  snapVertices snap(cube.m, nullptr);
  EN_attachDataInt(top, snap.countId, 1);
  EN_attachDataInt(inner, snap.countId, 1);
  F_setWhatIn(inner, F_whatIn(top));  // as a face of the old surface
  SSList<mEntity*> K;
  K.append(top);
  K.append(inner);
  pPList A = PList_new();
  PList_append(A, F_vtOpEd(top, v));
  snap.removeDiscEntities(R, A, K);
  EXPECT_EQ(M_numRegions(cube.m), 48);
  ASSERT_EQ(K.size(), 1);
  EXPECT_EQ(K.nth(0), top);
  EXPECT_EQ(F_whatIn(inner), R);
  int mark = 0;
  EXPECT_FALSE(EN_getDataInt(inner, snap.countId, &mark));
  EXPECT_TRUE(EN_getDataInt(top, snap.countId, &mark));
  for (pFace f : {top, inner})
    for (int k = 0; k < 3; ++k) {
      void* p = nullptr;
      EXPECT_FALSE(EN_getDataPtr(F_edge(f, k), snap.remeshId, &p));
    }
  PList_delete(A);
}
