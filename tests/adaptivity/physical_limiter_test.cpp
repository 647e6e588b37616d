// Physical limiter: removes the highest modes while a face trace of the cell
// is inadmissible, printing one message per bad face and pass.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DGLimiters.h"
#include "limit_fixture.h"

using namespace lt;

namespace {

int messages(const std::string &out) {
  const std::string m = "non physical field found...\n";
  int n = 0;
  for (std::size_t at = out.find(m); at != std::string::npos; at = out.find(m, at + m.size())) ++n;
  return n;
}

// One unit square of the given order, basis of Legendre products on [-1,1]^2:
// coefficient 1 multiplies u, 4 multiplies (3u^2 - 1) / 2.
struct Square {
  Scope scope;
  DGAnalysis a;
  DGCell *cell;
  Square(ConservationLaw *law, int order) : scope(law, grid(1, 1, 1.0, 1.0, true)) {
    a.init(order, 0);
    cell = a.cells.at(0);
  }
};

TEST(PhysicalLimiter, RemovesModesUntilTheTracesAreAdmissible) {
  struct Case {
    const char *what;
    int order;
    std::vector<double> before;  // field 0, the rest 0
    std::vector<double> after;
    int messages;
  };
  const Case cases[] = {
      // Traces 1 +- 0.5 u on every face: nothing to do.
      {"admissible", 1, {1, 0.5}, {1, 0.5}, 0},
      // Means exactly at the bounds are admissible.
      {"mean at the lower bound", 0, {0.25}, {0.25}, 0},
      {"mean at the upper bound", 0, {2.75}, {2.75}, 0},
      // An order-0 cell below the bound: tested on its 4 faces, left as it is.
      {"order 0 below", 0, {0.125}, {0.125}, 4},
      // The quadratic mode alone drives the trace below 0.25 on every face
      // (u = -1 gives 1 - 0.5 - 1.5): it goes, the slope stays.
      {"quadratic overshoot", 2, {1, 0.5, 0, 0, -1.5}, {1, 0.5, 0, 0, 0}, 4},
      // The slope reaches 2.8 on the right face (u = 1) only: the bottom and
      // top faces have their quadrature points inside, at |u| < 0.91.
      {"linear overshoot on one face", 1, {2.0, 0.8}, {2.0, 0.0}, 1},
      // A mean above the bound: two passes of 4 faces, the means remain.
      {"mean above", 2, {3.0, 0.1, 0.1, 0.1, 0.1}, {3.0, 0, 0, 0, 0}, 8},
  };
  for (const Case &c : cases) {
    Square s(new TestLaw(1), c.order);
    for (std::size_t j = 0; j < c.before.size(); ++j) coef(s.cell, 0, static_cast<int>(j)) = c.before[j];
    DGPhysicalLimiter limiter(0.25, 2.75);
    testing::internal::CaptureStdout();
    limiter.limit(s.cell);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(messages(out), c.messages) << c.what;
    EXPECT_EQ(out.size(), c.messages * std::string("non physical field found...\n").size()) << c.what;
    for (int j = 0; j < s.cell->dofs->nbFunctions; ++j) {
      const double expected = j < static_cast<int>(c.after.size()) ? c.after[j] : 0.0;
      EXPECT_EQ(coef(s.cell, 0, j), expected) << c.what << " coefficient " << j;
    }
  }
}

TEST(PhysicalLimiter, LawRejectionCountsAsBad) {
  // Field 1 must not be negative; 1 + 2u is negative for u < -1/2, on the
  // left face at least. Field 0 stays within its bounds everywhere.
  struct Field1Floor : TestLaw {
    Field1Floor() : TestLaw(2) {}
    bool isPhysical(const double *U) const override { return U[1] >= 0.0; }
  };
  Square s(new Field1Floor, 1);
  coef(s.cell, 0, 0) = 1.0;
  coef(s.cell, 0, 1) = 0.5;
  coef(s.cell, 1, 0) = 1.0;
  coef(s.cell, 1, 1) = 2.0;
  DGPhysicalLimiter limiter(0.25, 2.75);
  testing::internal::CaptureStdout();
  limiter.limit(s.cell);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_GE(messages(out), 1);
  // Every field loses its linear modes, not only the one that failed.
  EXPECT_EQ(coef(s.cell, 0, 1), 0.0);
  EXPECT_EQ(coef(s.cell, 1, 1), 0.0);
  EXPECT_EQ(coef(s.cell, 0, 0), 1.0);
  EXPECT_EQ(coef(s.cell, 1, 0), 1.0);
}

TEST(PhysicalLimiter, TestsTheCellsOwnSideOfSharedFaces) {
  // Two squares; the left one is admissible, the right one is not. Limiting
  // the left one must read its own traces (not its neighbour's) on the shared
  // face and so leave it alone.
  Scope scope(new TestLaw(1), grid(2, 1, 1.0, 1.0, true));
  DGAnalysis a;
  a.init(1, 0);
  DGCell *left = nullptr, *right = nullptr;
  for (DGCell *c : a.cells) (centre(c).x() < 1.0 ? left : right) = c;
  coef(left, 0, 0) = 1.0;
  coef(left, 0, 1) = 0.5;
  coef(right, 0, 0) = 0.1;
  coef(right, 0, 1) = 0.05;
  DGPhysicalLimiter limiter(0.25, 2.75);
  testing::internal::CaptureStdout();
  limiter.limit(left);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(coef(left, 0, 1), 0.5);
  testing::internal::CaptureStdout();
  limiter.limit(right);
  EXPECT_EQ(messages(testing::internal::GetCapturedStdout()), 4);
  EXPECT_EQ(coef(right, 0, 1), 0.0);
  EXPECT_EQ(coef(right, 0, 0), 0.1);
}

}  // namespace
