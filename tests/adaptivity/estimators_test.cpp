// Error estimators on two unit squares side by side ([0,1]x[0,1] and
// [1,2]x[0,1], centres (0.5, 0.5) and (1.5, 0.5)), with fields given
// exactly by the cells' polynomials, and the accumulation of cell errors.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "DGErrorEstimators.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

// Two squares carrying the projection of `fn` at the given order (exact for
// the polynomial fields used here), with the face states computed.
struct Pair {
  Field field;
  Scope scope;
  DGAnalysis a;
  DGCell *left = nullptr, *right = nullptr;
  DGBoundaryCell *shared = nullptr, *leftBoundary = nullptr, *rightBoundary = nullptr;
  Pair(int fields, int order, Field::Fn fn, DGErrorEstimator *estimator = nullptr, int nx = 2)
      : field(std::move(fn), order),
        scope(new TestLaw(fields, &field), grid(nx, 1, 1.0, 1.0, true), nullptr, estimator) {
    a.init(order, 1);
    for (DGCell *c : a.cells) (centre(c).x() < 1.0 ? left : right) = c;
    a.computeSolutionsOnBothSides(0.0, false, -1, a.boundaryCells);
    // The vertical boundary faces x = 0 and x = 2.
    for (DGBoundaryCell *f : a.boundaryCells) {
      if (f->right) {
        shared = f;
        continue;
      }
      const mPoint p = f->gaussPoints.at(0).x;
      if (p.x() == 0.0) leftBoundary = f;
      if (p.x() == 2.0) rightBoundary = f;
    }
  }
  // Face form on a face, in the face's own orientation.
  static std::pair<double, double> face(const DGErrorEstimator &e, DGBoundaryCell *f) {
    double weight = -1, error = -1;
    e.computeError(dgCellOf(f->left), f->right ? dgCellOf(f->right) : nullptr, f, weight, error);
    return {weight, error};
  }
};

struct FaceCase {
  const char *what;
  int order;
  Field::Fn fn;
  double interiorWeight, interiorError;
  double boundaryWeight, boundaryError;  // on x = 0, the left cell's face
};

void runFaceCases(const DGErrorEstimator &e, const std::vector<FaceCase> &cases, int fields = 1) {
  for (const FaceCase &c : cases) {
    Pair p(fields, c.order, c.fn);
    ASSERT_TRUE(p.shared && p.leftBoundary) << c.what;
    const auto [wi, ei] = Pair::face(e, p.shared);
    EXPECT_NEAR(wi, c.interiorWeight, 1e-12) << c.what;
    EXPECT_NEAR(ei, c.interiorError, 1e-12) << c.what;
    const auto [wb, eb] = Pair::face(e, p.leftBoundary);
    EXPECT_NEAR(wb, c.boundaryWeight, 1e-12) << c.what;
    EXPECT_NEAR(eb, c.boundaryError, 1e-12) << c.what;
  }
}

auto constant(double value) {
  return [value](const mPoint &, double *U) { U[0] = value; };
}
auto linear = [](const mPoint &p, double *U) { U[0] = 1.0 + p.x(); };
auto step = [](const mPoint &p, double *U) { U[0] = p.x() < 1.0 ? 1.0 : 3.0; };

TEST(ErrorEstimators, RelativeDifferenceQuotient) {
  runFaceCases(DGErrorEstimatorGrad(),
               {
                   {"constant", 1, constant(2.0), 1, 0, 1, 0},
                   // ((1.5 - 2.5) / 2 / 1)^2; boundary |(1, 0)|^2 / 1.5^2.
                   {"linear", 1, linear, 1, 0.25, 1, 1.0 / 2.25},
                   {"jump", 0, step, 1, 1.0, 1, 0},
                   // Relative to a zero mean there is no quotient: 0.
                   {"zero field", 1, constant(0.0), 1, 0, 1, 0},
               });
}

TEST(ErrorEstimators, JumpOfTheJumpQuantity) {
  runFaceCases(DGErrorEstimatorJump(),
               {
                   // Interior weight (2 + 2)^2 x length 1; boundary (2 x 2)^2.
                   {"constant", 1, constant(2.0), 16, 0, 16, 0},
                   // Continuous across x = 1 (value 2); 1 on x = 0.
                   {"linear", 1, linear, 16, 0, 4, 0},
                   {"jump", 0, step, 16, 4, 4, 0},
                   {"zero field", 1, constant(0.0), 0, 0, 0, 0},
               });
}

TEST(ErrorEstimators, GradientDifferenceAlongTheCentreLine) {
  runFaceCases(DGErrorEstimatorHD(),
               {
                   {"linear", 1, linear, 1, 0, 1, 0},
                   // Gradients (1, 0) and (3, 0) of x^2 at the centres, d = (1, 0).
                   {"quadratic", 2, [](const mPoint &p, double *U) { U[0] = p.x() * p.x(); }, 1, 4, 1, 0},
                   {"jump", 0, step, 1, 0, 1, 0},
               });
}

TEST(ErrorEstimators, VorticityOfATwoDimensionalFlow) {
  // Fields (rho, rho u, rho v, E) with rho = 1 + x, u = y, v = x^2: the
  // vorticity du/dy - dv/dx is 1 - 2x, 0 at the left centre, -2 at the right.
  auto shear = [](const mPoint &p, double *U) {
    const double rho = 1.0 + p.x();
    U[0] = rho;
    U[1] = rho * p.y();
    U[2] = rho * p.x() * p.x();
    U[3] = 1.0;
  };
  auto uniform = [](const mPoint &, double *U) {
    U[0] = 2.0;
    U[1] = 0.6;
    U[2] = 0.2;
    U[3] = 1.0;
  };
  runFaceCases(DGErrorEstimatorVort2d(),
               {
                   {"uniform", 1, uniform, 1, 0, 1, 0},
                   {"shear", 3, shear, 1, 2.0, 1, 0},
               },
               4);
  // On the right cell's boundary face the vorticity counts twice: sqrt(2) x 2.
  Pair p(4, 3, shear);
  const auto [w, e] = Pair::face(DGErrorEstimatorVort2d(), p.rightBoundary);
  EXPECT_EQ(w, 1.0);
  EXPECT_NEAR(e, std::sqrt(2.0) * 2.0, 1e-12);
}

TEST(ErrorEstimators, HigherOrderGradientsCellForm) {
  // Level-2 coefficient 1 of field 0 multiplies u = 2(x - xc): its gradient
  // is (2 c, 0). J = 1/4 at the centre of a unit square.
  struct Case {
    const char *what;
    double mean, level2Slope, error;
  };
  const Case cases[] = {
      {"no gradient", 5.0, 0.0, 0.0},
      {"no gradient, no mean", 0.0, 0.0, 0.0},
      {"zero mean", 0.0, 0.5, 1.0},
      // D = 1 + 1e-5 x 100^2 / (1/4) = 1.4.
      {"both", 100.0, 0.5, 1.0 / std::sqrt(1.4)},
  };
  for (const Case &c : cases) {
    Pair p(1, 1, constant(0.0));
    DGCell *cell = p.left;
    cell->dofs->levels[0][0] = c.mean;
    cell->dofs->level(2)[1] = c.level2Slope;
    // The current slope plays no part.
    cell->dofs->levels[0][1] = 7.0;
    cell->errorWeight = cell->errorSum = 9.0;
    DGErrorEstimatorHigherOrderGrads().computeError(cell);
    EXPECT_EQ(cell->errorWeight, 1.0) << c.what;
    EXPECT_NEAR(cell->errorSum, c.error, 1e-14) << c.what;
    // Its face form adds nothing through the interface cell.
    p.right->errorWeight = p.right->errorSum = 9.0;
    p.shared->computeError(DGErrorEstimatorHigherOrderGrads());
    EXPECT_EQ(p.right->errorWeight, 9.0);
    EXPECT_EQ(p.right->errorSum, 9.0);
  }
}

// ---------------------------------------------------------------------------
// Accumulation

TEST(CellErrors, FacesThenCellsGiveTheQuotientsAndTheirRange) {
  struct Case {
    const char *what;
    int order;
    Field::Fn fn;
    std::function<DGErrorEstimator *()> make;
    double left, right;
  };
  const Case cases[] = {
      // Left: 1 interior face (4, 16) and 3 boundary faces of value 1 (weight
      // 4 each); right: the same face and 3 boundary faces of value 3 (36).
      {"jump estimator", 0, step, [] { return new DGErrorEstimatorJump; }, 4.0 / 28.0, 4.0 / 124.0},
      // Left: interior 0.25 and boundary |(1,0)|^2 / 1.5^2 on 3 faces, weight 1 each.
      {"gradient estimator", 1, linear, [] { return new DGErrorEstimatorGrad; },
       (0.25 + 3.0 / 2.25) / 4.0, (0.25 + 3.0 / 6.25) / 4.0},
      // Zero weights everywhere: error 0, not a NaN.
      {"no weight", 1, constant(0.0), [] { return new DGErrorEstimatorJump; }, 0.0, 0.0},
  };
  for (const Case &c : cases) {
    Pair p(1, c.order, c.fn, c.make());
    p.a.zeroError();
    double maxError = -1, minError = -1;
    p.a.computeError(maxError, minError);
    EXPECT_NEAR(maxError, std::max(c.left, c.right), 1e-13) << c.what;
    EXPECT_NEAR(minError, std::min(c.left, c.right), 1e-13) << c.what;
    if (p.left->errorWeight != 0.0) {
      EXPECT_NEAR(p.left->getError(), c.left, 1e-13) << c.what;
    }
  }
}

TEST(CellErrors, CellFormReplacesTheFaceContributions) {
  Pair p(1, 1, constant(0.0), new DGErrorEstimatorHigherOrderGrads);
  p.left->dofs->level(2)[1] = 0.5;  // gradient (1, 0), mean 0: error 1
  p.left->errorWeight = p.left->errorSum = 3.0;
  double maxError = -1, minError = -1;
  p.a.computeError(maxError, minError);
  EXPECT_EQ(p.left->errorWeight, 1.0);
  EXPECT_NEAR(maxError, 1.0, 1e-14);
  EXPECT_EQ(minError, 0.0);
}

TEST(CellErrors, SecondPassWithoutClearingDoublesTheFaceSums) {
  Pair p(1, 0, step, new DGErrorEstimatorJump);
  p.a.zeroError();
  double maxError, minError;
  p.a.computeError(maxError, minError);
  const double w = p.left->errorWeight, e = p.left->errorSum;
  p.a.computeError(maxError, minError);
  EXPECT_EQ(p.left->errorWeight, 2 * w);
  EXPECT_EQ(p.left->errorSum, 2 * e);
  EXPECT_NEAR(maxError, 1.0 / 7.0, 1e-14);
  // Clearing brings every accumulator back to 0.
  p.a.zeroError();
  for (const DGCell *c : p.a.cells) EXPECT_EQ(c->errorWeight + c->errorSum, 0.0);
}

TEST(CellErrors, SingleCellAndNoCell) {
  {
    // One square of 1 + x: four boundary faces of |(1,0)|^2 / 1.5^2.
    Pair p(1, 1, linear, new DGErrorEstimatorGrad, 1);
    double maxError = -1, minError = -1;
    p.a.zeroError();
    p.a.computeError(maxError, minError);
    EXPECT_NEAR(maxError, 1.0 / 2.25, 1e-14);
    EXPECT_EQ(maxError, minError);
  }
  {
    Scope scope(new TestLaw(1), new mMesh(0), nullptr, new DGErrorEstimatorGrad);
    DGAnalysis a;
    double maxError = 5.0, minError = 6.0;
    a.zeroError();
    a.computeError(maxError, minError);
    EXPECT_EQ(maxError, 5.0);
    EXPECT_EQ(minError, 6.0);
  }
}

TEST(CellErrors, NeedsAnEstimatorAndAMesh) {
  Pair p(1, 1, linear);
  double maxError, minError;
  EXPECT_THROW(p.a.computeError(maxError, minError), std::string);
  GlobalParamManager::Instance()->estimator = new DGErrorEstimatorGrad;
  KORA::mMesh *mesh = GlobalParamManager::Instance()->mesh;
  GlobalParamManager::Instance()->mesh = nullptr;
  EXPECT_THROW(p.a.computeError(maxError, minError), std::string);
  EXPECT_THROW(p.a.zeroError(), std::string);
  GlobalParamManager::Instance()->mesh = mesh;
}

}  // namespace
