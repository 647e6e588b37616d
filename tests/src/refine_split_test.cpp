// Splitting and unsplitting of single elements, driven through one sweep of
// the refinement driver so that every new vertex gets its serial.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <list>
#include <set>
#include <vector>

#include "files_helpers.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mRefinement.h"
#include "mTet.h"

namespace {

using namespace KORA;
using namespace filestest;

mPoint pointOf(mEntity* v) { return static_cast<mVertex*>(v)->point(); }

// Signed area (z component of the cross product) of a planar triangle.
double signedArea(mEntity* f) {
  const mPoint a = pointOf(f->get(0, 0)), b = pointOf(f->get(0, 1)), c = pointOf(f->get(0, 2));
  return 0.5 * ((b(0) - a(0)) * (c(1) - a(1)) - (b(1) - a(1)) * (c(0) - a(0)));
}

// Area of a planar quadrilateral by the shoelace formula.
double quadArea(mEntity* f) {
  double s = 0;
  for (int i = 0; i < 4; ++i) {
    const mPoint a = pointOf(f->get(0, i)), b = pointOf(f->get(0, (i + 1) % 4));
    s += a(0) * b(1) - b(0) * a(1);
  }
  return 0.5 * s;
}

std::vector<mEntity*> childrenOf(mEntity* e) {
  std::vector<mEntity*> c;
  const mAdjacencyContainer* l = e->getAdjacencyList(e->getLevel());
  for (int i = 0; l && i < l->size(); ++i) c.push_back((*l)[i]);
  return c;
}

void splitOnce(mMesh& m, std::list<mEntity*> l) {
  ScriptedCallback cb([](mEntity*) { return 0; });
  m.split(l, cb);
}

// Each stored edge k of a face joins its vertices k and k+1.
void expectEdgesFollowVertices(mEntity* f) {
  const int n = f->size(0);
  ASSERT_NE(f->getAdjacencyList(1), nullptr);
  ASSERT_EQ(f->getAdjacencyList(1)->size(), n);
  for (int k = 0; k < n; ++k) {
    mEntity* e = f->get(1, k);
    std::set<mEntity*> ends{e->get(0, 0), e->get(0, 1)};
    EXPECT_EQ(ends, (std::set<mEntity*>{f->get(0, k), f->get(0, (k + 1) % n)})) << "edge " << k;
  }
}

TEST(RefineSplit, TriangleIntoFourWithTheParentOrientation) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 1, 0, 0, g);
  m.createVertex(3, 0, 1, 0, g);
  mEntity* t = m.createFaceWithVertices(1, 2, 3, g);
  splitOnce(m, {t});
  const std::vector<mEntity*> c = childrenOf(t);
  ASSERT_EQ(c.size(), 4u);
  // (V0, m0, m2), (m0, V1, m1), (m2, m1, V2), (m0, m1, m2).
  const double expect[4][3][2] = {{{0, 0}, {0.5, 0}, {0, 0.5}},
                                  {{0.5, 0}, {1, 0}, {0.5, 0.5}},
                                  {{0, 0.5}, {0.5, 0.5}, {0, 1}},
                                  {{0.5, 0}, {0.5, 0.5}, {0, 0.5}}};
  for (int k = 0; k < 4; ++k) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(pointOf(c[k]->get(0, j))(0), expect[k][j][0]) << k << " " << j;
      EXPECT_EQ(pointOf(c[k]->get(0, j))(1), expect[k][j][1]) << k << " " << j;
    }
    EXPECT_EQ(signedArea(c[k]), 0.125);
    EXPECT_EQ(c[k]->parent(), t);
    EXPECT_EQ(c[k]->getClassification(), g);
    expectEdgesFollowVertices(c[k]);
  }
  EXPECT_EQ(m.size(0), 6);
  EXPECT_EQ(m.size(1), 3 + 6 + 3);
  // Unsplitting removes the children and inner edges, not the halves.
  m.unsplitTriangle(static_cast<mFace*>(t));
  EXPECT_EQ(m.size(2), 1);
  EXPECT_EQ(m.size(1), 9);
  EXPECT_EQ(m.size(0), 6);
  EXPECT_EQ(t->getAdjacencyList(2), nullptr);
}

TEST(RefineSplit, NeighboursShareHalvesAndMidpoints) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 1, 0, 0, g);
  m.createVertex(3, 0, 1, 0, g);
  m.createVertex(4, 1, 1, 0, g);
  mEntity* a = m.createFaceWithVertices(1, 2, 3, g);
  mEntity* b = m.createFaceWithVertices(2, 4, 3, g);
  m.modifyState(2, 1, true, 0);
  mEdge* shared = m.getEdge(m.getVertex(2), m.getVertex(3));
  splitOnce(m, {a});
  ASSERT_EQ(childrenOf(shared).size(), 2u);
  const mEntity* halves[2] = {childrenOf(shared)[0], childrenOf(shared)[1]};
  mVertex* mid = splitEdge(&m, shared, shared);
  const int vertices = m.size(0), edges = m.size(1);
  // Splitting the edge again finds the same midpoint and makes nothing.
  EXPECT_EQ(splitEdge(&m, shared, shared), mid);
  EXPECT_EQ(m.size(0), vertices);
  EXPECT_EQ(m.size(1), edges);
  splitOnce(m, {b});
  EXPECT_EQ(childrenOf(shared)[0], halves[0]);
  EXPECT_EQ(childrenOf(shared)[1], halves[1]);
  EXPECT_EQ(m.size(0), 4 + 5);
  EXPECT_EQ(m.size(1), 5 + 10 + 6);
  EXPECT_EQ(pointOf(mid)(0), 0.5);
  EXPECT_EQ(pointOf(mid)(1), 0.5);
}

TEST(RefineSplit, QuadrilateralWithSplitEdgesGetsOnlyItsInside) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 2, 0, 0, g);
  m.createVertex(3, 3, 1, 0, g);
  m.createVertex(4, 0, 1, 0, g);
  mEntity* q = m.createFaceWithVertices(1, 2, 3, 4, g);
  m.modifyState(2, 1, true, 0);
  std::list<mEntity*> edges;
  for (int k = 0; k < 4; ++k) edges.push_back(q->get(1, k));
  splitOnce(m, edges);
  ASSERT_EQ(m.size(0), 8);
  ASSERT_EQ(m.size(1), 12);
  splitOnce(m, {q});
  // New: the centre, four edges to it and four children.
  EXPECT_EQ(m.size(0), 9);
  EXPECT_EQ(m.size(1), 16);
  const std::vector<mEntity*> c = childrenOf(q);
  ASSERT_EQ(c.size(), 4u);
  double total = 0;
  for (mEntity* f : c) {
    EXPECT_GT(quadArea(f), 0);
    total += quadArea(f);
    expectEdgesFollowVertices(f);
  }
  EXPECT_DOUBLE_EQ(total, quadArea(q));
  mVertex* centre = static_cast<mFace*>(c[0])->commonVertex(static_cast<mFace*>(c[1]),
                                                            static_cast<mFace*>(c[2]));
  ASSERT_NE(centre, nullptr);
  EXPECT_DOUBLE_EQ(pointOf(centre)(0), 1.25);
  EXPECT_DOUBLE_EQ(pointOf(centre)(1), 0.5);
  m.unsplitQuad(static_cast<mFace*>(q));
  EXPECT_EQ(m.size(0), 8);
  EXPECT_EQ(m.size(1), 12);
  EXPECT_EQ(m.size(2), 1);
}

TEST(RefineSplit, TetrahedronIntoEightAroundOneDiagonal) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 3);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 2, 0, 0, g);
  m.createVertex(3, 0, 3, 0, g);
  m.createVertex(4, 0, 0, 4, g);
  mTet* t = m.createTetWithVertices(1, 2, 3, 4, g);
  m.modifyState(3, 2, true, 0);
  m.modifyState(3, 1, true, 0);
  m.modifyState(2, 1, true, 0);
  const double volume = Volume(t);
  splitOnce(m, {t});
  const std::vector<mEntity*> c = childrenOf(t);
  ASSERT_EQ(c.size(), 8u);
  EXPECT_EQ(m.size(0), 4 + 6);
  // Edges: 6 parents, 12 halves, 3 inside each face, 1 diagonal.
  EXPECT_EQ(m.size(1), 6 + 12 + 12 + 1);
  // Faces: 4 parents, 16 children, 8 inside.
  EXPECT_EQ(m.size(2), 4 + 16 + 8);
  for (mEntity* x : c) {
    EXPECT_NEAR(Volume(static_cast<mTet*>(x)), volume / 8, 1e-14);
    EXPECT_EQ(x->parent(), t);
  }
  // The diagonal joins the midpoints of edges (V0, V3) and (V1, V2).
  mVertex* m03 = nullptr;
  mVertex* m12 = nullptr;
  for (auto it = m.beginall(0), last = m.endall(0); it != last; ++it) {
    const mPoint p = pointOf(*it);
    if (p(0) == 0 && p(1) == 0 && p(2) == 2) m03 = static_cast<mVertex*>(*it);
    if (p(0) == 1 && p(1) == 1.5 && p(2) == 0) m12 = static_cast<mVertex*>(*it);
  }
  ASSERT_NE(m03, nullptr);
  ASSERT_NE(m12, nullptr);
  EXPECT_NE(m.getEdge(m03, m12), nullptr);
  int withDiagonal = 0;
  for (mEntity* x : c) {
    std::set<mEntity*> v;
    for (int i = 0; i < 4; ++i) v.insert(x->get(0, i));
    withDiagonal += v.count(m03) && v.count(m12);
  }
  EXPECT_EQ(withDiagonal, 4);
  m.unsplitTet(t);
  EXPECT_EQ(m.size(3), 1);
  EXPECT_EQ(m.size(2), 20);
  EXPECT_EQ(m.size(1), 30);
  EXPECT_EQ(m.getEdge(m03, m12), nullptr);
}

TEST(RefineSplit, HexahedronIntoItsEightOctants) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 3);
  const double x[8][3] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0},
                          {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}};
  for (int i = 0; i < 8; ++i) m.createVertex(i + 1, x[i][0], x[i][1], x[i][2], g);
  mHex* h = m.createHexWithVertices(1, 2, 3, 4, 5, 6, 7, 8, g);
  m.modifyState(3, 2, true, 0);
  m.modifyState(2, 1, true, 0);
  splitOnce(m, {h});
  const std::vector<mEntity*> c = childrenOf(h);
  ASSERT_EQ(c.size(), 8u);
  EXPECT_EQ(m.size(0), 8 + 12 + 6 + 1);
  EXPECT_EQ(m.size(1), 12 + 24 + 24 + 6);
  EXPECT_EQ(m.size(2), 6 + 24 + 12);
  // Every child is one unit cube of the eight, its corners all present.
  std::set<std::array<int, 3>> octants;
  for (mEntity* ch : c) {
    std::set<std::array<int, 3>> corners;
    double lo[3] = {9, 9, 9};
    for (int i = 0; i < 8; ++i) {
      const mPoint p = pointOf(ch->get(0, i));
      corners.insert({int(p(0)), int(p(1)), int(p(2))});
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p(k));
    }
    std::set<std::array<int, 3>> cube;
    for (int a = 0; a < 2; ++a)
      for (int b = 0; b < 2; ++b)
        for (int d = 0; d < 2; ++d) cube.insert({int(lo[0]) + a, int(lo[1]) + b, int(lo[2]) + d});
    EXPECT_EQ(corners, cube);
    octants.insert({int(lo[0]), int(lo[1]), int(lo[2])});
  }
  EXPECT_EQ(octants.size(), 8u);
  const int centreId = [&] {
    for (auto it = m.beginall(0), last = m.endall(0); it != last; ++it) {
      const mPoint p = pointOf(*it);
      if (p(0) == 1 && p(1) == 1 && p(2) == 1) return (*it)->getId();
    }
    return 0;
  }();
  EXPECT_GT(centreId, 8);
  m.unsplitHex(h);
  EXPECT_EQ(m.size(3), 1);
  EXPECT_EQ(m.size(2), 30);
  EXPECT_EQ(m.size(1), 60);
  EXPECT_EQ(m.size(0), 26);
  EXPECT_EQ(m.getVertex(centreId), nullptr);
}

TEST(RefineSplit, CreateDownwardSharesWhatTheMeshHas) {
  mMesh m(1);
  gEntity* region = m.getGEntity(1, 3);
  gEntity* face = m.getGEntity(2, 2);
  for (int i = 0; i < 4; ++i) m.createVertex(i + 1, i == 1, i == 2, i == 3, region);
  mEntity* existing = m.createFaceWithVertices(1, 2, 3, region);
  mTet* t = m.createTetWithVertices(1, 2, 3, 4, face);
  createDownward(&m, t, 2, 0);
  EXPECT_EQ(m.size(2), 4);
  ASSERT_NE(t->find(existing), nullptr);
  // The shared face moves to the lower-dimensional model entity.
  EXPECT_EQ(existing->getClassification(), face);
  createDownward(&m, t, 2, 0);  // a stored list is left alone
  EXPECT_EQ(t->getAdjacencyList(2)->size(), 4);
}

}  // namespace
