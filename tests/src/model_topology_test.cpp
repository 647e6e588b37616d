// Model topology derived from classification, and its "topo.dat" text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "KORA_Util.h"
#include "mEdge.h"
#include "mFace.h"
#include "mTet.h"
#include "mesh_fixtures.h"

using namespace KORA;

namespace {

std::string topology(mMesh& m) {
  std::ostringstream out;
  PrintTopology(&m, out);
  return out.str();
}

// One triangle on model face 1, its edges on model edges 1..3 and its vertices
// on model vertices 1..3 (edge k joins vertices k and k+1).
struct OneTriangle {
  mMesh m{1};
  mFace* face;
  explicit OneTriangle(bool withEdges) {
    mVertex* a = m.createVertex(1, 0, 0, 0, m.getGEntity(1, 0));
    mVertex* b = m.createVertex(2, 1, 0, 0, m.getGEntity(2, 0));
    mVertex* c = m.createVertex(3, 0, 1, 0, m.getGEntity(3, 0));
    if (withEdges) {
      m.createEdge(a, b, m.getGEntity(1, 1));
      m.createEdge(b, c, m.getGEntity(2, 1));
      m.createEdge(c, a, m.getGEntity(3, 1));
    }
    face = m.createFaceWithVertices(a, b, c, m.getGEntity(1, 2));
  }
};

}  // namespace

TEST(ModelTopology, OneClassifiedTriangle) {
  OneTriangle t(true);
  KORA_Util::Instance()->BuildGTopology(&t.m);
  EXPECT_EQ(topology(t.m), meshtest::kOneTriangleTopology);
  // Edges on model edges stay; the lists made for the pass are gone.
  EXPECT_EQ(t.m.size(1), 3);
  EXPECT_FALSE(t.face->isAdjacencyCreated(1));
  for (auto it = t.m.beginall(0), last = t.m.endall(0); it != last; ++it)
    EXPECT_FALSE((*it)->isAdjacencyCreated(1));
}

TEST(ModelTopology, TriangleWithoutEdgesHasNoNeighbours) {
  OneTriangle t(false);
  t.m.getGEntity(9, 1, 4);  // named by no entity, still printed; tag printed third
  KORA_Util::Instance()->BuildGTopology(&t.m);
  EXPECT_EQ(topology(t.m),
            "Ge(0,1,1) <=> \n"
            "Ge(0,2,2) <=> \n"
            "Ge(0,3,3) <=> \n"
            "Ge(1,9,4) <=> \n"
            "Ge(2,1,1) <=> \n");
  EXPECT_EQ(t.m.size(1), 0);
}

TEST(ModelTopology, WrittenToTheNamedFile) {
  OneTriangle t(true);
  KORA_Util::Instance()->BuildGTopology(&t.m);
  const std::string name =
      (std::filesystem::temp_directory_path() / ("topo-" + std::to_string(::getpid()) + ".dat"))
          .string();
  KORA_Util::Instance()->print_topology(name.c_str(), &t.m);
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), topology(t.m));
  std::remove(name.c_str());
  // An unwritable name writes nothing and reports nothing.
  KORA_Util::Instance()->print_topology("no/such/dir/topo.dat", &t.m);
}

// A tetrahedron on model region 1 with its boundary fully classified: faces on
// model faces 1..4, edges on model edges 1..6, vertices on model vertices 1..4.
TEST(ModelTopology, TetrahedronClosure) {
  mMesh m(1);
  gEntity* region = m.getGEntity(1, 3);
  gEntity* otherRegion = m.getGEntity(2, 3);
  mVertex* v[4];
  const double xyz[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    v[i] = m.createVertex(i + 1, xyz[i][0], xyz[i][1], xyz[i][2], m.getGEntity(i + 1, 0));
  int edgeId = 1;
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) m.createEdge(v[i], v[j], m.getGEntity(edgeId++, 1));
  int faceId = 1;
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      for (int k = j + 1; k < 4; ++k)
        m.createFaceWithVertices(v[i], v[j], v[k], m.getGEntity(faceId++, 2));
  m.createTetWithVertices(v[0], v[1], v[2], v[3], region);
  KORA_Util::Instance()->BuildGTopology(&m);
  std::vector<gEntity*> neighbours(region->begin(), region->end());
  EXPECT_EQ(neighbours.size(), 4u);
  for (gEntity* g : neighbours) EXPECT_EQ(g->getLevel(), 2);
  EXPECT_TRUE(region->inClosure(m.getGEntity(3, 0)));
  EXPECT_TRUE(region->inClosure(m.getGEntity(6, 1)));
  EXPECT_TRUE(region->inClosure(region));
  EXPECT_FALSE(otherRegion->inClosure(m.getGEntity(3, 0)));
  // Every model face touches three model edges and the region; every model
  // edge two model vertices and two model faces.
  for (int f = 1; f <= 4; ++f) EXPECT_EQ(std::distance(m.getGEntity(f, 2)->begin(), m.getGEntity(f, 2)->end()), 4);
  for (int e = 1; e <= 6; ++e) EXPECT_EQ(std::distance(m.getGEntity(e, 1)->begin(), m.getGEntity(e, 1)->end()), 4);
  EXPECT_EQ(m.size(2), 4);
  EXPECT_EQ(m.size(1), 6);
}

TEST(ModelTopology, EntitiesInsideAModelEntityMakeItSelfAdjacent) {
  // Two triangles on model face 1 sharing an interior edge also on model face 1.
  mMesh m(1);
  gEntity* face = m.getGEntity(1, 2);
  mVertex* a = m.createVertex(1, 0, 0, 0, face);
  mVertex* b = m.createVertex(2, 1, 0, 0, face);
  mVertex* c = m.createVertex(3, 0, 1, 0, face);
  mVertex* d = m.createVertex(4, 1, 1, 0, face);
  m.createEdge(b, c, face);
  m.createFaceWithVertices(a, b, c, face);
  m.createFaceWithVertices(b, d, c, face);
  KORA_Util::Instance()->BuildGTopology(&m);
  EXPECT_EQ(topology(m), "Ge(2,1,1) <=> Ge(2,1,1) \n");
  EXPECT_EQ(m.size(1), 0);  // the interior edge is not on a model edge: removed
}
