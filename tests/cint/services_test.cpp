// Adjacency lists, element measures, representations, uses, closure and normals.
#include <gtest/gtest.h>

#include <cmath>

#include "cint_fixtures.h"
#include "mException.h"
#include "mHex.h"

using namespace KORA;
using namespace cinttest;

namespace {
std::vector<pEntity> itemsOf(pPList l) {
  std::vector<pEntity> v;
  for (int i = 0; i < PList_size(l); ++i) v.push_back(static_cast<pEntity>(PList_item(l, i)));
  PList_delete(l);
  return v;
}
}  // namespace

TEST(CintServices, InscribedRadiusOfEachKind) {
  MeshHolder h;
  pVertex o = h.vertex(0, 0, 0), x = h.vertex(1, 0, 0), y = h.vertex(0, 1, 0), z = h.vertex(0, 0, 1);
  pVertex xy = h.vertex(1, 1, 0);
  const double tri = 1.0 / (2.0 + std::sqrt(2.0));
  const double tet = 1.0 / (3.0 + std::sqrt(3.0));
  EXPECT_EQ(M_SizeMin(o), 1.0);
  EXPECT_DOUBLE_EQ(M_SizeMin(h.m->createEdge(V(o), V(h.vertex(3, 4, 0)), nullptr)), 5.0);
  EXPECT_NEAR(M_SizeMin(h.m->createFaceWithVertices(V(o), V(x), V(y), nullptr)), tri, 1e-15);
  EXPECT_NEAR(M_SizeMin(h.m->createFaceWithVertices(V(o), V(x), V(xy), V(y), nullptr)), tri, 1e-15);
  EXPECT_NEAR(M_SizeMin(h.m->createTetWithVertices(V(o), V(x), V(y), V(z), nullptr)), tet, 1e-15);
  pVertex top[4] = {h.vertex(0, 0, 1), h.vertex(1, 0, 1), h.vertex(1, 1, 1), h.vertex(0, 1, 1)};
  pEntity hex = h.m->createHexWithVertices(V(o), V(x), V(xy), V(y), V(top[0]), V(top[1]), V(top[2]),
                                           V(top[3]), nullptr);
  EXPECT_THROW(M_SizeMin(hex), int);
}

TEST(CintServices, RepresentationNamesTheVerticesAndFindsTheEntityAgain) {
  MeshHolder h;
  mVertex* v4 = h.m->createVertex(4, 0, 0, 0, nullptr);
  mVertex* v9 = h.m->createVertex(9, 1, 0, 0, nullptr);
  mVertex* v2 = h.m->createVertex(2, 0, 1, 0, nullptr);
  mVertex* v7 = h.m->createVertex(7, 0, 0, 1, nullptr);
  pFace t = h.m->createFaceWithVertices(v4, v9, v2, nullptr);
  int* rep = M_BuildRepresentation(t);
  EXPECT_EQ(std::vector<int>(rep, rep + 5), (std::vector<int>{5, 2, 4, 9, 2}));
  EXPECT_EQ(M_RetrieveRepresentation(rep, h.m), t);
  int* vrep = M_BuildRepresentation(v7);
  EXPECT_EQ(std::vector<int>(vrep, vrep + 3), (std::vector<int>{3, 0, 7}));
  EXPECT_EQ(M_RetrieveRepresentation(vrep, h.m), v7);
  M_removeFace(h.m, t);
  EXPECT_EQ(M_RetrieveRepresentation(rep, h.m), nullptr);
  // Ids that name no vertex answer null; a prism code is not supported.
  int unknown[5] = {5, 2, 4, 9, 123};
  EXPECT_EQ(M_RetrieveRepresentation(unknown, h.m), nullptr);
  int lone[3] = {3, 0, 321};
  EXPECT_EQ(M_RetrieveRepresentation(lone, h.m), nullptr);
  int prism[8] = {8, 5, 4, 9, 2, 7, 1, 3};
  EXPECT_THROW(M_RetrieveRepresentation(prism, h.m), int);
  delete[] rep;
  delete[] vrep;
  EXPECT_EQ(M_MaximumVertexId(h.m), 9);
}

TEST(CintServices, AdjacencyListsFromStoredListsTemplatesAndGathering) {
  Star3D s;
  // Vertices store only edges: regions are gathered through edges and faces, once each.
  EXPECT_EQ(itemsOf(V_regions(s.o)).size(), 4u);
  EXPECT_EQ(itemsOf(V_faces(s.o)).size(), 6u);
  EXPECT_EQ(itemsOf(V_regions(s.p[1])).size(), 3u);
  pEdge e = s.edgeTo(s.o, s.p[1]);
  EXPECT_EQ(itemsOf(E_regions(e)).size(), 3u);
  EXPECT_EQ(itemsOf(R_faces(s.opposite)).size(), 4u);
  EXPECT_EQ(itemsOf(F_edges(R_face(s.opposite, 0), 1, nullptr)).size(), 3u);
  const std::vector<pEntity> rv = itemsOf(R_vertices(s.opposite));
  EXPECT_EQ(rv.size(), 4u);
  EXPECT_EQ(rv[0], s.o);

  // Two distinct lists per call, walk not started.
  pPList a = F_vertices(R_face(s.opposite, 0));
  pPList b = F_vertices(R_face(s.opposite, 0));
  EXPECT_NE(a, b);
  void* it = nullptr;
  EXPECT_EQ(PList_next(a, &it), PList_item(b, 0));
  PList_delete(a);
  PList_delete(b);

  // A mesh of triangles has no regions around an edge.
  Star2D t;
  EXPECT_TRUE(itemsOf(E_regions(t.oa)).empty());
  EXPECT_EQ(itemsOf(V_faces(t.o)).size(), 4u);
  EXPECT_EQ(itemsOf(F_vertices(t.f[0])), (std::vector<pEntity>{t.o, t.a, t.b}));  // vertex i joins edges i-1 and i

  // E_otherFace: the other face of the region around the edge.
  pRegion r = s.opposite;
  pEdge oe = s.edgeTo(s.o, s.p[1]);
  std::vector<pFace> holding;
  for (int i = 0; i < 4; ++i)
    if (R_face(r, i)->find(oe)) holding.push_back(R_face(r, i));
  ASSERT_EQ(holding.size(), 2u);
  EXPECT_EQ(E_otherFace(oe, holding[0], r), holding[1]);
  EXPECT_EQ(E_otherFace(oe, holding[1], r), holding[0]);
  EXPECT_EQ(E_otherFace(oe, nullptr, r), holding[0]);
  pEdge far = s.edgeTo(s.p[0], s.p[1]);
  testing::internal::CaptureStdout();
  EXPECT_THROW(
      {
        try {
          E_otherFace(far, nullptr, r);
        } catch (mException* x) {
          delete x;
          throw 2;
        }
      },
      int);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "an exception has been thrown at line 690 in file cint/KORA\nTEXT : E_otherFace failed\n");
}

TEST(CintServices, UsesOfEdgesInFacesAndOfFacesInTheUnitTetrahedron) {
  MeshHolder h;
  pVertex v[4] = {h.vertex(0, 0, 0), h.vertex(1, 0, 0), h.vertex(0, 1, 0), h.vertex(0, 0, 1)};
  // Triangle (p, q, r): along the cycle 1, against it 0, not an edge: integer 1.
  pFace t = h.m->createFaceWithVertices(V(v[0]), V(v[1]), V(v[2]), nullptr);
  EXPECT_EQ(F_dirUsingEdge(t, h.m->createEdge(V(v[0]), V(v[1]), nullptr)), 1);
  EXPECT_EQ(F_dirUsingEdge(t, h.m->createEdge(V(v[1]), V(v[0]), nullptr)), 0);
  EXPECT_EQ(F_dirUsingEdge(t, h.m->createEdge(V(v[1]), V(v[2]), nullptr)), 1);
  EXPECT_THROW(F_dirUsingEdge(t, h.m->createEdge(V(v[0]), V(v[3]), nullptr)), int);
  // Template edges of a face without an edge list always run along it.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(F_edgeDir(t, i), 1);

  // Faces of the unit tetrahedron (which stores its faces): the order that
  // turns the normal outwards has use 1.
  struct Case {
    int slot;          // position among the tetrahedron's faces
    int order[3];      // vertex order of the face
    int use;
  };
  const Case cases[] = {{0, {0, 2, 1}, 1}, {0, {0, 1, 2}, 0}, {2, {1, 2, 3}, 1}, {2, {1, 3, 2}, 0}};
  const int faceVertices[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
  for (const Case& c : cases) {
    mFace* f[4];
    for (int k = 0; k < 4; ++k) {
      const int* fv = (k == c.slot) ? c.order : faceVertices[k];
      f[k] = h.m->createFaceWithVertices(V(v[fv[0]]), V(v[fv[1]]), V(v[fv[2]]), nullptr);
    }
    pRegion r = h.m->createTetWithFaces(f[0], f[1], f[2], f[3], nullptr);
    EXPECT_EQ(R_dirUsingFace(r, f[c.slot]), c.use) << c.slot;
    EXPECT_EQ(R_faceDir(r, c.slot), c.use) << c.slot;
    F_chDir(f[c.slot]);
    EXPECT_EQ(R_dirUsingFace(r, f[c.slot]), c.use);
  }
  // A region that stores no face list: its template faces are never its own.
  pRegion bare = h.m->createTetWithVertices(V(v[0]), V(v[1]), V(v[2]), V(v[3]), nullptr);
  EXPECT_THROW(R_faceDir(bare, 0), int);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(R_edgeDir(bare, i), 1);
}

TEST(CintServices, ClosureTests) {
  Star3D s;
  pEdge e = s.edgeTo(s.p[1], s.p[2]);
  EXPECT_EQ(E_inClosure(e, s.p[1]), 1);
  EXPECT_EQ(E_inClosure(e, s.o), 0);
  EXPECT_EQ(E_inClosure(e, e), 0);
  // The region stores faces whose edges are stored: its edges are found.
  EXPECT_EQ(R_inClosure(s.opposite, e), 1);
  EXPECT_EQ(R_inClosure(s.opposite, s.edgeTo(s.p[0], s.p[1])), 0);
  pFace outer = s.m->getTri(V(s.p[1]), V(s.p[2]), V(s.p[3]));
  EXPECT_EQ(F_inClosure(outer, s.opposite), 1);
  EXPECT_EQ(F_inClosure(s.opposite, outer), 1);
  // A region without lists: its template edges are new objects, never the mesh's.
  MeshHolder h;
  pVertex v[4] = {h.vertex(0, 0, 0), h.vertex(1, 0, 0), h.vertex(0, 1, 0), h.vertex(0, 0, 1)};
  pEdge me = M_createE(h.m, v[0], v[1], nullptr);
  pRegion bare = h.m->createTetWithVertices(V(v[0]), V(v[1]), V(v[2]), V(v[3]), nullptr);
  EXPECT_EQ(R_inClosure(bare, me), 0);
  EXPECT_EQ(R_inClosure(bare, v[3]), 1);
}

TEST(CintServices, UnitNormalThroughTheMapping) {
  MeshHolder h;
  struct Case {
    double scale;
    int dir;
    double nz;
  };
  const Case cases[] = {{1, 1, 1}, {1, -1, -1}, {2, 1, 1}, {1, 0, 0}};
  for (const Case& c : cases) {
    pFace f = h.m->createFaceWithVertices(V(h.vertex(0, 0, 0)), V(h.vertex(c.scale, 0, 0)),
                                          V(h.vertex(0, c.scale, 0)), nullptr);
    double n[3] = {9, 9, 9};
    mapped::F_normalVector(f, c.dir, n);
    EXPECT_NEAR(n[0], 0.0, 1e-14);
    EXPECT_NEAR(n[1], 0.0, 1e-14);
    EXPECT_NEAR(n[2], c.nz, 1e-14);
  }
}

TEST(CintServices, NeighboursBoundaryAndRepresentationControl) {
  Star3D s;
  pEntity out[8] = {};
  M_GetNeighbors(s.o, out);
  for (int i = 0; i < V_numEdges(s.o); ++i) EXPECT_EQ(out[i], V_edge(s.o, i));
  std::list<mEntity*> leaves;
  M_GetBoundary(s.opposite, &leaves);
  EXPECT_EQ(leaves.size(), 4u);
  M_GetBoundary(s.opposite);
  EXPECT_EQ(M_modify_representation(s.m, 3, 2, 0, 0), 1);
  EXPECT_FALSE(s.opposite->isAdjacencyCreated(2));
  EXPECT_EQ(M_numRemoteCopies(s.m, s.o), 0);
  EXPECT_EQ(M_getRemoteCopies(s.m, s.o, nullptr), 0);
  EXPECT_EQ(M_getRemotePID(s.m, s.o, 0), 0);
  M_AssignUniqueId(s.m, 0u, leaves, M_MaximumVertexId(s.m) + 1, nullptr);
  M_LoadBalance(s.m);
  EXPECT_EQ(M_MaximumVertexId(s.m), 5);
}
