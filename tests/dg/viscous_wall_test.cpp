// No-slip walls of the Navier-Stokes law in whole runs of the residual and
// the time stepping, checked against Stokes' first problem: a stream of unit
// speed over a wall at rest (the impulsively started plate seen from the
// plate) has, at low Mach number, the velocity u = erf(y / (2 sqrt(nu t))).
// The runs start from the exact profile a short time after the start, so that
// the measured error is the scheme's and not that of the singular start.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "Euler.h"
#include "NavierStokes.h"
#include "analysis_fixture.h"

using namespace antest;

namespace {

constexpr double kGamma = 1.4;
constexpr double kMach = 0.1;  // sound speed 10: the flow is nearly incompressible
constexpr double kPressure = 1.0 / (kGamma * kMach * kMach);
constexpr int kSideTag = 12, kTopTag = 13;

// Unit density, the erf profile, uniform pressure.
// The exact solution at run time t, the plate having started at -kStart.
constexpr double kStart = 0.02;
class StokesFirstProblem : public FieldEvaluator {
public:
  explicit StokesFirstProblem(double nu) : nu(nu) {}
  static double velocity(double y, double t, double nu) {
    return std::erf(y / (2.0 * std::sqrt(nu * (t + kStart))));
  }
  void eval(const mPoint &p, double t, double *v) const override {
    const double u = velocity(p.y(), t, nu);
    v[0] = 1.0;
    v[1] = u;
    v[2] = 0.0;
    v[3] = kPressure / (kGamma - 1.0) + 0.5 * u * u;
  }
  int order() const override { return 0; }

private:
  double nu;
};

// The law under test, with sides that let an x-invariant flow through: the
// outer trace of a side face is the inner one, gradients included, so the
// face carries the whole flux of the inner side. The wall and the top (far
// field) take the law's own conditions.
class StripLaw : public NavierStokes2d {
public:
  StripLaw(FieldEvaluator *exact, double reynolds)
      : NavierStokes2d(exact, std::map<int, bc>(), kGamma, 1.0, reynolds) {}
  void boundaryFlux(const mVector &n, int tag, const mPoint &p, double *U, double *F,
                    double t) const override {
    if (tag != kSideTag) return NavierStokes2d::boundaryFlux(n, tag, p, U, F, t);
    double scratch[4];
    riemannSolver(n, p, U, U, F, scratch);
  }
};

// nx by ny squares of side h over [0, nx h] x [0, ny h]: the wall (tag
// wallTag) at y = 0, the far field at the top, x-invariant sides.
mMesh *strip(int nx, int ny, double h, int wallTag) {
  mMesh *m = new mMesh(0);
  KORA::gEntity *region = m->getGEntity(kRegionTag, 2);
  auto id = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) m->createVertex(id(i, j), i * h, j * h, 0.0, region);
  for (int i = 0; i < nx; ++i) {
    m->createEdge(id(i, 0), id(i + 1, 0), m->getGEntity(wallTag, 1));
    m->createEdge(id(i, ny), id(i + 1, ny), m->getGEntity(kTopTag, 1));
  }
  for (int j = 0; j < ny; ++j) {
    m->createEdge(id(nx, j), id(nx, j + 1), m->getGEntity(kSideTag, 1));
    m->createEdge(id(0, j), id(0, j + 1), m->getGEntity(kSideTag, 1));
  }
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      m->createFaceWithVertices(id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1), region);
  m->modifyState(2, 1);
  m->modifyState(1, 2);
  m->modifyState(0, 1);
  return m;
}

struct StokesResult {
  double l2Error;   // of the velocity over the height, per unit width
  double wallSpeed; // root mean square of u along the wall
  double time;
};

// Runs the strip of ny cells over the unit height up to time T at the
// Reynolds number re, order 1.
StokesResult runStokes(int ny, double re, double T, int wallTag) {
  const double nu = 1.0 / re, h = 1.0 / ny;
  const int nx = 2;
  StokesFirstProblem exact(nu);
  ContextScope scope(new StripLaw(&exact, re), strip(nx, ny, h, wallTag));
  DGParameters &p = scope.param();
  p.time.nbSub = 1;
  p.time.cflMax = 0.5;
  DGAnalysis a;
  a.init(1, 1);
  double t = 0.0;
  while (t < T * (1.0 - 1e-12)) {
    p.state.t = t;
    p.time.dtRef = T - t;  // the last step lands on T
    double gain = 0.0, macro = 0.0;
    a.localTimeStepping(gain, macro);
    t += macro;
  }
  StokesResult r{0.0, 0.0, t};
  for (const DGCell *c : a.cells) {
    KORA::GaussIntegrator gauss(c->getEntity());
    const int q = c->computeOrder();
    for (int k = 0; k < c->nbPtGauss(); ++k) {
      double u, v, w, weight;
      gauss.iPoint(k, q, u, v, w, weight);
      double U[4];
      c->interpolate(U, c->pt(k)->phi);
      const double e = U[1] / U[0] - StokesFirstProblem::velocity(volumePoint(c, k).y(), t, nu);
      r.l2Error += e * e * c->pt(k)->jacDet * weight;
    }
  }
  r.l2Error = std::sqrt(r.l2Error / (nx * h));
  // The wall: points along y = 0, in the cells of the first row.
  const int samples = 16;
  for (int s = 0; s < samples; ++s) {
    const mPoint x((s + 0.5) * nx * h / samples, 0.0, 0.0);
    double U[4], u, v, w;
    bool found = false;
    for (DGCell *c : a.cells)
      if (c->inCell(x, U, u, v, w, nullptr)) {
        found = true;
        break;
      }
    EXPECT_TRUE(found) << x.x();
    r.wallSpeed += (U[1] / U[0]) * (U[1] / U[0]) / samples;
  }
  r.wallSpeed = std::sqrt(r.wallSpeed);
  return r;
}

// The velocity profile converges to the exact one under refinement for the
// adiabatic (400) and the isothermal (500) wall, and the wall's velocity falls
// towards 0 (a wall that imposed nothing would keep the stream's 1 there).
// Measured: L2 errors 9.1e-3, 4.6e-3, 2.3e-3 (rate 1) and wall speeds 8.6e-2,
// 2.8e-2, 7.4e-3 (rate 1.6 then 1.9) on 8, 16 and 32 cells across the height.
TEST(NoSlipWall, StokesFirstProblemConvergesUnderRefinement) {
  const double re = 10.0, T = 0.03;  // boundary layer 2 sqrt(nu (T + kStart)) = 0.14 thick
  for (int tag : {400, 500}) {
    SCOPED_TRACE(tag);
    std::vector<StokesResult> r;
    for (int ny : {8, 16, 32}) r.push_back(runStokes(ny, re, T, tag));
    for (std::size_t i = 0; i < r.size(); ++i) {
      EXPECT_NEAR(r[i].time, T, 1e-12);
      std::printf("tag %d, %2d cells: L2 error %.4e, wall speed %.4e", tag, 8 << i, r[i].l2Error,
                  r[i].wallSpeed);
      if (i == 0) {
        std::printf("\n");
        continue;
      }
      const double rate = std::log2(r[i - 1].l2Error / r[i].l2Error);
      const double wallRate = std::log2(r[i - 1].wallSpeed / r[i].wallSpeed);
      std::printf(", rates %.2f and %.2f\n", rate, wallRate);
      EXPECT_GT(rate, 0.85);
      EXPECT_GT(wallRate, 1.4);
    }
    EXPECT_LT(r.back().l2Error, 3e-3);
    EXPECT_LT(r.back().wallSpeed, 1e-2);
  }
}

}  // namespace

namespace {

// The stable step of the first cell of an n x n grid of the unit square, of
// order 1, with a Navier-Stokes law at the Reynolds number re (a uniform
// stream), or an inviscid Euler law when re is 0.
double firstCellStep(int n, double re) {
  static LambdaField stream(
      [](const mPoint &, double, double *v) {
        v[0] = 1.0;
        v[1] = 1.0;
        v[2] = 0.0;
        v[3] = kPressure / (kGamma - 1.0) + 0.5;
      },
      0);
  ConservationLaw *law = re > 0 ? static_cast<ConservationLaw *>(new StripLaw(&stream, re))
                                : new Euler2d(false, std::map<int, bc>(), &stream, false, false,
                                              kGamma, 287.0, 0, nullptr, nullptr);
  ContextScope scope(law, grid2d(n, n, true));
  DGAnalysis a;
  a.init(1, 1);
  double dt = 1e30;
  a.cells.front()->adaptTimeStep(0.5, dt);
  return dt;
}

}  // namespace

// A viscous law's step keeps the diffusive limit: it falls as h^2 / nu when
// diffusion dominates, and as h when the waves do; an inviscid law's step
// is the wave step h / ((2p+1) lambda).
TEST(ViscousStableStep, FollowsTheDiffusiveAndTheWaveLimits) {
  testing::internal::CaptureStdout();
  const double slow = firstCellStep(4, 1e-6), slower = firstCellStep(4, 0.5e-6);
  const double slowFine = firstCellStep(8, 1e-6);
  const double fast = firstCellStep(4, 1e12), fastFine = firstCellStep(8, 1e12);
  const double inviscid = firstCellStep(4, 0.0);
  testing::internal::GetCapturedStdout();
  EXPECT_NEAR(slow / slower, 2.0, 1e-5);    // twice the viscosity, half the step
  EXPECT_NEAR(slow / slowFine, 4.0, 1e-5);  // half the cell, a quarter of the step
  EXPECT_NEAR(fast / fastFine, 2.0, 1e-6);
  // The stream's wave speed 1 + 10 (Mach 0.1); the penalty adds 4 to it.
  EXPECT_NEAR(inviscid, 0.5 * 0.25 / (3.0 * 11.0), 1e-12);
  EXPECT_NEAR(fast, 0.5 * 0.25 / (3.0 * 15.0), 1e-9);
}
