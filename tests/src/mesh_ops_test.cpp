// Whole-mesh operations: entity references, copy and merge, reclassification,
// reduction, nearest points on model edges and periodic mirrors.
#include <gtest/gtest.h>

#include <cmath>
#include <list>
#include <sstream>

#include "mEdge.h"
#include "mFace.h"
#include "mTet.h"
#include "mesh_fixtures.h"

using namespace KORA;
using meshtest::TwoTets;

TEST(MeshOps, EntityReferenceRoundTrip) {
  TwoTets f;
  std::ostringstream out;
  f.mesh.writeMEntity(out, f.t1);
  EXPECT_EQ(out.str(), "7 1 2 3 4 \n");
  for (const char* text : {"7 1 2 3 4 \n", "7 4 3 2 1\n", "7 2 4 1 3"}) {
    std::istringstream in(text);
    EXPECT_EQ(f.mesh.readMEntity(in), f.t1) << text;
  }
  mEntity* edge = f.mesh.createEdge(3, 5, f.region);
  mEntity* tri = f.mesh.createFaceWithVertices(5, 4, 2, f.region);
  std::ostringstream both;
  f.mesh.writeMEntity(both, edge);
  f.mesh.writeMEntity(both, tri);
  EXPECT_EQ(both.str(), "1 3 5 \n2 5 4 2 \n");
  std::istringstream in(both.str());
  EXPECT_EQ(f.mesh.readMEntity(in), edge);
  EXPECT_EQ(f.mesh.readMEntity(in), tri);
}

TEST(MeshOps, ReadingUnknownReferencesGivesNull) {
  TwoTets f;
  const int faces = f.mesh.size(2);
  {
    std::istringstream in("5 1 2 3 4 5 6\n");  // code 5 reads no ids
    EXPECT_EQ(f.mesh.readMEntity(in), nullptr);
    int next = 0;
    in >> next;
    EXPECT_EQ(next, 1);
  }
  {
    std::istringstream in("2 1 2 3\n");  // vertices exist, no triangle on them
    EXPECT_EQ(f.mesh.readMEntity(in), nullptr);
  }
  {
    std::istringstream in("7 1 2 3 99\n");  // 99 names no vertex
    EXPECT_EQ(f.mesh.readMEntity(in), nullptr);
  }
  {
    std::istringstream in("1 1\n");  // truncated
    EXPECT_EQ(f.mesh.readMEntity(in), nullptr);
  }
  EXPECT_EQ(f.mesh.size(2), faces);
}

TEST(MeshOps, MergeCopiesEntitiesAndClassificationByIdAndLevel) {
  TwoTets f;
  f.mesh.modifyState(3, 2, true, 0);
  mMesh copy(1);
  copy += f.mesh;
  for (int d = 0; d < 4; ++d) EXPECT_EQ(copy.size(d), f.mesh.size(d)) << d;
  mEntity* t = copy.getTet(copy.getVertex(4), copy.getVertex(3), copy.getVertex(2),
                           copy.getVertex(1));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->getClassification()->getId(), 1);
  EXPECT_EQ(t->getClassification()->getLevel(), 3);
  EXPECT_EQ(t->getClassification()->getMesh(), &copy);
  // Merging again finds everything.
  copy += f.mesh;
  for (int d = 0; d < 4; ++d) EXPECT_EQ(copy.size(d), f.mesh.size(d)) << d;
  EXPECT_EQ(copy.getVertex(5)->point()(2), 1.0);
}

TEST(MeshOps, ReclassifyPushesNegativeModelEntitiesDown) {
  mMesh m(1);
  gEntity* periodic = m.getGEntity(-3, 2);
  gEntity* positive = m.getGEntity(4, 1);
  gEntity* zero = m.getGEntity(0, 1);
  mVertex* a = m.createVertex(1, 0, 0, 0, positive);
  mVertex* b = m.createVertex(2, 1, 0, 0, positive);
  mVertex* c = m.createVertex(3, 0, 1, 0, positive);
  mEdge* ab = m.createEdge(a, b, nullptr);
  mEdge* bc = m.createEdge(b, c, positive);
  mEdge* ca = m.createEdge(c, a, zero);
  mFace* face = m.createFaceWithEdges(ab, bc, ca, periodic);
  m.reclassify(2);
  EXPECT_EQ(ab->getClassification(), periodic);
  EXPECT_EQ(bc->getClassification(), periodic);
  EXPECT_EQ(ca->getClassification(), zero);
  // Vertices are reached only when the face keeps a vertex list.
  const bool hasVertexList = face->isAdjacencyCreated(0);
  EXPECT_EQ(a->getClassification() == periodic, hasVertexList);
}

TEST(MeshOps, ReduceToMinimumKeepsEntitiesOnTheirOwnModelDimension) {
  TwoTets f;
  gEntity* modelFace = f.mesh.getGEntity(1, 2);
  gEntity* modelEdge = f.mesh.getGEntity(1, 1);
  f.mesh.createFaceWithVertices(1, 2, 3, modelFace);
  f.mesh.createEdge(1, 2, modelEdge);
  f.mesh.modifyState(3, 2, true, 0);
  f.mesh.modifyState(2, 1, true, 0);
  // Remove the lists that name faces and edges before deleting them.
  f.mesh.modifyState(3, 2, false, 0);
  f.mesh.modifyState(2, 1, false, 0);
  f.mesh.reduceToMinumumRepresentation();
  EXPECT_EQ(f.mesh.size(3), 2);
  EXPECT_EQ(f.mesh.size(0), 5);
  ASSERT_EQ(f.mesh.size(2), 1);
  EXPECT_EQ((*f.mesh.beginall(2))->getClassification(), modelFace);
  ASSERT_EQ(f.mesh.size(1), 1);
  EXPECT_EQ((*f.mesh.beginall(1))->getClassification(), modelEdge);
}

namespace {
// Model edge 1: a polyline (0,0,0) - (2,0,0) - (2,2,0); model edge 2: one segment far away.
struct Polyline {
  mMesh m{1};
  Polyline() {
    gEntity* e1 = m.getGEntity(1, 1);
    gEntity* e2 = m.getGEntity(2, 1);
    m.createVertex(1, 0, 0, 0, e1);
    m.createVertex(2, 2, 0, 0, e1);
    m.createVertex(3, 2, 2, 0, e1);
    m.createVertex(4, 10, 10, 10, e2);
    m.createVertex(5, 11, 10, 10, e2);
    m.createEdge(1, 2, e1);
    m.createEdge(2, 3, e1);
    m.createEdge(4, 5, e2);
  }
};
}  // namespace

TEST(MeshOps, ClosestPointIsTheNearestPointOfTheNearestSegment) {
  Polyline p;
  struct Case {
    mPoint query, expected;
  };
  const Case cases[] = {
      {mPoint(0.5, 1.0, 0.0), mPoint(0.5, 0.0, 0.0)},    // foot on the first segment
      {mPoint(3.0, 1.5, 0.0), mPoint(2.0, 1.5, 0.0)},    // foot on the second segment
      {mPoint(-1.0, -1.0, 0.0), mPoint(0.0, 0.0, 0.0)},  // clamped to an end
      {mPoint(3.0, -1.0, 0.0), mPoint(2.0, 0.0, 0.0)},   // the shared corner
      {mPoint(1.0, 0.0, 0.0), mPoint(1.0, 0.0, 0.0)},    // on the edge itself
      {mPoint(2.0, 3.0, 4.0), mPoint(2.0, 2.0, 0.0)},    // beyond the far end
  };
  for (const Case& c : cases) {
    const mPoint r = p.m.closestPoint(c.query, 1, 1);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(r(k), c.expected(k), 1e-14) << c.query(0) << " " << c.query(1);
  }
  const mPoint far = p.m.closestPoint(mPoint(0, 0, 0), 1, 2);
  EXPECT_EQ(far(0), 10.0);
}

TEST(MeshOps, ClosestPointWithoutCandidateThrows) {
  Polyline p;
  for (const std::pair<int, int> &c : {std::pair{1, 3}, {2, 1}}) {
    const int dim = c.first, id = c.second;  // plain names: lambdas capture them
    bool thrown = false;
    meshtest::expectMeshException([&] { p.m.closestPoint(mPoint(0, 0, 0), dim, id); }, &thrown);
    EXPECT_TRUE(thrown) << dim << " " << id;
  }
}

TEST(MeshOps, MirrorEntitiesOfVerticesAndEdges) {
  mMesh m(1);
  mVertex* v[6];
  for (int i = 0; i < 6; ++i) v[i] = m.createVertex(i + 1, i, 0, 0, nullptr);
  // Periodic pairs 1~4, 2~5; vertex 3 has no copy.
  mMirrorVertex* r14 = new mMirrorVertex;
  mMirrorVertex* r25 = new mMirrorVertex;
  r14->addCopy(v[0]);
  r14->addCopy(v[3]);
  r25->addCopy(v[1]);
  r25->addCopy(v[4]);
  mEdge* e12 = m.createEdge(v[0], v[1], nullptr);
  mEdge* e45 = m.createEdge(v[3], v[4], nullptr);
  mEdge* e23 = m.createEdge(v[1], v[2], nullptr);

  std::list<mEntity*> out{e23};
  EXPECT_FALSE(m.lookupForMirrorEntities(v[2], out));
  EXPECT_EQ(out.size(), 1u);
  out.clear();
  EXPECT_TRUE(m.lookupForMirrorEntities(v[0], out));
  EXPECT_EQ(out, std::list<mEntity*>{v[3]});
  out = {e23};
  EXPECT_TRUE(m.lookupForMirrorEntities(e12, out));
  EXPECT_EQ(out, std::list<mEntity*>{e45});
  out.clear();
  EXPECT_TRUE(m.lookupForMirrorEntities(e45, out));
  EXPECT_EQ(out, std::list<mEntity*>{e12});
  EXPECT_FALSE(m.lookupForMirrorEntities(e23, out));
  delete r14;
  delete r25;
}

TEST(MeshOps, CopyOfAnUnclassifiedEntityWarnsAndUsesModelEntityAMillion) {
  mMesh source(1);
  mVertex* a = source.createVertex(3, 1, 2, 3, nullptr);
  mMesh target(1);
  testing::internal::CaptureStdout();
  mEntity* copy = target.copyMeshEntity(a);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("KORA WARNING : Unclassified entity 3 0\n"), std::string::npos) << out;
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->getId(), 3);
  EXPECT_EQ(copy->getClassification()->getId(), 1000000);
  EXPECT_EQ(copy->getClassification()->getLevel(), 0);
  EXPECT_EQ(target.copyMeshEntity(a), copy);
}
