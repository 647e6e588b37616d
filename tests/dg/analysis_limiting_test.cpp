// Limiting passes and the update: stencil bounds over face and vertex
// neighbours, the jump indicator against the threshold, the level and active
// filters, and face states interpolated in time between coefficient levels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "DGAnalysisPasses.h"
#include "analysis_fixture.h"
#include "analysis_testlaw.h"

using namespace antest;

namespace {

class SpyLimiter : public DGLimiter {
public:
  explicit SpyLimiter(bool stencil, std::set<const DGCell *> *log) : stencil(stencil), limited(log) {}
  void limit(DGCell *cell) override { limited->insert(cell); }
  bool needStencilAverages() const override { return stencil; }

private:
  bool stencil;
  std::set<const DGCell *> *limited;
};

LambdaField &unitField() {
  static LambdaField f([](const mPoint &, double, double *u) { u[0] = 1.0; }, 0);
  return f;
}

// 3 x 3 quadrilaterals of order 0; cell (i, j) gets the mean values[j][i].
struct Board {
  std::set<const DGCell *> limited;
  ContextScope scope;
  DGAnalysis a;
  DGCell *at[3][3] = {};
  Board(bool stencil, const double values[3][3])
      : scope(new SpeedLaw(1, &unitField()), grid2d(3, 3, true), new SpyLimiter(stencil, &limited)) {
    a.init(0, 1);
    limited.clear();
    for (DGCell *c : a.cells) {
      double x, y, z;
      c->getMapping()->eval(0, 0, 0, x, y, z);
      const int i = static_cast<int>(x * 3), j = static_cast<int>(y * 3);
      at[j][i] = c;
      c->dofs->levels[0][0] = values[j][i];
    }
    a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
  }
};

TEST(AnalysisLimiting, StencilBoundsCoverFaceAndVertexNeighbours) {
  const double values[3][3] = {{1, 3, 2}, {5, 4, 0.5}, {7, 6, 8}};
  Board b(true, values);
  b.a.applyLimiter(0.0, -1, b.a.cells, b.a.boundaryCells);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      double lo = 1e30, hi = -1e30;
      for (int jj = std::max(j - 1, 0); jj <= std::min(j + 1, 2); ++jj)
        for (int ii = std::max(i - 1, 0); ii <= std::min(i + 1, 2); ++ii) {
          lo = std::min(lo, values[jj][ii]);
          hi = std::max(hi, values[jj][ii]);
        }
      EXPECT_EQ(b.at[j][i]->stencilMin[0], lo) << i << "," << j;
      EXPECT_EQ(b.at[j][i]->stencilMax[0], hi) << i << "," << j;
    }
}

TEST(AnalysisLimiting, IndicatorAgainstTheThreshold) {
  // Means 2 everywhere except one cell of mean 3 and one of mean -1.
  const double values[3][3] = {{2, 2, 2}, {2, 3, 2}, {2, 2, -1}};
  struct Case {
    double threshold;
    std::set<std::pair<int, int>> expected;  // (i, j) of the limited cells
  };
  // Indicators (jump sum over face measure and mean): the centre 1/3; the
  // two cells between the centre and the negative cell 2/3; the corners next
  // to the centre's row 0 or 1/6; the cell of mean -1 gets -3.
  const double third = 1.0 / 3.0;
  {
    Board probe(true, values);
    probe.a.applyLimiter(0.0, -1, probe.a.cells, probe.a.boundaryCells);
    auto indicator = [&](int i, int j) {
      const DGCell *c = probe.at[j][i];
      return c->jumpSum / (c->jumpWeight * c->theMean(0));
    };
    EXPECT_NEAR(indicator(1, 1), third, 1e-14);
    EXPECT_NEAR(indicator(2, 1), 2 * third, 1e-14);
    EXPECT_NEAR(indicator(1, 0), 0.5 * third, 1e-14);
    EXPECT_NEAR(indicator(0, 0), 0.0, 1e-14);
    EXPECT_NEAR(indicator(2, 2), -3.0, 1e-14);
  }
  const Case cases[] = {
      {0.0, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}}},  // all but the negative cell
      {third + 0.0005, {{1, 1}, {2, 1}, {1, 2}}},  // limited when threshold - 0.001 < indicator
      {third + 0.0015, {{2, 1}, {1, 2}}},
      {0.7, {}},
      {-1e9, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
  };
  for (const Case &c : cases) {
    Board b(true, values);
    b.scope.param().general.detector = c.threshold;
    b.a.applyLimiter(0.0, -1, b.a.cells, b.a.boundaryCells);
    std::set<const DGCell *> expected;
    for (auto [i, j] : c.expected) expected.insert(b.at[j][i]);
    EXPECT_EQ(b.limited, expected) << "threshold " << c.threshold;
  }
}

TEST(AnalysisLimiting, FiltersOfLevelAndActivity) {
  const double values[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  // Without stencil: every active cell of the level, no accumulator touched.
  Board b(false, values);
  for (DGCell *c : b.a.cells) c->jumpSum = 42.0;
  b.at[0][0]->active = false;
  b.at[1][1]->setTag(2);
  b.a.applyLimiter(0.0, 0, b.a.cells, b.a.boundaryCells);
  EXPECT_EQ(b.limited.size(), 7u);
  EXPECT_FALSE(b.limited.count(b.at[0][0]));
  EXPECT_FALSE(b.limited.count(b.at[1][1]));
  for (const DGCell *c : b.a.cells) EXPECT_EQ(c->jumpSum, 42.0);
  // The update reaches inactive cells of the level too, and only the level.
  const double t0 = b.at[0][0]->t();
  b.a.forwardEuler(0.5, b.a.cells, 0);
  EXPECT_EQ(b.at[0][0]->t(), t0 + 0.5);
  EXPECT_EQ(b.at[1][1]->t(), t0);
  // No limiter: nothing at all.
  DGLimiter *installed = GlobalParamManager::Instance()->limiter;
  GlobalParamManager::Instance()->limiter = nullptr;
  b.limited.clear();
  b.a.applyLimiter(0.0, -1, b.a.cells, b.a.boundaryCells);
  EXPECT_TRUE(b.limited.empty());
  GlobalParamManager::Instance()->limiter = installed;
}

// Two quadrilaterals side by side, order 1: the left at the pass level, the
// right at another level with its coefficients at two times.
TEST(AnalysisLimiting, FaceStatesInterpolateAndExtrapolateInTime) {
  ContextScope scope(new SpeedLaw(1, &unitField()), grid2d(2, 1, true));
  DGAnalysis a;
  a.init(1, 1);
  DGCell *left = nullptr, *right = nullptr;
  for (DGCell *c : a.cells) {
    double x, y, z;
    c->getMapping()->eval(0, 0, 0, x, y, z);
    (x < 0.5 ? left : right) = c;
  }
  DGBoundaryCell *shared = nullptr;
  for (DGBoundaryCell *f : a.boundaryCells)
    if (f->right) shared = f;
  ASSERT_NE(shared, nullptr);
  left->setTag(1);
  right->setTag(2);
  a.tagBoundaryCells(true, 4);
  // Right cell: constant 10 at time 1 (previous), 20 at time 2 (current).
  right->dofs->tprev = 1.0;
  right->dofs->t = 2.0;
  right->dofs->levels[1][0] = 10.0;
  right->dofs->levels[0][0] = 20.0;
  const bool rightIsRight = dgCellOf(shared->right) == right;
  struct Case {
    double t, expected;
  };
  for (const Case &c : {Case{1.0, 10.0}, Case{1.25, 12.5}, Case{2.0, 20.0}, Case{3.0, 30.0}}) {
    ComputeSolutionOnBothSides pass{c.t, false, 1, 1, 1};
    pass(shared);
    for (const ptGaussInfo &g : shared->gaussPoints) {
      EXPECT_NEAR((rightIsRight ? g.UR : g.UL)[0], c.expected, 1e-12) << c.t;
      EXPECT_NEAR((rightIsRight ? g.UL : g.UR)[0], 1.0, 1e-12);
    }
  }
  // Level -1: every side from its current coefficients.
  ComputeSolutionOnBothSides all{1.0, false, -1, 1, 1};
  all(shared);
  EXPECT_NEAR((rightIsRight ? shared->gaussPoints[0].UR : shared->gaussPoints[0].UL)[0], 20.0, 1e-12);
  // Stencil means weight the other way: previous at the current time.
  double mean;
  cellMeansAt(right, 2.0, &mean);
  EXPECT_EQ(mean, 10.0);
  cellMeansAt(right, 1.0, &mean);
  EXPECT_EQ(mean, 20.0);
  cellMeansAt(right, 1.25, &mean);
  EXPECT_DOUBLE_EQ(mean, 17.5);
}

}  // namespace
