// Adjacency creation and removal between dimensions.
#include <gtest/gtest.h>

#include "mEdge.h"
#include "mFace.h"
#include "mesh_fixtures.h"

using namespace KORA;
using meshtest::TwoTets;

namespace {

int sumOfListSizes(const mMesh& m, int dim, int listDim) {
  int n = 0;
  for (auto it = m.beginall(dim), last = m.endall(dim); it != last; ++it) {
    if ((*it)->isAdjacencyCreated(listDim)) n += (*it)->size(listDim);
  }
  return n;
}

// Every downward list, then every upward one, as the solver's start-up does.
void buildAll(mMesh& m) {
  for (auto [from, to] : {std::pair{3, 2}, {3, 1}, {3, 0}, {2, 1}, {2, 0}})
    m.modifyState(from, to, true, 0);
  for (auto [from, to] : {std::pair{2, 3}, {1, 3}, {0, 3}, {1, 2}, {0, 2}, {0, 1}})
    m.modifyState(from, to, true, 0);
}

}  // namespace

TEST(MeshAdjacency, TwoTetsSharingAFace) {
  TwoTets f;
  f.mesh.modifyState(3, 2, true, 0);
  EXPECT_EQ(f.mesh.size(2), 7);
  mEntity* shared = f.mesh.getTri(f.mesh.getVertex(2), f.mesh.getVertex(3), f.mesh.getVertex(4));
  ASSERT_NE(shared, nullptr);
  EXPECT_NE(f.t1->find(shared), nullptr);
  EXPECT_NE(f.t2->find(shared), nullptr);
  f.mesh.modifyState(2, 3, true, 0);
  for (auto it = f.mesh.beginall(2), last = f.mesh.endall(2); it != last; ++it) {
    mEntity* face = *it;
    EXPECT_EQ(face->size(3), face == shared ? 2 : 1);
    if (face == shared) {
      EXPECT_EQ(face->get(3, 0) == f.t1 || face->get(3, 1) == f.t1, true);
      EXPECT_EQ(face->get(3, 0) == f.t2 || face->get(3, 1) == f.t2, true);
    }
  }
}

// Every pair of dimensions: counts of new entities and of incidences agree with
// the combinatorics of two tetrahedra on five vertices sharing one face.
TEST(MeshAdjacency, EveryPairOfDimensions) {
  TwoTets f;
  buildAll(f.mesh);
  const int count[4] = {5, 9, 7, 2};
  for (int d = 0; d < 4; ++d) EXPECT_EQ(f.mesh.size(d), count[d]) << d;
  // Downward incidences: per region 4 vertices, 6 edges, 4 faces; per face 3 edges and 3 vertices.
  EXPECT_EQ(sumOfListSizes(f.mesh, 3, 2), 8);
  EXPECT_EQ(sumOfListSizes(f.mesh, 3, 1), 12);
  EXPECT_EQ(sumOfListSizes(f.mesh, 3, 0), 8);
  EXPECT_EQ(sumOfListSizes(f.mesh, 2, 1), 21);
  EXPECT_EQ(sumOfListSizes(f.mesh, 2, 0), 21);
  EXPECT_EQ(sumOfListSizes(f.mesh, 1, 0), 18);
  // Upward incidences are the same relations seen from below.
  struct Pair {
    int low, high;
  };
  for (Pair p : {Pair{2, 3}, {1, 3}, {0, 3}, {1, 2}, {0, 2}, {0, 1}})
    EXPECT_EQ(sumOfListSizes(f.mesh, p.low, p.high), sumOfListSizes(f.mesh, p.high, p.low))
        << p.low << "->" << p.high;
  // The shared edge (2,3) lies on three faces of the shared region pair and both regions.
  mEntity* e23 = f.mesh.getEdge(f.mesh.getVertex(2), f.mesh.getVertex(3));
  EXPECT_EQ(e23->size(2), 3);
  EXPECT_EQ(e23->size(3), 2);
  mEntity* e14 = f.mesh.getEdge(f.mesh.getVertex(1), f.mesh.getVertex(4));
  EXPECT_EQ(e14->size(2), 2);
  EXPECT_EQ(e14->size(3), 1);
  EXPECT_EQ(f.mesh.getVertex(1)->size(1), 3);
  EXPECT_EQ(f.mesh.getVertex(2)->size(1), 4);
  EXPECT_EQ(f.mesh.getVertex(2)->size(3), 2);
}

TEST(MeshAdjacency, ClassificationOfFoundAndNewFaces) {
  TwoTets f;
  gEntity* modelFace = f.mesh.getGEntity(7, 2);
  mEntity* boundary = f.mesh.createFaceWithVertices(1, 2, 3, modelFace);
  f.mesh.modifyState(3, 2, true, 0);
  EXPECT_EQ(boundary->getClassification(), modelFace);
  mEntity* shared = f.mesh.getTri(f.mesh.getVertex(2), f.mesh.getVertex(3), f.mesh.getVertex(4));
  EXPECT_EQ(shared->getClassification(), f.region);
  // A found sub-entity on a higher-level model entity moves down to the element's.
  mEntity* edge = f.mesh.createEdge(1, 2, f.region);
  f.mesh.modifyState(2, 1, true, 0);
  EXPECT_EQ(edge->getClassification(), modelFace);
}

TEST(MeshAdjacency, RepeatingAPairCreatesNothing) {
  TwoTets f;
  f.mesh.modifyState(3, 2, true, 0);
  f.mesh.modifyState(3, 2, true, 0);
  EXPECT_EQ(f.mesh.size(2), 7);
  EXPECT_EQ(f.t1->size(2), 4);
  f.mesh.modifyState(3, 3, true, 0);  // same dimension: nothing
  EXPECT_FALSE(f.t1->isAdjacencyCreated(3));
}

TEST(MeshAdjacency, UpwardWithoutDownwardListsDoesNothing) {
  TwoTets f;
  f.mesh.modifyState(3, 2, true, 0);
  f.mesh.modifyState(1, 2, true, 0);  // faces have no edge lists, and there are no edges
  EXPECT_EQ(f.mesh.size(1), 0);
  f.mesh.modifyState(2, 1, true, 0);
  f.mesh.modifyState(0, 2, true, 0);
  int withFaces = 0;
  for (auto it = f.mesh.beginall(1), last = f.mesh.endall(1); it != last; ++it)
    withFaces += (*it)->isAdjacencyCreated(2);
  EXPECT_EQ(withFaces, 0);
}

TEST(MeshAdjacency, RemovalAndRebuildFindsRegisteredEdges) {
  TwoTets f;
  f.mesh.modifyState(3, 2, true, 0);
  f.mesh.modifyState(2, 1, true, 0);
  std::vector<mEntity*> before;
  for (auto it = f.mesh.beginall(2), last = f.mesh.endall(2); it != last; ++it)
    for (int i = 0; i < 3; ++i) before.push_back((*it)->get(1, i));
  f.mesh.modifyState(2, 1, false, 0);
  for (auto it = f.mesh.beginall(2), last = f.mesh.endall(2); it != last; ++it)
    EXPECT_FALSE((*it)->isAdjacencyCreated(1));
  f.mesh.modifyState(2, 1, true, 0);
  EXPECT_EQ(f.mesh.size(1), 9);
  std::vector<mEntity*> after;
  for (auto it = f.mesh.beginall(2), last = f.mesh.endall(2); it != last; ++it)
    for (int i = 0; i < 3; ++i) after.push_back((*it)->get(1, i));
  EXPECT_EQ(before, after);
}

TEST(MeshAdjacency, UpwardLinksGoToTheLeavesOfSplitEdges) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  mVertex* a = m.createVertex(1, 0, 0, 0, g);
  mVertex* b = m.createVertex(2, 2, 0, 0, g);
  mVertex* c = m.createVertex(3, 0, 1, 0, g);
  mVertex* mid = m.createVertex(4, 1, 0, 0, g);
  mEdge* ab = m.createEdge(a, b, g);
  mEdge* bc = m.createEdge(b, c, g);
  mEdge* ca = m.createEdge(c, a, g);
  mFace* face = m.createFaceWithEdges(ab, bc, ca, g);
  mEdge* left = m.createEdge(a, mid, g);
  mEdge* right = m.createEdge(mid, b, g);
  ab->add(left);
  ab->add(right);
  m.modifyState(1, 2, true, 0);
  EXPECT_FALSE(ab->isAdjacencyCreated(2));
  ASSERT_EQ(left->size(2), 1);
  EXPECT_EQ(left->get(2, 0), face);
  EXPECT_EQ(right->get(2, 0), face);
  EXPECT_EQ(bc->get(2, 0), face);
}
