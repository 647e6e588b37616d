// Shared basis tables and compact geometry: cells of one kind and order read
// the same tables, and what they compute from them (values, gradients,
// measures) is still exact for fields their spaces hold.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "cell_fixtures.h"
#include "mTensor2.h"

using namespace celltest;

namespace {

// Field 1 + 2x - 3y, held exactly by every space of order >= 1 on these meshes.
double linear(double x, double y) { return 1 + 2 * x - 3 * y; }

// Checks that the cell's projection of the linear field has value and
// gradient (2, -3) at every volume point, and that the weighted Jacobians add
// up to the area.
void checkVolumePoints(DGCell *c, double area) {
  const int n = c->getFunctionSpace()->size();
  std::vector<mVector> g(n);
  const double *coef = c->dofs->levels[0];
  double measure = 0;
  for (int k = 0; k < c->nbPtGauss(); ++k) {
    c->physicalGradients(k, g.data());
    mVector grad(0, 0, 0);
    for (int j = 0; j < n; ++j) grad += g[j] * coef[j];
    EXPECT_NEAR(grad[0], 2, 1e-11);
    EXPECT_NEAR(grad[1], -3, 1e-11);
    EXPECT_NEAR(grad[2], 0, 1e-11);
    const RulePoint &r = c->rule[k];
    double x, y, z, v = 0;
    c->getMapping()->eval(r.u, r.v, r.w, x, y, z);
    for (int j = 0; j < n; ++j) v += c->pt(k)->phi[j] * coef[j];
    EXPECT_NEAR(v, linear(x, y), 1e-12);
    measure += c->pt(k)->jacDet * r.weight;
  }
  EXPECT_NEAR(measure, area, 1e-13);
}

// Both sides of every face see the linear field at the face points through
// tables (no list of the face's own on a conforming mesh).
void checkFaces(mMesh &mesh) {
  for (mEntity *e : leaves(mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(e);
    ASSERT_NE(fc, nullptr);
    EXPECT_TRUE(fc->ownBasis.empty());
    for (int i = 0; i < fc->nbPtGauss(); ++i) {
      const ptGaussInfo *p = fc->pt(i);
      double v;
      dgCellOf(fc->getLeft())->interpolate(&v, p->fctsL);
      EXPECT_NEAR(v, linear(p->x(0), p->x(1)), 1e-12);
      if (fc->getRight()) {
        dgCellOf(fc->getRight())->interpolate(&v, p->fctsR);
        EXPECT_NEAR(v, linear(p->x(0), p->x(1)), 1e-12);
      }
    }
  }
}

// Two order-2 cells on a mesh of given vertices (x, y) and two elements
// (three or four vertex indices each), with their interface cells.
struct TwoCells {
  AdvectionLaw law{1};
  LawScope scope{&law};
  mMesh mesh{1};
  DGCell *c1, *c2;
  TwoCells(const std::vector<std::pair<double, double>> &xy, const std::vector<std::vector<int>> &elements) {
    gEntity *g = mesh.getGEntity(1, 2);
    std::vector<mVertex *> v;
    for (size_t i = 0; i < xy.size(); ++i)
      v.push_back(mesh.createVertex(static_cast<int>(i) + 1, xy[i].first, xy[i].second, 0, g));
    std::vector<mEntity *> made;
    for (const std::vector<int> &e : elements)
      made.push_back(e.size() == 3 ? mesh.createFaceWithVertices(v[e[0]], v[e[1]], v[e[2]], g)
                                   : mesh.createFaceWithVertices(v[e[0]], v[e[1]], v[e[2]], v[e[3]], g));
    connect(mesh, 2);
    classifyBoundary(mesh, 2, 5);
    c1 = makeCell(made[0], 2);
    c2 = makeCell(made[1], 2);
    for (mEntity *edge : leaves(mesh, 1)) makeFaceCell(edge);
  }
};

}  // namespace

TEST(BasisTables, TrianglesOfOneOrderShareTablesAndOneInverseJacobian) {
  // [0,2] x [0,1] cut along its diagonal; the two halves are oriented differently.
  TwoCells m({{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 1, 2}, {2, 3, 0}});
  DGCell *c1 = m.c1, *c2 = m.c2;
  FunctionField field({[](double x, double y, double) { return linear(x, y); }}, 1);
  c1->L2ProjInitial(&field);
  c2->L2ProjInitial(&field);
  ASSERT_EQ(c1->nbPtGauss(), c2->nbPtGauss());
  for (int k = 0; k < c1->nbPtGauss(); ++k) {
    EXPECT_EQ(c1->pt(k)->phi.data(), c2->pt(k)->phi.data());
    EXPECT_EQ(c1->pt(k)->refGrads, c2->pt(k)->refGrads);
  }
  for (DGCell *cell : {c1, c2}) {
    EXPECT_TRUE(cell->planar);
    EXPECT_EQ(cell->jacInverses.size(), 9u);  // affine: one for all points
    checkVolumePoints(cell, 1.0);
  }
  checkFaces(m.mesh);
}

namespace {

// Reference coordinates of a physical point in an element: the mapping's own
// inversion, then Newton steps to round-off.
void invertToRoundOff(const Mapping *m, const mPoint &x, double &u, double &v, double &w) {
  ASSERT_TRUE(m->invert(x(0), x(1), x(2), u, v, w));
  for (int it = 0; it < 8; ++it) {
    mTensor2 t(0.0);
    m->jacInverse(u, v, w, t);
    double X, Y, Z;
    m->eval(u, v, w, X, Y, Z);
    const double dx = x(0) - X, dy = x(1) - Y, dz = x(2) - Z;
    u += dx * t(0, 0) + dy * t(1, 0) + dz * t(2, 0);
    v += dx * t(0, 1) + dy * t(1, 1) + dz * t(2, 1);
    w += dx * t(0, 2) + dy * t(1, 2) + dz * t(2, 2);
  }
}

}  // namespace

TEST(BasisTables, ADistortedQuadrilateralKeepsAnInverseJacobianPerPoint) {
  // Two quadrilaterals that are not parallelograms, sharing an edge.
  TwoCells m({{0, 0}, {1.2, 0}, {0.9, 1.1}, {-0.1, 0.8}, {2.3, 0.2}, {2.0, 1.4}}, {{0, 1, 2, 3}, {1, 4, 5, 2}});
  DGCell *c1 = m.c1, *c2 = m.c2;
  // Shoelace areas: q1 = 2.15 / 2, q2 = 2.68 / 2.
  const double areas[2] = {1.075, 1.34};
  int i = 0;
  for (DGCell *cell : {c1, c2}) {
    EXPECT_TRUE(cell->planar);
    EXPECT_EQ(cell->jacInverses.size(), 9u * cell->nbPtGauss());
    const int n = cell->getFunctionSpace()->size();
    std::vector<mVector> kept(n), direct(n);
    double measure = 0;
    for (int k = 0; k < cell->nbPtGauss(); ++k) {
      const RulePoint &r = cell->rule[k];
      cell->physicalGradients(k, kept.data());
      const double det = cell->getFunctionSpace()->grads(r.u, r.v, r.w, cell->getMapping(), direct);
      EXPECT_EQ(cell->pt(k)->jacDet, det);
      for (int j = 0; j < n; ++j)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(kept[j][c], direct[j][c], 1e-14 * (1 + std::fabs(direct[j][c])));
      measure += cell->pt(k)->jacDet * r.weight;
    }
    EXPECT_NEAR(measure, areas[i++], 1e-13);
  }
  // Face points take their side coordinates from the face's vertices: the
  // bilinear map keeps its edges straight, so they are the exact inverses.
  for (mEntity *edge : leaves(m.mesh, 1)) {
    DGBoundaryCell *fc = dgBoundaryCellOf(edge);
    EXPECT_TRUE(fc->ownBasis.empty());
    for (int p = 0; p < fc->nbPtGauss(); ++p) {
      const ptGaussInfo *pt = fc->pt(p);
      for (int side = 0; side < (fc->getRight() ? 2 : 1); ++side) {
        DGCell *cell = dgCellOf(side ? fc->getRight() : fc->getLeft());
        double u, v, w;
        invertToRoundOff(cell->getMapping(), pt->x, u, v, w);
        std::vector<double> phi(cell->getFunctionSpace()->size());
        cell->getFunctionSpace()->fcts(u, v, w, phi);
        const BasisRow &kept = side ? pt->fctsR : pt->fctsL;
        ASSERT_EQ(kept.size(), phi.size());
        for (size_t j = 0; j < phi.size(); ++j) EXPECT_NEAR(kept[j], phi[j], 1e-13);
      }
    }
  }
}
