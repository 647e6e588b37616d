// The one-dimensional shock tube run on a strip of triangles with linear
// elements and the Barth limiter, through the analysis's residual, update and
// limiting passes: the cell means of the density never leave the range of the
// initial data, and mass and energy are conserved to round-off.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "DGLimiters.h"
#include "Euler.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

double total(const DGAnalysis &a, int f) {
  double s = 0.0;
  for (const DGCell *c : a.cells) s += c->dofs->levels[0][f * c->dofs->nbFunctions] * c->Volume();
  return s;
}

TEST(ShockTube, BarthLimitedRunCreatesNoNewExtremaAndConserves) {
  const double gamma = 1.4;
  // Left state (1, 0, 1), right state (0.125, 0, 0.1) in (rho, u, p).
  Field initial(
      [gamma](const mPoint &p, double *U) {
        const bool left = p.x() < 0.5;
        U[0] = left ? 1.0 : 0.125;
        U[1] = U[2] = 0.0;
        U[3] = (left ? 1.0 : 0.1) / (gamma - 1.0);
      },
      0);
  // Every boundary face is a wall.
  const std::map<int, bc> walls{{999, bc(1)}};
  auto *law = new Euler2d(false, walls, &initial, false, false, gamma, 287.0, 0, nullptr, nullptr);
  const int nx = 40;
  const double h = 1.0 / nx;
  Scope scope(law, grid(nx, 1, h, h, false), new DGBarthLimiter);
  DGAnalysis a;
  a.init(1, 1);

  const double mass0 = total(a, 0), energy0 = total(a, 3);
  EXPECT_NEAR(mass0, (0.5 * 1.0 + 0.5 * 0.125) * h, 1e-15);
  // Largest wave speed of the problem about 2; CFL 0.1 for linear elements.
  const double dt = 0.1 * (h / std::sqrt(2.0)) / (3.0 * 2.0);
  double t = 0.0;
  double lowest = 1.0, highest = 0.125;
  int changed = 0;
  for (int step = 0; step < 600; ++step) {
    a.cSpatialOperator(t, -1, a.cells, a.boundaryCells);
    a.forwardEuler(dt, a.cells, -1);
    t += dt;
    a.computeSolutionsOnBothSides(t, false, -1, a.boundaryCells);
    a.applyLimiter(t, -1, a.cells, a.boundaryCells);
    for (const DGCell *c : a.cells) {
      const double rho = c->dofs->levels[0][0];
      lowest = std::min(lowest, rho);
      highest = std::max(highest, rho);
    }
  }
  for (const DGCell *c : a.cells) {
    const double rho = c->dofs->levels[0][0];
    if (rho != 1.0 && rho != 0.125) ++changed;
  }
  // The waves have moved: the run is not a trivial one.
  EXPECT_GT(changed, 4);
  EXPECT_GE(lowest, 0.125 - 1e-12);
  EXPECT_LE(highest, 1.0 + 1e-12);
  EXPECT_NEAR(total(a, 0), mass0, 1e-14 * mass0);
  EXPECT_NEAR(total(a, 3), energy0, 1e-14 * energy0);
}

}  // namespace
