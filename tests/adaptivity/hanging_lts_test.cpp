// Faces between cells of different refinement levels and local time stepping
// on such a mesh: a uniform state has a zero residual, both variants of local
// time stepping walk per-level lists yet give the step that the passes over
// the full lists give, to the bit, and with all cells at one level the first
// variant is a sequence of global steps.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "DGAdaptation.h"
#include "DGAnalysisPasses.h"
#include "DGErrorEstimators.h"
#include "DGLimiters.h"
#include "Euler.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

// A density front on an nx by 2 grid of triangles, refined around the
// front (two levels) when `refine` is set: a mesh whose faces around
// the refined band have a coarse cell on one side and two fine ones on the
// other. No limiter, so that every pass is plain arithmetic on the cells.
struct Tube {
  const double gamma = 1.4;
  // A steep but smooth density front at rest, in pressure balance.
  Field initial{[g = gamma](const mPoint &p, double *U) {
                  U[0] = 1.0 - 0.3 * (1.0 + std::tanh((p.x() - 0.5) / 0.04));
                  U[1] = 0.1 * U[0];
                  U[2] = 0.0;
                  U[3] = 1.0 / (g - 1.0) + 0.005 * U[0];
                },
                0};
  Euler2d *law = new Euler2d(false, std::map<int, bc>{{999, bc(1)}}, &initial, false, false, gamma,
                             287.0, 0, nullptr, nullptr);
  Scope scope;
  DGAnalysis a;
  Tube(int nx, int order, bool refine)
      : scope(law, grid(nx, 2, 1.0 / nx, 1.0 / nx, false), nullptr, new DGErrorEstimatorJump) {
    a.init(order, 1);
    if (refine) {
      DGParameters &p = Scope::param();
      p.href.doWe = 1;
      p.href.maxLevelOfRefinement = 2;
      p.href.samplePeriodExportMesh = 0;
      a.adaptH_newVersion(1);
      a.adaptH_newVersion(1);
    }
  }
  double total(int f) const {
    double s = 0.0;
    for (const DGCell *c : a.cells) s += c->dofs->levels[0][f * c->dofs->nbFunctions] * c->Volume();
    return s;
  }
  std::vector<double> coefficients() const {
    std::vector<double> v;
    for (const DGCell *c : a.cells) v.insert(v.end(), c->coef0, c->coef0 + c->rhs.size());
    return v;
  }
  // Faces with sides of different refinement levels.
  int hangingFaces() const {
    KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
    int n = 0;
    for (const DGBoundaryCell *f : a.boundaryCells)
      if (f->right && mesh->getRefinementLevel(f->left) != mesh->getRefinementLevel(f->right)) ++n;
    return n;
  }
};

TEST(HangingFaces, UniformStateHasNoResidual) {
  for (const int order : {1, 2}) {
    SCOPED_TRACE(order);
    Tube tube(12, order, true);
    ASSERT_GT(tube.hangingFaces(), 0);
    // Density 1, velocity (0.3, -0.2), pressure 1: every face flux balances
    // the volume term of the cell exactly (walls see no normal velocity only
    // where the flow is along them, so the residual is checked away from
    // the boundary faces' cells).
    const double rho = 1.0, u = 0.3, v = -0.2, pr = 1.0;
    const double U[4] = {rho, rho * u, rho * v, pr / (tube.gamma - 1.0) + 0.5 * rho * (u * u + v * v)};
    for (DGCell *c : tube.a.cells) {
      const int nb = c->dofs->nbFunctions;
      // The first basis function is constant: its coefficient times it is the mean.
      const double phi0 = c->pt(0)->phi[0];
      for (int f = 0; f < 4; ++f)
        for (int j = 0; j < nb; ++j) c->dofs->levels[0][f * nb + j] = j == 0 ? U[f] / phi0 : 0.0;
    }
    tube.a.cSpatialOperator(0.0, -1, tube.a.cells, tube.a.boundaryCells);
    std::map<const DGCell *, bool> onWall;
    for (const DGBoundaryCell *f : tube.a.boundaryCells)
      if (!f->right) onWall[dgCellOf(f->left)] = true;
    int checked = 0;
    for (const DGCell *c : tube.a.cells) {
      if (onWall.count(c)) continue;
      ++checked;
      for (double r : c->rhs) EXPECT_NEAR(r, 0.0, 1e-12);
    }
    EXPECT_GT(checked, 0);
  }
}

// The levels of a macro step as the definition gives them, over the full
// lists: every update passes all cells and faces and lets them filter.
double referenceMacroStep(DGAnalysis &a) {
  DGParameters &p = Scope::param();
  const double T = p.state.t;
  double dt = p.time.dtRef;
  for (DGCell *c : a.cells) {
    c->beginTimeStep(T);
    c->tag = 0;
    c->adaptTimeStep(p.time.cflMax, dt);
  }
  p.time.dt = dt;
  a.tagCells(dt, p.time.cflMax);
  std::map<int, int> done;
  double resid = 0.0;
  for (int m : a.levelSequence) {
    const short level = static_cast<short>(m);
    const double t = T + done[m]++ * m * dt;
    a.cSpatialOperator(t, level, a.cells, a.boundaryCells);
    resid += a.forwardEuler(m * dt, a.cells, level);
    a.applyLimiter(T, level, a.cells, a.boundaryCells);
  }
  return resid;
}

TEST(LocalTimeStepping, LevelListsGiveTheStepOfTheFullLists) {
  for (const int nbSub : {2, 3}) {
    SCOPED_TRACE(nbSub);
    std::vector<double> byLists, byReference;
    double residLists = 0.0, residReference = 0.0;
    for (const bool reference : {false, true}) {
      Tube tube(12, 1, true);
      DGParameters &p = Scope::param();
      p.time.nbSub = nbSub;
      p.time.cflMax = 0.5;
      p.time.dtRef = 1000.0;
      p.time.tend = 1000.0;
      p.state.t = 0.0;
      double gain = 0.0, macro = 0.0;
      for (int step = 0; step < 3; ++step) {
        const double r = reference ? referenceMacroStep(tube.a) : tube.a.localTimeStepping(gain, macro);
        (reference ? residReference : residLists) += r;
        p.state.t += (1 << (nbSub - 1)) * p.time.dt;
      }
      if (!reference) {
        // The refined cells are smaller: more than one level is in use.
        EXPECT_GT(gain, 1.0);
      }
      (reference ? byReference : byLists) = tube.coefficients();
    }
    ASSERT_EQ(byLists.size(), byReference.size());
    EXPECT_EQ(0, std::memcmp(byLists.data(), byReference.data(), sizeof(double) * byLists.size()));
    EXPECT_EQ(residLists, residReference);
  }
}

// The goal-step variant with its cell and face lists per substep against the
// same passes over the full lists (the definition of the variant).
double referenceGoalStep(DGAnalysis &a, int &updates) {
  DGParameters &p = Scope::param();
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  const int n = law->nbFields();
  const double T = p.state.t, cfl = p.time.cflMax, goal = p.time.dtRef;
  BeginTimeStep begin{T};
  for (DGCell *c : a.cells) begin(c);
  double smin = goal;
  for (const DGCell *c : a.cells) c->adaptTimeStep(0.5 * cfl, smin);
  int k = 1;
  while ((k + 1) * smin < goal) ++k;
  const double fine = goal / k;
  p.time.dt = fine;
  TagBoundaryCells all{k, true};
  for (DGBoundaryCell *f : a.boundaryCells) all(f);
  ComputeSolutionOnBothSides start{T, false, 0, n, n};
  for (DGBoundaryCell *f : a.boundaryCells) start(f);
  double resid = 0.0;
  TagBoundaryCells retag{k, false};
  for (int jj = 0; jj < k; ++jj) {
    const short j = static_cast<short>(jj);
    const double tj = jj * fine + T;
    ZeroInfo zero{j};
    for (DGCell *c : a.cells) zero(c);
    ComputeSolutionOnBothSides states{tj, false, j, n, n};
    for (DGBoundaryCell *f : a.boundaryCells) states(f);
    ComputeJumps jumps{tj, j};
    for (DGBoundaryCell *f : a.boundaryCells) jumps(f);
    a.cSpatialOperator(tj, j, a.cells, a.boundaryCells);
    double substep = 0.0;
    AdvanceInTime_Version2 advance{n, fine, cfl, &substep, j, static_cast<short>(k), &updates, 1e300};
    for (DGCell *c : a.cells) advance(c);
    resid += substep;
    for (DGBoundaryCell *f : a.boundaryCells) retag(f);
  }
  return resid;
}

TEST(LocalTimeStepping, SubstepListsGiveTheStepOfTheFullLists) {
  std::vector<double> byLists, byReference;
  double residLists = 0.0, residReference = 0.0;
  int updatesReference = 0;
  double gain = 0.0;
  for (const bool reference : {false, true}) {
    Tube tube(12, 1, true);
    DGParameters &p = Scope::param();
    p.time.mode = 2;
    p.time.cflMax = 0.5;
    p.time.tend = 1000.0;
    p.state.t = 0.0;
    double smin = 1e30;
    tube.a.computeTimeStep(smin, 0.5 * p.time.cflMax);
    // Several substeps, the coarse cells taking several at once.
    p.time.dtRef = 6.5 * smin;
    for (int step = 0; step < 2; ++step) {
      double macro = 0.0;
      const double r = reference ? referenceGoalStep(tube.a, updatesReference)
                                 : tube.a.localTimeStepping_Version2(gain, macro);
      (reference ? residReference : residLists) += r;
      p.state.t += p.time.dtRef;
    }
    (reference ? byReference : byLists) = tube.coefficients();
  }
  EXPECT_GT(gain, 1.0);
  ASSERT_EQ(byLists.size(), byReference.size());
  EXPECT_EQ(0, std::memcmp(byLists.data(), byReference.data(), sizeof(double) * byLists.size()));
  EXPECT_EQ(residLists, residReference);
}

// Cells of one size and nearly one speed all take level 1: a macro step of
// two levels is two global steps of the fine step (the second level holds no
// cell), and conserves mass and energy on the closed tube.
TEST(LocalTimeStepping, OneLevelInUseIsGlobalStepping) {
  std::vector<double> stepped, global;
  double dt = 0.0, mass0 = 0.0, energy0 = 0.0;
  for (const bool reference : {false, true}) {
    Tube tube(16, 1, false);
    DGParameters &p = Scope::param();
    p.time.nbSub = 2;
    p.time.cflMax = 0.5;
    p.time.dtRef = 1000.0;
    p.time.tend = 1000.0;
    p.state.t = 0.0;
    if (reference) {
      for (int s = 0; s < 2; ++s) {
        for (DGCell *c : tube.a.cells) c->beginTimeStep(p.state.t);
        tube.a.cSpatialOperator(p.state.t, -1, tube.a.cells, tube.a.boundaryCells);
        tube.a.forwardEuler(dt, tube.a.cells, -1);
        p.state.t += dt;
      }
      global = tube.coefficients();
    } else {
      mass0 = tube.total(0);
      energy0 = tube.total(3);
      double gain = 0.0, macro = 0.0;
      tube.a.localTimeStepping(gain, macro);
      EXPECT_EQ(gain, 1.0);
      dt = p.time.dt;
      EXPECT_DOUBLE_EQ(macro, 2 * dt);
      for (const DGCell *c : tube.a.cells) EXPECT_EQ(c->tag, 1);
      stepped = tube.coefficients();
      EXPECT_NEAR(tube.total(0), mass0, 1e-14 * mass0);
      EXPECT_NEAR(tube.total(3), energy0, 1e-14 * energy0);
    }
  }
  ASSERT_EQ(stepped.size(), global.size());
  for (std::size_t i = 0; i < stepped.size(); ++i) EXPECT_NEAR(stepped[i], global[i], 1e-14) << i;
}

}  // namespace
