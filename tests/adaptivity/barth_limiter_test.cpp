// Barth and Tovu limiters: cell means kept exactly, higher modes removed,
// linear modes scaled into the stencil bounds, inadmissible means repaired.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "DGLimiters.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

// A row of three unit squares of the given order, cells from left to right.
struct Row {
  Scope scope;
  DGAnalysis a;
  DGCell *cell[3] = {};
  Row(ConservationLaw *law, int order) : scope(law, grid(3, 1, 1.0, 1.0, true)) {
    a.init(order, 0);
    for (DGCell *c : a.cells) cell[static_cast<int>(centre(c).x())] = c;
  }
};

TEST(BarthLimiter, LinearFieldWithinTheBoundsKeepsMeansAndSlopesAndLosesHigherModes) {
  // Order 2; mean 1.5, slope inside [0.5, 2.5] at every test point, plus
  // quadratic modes (coefficients 4 to 8).
  Row r(new TestLaw(1), 2);
  DGCell *c = r.cell[1];
  const double linear[4] = {1.5, 0.5, 0.25, 0.125};
  for (int j = 0; j < 4; ++j) coef(c, 0, j) = linear[j];
  for (int j = 4; j < 9; ++j) coef(c, 0, j) = 0.1 * j;
  c->stencilMin[0] = 0.5;
  c->stencilMax[0] = 2.5;
  DGBarthLimiter().limit(c);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(coef(c, 0, j), linear[j]) << j;
  for (int j = 4; j < 9; ++j) EXPECT_EQ(coef(c, 0, j), 0.0) << j;
}

TEST(BarthLimiter, ScalesTheLinearAndBilinearModesByTheRatio) {
  // Mean 1.5 in [0.5, 2.5]; with u and uv coefficients 1 the corners reach
  // 3.5 and -0.5, twice the room: everything linear is halved.
  struct Case {
    double c1, c2, c3, factor;
  };
  const Case cases[] = {{1, 0, 1, 0.5}, {2, 0, 0, 0.5}, {0, 4, 0, 0.25}, {0.5, 0.25, 0.25, 1.0}};
  for (const Case &k : cases) {
    Row r(new TestLaw(1), 1);
    DGCell *c = r.cell[1];
    coef(c, 0, 0) = 1.5;
    coef(c, 0, 1) = k.c1;
    coef(c, 0, 2) = k.c2;
    coef(c, 0, 3) = k.c3;
    c->stencilMin[0] = 0.5;
    c->stencilMax[0] = 2.5;
    DGBarthLimiter().limit(c);
    EXPECT_EQ(coef(c, 0, 0), 1.5);
    EXPECT_DOUBLE_EQ(coef(c, 0, 1), k.c1 * k.factor);
    EXPECT_DOUBLE_EQ(coef(c, 0, 2), k.c2 * k.factor);
    EXPECT_DOUBLE_EQ(coef(c, 0, 3), k.c3 * k.factor);
  }
}

TEST(BarthLimiter, OrderZeroChangesOnlyInadmissibleMeans) {
  Row r(new TestLaw(2, nullptr, 0.0), 0);
  DGCell *c = r.cell[0];
  coef(c, 0, 0) = 0.75;
  coef(c, 1, 0) = -4.0;
  DGBarthLimiter().limit(c);
  EXPECT_EQ(coef(c, 0, 0), 0.75);
  EXPECT_EQ(coef(c, 1, 0), -4.0);
  // Field 0 below the floor 0: repaired to the floor, the other field kept.
  coef(c, 0, 0) = -0.5;
  DGBarthLimiter().limit(c);
  EXPECT_EQ(coef(c, 0, 0), 0.0);
  EXPECT_EQ(coef(c, 1, 0), -4.0);
}

TEST(BarthLimiter, RepairedMeanEntersTheRatios) {
  // Mean -1 is repaired to 0; the stencil [0, 1] then leaves no room below
  // the new mean, so the slope goes.
  Row r(new TestLaw(1, nullptr, 0.0), 1);
  DGCell *c = r.cell[1];
  coef(c, 0, 0) = -1.0;
  coef(c, 0, 1) = 0.5;
  c->stencilMin[0] = 0.0;
  c->stencilMax[0] = 1.0;
  DGBarthLimiter().limit(c);
  EXPECT_EQ(coef(c, 0, 0), 0.0);
  EXPECT_EQ(coef(c, 0, 1), 0.0);
}

TEST(BarthLimiter, CannotRepairWithoutTheLawsHelp) {
  // A law without its own repair throws the integer 1 from restorePhysical.
  struct NoRepair : TestLaw {
    NoRepair() : TestLaw(1, nullptr, 0.0) {}
    void restorePhysical(double *U) const override { ConservationLaw::restorePhysical(U); }
  };
  Row r(new NoRepair, 1);
  coef(r.cell[0], 0, 0) = -1.0;
  EXPECT_THROW(DGBarthLimiter().limit(r.cell[0]), int);
}

// Random order-2 fields on a 4 x 4 grid of triangles, limited through the
// analysis's limiting pass (which fills the stencil bounds from the means of
// face and vertex neighbours): every mean is kept bit for bit and, in every
// cell, the limited field at each vertex lies within the cell's stencil bounds
// (no new extrema); Tovu leaves exactly what Barth leaves.
TEST(BarthLimiter, NoNewExtremaAndMeansKeptOnRandomFields) {
  std::vector<std::vector<double>> after[2];
  for (int which = 0; which < 2; ++which) {
    DGLimiter *limiter = which == 0 ? static_cast<DGLimiter *>(new DGBarthLimiter)
                                    : static_cast<DGLimiter *>(new DGTovuLimiter);
    Scope scope(new TestLaw(2), grid(4, 4, 0.25, 0.25, false), limiter);
    DGAnalysis a;
    a.init(2, 0);
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    std::vector<double> means;
    for (DGCell *c : a.cells)
      for (int i = 0; i < c->dofs->nbValues(); ++i) c->dofs->levels[0][i] = U(gen);
    for (DGCell *c : a.cells)
      for (int f = 0; f < 2; ++f) means.push_back(coef(c, f, 0));
    // The two time levels agree, so the stencil means are the current ones.
    for (DGCell *c : a.cells) c->dofs->tprev = c->dofs->t;
    a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
    GlobalParamManager::Instance()->parameters->general.detector = -1e9;  // limit every cell
    a.applyLimiter(0.0, -1, a.cells, a.boundaryCells);
    std::size_t k = 0;
    for (DGCell *c : a.cells) {
      after[which].emplace_back(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues());
      for (int f = 0; f < 2; ++f) EXPECT_EQ(coef(c, f, 0), means[k++]);
      const double vertices[3][2] = {{0, 0}, {1, 0}, {0, 1}};
      for (const auto &p : vertices) {
        double val[2];
        c->interpolate(p[0], p[1], 0.0, val);
        for (int f = 0; f < 2; ++f) {
          EXPECT_LE(val[f], c->stencilMax[f] + 1e-13);
          EXPECT_GE(val[f], c->stencilMin[f] - 1e-13);
        }
      }
      // No quadratic mode survives.
      for (int f = 0; f < 2; ++f)
        for (int j = 3; j < 6; ++j) EXPECT_EQ(coef(c, f, j), 0.0);
    }
  }
  EXPECT_EQ(after[0], after[1]);
  // The bounds were met by scaling, not by flattening every cell.
  int sloped = 0;
  for (const auto &c : after[0])
    if (c[1] != 0.0 || c[2] != 0.0) ++sloped;
  EXPECT_GT(sloped, 0);
}

}  // namespace
