// DG cells: exact projection of polynomials, evaluation of values and
// gradients, inverse mass matrices and the cached quadrature data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "DGParameters.h"
#include "GaussIntegrator.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// Polynomial of total degree p in (x, y, z) with fixed, varied coefficients
// (z terms only in three dimensions), and its gradient.
struct Poly {
  int p, dim, seed;
  double coef(int i, int j, int k) const { return std::sin(1.3 * seed + 0.7 * i + 1.9 * j + 2.3 * k); }
  double value(double x, double y, double z) const {
    double s = 0;
    for (int i = 0; i <= p; ++i)
      for (int j = 0; i + j <= p; ++j)
        for (int k = 0; i + j + k <= p && (dim == 3 || k == 0); ++k)
          s += coef(i, j, k) * std::pow(x, i) * std::pow(y, j) * std::pow(z, k);
    return s;
  }
  mVector grad(double x, double y, double z) const {
    mVector g;
    for (int i = 0; i <= p; ++i)
      for (int j = 0; i + j <= p; ++j)
        for (int k = 0; i + j + k <= p && (dim == 3 || k == 0); ++k) {
          const double c = coef(i, j, k);
          if (i) g[0] += c * i * std::pow(x, i - 1) * std::pow(y, j) * std::pow(z, k);
          if (j) g[1] += c * j * std::pow(x, i) * std::pow(y, j - 1) * std::pow(z, k);
          if (k) g[2] += c * k * std::pow(x, i) * std::pow(y, j) * std::pow(z, k - 1);
        }
    return g;
  }
};

// One element of each kind: affine shapes (so that polynomials of the
// physical coordinates lie in the spaces) and distorted ones.
struct Shapes {
  mMesh mesh{1};
  gEntity *g2 = mesh.getGEntity(1, 2);
  gEntity *g3 = mesh.getGEntity(1, 3);
  int next = 1;
  mVertex *v(double x, double y, double z = 0) { return mesh.createVertex(next++, x, y, z, g3); }
  mEntity *tri(mPoint a, mPoint b, mPoint c) {
    return mesh.createFaceWithVertices(v(a(0), a(1)), v(b(0), b(1)), v(c(0), c(1)), g2);
  }
  mEntity *quad(mPoint a, mPoint b, mPoint c, mPoint d) {
    return mesh.createFaceWithVertices(v(a(0), a(1)), v(b(0), b(1)), v(c(0), c(1)), v(d(0), d(1)), g2);
  }
  mEntity *tet(mPoint a, mPoint b, mPoint c, mPoint d) {
    return mesh.createTetWithVertices(v(a(0), a(1), a(2)), v(b(0), b(1), b(2)), v(c(0), c(1), c(2)),
                                      v(d(0), d(1), d(2)), g3);
  }
  // Hexahedron a + s e1 + t e2 + r e3 (s, t, r in [0, 1]), with the last
  // vertex moved by `skew` to make it trilinear.
  mEntity *hex(mPoint a, mVector e1, mVector e2, mVector e3, mVector skew = mVector()) {
    auto at = [&](int s, int t, int r) { return a + e1 * s + e2 * t + e3 * r; };
    const mPoint q[8] = {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 1, 0),
                         at(0, 0, 1), at(1, 0, 1), at(1, 1, 1) + skew, at(0, 1, 1)};
    mVertex *w[8];
    for (int i = 0; i < 8; ++i) w[i] = v(q[i](0), q[i](1), q[i](2));
    return mesh.createHexWithVertices(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], g3);
  }
};

struct Kind {
  const char *name;
  int maxOrder;
  int dim;
};

mEntity *affineElement(Shapes &s, const std::string &name) {
  if (name == "triangle") return s.tri(mPoint(0.2, 0.1), mPoint(1.7, 0.4), mPoint(0.5, 1.9));
  if (name == "quadrilateral")
    return s.quad(mPoint(0, 0), mPoint(2, 0.5), mPoint(2.6, 1.7), mPoint(0.6, 1.2));
  if (name == "tetrahedron")
    return s.tet(mPoint(0.1, 0, 0), mPoint(1.3, 0.2, 0.1), mPoint(0.3, 1.1, 0.2), mPoint(0.2, 0.3, 1.4));
  return s.hex(mPoint(0.1, -0.2, 0.3), mVector(1.5, 0.2, 0), mVector(0.3, 1.2, 0.1), mVector(0.1, 0.2, 1.1));
}

mEntity *distortedElement(Shapes &s, const std::string &name) {
  if (name == "triangle") return s.tri(mPoint(0, 0), mPoint(3, 0.2), mPoint(-0.5, 0.4));
  if (name == "quadrilateral")
    return s.quad(mPoint(0, 0), mPoint(2, 0.2), mPoint(1.8, 1.5), mPoint(-0.2, 1.1));
  if (name == "tetrahedron")
    return s.tet(mPoint(0, 0, 0), mPoint(2, 0.1, 0), mPoint(0.2, 0.3, 0.1), mPoint(0.3, 0.1, 0.9));
  return s.hex(mPoint(0, 0, 0), mVector(1, 0, 0), mVector(0, 1, 0), mVector(0, 0, 1), mVector(0.4, -0.3, 0.5));
}

const Kind kKinds[] = {{"triangle", 8, 2}, {"quadrilateral", 4, 2}, {"tetrahedron", 4, 3}, {"hexahedron", 1, 3}};

// Reference points inside every kind's reference element.
const double kRefPoints[3][3] = {{0.2, 0.3, 0.1}, {0.05, 0.6, 0.25}, {0.45, 0.1, 0.3}};

}  // namespace

TEST(CellProjection, ReproducesEveryPolynomialOfTheCellsDegree) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  for (const Kind &kind : kKinds) {
    for (int p = 0; p <= kind.maxOrder; ++p) {
      SCOPED_TRACE(std::string(kind.name) + " order " + std::to_string(p));
      Shapes s;
      mEntity *e = affineElement(s, kind.name);
      DGCell *cell = makeCell(e, p);
      const Poly f0{p, kind.dim, 1}, f1{p, kind.dim, 2};
      FunctionField field({[&](double x, double y, double z) { return f0.value(x, y, z); },
                           [&](double x, double y, double z) { return f1.value(x, y, z); }},
                          p);
      cell->L2ProjInitial(&field);
      // Bookkeeping of a projection: the time stays, the previous time is 0,
      // level 1 holds the cleared level 0.
      const DG_Dofs *d = cell->getCoefficients();
      EXPECT_EQ(d->t, 0.0);
      EXPECT_EQ(d->tprev, 0.0);
      for (int i = 0; i < d->nbValues(); ++i) ASSERT_EQ(d->levels[1][i], 0.0);
      for (const auto &r : kRefPoints) {
        double x, y, z;
        cell->getMapping()->eval(r[0], r[1], r[2], x, y, z);
        double values[2];
        mVector grads[2];
        cell->interpolate(r[0], r[1], r[2], values);
        cell->dinterpolate(r[0], r[1], r[2], grads, DGCell::LEVEL0);
        const Poly *fs[2] = {&f0, &f1};
        for (int k = 0; k < 2; ++k) {
          const double exact = fs[k]->value(x, y, z);
          EXPECT_NEAR(values[k], exact, 1e-12 * std::max(1.0, std::fabs(exact)));
          const mVector ge = fs[k]->grad(x, y, z);
          for (int c = 0; c < 3; ++c) EXPECT_NEAR(grads[k][c], ge[c], 1e-10 * std::max(1.0, ge.length()));
        }
      }
    }
  }
}

TEST(CellProjection, AConstantFieldFillsOnlyTheFirstCoefficients) {
  AdvectionLaw law(3);
  LawScope scope(&law);
  Shapes s;
  mEntity *e = distortedElement(s, "triangle");
  DGCell *cell = makeCell(e, 3);
  FunctionField field({[](double, double, double) { return 2.5; }, [](double, double, double) { return -1.0; },
                       [](double, double, double) { return 0.0; }},
                      0);
  cell->L2ProjInitial(&field);
  const int n = cell->getFunctionSpace()->size();
  const double expected[3] = {2.5, -1.0, 0.0};
  for (int f = 0; f < 3; ++f) {
    EXPECT_NEAR(cell->theMean(f), expected[f], 1e-14);
    // Zero up to the round-off of a sum over the rule's points (the field is
    // projected with at least the mass matrix's rule).
    for (int j = 1; j < n; ++j) EXPECT_NEAR(cell->getCoefficients()->levels[0][f * n + j], 0.0, 1e-13);
  }
}

TEST(CellProjection, InverseMassTimesMassIsTheIdentityOnDistortedElements) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  for (const Kind &kind : kKinds) {
    for (int p = 0; p <= std::min(kind.maxOrder, 4); ++p) {
      SCOPED_TRACE(std::string(kind.name) + " order " + std::to_string(p));
      Shapes s;
      mEntity *e = distortedElement(s, kind.name);
      DGCell *cell = makeCell(e, p);
      const int n = cell->getFunctionSpace()->size();
      double **M = allocateMatrix(n, n);
      massMatrix(cell->getFunctionSpace(), cell->getMapping(), e, M, 1.0);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          double s = 0;
          for (int k = 0; k < n; ++k) s += cell->invMassEntry(i, k) * M[k][j];
          EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-11);
        }
      freeMatrix(M);
    }
  }
}

TEST(CellProjection, CachedPointsHoldTheBasisAndIntegrateTheMeasure) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  struct Case {
    const char *kind;
    double measure;
  };
  // Measures of the affine shapes: |cross| / 2, |cross|, |det| / 6, |det|.
  const Case cases[] = {{"triangle", 0.5 * std::fabs(1.5 * 1.8 - 0.3 * 0.3)},
                        {"quadrilateral", std::fabs(2 * 1.2 - 0.5 * 0.6)},
                        {"tetrahedron", 0.0},
                        {"hexahedron", 0.0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.kind);
    Shapes s;
    mEntity *e = affineElement(s, c.kind);
    const int p = std::string(c.kind) == "hexahedron" ? 1 : 2;
    DGCell *cell = makeCell(e, p);
    const FunctionSpace *space = cell->getFunctionSpace();
    const int n = space->size();
    const int q = 2 * p;  // plane mapping: 2p + 1 - 1
    EXPECT_EQ(cell->computeOrder(), q);
    GaussIntegrator gauss(e);
    ASSERT_EQ(cell->nbPtGauss(), gauss.nbIntegrationPoints(q));
    double measure = 0;
    std::vector<double> phi(n);
    for (int k = 0; k < cell->nbPtGauss(); ++k) {
      double u, v, w, weight;
      gauss.iPoint(k, q, u, v, w, weight);
      const vptGaussInfo *pt = cell->pt(k);
      EXPECT_EQ(pt->nbFcts, n);
      space->fcts(u, v, w, phi);
      for (int j = 0; j < n; ++j) EXPECT_DOUBLE_EQ(pt->phi[j], phi[j]);
      measure += pt->jacDet * weight;
    }
    EXPECT_NEAR(measure, cell->Volume(), 1e-13);
    if (c.measure > 0) {
      EXPECT_NEAR(cell->Volume(), c.measure, 1e-13);
    }
  }
  // Volumes of the three-dimensional shapes by the triple product.
  Shapes s;
  DGCell *tet = makeCell(affineElement(s, "tetrahedron"), 1);
  const mVector a(1.2, 0.2, 0.1), b(0.2, 1.1, 0.2), c(0.1, 0.3, 1.4);
  EXPECT_NEAR(tet->Volume(), std::fabs((a % b) * c) / 6, 1e-13);
  DGCell *hex = makeCell(affineElement(s, "hexahedron"), 1);
  const mVector e1(1.5, 0.2, 0), e2(0.3, 1.2, 0.1), e3(0.1, 0.2, 1.1);
  EXPECT_NEAR(hex->Volume(), std::fabs((e1 % e2) * e3), 1e-13);
  DGCell *ref = makeCell(s.tri(mPoint(0, 0), mPoint(1, 0), mPoint(0, 1)), 0);
  EXPECT_DOUBLE_EQ(ref->Volume(), 0.5);
}

TEST(CellProjection, PointLocationEvaluatesInsideAndLeavesValuesOutside) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  Shapes s;
  mEntity *e = s.tri(mPoint(0, 0), mPoint(2, 0), mPoint(0, 2));
  DGCell *cell = makeCell(e, 1);
  FunctionField field({[](double x, double y, double) { return 1 + 2 * x - y; }}, 1);
  cell->L2ProjInitial(&field);
  double value = -7;
  mVector grad(9, 9, 9);
  double u, v, w;
  EXPECT_TRUE(cell->inCell(mPoint(0.5, 0.25, 0), &value, u, v, w, &grad));
  EXPECT_NEAR(value, 1 + 1 - 0.25, 1e-13);
  EXPECT_NEAR(u, 0.25, 1e-12);
  EXPECT_NEAR(v, 0.125, 1e-12);
  EXPECT_NEAR(grad[0], 2, 1e-12);
  EXPECT_NEAR(grad[1], -1, 1e-12);
  value = -7;
  EXPECT_FALSE(cell->inCell(mPoint(1.5, 1.5, 0), &value, u, v, w, nullptr));
  EXPECT_EQ(value, -7);
}

TEST(CellProjection, FieldsReadThePointAndRegionFromTheRunState) {
  // Parameter-file expressions read the current point and region from the
  // run state: a field made of them projects to the same result.
  AdvectionLaw law(2);
  LawScope scope(&law);
  Shapes s;
  mEntity *e = s.tri(mPoint(0, 0), mPoint(2, 0), mPoint(0, 1));
  e->classify(s.mesh.getGEntity(42, 2));
  DGCell *cell = makeCell(e, 1);
  const SimulationState &state = GlobalParamManager::Instance()->parameters->state;
  FunctionField field({[&](double, double, double) { return state.X - 3 * state.Y; },
                       [&](double, double, double) { return double(state.region); }},
                      1);
  cell->L2ProjInitial(&field);
  double v[2];
  cell->interpolate(0.25, 0.5, 0, v);
  EXPECT_NEAR(v[0], 0.5 - 1.5, 1e-13);
  EXPECT_NEAR(v[1], 42, 1e-12);
  // Axisymmetric cells integrate one order higher.
  DGCell axi(e, spaceFor(e, 1), new CylindricalCoordinatesLagrangeMapping(e));
  EXPECT_EQ(axi.computeOrder(), cell->computeOrder() + 1);
}

// A parallelepiped or parallelogram whose last vertex carries a mesh
// generator's rounding (4e-13 of its size) is still affine: its mass matrix is taken as
// diagonal, every entry off the diagonal dropped, and the diagonal still
// inverts the computed mass matrix to the rounding's level. A trilinear
// hexahedron keeps its full inverse.
TEST(CellProjection, RoundedAffineCellsHaveADiagonalInverseMass) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  struct Case {
    const char *name;
    double skew;
    bool diagonal;
  };
  const Case cases[] = {{"hexahedron", 4e-13, true}, {"hexahedron", 0.05, false}, {"quadrilateral", 4e-13, true}};
  for (const Case &c : cases)
    for (int p : {2, 3}) {
      SCOPED_TRACE(std::string(c.name) + (c.diagonal ? " rounded" : " trilinear") + " order " + std::to_string(p));
      Shapes s;
      mEntity *e = std::string(c.name) == "hexahedron"
                       ? s.hex(mPoint(0.1, -0.2, 0.3), mVector(1, 0, 0), mVector(0, 0.75, 0), mVector(0, 0, 0.5),
                               mVector(c.skew, -c.skew, c.skew))
                       : s.quad(mPoint(0, 0), mPoint(1, 0), mPoint(1, 0.75 + c.skew), mPoint(0, 0.75));
      DGCell *cell = makeCell(e, p);
      const int n = cell->getFunctionSpace()->size();
      EXPECT_EQ(cell->massDiagonal, c.diagonal);
      double **M = allocateMatrix(n, n);
      massMatrix(cell->getFunctionSpace(), cell->getMapping(), e, M, 1.0);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          if (c.diagonal && i != j) {
            EXPECT_EQ(cell->invMassEntry(i, j), 0.0);
          }
          double sum = 0;
          for (int k = 0; k < n; ++k) sum += cell->invMassEntry(i, k) * M[k][j];
          EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-9);
        }
      freeMatrix(M);
    }
}
