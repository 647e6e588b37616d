// The change callback of the conformal adaptation on hand-made changes: a
// tetrahedron refined into four, a 2-3 face swap between cells of different
// orders, tiny new elements, the volume check, lists without elements and new
// elements that the removed ones do not cover.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "DGConformal.h"
#include "KORA.h"
#include "limit_fixture.h"
#include "mFace.h"
#include "mTet.h"
#include "mVertex.h"

using namespace lt;

namespace {

// A linear field in three dimensions, two fields.
void linear3(const mPoint &p, double *U) {
  U[0] = 1.0 + 2.0 * p.x() - 3.0 * p.y() + 0.5 * p.z();
  U[1] = -0.5 + p.x() + 4.0 * p.y() - p.z();
}

// Deletes the entities of the list that the mesh does not hold: an element
// asked for an edge or face it has no adjacency to makes one for the caller.
void deleteTemplates(mMesh *mesh, const std::vector<mEntity *> &entities) {
  for (mEntity *e : entities)
    if (e->getLevel() > 0 && mesh->find(e) != e) delete e;
}

// The change lists of one call, owned here.
struct Lists {
  KORA::pPList removed = KORA::PList_new();
  KORA::pPList created = KORA::PList_new();
  ~Lists() {
    KORA::PList_delete(removed);
    KORA::PList_delete(created);
  }
  void call() { DGCallback(removed, created, nullptr, KORA::TEMPLATEREF, nullptr); }
};

// Runs the callback with standard output captured; returns what it printed.
std::string callQuietly(Lists &l) {
  testing::internal::CaptureStdout();
  l.call();
  return testing::internal::GetCapturedStdout();
}

// Largest difference between a cell's solution and the field at a few
// interior reference points.
double cellError(DGCell *c, void (*exact)(const mPoint &, double *), int nf) {
  double worst = 0.0;
  const double pts[4][3] = {{0.1, 0.2, 0.3}, {0.25, 0.25, 0.25}, {0.6, 0.1, 0.1}, {0.05, 0.7, 0.2}};
  for (const auto &r : pts) {
    double x, y, z, U[4], E[4];
    const double w = c->getEntity()->getLevel() == 3 ? r[2] : 0.0;
    c->getMapping()->eval(r[0], r[1], w, x, y, z);
    c->interpolate(r[0], r[1], w, U);
    exact(mPoint(x, y, z), E);
    for (int f = 0; f < nf; ++f) worst = std::max(worst, std::fabs(U[f] - E[f]));
  }
  return worst;
}

// Integral of field f over the cells.
double integral(const std::vector<DGCell *> &cells, int f) {
  double s = 0.0;
  for (const DGCell *c : cells) s += c->dofs->levels[0][f * c->dofs->nbFunctions] * std::fabs(c->Volume());
  return s;
}

// One tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1) and its four children
// around an interior point. The parent holds the projection of the linear
// field.
struct RefinedTet {
  mMesh *mesh = new mMesh(1);
  Field field{linear3, 1};
  mEntity *parent = nullptr;
  std::vector<mEntity *> children;
  Scope scope;
  std::vector<mEntity *> lower;  // faces, edges and vertices of the parent
  explicit RefinedTet(int order) : scope(new TestLaw(2), build()) {
    DGCell *c = GlobalParamManager::Instance()->analysis->addCell(parent, order);
    c->L2ProjInitial(&field);
    for (int d = 0; d < 3; ++d)
      for (int i = 0; i < parent->size(d); ++i) lower.push_back(parent->get(d, i));
  }
  // Faces and edges the mesh does not hold were made for the asking.
  ~RefinedTet() { deleteTemplates(mesh, lower); }
  mMesh *build() {
    KORA::gEntity *g = mesh->getGEntity(100, 3);
    mesh->createVertex(1, 0, 0, 0, g);
    mesh->createVertex(2, 1, 0, 0, g);
    mesh->createVertex(3, 0, 1, 0, g);
    mesh->createVertex(4, 0, 0, 1, g);
    mesh->createVertex(5, 0.2, 0.3, 0.25, g);
    parent = mesh->createTetWithVertices(1, 2, 3, 4, g);
    children = {mesh->createTetWithVertices(5, 2, 3, 4, g), mesh->createTetWithVertices(1, 5, 3, 4, g),
                mesh->createTetWithVertices(1, 2, 5, 4, g),
                mesh->createTetWithVertices(2, 1, 3, 5, g)};
    return mesh;
  }
};

TEST(ConformalCallback, RefinedTetReproducesALinearFieldInBothListOrders) {
  for (int order = 1; order <= 3; ++order)
    for (const bool reversed : {false, true}) {
      SCOPED_TRACE("order " + std::to_string(order) + (reversed ? " reversed" : ""));
      RefinedTet t(order);
      ASSERT_EQ(t.children.size(), 4u);
      const double I0 = integral({dgCellOf(t.parent)}, 0), I1 = integral({dgCellOf(t.parent)}, 1);
      Lists l;
      // The removed list holds the parent's faces, edges and vertices too;
      // only elements count.
      std::vector<mEntity *> removed = t.lower, created = t.children;
      removed.insert(removed.begin() + 3, t.parent);
      if (reversed) {
        std::reverse(removed.begin(), removed.end());
        std::reverse(created.begin(), created.end());
      }
      for (mEntity *e : removed) KORA::PList_append(l.removed, e);
      for (mEntity *e : created) KORA::PList_append(l.created, e);
      EXPECT_EQ(callQuietly(l), "");  // volumes agree, every point is covered
      std::vector<DGCell *> cells;
      for (mEntity *e : t.children) {
        DGCell *c = dgCellOf(e);
        ASSERT_NE(c, nullptr);
        cells.push_back(c);
        EXPECT_EQ(c->getFunctionSpace()->order(), order);
        EXPECT_LT(cellError(c, linear3, 2), 1e-12);
        for (double r : c->rhs) EXPECT_EQ(r, 0.0);
        EXPECT_EQ(c->jumpSum + c->jumpWeight + c->limiterMeasure, 0.0);
      }
      // The children's volumes fill the parent's 1/6.
      double V = 0.0;
      for (DGCell *c : cells) V += std::fabs(c->Volume());
      EXPECT_NEAR(V, 1.0 / 6.0, 1e-15);
      EXPECT_NEAR(integral(cells, 0), I0, 1e-14);
      EXPECT_NEAR(integral(cells, 1), I1, 1e-14);
      // The parent keeps its cell: the adaptation deletes it with the element.
      EXPECT_NE(dgCellOf(t.parent), nullptr);
    }
}

// Two tetrahedra on the triangle (1,0,0), (0,1,0), (-1,-1,0) with apexes
// above and below, replaced by three around the segment between the apexes.
TEST(ConformalCallback, SwapTakesTheOrderOfTheLastRemovedCell) {
  for (const bool reversed : {false, true}) {
    SCOPED_TRACE(reversed ? "orders 3, 2" : "orders 2, 3");
    mMesh *mesh = new mMesh(1);
    KORA::gEntity *g = mesh->getGEntity(100, 3);
    mesh->createVertex(1, 1, 0, 0, g);
    mesh->createVertex(2, 0, 1, 0, g);
    mesh->createVertex(3, -1, -1, 0, g);
    mesh->createVertex(4, 0, 0, 1, g);
    mesh->createVertex(5, 0.1, -0.1, -1, g);
    mEntity *up = mesh->createTetWithVertices(1, 2, 3, 4, g);
    mEntity *down = mesh->createTetWithVertices(1, 3, 2, 5, g);
    std::vector<mEntity *> three = {mesh->createTetWithVertices(1, 2, 4, 5, g),
                                    mesh->createTetWithVertices(2, 3, 4, 5, g),
                                    mesh->createTetWithVertices(3, 1, 4, 5, g)};
    Field field{linear3, 1};
    Scope scope(new TestLaw(2), mesh);
    DGAnalysis *a = GlobalParamManager::Instance()->analysis;
    a->addCell(up, reversed ? 3 : 2)->L2ProjInitial(&field);
    a->addCell(down, reversed ? 2 : 3)->L2ProjInitial(&field);
    Lists l;
    KORA::PList_append(l.removed, up);
    KORA::PList_append(l.removed, down);
    for (mEntity *e : three) KORA::PList_append(l.created, e);
    EXPECT_EQ(callQuietly(l), "");
    for (mEntity *e : three) {
      DGCell *c = dgCellOf(e);
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->getFunctionSpace()->order(), reversed ? 2 : 3);
      EXPECT_LT(cellError(c, linear3, 2), 1e-12);
    }
  }
}

// Triangles in two dimensions: the removed one, (0,0), (2,0), (0,1), has
// area 1; the new one, (0,0), (0,top), (2,0), has area top.
struct Triangles {
  mMesh *mesh = new mMesh(1);
  Field constant{[](const mPoint &, double *U) {
                   U[0] = 2.5;
                   U[1] = -1.25;
                 },
                 0};
  mEntity *old = nullptr;
  mEntity *fresh = nullptr;
  Scope scope;
  explicit Triangles(double top) : scope(new TestLaw(2), build(top)) {}
  mMesh *build(double top) {
    KORA::gEntity *g = mesh->getGEntity(100, 2);
    mesh->createVertex(1, 0, 0, 0, g);
    mesh->createVertex(2, 2, 0, 0, g);
    mesh->createVertex(3, 0, 1, 0, g);
    mesh->createVertex(4, 0, top, 0, g);
    old = mesh->createFaceWithVertices(1, 2, 3, g);
    fresh = mesh->createFaceWithVertices(1, 4, 2, g);
    return mesh;
  }
};

TEST(ConformalCallback, VolumeChangeAboveOneMillionthIsReported) {
  struct Case {
    double top;  // the new triangle's area
    const char *printed;
  };
  const Case cases[] = {
      {1.00001, "error in callback : v_initial =  1.00000E+00 , v_final =  1.00001E+00\n"},
      {1.000001, ""},
      {1.0 - 1e-5, "error in callback : v_initial =  1.00000E+00 , v_final =  9.99990E-01\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.top);
    Triangles t(c.top);
    GlobalParamManager::Instance()->analysis->addCell(t.old, 1)->L2ProjInitial(&t.constant);
    Lists l;
    KORA::PList_append(l.removed, t.old);
    KORA::PList_append(l.created, t.fresh);
    const std::string out = callQuietly(l);
    // Points of the new triangle beyond the old one are reported by the
    // evaluator; the callback's line is the last one.
    const std::size_t at = out.find("error in callback");
    if (*c.printed) {
      ASSERT_NE(at, std::string::npos) << out;
      EXPECT_EQ(out.substr(at), c.printed);
    } else {
      EXPECT_EQ(at, std::string::npos) << out;
    }
    // Uncovered points take the nearest removed cell: a constant stays
    // exactly constant.
    DGCell *n = dgCellOf(t.fresh);
    ASSERT_NE(n, nullptr);
    EXPECT_NEAR(n->theMean(0), 2.5, 1e-13);
    EXPECT_NEAR(n->theMean(1), -1.25, 1e-13);
    for (int j = 1; j < n->dofs->nbFunctions; ++j) EXPECT_NEAR(coef(n, 0, j), 0.0, 1e-13);
  }
}

// The smallest projected volume is relative to the element's own size: a
// tetrahedron of volume 5e-13 (a cell of a mesh in a small unit) refined into
// four of 1.25e-13 carries the solution like any other; the new volume equals
// the old, so nothing is reported.
TEST(ConformalCallback, SmallNewElementsAreProjected) {
  mMesh *mesh = new mMesh(1);
  KORA::gEntity *g = mesh->getGEntity(100, 3);
  const double s = std::cbrt(6 * 5e-13);
  mesh->createVertex(1, 0, 0, 0, g);
  mesh->createVertex(2, s, 0, 0, g);
  mesh->createVertex(3, 0, s, 0, g);
  mesh->createVertex(4, 0, 0, s, g);
  mesh->createVertex(5, s / 4, s / 4, s / 4, g);
  mEntity *parent = mesh->createTetWithVertices(1, 2, 3, 4, g);
  std::vector<mEntity *> kids = {
      mesh->createTetWithVertices(5, 2, 3, 4, g), mesh->createTetWithVertices(1, 5, 3, 4, g),
      mesh->createTetWithVertices(1, 2, 5, 4, g), mesh->createTetWithVertices(1, 2, 3, 5, g)};
  Field field{linear3, 1};
  Scope scope(new TestLaw(2), mesh);
  GlobalParamManager::Instance()->analysis->addCell(parent, 2)->L2ProjInitial(&field);
  Lists l;
  KORA::PList_append(l.removed, parent);
  for (mEntity *e : kids) KORA::PList_append(l.created, e);
  EXPECT_EQ(callQuietly(l), "");
  for (mEntity *e : kids) {
    DGCell *c = dgCellOf(e);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->getFunctionSpace()->order(), 2);
    EXPECT_LT(cellError(c, linear3, 2), 1e-12);
  }
}

TEST(ConformalCallback, ListsWithoutRemovedElements) {
  Triangles t(1.0);
  GlobalParamManager::Instance()->analysis->addCell(t.old, 3)->L2ProjInitial(&t.constant);
  mEntity *fresh = t.fresh;
  // Only edges and vertices on both sides: nothing is made, nothing printed.
  {
    Lists l;
    std::vector<mEntity *> edges;
    for (int i = 0; i < t.old->size(1); ++i) edges.push_back(t.old->get(1, i));
    for (mEntity *e : edges) KORA::PList_append(l.removed, e);
    for (int i = 0; i < fresh->size(0); ++i) KORA::PList_append(l.created, fresh->get(0, i));
    EXPECT_EQ(callQuietly(l), "");
    EXPECT_EQ(dgCellOf(fresh), nullptr);
    deleteTemplates(t.mesh, edges);
  }
  // New elements and no removed one: order 1, nothing to carry (zero
  // coefficients), and the whole new volume is reported.
  Lists l;
  KORA::PList_append(l.created, fresh);
  EXPECT_EQ(callQuietly(l), "error in callback : v_initial =  0.00000E+00 , v_final =  1.00000E+00\n");
  DGCell *c = dgCellOf(fresh);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->getFunctionSpace()->order(), 1);
  for (int i = 0; i < c->dofs->nbValues(); ++i) EXPECT_EQ(c->dofs->levels[0][i], 0.0);
}

}  // namespace
