// Moment limiter on rows and columns of unit squares: each Legendre moment of
// order q is compared by minmod with the differences of the order q-1 moments
// to the neighbours, divided by 2q - 1, from the highest order down.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "DGLimiters.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

// Three unit squares in a row (along x) or a column (along y), in order of
// position; cell k gets the order orders[k]. Coefficients of field 0:
// 0 mean, 1 L1(u), 2 L1(v), 3 uv, 4 L2(u), 5 L2(v).
struct Line {
  Scope scope;
  DGAnalysis a;
  DGCell *cell[3] = {};
  Line(bool alongX, const int orders[3])
      : scope(new TestLaw(1), alongX ? grid(3, 1, 1.0, 1.0, true) : grid(1, 3, 1.0, 1.0, true)) {
    a.init(0, 0);
    std::vector<mEntity *> elements;
    for (DGCell *c : a.cells) elements.push_back(c->getEntity());
    for (mEntity *e : elements) {
      DGCell *c = dgCellOf(e);
      const mPoint m = centre(c);
      const int k = static_cast<int>(alongX ? m.x() : m.y());
      cell[k] = a.addCell(e, orders[k]);
    }
  }
  void set(int k, std::vector<double> coefficients) {
    for (std::size_t j = 0; j < coefficients.size(); ++j) coef(cell[k], 0, static_cast<int>(j)) = coefficients[j];
  }
};

TEST(MomentLimiter, ReferenceAxesFollowThePhysicalAxes) {
  const int orders[3] = {1, 1, 1};
  Line row(true, orders);
  double x, y, z;
  row.cell[1]->getMapping()->eval(-1, -1, 0, x, y, z);
  EXPECT_DOUBLE_EQ(x, 1.0);
  EXPECT_DOUBLE_EQ(y, 0.0);
  row.cell[1]->getMapping()->eval(1, 1, 0, x, y, z);
  EXPECT_DOUBLE_EQ(x, 2.0);
  EXPECT_DOUBLE_EQ(y, 1.0);
}

TEST(MomentLimiter, HandCases) {
  struct Case {
    const char *what;
    bool alongX;
    bool monotone;
    int orders[3];
    std::vector<double> c[3];  // coefficients of the three cells
    int limited;               // which cell
    std::vector<double> expected;
  };
  // Means 0, 1, 3: the differences to the neighbours of the middle cell are
  // 1 (behind) and 2 (ahead).
  const Case cases[] = {
      {"order 1, moment within both differences", true, false, {1, 1, 1},
       {{0}, {1, 0.5, 5, 0.7}, {3}}, 1, {1, 0.5, 5, 0.7}},
      {"order 1, moment above one difference", true, false, {1, 1, 1},
       {{0}, {1, 1.5, 5, 0.7}, {3}}, 1, {1, 1, 5, 0.7}},
      {"order 1, moment above both", true, false, {1, 1, 1},
       {{0}, {1, 2.5, 0, 0}, {3}}, 1, {1, 1, 0, 0}},
      {"order 1, opposite sign", true, false, {1, 1, 1},
       {{0}, {1, -0.5, 0, 0}, {3}}, 1, {1, 0, 0, 0}},
      {"boundary cell against its one neighbour", true, false, {1, 1, 1},
       {{0, 1.5, 0, 0}, {1}, {3}}, 0, {0, 1, 0, 0}},
      {"column: the y moment", false, false, {1, 1, 1},
       {{0}, {1, 5, 1.5, 0.7}, {3}}, 1, {1, 5, 1, 0.7}},
      // Order 2: the L2(u) moment 1 against (1.5 - 0) / 3 and (0 - 1.5) / 3
      // goes to 0, so the slope is limited next, to 1.
      {"order 2, descent", true, false, {2, 2, 2},
       {{0}, {1, 1.5, 0, 0, 1}, {3}}, 1, {1, 1, 0, 0, 0}},
      // The L2(u) moment 0.2 lies within 0.5 and (6 - 1.5) / 3: no descent,
      // the slope 1.5 stays although it exceeds the mean differences.
      {"order 2, descent stopped", true, false, {2, 2, 2},
       {{0}, {1, 1.5, 0, 0, 0.2}, {3, 6}}, 1, {1, 1.5, 0, 0, 0.2}},
      {"column, order 2, descent in y", false, false, {2, 2, 2},
       {{0}, {1, 0, 1.5, 0, 0, 1}, {3}}, 1, {1, 0, 1, 0, 0, 0}},
      // Monotone in x (derivative 1.5 everywhere): not limited.
      {"monotone field", true, true, {1, 1, 1},
       {{0}, {1, 1.5, 0, 0}, {3}}, 1, {1, 1.5, 0, 0}},
      // Derivative 1.5 + 3v changes sign inside: limited as usual.
      {"non-monotone field", true, true, {1, 1, 1},
       {{0}, {1, 1.5, 0, 3}, {3}}, 1, {1, 1, 0, 3}},
      // Neighbours of order 0 carry no order-1 moment to compare the L2(u)
      // moment with: it stays, and so does the slope.
      {"neighbours of lower order", true, false, {0, 2, 0},
       {{0}, {1, 1.5, 0, 0, 1}, {3}}, 1, {1, 1.5, 0, 0, 1}},
  };
  for (const Case &c : cases) {
    Line line(c.alongX, c.orders);
    for (int k = 0; k < 3; ++k) line.set(k, c.c[k]);
    DGMomentLimiterRegularCube limiter(c.monotone);
    limiter.limit(line.cell[c.limited]);
    const int nb = line.cell[c.limited]->dofs->nbFunctions;
    for (int j = 0; j < nb; ++j) {
      const double expected = j < static_cast<int>(c.expected.size()) ? c.expected[j] : 0.0;
      EXPECT_DOUBLE_EQ(coef(line.cell[c.limited], 0, j), expected) << c.what << ", coefficient " << j;
    }
  }
}

TEST(MomentLimiter, FlagTable) {
  DGMomentLimiterRegularCube limiter(false);
  limiter.initTable(2, 3);
  for (int f = 0; f < 2; ++f)
    for (int d = 0; d < 3; ++d)
      for (int q = 0; q <= 3; ++q) EXPECT_EQ(limiter.flagged(f, q, d), q == 3);
  // A lower order clears below it and leaves the higher flags.
  limiter.initTable(2, 1);
  EXPECT_TRUE(limiter.flagged(0, 1, 0));
  EXPECT_FALSE(limiter.flagged(0, 0, 0));
  EXPECT_TRUE(limiter.flagged(1, 3, 2));
  // Orders and field counts beyond the table are clamped.
  limiter.initTable(1000, 50);
  EXPECT_TRUE(limiter.flagged(255, 9, 2));
}

TEST(MomentLimiter, TrianglesAreLeftAsTheyAre) {
  Scope scope(new TestLaw(1), grid(2, 2, 0.5, 0.5, false));
  DGAnalysis a;
  a.init(1, 0);
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> U(-1.0, 1.0);
  for (DGCell *c : a.cells)
    for (int i = 0; i < c->dofs->nbValues(); ++i) c->dofs->levels[0][i] = U(gen);
  DGMomentLimiterRegularCube limiter(false);
  for (DGCell *c : a.cells) {
    const std::vector<double> before(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues());
    limiter.limit(c);
    EXPECT_EQ(std::vector<double>(c->dofs->levels[0], c->dofs->levels[0] + c->dofs->nbValues()), before);
  }
}

}  // namespace
