// Time levels: the update sequence, the level assignment and its gain, the
// order of the level updates of a macro step, the substep count of the
// goal-step variant, and the refusal of unusable time-stepping parameters.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Euler.h"
#include "ScalarLaw.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

TEST(AnalysisTimeLevels, SequenceOfEachLevelCount) {
  const std::vector<std::pair<int, std::vector<int>>> table = {
      {1, {1}},
      {2, {1, 2, 1}},
      {3, {1, 2, 4, 1, 1, 2, 1}},
      {4, {1, 2, 4, 8, 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1}},
      {5, {1, 2, 4, 8, 16, 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1}}};
  for (const auto &[n, expected] : table) {
    std::vector<int> seq;
    int M = 0;
    computeSequense(seq, n, M);
    EXPECT_EQ(seq, expected) << "n = " << n;
    EXPECT_EQ(M, 1 << (n - 1));
  }
  // Every level m of 15 levels occurs M / m times and the sequence has 2^15 - 1 entries.
  std::vector<int> seq;
  int M;
  computeSequense(seq, 15, M);
  ASSERT_EQ(seq.size(), (1u << 15) - 1);
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(std::count(seq.begin(), seq.end(), 1 << i), M >> i);
  // A second call appends.
  std::vector<int> twice;
  computeSequense(twice, 2, M);
  computeSequense(twice, 2, M);
  EXPECT_EQ(twice, (std::vector<int>{1, 2, 1, 1, 2, 1}));
}

TEST(AnalysisTimeLevels, LevelCountsOutsideOneToFifteenAreRefused) {
  for (int n : {0, -3, 16}) {
    std::vector<int> seq;
    int M = 7;
    EXPECT_THROW(computeSequense(seq, n, M), std::string) << n;
    EXPECT_TRUE(seq.empty());
  }
}

// Four quadrilaterals of order 0 in a row; each cell's stable step is set
// through its mean (the test law's wave speed is the state itself).
struct RowOfCells {
  ContextScope scope;
  DGAnalysis a;
  explicit RowOfCells(int n = 4, int nbSub = 3) : scope(new SpeedLaw(1), grid2d(n, 1, true)) {
    scope.param().time.nbSub = nbSub;
    scope.param().time.cflMax = 1.0;
    a.init(0, 0);
    int M;
    computeSequense(a.levelSequence, nbSub, M);
  }
  // The cell's mean becomes the wave speed that gives it the stable step s.
  void setStep(DGCell *c, double s) { c->dofs->levels[0][0] = c->size() / s; }
  static double step(const DGCell *c) {
    double s = std::numeric_limits<double>::infinity();
    c->adaptTimeStep(1.0, s);
    return s;
  }
};

TEST(AnalysisTimeLevels, TaggingOfTheWorkedExample) {
  RowOfCells row;
  const double steps[4] = {0.01, 0.015, 0.025, 0.05};
  for (int i = 0; i < 4; ++i) row.setStep(row.a.cells[i], steps[i]);
  const double gain = row.a.tagCells(0.01 * (1 - 1e-12), 1.0);
  // The first cell defines the fine step (just below its own step).
  std::vector<int> tags;
  for (const DGCell *c : row.a.cells) tags.push_back(c->getTag());
  EXPECT_EQ(tags, (std::vector<int>{1, 1, 2, 4}));
  EXPECT_DOUBLE_EQ(gain, 16.0 / 11.0);
  for (const DGBoundaryCell *f : row.a.boundaryCells) {
    EXPECT_EQ(f->leftTag, dgCellOf(f->left)->getTag());
    EXPECT_EQ(f->rightTag, f->right ? dgCellOf(f->right)->getTag() : 4);
  }
}

TEST(AnalysisTimeLevels, TaggingEdgeCases) {
  {
    // A stable step of exactly 2 dtmin stays at level 1 (the test is strict).
    RowOfCells row;
    for (DGCell *c : row.a.cells) row.setStep(c, 0.03);
    const double s = row.step(row.a.cells[0]);
    row.setStep(row.a.cells[1], 0.5);
    row.a.tagCells(s / 2, 1.0);
    EXPECT_EQ(row.a.cells[0]->getTag(), 1);
  }
  {
    // Every step above M dtmin: every cell at level M and the gain is M.
    RowOfCells row;
    for (DGCell *c : row.a.cells) row.setStep(c, 1.0);
    EXPECT_DOUBLE_EQ(row.a.tagCells(0.1, 1.0), 4.0);
    for (const DGCell *c : row.a.cells) EXPECT_EQ(c->getTag(), 4);
  }
  {
    // One level: level 1 everywhere, gain 1.
    RowOfCells row(4, 1);
    for (DGCell *c : row.a.cells) row.setStep(c, 1.0);
    EXPECT_DOUBLE_EQ(row.a.tagCells(0.1, 1.0), 1.0);
    for (const DGCell *c : row.a.cells) EXPECT_EQ(c->getTag(), 1);
  }
  {
    // No cell: gain 1.
    RowOfCells row;
    row.a.cells.clear();
    EXPECT_DOUBLE_EQ(row.a.tagCells(0.1, 1.0), 1.0);
  }
}

// Records the (time, level) of every residual evaluation.
class RecordingAnalysis : public DGAnalysis {
public:
  std::vector<std::pair<double, int>> calls;
  void cSpatialOperator(double t, short level, DGCellList &c, DGBoundaryCellList &f) override {
    calls.emplace_back(t, level);
    DGAnalysis::cSpatialOperator(t, level, c, f);
  }
};

TEST(AnalysisTimeLevels, FirstVariantAdvancesTheLevelsInSequence) {
  ContextScope scope(new SpeedLaw(1), grid2d(4, 1, true));
  DGParameters &p = scope.param();
  p.time.nbSub = 3;
  p.time.cflMax = 1.0;
  p.state.t = 2.0;
  RecordingAnalysis a;
  a.init(0, 0);
  int M;
  computeSequense(a.levelSequence, 3, M);
  const double steps[4] = {0.01, 0.015, 0.025, 0.05};
  for (int i = 0; i < 4; ++i) a.cells[i]->dofs->levels[0][0] = a.cells[i]->size() / steps[i];
  double gain = 0, macro = 0;
  a.localTimeStepping(gain, macro);
  const double d = p.time.dt;  // the fine step stays in time.dt
  EXPECT_NEAR(d, 0.01, 1e-15);
  EXPECT_DOUBLE_EQ(macro, 4 * d);
  EXPECT_DOUBLE_EQ(gain, 16.0 / 11.0);
  const std::vector<std::pair<double, int>> expected = {
      {2.0, 1}, {2.0, 2}, {2.0, 4}, {2.0 + d, 1}, {2.0 + 2 * d, 1}, {2.0 + 2 * d, 2}, {2.0 + 3 * d, 1}};
  ASSERT_EQ(a.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(a.calls[i].first, expected[i].first, 1e-14) << i;
    EXPECT_EQ(a.calls[i].second, expected[i].second) << i;
  }
  // Every cell, whatever its level, ends at T + M dtmin and stays active.
  for (const DGCell *c : a.cells) {
    EXPECT_NEAR(c->t(), 2.0 + 4 * d, 1e-14);
    EXPECT_TRUE(c->active);
  }
  // The goal step bounds the fine step.
  p.time.dtRef = 0.004;
  a.localTimeStepping(gain, macro);
  EXPECT_DOUBLE_EQ(p.time.dt, 0.004);
  EXPECT_DOUBLE_EQ(macro, 0.016);
}

TEST(AnalysisTimeLevels, SecondVariantSplitsTheGoalStep) {
  struct Case {
    double goalInSmin;  // goal step in units of the smallest half-CFL step
    double slowRatio;   // stable step of cells 1..3 over cell 0's
    int k;              // expected substeps
    int updates;        // expected cell updates
  };
  const Case cases[] = {
      {2.0, 1.0, 1, 4},   // not above 2 smin: one substep
      {3.0, 1.0, 2, 8},   // exactly 3 smin: two substeps of 1.5 smin, every cell each time
      {7.0, 10.0, 6, 9},  // slow cells take all six substeps at once
  };
  for (const Case &c : cases) {
    ContextScope scope(new SpeedLaw(1), grid2d(4, 1, true));
    DGParameters &p = scope.param();
    p.time.mode = 2;
    p.time.cflMax = 1.0;
    p.state.t = 1.0;
    DGAnalysis a;
    a.init(0, 0);
    const double s0 = 0.02;
    for (int i = 0; i < 4; ++i)
      a.cells[i]->dofs->levels[0][0] = a.cells[i]->size() / (i == 0 ? s0 : c.slowRatio * s0);
    double smin = std::numeric_limits<double>::infinity();
    a.computeTimeStep(smin, 0.5 * p.time.cflMax);
    ASSERT_NEAR(smin, 0.5 * s0, 1e-15);
    p.time.dtRef = c.goalInSmin * smin;
    double gain = 0, macro = 0;
    a.localTimeStepping_Version2(gain, macro);
    const double fine = p.time.dtRef / c.k;
    EXPECT_NEAR(p.time.dt, fine, 1e-15) << c.goalInSmin;
    EXPECT_NEAR(macro, p.time.dtRef, 1e-15);
    EXPECT_DOUBLE_EQ(gain, 4.0 * c.k / c.updates) << c.goalInSmin;
    for (const DGCell *cell : a.cells) {
      EXPECT_EQ(cell->getTag(), c.k);
      EXPECT_NEAR(cell->t(), 1.0 + p.time.dtRef, 1e-14);
      EXPECT_TRUE(cell->active);
    }
    for (const DGBoundaryCell *f : a.boundaryCells)
      if (!f->right) {
        EXPECT_EQ(f->rightTag, c.k);
      }
  }
}

TEST(AnalysisTimeLevels, UnusableParametersAreRefused) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char *what;
    int mode;
    double goal;
    int nbSub;
    double speed;  // wave speed of every cell (0: no stable step limit)
  };
  const Case cases[] = {
      {"zero goal", 1, 0.0, 1, 1.0},          {"negative goal", 2, -1.0, 1, 1.0},
      {"NaN goal", 1, nan, 1, 1.0},           {"infinite goal and no speed", 1, inf, 1, 0.0},
      {"no speed, infinite goal (substeps)", 2, inf, 1, 0.0},
      {"no levels", 1, 1.0, 0, 1.0},          {"16 levels", 1, 1.0, 16, 1.0},
      {"40000 substeps", 2, 40000.0, 1, 2.0},
  };
  for (const Case &c : cases) {
    ContextScope scope(new SpeedLaw(1), grid2d(2, 1, true));
    DGParameters &p = scope.param();
    p.time.mode = c.mode;
    p.time.dtRef = c.goal;
    p.time.nbSub = c.nbSub;
    p.time.cflMax = 1.0;
    DGAnalysis a;
    a.init(0, 0);
    // Cell size / speed * 0.5 is the smallest half-CFL step; scale it to 1.
    for (DGCell *cell : a.cells) cell->dofs->levels[0][0] = c.speed * cell->size();
    double gain, macro;
    if (c.mode == 1)
      EXPECT_THROW(a.localTimeStepping(gain, macro), std::string) << c.what;
    else
      EXPECT_THROW(a.localTimeStepping_Version2(gain, macro), std::string) << c.what;
  }
}

// With one level every cell and face takes level 1 in the step itself, also
// when cells and faces still carry other levels (here 7, as the goal-step
// variant leaves them) and the cells other times: the step equals the
// beginning, residual and update of all cells and faces taken by hand, to the
// bit. Both a law without gradient lifting (its cells begin the step in the
// volume pass and its faces take the level in the face sweep) and one with it
// (both happen before the passes that lift the gradients).
TEST(AnalysisTimeLevels, OneLevelStepSetsEveryLevelItself) {
  static LambdaField velocity([](const mPoint &, double, double *a) { a[0] = 1.0; a[1] = 0.5; a[2] = 0.0; }, 0);
  static LambdaField ramp([](const mPoint &p, double t, double *u) { u[0] = 1.0 + p.x() - 2.0 * p.y() + t; }, 1);
  static LambdaField far([](const mPoint &, double, double *u) {
    u[0] = 1.0; u[1] = 0.3; u[2] = -0.2; u[3] = 2.6;
  }, 0);
  const std::map<int, bc> farOnly;
  for (const bool euler : {true, false}) {
    SCOPED_TRACE(euler ? "Euler" : "advection-diffusion");
    auto makeLaw = [&]() -> ConservationLaw * {
      if (euler) return new Euler2d(false, farOnly, &far, false, false, 1.4, 287.0, 0, nullptr, nullptr);
      return new advectionDiffusion(&ramp, &velocity, &ramp, nullptr, 10.0);
    };
    // A state that differs from cell to cell, the same in both runs.
    auto setState = [](DGAnalysis &a) {
      for (std::size_t i = 0; i < a.cells.size(); ++i) {
        DGCell *c = a.cells[i];
        const int nb = c->nbFcts;
        for (int f = 0; f < c->nbFields(); ++f)
          for (int j = 0; j < nb; ++j)
            c->dofs->levels[0][f * nb + j] = j == 0 ? (f == 3 ? 2.6 : 1.0) + 0.05 * std::sin(1.0 + i + f)
                                                    : 0.01 * std::cos(i + 2.0 * j + f);
      }
    };
    // One run at a time: the context holds one law and one mesh.
    std::vector<double> stepped;
    double dt = 0.0;
    {
      ContextScope one(makeLaw(), grid2d(4, 3, false, wavy));
      DGParameters &p = one.param();
      p.time.nbSub = 1;
      p.time.cflMax = 0.3;
      p.time.dtRef = 1e30;
      p.state.t = 0.5;
      DGAnalysis a;
      a.init(1, 1);
      setState(a);
      for (DGCell *c : a.cells) {
        c->tag = 7;
        c->dofs->t = c->dofs->tprev = -3.0;
      }
      for (DGBoundaryCell *f : a.boundaryCells) f->leftTag = f->rightTag = 7;
      double gain = 0.0, macro = 0.0;
      a.localTimeStepping(gain, macro);
      EXPECT_EQ(gain, 1.0);
      for (const DGCell *c : a.cells) {
        EXPECT_EQ(c->tag, 1);
        // The step began at 0.5 and went on by the step.
        EXPECT_EQ(c->dofs->tprev, 0.5);
        EXPECT_EQ(c->t(), 0.5 + p.time.dt);
      }
      for (const DGBoundaryCell *f : a.boundaryCells) {
        EXPECT_EQ(f->leftTag, 1);
        EXPECT_EQ(f->rightTag, 1);
      }
      for (const DGCell *c : a.cells) stepped.insert(stepped.end(), c->coef0, c->coef0 + c->rhs.size());
      dt = p.time.dt;
    }

    // By hand: the residual of all cells and faces, then the update.
    ContextScope hand(makeLaw(), grid2d(4, 3, false, wavy));
    hand.param().state.t = 0.5;
    DGAnalysis b;
    b.init(1, 1);
    setState(b);
    double dtmin = 1e30;
    b.computeTimeStep(dtmin, 0.3);
    EXPECT_EQ(dtmin, dt);
    for (DGCell *c : b.cells) c->beginTimeStep(0.5);
    b.cSpatialOperator(0.5, -1, b.cells, b.boundaryCells);
    b.forwardEuler(dt, b.cells, -1);
    std::vector<double> expected;
    for (const DGCell *c : b.cells) expected.insert(expected.end(), c->coef0, c->coef0 + c->rhs.size());
    EXPECT_EQ(stepped, expected);
  }
}

}  // namespace
