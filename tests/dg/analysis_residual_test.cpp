// Residual assembly and time advance checked against exact solutions:
// linear exactness of scalar advection (global and local time stepping),
// free-stream preservation of the Euler laws on distorted meshes, and
// conservation of mass and energy in closed domains.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>

#include "Euler.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"

using namespace antest;

namespace {

// u_t + a . grad u = 0 with a = (1, 0.5): u = 1 + 2x - 3y - 0.5 t is exact.
double linearExact(const mPoint &p, double t) { return 1.0 + 2.0 * p.x() - 3.0 * p.y() - 0.5 * t; }

ScalarLaw *linearAdvection() {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1.0; a[1] = 0.5; a[2] = 0.0; }, 0);
  static LambdaField exact([](const mPoint &p, double t, double *u) { u[0] = linearExact(p, t); }, 1);
  return new ScalarLaw(&exact, &velocity, &exact);
}

// Largest difference between the solution and the exact field at every
// volume quadrature point of every cell.
double linearError(const DGAnalysis &a, double t) {
  double err = 0.0;
  for (const DGCell *c : a.cells) {
    const int nb = c->getFunctionSpace()->size();
    for (int k = 0; k < c->nbPtGauss(); ++k) {
      double u = 0.0;
      for (int j = 0; j < nb; ++j) u += c->dofs->levels[0][j] * c->pt(k)->phi[j];
      err = std::max(err, std::fabs(u - linearExact(volumePoint(c, k), t)));
    }
  }
  return err;
}

mPoint sheared(double x, double y, double) { return mPoint(x + 0.3 * y, 0.8 * y, 0.0); }
mPoint jiggled(double x, double y, double z) { return wavy(x, y, z); }
// Cells shrink geometrically towards x = 0: stable steps spread over several levels.
mPoint graded(double x, double y, double) { return mPoint(x * x * x, y, 0.0); }

struct LinearCase {
  const char *name;
  bool quads;
  int order;
  int mode;   // 1: power-of-two levels, 2: goal-step substeps
  int nbSub;  // levels of mode 1
  PointMap map;
};

class LinearExactness : public ::testing::TestWithParam<LinearCase> {};

TEST_P(LinearExactness, TenStepsReproduceTheExactLinearField) {
  const LinearCase &c = GetParam();
  ContextScope scope(linearAdvection(), grid2d(6, 5, c.quads, c.map));
  DGParameters &p = scope.param();
  p.time.cflMax = 0.4;
  p.time.mode = c.mode;
  p.time.nbSub = c.nbSub;
  DGAnalysis a;
  a.init(c.order, 1);
  int M;
  computeSequense(a.levelSequence, c.nbSub, M);
  if (c.mode == 2) {
    double smin = 1e30;
    a.computeTimeStep(smin, 0.5 * p.time.cflMax);
    p.time.dtRef = 7.5 * smin;  // several substeps per goal step
  }
  ASSERT_LT(linearError(a, 0.0), 1e-12);
  for (int step = 0; step < 10; ++step) {
    double gain = 0.0, macro = 0.0;
    if (c.mode == 1)
      a.localTimeStepping(gain, macro);
    else
      a.localTimeStepping_Version2(gain, macro);
    EXPECT_GE(gain, 1.0);
    p.state.t += macro;
    // Every cell ends the macro step at the same time and stays active.
    for (const DGCell *cell : a.cells) {
      ASSERT_NEAR(cell->t(), p.state.t, 1e-12 * (1.0 + p.state.t));
      ASSERT_TRUE(cell->active);
    }
  }
  EXPECT_LT(linearError(a, p.state.t), 1e-12) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Assembly, LinearExactness,
    ::testing::Values(LinearCase{"tri_p1", false, 1, 1, 1, jiggled}, LinearCase{"tri_p2", false, 2, 1, 1, jiggled},
                      LinearCase{"quad_p1", true, 1, 1, 1, sheared}, LinearCase{"quad_p2", true, 2, 1, 1, sheared},
                      LinearCase{"tri_p1_levels3", false, 1, 1, 3, graded},
                      LinearCase{"quad_p2_levels2", true, 2, 1, 2, graded},
                      LinearCase{"tri_p1_substeps", false, 1, 2, 1, graded},
                      LinearCase{"quad_p1_substeps", true, 1, 2, 1, graded}),
    [](const ::testing::TestParamInfo<LinearCase> &i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------
// Free stream

const double kFree2d[4] = {1.2, 1.2 * 0.3, 1.2 * -0.2, 1.0 / 0.4 + 0.5 * 1.2 * (0.09 + 0.04)};
const double kFree3d[5] = {0.9, 0.9 * 0.3, 0.9 * -0.2, 2.0 / 0.4 + 0.5 * 0.9 * (0.09 + 0.04 + 0.25), 0.9 * 0.5};

double largestResidual(const DGAnalysis &a) {
  double r = 0.0;
  for (const DGCell *c : a.cells)
    for (double v : c->rhs) r = std::max(r, std::fabs(v));
  return r;
}

struct FreeStreamCase {
  const char *name;
  int dim;
  bool quads;
  int order;
};

class FreeStream : public ::testing::TestWithParam<FreeStreamCase> {};

TEST_P(FreeStream, UniformStateHasZeroResidualOnADistortedMesh) {
  const FreeStreamCase &c = GetParam();
  ConservationLaw *law;
  mMesh *mesh;
  const std::map<int, bc> farOnly;  // empty map: every boundary face is far field
  if (c.dim == 2) {
    static LambdaField far([](const mPoint &, double, double *u) { std::copy(kFree2d, kFree2d + 4, u); }, 0);
    law = new Euler2d(false, farOnly, &far, false, false, 1.4, 287.0, 0, nullptr, nullptr);
    // Triangles take the smooth distortion; quadrilaterals are sheared
    // (non-affine ones place their face points by an iterative inversion
    // whose tolerance is far above round-off).
    mesh = grid2d(5, 4, c.quads, c.quads ? sheared : jiggled);
  } else {
    static LambdaField far([](const mPoint &, double, double *u) { std::copy(kFree3d, kFree3d + 5, u); }, 0);
    law = new Euler3dRoe(false, farOnly, &far, false, 1.4, 287.0, nullptr, nullptr);
    mesh = grid3d(3, wavy);
  }
  ContextScope scope(law, mesh);
  DGAnalysis a;
  a.init(c.order, 1);
  ASSERT_FALSE(a.cells.empty());
  a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
  EXPECT_LT(largestResidual(a), 1e-12) << c.name;
  // One update keeps the state uniform.
  a.forwardEuler(1e-3, a.cells, -1);
  const double *ref = c.dim == 2 ? kFree2d : kFree3d;
  for (const DGCell *cell : a.cells) {
    const int nb = cell->getFunctionSpace()->size();
    for (int f = 0; f < cell->nbFields(); ++f)
      for (int j = 0; j < nb; ++j)
        ASSERT_NEAR(cell->dofs->levels[0][f * nb + j], j == 0 ? ref[f] : 0.0, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(Assembly, FreeStream,
                         ::testing::Values(FreeStreamCase{"tri_p1", 2, false, 1},
                                           FreeStreamCase{"tri_p2", 2, false, 2},
                                           FreeStreamCase{"quad_p1", 2, true, 1}, FreeStreamCase{"quad_p2", 2, true, 2},
                                           FreeStreamCase{"tet_p1", 3, false, 1},
                                           FreeStreamCase{"tet_p0", 3, false, 0}),
                         [](const ::testing::TestParamInfo<FreeStreamCase> &i) {
                           return std::string(i.param.name);
                         });

// ---------------------------------------------------------------------------
// Conservation

// Random admissible order-1 Euler state: means of density, velocity and
// pressure drawn in safe ranges, small random slopes.
void randomEulerState(DGAnalysis &a, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> U(0.0, 1.0);
  for (DGCell *c : a.cells) {
    const int nb = c->getFunctionSpace()->size();
    const double rho = 1.0 + U(gen), u = 0.6 * U(gen) - 0.3, v = 0.6 * U(gen) - 0.3, p = 1.0 + U(gen);
    const double mean[4] = {rho, rho * u, rho * v, p / 0.4 + 0.5 * rho * (u * u + v * v)};
    double *c0 = c->dofs->levels[0];
    for (int f = 0; f < 4; ++f) {
      c0[f * nb] = mean[f];
      for (int j = 1; j < nb; ++j) c0[f * nb + j] = 0.02 * mean[f] * (U(gen) - 0.5);
    }
  }
}

TEST(AnalysisConservation, EulerInAClosedBoxKeepsMassAndEnergy) {
  for (bool quads : {false, true}) {
    static LambdaField far([](const mPoint &, double, double *u) { std::copy(kFree2d, kFree2d + 4, u); }, 0);
    const std::map<int, bc> walls = {{1, bc(1)}, {2, bc(1)}, {3, bc(1)}, {4, bc(1)}};
    ContextScope scope(new Euler2d(false, walls, &far, false, false, 1.4, 287.0, 0, nullptr, nullptr),
                       grid2d(6, 6, quads, jiggled));
    scope.param().time.cflMax = 0.1;
    DGAnalysis a;
    a.init(1, 1);
    randomEulerState(a, 7);
    const double mass0 = totalIntegral(a, 0), energy0 = totalIntegral(a, 3);
    int M;
    computeSequense(a.levelSequence, 1, M);
    for (int step = 0; step < 50; ++step) {
      double gain, macro;
      a.localTimeStepping(gain, macro);
      scope.param().state.t += macro;
    }
    EXPECT_GT(scope.param().state.t, 0.0);
    EXPECT_NEAR(totalIntegral(a, 0), mass0, 1e-13 * mass0) << (quads ? "quads" : "triangles");
    EXPECT_NEAR(totalIntegral(a, 3), energy0, 1e-13 * energy0) << (quads ? "quads" : "triangles");
  }
}

TEST(AnalysisConservation, AdvectionOfACompactBumpKeepsItsIntegral) {
  // A rotation whose normal component vanishes on the boundary of the unit
  // square, and a bump that is zero outside a disc inside the square.
  static LambdaField velocity(
      [](const mPoint &p, double, double *a) {
        a[0] = M_PI * std::sin(M_PI * p.x()) * std::cos(M_PI * p.y());
        a[1] = -M_PI * std::cos(M_PI * p.x()) * std::sin(M_PI * p.y());
        a[2] = 0.0;
      },
      0);
  static LambdaField bump(
      [](const mPoint &p, double, double *u) {
        const double r2 = (p.x() - 0.35) * (p.x() - 0.35) + (p.y() - 0.5) * (p.y() - 0.5);
        u[0] = r2 < 0.04 ? (0.04 - r2) * (0.04 - r2) * 1e3 : 0.0;
      },
      4);
  for (int order : {1, 2}) {
    ContextScope scope(new ScalarLaw(&bump, &velocity, nullptr), grid2d(8, 8, false, jiggled));
    scope.param().time.cflMax = 0.3;
    DGAnalysis a;
    a.init(order, 1);
    int M;
    computeSequense(a.levelSequence, 1, M);
    const double mass0 = totalIntegral(a, 0);
    ASSERT_GT(mass0, 0.0);
    for (int step = 0; step < 50; ++step) {
      double gain, macro;
      a.localTimeStepping(gain, macro);
      scope.param().state.t += macro;
    }
    EXPECT_NEAR(totalIntegral(a, 0), mass0, 1e-13 * mass0) << "order " << order;
  }
}

}  // namespace
