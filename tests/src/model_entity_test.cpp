// Model entities: tags, adjacency sets, closure, centres, sizes and iterators.
#include <gtest/gtest.h>

#include <cmath>

#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mTet.h"
#include "mesh_fixtures.h"

using namespace KORA;

TEST(ModelEntity, TagDefaultsToTheId) {
  gEntity a(nullptr, 4, 2, -1);
  gEntity b(nullptr, 4, 2, 0);
  gEntity c(nullptr, 4, 2, 9);
  EXPECT_EQ(a.getTag(), 4);
  EXPECT_EQ(b.getTag(), 0);
  EXPECT_EQ(c.getTag(), 9);
  EXPECT_EQ(c.getId(), 4);
  EXPECT_EQ(c.getLevel(), 2);
}

TEST(ModelEntity, AdjacencySetKeepsOneEntryPerLevelAndId) {
  gEntity g(nullptr, 1, 2, -1);
  gEntity e(nullptr, 3, 1, -1);
  gEntity sameKey(nullptr, 3, 1, 8);
  gEntity v(nullptr, 3, 0, -1);
  g.add(&e);
  g.add(&e);
  g.add(&sameKey);
  g.add(&v);
  std::vector<gEntity*> got(g.begin(), g.end());
  EXPECT_EQ(got, (std::vector<gEntity*>{&v, &e}));
  EXPECT_TRUE(g.find(&sameKey) != g.end());
}

TEST(ModelEntity, ClosureFollowsLowerLevelsOnly) {
  gEntity region(nullptr, 1, 3, -1), other(nullptr, 2, 3, -1), face(nullptr, 1, 2, -1),
      edge(nullptr, 1, 1, -1), vertex(nullptr, 1, 0, -1);
  region.add(&face);
  face.add(&region);
  face.add(&edge);
  face.add(&face);
  edge.add(&face);
  edge.add(&vertex);
  vertex.add(&edge);
  other.add(&face);
  EXPECT_TRUE(region.inClosure(&vertex));
  EXPECT_TRUE(region.inClosure(&region));
  EXPECT_FALSE(region.inClosure(&other));
  EXPECT_FALSE(vertex.inClosure(&region));
  EXPECT_TRUE(other.inClosure(&edge));
}

namespace {
struct Shapes {
  mMesh m{1};
  gEntity* g;
  std::vector<mVertex*> v;
  Shapes() {
    g = m.getGEntity(1, 3);
    // Unit cube corners 1..8, then apex points.
    const double xyz[][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1},
                             {1, 1, 1}, {0, 1, 1}, {0, 0, 2}, {3, 0, 2}, {0, 2, 2}};
    for (int i = 0; i < 11; ++i) v.push_back(m.createVertex(i + 1, xyz[i][0], xyz[i][1], xyz[i][2], g));
  }
};
}  // namespace

TEST(ModelEntity, SizeOfEveryElementKind) {
  Shapes s;
  auto& v = s.v;
  struct Case {
    const char* what;
    mEntity* e;
    double size;
  };
  const Case cases[] = {
      // twice the area over half the perimeter: 1 / ((2 + sqrt 2) / 2)
      {"triangle", s.m.createFaceWithVertices(v[0], v[1], v[3], s.g), 2.0 / (2.0 + std::sqrt(2.0))},
      // six times the volume over twice the surface: 1 / (3 + sqrt 3)
      {"tetrahedron", s.m.createTetWithVertices(v[0], v[1], v[3], v[4], s.g),
       1.0 / (3.0 + std::sqrt(3.0))},
      {"unit square", s.m.createFaceWithVertices(v[0], v[1], v[2], v[3], s.g), 1.0},
      {"unit cube", s.m.createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], s.g),
       1.0},
      // prism on the triangle (0,0,1),(1,0,1),(0,1,1) up to z = 2 with a stretched top:
      // shortest edge is the bottom leg of length 1
      {"prism", s.m.createPrismWithVertices(v[4], v[5], v[7], v[8], v[9], v[10], s.g), 1.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(s.g->size(c.e), c.size, 1e-15) << c.what;
  // The shortest edge wins, wherever it is in the edge order.
  mVertex* w1 = s.m.createVertex(20, 0, 0, 5, s.g);
  mVertex* w2 = s.m.createVertex(21, 4, 0, 5, s.g);
  mVertex* w3 = s.m.createVertex(22, 4, 0.25, 5, s.g);
  mVertex* w4 = s.m.createVertex(23, 0, 0.25, 5, s.g);
  EXPECT_NEAR(s.g->size(s.m.createFaceWithVertices(w1, w2, w3, w4, s.g)), 0.25, 1e-15);
}

TEST(ModelEntity, SizeOfARegionWithStoredEdges) {
  Shapes s;
  auto& v = s.v;
  mEntity* hex = s.m.createHexWithVertices(v[0], v[1], v[2], v[3], v[8], v[9], v[10], v[4], s.g);
  EXPECT_EQ(s.g->size(hex), 1.0);
  // With stored faces whose edges are registered, the edge templates are those
  // registered edges and must survive the measurement.
  s.m.modifyState(3, 2, true, 0);
  s.m.modifyState(2, 1, true, 0);
  EXPECT_EQ(s.g->size(hex), 1.0);
  EXPECT_EQ(s.m.size(1), 12);
  s.m.modifyState(3, 1, true, 0);
  EXPECT_EQ(s.g->size(hex), 1.0);
  EXPECT_EQ(s.m.size(1), 12);
}

TEST(ModelEntity, CentreIsTheMeanOfTheVertices) {
  Shapes s;
  auto& v = s.v;
  const mPoint tri = s.g->COG(s.m.createFaceWithVertices(v[0], v[1], v[3], s.g));
  EXPECT_NEAR(tri(0), 1.0 / 3.0, 1e-15);
  EXPECT_NEAR(tri(1), 1.0 / 3.0, 1e-15);
  EXPECT_EQ(tri(2), 0.0);
  const mPoint quad = s.g->COG(s.m.createFaceWithVertices(v[0], v[1], v[2], v[3], s.g));
  EXPECT_EQ(quad(0), 0.5);
  EXPECT_EQ(quad(1), 0.5);
  const mPoint hex =
      s.g->COG(s.m.createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], s.g));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(hex(k), 0.5);
  const mPoint edge = s.g->COG(s.m.createEdge(v[0], v[6], s.g));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(edge(k), 0.5);
  bool thrown = false;
  meshtest::expectMeshException([&] { s.g->COG(v[0]); }, &thrown);
  EXPECT_TRUE(thrown);
}

TEST(ModelEntity, IteratorsByLevel) {
  mMesh m(1);
  gEntity* v1 = m.getGEntity(1, 0);
  gEntity* v2 = m.getGEntity(2, 0);
  gEntity* f1 = m.getGEntity(1, 2);
  gEntity* r1 = m.getGEntity(1, 3);
  gFullIterator all(m.begin(), m.end());
  std::vector<gEntity*> got;
  for (; !all.end(); ++all) got.push_back(*all);
  EXPECT_EQ(got, (std::vector<gEntity*>{v1, v2, f1, r1}));
  gDimIterator faces(m.begin(), m.end(), 2);
  EXPECT_EQ(*faces, f1);
  ++faces;
  EXPECT_TRUE(faces.end());
  faces.reset();
  EXPECT_EQ(*faces, f1);
  gDimIterator edges(m.begin(), m.end(), 1);
  EXPECT_TRUE(edges.end());
  edges.reset();
  EXPECT_TRUE(edges.end());
  gDimIterator vertices(m.begin(), m.end(), 0);
  ++vertices;
  EXPECT_EQ(*vertices, v2);
  EXPECT_FALSE(vertices == faces);
}
