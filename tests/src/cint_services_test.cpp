// Procedural services the mesh library and the geometry call back into.
#include <gtest/gtest.h>

#include "KORA.h"
#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mTet.h"
#include "mesh_fixtures.h"

using namespace KORA;

TEST(CintServices, DimensionTypeAndVerticesOfEveryKind) {
  mMesh m(1);
  std::vector<mVertex*> v;
  for (int k = 0; k < 8; ++k) v.push_back(m.createVertex(k + 1, k & 1, (k >> 1) & 1, (k >> 2) & 1, nullptr));
  struct Case {
    mEntity* e;
    int dim;
    mEntity::mType type;
    std::vector<mVertex*> vertices;
  };
  const std::vector<Case> cases = {
      {v[0], 0, mEntity::VERTEX, {v[0]}},
      {m.createEdge(v[3], v[1], nullptr), 1, mEntity::EDGE, {v[3], v[1]}},
      {m.createFaceWithVertices(v[0], v[1], v[2], nullptr), 2, mEntity::TRI, {v[0], v[1], v[2]}},
      {m.createFaceWithVertices(v[0], v[1], v[3], v[2], nullptr), 2, mEntity::QUAD,
       {v[0], v[1], v[3], v[2]}},
      {m.createTetWithVertices(v[0], v[1], v[2], v[4], nullptr), 3, mEntity::TET,
       {v[0], v[1], v[2], v[4]}},
      {m.createHexWithVertices(v[0], v[1], v[3], v[2], v[4], v[5], v[7], v[6], nullptr), 3,
       mEntity::HEX, {v[0], v[1], v[3], v[2], v[4], v[5], v[7], v[6]}},
      {m.createPrismWithVertices(v[0], v[1], v[2], v[4], v[5], v[6], nullptr), 3, mEntity::PRISM,
       {v[0], v[1], v[2], v[4], v[5], v[6]}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EN_type(c.e), c.dim);
    EXPECT_EQ(M_GetElementType(c.e), c.type);
    std::vector<pEntity> out{v[7]};  // what the list held stays in front
    M_GetVertices(c.e, out);
    ASSERT_EQ(out.size(), c.vertices.size() + 1) << c.type;
    EXPECT_EQ(out[0], v[7]);
    for (std::size_t k = 0; k < c.vertices.size(); ++k) EXPECT_EQ(out[k + 1], c.vertices[k]) << c.type;
  }
}

TEST(CintServices, PointOfAVertexIsItsOwn) {
  mMesh m(1);
  mVertex* v = m.createVertex(1, 1.5, -2.0, 3.25, nullptr);
  pPoint p = V_point(v);
  EXPECT_EQ(P_x(p), 1.5);
  EXPECT_EQ(P_y(p), -2.0);
  EXPECT_EQ(P_z(p), 3.25);
  p->set(4, 5, 6);
  EXPECT_EQ(v->point()(0), 4.0);
  EXPECT_EQ(v->point()(2), 6.0);
}

namespace {
// Mesh with one edge (0,0,0)-(2,0,0) on model edge 1 (tag 5) and one on model
// face 1; its model mesh has, on model edge 5, the leaf edges
// (0,0,0)-(0.5,0,0) and (0.5,0,0)-(1.5,0.2,0), and elsewhere a better decoy.
struct WithModelMesh {
  mMesh model{1};
  mMesh m{1};
  mEdge* onEdge;
  mEdge* onFace;
  WithModelMesh() {
    gEntity* g5 = model.getGEntity(5, 1);
    gEntity* g1 = model.getGEntity(1, 1);  // the id of the mesh's model edge, not its tag
    model.createVertex(1, 0, 0, 0, g5);
    model.createVertex(2, 0.5, 0, 0, g5);
    model.createVertex(3, 1.5, 0.2, 0, g5);
    model.createVertex(4, 1, 7, 0, g1);
    model.createVertex(5, 1, 9, 0, g1);
    model.createEdge(1, 2, g5);
    model.createEdge(2, 3, g5);
    model.createEdge(4, 5, g1);  // midpoint (1, 8, 0): equidistant, but on the wrong entity
    m.setMeshModel(&model);
    gEntity* e = m.getGEntity(1, 1, 5);
    mVertex* a = m.createVertex(1, 0, 0, 0, e);
    mVertex* b = m.createVertex(2, 2, 0, 0, e);
    onEdge = m.createEdge(a, b, e);
    onFace = m.createEdge(b, a, m.getGEntity(1, 2));
  }
};
}  // namespace

TEST(CintServices, MiddlePointWithoutModelMeshIsTheMidpoint) {
  mMesh m(1);
  mEdge* e = m.createEdge(m.createVertex(1, 0, 0, 0, nullptr), m.createVertex(2, 2, 2, 0, nullptr),
                          m.getGEntity(1, 1));
  double x[3];
  MeshModel_middlePoint(e, x);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], 1.0);
  EXPECT_EQ(x[2], 0.0);
  // An unclassified edge gets the midpoint as well.
  mEdge* loose = m.createEdge(m.getVertex(2), m.createVertex(3, 4, 0, 2, nullptr), nullptr);
  MeshModel_middlePoint(loose, x);
  EXPECT_EQ(x[0], 3.0);
  EXPECT_EQ(x[1], 1.0);
  EXPECT_EQ(x[2], 1.0);
}

TEST(CintServices, MiddlePointOnAModelEdgeComesFromTheModelMesh) {
  WithModelMesh w;
  double x[3];
  MeshModel_middlePoint(w.onEdge, x);
  // Candidate midpoints (0.25,0,0): |0.25 - 1.75| = 1.5; (1,0.1,0): equidistant.
  EXPECT_DOUBLE_EQ(x[0], 1.0);
  EXPECT_DOUBLE_EQ(x[1], 0.1);
  EXPECT_EQ(x[2], 0.0);
  // The centre of an edge goes through the same rule.
  const mPoint c = w.onEdge->getClassification()->COG(w.onEdge);
  EXPECT_DOUBLE_EQ(c(1), 0.1);
  // Not on a model edge: the plain midpoint.
  MeshModel_middlePoint(w.onFace, x);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], 0.0);
}

TEST(CintServices, MiddlePointSkipsRefinedModelEdges) {
  WithModelMesh w;
  // Split the equidistant candidate; only its leaves compete.
  gEntity* g5 = w.model.getGEntity(5, 1);
  mEntity* parent = w.model.getEdge(w.model.getVertex(2), w.model.getVertex(3));
  mVertex* p = w.model.createVertex(6, 1, 1, 0, g5);
  mVertex* q = w.model.createVertex(7, 1, -1, 0, g5);
  mEdge* c1 = w.model.createEdge(w.model.getVertex(2), p, g5);
  mEdge* c2 = w.model.createEdge(p, q, g5);
  parent->add(c1);
  parent->add(c2);
  std::vector<mEntity*> walk;
  for (auto it = w.model.begin(1, 5, 1), last = w.model.end(1, 5, 1); it != last; ++it)
    walk.push_back(*it);
  ASSERT_EQ(walk.size(), 3u);
  // Midpoints: (0.25,0,0) delta 1.5; c1 (0.75,0.5,0) delta > 0; c2 (1,0,0) delta 0.
  double x[3];
  MeshModel_middlePoint(w.onEdge, x);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], 0.0);
}

TEST(CintServices, MiddlePointTieGoesToTheFirstEdgeOfTheWalk) {
  mMesh model(1);
  gEntity* g = model.getGEntity(1, 1);
  for (int i = 0; i < 4; ++i) model.createVertex(i + 1, 1, i < 2 ? 2 + 2 * i : -2 - 2 * (i - 2), 0, g);
  model.createEdge(1, 2, g);  // midpoint (1, 3, 0)
  model.createEdge(3, 4, g);  // midpoint (1, -3, 0)
  mMesh m(1);
  m.setMeshModel(&model);
  mEdge* e = m.createEdge(m.createVertex(1, 0, 0, 0, nullptr), m.createVertex(2, 2, 0, 0, nullptr),
                          m.getGEntity(1, 1));
  mEntity* first = *model.begin(1, 1, 1);
  const double firstY = 0.5 * (static_cast<mVertex*>(first->get(0, 0))->point()(1) +
                               static_cast<mVertex*>(first->get(0, 1))->point()(1));
  double x[3];
  MeshModel_middlePoint(e, x);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(x[1], firstY);
}
