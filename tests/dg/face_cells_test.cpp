// Interface cells: neighbours, face quadrature, normals (hanging faces
// included), both sides' bases, the time-level rule, the error pass and the
// remote values of partition faces.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DGErrorEstimator.h"
#include "GaussIntegrator.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// The rectangle [0,2] x [0,1] cut along its diagonal: T1 = (0,0),(2,0),(2,1)
// of order 1 and T2 = (0,0),(2,1),(0,1) of order 2.
struct TwoTriangles {
  AdvectionLaw law{1};
  LawScope scope{&law};
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  mEntity *t1, *t2;
  DGCell *c1, *c2;
  TwoTriangles() {
    mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
    mVertex *b = mesh.createVertex(2, 2, 0, 0, g);
    mVertex *c = mesh.createVertex(3, 2, 1, 0, g);
    mVertex *d = mesh.createVertex(4, 0, 1, 0, g);
    t1 = mesh.createFaceWithVertices(a, b, c, g);
    t2 = mesh.createFaceWithVertices(a, c, d, g);
    connect(mesh, 2);
    classifyBoundary(mesh, 2, 5);
    c1 = makeCell(t1, 1);
    c2 = makeCell(t2, 2);
    for (mEntity *e : leaves(mesh, 1)) makeFaceCell(e);
  }
};

// Two tetrahedra sharing a face, and a box on its own.
struct Solids {
  AdvectionLaw law{1};
  LawScope scope{&law};
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 3);
  Solids() {
    mesh.createVertex(1, 0, 0, 0, g);
    mesh.createVertex(2, 1, 0, 0, g);
    mesh.createVertex(3, 0, 1, 0, g);
    mesh.createVertex(4, 0, 0, 1, g);
    mesh.createVertex(5, 1, 1, 1, g);
    mesh.createTetWithVertices(1, 2, 3, 4, g);
    mesh.createTetWithVertices(2, 3, 4, 5, g);
    const double box[8][3] = {{3, 0, 0}, {5, 0, 0}, {5, 1, 0}, {3, 1, 0},
                              {3, 0, 0.5}, {5, 0, 0.5}, {5, 1, 0.5}, {3, 1, 0.5}};
    for (int i = 0; i < 8; ++i) mesh.createVertex(10 + i, box[i][0], box[i][1], box[i][2], g);
    mesh.createHexWithVertices(10, 11, 12, 13, 14, 15, 16, 17, g);
    connect(mesh, 3);
    for (mEntity *e : leaves(mesh, 3)) makeCell(e, 1);
    for (mEntity *f : leaves(mesh, 2)) makeFaceCell(f);
  }
};

// Measure of a straight edge or a planar face from its vertices.
double faceMeasure(mEntity *f) {
  const int n = f->size(0);
  std::vector<mPoint> p;
  for (int i = 0; i < n; ++i) p.push_back(static_cast<mVertex *>(f->get(0, i))->point());
  if (n == 2) return (p[1] - p[0]).length();
  mVector area;
  for (int i = 1; i + 1 < n; ++i) area += (p[i] - p[0]) % (p[i + 1] - p[0]);
  return 0.5 * area.length();
}

mVector along(mEntity *f) {
  return static_cast<mVertex *>(f->get(0, 1))->point() - static_cast<mVertex *>(f->get(0, 0))->point();
}

// Checks shared by every interface cell: weights, unit normals from left to
// right (or out of the left element), and the sides' basis lists.
void checkFace(DGBoundaryCell *fc) {
  mEntity *f = fc->getEntity();
  DGCell *L = dgCellOf(fc->getLeft());
  DGCell *R = fc->getRight() ? dgCellOf(fc->getRight()) : nullptr;
  const int order = 1 + 2 * std::max(L->getFunctionSpace()->order(), R ? R->getFunctionSpace()->order() : 0);
  EXPECT_EQ(fc->computeOrder(L, R), order);
  GaussIntegrator gauss(f);
  ASSERT_EQ(fc->nbPtGauss(), gauss.nbIntegrationPoints(order));
  double sum = 0;
  const mPoint cl = centre(fc->getLeft());
  for (int i = 0; i < fc->nbPtGauss(); ++i) {
    const ptGaussInfo *p = fc->pt(i);
    sum += p->JacW;
    EXPECT_NEAR(p->n.length(), 1.0, 1e-14);
    EXPECT_GT(p->n * (p->x - cl), 0.0);
    if (R) {
      EXPECT_GT(p->n * (centre(fc->getRight()) - cl), 0.0);
    }
    if (f->getLevel() == 1) {
      EXPECT_NEAR(p->n * along(f), 0.0, 1e-14);
    }
    EXPECT_EQ(p->fctsL.size(), static_cast<size_t>(L->getFunctionSpace()->size()));
    EXPECT_EQ(p->fctsR.size(), R ? static_cast<size_t>(R->getFunctionSpace()->size()) : 0u);
    // Physical gradients at face points only for a law that lifts gradients.
    const bool lifts = GlobalParamManager::Instance()->law->needTheHigherOrderGradients();
    EXPECT_EQ(fc->gradsL(i).size(), lifts ? p->fctsL.size() : 0u);
    EXPECT_EQ(fc->gradsR(i).size(), lifts ? p->fctsR.size() : 0u);
    EXPECT_EQ(p->UL, nullptr);
    EXPECT_EQ(p->UR, nullptr);
  }
  EXPECT_NEAR(sum, faceMeasure(f), 1e-13);
}

}  // namespace

TEST(FaceCells, TwoDimensionalFacesHaveTheirNeighboursWeightsAndNormals) {
  TwoTriangles m;
  int interior = 0, boundary = 0;
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    ASSERT_NE(fc, nullptr);
    EXPECT_NE(fc->getLeft(), nullptr);
    (fc->getRight() ? interior : boundary)++;
    if (fc->getRight()) {
      EXPECT_EQ(fc->computeOrder(m.c1, m.c2), 5);  // a linear face between orders 1 and 2
    }
    checkFace(fc);
  }
  EXPECT_EQ(interior, 1);
  EXPECT_EQ(boundary, 4);
  // The cylindrical mapping of axisymmetric runs integrates one order higher.
  mEntity *edge = leaves(m.mesh, 1).front();
  DGBoundaryCell axi(edge, new CylindricalCoordinatesLagrangeMapping(edge));
  DGBoundaryCell *plain = dgBoundaryCellOf(edge);
  DGCell *L = dgCellOf(plain->getLeft());
  DGCell *R = plain->getRight() ? dgCellOf(plain->getRight()) : nullptr;
  EXPECT_EQ(axi.computeOrder(L, R), plain->computeOrder(L, R) + 1);
}

TEST(FaceCells, ThreeDimensionalFacesHaveTheirNeighboursWeightsAndNormals) {
  Solids m;
  int interior = 0, quads = 0;
  for (mEntity *f : leaves(m.mesh, 2)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(f);
    ASSERT_NE(fc, nullptr);
    if (fc->getRight()) ++interior;
    if (f->size(0) == 4) ++quads;
    checkFace(fc);
  }
  EXPECT_EQ(interior, 1);
  EXPECT_EQ(quads, 6);
}

TEST(FaceCells, BothSidesSeeTheSameContinuousField) {
  TwoTriangles m;
  FunctionField field({[](double x, double y, double) { return 1 + 2 * x - 3 * y; }}, 1);
  m.c1->L2ProjInitial(&field);
  m.c2->L2ProjInitial(&field);
  m.law.gradients = true;  // face points carry gradients for a lifting law
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    fc->init(dgCellOf(fc->getLeft()), fc->getRight() ? dgCellOf(fc->getRight()) : nullptr);
    checkFace(fc);
    for (int i = 0; i < fc->nbPtGauss(); ++i) {
      const ptGaussInfo *p = fc->pt(i);
      const double exact = 1 + 2 * p->x(0) - 3 * p->x(1);
      double vL;
      mVector gL;
      dgCellOf(fc->getLeft())->interpolate(&vL, p->fctsL);
      dgCellOf(fc->getLeft())->dinterpolate(&gL, fc->gradsL(i), DGCell::LEVEL0);
      EXPECT_NEAR(vL, exact, 1e-13);
      EXPECT_NEAR(gL[0], 2, 1e-12);
      EXPECT_NEAR(gL[1], -3, 1e-12);
      if (fc->getRight()) {
        double vR;
        mVector gR;
        dgCellOf(fc->getRight())->interpolate(&vR, p->fctsR);
        dgCellOf(fc->getRight())->dinterpolate(&gR, fc->gradsR(i), DGCell::LEVEL0);
        EXPECT_NEAR(vR, exact, 1e-13);
        EXPECT_NEAR(gR[0], 2, 1e-12);
        EXPECT_NEAR(gR[1], -3, 1e-12);
      }
    }
  }
}

TEST(FaceCells, HangingFaceTakesTheNormalOfItsParentFace) {
  // Coarse triangle C = (0,0),(2,0),(0,2); its hypotenuse (2,0)-(0,2) is
  // split at (1,1), and the two halves border the fine triangles F1 and F2.
  AdvectionLaw law(1);
  LawScope scope(&law);
  mMesh mesh(1);
  gEntity *g = mesh.getGEntity(1, 2);
  mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
  mVertex *b = mesh.createVertex(2, 2, 0, 0, g);
  mVertex *c = mesh.createVertex(3, 0, 2, 0, g);
  mVertex *mid = mesh.createVertex(4, 1, 1, 0, g);
  mVertex *far = mesh.createVertex(5, 2, 2, 0, g);
  mEntity *coarse = mesh.createFaceWithVertices(a, b, c, g);
  mesh.createFaceWithVertices(b, far, mid, g);
  mesh.createFaceWithVertices(mid, far, c, g);
  connect(mesh, 2);
  // The coarse triangle keeps its own edges; its hypotenuse gets the two
  // halves as children, and each half lists the coarse triangle first.
  mEntity *hyp = mesh.getEdge(b, c);
  ASSERT_NE(hyp, nullptr);
  ASSERT_NE(coarse->find(hyp), nullptr);
  mEntity *halves[2] = {mesh.getEdge(b, mid), mesh.getEdge(mid, c)};
  for (mEntity *h : halves) {
    hyp->add(h);
    mEntity *fine = h->get(2, 0);
    h->deleteAdjacencies(2);
    h->add(coarse);
    h->add(fine);
  }
  makeCell(coarse, 1);
  for (mEntity *h : halves) makeCell(h->get(2, 1), 1);
  for (mEntity *h : halves) {
    DGBoundaryCell *fc = makeFaceCell(h);
    ASSERT_EQ(fc->getLeft(), coarse);
    const mVector outward(std::sqrt(0.5), std::sqrt(0.5), 0);
    for (int i = 0; i < fc->nbPtGauss(); ++i) {
      EXPECT_NEAR(fc->pt(i)->n[0], outward[0], 1e-14);
      EXPECT_NEAR(fc->pt(i)->n[1], outward[1], 1e-14);
    }
    double sum = 0;
    for (int i = 0; i < fc->nbPtGauss(); ++i) sum += fc->pt(i)->JacW;
    EXPECT_NEAR(sum, std::sqrt(2.0), 1e-13);
  }
  // A face that belongs to neither the element nor its faces' leaves.
  mEntity *stray = mesh.getEdge(far, c);
  mEntity *fine = stray->get(2, 0);
  stray->deleteAdjacencies(2);
  stray->add(coarse);
  stray->add(fine);
  MappingBuilder builder;
  try {
    DGBoundaryCell fc(stray, builder.BuildMapping(stray, 0));
    ADD_FAILURE() << "a face outside its left element was accepted";
  } catch (int code) {
    EXPECT_EQ(code, 0);
  }
}

TEST(FaceCells, ElementsWithoutStoredFacesUseTemporaryTemplates) {
  // Triangles without their edge lists: the normal comes from edges built
  // from the triangle's vertices, released after use.
  AdvectionLaw law(1);
  LawScope scope(&law);
  mMesh mesh(1);
  gEntity *g = mesh.getGEntity(1, 2);
  mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
  mVertex *b = mesh.createVertex(2, 1, 0, 0, g);
  mVertex *c = mesh.createVertex(3, 0, 1, 0, g);
  mEntity *t = mesh.createFaceWithVertices(a, b, c, g);
  mEntity *e = mesh.createEdge(b, c, g);
  e->add(t);
  makeCell(t, 1);
  DGBoundaryCell *fc = makeFaceCell(e);
  for (int i = 0; i < fc->nbPtGauss(); ++i) {
    EXPECT_NEAR(fc->pt(i)->n[0], std::sqrt(0.5), 1e-14);
    EXPECT_NEAR(fc->pt(i)->n[1], std::sqrt(0.5), 1e-14);
  }
}

TEST(FaceCells, AFaceWithoutNeighboursIsRefused) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  mMesh mesh(1);
  gEntity *g = mesh.getGEntity(1, 1);
  mEntity *e = mesh.createEdge(mesh.createVertex(1, 0, 0, 0, g), mesh.createVertex(2, 1, 0, 0, g), g);
  MappingBuilder builder;
  testing::internal::CaptureStdout();
  try {
    DGBoundaryCell fc(e, builder.BuildMapping(e, 0));
    ADD_FAILURE() << "accepted";
  } catch (int code) {
    EXPECT_EQ(code, 1);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("one entity of dimension 1 has no entities of dimension 2 \n"), std::string::npos);
}

TEST(FaceCells, InitTwiceKeepsOneSetOfPoints) {
  TwoTriangles m;
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    const int n = fc->nbPtGauss();
    fc->leftState(0, 2)[1] = 5;  // state arrays go with the old points
    fc->check();
    fc->init(dgCellOf(fc->getLeft()), fc->getRight() ? dgCellOf(fc->getRight()) : nullptr);
    EXPECT_EQ(fc->nbPtGauss(), n);
    EXPECT_EQ(fc->pt(0)->UL, nullptr);
  }
}

// A straight face's mapping is not kept between uses: asked for, it maps the
// reference ends to the face's vertices, and points rebuilt while it is held
// (or after it went) are the same to the bit.
TEST(FaceCells, FaceMappingAskedForAfterTheBuildMapsTheFace) {
  TwoTriangles m;
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    std::vector<ptGaussInfo> before = fc->gaussPoints;
    const KORA::Mapping *map = fc->getMapping();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->getEntity(), e);
    for (int k = 0; k < 2; ++k) {
      double x, y, z;
      map->eval(k == 0 ? -1.0 : 1.0, 0, 0, x, y, z);
      const KORA::mPoint v = static_cast<KORA::mVertex *>(e->get(0, k))->point();
      EXPECT_EQ(x, v(0));
      EXPECT_EQ(y, v(1));
      EXPECT_EQ(z, v(2));
    }
    for (int pass = 0; pass < 2; ++pass) {
      fc->check();
      ASSERT_EQ(fc->gaussPoints.size(), before.size());
      for (std::size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(fc->gaussPoints[k].x(0), before[k].x(0));
        EXPECT_EQ(fc->gaussPoints[k].x(1), before[k].x(1));
        EXPECT_EQ(fc->gaussPoints[k].JacW, before[k].JacW);
        EXPECT_EQ(fc->gaussPoints[k].n(0), before[k].n(0));
      }
    }
    EXPECT_EQ(fc->computeOrder(m.c1, m.c2), 5);
  }
}

TEST(FaceCells, TimeLevelRuleDeactivatesOnlyAFasterRightSide) {
  TwoTriangles m;
  struct Case {
    short left, right;
    bool rightActive;
  };
  const Case cases[] = {{1, 2, false}, {2, 2, true}, {3, 1, true}, {0, 0, true}};
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    for (const Case &c : cases) {
      m.c1->active = m.c2->active = true;
      fc->leftTag = c.left;
      fc->rightTag = c.right;
      fc->getSolutionOnRightSideForTime(0.0, 1);
      if (fc->getRight()) {
        EXPECT_EQ(dgCellOf(fc->getRight())->active, c.rightActive) << c.left << " " << c.right;
      }
      EXPECT_TRUE(dgCellOf(fc->getLeft())->active);
      EXPECT_EQ(fc->pt(0)->UR, nullptr);
    }
  }
}

TEST(FaceCells, ErrorPassAddsTheSameNumbersToBothNeighbours) {
  TwoTriangles m;
  struct Fixed : DGErrorEstimator {
    void computeError(DGCell *, DGCell *, DGBoundaryCell *, double &a, double &b) const override {
      a = 2;
      b = 3;
    }
  } fixed;
  DGErrorEstimator silent;  // writes nothing: both contributions count as 0
  int interiorFaces = 0, boundaryFaces[2] = {0, 0};
  for (mEntity *e : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    fc->computeError(silent);
    fc->computeError(fixed);
    if (fc->getRight())
      ++interiorFaces;
    else
      ++boundaryFaces[fc->getLeft() == m.t1 ? 0 : 1];
  }
  EXPECT_EQ(m.c1->errorWeight, 2.0 * (interiorFaces + boundaryFaces[0]));
  EXPECT_EQ(m.c1->errorSum, 3.0 * (interiorFaces + boundaryFaces[0]));
  EXPECT_EQ(m.c2->errorWeight, 2.0 * (interiorFaces + boundaryFaces[1]));
  EXPECT_DOUBLE_EQ(m.c2->getError(), 1.5);
}

TEST(FaceCells, RemoteValuesAreInterpolatedBetweenTheTwoNewestTimes) {
  TwoTriangles m;
  DGBoundaryCell *fc = nullptr;
  for (mEntity *e : leaves(m.mesh, 1))
    if (!dgBoundaryCellOf(e)->getRight()) fc = dgBoundaryCellOf(e);
  ASSERT_NE(fc, nullptr);
  const int nGP = fc->nbPtGauss();
  fc->interProc = new InterProcData(nGP, 2);
  for (int i = 0; i < nGP; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_EQ(fc->interProc->U[i][j] + fc->interProc->Uprev[i][j], 0.0);
  std::vector<double> older(nGP * 2), newer(nGP * 2);
  for (int k = 0; k < nGP * 2; ++k) {
    older[k] = k;
    newer[k] = 10 + 3 * k;
  }
  fc->interProc->recieveSolution(1.0, nGP, 2, older.data());
  EXPECT_EQ(fc->interProc->tprev, 0.0);
  EXPECT_EQ(fc->interProc->t, 1.0);
  fc->interProc->recieveSolution(2.0, nGP, 2, newer.data());
  EXPECT_EQ(fc->interProc->tprev, 1.0);
  struct Case {
    double t, alpha;
  };
  for (const Case &c : {Case{1.0, 0.0}, Case{2.0, 1.0}, Case{1.25, 0.25}}) {
    fc->getSolutionOnRightSideForTime(c.t, 2);
    for (int i = 0; i < nGP; ++i)
      for (int j = 0; j < 2; ++j)
        EXPECT_NEAR(fc->pt(i)->UR[j], c.alpha * newer[i * 2 + j] + (1 - c.alpha) * older[i * 2 + j], 1e-14);
  }
  // Outside the two times the left cell is blocked and the states stay.
  testing::internal::CaptureStdout();
  fc->getSolutionOnRightSideForTime(2.5, 2);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("cell is blocked"), std::string::npos);
  EXPECT_FALSE(dgCellOf(fc->getLeft())->active);
  EXPECT_NEAR(fc->pt(0)->UR[1], 0.25 * newer[1] + 0.75 * older[1], 1e-14);
  // Equal times copy the newest values.
  fc->interProc->tprev = 2.0;
  fc->getSolutionOnRightSideForTime(2.0, 2);
  EXPECT_EQ(fc->pt(nGP - 1)->UR[1], newer[(nGP - 1) * 2 + 1]);
  // A face that has become interior drops its remote values.
  DGBoundaryCell *inner = nullptr;
  for (mEntity *e : leaves(m.mesh, 1))
    if (dgBoundaryCellOf(e)->getRight()) inner = dgBoundaryCellOf(e);
  inner->interProc = new InterProcData(inner->nbPtGauss(), 1);
  inner->check();
  EXPECT_EQ(inner->interProc, nullptr);
}
