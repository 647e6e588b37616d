// Cost of solution-driven adaptation against the time stepping it serves, and
// what it buys:
//  1. one h-adaptation step against one time step (residual, update, face
//     states, limiting) on a shock tube refined around its discontinuity
//     (about 20,000 triangles), orders 1 and 2;
//  2. the nodal recovery of the conformal adaptation (gradients, Hessians and
//     metrics at the vertices) against one residual evaluation;
//  3. the L1 error of the density of Sod's shock tube at t = 0.2, adaptive
//     (two levels) against uniform with about the same number of degrees of
//     freedom.
// Times are the best of several runs on one core; results on standard error.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "../tests/adaptivity/limit_fixture.h"
#include "bench_sod.h"
#include "DGAdaptation.h"
#include "DGErrorEstimators.h"
#include "DGLimiters.h"
#include "DGNodalRecovery.h"
#include "Euler.h"
#include "ParUtil.h"

using namespace lt;
using benchsod::kGamma;
using benchsod::sodState;

namespace {

// A shock tube of nx by ny squares cut in triangles on [0, 1] x [0, ny/nx],
// walls all around, Barth limiter, jump estimator.
struct Tube {
  Field initial{sodState, 1};
  Scope scope;
  DGAnalysis a;
  double h;
  Tube(int nx, int ny, int order)
      : scope(new Euler2d(false, std::map<int, bc>{{999, bc(1)}}, &initial, false, false, kGamma, 287.0, 0,
                          nullptr, nullptr),
              grid(nx, ny, 1.0 / nx, 1.0 / nx, false), new DGBarthLimiter, new DGErrorEstimatorJump),
        h(1.0 / nx) {
    KORA::ParUtil::Instance()->setVerbosity(-1);
    Scope::param().href.doWe = 1;
    Scope::param().href.samplePeriodExportMesh = 0;
    a.init(order, 1);
  }
  // The initial passes of a fresh start with levels 1 .. M.
  void refineInitially(int M) {
    DGParameters &p = Scope::param();
    for (int k = 1; k <= M; ++k) {
      p.href.maxLevelOfRefinement = k;
      a.adaptH_newVersion(1);
    }
    p.href.maxLevelOfRefinement = M;
  }
  void step(double dt) { globalStep(a, dt); }
  // L1 norm of the density error per unit height of the strip.
  double densityL1(double t, double height) { return benchsod::densityL1(a.cells, t) / height; }
};

double bestMicroseconds(int repeats, const std::function<void()> &work) {
  double best = 1e300;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  return best;
}

void costs(int order) {
  Tube tube(94, 94, order);
  tube.refineInitially(2);
  const double dt = 1e-5;
  for (int i = 0; i < 3; ++i) tube.step(dt);
  tube.a.adaptH_newVersion(0);  // a steady state of the adaptation
  const std::size_t cells = tube.a.cells.size();
  const double stepUs = bestMicroseconds(5, [&] { tube.step(dt); });
  const double adaptUs = bestMicroseconds(5, [&] { tube.a.adaptH_newVersion(0); });
  DGParameters &p = Scope::param();
  const double residualUs =
      bestMicroseconds(5, [&] { tube.a.cSpatialOperator(p.state.t, -1, tube.a.cells, tube.a.boundaryCells); });
  const double recoveryUs = bestMicroseconds(5, [&] {
    BuildNodalGradients(0, kNodalGradientTag);
    BuildNodalHessians(0, kNodalHessianTag);
    BuildNodalMetrics(kNodalHessianTag, kNodalGradientTag, kNodalMetricTag, 0.04);
  });
  std::fprintf(stderr,
               "order %d, %zu triangles: time step %.0f us, adaptation %.0f us (ratio %.2f); "
               "residual %.0f us, nodal recovery %.0f us (ratio %.2f)\n",
               order, cells, stepUs, adaptUs, adaptUs / stepUs, residualUs, recoveryUs, recoveryUs / residualUs);
}

// Sod's tube to t = 0.2 on a strip of one row of squares: adaptive from nx
// squares with two levels (adapting every 0.005), and uniform with as many
// triangles as the adaptive run ends with.
void accuracy(int order) {
  const double tEnd = 0.2, cfl = 0.1, speed = 2.5;
  int finalCells = 0, adaptiveDofs = 0;
  double adaptiveError = 0.0;
  {
    Tube tube(50, 1, order);
    tube.refineInitially(2);
    DGParameters &p = Scope::param();
    p.href.nbDone = 1;
    const double dt = cfl * (tube.h / 4) / (2 * order + 1) / speed;
    while (p.state.t < tEnd - 1e-12) {
      tube.step(std::min(dt, tEnd - p.state.t));
      if (p.href.nbDone * 0.005 < p.state.t) {
        tube.a.adaptH_newVersion(0);
        ++p.href.nbDone;
      }
    }
    finalCells = static_cast<int>(tube.a.cells.size());
    adaptiveDofs = tube.a.nbrDofs();
    adaptiveError = tube.densityL1(tEnd, tube.h);
  }
  const int nx = std::max(1, finalCells / 2);
  Tube tube(nx, 1, order);
  Scope::param().href.doWe = 0;
  const double dt = cfl * tube.h / (2 * order + 1) / speed;
  DGParameters &p = Scope::param();
  while (p.state.t < tEnd - 1e-12) tube.step(std::min(dt, tEnd - p.state.t));
  const double uniformError = tube.densityL1(tEnd, tube.h);
  std::fprintf(stderr,
               "Sod, order %d, t = 0.2: adaptive %d dofs L1(density) %.4e; uniform %d dofs L1(density) "
               "%.4e; ratio adaptive/uniform %.2f\n",
               order, adaptiveDofs, adaptiveError, tube.a.nbrDofs(), uniformError, adaptiveError / uniformError);
}

}  // namespace

int main() {
  // Results go to standard error; the solver's own lines (the metric's eps
  // line, messages of the mesh passes) are dropped.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  for (int order : {1, 2}) costs(order);
  for (int order : {1, 2}) accuracy(order);
  return 0;
}
