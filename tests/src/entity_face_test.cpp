// Triangles and quadrilaterals: construction from vertices and from chains
// of edges, templates, shared vertices and edges, failures and output.
#include <gtest/gtest.h>

#include <cstdio>

#include "entity_helpers.h"
#include "gEntity.h"
#include "mEdge.h"
#include "mFace.h"
#include "mVertex.h"

using namespace KORA;
using entity_test::Pool;

namespace {
std::vector<mEntity*> verticesOf(const mEntity* f) {
  std::vector<mEntity*> r;
  for (int k = 0; k < f->size(0); ++k) r.push_back(f->get(0, k));
  return r;
}
}  // namespace

TEST(EntityFace, TriangleFromAChainOfEdges) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mEdge* ab = p.keep(new mEdge(a, b, nullptr));
  mEdge* ba = p.keep(new mEdge(b, a, nullptr));
  mEdge* bc = p.keep(new mEdge(b, c, nullptr));
  mEdge* cb = p.keep(new mEdge(c, b, nullptr));
  mEdge* ca = p.keep(new mEdge(c, a, nullptr));
  mEdge* ac = p.keep(new mEdge(a, c, nullptr));
  struct Case {
    mEdge *e1, *e2, *e3;
    std::vector<mEntity*> vertices;
  } cases[] = {
      {ab, bc, ca, {a, b, c}},
      {ba, cb, ac, {a, b, c}},  // edge directions do not matter
      {ab, ca, bc, {b, a, c}},  // the chain decides the order
      {bc, ab, ca, {c, b, a}},  // vertex k is shared by edges k-1 and k
  };
  const mFace byVertices(a, b, c, nullptr);
  for (const Case& k : cases) {
    mFace f(k.e1, k.e2, k.e3, nullptr);
    EXPECT_EQ(verticesOf(&f), k.vertices);
    EXPECT_TRUE(f.isAdjacencyCreated(0));
    EXPECT_TRUE(f.isAdjacencyCreated(1));
    EXPECT_EQ(f.getId(), byVertices.getId());
    EXPECT_EQ(f.getType(), mEntity::TRI);
  }

  mVertex* d = p.vertex(4, 5, 5, 5);
  mVertex* e = p.vertex(5, 6, 5, 5);
  mEdge* de = p.keep(new mEdge(d, e, nullptr));
  const std::string out = entity_test::expectMException([&] { mFace bad(ab, de, bc, nullptr); }, "src/mFace");
  EXPECT_NE(out.find("TEXT : error in the creation of a triangle with its edges\n edges (1 2), (4 5) and (2 3) "
                     "cannot be nested\n"),
            std::string::npos)
      << out;
}

TEST(EntityFace, QuadrilateralFromEdgesKeepsNoVertexList) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 1, 1, 0);
  mVertex* d = p.vertex(4, 0, 1, 0);
  mEdge* ab = p.keep(new mEdge(a, b, nullptr));
  mEdge* cb = p.keep(new mEdge(c, b, nullptr));
  mEdge* cd = p.keep(new mEdge(c, d, nullptr));
  mEdge* ad = p.keep(new mEdge(a, d, nullptr));
  mFace q(ab, cb, cd, ad, nullptr);
  const mFace byVertices(a, b, c, d, nullptr);
  EXPECT_EQ(q.getType(), mEntity::QUAD);
  EXPECT_FALSE(q.isAdjacencyCreated(0));
  EXPECT_EQ(q.getId(), byVertices.getId());
  EXPECT_EQ(verticesOf(&q), (std::vector<mEntity*>{a, b, c, d}));
  char expected[128];
  std::snprintf(expected, sizeof(expected), "face %p with vertices 1 2 3 4\n", (void*)&q);
  EXPECT_EQ(entity_test::captured([&] { q.print(); }), expected);

  // The same edges out of chain order: no quadrilateral.
  const std::string out = entity_test::expectMException([&] { mFace bad(ab, cd, cb, ad, nullptr); }, "src/mFace");
  EXPECT_NE(out.find("TEXT : \terror in the creation of a quad with its edges\n\tedges (1 2), (3 4), (3 2) and "
                     "(1 4) cannot be nested\n"),
            std::string::npos)
      << out;
}

TEST(EntityFace, TemplatesAndTheirLimits) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mVertex* d = p.vertex(4, -1, 0, 0);
  gEntity g;
  gEntity* model = &g;
  mFace t(a, b, c, model);
  mFace q(a, b, c, d, nullptr);
  for (int dim : {0, 1, 2, 3, 7}) {
    EXPECT_EQ(t.getNbTemplates(dim), 3);
    EXPECT_EQ(q.getNbTemplates(dim), 4);
  }
  for (int i = 0; i < 3; ++i) {
    mEntity* e = t.getTemplate(i, 1, 0);
    EXPECT_EQ(e->get(0, 0), t.get(0, i));
    EXPECT_EQ(e->get(0, 1), t.get(0, (i + 1) % 3));
    EXPECT_EQ(e->getClassification(), model);
    delete e;
  }
  mEntity* last = q.getTemplate(3, 1, 0);
  EXPECT_EQ(last->get(0, 0), d);
  EXPECT_EQ(last->get(0, 1), a);
  delete last;

  std::string printed;
  EXPECT_EQ(entity_test::thrownInt([&] { t.getTemplate(0, 2, 0); }, &printed), 1);
  EXPECT_EQ(printed, "mFace::getTemplate error : level 2 is incorrect\n");

  mFace empty;
  EXPECT_EQ(empty.getId(), 0);
  EXPECT_EQ(empty.getTemplate(0, 0, 0), nullptr);
}

TEST(EntityFace, CommonVertexAndCommonEdge) {
  Pool p;
  mVertex* a = p.vertex(1, 0, 0, 0);
  mVertex* b = p.vertex(2, 1, 0, 0);
  mVertex* c = p.vertex(3, 0, 1, 0);
  mVertex* d = p.vertex(4, 1, 1, 0);
  mVertex* e = p.vertex(5, 2, 2, 0);
  mFace abc(a, b, c, nullptr), bdc(b, d, c, nullptr), cbd(c, b, d, nullptr), bde(b, d, e, nullptr);
  EXPECT_EQ(abc.commonVertex(&bdc, &cbd), b);  // b and c shared: first in abc's order
  EXPECT_EQ(abc.commonVertex(&bdc, &bde), b);
  mFace ade(a, d, e, nullptr);
  EXPECT_EQ(abc.commonVertex(&bdc, &ade), nullptr);

  // Without edge lists no edge is shared, whatever the geometry.
  EXPECT_EQ(abc.commonEdge(&bdc), nullptr);
  mEdge* ab = p.keep(new mEdge(a, b, nullptr));
  mEdge* bc = p.keep(new mEdge(b, c, nullptr));
  mEdge* ca = p.keep(new mEdge(c, a, nullptr));
  mEdge* bd = p.keep(new mEdge(b, d, nullptr));
  mEdge* dc = p.keep(new mEdge(d, c, nullptr));
  mFace f1(ab, bc, ca, nullptr), f2(bd, dc, bc, nullptr);
  EXPECT_EQ(f1.commonEdge(&f2), bc);
  EXPECT_EQ(f1.commonEdge(&abc), nullptr);
  mEdge bcCopy(b, c, nullptr);  // same vertices, another object
  mFace f3(bd, dc, &bcCopy, nullptr);
  EXPECT_EQ(f1.commonEdge(&f3), nullptr);
}
