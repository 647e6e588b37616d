// The template refiner on small hand-made triangle and tetrahedron meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "MT_mark.h"
#include "MT_topology.h"
#include "adapt_fixtures.h"
#include "meshBuild.h"
#include "mMesh.h"
#include "meshTemplate.h"

using namespace adapttest;

namespace {

struct Calls {
  struct Call {
    std::vector<pEntity> olds, news;
    int kind;
  };
  std::vector<Call> calls;
  static void record(pPList olds, pPList news, void* data, modType kind, pEntity) {
    Call c;
    c.kind = kind;
    for (int i = 0; i < PList_size(olds); ++i) c.olds.push_back(static_cast<pEntity>(PList_item(olds, i)));
    for (int i = 0; i < PList_size(news); ++i) c.news.push_back(static_cast<pEntity>(PList_item(news, i)));
    static_cast<Calls*>(data)->calls.push_back(c);
  }
};

double tetVolume(pRegion r) {
  double x[4][3];
  pPList vs = R_vertices(r);
  for (int k = 0; k < 4; ++k) V_coord(static_cast<pVertex>(PList_item(vs, k)), x[k]);
  PList_delete(vs);
  double a[3], b[3], c[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = x[1][i] - x[0][i];
    b[i] = x[2][i] - x[0][i];
    c[i] = x[3][i] - x[0][i];
  }
  return (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
          a[2] * (b[0] * c[1] - b[1] * c[0])) /
         6.0;
}

// Sum of the volumes of the mesh's tetrahedra, each expected above least.
double meshVolume(pMesh m, double least = 0.0) {
  double volume = 0.0;
  RIter it = M_regionIter(m);
  while (pRegion r = RIter_next(it)) {
    const double v = tetVolume(r);
    EXPECT_GT(v, least);
    volume += v;
  }
  RIter_delete(it);
  return volume;
}

double triArea(pFace f) {
  pPList vs = F_vertices(f, 1);
  double x[3][3];
  for (int k = 0; k < 3; ++k) V_coord(static_cast<pVertex>(PList_item(vs, k)), x[k]);
  PList_delete(vs);
  double a[3], b[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = x[1][i] - x[0][i];
    b[i] = x[2][i] - x[0][i];
  }
  const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

// Face (0,1,2) of an oriented tetrahedron on the given edges, in cycle order
// or reversed.
pFace orientedFace(MeshHolder& mh, pEdge a, pEdge b, pEdge c, bool reversed) {
  return reversed ? mh.face(c, b, a) : mh.face(a, b, c);
}

// A tetrahedron on four corners whose faces are made in their cycle order or
// reversed by the bits of orient.
pRegion makeTet(MeshHolder& mh, pVertex v[4], int orient) {
  pEdge e01 = mh.edge(v[0], v[1]), e12 = mh.edge(v[1], v[2]), e20 = mh.edge(v[2], v[0]);
  pEdge e03 = mh.edge(v[0], v[3]), e13 = mh.edge(v[1], v[3]), e23 = mh.edge(v[2], v[3]);
  pFace f[4] = {orientedFace(mh, e01, e12, e20, orient & 1), orientedFace(mh, e01, e13, e03, orient & 2),
                orientedFace(mh, e12, e23, e13, orient & 4), orientedFace(mh, e20, e03, e23, orient & 8)};
  int d[4] = {1, 1, 1, 1};
  return M_createR(mh.m, 4, f, d, nullptr);
}

const double unitCorners[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

bool onUnitTetBoundary(const double x[3]) {
  const double t = 1e-14;
  return std::fabs(x[0]) < t || std::fabs(x[1]) < t || std::fabs(x[2]) < t ||
         std::fabs(x[0] + x[1] + x[2] - 1.0) < t;
}

// Checks that the mesh fills the unit tetrahedron conformingly with positive
// tetrahedra, and that every vertex is a corner, an edge mid-point or the
// centroid. Returns the number of tetrahedra.
int checkFilledUnitTet(pMesh m) {
  EXPECT_NEAR(meshVolume(m, 1e-3), 1.0 / 6.0, 1e-15);

  double boundaryArea = 0.0;
  FIter fit = M_faceIter(m);
  while (pFace f = FIter_next(fit)) {
    const int n = (F_region(f, 0) ? 1 : 0) + (F_region(f, 1) ? 1 : 0);
    EXPECT_GE(n, 1);
    if (n != 1) continue;
    pPList vs = F_vertices(f, 1);
    double c[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      double x[3];
      V_coord(static_cast<pVertex>(PList_item(vs, k)), x);
      for (int i = 0; i < 3; ++i) c[i] += x[i] / 3.0;
    }
    PList_delete(vs);
    EXPECT_TRUE(onUnitTetBoundary(c)) << "an inner face with one region";
    boundaryArea += triArea(f);
  }
  FIter_delete(fit);
  EXPECT_NEAR(boundaryArea, 1.5 + std::sqrt(3.0) / 2.0, 1e-14);

  EIter eit = M_edgeIter(m);
  while (pEdge e = EIter_next(eit)) EXPECT_GT(E_numFaces(e), 0);
  EIter_delete(eit);
  VIter vit = M_vertexIter(m);
  while (pVertex v = VIter_next(vit)) {
    EXPECT_GT(V_numEdges(v), 0);
    double x[3];
    V_coord(v, x);
    bool known = std::fabs(x[0] - 0.25) < 1e-15 && std::fabs(x[1] - 0.25) < 1e-15 && std::fabs(x[2] - 0.25) < 1e-15;
    for (int a = 0; a < 4 && !known; ++a)
      for (int b = a; b < 4 && !known; ++b) {
        bool same = true;
        for (int i = 0; i < 3; ++i)
          same = same && std::fabs(x[i] - 0.5 * (unitCorners[a][i] + unitCorners[b][i])) < 1e-15;
        known = same;
      }
    EXPECT_TRUE(known) << "vertex at " << x[0] << " " << x[1] << " " << x[2];
  }
  VIter_delete(vit);
  // A tetrahedral ball: V - E + F - R = 1.
  EXPECT_EQ(M_numVertices(m) - M_numEdges(m) + M_numFaces(m) - M_numRegions(m), 1);
  return M_numRegions(m);
}

// Tetrahedron counts a pattern of split edges may give (two variants where a
// Steiner vertex or a missing interior edge changes the count).
std::set<int> allowedCounts(int mask) {
  const std::vector<std::pair<std::vector<int>, std::set<int>>> families = {
      {{1, 2, 4, 8, 16, 32}, {2}},
      {{6, 5, 3, 9, 17, 24, 18, 34, 48, 12, 36, 40}, {3}},
      {{33, 10, 20}, {4}},
      {{21, 35, 14, 41, 26, 52}, {5}},
      {{11, 22, 37, 28, 49, 42}, {5}},
      {{13, 19, 38, 56}, {4, 9}},
      {{7, 25, 50, 44}, {4}},
      {{15, 23, 39, 27, 29, 57, 51, 54, 58, 45, 46, 60}, {5, 6}},
      {{30, 53, 43}, {6, 12}},
      {{62, 61, 59, 55, 47, 31}, {7}},
      {{63}, {8}}};
  for (const auto& f : families)
    for (int m : f.first)
      if (m == mask) return f.second;
  return {};
}

// Regions on model region 1, boundary faces (one region, or none in two
// dimensions) on model face 1 with their edges and vertices; the rest inside.
void classify(pMesh m) {
  const bool solid = M_numRegions(m) > 0;
  pGEntity region = m->getGEntity(1, 3), face = m->getGEntity(1, 2);
  RIter rit = M_regionIter(m);
  while (pRegion r = RIter_next(rit)) R_setWhatIn(r, region);
  RIter_delete(rit);
  FIter fit = M_faceIter(m);
  while (pFace f = FIter_next(fit)) F_setWhatIn(f, solid && F_region(f, 1) ? region : face);
  FIter_delete(fit);
  EIter eit = M_edgeIter(m);
  while (pEdge e = EIter_next(eit)) {
    pGEntity g = solid ? region : face;
    for (int i = 0; i < E_numFaces(e); ++i)
      if (F_whatIn(E_face(e, i)) == face) g = face;
    E_setWhatIn(e, g);
  }
  EIter_delete(eit);
  VIter vit = M_vertexIter(m);
  while (pVertex v = VIter_next(vit)) {
    pGEntity g = solid ? region : face;
    for (int i = 0; i < V_numEdges(v); ++i)
      if (E_whatIn(V_edge(v, i)) == face) g = face;
    V_setWhatIn(v, g);
  }
  VIter_delete(vit);
}

int popcount(int x) {
  int n = 0;
  for (; x; x >>= 1) n += x & 1;
  return n;
}

}  // namespace

// Every pattern of split edges, with every orientation of the four faces.
TEST(Templates, EveryMaskFillsTheUnitTetrahedron) {
  std::vector<std::set<int>> seen(64);
  for (int mask = 1; mask < 64; ++mask) {
    for (int orient = 0; orient < 16; ++orient) {
      SCOPED_TRACE("mask " + std::to_string(mask) + " orientation " + std::to_string(orient));
      MeshHolder mh;
      pVertex v[4];
      for (int k = 0; k < 4; ++k) v[k] = mh.vertex(unitCorners[k][0], unitCorners[k][1], unitCorners[k][2]);
      pRegion r = makeTet(mh, v, orient);
      classify(mh.m);
      meshTemplate mt(mh.m, nullptr);
      pPList edges = R_edges(r);
      for (int i = 0; i < 6; ++i)
        if (mask & (1 << i)) {
          EXPECT_EQ(mt.setRefineLevel(static_cast<pEdge>(PList_item(edges, i)), 1), 1);
        }
      PList_delete(edges);
      mt.run();
      const int n = checkFilledUnitTet(mh.m);
      EXPECT_TRUE(allowedCounts(mask).count(n)) << n << " tetrahedra";
      const int steiner = n == 9 || n == 12 ? 1 : 0;
      EXPECT_EQ(M_numVertices(mh.m), 4 + popcount(mask) + steiner);
      seen[mask].insert(n);
      if (HasFailure()) return;
    }
  }
  // Both variants of the patterns that have two are reached.
  EXPECT_EQ(seen[13], (std::set<int>{4, 9}));
  EXPECT_EQ(seen[30], (std::set<int>{6, 12}));
  EXPECT_EQ(seen[15], (std::set<int>{5, 6}));
}

// Two tetrahedra sharing a face, every subset of their nine edges marked.
TEST(Templates, TwoTetrahedraStayConforming) {
  const double x[5][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  for (int mask = 1; mask < 512; ++mask) {
    SCOPED_TRACE("mask " + std::to_string(mask));
    MeshHolder mh;
    pVertex v[5];
    for (int k = 0; k < 5; ++k) v[k] = mh.vertex(x[k][0], x[k][1], x[k][2]);
    pVertex a[4] = {v[0], v[1], v[2], v[3]};
    makeTet(mh, a, 0);
    // The second tetrahedron (1,2,3,4) across face (1,2,3).
    pEdge e14 = mh.edge(v[1], v[4]), e24 = mh.edge(v[2], v[4]), e34 = mh.edge(v[3], v[4]);
    pFace shared = F_exists(0, v[1], v[2], v[3], nullptr);
    ASSERT_NE(shared, nullptr);
    pFace f[4] = {shared, mh.face(E_exists(v[1], v[2]), e24, e14), mh.face(E_exists(v[2], v[3]), e34, e24),
                  mh.face(E_exists(v[3], v[1]), e14, e34)};
    int d[4] = {1, 1, 1, 1};
    M_createR(mh.m, 4, f, d, nullptr);
    classify(mh.m);
    meshTemplate mt(mh.m, nullptr);
    std::vector<pEdge> all;
    EIter it = M_edgeIter(mh.m);
    while (pEdge e = EIter_next(it)) all.push_back(e);
    EIter_delete(it);
    ASSERT_EQ(all.size(), 9u);
    for (int i = 0; i < 9; ++i)
      if (mask & (1 << i)) mt.setRefineLevel(all[i], 1);
    mt.run();
    // Volume of (1,2,3,4): det of (-1,1,0), (-1,0,1), (0,1,1) over 6 = 2/6.
    EXPECT_NEAR(meshVolume(mh.m), 1.0 / 6.0 + 2.0 / 6.0, 1e-15);
    FIter fit = M_faceIter(mh.m);
    while (pFace fc = FIter_next(fit)) {
      const int n = (F_region(fc, 0) ? 1 : 0) + (F_region(fc, 1) ? 1 : 0);
      EXPECT_GE(n, 1);
    }
    FIter_delete(fit);
    EXPECT_EQ(M_numVertices(mh.m) - M_numEdges(mh.m) + M_numFaces(mh.m) - M_numRegions(mh.m), 1);
    if (HasFailure()) return;
  }
}

// A fully marked tetrahedron: four faces reported, then the region with its
// eight children, all as template refinements.
TEST(Templates, FullyMarkedTetrahedronReportsFacesThenRegion) {
  MeshHolder mh;
  pRegion r = mh.tet(unitCorners);
  Calls calls;
  classify(mh.m);
  meshTemplate mt(mh.m, nullptr);
  mt.setCallback(&Calls::record, &calls);
  EXPECT_EQ(mt.option & 1, 1);
  pPList edges = R_edges(r);
  for (int i = 0; i < 6; ++i) mt.setRefineLevel(static_cast<pEdge>(PList_item(edges, i)), 1);
  PList_delete(edges);
  pPList faces = R_faces(r);
  std::set<pEntity> oldFaces;
  for (int i = 0; i < 4; ++i) oldFaces.insert(static_cast<pEntity>(PList_item(faces, i)));
  PList_delete(faces);
  mt.run();
  ASSERT_EQ(calls.calls.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(calls.calls[i].kind, TEMPLATEREF);
    ASSERT_EQ(calls.calls[i].olds.size(), 1u);
    EXPECT_TRUE(oldFaces.count(calls.calls[i].olds[0]));
    EXPECT_EQ(calls.calls[i].news.size(), 4u);
  }
  const auto& last = calls.calls[4];
  EXPECT_EQ(last.kind, TEMPLATEREF);
  ASSERT_EQ(last.olds.size(), 1u);
  EXPECT_EQ(last.olds[0], r);
  EXPECT_EQ(last.news.size(), 8u);
  EXPECT_EQ(checkFilledUnitTet(mh.m), 8);
  // Every reported child is a region of the refined mesh.
  std::set<pEntity> regions;
  RIter it = M_regionIter(mh.m);
  while (pRegion x = RIter_next(it)) regions.insert(x);
  RIter_delete(it);
  for (pEntity x : last.news) EXPECT_TRUE(regions.count(x));
}

// In two dimensions: one marked edge shared by two triangles gives four
// triangles; the old triangles and the old edge go.
TEST(Templates, SharedEdgeOfTwoTrianglesGivesFour) {
  MeshHolder mh;
  pVertex a = mh.vertex(0, 0, 0), b = mh.vertex(1, 0, 0), c = mh.vertex(0, 1, 0), d = mh.vertex(1, 1, 0);
  pEdge ab = mh.edge(a, b), bc = mh.edge(b, c), ca = mh.edge(c, a), bd = mh.edge(b, d), dc = mh.edge(d, c);
  pFace t1 = mh.face(ab, bc, ca), t2 = mh.face(bc, dc, bd);
  (void)t1;
  (void)t2;
  Calls calls;
  classify(mh.m);
  meshTemplate mt(mh.m, nullptr, 0, 2, nullptr);
  mt.setCallback(&Calls::record, &calls);
  EXPECT_EQ(mt.setRefineLevel(bc, 1), 1);
  mt.run();
  EXPECT_EQ(M_numFaces(mh.m), 4);
  EXPECT_EQ(M_numVertices(mh.m), 5);
  EXPECT_EQ(M_numEdges(mh.m), 8);
  EXPECT_EQ(E_exists(b, c), nullptr);
  ASSERT_EQ(calls.calls.size(), 2u);
  for (const auto& call : calls.calls) {
    EXPECT_EQ(call.kind, TEMPLATEREF);
    EXPECT_EQ(call.news.size(), 2u);
  }
  // The new vertex at the mid-point, used by both sides; every face keeps
  // its share of the unit square.
  double area = 0.0;
  FIter it = M_faceIter(mh.m);
  while (pFace f = FIter_next(it)) {
    area += triArea(f);
    EXPECT_NEAR(triArea(f), 0.25, 1e-15);
  }
  FIter_delete(it);
  EXPECT_NEAR(area, 1.0, 1e-15);
  VIter vit = M_vertexIter(mh.m);
  int mids = 0;
  while (pVertex v = VIter_next(vit)) {
    double x[3];
    V_coord(v, x);
    if (std::fabs(x[0] - 0.5) < 1e-15 && std::fabs(x[1] - 0.5) < 1e-15) {
      ++mids;
      EXPECT_EQ(V_numEdges(v), 4);
    }
  }
  VIter_delete(vit);
  EXPECT_EQ(mids, 1);
}

TEST(Templates, MarkingKeepsOneEntryAndHonoursConstraints) {
  MeshHolder mh;
  pRegion r = mh.tet(unitCorners);
  pPList edges = R_edges(r);
  pEdge e0 = static_cast<pEdge>(PList_item(edges, 0)), e1 = static_cast<pEdge>(PList_item(edges, 1));
  PList_delete(edges);
  classify(mh.m);
  meshTemplate mt(mh.m, nullptr);
  EXPECT_EQ(mt.setRefineLevel(e0, 1), 1);
  EXPECT_EQ(mt.setRefineLevel(e0, 1), 1);
  EXPECT_EQ(PList_size(mt.markedEdges), 1);
  EXPECT_EQ(mt.setRefineLevel(e0, 0), 1);
  EXPECT_EQ(PList_size(mt.markedEdges), 0);
  int mark = 0;
  EXPECT_EQ(EN_getDataInt(e0, mt.refineTag, &mark), 0);

  EN_constrain(2, e1);
  EXPECT_EQ(mt.setRefineLevel(e1, 1), 0);
  EXPECT_EQ(PList_size(mt.markedEdges), 0);

  testing::internal::CaptureStderr();
  EXPECT_EQ(mt.setRefineLevel(e0, 2), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "WARNING: incorrect level\n");

  // A run without marks changes nothing.
  const int counts[4] = {M_numVertices(mh.m), M_numEdges(mh.m), M_numFaces(mh.m), M_numRegions(mh.m)};
  mt.run();
  EXPECT_EQ(M_numVertices(mh.m), counts[0]);
  EXPECT_EQ(M_numEdges(mh.m), counts[1]);
  EXPECT_EQ(M_numFaces(mh.m), counts[2]);
  EXPECT_EQ(M_numRegions(mh.m), counts[3]);
}

TEST(Templates, EdgeSplitAtTheMidPointOnce) {
  MeshHolder mh;
  pVertex p = mh.vertex(0, 0, 0), q = mh.vertex(2, 0, 0);
  pEdge e = mh.edge(p, q);
  SSList<mEntity*> snaps;
  meshTemplate mt(mh.m, nullptr, 0, 0, &snaps);
  EXPECT_EQ(mt.toSnap, nullptr);
  pPList ch = mt.get_split_edges(e, 0);
  ASSERT_EQ(PList_size(ch), 3);
  pVertex m = static_cast<pVertex>(PList_item(ch, 0));
  double x[3];
  V_coord(m, x);
  expectVec(x, 1, 0, 0);
  pEdge ha = static_cast<pEdge>(PList_item(ch, 1)), hb = static_cast<pEdge>(PList_item(ch, 2));
  EXPECT_EQ(E_vertex(ha, 0), p);
  EXPECT_EQ(E_vertex(ha, 1), m);
  EXPECT_EQ(E_vertex(hb, 0), m);
  EXPECT_EQ(E_vertex(hb, 1), q);
  const int vertices = M_numVertices(mh.m);
  EXPECT_EQ(mt.get_split_edges(e, 0), ch);
  EXPECT_EQ(M_numVertices(mh.m), vertices);
  EXPECT_EQ(snaps.size(), 0);
}

// A new vertex on a model edge is recorded for snapping in mode 3.
TEST(Templates, SnapModeThreeRecordsBoundaryVertices) {
  MeshHolder mh;
  pVertex p = mh.vertex(0, 0, 0), q = mh.vertex(2, 0, 0), s = mh.vertex(0, 2, 0);
  pEdge onModel = mh.edge(p, q), inside = mh.edge(p, s);
  E_setWhatInType(mh.m, onModel, 7);
  E_setWhatIn(inside, mh.m->getGEntity(1, 3));
  SSList<mEntity*> snaps;
  meshTemplate mt(mh.m, nullptr, 3, 0, &snaps);
  pVertex m = static_cast<pVertex>(PList_item(mt.get_split_edges(onModel, 0), 0));
  mt.get_split_edges(inside, 0);
  ASSERT_EQ(snaps.size(), 1);
  EXPECT_EQ(snaps.nth(0), m);
  EXPECT_EQ(V_whatIn(m), E_whatIn(onModel));
}

// Modes 1 and 2 seek a model location; without a model mesh or parameters
// none is found: the vertex stays at the mid-point, unrecorded, with the
// message. Mode 0 makes no query.
TEST(Templates, SnapTargetNotFoundKeepsTheMidPoint) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    MeshHolder mh;
    pVertex p = mh.vertex(0, 0, 0), q = mh.vertex(2, 0, 0);
    pEdge onModel = mh.edge(p, q);
    E_setWhatInType(mh.m, onModel, 7);
    SSList<mEntity*> snaps;
    meshTemplate mt(mh.m, nullptr, mode, 0, &snaps);
    testing::internal::CaptureStderr();
    pVertex m = static_cast<pVertex>(PList_item(mt.get_split_edges(onModel, 0), 0));
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string message = "get_split_edges: pb! Could not get target location\n";
    if (mode == 0)
      EXPECT_EQ(err, "");
    else
      EXPECT_NE(err.find(message), std::string::npos);
    double x[3];
    V_coord(m, x);
    expectVec(x, 1, 0, 0);
    EXPECT_EQ(snaps.size(), 0);
  }
}

namespace {
// A tetrahedron whose face F0 has its two edges after the first marked; the
// diagonal drawn on F0 has length 1 and the other diagonal of its
// quadrilateral the given length. Returns F0; w receives its cycle.
pFace tetWithDiagonals(MeshHolder& mh, std::unique_ptr<meshTemplate>& mt, double other, pVertex w[3]) {
  pRegion r = mh.tet(unitCorners);
  pFace f = R_face(r, 0);
  // The unsplit edge runs w0 -> w1, so the diagonal is w0 - mid(w1 w2) and
  // the other one mid(w2 w0) - w1. With w0 = 0, w1 = (a,0,0), w2 = (a,b,0):
  // |w0 - mid(w1 w2)|^2 = a^2 + b^2/4 = 1 and |mid(w2 w0) - w1|^2 = (a^2 + b^2)/4.
  for (int i = 0; i < 3; ++i) w[i] = E_vertex(F_edge(f, i), F_edgeDir(f, i) ? 0 : 1);
  const double b2 = (4.0 * other * other - 1.0) * 4.0 / 3.0, a2 = 1.0 - b2 / 4.0;
  const double a = std::sqrt(a2), b = std::sqrt(b2);
  P_setPos(V_point(w[0]), 0, 0, 0);
  P_setPos(V_point(w[1]), a, 0, 0);
  P_setPos(V_point(w[2]), a, b, 0);
  pPList vs = R_vertices(r);
  for (int k = 0; k < 4; ++k) {
    pVertex v = static_cast<pVertex>(PList_item(vs, k));
    if (v != w[0] && v != w[1] && v != w[2]) {
      P_setPos(V_point(v), 0.5 * a, 0.5 * b, 1.0);
      if (tetVolume(r) < 0.0) P_setPos(V_point(v), 0.5 * a, 0.5 * b, -1.0);
    }
  }
  PList_delete(vs);
  classify(mh.m);
  mt = std::make_unique<meshTemplate>(mh.m, nullptr, 0, 2, nullptr);
  for (int i = 1; i < 3; ++i) mt->setRefineLevel(F_edge(f, i), 1);
  return f;
}
}  // namespace

// The face diagonal is recorded when the other diagonal of its quadrilateral
// is below 0.9 times its length, and a run then flips it by a split-collapse.
TEST(Templates, ShorterOtherDiagonalIsRecordedAndImproved) {
  for (double other : {0.89, 0.91}) {
    SCOPED_TRACE(other);
    {
      MeshHolder mh;
      std::unique_ptr<meshTemplate> mt;
      pVertex w[3];
      pFace f = tetWithDiagonals(mh, mt, other, w);
      for (int i = 0; i < 3; ++i) mt->E_refine(F_edge(f, i));
      EXPECT_EQ(mt->F_refine(f), 2);
      pPList ch = nullptr;
      ASSERT_TRUE(EN_getDataPtr(f, mt->childrenTag, reinterpret_cast<void**>(&ch)));
      pEdge d = static_cast<pEdge>(PList_item(ch, 0));
      EXPECT_TRUE(E_vertex(d, 0) == w[0] || E_vertex(d, 1) == w[0]);
      if (other < 0.9) {
        ASSERT_EQ(PList_size(mt->diagonalList), 2);
        EXPECT_EQ(PList_item(mt->diagonalList, 0), d);
        EXPECT_EQ(PList_item(mt->diagonalList, 1), PList_item(ch, 3));
      } else {
        EXPECT_EQ(PList_size(mt->diagonalList), 0);
      }
    }
    {
      MeshHolder mh;
      std::unique_ptr<meshTemplate> mt;
      pVertex w[3];
      tetWithDiagonals(mh, mt, other, w);
      pVertex m12 = nullptr, m20 = nullptr;
      const double before = meshVolume(mh.m);
      mt->run();
      EXPECT_EQ(PList_size(mt->diagonalList), 0);
      // The mid-points of the split edges, found by position.
      double x1[3], x2[3], x0[3];
      V_coord(w[0], x0);
      V_coord(w[1], x1);
      V_coord(w[2], x2);
      VIter vit = M_vertexIter(mh.m);
      while (pVertex v = VIter_next(vit)) {
        double x[3];
        V_coord(v, x);
        auto at = [&](const double* p, const double* q) {
          return std::fabs(x[0] - 0.5 * (p[0] + q[0])) < 1e-15 && std::fabs(x[1] - 0.5 * (p[1] + q[1])) < 1e-15 &&
                 std::fabs(x[2] - 0.5 * (p[2] + q[2])) < 1e-15;
        };
        if (at(x1, x2)) m12 = v;
        if (at(x2, x0)) m20 = v;
      }
      VIter_delete(vit);
      ASSERT_NE(m12, nullptr);
      ASSERT_NE(m20, nullptr);
      const bool flipped = other < 0.9;
      EXPECT_EQ(E_exists(w[0], m12) == nullptr, flipped);
      EXPECT_EQ(E_exists(w[1], m20) != nullptr, flipped);
      EXPECT_NEAR(meshVolume(mh.m), before, 1e-15);
      EXPECT_EQ(M_numVertices(mh.m) - M_numEdges(mh.m) + M_numFaces(mh.m) - M_numRegions(mh.m), 1);
    }
  }
}

// Mask 63 of a regular tetrahedron: the three diagonals are equal and the
// first, joining the mid-points of e0 and e5, is taken.
TEST(Templates, EqualDiagonalsTakeTheFirst) {
  MeshHolder mh;
  const double x[4][3] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
  pRegion r = mh.tet(x);
  pPList vs = R_vertices(r);
  pVertex v[4];
  for (int k = 0; k < 4; ++k) v[k] = static_cast<pVertex>(PList_item(vs, k));
  PList_delete(vs);
  classify(mh.m);
  meshTemplate mt(mh.m, nullptr);
  pPList edges = R_edges(r);
  for (int i = 0; i < 6; ++i) mt.setRefineLevel(static_cast<pEdge>(PList_item(edges, i)), 1);
  pEdge e0 = static_cast<pEdge>(PList_item(edges, 0)), e5 = static_cast<pEdge>(PList_item(edges, 5));
  PList_delete(edges);
  EXPECT_EQ(E_exists(v[0], v[1]), e0);
  EXPECT_EQ(E_exists(v[2], v[3]), e5);
  for (int i = 0; i < 6; ++i) {
    pPList es = R_edges(r);
    mt.E_refine(static_cast<pEdge>(PList_item(es, i)));
    PList_delete(es);
  }
  pVertex m0 = static_cast<pVertex>(PList_item(mt.get_split_edges(e0, 0), 0));
  pVertex m5 = static_cast<pVertex>(PList_item(mt.get_split_edges(e5, 0), 0));
  mt.run();
  EXPECT_NE(E_exists(m0, m5), nullptr);
  EXPECT_EQ(M_numRegions(mh.m), 8);
}

// The Steiner variants with recording on: the vertex at the centroid is
// listed with one triple per face split with two edges; with recording off
// neither list output is touched.
TEST(Templates, SteinerVertexIsRecorded) {
  for (int orient = 0; orient < 16; ++orient) {
    MeshHolder mh;
    pVertex v[4];
    for (int k = 0; k < 4; ++k) v[k] = mh.vertex(unitCorners[k][0], unitCorners[k][1], unitCorners[k][2]);
    pRegion r = makeTet(mh, v, orient);
    classify(mh.m);
    meshTemplate mt(mh.m, nullptr, 0, 2, nullptr);
    pPList edges = R_edges(r);
    for (int i : {0, 2, 3}) mt.setRefineLevel(static_cast<pEdge>(PList_item(edges, i)), 1);
    pPList steiners = PList_new();
    mt.M_countSteinerPoints(mh.m, steiners);
    for (int i : {0, 2, 3}) mt.E_refine(static_cast<pEdge>(PList_item(edges, i)));
    PList_delete(edges);
    pPList faces = R_faces(r);
    for (int i = 0; i < 4; ++i) mt.F_refine(static_cast<pFace>(PList_item(faces, i)));
    PList_delete(faces);
    pPList newRegions = reinterpret_cast<pPList>(&mt), newEdges = reinterpret_cast<pPList>(&mt);
    EXPECT_EQ(mt.R_refine(r, &newRegions, &newEdges), 13);
    // Without bit 0 of the option the outputs are left alone.
    EXPECT_EQ(newRegions, reinterpret_cast<pPList>(&mt));
    EXPECT_EQ(newEdges, reinterpret_cast<pPList>(&mt));
    const int n = M_numRegions(mh.m);
    ASSERT_TRUE(n == 4 || n == 9);
    EXPECT_EQ(PList_size(steiners), n == 9 ? 1 : 0) << "the counting foresees the Steiner vertex";
    PList_delete(steiners);
    if (n == 4) {
      EXPECT_EQ(PList_size(mt.steinerList), 0);
      continue;
    }
    ASSERT_EQ(PList_size(mt.steinerList), 1);
    pVertex c = static_cast<pVertex>(PList_item(mt.steinerList, 0));
    double x[3];
    V_coord(c, x);
    expectVec(x, 0.25, 0.25, 0.25, 1e-16);
    pPList triples = nullptr;
    ASSERT_TRUE(EN_getDataPtr(c, mt.childrenTag, reinterpret_cast<void**>(&triples)));
    ASSERT_EQ(PList_size(triples), 9);
    for (int i = 0; i < 3; ++i) {
      pEdge d = static_cast<pEdge>(PList_item(triples, 3 * i));
      // The two vertices are the other diagonal of the quadrilateral at d.
      pVertex b = static_cast<pVertex>(PList_item(triples, 3 * i + 1));
      pVertex q = static_cast<pVertex>(PList_item(triples, 3 * i + 2));
      EXPECT_EQ(E_exists(b, q), nullptr);
      for (int s = 0; s < 2; ++s) {
        EXPECT_NE(E_exists(E_vertex(d, s), b), nullptr);
        EXPECT_NE(E_exists(E_vertex(d, s), q), nullptr);
      }
    }
    int aroundC = 0;
    pPList rs = V_regions(c);
    aroundC = PList_size(rs);
    PList_delete(rs);
    EXPECT_EQ(aroundC, 8);
    PList_delete(triples);
    EN_deleteData(c, mt.childrenTag);
    PList_clear(mt.steinerList);
  }
}

namespace {

// Region changes seen by the callback: the regions alive at the end must be
// the mesh's regions, each with the volume it was reported with.
struct RegionLedger {
  std::map<pEntity, double> alive;
  int calls = 0;
  static void record(pPList olds, pPList news, void* data, modType, pEntity) {
    auto* l = static_cast<RegionLedger*>(data);
    ++l->calls;
    for (int i = 0; i < PList_size(olds); ++i) {
      pEntity e = static_cast<pEntity>(PList_item(olds, i));
      if (EN_type(e) == 3) {
        EXPECT_EQ(l->alive.erase(e), 1u) << "an unknown region reported as old";
      }
    }
    for (int i = 0; i < PList_size(news); ++i) {
      pEntity e = static_cast<pEntity>(PList_item(news, i));
      if (EN_type(e) == 3) l->alive[e] = tetVolume(e);
    }
  }
};

// A block of n x n x n unit cubes, each split into six tetrahedra around its
// main diagonal.
void cubeBlock(MeshHolder& mh, int n) {
  std::vector<pVertex> v((n + 1) * (n + 1) * (n + 1));
  auto at = [&](int i, int j, int k) -> pVertex& { return v[(i * (n + 1) + j) * (n + 1) + k]; };
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j)
      for (int k = 0; k <= n; ++k) at(i, j, k) = mh.vertex(i, j, k);
  const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k)
        for (const auto& p : perms) {
          int c[3] = {0, 0, 0};
          pVertex t[4];
          t[0] = at(i, j, k);
          for (int s = 0; s < 3; ++s) {
            c[p[s]] = 1;
            t[s + 1] = at(i + c[0], j + c[1], k + c[2]);
          }
          meshtools_detail::tetOf(mh.m, t[0], t[1], t[2], t[3], nullptr);
        }
}

}  // namespace

// A block of 48 tetrahedra with pseudo-random marks, refined with recording
// on, with and without a metric field: the Steiner vertices are then swapped
// out and collapsed where possible, the recorded diagonals flipped.
// The block stays filled and conforming, and the callback accounts for every
// region left, at its final shape.
TEST(Templates, RandomMarksInABlockWithSteinerRemoval) {
  unsigned seed = 12345;
  int steinerMade = 0, steinerLeft = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    MeshHolder mh;
    cubeBlock(mh, 2);
    classify(mh.m);
    RegionLedger ledger;
    RIter rit = M_regionIter(mh.m);
    while (pRegion r = RIter_next(rit)) ledger.alive[r] = tetVolume(r);
    RIter_delete(rit);
    // Every other round with a metric field whose sizes vary over the block.
    std::unique_ptr<metricField> field;
    if (round % 2) {
      field = std::make_unique<metricField>(mh.m);
      VIter vit = M_vertexIter(mh.m);
      while (pVertex v = VIter_next(vit)) {
        double x[3];
        V_coord(v, x);
        const double h[3] = {0.3 + 0.2 * x[0], 0.5, 0.4 + 0.1 * x[2]};
        field->setMetric(v, identity, h);
      }
      VIter_delete(vit);
    }
    meshTemplate mt(mh.m, field.get(), 0, 2, nullptr);
    mt.setCallback(&RegionLedger::record, &ledger);
    EIter eit = M_edgeIter(mh.m);
    while (pEdge e = EIter_next(eit)) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 16) % 3 == 0) mt.setRefineLevel(e, 1);
    }
    EIter_delete(eit);
    pPList foreseen = PList_new();
    mt.M_countSteinerPoints(mh.m, foreseen);
    steinerMade += PList_size(foreseen);
    PList_delete(foreseen);
    const int before = M_numVertices(mh.m) + PList_size(mt.markedEdges);
    mt.run();
    steinerLeft += M_numVertices(mh.m) - before;
    EXPECT_EQ(PList_size(mt.steinerList), 0);
    EXPECT_EQ(PList_size(mt.markedEdges), 0);

    double volume = 0.0, boundaryArea = 0.0;
    rit = M_regionIter(mh.m);
    int regions = 0;
    while (pRegion r = RIter_next(rit)) {
      const double v = tetVolume(r);
      EXPECT_GT(v, 0.0);
      volume += v;
      ++regions;
      auto found = ledger.alive.find(r);
      ASSERT_NE(found, ledger.alive.end()) << "a region the callback never reported";
      EXPECT_EQ(found->second, v) << "a reported region changed shape";
    }
    RIter_delete(rit);
    EXPECT_EQ(static_cast<size_t>(regions), ledger.alive.size());
    EXPECT_NEAR(volume, 8.0, 1e-13);
    FIter fit = M_faceIter(mh.m);
    while (pFace f = FIter_next(fit)) {
      const int n = (F_region(f, 0) ? 1 : 0) + (F_region(f, 1) ? 1 : 0);
      EXPECT_GE(n, 1);
      if (n == 1) boundaryArea += triArea(f);
    }
    FIter_delete(fit);
    EXPECT_NEAR(boundaryArea, 24.0, 1e-12);
    if (field) {
      std::set<metric*> metrics;
      VIter vit = M_vertexIter(mh.m);
      while (pVertex v = VIter_next(vit)) {
        metric* m = field->getMetric(v);
        EXPECT_NE(m, nullptr);
        EXPECT_TRUE(metrics.insert(m).second) << "a metric shared by two vertices";
      }
      VIter_delete(vit);
    }
    EXPECT_EQ(M_numVertices(mh.m) - M_numEdges(mh.m) + M_numFaces(mh.m) - M_numRegions(mh.m), 1);
    if (HasFailure()) return;
  }
  EXPECT_GT(steinerMade, 0);
  EXPECT_LT(steinerLeft, steinerMade);
}

// A triangle with one, two or three marked edges is split into two, three or
// four triangles covering it; the marked edges go.
TEST(Templates, TriangleSplitsByMarkedEdges) {
  const int expected[8] = {1, 2, 2, 3, 2, 3, 3, 4};
  for (int mask = 1; mask < 8; ++mask) {
    SCOPED_TRACE(mask);
    MeshHolder mh;
    pVertex v[3] = {mh.vertex(0, 0, 0), mh.vertex(2, 0, 0), mh.vertex(0, 1, 0)};
    pEdge e[3] = {mh.edge(v[0], v[1]), mh.edge(v[1], v[2]), mh.edge(v[2], v[0])};
    mh.face(e[0], e[1], e[2]);
    classify(mh.m);
    meshTemplate mt(mh.m, nullptr);
    for (int i = 0; i < 3; ++i)
      if (mask & (1 << i)) mt.setRefineLevel(e[i], 1);
    mt.run();
    EXPECT_EQ(M_numFaces(mh.m), expected[mask]);
    EXPECT_EQ(M_numVertices(mh.m), 3 + popcount(mask));
    EXPECT_EQ(M_numVertices(mh.m) - M_numEdges(mh.m) + M_numFaces(mh.m), 1);
    for (int i = 0; i < 3; ++i) {
      if (mask & (1 << i)) {
        EXPECT_EQ(E_exists(v[i], v[(i + 1) % 3]), nullptr);
      }
    }
    double area = 0.0;
    FIter it = M_faceIter(mh.m);
    while (pFace f = FIter_next(it)) {
      EXPECT_GT(triArea(f), 0.1);
      area += triArea(f);
    }
    FIter_delete(it);
    EXPECT_NEAR(area, 1.0, 1e-15);
  }
}

// With a metric field every new vertex carries a metric of its own, the
// removed ones take theirs along.
TEST(Templates, NewVerticesGetMetrics) {
  MeshHolder mh;
  pRegion r = mh.tet(unitCorners);
  classify(mh.m);
  metricField field(mh.m);
  VIter vit = M_vertexIter(mh.m);
  while (pVertex v = VIter_next(vit)) field.setSize(v, 0.5);
  VIter_delete(vit);
  meshTemplate mt(mh.m, &field, 0, 2, nullptr);
  pPList edges = R_edges(r);
  for (int i : {0, 2, 3}) mt.setRefineLevel(static_cast<pEdge>(PList_item(edges, i)), 1);
  PList_delete(edges);
  mt.run();
  std::set<metric*> metrics;
  vit = M_vertexIter(mh.m);
  while (pVertex v = VIter_next(vit)) {
    metric* m = field.getMetric(v);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(metrics.insert(m).second) << "a metric shared by two vertices";
  }
  VIter_delete(vit);
  checkFilledUnitTet(mh.m);
}

// Uniform refinement by levels hands back the tetrahedra of the last level.
TEST(Templates, UniformRefinementByLevels) {
  MeshHolder mh;
  pRegion r = mh.tet(unitCorners);
  classify(mh.m);
  Calls calls;
  meshTemplate mt(mh.m, nullptr);
  mt.setCallback(&Calls::record, &calls);
  pPList out = nullptr;
  mt.R_refineN(r, 2, &out);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(PList_size(out), 64);
  double volume = 0.0;
  for (int i = 0; i < PList_size(out); ++i) {
    const double v = tetVolume(static_cast<pRegion>(PList_item(out, i)));
    EXPECT_GT(v, 0.0);
    volume += v;
  }
  EXPECT_NEAR(volume, 1.0 / 6.0, 1e-15);
  PList_delete(out);
}
