// The face pass of the Euler laws whose numerical and boundary fluxes are
// taken a face at a time, against the same laws taken point by point (a
// derived law, which the pass asks point by point), on meshes with walls,
// physical-flux and far-field boundaries; a gas at rest in a closed box has
// no residual, and a closed box keeps its mass and energy.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Euler.h"
#include "analysis_fixture.h"

using namespace antest;

namespace {

const double kGamma = 1.4;

SimulationState &runState() { return GlobalParamManager::Instance()->parameters->state; }

// Far state from the run state's point and published interior state, which
// the pass and the law publish before the far field is asked.
void farState(const mPoint &, double t, double *U) {
  const SimulationState &s = runState();
  const double rho = 0.5 * s.Density + 0.6 + 0.1 * s.X, u = 0.2 * s.VX - 0.1 * s.Y + t, v = 0.3 * s.VY,
               w = 0.1 * s.VZ + 0.05 * s.Z, p = 0.5 * s.Pressure + 0.5;
  U[0] = rho, U[1] = rho * u, U[2] = rho * v, U[3] = p / (kGamma - 1) + 0.5 * rho * (u * u + v * v + w * w);
  U[4] = rho * w;
}

// The same laws, asked point by point: a derived class takes the general
// paths of the pass.
struct PointExact2d : Euler2dExactRiemann {
  using Euler2dExactRiemann::Euler2dExactRiemann;
};
struct PointRoe2d : Euler2d {
  using Euler2d::Euler2d;
};
struct PointExact3d : Euler3d {
  using Euler3d::Euler3d;
};
struct PointRoe3d : Euler3dRoe {
  using Euler3dRoe::Euler3dRoe;
};

struct Case {
  const char *name;
  int dim;
  bool quads;
  int order;
  std::function<ConservationLaw *(const std::map<int, bc> &, FieldEvaluator *, bool pointwise)> make;
};

// Random admissible state: means of density, velocity and pressure in safe
// ranges, small random higher coefficients.
void randomState(DGAnalysis &a, int dim, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> U(0.0, 1.0);
  for (DGCell *c : a.cells) {
    const int nb = c->getFunctionSpace()->size();
    const double rho = 1.0 + U(gen), u = 0.6 * U(gen) - 0.3, v = 0.6 * U(gen) - 0.3,
                 w = dim == 3 ? 0.6 * U(gen) - 0.3 : 0.0, p = 1.0 + U(gen);
    const double mean[5] = {rho, rho * u, rho * v, p / (kGamma - 1) + 0.5 * rho * (u * u + v * v + w * w), rho * w};
    double *c0 = c->dofs->levels[0];
    for (int f = 0; f < dim + 2; ++f) {
      c0[f * nb] = mean[f];
      for (int j = 1; j < nb; ++j) c0[f * nb + j] = 0.05 * mean[f] * (U(gen) - 0.5);
    }
  }
}

std::vector<double> residual(const Case &c, bool pointwise) {
  static LambdaField far(farState, 0);
  // Walls, the physical flux, the far field, a type the map does not know
  // (a wall) and, in 3-D, a time-function tag (a wall there) and a tag the
  // map leaves out (a wall).
  std::map<int, bc> bcs = {{1, bc(1)}, {2, bc(2)}, {3, bc(4)}, {4, bc(9)}};
  if (c.dim == 3) bcs[5] = bc(3);
  mMesh *mesh = c.dim == 2 ? grid2d(4, 3, c.quads, wavy) : grid3d(2, wavy);
  ContextScope scope(c.make(bcs, &far, pointwise), mesh);
  DGAnalysis a;
  a.init(c.order, 1);
  randomState(a, c.dim, 11);
  a.cSpatialOperator(0.3, -1, a.cells, a.boundaryCells);
  std::vector<double> r;
  for (const DGCell *cell : a.cells) r.insert(r.end(), cell->rhs.begin(), cell->rhs.end());
  return r;
}

const Case kCases[] = {
    {"exact2d_quads_p2", 2, true, 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f, bool pw) -> ConservationLaw * {
       if (pw) return new PointExact2d(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
       return new Euler2dExactRiemann(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
     }},
    {"exact2d_triangles_p3", 2, false, 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f, bool pw) -> ConservationLaw * {
       if (pw) return new PointExact2d(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
       return new Euler2dExactRiemann(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
     }},
    {"roe2d_quads_p3", 2, true, 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f, bool pw) -> ConservationLaw * {
       if (pw) return new PointRoe2d(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
       return new Euler2d(false, m, f, false, false, kGamma, 287, 0, nullptr, nullptr);
     }},
    {"exact3d_tets_p1", 3, false, 1,
     [](const std::map<int, bc> &m, FieldEvaluator *f, bool pw) -> ConservationLaw * {
       if (pw) return new PointExact3d(false, m, f, false, kGamma, 287, nullptr, nullptr);
       return new Euler3d(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
    {"roe3d_tets_p2", 3, false, 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f, bool pw) -> ConservationLaw * {
       if (pw) return new PointRoe3d(false, m, f, false, kGamma, 287, nullptr, nullptr);
       return new Euler3dRoe(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
};

}  // namespace

// Face at a time and point by point: the same residual up to the order of
// the sums.
TEST(FaceBatches, ResidualMatchesThePointByPointPass) {
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> batched = residual(c, false);
    const std::vector<double> pointwise = residual(c, true);
    ASSERT_EQ(batched.size(), pointwise.size());
    ASSERT_FALSE(batched.empty());
    double scale = 0.0;
    for (double v : pointwise) scale = std::max(scale, std::fabs(v));
    ASSERT_GT(scale, 0.0);
    for (std::size_t i = 0; i < batched.size(); ++i) ASSERT_NEAR(batched[i], pointwise[i], 1e-13 * scale) << i;
  }
}

// A gas at rest in a box of walls: the wall pressure flux balances the
// volume pressure term, in every cell and every field.
TEST(FaceBatches, GasAtRestInAClosedBoxHasNoResidual) {
  const std::map<int, bc> walls = {{1, bc(1)}, {2, bc(1)}, {3, bc(1)}, {4, bc(1)}, {5, bc(1)}, {6, bc(1)}};
  static LambdaField rest([](const mPoint &, double, double *U) { U[0] = 1.3, U[1] = U[2] = U[4] = 0.0, U[3] = 2.5; }, 0);
  for (int dim : {2, 3})
    for (bool quads : {false, true}) {
      if (dim == 3 && quads) continue;
      SCOPED_TRACE(std::to_string(dim) + (quads ? "-D quads" : "-D simplices"));
      ConservationLaw *law = dim == 2 ? static_cast<ConservationLaw *>(new Euler2dExactRiemann(
                                            false, walls, &rest, false, false, kGamma, 287, 0, nullptr, nullptr))
                                      : new Euler3d(false, walls, &rest, false, kGamma, 287, nullptr, nullptr);
      ContextScope scope(law, dim == 2 ? grid2d(4, 4, quads, wavy) : grid3d(2, wavy));
      DGAnalysis a;
      a.init(2, 1);
      a.cSpatialOperator(0.0, -1, a.cells, a.boundaryCells);
      double largest = 0.0;
      for (const DGCell *c : a.cells)
        for (double v : c->rhs) largest = std::max(largest, std::fabs(v));
      EXPECT_LT(largest, 1e-12);
    }
}

// A closed box of walls keeps its mass and energy to round-off with the
// exact Riemann flux.
TEST(FaceBatches, ExactFluxInAClosedBoxKeepsMassAndEnergy) {
  const std::map<int, bc> walls = {{1, bc(1)}, {2, bc(1)}, {3, bc(1)}, {4, bc(1)}};
  static LambdaField far([](const mPoint &, double, double *U) { U[0] = 1, U[1] = U[2] = 0, U[3] = 2.5; }, 0);
  for (bool quads : {false, true}) {
    SCOPED_TRACE(quads ? "quads" : "triangles");
    ContextScope scope(new Euler2dExactRiemann(false, walls, &far, false, false, kGamma, 287, 0, nullptr, nullptr),
                       grid2d(5, 5, quads, wavy));
    scope.param().time.cflMax = 0.1;
    DGAnalysis a;
    a.init(2, 1);
    randomState(a, 2, 5);
    const double mass0 = totalIntegral(a, 0), energy0 = totalIntegral(a, 3);
    int M;
    computeSequense(a.levelSequence, 1, M);
    for (int step = 0; step < 20; ++step) {
      double gain, macro;
      a.localTimeStepping(gain, macro);
      scope.param().state.t += macro;
    }
    EXPECT_GT(scope.param().state.t, 0.0);
    EXPECT_NEAR(totalIntegral(a, 0), mass0, 1e-13 * mass0);
    EXPECT_NEAR(totalIntegral(a, 3), energy0, 1e-13 * energy0);
  }
}
