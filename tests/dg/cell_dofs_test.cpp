// DG cells: coefficient levels and their times, the forward-Euler update,
// time interpolation, gradient sets, the stable step, the recovery block and
// the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "GaussIntegrator.h"
#include "Mapping.h"
#include "mTensor2.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// The reference triangle on its own.
struct RefTriangle {
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  mEntity *tri;
  RefTriangle() {
    mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
    mVertex *b = mesh.createVertex(2, 1, 0, 0, g);
    mVertex *c = mesh.createVertex(3, 0, 1, 0, g);
    tri = mesh.createFaceWithVertices(a, b, c, g);
  }
};

void fillLevel(DG_Dofs *d, int level, double base) {
  double *c = d->level(level);
  for (int i = 0; i < d->nbValues(); ++i) c[i] = base + i;
}

// Value i of a level; a level never written holds zeros.
double levelValue(const DG_Dofs *d, int level, int i) {
  const double *c = d->levelIfAny(level);
  return c ? c[i] : 0.0;
}

}  // namespace

TEST(CellDofs, UpdateMovesTheLevelsAndTheTimes) {
  struct Case {
    const char *what;
    double t0, dt;
    bool projection;
    double t, tprev;
  };
  const Case cases[] = {
      {"a step of 0.5", 2.0, 0.5, false, 2.5, 2.0},
      {"a real step of exactly 1", 2.0, 1.0, false, 3.0, 2.0},
      {"a projection", 2.0, 1.0, true, 2.0, 0.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DG_Dofs d(6, 2, 3);
    d.t = c.t0;
    for (int k = 0; k < 6; ++k) fillLevel(&d, k, 10.0 * k);
    const double dU[6] = {1, 2, 3, 4, 5, 6};
    d.update(dU, c.dt, c.projection);
    EXPECT_EQ(d.t, c.t);
    EXPECT_EQ(d.tprev, c.tprev);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(d.levels[1][i], i);           // the previous level 0
      EXPECT_EQ(d.levels[0][i], i + dU[i]);   // plus the increment
      for (int k = 2; k < 6; ++k) EXPECT_EQ(d.levelIfAny(k)[i], 10.0 * k + i);
    }
  }
  DG_Dofs fresh(6, 2, 3);
  EXPECT_EQ(fresh.t, 0.0);
  EXPECT_EQ(fresh.tprev, -1.0);
  for (int k = 0; k < 6; ++k)
    for (int i = 0; i < 6; ++i) EXPECT_EQ(levelValue(&fresh, k, i), 0.0);
  // Only levels 0 and 1 are stored at first; an auxiliary level is stored,
  // all zero, when first written, and a level beyond the count is refused.
  for (int k = 2; k < 6; ++k) EXPECT_EQ(fresh.levelIfAny(k), nullptr);
  double *aux = fresh.level(3);
  ASSERT_NE(aux, nullptr);
  EXPECT_EQ(fresh.levelIfAny(3), aux);
  EXPECT_EQ(fresh.levelIfAny(2), nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(aux[i], 0.0);
  EXPECT_EQ(fresh.level(3), aux);
  EXPECT_THROW(fresh.level(6), std::string);
  EXPECT_THROW(fresh.level(-1), std::string);
  EXPECT_THROW(DG_Dofs(6, 2, 40000), std::string);
}

TEST(CellDofs, ANewCellStartsEmpty) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  EXPECT_EQ(cell->rhs.size(), 6u);
  for (double r : cell->rhs) EXPECT_EQ(r, 0.0);
  EXPECT_EQ(cell->getCoefficients()->nLevels, 6);
  EXPECT_EQ(cell->t(), 0.0);
  EXPECT_EQ(cell->getCoefficients()->tprev, -1.0);
  EXPECT_EQ(cell->getTag(), 0);
  EXPECT_TRUE(cell->active);
  EXPECT_EQ(cell->jumpSum + cell->jumpWeight + cell->limiterMeasure, 0.0);
  EXPECT_EQ(cell->stencilMax.size(), 2u);
  // No error weight yet: no error (not 0 / 0).
  EXPECT_EQ(cell->getError(), 0.0);
  GaussIntegrator gauss(m.tri);
  EXPECT_EQ(cell->nbPtGauss(), gauss.nbIntegrationPoints(2));
  // Size measure of the triangle: |cross| over half the perimeter.
  EXPECT_NEAR(cell->size(), 2.0 - std::sqrt(2.0), 1e-15);
}

TEST(CellDofs, ForwardEulerAddsDtTimesTheInverseMassTimesTheResidual) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 2);
  const int n = cell->getFunctionSpace()->size();
  double **M = allocateMatrix(n, n);
  massMatrix(cell->getFunctionSpace(), cell->getMapping(), m.tri, M, 1.0);
  // rhs = M x field by field, so that M^-1 rhs = x.
  std::vector<double> x(2 * n);
  for (int i = 0; i < 2 * n; ++i) x[i] = std::cos(1.0 + i);
  auto setRhs = [&] {
    for (int f = 0; f < 2; ++f)
      for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j) s += M[i][j] * x[f * n + j];
        cell->rhs[f * n + i] = s;
      }
  };
  const double measure = x[0] * x[0] + x[n] * x[n];
  double t = 0;
  for (double dt : {0.25, 1.0, 0.5}) {
    SCOPED_TRACE(dt);
    std::vector<double> before(cell->getCoefficients()->levels[0], cell->getCoefficients()->levels[0] + 2 * n);
    setRhs();
    EXPECT_NEAR(cell->advanceInTime(dt), measure, 1e-12);
    t += dt;
    EXPECT_DOUBLE_EQ(cell->t(), t);
    for (int i = 0; i < 2 * n; ++i) {
      EXPECT_NEAR(cell->getCoefficients()->levels[0][i], before[i] + dt * x[i], 1e-12);
      EXPECT_EQ(cell->getCoefficients()->levels[1][i], before[i]);
    }
  }
  freeMatrix(M);
}

TEST(CellDofs, TimeInterpolationAndMeans) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  DG_Dofs *d = cell->getCoefficients();
  // Level 0 (at t = 3) is the constant 4, level 1 (at tprev = 1) the constant 2.
  d->levels[0][0] = 4;
  d->levels[1][0] = 2;
  d->t = 3;
  d->tprev = 1;
  struct Case {
    double t, interpolated, mean;
  };
  // interpolate: level 0 at t, level 1 at tprev; theMean: the opposite sense.
  const Case cases[] = {{3, 4, 2}, {1, 2, 4}, {2, 3, 3}};
  for (const Case &c : cases) {
    double v, mean;
    cell->interpolate(0.2, 0.3, 0.0, &v, c.t);
    cell->theMean(&mean, c.t);
    EXPECT_DOUBLE_EQ(v, c.interpolated) << "t = " << c.t;
    EXPECT_DOUBLE_EQ(mean, c.mean) << "t = " << c.t;
  }
  cell->beginTimeStep(5);
  EXPECT_EQ(d->t, 5);
  EXPECT_EQ(d->tprev, 5);
  for (double t : {0.0, 5.0, 9.0}) {
    double v, mean;
    cell->interpolate(0.2, 0.3, 0.0, &v, t);
    cell->theMean(&mean, t);
    EXPECT_EQ(v, 4);
    EXPECT_EQ(mean, 4);
  }
}

TEST(CellDofs, GradientEvaluationSelectsItsCoefficientSet) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  // Level k holds (k + 1) times the projection of x - 2y.
  FunctionField field({[](double x, double y, double) { return x - 2 * y; }}, 1);
  cell->L2ProjInitial(&field);
  DG_Dofs *d = cell->getCoefficients();
  // Auxiliary sets never written are zero: no gradient of their own, and
  // level 0 + level 2 is level 0.
  mVector plain;
  cell->dinterpolate(0.3, 0.3, 0.0, &plain, DGCell::LEVEL0);
  for (int g = 1; g < 6; ++g) {
    mVector grad(7, 8, 9);
    cell->dinterpolate(0.3, 0.3, 0.0, &grad, static_cast<DGCell::G_type>(g));
    const mVector expected = (g == DGCell::LEVEL0_PLUS_2) ? plain : mVector(0, 0, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(grad[i], expected[i]) << "set " << g;
  }
  for (int k = 1; k < 6; ++k) {
    double *c = d->level(k);
    for (int i = 0; i < 3; ++i) c[i] = (k + 1) * d->levels[0][i];
  }
  struct Case {
    int g;
    double scale;
  };
  const Case cases[] = {{0, 1}, {1, 1 + 3}, {2, 3}, {3, 4}, {4, 5}, {5, 6}};
  for (const Case &c : cases) {
    mVector grad;
    cell->dinterpolate(0.3, 0.3, 0.0, &grad, static_cast<DGCell::G_type>(c.g));
    EXPECT_NEAR(grad[0], c.scale, 1e-12) << "set " << c.g;
    EXPECT_NEAR(grad[1], -2 * c.scale, 1e-12) << "set " << c.g;
  }
  mVector untouched(7, 8, 9);
  cell->dinterpolate(0.3, 0.3, 0.0, &untouched, static_cast<DGCell::G_type>(7));
  EXPECT_EQ(untouched[0], 7);
  EXPECT_EQ(untouched[2], 9);
}

TEST(CellDofs, StableTimeStepOfTheReferenceTriangle) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  law.waveSpeed = 2.0;
  // cfl * size / ((2p + 1) * lambda), size = 2 - sqrt 2.
  const double expected = 0.5 * (2.0 - std::sqrt(2.0)) / (3 * 2.0);
  double dtmin = 1.0;
  cell->adaptTimeStep(0.5, dtmin);
  EXPECT_NEAR(dtmin, expected, 1e-16);
  const double kept[] = {expected, expected / 2};
  for (double k : kept) {
    double dt = k;
    cell->adaptTimeStep(0.5, dt);
    EXPECT_EQ(dt, k);
  }
  // No wave speed: an infinite or undefined candidate changes nothing.
  for (double lambda : {0.0, std::numeric_limits<double>::quiet_NaN()}) {
    law.waveSpeed = lambda;
    double dt = 0.3;
    cell->adaptTimeStep(0.5, dt);
    EXPECT_EQ(dt, 0.3);
  }
}

TEST(CellDofs, RecoveryBlockRoundTrip) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  double *c0 = cell->getCoefficients()->levels[0];
  c0[0] = 1;
  c0[1] = 0.5;
  c0[2] = -0.25;
  std::ostringstream os;
  cell->write(os);
  EXPECT_EQ(os.str(), "1 1 0.5 -0.25 ");

  RefTriangle m2;
  DGCell *other = makeCell(m2.tri, 1);
  other->getCoefficients()->t = 4;
  std::istringstream is(os.str());
  other->read(is);
  const DG_Dofs *d = other->getCoefficients();
  EXPECT_EQ(d->levels[0][0], 1);
  EXPECT_EQ(d->levels[0][1], 0.5);
  EXPECT_EQ(d->levels[0][2], -0.25);
  for (int k = 1; k < 6; ++k)
    for (int i = 0; i < 3; ++i) EXPECT_EQ(levelValue(d, k, i), 0.0);
  EXPECT_EQ(d->t, 0);
  EXPECT_EQ(d->tprev, -1);

  // The recovery writer's 16-digit scientific format restores every digit.
  c0[1] = 1.0 / 3.0;
  std::ostringstream precise;
  precise << std::scientific << std::setprecision(16);
  cell->write(precise);
  std::istringstream back(precise.str());
  other->read(back);
  EXPECT_EQ(other->getCoefficients()->levels[0][1], 1.0 / 3.0);
}

TEST(CellDofs, ReadingABlockOfAnotherOrderRebuildsTheCell) {
  AdvectionLaw law(2);
  LawScope scope(&law);
  RefTriangle m;
  DGCell *cell = makeCell(m.tri, 1);
  // Order 2 with two fields: the constants 3 and -1.
  std::istringstream is("2 3 0 0 0 0 0 -1 0 0 0 0 0 ");
  cell->read(is);
  const int n = 6;
  ASSERT_EQ(cell->getFunctionSpace()->order(), 2);
  EXPECT_EQ(cell->rhs.size(), 12u);
  GaussIntegrator gauss(m.tri);
  EXPECT_EQ(cell->nbPtGauss(), gauss.nbIntegrationPoints(4));
  EXPECT_EQ(cell->pt(0)->nbFcts, n);
  double **M = allocateMatrix(n, n);
  massMatrix(cell->getFunctionSpace(), cell->getMapping(), m.tri, M, 1.0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double s = 0;
      for (int k = 0; k < n; ++k) s += cell->invMassEntry(i, k) * M[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12);
    }
  freeMatrix(M);
  double v[2];
  cell->interpolate(0.1, 0.7, 0.0, v);
  EXPECT_NEAR(v[0], 3, 1e-14);
  EXPECT_NEAR(v[1], -1, 1e-14);
  // An update uses arrays of the new size throughout.
  for (int i = 0; i < 12; ++i) cell->rhs[i] = 0.0;
  EXPECT_EQ(cell->advanceInTime(0.1), 0.0);
}

TEST(CellDofs, DamagedBlocksAndImpossibleCellsAreRefused) {
  AdvectionLaw law(1);
  {
    LawScope scope(&law);
    RefTriangle m;
    DGCell *cell = makeCell(m.tri, 1);
    for (const char *text : {"1 1 0.5", "x 1 2 3", "9 1 2 3"}) {
      std::istringstream is(text);
      EXPECT_THROW(cell->read(is), std::string) << text;
    }
  }
  // No law, and laws with no field or too many fields.
  RefTriangle m;
  EXPECT_THROW(makeCell(m.tri, 1), std::string);
  for (int fields : {0, 257}) {
    AdvectionLaw wide(fields);
    LawScope scope(&wide);
    try {
      makeCell(m.tri, 1);
      ADD_FAILURE() << fields << " fields accepted";
    } catch (const std::string &msg) {
      EXPECT_NE(msg.find("256"), std::string::npos) << msg;
    }
  }
  AdvectionLaw widest(256);
  LawScope scope(&widest);
  EXPECT_NO_THROW(makeCell(m.tri, 0));
}

namespace {

// A quadrilateral with its corners where given.
mEntity *quadAt(mMesh &mesh, const double (&x)[4][2]) {
  gEntity *g = mesh.getGEntity(1, 2);
  mVertex *v[4];
  for (int i = 0; i < 4; ++i) v[i] = mesh.createVertex(i + 1, x[i][0], x[i][1], 0, g);
  return mesh.createFaceWithVertices(v[0], v[1], v[2], v[3], g);
}

}  // namespace

// An orthogonal basis on an affine element has a diagonal mass matrix: the
// update then takes the diagonal alone (from its first entry and the ratios
// of the reference integrals), with the result of the full product.
TEST(CellDofs, DiagonalMassOnAffineElementsOnly) {
  AdvectionLaw law(3);
  LawScope scope(&law);
  struct Case {
    const char *what;
    double x[4][2];  // corners; a triangle uses the first three
    bool triangle, diagonal;
  };
  const Case cases[] = {
      {"skew triangle", {{0, 0}, {2, 0.5}, {0.3, 1.1}, {0, 0}}, true, true},
      {"parallelogram", {{0, 0}, {2, 0}, {2.5, 1}, {0.5, 1}}, false, true},
      {"trapezoid", {{0, 0}, {2, 0}, {1.5, 1}, {0.5, 1}}, false, false},
  };
  for (const Case &c : cases) {
    for (int order = 1; order <= 4; ++order) {
      SCOPED_TRACE(std::string(c.what) + " order " + std::to_string(order));
      mMesh mesh(1);
      mEntity *e;
      if (c.triangle) {
        gEntity *g = mesh.getGEntity(1, 2);
        mVertex *a = mesh.createVertex(1, c.x[0][0], c.x[0][1], 0, g);
        mVertex *b = mesh.createVertex(2, c.x[1][0], c.x[1][1], 0, g);
        mVertex *d = mesh.createVertex(3, c.x[2][0], c.x[2][1], 0, g);
        e = mesh.createFaceWithVertices(a, b, d, g);
      } else {
        e = quadAt(mesh, c.x);
      }
      DGCell *cell = makeCell(e, order);
      EXPECT_EQ(cell->massDiagonal, c.diagonal);
      // The diagonal is then also the first entry times the reference ratios.
      EXPECT_EQ(cell->massScaled, c.diagonal);
      const int n = cell->nbFcts, N = 3 * n;
      for (int i = 0; i < N; ++i) cell->rhs[i] = std::sin(1.0 + i);
      std::vector<double> out(N);
      const double r = cell->computeInvMassMatrixMultRHSDT(0.5, out.data());
      // The full product, by hand. The off-diagonal entries left out are at
      // most 1e-13 of the largest diagonal one: so is the difference, per
      // unit of the right-hand side.
      double diagonal = 0.0;
      for (int i = 0; i < n; ++i) diagonal = std::max(diagonal, std::fabs(cell->invMassEntry(i, i)));
      double expectedR = 0.0;
      for (int f = 0; f < 3; ++f) {
        double b = 0.0;
        for (int j = 0; j < n; ++j) b += std::fabs(cell->rhs[f * n + j]);
        for (int i = 0; i < n; ++i) {
          double s = 0.0;
          for (int j = 0; j < n; ++j) s += cell->invMassEntry(i, j) * cell->rhs[f * n + j];
          if (i == 0) expectedR += s * s;
          EXPECT_NEAR(out[f * n + i], 0.5 * s, 0.5e-13 * diagonal * b + 1e-14 * std::fabs(s));
        }
      }
      EXPECT_NEAR(r, expectedR, 1e-13 * expectedR);
    }
  }
}

// A parallelogram whose corners carry rounding (thirds, sevenths) has a
// bilinear map whose Jacobian changes in the last bits from point to point:
// the cell still keeps one inverse Jacobian and one determinant, and every
// point's physical gradients stay within 1e-12 of those of its own exact
// Jacobian. A corner moved by 1e-9 of the size, or a trapezoid, keeps one
// inverse per point.
TEST(CellDofs, OneJacobianOnParallelogramsWithRoundedCorners) {
  AdvectionLaw law(1);
  LawScope scope(&law);
  const double a = 1.0 / 3.0, b = 2.0 / 7.0, s = 0.1 / 3.0;
  struct Case {
    const char *what;
    double x[4][2];
    bool affine;
  };
  const Case cases[] = {
      {"rounded parallelogram", {{a, b}, {a + 3 * s, b + s}, {a + 4 * s, b + 3 * s}, {a + s, b + 2 * s}}, true},
      {"corner moved by 1e-9", {{a, b}, {a + 3 * s, b + s}, {a + 4 * s, b + 3 * s + 1e-10}, {a + s, b + 2 * s}},
       false},
      {"trapezoid", {{0, 0}, {2, 0}, {1.5, 1}, {0.5, 1}}, false},
  };
  for (const Case &c : cases) {
    for (int order = 1; order <= 3; ++order) {
      SCOPED_TRACE(std::string(c.what) + " order " + std::to_string(order));
      mMesh mesh(1);
      DGCell *cell = makeCell(quadAt(mesh, c.x), order);
      EXPECT_EQ(cell->affine, c.affine);
      EXPECT_EQ(cell->jacInverses.size(), c.affine ? 9u : 9u * cell->nbPtGauss());
      const int n = cell->nbFcts;
      std::vector<mVector> kept(n);
      bool bitsDiffer = false;
      KORA::mTensor2 first(0.0);
      double firstDet = 0.0;
      for (int k = 0; k < cell->nbPtGauss(); ++k) {
        KORA::mTensor2 t(0.0);
        const RulePoint &q = cell->rule[k];
        const double det = cell->mapping->jacInverse(q.u, q.v, q.w, t);
        if (k == 0) {
          first = t;
          firstDet = det;
        }
        for (int i = 0; i < 3; ++i)
          for (int j = 0; j < 3; ++j) bitsDiffer = bitsDiffer || t(i, j) != first(i, j);
        bitsDiffer = bitsDiffer || det != firstDet;
        EXPECT_NEAR(cell->gaussPoints[k].jacDet, det, 1e-12 * std::fabs(det));
        cell->physicalGradients(k, kept.data());
        const mVector *g = cell->gaussPoints[k].refGrads;
        for (int j = 0; j < n; ++j)
          for (int i = 0; i < 3; ++i) {
            const double exact = t(i, 0) * g[j](0) + t(i, 1) * g[j](1) + t(i, 2) * g[j](2);
            EXPECT_NEAR(kept[j](i), exact, 1e-12 * (std::fabs(exact) + 1.0));
          }
      }
      // The rounded parallelogram is a real case: its exact Jacobians differ.
      if (c.affine && order > 1) {
        EXPECT_TRUE(bitsDiffer);
      }
    }
  }
}
