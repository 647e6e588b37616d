// Mesh store: creation by ids and pointers, look-up, model entities, messages.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "KORA_Util.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mTet.h"
#include "mesh_fixtures.h"

using namespace KORA;
using meshtest::expectMeshException;

TEST(MeshStore, CreateVertexByIdIsFindOrCreate) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 0);
  mVertex* a = m.createVertex(7, 1, 2, 3, g);
  mVertex* b = m.createVertex(7, 9, 9, 9, m.getGEntity(2, 0));
  EXPECT_EQ(a, b);
  EXPECT_EQ(m.size(0), 1);
  EXPECT_EQ(a->point()(0), 1.0);
  EXPECT_EQ(a->getClassification(), g);
  EXPECT_EQ(m.getVertex(7), a);
  EXPECT_EQ(m.getVertex(8), nullptr);
}

TEST(MeshStore, NewVertexIdsCountUpFromTheLargest) {
  mMesh m(1);
  m.createVertex(100, 0, 0, 0, nullptr);
  EXPECT_EQ(m.createVertex(0.5, 0, 0, nullptr)->getId(), 101);
  m.setNewVertexId(50);
  EXPECT_EQ(m.getNewVertexId(), 102);
  m.setNewVertexId(500);
  EXPECT_EQ(m.getNewVertexId(), 501);
}

TEST(MeshStore, EqualEdgesRegisterTwiceAndAreFoundInEitherOrder) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  mEdge* e1 = m.createEdge(a, b, nullptr);
  mEdge* e2 = m.createEdge(a, b, nullptr);
  EXPECT_EQ(m.size(1), 2);
  mEdge* found = m.getEdge(a, b);
  EXPECT_TRUE(found == e1 || found == e2);
  EXPECT_EQ(m.getEdge(b, a), found);
  EXPECT_EQ(m.getEdge(a, m.createVertex(3, 0, 1, 0, nullptr)), nullptr);
  // The probe used for the search is never registered.
  EXPECT_EQ(m.size(1), 2);
}

TEST(MeshStore, LookUpByVerticesInAnyOrder) {
  mMesh m(1);
  std::vector<mVertex*> v;
  const double xyz[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                            {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int i = 0; i < 8; ++i) v.push_back(m.createVertex(i + 1, xyz[i][0], xyz[i][1], xyz[i][2], nullptr));
  mFace* tri = m.createFaceWithVertices(v[0], v[1], v[2], nullptr);
  mFace* quad = m.createFaceWithVertices(v[0], v[1], v[2], v[3], nullptr);
  mTet* tet = m.createTetWithVertices(v[0], v[1], v[3], v[4], nullptr);
  mHex* hex = m.createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], nullptr);
  EXPECT_EQ(m.getTri(v[2], v[0], v[1]), tri);
  EXPECT_EQ(m.getQuad(v[3], v[2], v[1], v[0]), quad);
  EXPECT_EQ(m.getTet(v[4], v[3], v[1], v[0]), tet);
  EXPECT_EQ(m.getHex(v[7], v[6], v[5], v[4], v[3], v[2], v[1], v[0]), hex);
  EXPECT_EQ(m.getTri(v[0], v[1], v[3]), nullptr);
  EXPECT_EQ(m.size(2), 2);
  EXPECT_EQ(m.size(3), 2);
}

TEST(MeshStore, GetEntityFindsOrCreates) {
  mMesh m(1);
  gEntity* g = m.getGEntity(3, 2);
  mVertex* v[4] = {m.createVertex(1, 0, 0, 0, nullptr), m.createVertex(2, 1, 0, 0, nullptr),
                   m.createVertex(3, 0, 1, 0, nullptr), m.createVertex(4, 0, 0, 1, nullptr)};
  mEntity* tri = m.createFaceWithVertices(v[0], v[1], v[2], nullptr);
  mVertex* permuted[3] = {v[1], v[2], v[0]};
  EXPECT_EQ(m.getEntity(mEntity::TRI, permuted, g), tri);
  EXPECT_EQ(m.size(2), 1);
  mVertex* other[3] = {v[0], v[1], v[3]};
  mEntity* made = m.getEntity(mEntity::TRI, other, g);
  EXPECT_NE(made, tri);
  EXPECT_EQ(m.size(2), 2);
  EXPECT_EQ(made->getClassification(), g);
  EXPECT_EQ(m.getEntity(mEntity::EDGE, v, g)->getLevel(), 1);
  EXPECT_EQ(m.getEntity(mEntity::TET, v, g)->getType(), mEntity::TET);
  bool thrown = false;
  expectMeshException([&] { m.getEntity(mEntity::VERTEX, v, g); }, &thrown);
  EXPECT_TRUE(thrown);
  // A null vertex finds nothing and creates nothing.
  mVertex* withNull[4] = {v[0], nullptr, v[2], v[3]};
  EXPECT_EQ(m.getTet(v[0], nullptr, v[2], v[3]), nullptr);
  EXPECT_EQ(m.getEdge(nullptr, v[0]), nullptr);
  const int regions = m.size(3);
  expectMeshException([&] { m.getEntity(mEntity::TET, withNull, g); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_EQ(m.size(3), regions);
}

// Every create operation by ids reports an unknown vertex id with its own text.
TEST(MeshStore, UnknownVertexIdsThrowWithTheirMessage) {
  struct Case {
    const char* what;
    std::function<void(mMesh&)> create;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"edge", [](mMesh& m) { m.createEdge(1, 999, nullptr); },
       "unknown verex id's 1(0x"},
      {"triangle", [](mMesh& m) { m.createFaceWithVertices(1, 2, 999, nullptr); },
       "TEXT : unknown verex id's in new face creation"},
      {"quad", [](mMesh& m) { m.createFaceWithVertices(1, 2, 3, 999, nullptr); },
       "TEXT : trying to create a quad with vertices 1 2 3 999, search gives 0x"},
      {"tet", [](mMesh& m) { m.createTetWithVertices(1, 2, 3, 999, nullptr); },
       "TEXT : unknown verex id's in new face creation"},
      {"hex", [](mMesh& m) { m.createHexWithVertices(1, 2, 3, 4, 5, 6, 7, 999, nullptr); },
       "TEXT : unknown verex id's in new hex creation"},
      {"prism", [](mMesh& m) { m.createPrismWithVertices(1, 2, 3, 4, 5, 999, nullptr); },
       "TEXT : unknown verex id's in new prism creation"},
  };
  for (const Case& c : cases) {
    mMesh m(1);
    for (int i = 1; i <= 7; ++i) m.createVertex(i, i, i * i, 0.5 * i, nullptr);
    bool thrown = false;
    const std::string out = expectMeshException([&] { c.create(m); }, &thrown);
    EXPECT_TRUE(thrown) << c.what;
    EXPECT_NE(out.find("in file src/mMesh"), std::string::npos) << c.what << out;
    EXPECT_NE(out.find(c.text), std::string::npos) << c.what << out;
    for (int d = 1; d <= 3; ++d) EXPECT_EQ(m.size(d), 0) << c.what;
  }
  // The edge text names the missing vertex as a null pointer, after the id.
  mMesh m(1);
  m.createVertex(1, 0, 0, 0, nullptr);
  bool thrown = false;
  const std::string out = expectMeshException([&] { m.createEdge(1, 999, nullptr); }, &thrown);
  EXPECT_NE(out.find(" 999("), std::string::npos);
  EXPECT_NE(out.find(") in new edge creation"), std::string::npos);
}

TEST(MeshStore, QuadFromANullVertexThrows) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  bool thrown = false;
  const std::string out = expectMeshException(
      [&] { m.createFaceWithVertices(a, a, a, nullptr, nullptr); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(out.find("TEXT : trying to create a quad with 0x"), std::string::npos) << out;
  EXPECT_EQ(m.size(2), 0);
}

TEST(MeshStore, ModelEntitiesAreMadeOnceAndOrderedByLevelThenId) {
  mMesh m(1);
  gEntity* a = m.getGEntity(4, 2);
  EXPECT_EQ(m.getGEntity(4, 2, 9), a);
  EXPECT_EQ(a->getTag(), 4);
  EXPECT_EQ(a->getMesh(), &m);
  gEntity* b = m.getGEntity(4, 1);
  EXPECT_NE(a, b);
  gEntity* c = m.getGEntity(1, 1, 7);
  EXPECT_EQ(c->getTag(), 7);
  gEntity* d = m.getGEntity(5, 0);
  std::vector<gEntity*> order(m.begin(), m.end());
  EXPECT_EQ(order, (std::vector<gEntity*>{d, c, b, a}));
}

TEST(MeshStore, DimensionIsTheHighestWithEntities) {
  mMesh m(1);
  EXPECT_EQ(m.getDim(), 0);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  mVertex* c = m.createVertex(3, 0, 1, 0, nullptr);
  mVertex* d = m.createVertex(4, 0, 0, 1, nullptr);
  EXPECT_EQ(m.getDim(), 0);
  m.createEdge(a, b, nullptr);
  EXPECT_EQ(m.getDim(), 1);
  m.createFaceWithVertices(a, b, c, nullptr);
  EXPECT_EQ(m.getDim(), 2);
  m.createTetWithVertices(a, b, c, d, nullptr);
  EXPECT_EQ(m.getDim(), 3);
}

TEST(MeshStore, DeletingUnregisteredOrNullChangesNothing) {
  mMesh m(1);
  mVertex* a = m.createVertex(1, 0, 0, 0, nullptr);
  mVertex* b = m.createVertex(2, 1, 0, 0, nullptr);
  mVertex* c = m.createVertex(3, 0, 1, 0, nullptr);
  m.createEdge(a, b, nullptr);
  mEdge loose(a, c, nullptr);
  m.del(&loose);
  EXPECT_EQ(m.size(1), 1);
  m.DEL(nullptr);
  EXPECT_EQ(m.size(1), 1);
  // An equal probe removes the registered entity.
  mEdge probe(b, a, nullptr);
  mEntity* registered = m.find(&probe);
  m.DEL(registered);
  EXPECT_EQ(m.size(1), 0);
  EXPECT_EQ(m.getEdge(a, b), nullptr);
}

TEST(MeshStore, ModelEntitiesAndModelMeshOutliveTheMesh) {
  mMesh* model = new mMesh(1);
  gEntity* g;
  {
    mMesh m(1);
    g = m.getGEntity(3, 2);
    m.setMeshModel(model);
    mVertex* a = m.createVertex(1, 0, 0, 0, g);
    mVertex* b = m.createVertex(2, 1, 0, 0, g);
    m.createEdge(a, b, g);
    m.createFaceWithVertices(a, b, m.createVertex(3, 0, 1, 0, g), g);
  }
  EXPECT_EQ(g->getId(), 3);
  EXPECT_EQ(model->size(0), 0);
  delete model;
}

TEST(MeshStore, MeshesShareTheMirrorTagOfTheRegistry) {
  mMesh a(1);
  mMesh b(1);
  KORA_Util* util = KORA_Util::Instance();
  ASSERT_EQ(util->nameToId.count("_mirror"), 1u);
  EXPECT_EQ(a.getMirrorTag(), util->nameToId["_mirror"]);
  EXPECT_EQ(b.getMirrorTag(), a.getMirrorTag());
  EXPECT_GE(a.getMirrorTag(), 9u);  // after the library's nine names
}
