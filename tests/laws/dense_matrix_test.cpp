// Dense matrix routines checked against exact inverses, determinants and
// solutions, and the defining property of least squares.

#include "DenseMatrix.h"
#include "OffsetVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::vector<double>>;

// Matrix owned for the length of a test.
struct Matrix {
  double** m;
  int r, c;
  Matrix(int rows, int cols) : m(allocateMatrix(rows, cols)), r(rows), c(cols) {}
  explicit Matrix(const Rows& rows) : Matrix(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()))
  {
    for (int i = 0; i < r; ++i)
      for (int j = 0; j < c; ++j) m[i][j] = rows[i][j];
  }
  ~Matrix() { freeMatrix(m); }
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
  double* operator[](int i) { return m[i]; }
};

// Well-conditioned test matrices of several sizes (diagonally dominant,
// unsymmetric, with a row order that forces pivoting).
Rows testMatrix(int n)
{
  Rows a(n, std::vector<double>(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i][j] = std::sin(1.0 + 3 * i + 7 * j) + (i == (n - 1 - j) ? n : 0.0);
  return a;
}

TEST(DenseAllocate, RowsAreOneContiguousBlock)
{
  for (auto [r, c] : {std::pair{1, 1}, {3, 5}, {7, 2}, {4, 0}, {0, 3}}) {
    double** m = allocateMatrix(r, c);
    ASSERT_NE(m, nullptr);
    for (int i = 0; i < r; ++i) {
      EXPECT_EQ(m[i], m[0] + i * c);
      for (int j = 0; j < c; ++j) m[i][j] = i * 10 + j; // every entry writable
    }
    freeMatrix(m);
  }
  freeMatrix(nullptr);
  EXPECT_THROW(allocateMatrix(-1, 3), const char*);
}

TEST(DenseLU, PivotsAndParity)
{
  struct Case {
    const char* name;
    Rows a;
    std::vector<int> indx;
    double d;
    double det; // exact determinant: d times the product of the pivots
  };
  const std::vector<Case> cases = {
      {"1x1", {{5}}, {0}, 1.0, 5.0},
      {"swap", {{0, 1}, {1, 0}}, {1, 1}, -1.0, -1.0},
      {"tie goes to the later row", {{1, 1}, {1, 0}}, {1, 1}, -1.0, -1.0},
      {"no swap", {{4, 1}, {2, 3}}, {0, 1}, 1.0, 10.0},
      {"3x3", {{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}}, {0, 1, 2}, 1.0, 4.0},
      {"scaled pivoting", {{1, 1000}, {1, 1}}, {1, 1}, -1.0, -999.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.a.size());
    Matrix a(c.a);
    std::vector<int> indx(n, -1);
    double d = 0;
    ludcmp(a.m, n, indx.data(), &d);
    EXPECT_EQ(indx, c.indx);
    EXPECT_EQ(d, c.d);
    double det = d;
    for (int i = 0; i < n; ++i) det *= a[i][i];
    EXPECT_NEAR(det, c.det, 1e-12 * std::fabs(c.det));
  }
}

// Factors of one decomposition serve several right-hand sides: known
// solutions are recovered, and b = e_last (leading zeros, which the forward
// substitution skips) gives a y with A y = b.
TEST(DenseLU, SolvesWithTheFactorsForSeveralRightHandSides)
{
  for (int n : {1, 2, 3, 5, 8, 13}) {
    SCOPED_TRACE(n);
    const Rows rows = testMatrix(n);
    Matrix a(rows);
    std::vector<int> indx(n);
    double d;
    ludcmp(a.m, n, indx.data(), &d);
    for (int rhs = 0; rhs < 2; ++rhs) {
      std::vector<double> x(n), b(n, 0.0);
      for (int i = 0; i < n; ++i) x[i] = (i % 5) - 2.0 + 3 * rhs;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += rows[i][j] * x[j];
      lubksb(a.m, n, indx.data(), b.data());
      for (int i = 0; i < n; ++i) EXPECT_NEAR(b[i], x[i], 1e-13);
    }
    std::vector<double> y(n, 0.0);
    y[n - 1] = 1.0;
    lubksb(a.m, n, indx.data(), y.data());
    for (int i = 0; i < n; ++i) {
      double s = 0;
      for (int j = 0; j < n; ++j) s += rows[i][j] * y[j];
      EXPECT_NEAR(s, i == n - 1 ? 1.0 : 0.0, 1e-13);
    }
  }
}

TEST(DenseInverse, TimesTheMatrixIsTheIdentity)
{
  for (int n : {1, 2, 3, 4, 6, 10, 20}) {
    SCOPED_TRACE(n);
    const Rows rows = testMatrix(n);
    Matrix a(rows), y(n, n);
    invmat(a.m, y.m, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double left = 0, right = 0;
        for (int k = 0; k < n; ++k) {
          left += rows[i][k] * y[k][j];
          right += y[i][k] * rows[k][j];
        }
        EXPECT_NEAR(left, i == j ? 1.0 : 0.0, 1e-13);
        EXPECT_NEAR(right, i == j ? 1.0 : 0.0, 1e-13);
      }
  }
}

TEST(DenseInverse, KnownExactInverses)
{
  struct Case {
    const char* name;
    Rows a, inv;
    double tol;
  };
  // Hilbert matrix of order 4 and its integer inverse; a permutation is its own
  // inverse; 1x1.
  const std::vector<Case> cases = {
      {"1x1", {{5}}, {{0.2}}, 1e-16},
      {"permutation", {{0, 1}, {1, 0}}, {{0, 1}, {1, 0}}, 0.0},
      {"hilbert 4",
       {{1, 1.0 / 2, 1.0 / 3, 1.0 / 4}, {1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 5}, {1.0 / 3, 1.0 / 4, 1.0 / 5, 1.0 / 6},
        {1.0 / 4, 1.0 / 5, 1.0 / 6, 1.0 / 7}},
       {{16, -120, 240, -140}, {-120, 1200, -2700, 1680}, {240, -2700, 6480, -4200}, {-140, 1680, -4200, 2800}},
       1e-8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.a.size());
    Matrix a(c.a), y(n, n);
    invmat(a.m, y.m, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_NEAR(y[i][j], c.inv[i][j], c.tol * (1 + std::fabs(c.inv[i][j])));
  }
}

// A zero row is reported once per such row, and an inverse is still written
// (the routine never stops the process).
TEST(DenseInverse, ZeroRowsAreReportedAndTheInverseIsStillWritten)
{
  Matrix y(4, 4);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) y[i][j] = std::nan("");
  testing::internal::CaptureStdout();
  Matrix sq({{1, 2, 0, 3}, {0, 0, 0, 0}, {4, 5, 1, 6}, {0, 0, 0, 0}});
  invmat(sq.m, y.m, 4);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Singular matrix in routine LUDCMPSingular matrix in routine LUDCMP");
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_FALSE(std::isnan(y[i][j])) << i << " " << j;
}

TEST(DenseLeastSquares, SquareSystemKeepsTheMatrixForTheNextRightHandSide)
{
  const int n = 4;
  const Rows rows = testMatrix(n);
  Matrix a(rows);
  for (int rhs = 0; rhs < 3; ++rhs) {
    std::vector<double> x(n), b(n, 0.0), want(n);
    for (int i = 0; i < n; ++i) want[i] = 1.5 * i - rhs;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) b[i] += rows[i][j] * want[j];
    const std::vector<double> b0 = b;
    EXPECT_TRUE(leastSquares(a.m, b.data(), x.data(), n, n));
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], want[i], 1e-13);
    EXPECT_EQ(b, b0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) EXPECT_EQ(a[i][j], rows[i][j]);
  }
}

// Data sampled from an exact polynomial is fitted exactly; noisy data gives a
// residual orthogonal to every column (the normal equations hold), and the
// inputs are untouched.
TEST(DenseLeastSquares, OverdeterminedFits)
{
  {
    Matrix a({{1}, {1}, {1}});
    const double b[] = {1, 2, 3};
    double x = 0;
    EXPECT_TRUE(leastSquares(a.m, b, &x, 3, 1));
    EXPECT_NEAR(x, 2.0, 1e-15);
  }
  const std::vector<double> coef = {0.5, -2.0, 1.25, 0.75}; // 0.5 - 2t + 1.25t^2 + 0.75t^3
  const int m = 11, n = 4;
  Matrix a(m, n);
  std::vector<double> exact(m), noisy(m);
  for (int k = 0; k < m; ++k) {
    const double t = -1.0 + 0.2 * k;
    double p = 1, y = 0;
    for (int j = 0; j < n; ++j) {
      a[k][j] = p;
      y += coef[j] * p;
      p *= t;
    }
    exact[k] = y;
    noisy[k] = y + 0.01 * std::cos(5.0 * k);
  }
  std::vector<double> aCopy(a.m[0], a.m[0] + m * n);
  std::vector<double> x(n);
  EXPECT_TRUE(leastSquares(a.m, exact.data(), x.data(), m, n));
  for (int j = 0; j < n; ++j) EXPECT_NEAR(x[j], coef[j], 1e-12);

  const std::vector<double> noisy0 = noisy;
  EXPECT_TRUE(leastSquares(a.m, noisy.data(), x.data(), m, n));
  EXPECT_EQ(noisy, noisy0);
  EXPECT_EQ(std::vector<double>(a.m[0], a.m[0] + m * n), aCopy);
  for (int j = 0; j < n; ++j) {
    double s = 0;
    for (int k = 0; k < m; ++k) {
      double r = -noisy[k];
      for (int i = 0; i < n; ++i) r += a[k][i] * x[i];
      s += a[k][j] * r;
    }
    EXPECT_NEAR(s, 0.0, 1e-13) << "column " << j;
  }
}

TEST(DenseDirectSolver, SolvesAndLeavesTheFactors)
{
  const Rows rows = testMatrix(5);
  Matrix a(rows);
  std::vector<double> want = {1, -2, 3, -4, 5}, b(5, 0.0), x(5);
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) b[i] += rows[i][j] * want[j];
  direct_solver(a.m, b.data(), x.data(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(x[i], want[i], 1e-13);
}

TEST(DenseOffsetVector, BoundsAreUsableAndFailuresEndTheProcess)
{
  for (auto [nl, nh] : {std::pair{0, 4}, {1, 5}, {-3, 2}, {-6, -2}, {3, 3}}) {
    double* v = vector(nl, nh);
    for (int i = nl; i <= nh; ++i) v[i] = i;
    double s = 0;
    for (int i = nl; i <= nh; ++i) s += v[i];
    EXPECT_EQ(s, (nh - nl + 1) * (nl + nh) / 2.0);
    free_vector(v, nl, nh);
  }
  EXPECT_EXIT(vector(5, 2), testing::ExitedWithCode(1), "error\nallocation failure in vector\\(\\)");
  EXPECT_EXIT(nrerror("bad thing"), testing::ExitedWithCode(1), "error\nbad thing");
}

} // namespace
