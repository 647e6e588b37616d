// Shared limiter operations: minmod, the Barth-Jespersen factors, the
// composite limiter and the interface defaults.

#include <gtest/gtest.h>

#include <memory>

#include "DGErrorEstimators.h"
#include "DGLimiters.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

TEST(Minmod, Table) {
  struct Case {
    double a, b, expected;
    bool stored;
  };
  const Case cases[] = {
      {3, -1, 0, true}, {3, 5, 3, false}, {3, 2, 2, true},   {0, 5, 0, false},
      {3, 0, 0, true},  {3, 3, 3, true},  {-3, -2, -2, true}, {-3, -7, -3, false},
  };
  for (const Case &c : cases) {
    double a = c.a;
    EXPECT_EQ(DGLimiter::minmod(a, c.b), c.stored) << c.a << " " << c.b;
    EXPECT_EQ(a, c.expected) << c.a << " " << c.b;
  }
}

// One unit square of order 1 (basis 1, u, v, uv on [-1,1]^2): the test points
// are the centre and the four corners, where the field is mean + c1 u.
struct OneQuad {
  Scope scope;
  DGAnalysis a;
  DGCell *cell;
  explicit OneQuad(ConservationLaw *law) : scope(law, grid(1, 1, 1.0, 1.0, true)) {
    a.init(1, 0);
    cell = a.cells.at(0);
  }
};

TEST(ComputeMinMax, BarthJespersenFactorOfOneField) {
  struct Case {
    const char *what;
    double mean, c1, lo, hi, ratio;
  };
  const Case cases[] = {
      {"inside the bounds", 1, 0.5, 0, 2, 1},
      {"both corners beyond", 1, 2, 0, 2, 0.5},
      {"one corner beyond", 1, 2, 0.5, 4, 0.25},
      {"deviation within the tolerance", 1, 5e-5, 0, 1, 1},
      {"deviation beyond the tolerance", 1, 2e-4, 0, 1, 0},
      {"flat stencil", 1, 1e-12, 1, 1, 0},
      {"mean above the stencil", 2, 1, 0, 1, 0},
  };
  OneQuad q(new TestLaw(1));
  for (const Case &c : cases) {
    coef(q.cell, 0, 0) = c.mean;
    coef(q.cell, 0, 1) = c.c1;
    q.cell->stencilMin[0] = c.lo;
    q.cell->stencilMax[0] = c.hi;
    double ratio[256];
    DGBarthLimiter().computeMinMax(q.cell, ratio);
    EXPECT_DOUBLE_EQ(ratio[0], c.ratio) << c.what;
    // The cell itself is left alone.
    EXPECT_EQ(coef(q.cell, 0, 1), c.c1) << c.what;
  }
}

TEST(ComputeMinMax, OneInadmissibleTestPointZeroesEveryField) {
  OneQuad q(new TestLaw(2, nullptr, 0.0));
  // Field 0 is -1 at the left corners; field 1 is constant and inside its bounds.
  coef(q.cell, 0, 0) = 1.0;
  coef(q.cell, 0, 1) = 2.0;
  coef(q.cell, 1, 0) = 1.0;
  for (int f = 0; f < 2; ++f) {
    q.cell->stencilMin[f] = -10.0;
    q.cell->stencilMax[f] = 10.0;
  }
  double ratio[256];
  DGBarthLimiter().computeMinMax(q.cell, ratio);
  EXPECT_EQ(ratio[0], 0.0);
  EXPECT_EQ(ratio[1], 0.0);
  // Admissible everywhere: both 1.
  coef(q.cell, 0, 1) = 0.5;
  DGBarthLimiter().computeMinMax(q.cell, ratio);
  EXPECT_EQ(ratio[0], 1.0);
  EXPECT_EQ(ratio[1], 1.0);
}

// Limiters that record nothing but change the first coefficient.
struct AddOne : DGLimiter {
  void limit(DGCell *c) override { c->dofs->levels[0][0] += 1.0; }
  bool needStencilAverages() const override { return false; }
};
struct Triple : DGLimiter {
  void limit(DGCell *c) override { c->dofs->levels[0][0] *= 3.0; }
  bool needStencilAverages() const override { return false; }
};

TEST(MultiLimiter, AppliesItsLimitersInTheOrderOfAddition) {
  OneQuad q(new TestLaw(1));
  AddOne add;
  Triple triple;
  struct Case {
    std::vector<DGLimiter *> list;
    double expected;
  };
  const Case cases[] = {{{}, 1.0}, {{&add, &triple}, 6.0}, {{&triple, &add}, 4.0}, {{&add, &add}, 3.0}};
  for (const Case &c : cases) {
    DGMultiLimiter multi;
    for (DGLimiter *l : c.list) multi.addLimiter(l);
    coef(q.cell, 0, 0) = 1.0;
    multi.limit(q.cell);
    EXPECT_EQ(coef(q.cell, 0, 0), c.expected);
    // Whatever its members answer, it asks for the stencil bounds.
    EXPECT_TRUE(multi.needStencilAverages());
  }
}

TEST(LimiterInterface, StencilQuestionOfEveryLimiter) {
  struct Case {
    std::unique_ptr<DGLimiter> limiter;
    bool stencil;
  };
  Case cases[6];
  cases[0] = {std::make_unique<DGBarthLimiter>(), true};
  cases[1] = {std::make_unique<DGTovuLimiter>(), true};
  cases[2] = {std::make_unique<DGMomentLimiterRegularCube>(false), true};
  cases[3] = {std::make_unique<DGMomentLimiterRegularCube>(true), true};
  cases[4] = {std::make_unique<DGMultiLimiter>(), true};
  cases[5] = {std::make_unique<DGPhysicalLimiter>(0.3, 3.0), false};
  for (const Case &c : cases) EXPECT_EQ(c.limiter->needStencilAverages(), c.stencil);
}

TEST(EstimatorInterface, DefaultFormsContributeNothing) {
  struct Plain : DGErrorEstimator {};
  OneQuad q(new TestLaw(1));
  Plain plain;
  double weight = 7.0, error = 7.0;
  plain.computeError(q.cell, nullptr, nullptr, weight, error);
  EXPECT_EQ(weight, 0.0);
  EXPECT_EQ(error, 0.0);
  q.cell->errorWeight = 2.0;
  q.cell->errorSum = 3.0;
  plain.computeError(q.cell);
  EXPECT_EQ(q.cell->errorWeight, 2.0);
  EXPECT_EQ(q.cell->errorSum, 3.0);
  // The face estimators keep the default cell form, the cell estimator the
  // default face form.
  DGErrorEstimatorGrad grad;
  static_cast<const DGErrorEstimator &>(grad).computeError(q.cell);
  EXPECT_EQ(q.cell->errorWeight, 2.0);
  DGErrorEstimatorHigherOrderGrads hog;
  weight = error = 7.0;
  static_cast<const DGErrorEstimator &>(hog).computeError(q.cell, nullptr, nullptr, weight, error);
  EXPECT_EQ(weight, 0.0);
  EXPECT_EQ(error, 0.0);
}

}  // namespace
