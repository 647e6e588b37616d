// Single passes of the residual assembly: sources of order-0 cells, face
// contributions restricted to the sides of a level with the boundary tag
// published to the run state, the gradient lifting and its correction, and the
// full assembly of a law that needs higher-order gradients.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DGAnalysisPasses.h"
#include "Euler.h"
#include "FaceTensor.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

LambdaField &zeroField() {
  static LambdaField f([](const mPoint &, double, double *u) { u[0] = u[1] = u[2] = 0.0; }, 0);
  return f;
}

TEST(AnalysisPasses, VolumeSourceReachesEveryCellKindAndOrder) {
  struct Case {
    const char *name;
    int dim, order;
    bool quads = false;
  };
  for (const Case &c : {Case{"tri p0", 2, 0}, Case{"tri p1", 2, 1}, Case{"tet p0", 3, 0}, Case{"tet p1", 3, 1},
                        Case{"quad p1", 2, 1, true}, Case{"quad p3", 2, 3, true}}) {
    SpeedLaw *law = new SpeedLaw(1, &zeroField());
    law->source = 2.5;
    ContextScope scope(law, c.dim == 2 ? grid2d(2, 2, c.quads, wavy) : grid3d(2, wavy));
    DGAnalysis a;
    a.init(c.order, 1);
    a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
    for (const DGCell *cell : a.cells) {
      // The integral of the source against the constant is 2.5 x volume;
      // the other functions are orthogonal to the constant.
      EXPECT_NEAR(cell->rhs[0], 2.5 * cell->Volume(), 1e-14) << c.name;
      for (std::size_t j = 1; j < cell->rhs.size(); ++j) EXPECT_NEAR(cell->rhs[j], 0.0, 1e-14) << c.name;
    }
  }
}

// The volume pass against its definition, sum over the points of
// w detJ (F(u) . grad phi_j + S phi_j), on curved quadrilaterals (where the
// pass goes one direction at a time) of every order up to one beyond those
// with sizes fixed at compile time, and on triangles.
TEST(AnalysisPasses, VolumeIntegralsMatchTheirQuadrature) {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 0.7; a[1] = -1.3; a[2] = 0.0; }, 0);
  static LambdaField field([](const mPoint &p, double, double *u) {
    u[0] = std::sin(2 * p.x()) + p.x() * p.y() * p.y();
  }, 3);
  for (bool quads : {true, false})
    for (int order = 1; order <= 5; ++order) {
      SCOPED_TRACE(testing::Message() << (quads ? "quads" : "triangles") << " p" << order);
      ContextScope scope(new ScalarLaw(&field, &velocity, nullptr), grid2d(3, 3, quads, wavy));
      DGAnalysis a;
      a.init(order, 1);
      const ConservationLaw *law = GlobalParamManager::Instance()->law;
      ComputeVolumeContributionInviscid volume{};
      volume.n = 1;
      volume.level = -1;
      volume.law = law;
      for (DGCell *cell : a.cells) {
        std::fill(cell->rhs.begin(), cell->rhs.end(), 0.0);
        volume(cell);
        const int nb = cell->getFunctionSpace()->size(), K = cell->nbPtGauss();
        std::vector<double> expected(nb, 0.0);
        std::vector<mVector> dphi(nb);
        for (int k = 0; k < K; ++k) {
          const RulePoint &rp = cell->rule[k];
          double U[1], x, y, z;
          cell->interpolate(rp.u, rp.v, rp.w, U);
          cell->getMapping()->eval(rp.u, rp.v, rp.w, x, y, z);
          mVector F[1];
          law->Fi(mPoint(x, y, z), U, F);
          cell->physicalGradients(k, dphi.data());
          const double w = rp.weight * cell->gaussPoints[k].jacDet;
          for (int j = 0; j < nb; ++j) expected[j] += w * (F[0] * dphi[j]);
        }
        for (int j = 0; j < nb; ++j) EXPECT_NEAR(cell->rhs[j], expected[j], 1e-13) << "function " << j;
      }
    }
}

// The face states and face integrals against their definition: at every
// face point each side's state is the sum over its basis, and each side's
// residual takes -+ w J F phi_j of the numerical flux of those states. On
// curved quadrilaterals, whose faces go one direction at a time (faces of
// every orientation, orders up to one beyond the sizes fixed at compile
// time), and on triangles, which take the general path.
TEST(AnalysisPasses, FaceStatesAndIntegralsMatchTheirQuadrature) {
  static LambdaField far([](const mPoint &, double, double *u) {
    u[0] = 1.2; u[1] = 0.36; u[2] = -0.24; u[3] = 2.6;
  }, 0);
  const std::map<int, bc> farOnly;
  for (bool quads : {true, false})
    for (int order = 1; order <= 5; ++order) {
      SCOPED_TRACE(testing::Message() << (quads ? "quads" : "triangles") << " p" << order);
      ContextScope scope(new Euler2d(false, farOnly, &far, false, false, 1.4, 287.0, 0, nullptr, nullptr),
                         grid2d(3, 3, quads, wavy));
      DGAnalysis a;
      a.init(order, 1);
      const ConservationLaw *law = GlobalParamManager::Instance()->law;
      // A state that varies within and between the cells (density and
      // pressure stay positive).
      for (std::size_t c = 0; c < a.cells.size(); ++c) {
        DGCell *cell = a.cells[c];
        const int nb = cell->nbFcts;
        for (int f = 0; f < 4; ++f)
          for (int j = 0; j < nb; ++j)
            cell->coef0[f * nb + j] = j == 0 ? std::vector<double>{1.2, 0.36, -0.24, 2.6}[f] * (1.0 + 0.1 * std::sin(c + f))
                                             : 0.02 * std::cos(3.0 * c + 7.0 * j + f);
      }
      a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
      std::map<const DGCell *, std::vector<double>> residual;
      for (const DGCell *cell : a.cells) residual[cell].assign(cell->rhs.begin(), cell->rhs.end());
      // The volume part alone, then the face integrals by hand.
      ComputeVolumeContributionInviscid volume{};
      volume.n = 4;
      volume.level = -1;
      volume.law = law;
      volume.zeroFirst = 4;
      for (DGCell *cell : a.cells) volume(cell);
      double scale = 0.0;
      for (const DGBoundaryCell *face : a.boundaryCells) {
        DGCell *L, *R;
        face->sideCells(L, R);
        ASSERT_TRUE(face->tensors);
        EXPECT_EQ(face->tensors->L != nullptr, quads);
        auto stateOf = [](const DGCell *c, const BasisRow &phi, double *U) {
          for (int f = 0; f < 4; ++f) {
            U[f] = 0.0;
            for (int j = 0; j < c->nbFcts; ++j) U[f] += c->coef0[f * c->nbFcts + j] * phi[j];
          }
        };
        for (const ptGaussInfo &g : face->gaussPoints) {
          double UL[4], UR[4], FL[4], FR[4];
          stateOf(L, g.fctsL, UL);
          for (int f = 0; f < 4; ++f) EXPECT_NEAR(g.UL[f], UL[f], 1e-13 * (1.0 + std::fabs(UL[f])));
          if (R) {
            stateOf(R, g.fctsR, UR);
            for (int f = 0; f < 4; ++f) EXPECT_NEAR(g.UR[f], UR[f], 1e-13 * (1.0 + std::fabs(UR[f])));
            law->riemannSolver(g.n, g.x, UL, UR, FL, FR);
          } else {
            law->boundaryFlux(g.n, face->modelTag, g.x, UL, FL, 0.0);
          }
          for (int f = 0; f < 4; ++f)
            for (int j = 0; j < L->nbFcts; ++j) {
              L->rhs[f * L->nbFcts + j] -= g.JacW * FL[f] * g.fctsL[j];
              if (R) R->rhs[f * R->nbFcts + j] += g.JacW * FR[f] * g.fctsR[j];
            }
        }
      }
      for (const DGCell *cell : a.cells)
        for (double r : cell->rhs) scale = std::max(scale, std::fabs(r));
      for (const DGCell *cell : a.cells)
        for (std::size_t j = 0; j < cell->rhs.size(); ++j)
          ASSERT_NEAR(residual[cell][j], cell->rhs[j], 1e-12 * scale) << "entry " << j;
    }
}

// Two quadrilaterals side by side: left cell at level 1, right cell at level 2.
TEST(AnalysisPasses, FaceTermsReachOnlyTheSidesOfTheLevel) {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1.0; a[1] = 0.4; a[2] = 0.0; }, 0);
  static LambdaField field([](const mPoint &p, double, double *u) { u[0] = 1.0 + p.x() * p.y(); }, 2);
  ContextScope scope(new ScalarLaw(&field, &velocity, nullptr), grid2d(2, 1, true));
  DGAnalysis a;
  a.init(1, 1);
  // Reference: the residual of every cell at once.
  a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
  DGCell *left = a.cells[0], *right = a.cells[1];
  {
    double x, y, z;
    left->getMapping()->eval(0, 0, 0, x, y, z);
    if (x > 0.5) std::swap(left, right);
  }
  const std::vector<double> leftAll(left->rhs.begin(), left->rhs.end());
  left->setTag(1);
  right->setTag(2);
  a.tagBoundaryCells(true, 2);
  std::fill(right->rhs.begin(), right->rhs.end(), 7.0);
  a.cSpatialOperator(0.0, 1, a.cells, a.boundaryCells);
  for (std::size_t j = 0; j < leftAll.size(); ++j) EXPECT_NEAR(left->rhs[j], leftAll[j], 1e-14);
  for (double r : right->rhs) EXPECT_EQ(r, 7.0);
}

TEST(AnalysisPasses, BoundaryFluxSeesTheFaceTagAsCurrentRegion) {
  SpeedLaw *law = new SpeedLaw(1, &zeroField());
  ContextScope scope(law, grid2d(2, 1, true));
  DGAnalysis a;
  a.init(0, 1);
  DGCell *left = a.cells[0], *right = a.cells[1];
  {
    double x, y, z;
    left->getMapping()->eval(0, 0, 0, x, y, z);
    if (x > 0.5) std::swap(left, right);
  }
  left->setTag(1);
  right->setTag(2);
  a.tagBoundaryCells(true, 2);
  law->seen.clear();
  a.cSpatialOperator(0.75, 1, a.cells, a.boundaryCells);
  std::set<int> tags;
  for (const SpeedLaw::BoundaryCall &c : law->seen) {
    EXPECT_EQ(c.region, c.tag);
    EXPECT_EQ(c.t, 0.75);
    tags.insert(c.tag);
  }
  // The left cell's bottom, top and left sides; the right cell's are not of the level.
  EXPECT_EQ(tags, (std::set<int>{1, 3, 4}));
}

TEST(AnalysisPasses, LiftingOfAJumpSubtractsOnBothSides) {
  ContextScope scope(new SpeedLaw(1, &zeroField()), grid2d(2, 1, true));
  DGAnalysis a;
  a.init(1, 1);
  DGCell *left = a.cells[0], *right = a.cells[1];
  {
    double x, y, z;
    left->getMapping()->eval(0, 0, 0, x, y, z);
    if (x > 0.5) std::swap(left, right);
  }
  // Constant 0 on the left, 1 on the right: a unit jump on the shared face
  // (length 1, cells of width 0.5).
  right->dofs->levels[0][0] = 1.0;
  a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
  ZeroRHS zero{1, -1};
  applyToAll(a.cells, zero);
  ComputeHigherOrderGradients lift{0.0, -1, 1};
  applyToAll(a.boundaryCells, lift);
  // -(1/2)(uL - uR) times the normal derivative of L1(u), 2 / 0.5, over the
  // face: 2 on both sides; the functions without an x derivative get 0.
  const double expected[4] = {0.0, 2.0, 0.0, 0.0};
  for (int j = 0; j < 4; ++j) {
    EXPECT_NEAR(left->rhs[j], expected[j], 1e-13) << j;
    EXPECT_NEAR(right->rhs[j], expected[j], 1e-13) << j;
  }
  // A continuous field lifts nothing.
  right->dofs->levels[0][0] = 0.0;
  a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
  applyToAll(a.cells, zero);
  applyToAll(a.boundaryCells, lift);
  for (const DGCell *c : a.cells)
    for (double r : c->rhs) EXPECT_EQ(r, 0.0);
}

TEST(AnalysisPasses, CorrectionSolvesTheStiffnessSystem) {
  for (int order : {0, 1}) {
    ContextScope scope(new SpeedLaw(1, &zeroField()), grid2d(2, 2, true, [](double x, double y, double) {
                         return mPoint(x + 0.2 * y, y, 0.0);
                       }));
    DGAnalysis a;
    a.init(order, 0);
    for (DGCell *c : a.cells)
      for (std::size_t j = 0; j < c->rhs.size(); ++j) c->rhs[j] = 0.5 + j;
    ComputeHigherOrderGradientsCorrection correct{1, 2};
    applyToAll(a.cells, correct);
    for (const DGCell *c : a.cells) {
      const int nb = c->getFunctionSpace()->size();
      const double *g = c->dofs->levelIfAny(2);
      ASSERT_NE(g, nullptr);  // the correction writes it
      if (order == 0) {
        EXPECT_EQ(g[0], c->rhs[0]);  // K is the 1 x 1 matrix (1)
        continue;
      }
      // K g = r with K the stiffness matrix whose first entry is 1.
      std::vector<mVector> grads(nb);
      KORA::GaussIntegrator gauss(c->getEntity());
      for (int i = 0; i < nb; ++i) {
        double Kg = (i == 0) ? g[0] : 0.0;
        for (int k = 0; k < gauss.nbIntegrationPoints(2 * order); ++k) {
          double u, v, w, weight;
          gauss.iPoint(k, 2 * order, u, v, w, weight);
          const double det = c->getFunctionSpace()->grads(u, v, w, c->getMapping(), grads);
          mVector gg(0, 0, 0);
          for (int j = 0; j < nb; ++j) gg += grads[j] * g[j];
          Kg += (grads[i] * gg) * det * weight;
        }
        EXPECT_NEAR(Kg, c->rhs[i], 1e-11) << i;
      }
    }
  }
}

TEST(AnalysisPasses, ViscousLawKeepsAConstantState) {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1.0; a[1] = 0.5; a[2] = 0.0; }, 0);
  static LambdaField two([](const mPoint &, double, double *u) { u[0] = 2.0; }, 0);
  testing::internal::CaptureStdout();
  ContextScope scope(new advectionDiffusion(&two, &velocity, nullptr, nullptr, 3.0), grid2d(3, 3, false, wavy));
  testing::internal::GetCapturedStdout();
  DGAnalysis a;
  a.init(1, 1);
  a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
  for (const DGCell *c : a.cells) {
    for (double r : c->rhs) EXPECT_NEAR(r, 0.0, 1e-12);
    for (int j = 0; j < c->getFunctionSpace()->size(); ++j) EXPECT_NEAR(c->dofs->levelIfAny(2)[j], 0.0, 1e-12);
  }
  // Face states carry the value and its (zero) gradient.
  for (const DGBoundaryCell *f : a.boundaryCells)
    for (const ptGaussInfo &g : f->gaussPoints) {
      ASSERT_GE(g.nUL, 4);
      EXPECT_NEAR(g.UL[0], 2.0, 1e-13);
      for (int c = 1; c < 4; ++c) EXPECT_NEAR(g.UL[c], 0.0, 1e-11);
    }
}

// Only a law with gradient lifting writes an auxiliary coefficient level (level
// 2, the corrected gradients); no other run stores any.
TEST(AnalysisPasses, AuxiliaryLevelsAreStoredOnlyWhenTheLawLifts) {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1.0; a[1] = 0.5; a[2] = 0.0; }, 0);
  static LambdaField two([](const mPoint &, double, double *u) { u[0] = 2.0; }, 0);
  for (const bool lifting : {false, true}) {
    SCOPED_TRACE(lifting ? "lifting" : "inviscid");
    testing::internal::CaptureStdout();
    ConservationLaw *law = lifting ? static_cast<ConservationLaw *>(
                                         new advectionDiffusion(&two, &velocity, nullptr, nullptr, 3.0))
                                   : new SpeedLaw(1, &zeroField());
    ContextScope scope(law, grid2d(2, 2, false, wavy));
    testing::internal::GetCapturedStdout();
    DGAnalysis a;
    a.init(1, 1);
    a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
    for (const DGCell *c : a.cells) {
      EXPECT_EQ(c->dofs->levelIfAny(2) != nullptr, lifting);
      for (int k = 3; k < c->dofs->nLevels; ++k) EXPECT_EQ(c->dofs->levelIfAny(k), nullptr);
    }
  }
}

}  // namespace
