// Orthonormal triangle and tetrahedron functions: coefficient tables checked
// against exact monomial integrals, evaluated functions against exact
// quadrature, derivatives against the divergence theorem.

#include "SHF.h"
#include "shf_quadrature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using quad = __float128;
using shftest::Point;

struct Exps { int a, b, c; };

std::vector<Exps> triangleExponents()
{
  std::vector<Exps> e;
  for (int n = 0; n <= 8; ++n)
    for (int j = 0; j <= n; ++j) e.push_back({n - j, j, 0});
  return e;
}

const std::vector<Exps> kTetExponents = {
    {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1},
    {0, 1, 1}, {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 2, 1}, {1, 0, 2},
    {0, 1, 2}, {1, 1, 1}, {4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1},
    {1, 0, 3}, {0, 1, 3}, {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2}};

quad factorial(int n)
{
  quad f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// Exact integral of u^a v^b w^c over the reference simplex of dimension dim.
quad simplexMonomialIntegral(int a, int b, int c, int dim)
{
  return factorial(a) * factorial(b) * factorial(c) / factorial(a + b + c + dim);
}

int sizeOfOrder(int p, int dim) { return dim == 2 ? (p + 1) * (p + 2) / 2 : (p + 1) * (p + 2) * (p + 3) / 6; }

struct Family {
  const char* name;
  const double* table; // n x n, row-major
  int n;
  int dim;
  int maxOrder;
  std::vector<Exps> exps;
  double tableTol;  // Gram residual of the table itself (exact integrals)
};

std::vector<Family> families()
{
  return {{"triangle", &myGramSchmidtTriangle[0][0], 45, 2, 8, triangleExponents(), 2e-13},
          {"tetrahedron", &myTetOrtho[0][0], 35, 3, 4, kTetExponents, 1e-14}};
}

double expectedGram(int p, int q, int dim)
{
  if (p != q) return 0.0;
  if (p == 0) return dim == 2 ? 0.5 : 1.0 / 6.0;
  return 1.0;
}

TEST(ShfOrthonormal, TablesAreLowerTriangularWithPositiveDiagonalAndUnitRowZero)
{
  for (const Family& f : families()) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(f.table[0], 1.0);
    for (int k = 0; k < f.n; ++k) {
      EXPECT_GT(f.table[k * f.n + k], 0.0) << "row " << k;
      for (int i = k + 1; i < f.n; ++i) EXPECT_EQ(f.table[k * f.n + i], 0.0) << "row " << k << " col " << i;
    }
  }
}

// C G C^T with the exact monomial Gram matrix G, accumulated in quad precision
// (the monomial expansion cancels heavily, double would hide the table's own
// accuracy).
TEST(ShfOrthonormal, TableGramMatrixIsDiagonalToRoundOff)
{
  for (const Family& f : families()) {
    SCOPED_TRACE(f.name);
    std::vector<quad> g(f.n * f.n);
    for (int i = 0; i < f.n; ++i)
      for (int j = 0; j < f.n; ++j) {
        const Exps& a = f.exps[i];
        const Exps& b = f.exps[j];
        g[i * f.n + j] = simplexMonomialIntegral(a.a + b.a, a.b + b.b, a.c + b.c, f.dim);
      }
    double worst = 0.0;
    for (int p = 0; p < f.n; ++p)
      for (int q = 0; q <= p; ++q) {
        quad s = 0;
        for (int i = 0; i <= p; ++i)
          for (int j = 0; j <= q; ++j)
            s += static_cast<quad>(f.table[p * f.n + i]) * g[i * f.n + j] * static_cast<quad>(f.table[q * f.n + j]);
        const double err = std::fabs(static_cast<double>(s) - expectedGram(p, q, f.dim));
        if (err > worst) worst = err;
      }
    EXPECT_LT(worst, f.tableTol);
  }
}

// Values as the system evaluates them (per index and in batch), integrated in
// double by an exact rule of the test's own.
TEST(ShfOrthonormal, EvaluatedFunctionsAreOrthonormalForEverySupportedOrder)
{
  struct Case {
    int dim;
    int order;
  };
  const std::vector<Case> cases = {{2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {2, 7},
                                   {2, 8}, {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}};
  const double tol = 2e-13;
  const std::vector<Point> tri = shftest::triangleRule(10);
  const std::vector<Point> tet = shftest::tetRule(6);
  for (const Case& c : cases) {
    SCOPED_TRACE("dim " + std::to_string(c.dim) + " order " + std::to_string(c.order));
    const int n = sizeOfOrder(c.order, c.dim);
    const std::vector<Point>& pts = c.dim == 2 ? tri : tet;
    std::vector<double> single(n * n, 0.0), batch(n * n, 0.0), phi(n), psi(n);
    for (const Point& pt : pts) {
      for (int i = 0; i < n; ++i)
        phi[i] = c.dim == 2 ? SHF::PascalgetFctOrthogonal(i, pt.u, pt.v) : SHF::getTetFctOrthogonal(i, pt.u, pt.v, pt.w);
      if (c.dim == 2)
        SHF::PascalgetAllOrthogonal(n, pt.u, pt.v, psi.data(), nullptr, nullptr);
      else
        SHF::getTetAllOrthogonal(n, pt.u, pt.v, pt.w, psi.data(), nullptr, nullptr, nullptr);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          single[i * n + j] += pt.weight * phi[i] * phi[j];
          batch[i * n + j] += pt.weight * psi[i] * psi[j];
        }
    }
    double worstSingle = 0.0, worstBatch = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        worstSingle = std::fmax(worstSingle, std::fabs(single[i * n + j] - expectedGram(i, j, c.dim)));
        worstBatch = std::fmax(worstBatch, std::fabs(batch[i * n + j] - expectedGram(i, j, c.dim)));
      }
    EXPECT_LT(worstSingle, tol);
    EXPECT_LT(worstBatch, tol);
  }
}

// Divergence theorem on the reference triangle for h = f_i f_j:
//   int_T dh/du = int_0^1 h(1-t, t) dt - int_0^1 h(0, t) dt
//   int_T dh/dv = int_0^1 h(1-t, t) dt - int_0^1 h(t, 0) dt
// with dh = df_i f_j + f_i df_j. Ties the derivative code to the value code.
TEST(ShfOrthonormal, TriangleDerivativesSatisfyTheDivergenceTheorem)
{
  const int n = 45;
  const std::vector<Point> area = shftest::triangleRule(10);
  const shftest::Rule1 line = shftest::unitRule(10);
  std::vector<double> lhsU(n * n, 0.0), lhsV(n * n, 0.0), rhsU(n * n, 0.0), rhsV(n * n, 0.0);
  std::vector<double> f(n), fu(n), fv(n), g(n), gu(n), gv(n);
  for (const Point& pt : area) {
    for (int i = 0; i < n; ++i) {
      f[i] = SHF::PascalgetFctOrthogonal(i, pt.u, pt.v);
      fu[i] = SHF::PascalgetdFctduOrthogonal(i, pt.u, pt.v);
      fv[i] = SHF::PascalgetdFctdvOrthogonal(i, pt.u, pt.v);
    }
    SHF::PascalgetAllOrthogonal(n, pt.u, pt.v, nullptr, gu.data(), gv.data());
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(gu[i], fu[i], 1e-12 * (1.0 + std::fabs(fu[i])));
      EXPECT_NEAR(gv[i], fv[i], 1e-12 * (1.0 + std::fabs(fv[i])));
      for (int j = 0; j < n; ++j) {
        lhsU[i * n + j] += pt.weight * (fu[i] * f[j] + f[i] * fu[j]);
        lhsV[i * n + j] += pt.weight * (fv[i] * f[j] + f[i] * fv[j]);
      }
    }
  }
  for (size_t q = 0; q < line.x.size(); ++q) {
    const double t = line.x[q], w = line.w[q];
    for (int i = 0; i < n; ++i) {
      f[i] = SHF::PascalgetFctOrthogonal(i, 1 - t, t); // hypotenuse
      g[i] = SHF::PascalgetFctOrthogonal(i, 0, t);     // u = 0
      fu[i] = SHF::PascalgetFctOrthogonal(i, t, 0);    // v = 0
    }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        rhsU[i * n + j] += w * (f[i] * f[j] - g[i] * g[j]);
        rhsV[i * n + j] += w * (f[i] * f[j] - fu[i] * fu[j]);
      }
  }
  double worst = 0.0;
  for (int k = 0; k < n * n; ++k) {
    worst = std::fmax(worst, std::fabs(lhsU[k] - rhsU[k]) / (1.0 + std::fabs(rhsU[k])));
    worst = std::fmax(worst, std::fabs(lhsV[k] - rhsV[k]) / (1.0 + std::fabs(rhsV[k])));
  }
  EXPECT_LT(worst, 2e-12);
}

// Second derivatives through the general entry point: int_T d2f/du2 is the
// flux of df/du through the boundary (u-component of the normal), and the
// first-order general derivative is the plain one.
TEST(ShfOrthonormal, TriangleGeneralDerivativesAreConsistent)
{
  const int n = 45;
  const std::vector<Point> area = shftest::triangleRule(10);
  const shftest::Rule1 line = shftest::unitRule(10);
  for (int k = 0; k < n; ++k) {
    SCOPED_TRACE(k);
    double lhsUU = 0.0, lhsVV = 0.0, lhsUV = 0.0, rhsUU = 0.0, rhsVV = 0.0, rhsUV = 0.0;
    for (const Point& pt : area) {
      EXPECT_EQ(SHF::PascalgetdFctGeneralOrthogonal(k, 0, 0, pt.u, pt.v), SHF::PascalgetFctOrthogonal(k, pt.u, pt.v));
      EXPECT_DOUBLE_EQ(SHF::PascalgetdFctGeneralOrthogonal(k, 1, 0, pt.u, pt.v),
                       SHF::PascalgetdFctduOrthogonal(k, pt.u, pt.v));
      EXPECT_DOUBLE_EQ(SHF::PascalgetdFctGeneralOrthogonal(k, 1, 1, pt.u, pt.v),
                       SHF::PascalgetdFctdvOrthogonal(k, pt.u, pt.v));
      lhsUU += pt.weight * SHF::PascalgetdFctGeneralOrthogonal(k, 2, 0, pt.u, pt.v);
      lhsUV += pt.weight * SHF::PascalgetdFctGeneralOrthogonal(k, 2, 1, pt.u, pt.v);
      lhsVV += pt.weight * SHF::PascalgetdFctGeneralOrthogonal(k, 2, 2, pt.u, pt.v);
    }
    for (size_t q = 0; q < line.x.size(); ++q) {
      const double t = line.x[q], w = line.w[q];
      rhsUU += w * (SHF::PascalgetdFctduOrthogonal(k, 1 - t, t) - SHF::PascalgetdFctduOrthogonal(k, 0, t));
      rhsUV += w * (SHF::PascalgetdFctdvOrthogonal(k, 1 - t, t) - SHF::PascalgetdFctdvOrthogonal(k, 0, t));
      rhsVV += w * (SHF::PascalgetdFctdvOrthogonal(k, 1 - t, t) - SHF::PascalgetdFctdvOrthogonal(k, t, 0));
    }
    const double scale = 1e-12 * (1.0 + std::fabs(rhsUU) + std::fabs(rhsVV) + std::fabs(rhsUV));
    EXPECT_NEAR(lhsUU, rhsUU, scale);
    EXPECT_NEAR(lhsUV, rhsUV, scale);
    EXPECT_NEAR(lhsVV, rhsVV, scale);
  }
}

// Divergence theorem on the reference tetrahedron, faces parametrised over the
// reference triangle (s, t):
//   int dh/du = int h(s, t, 1-s-t) - int h(0, s, t)
//   int dh/dv = int h(s, t, 1-s-t) - int h(s, 0, t)
//   int dh/dw = int h(s, t, 1-s-t) - int h(s, t, 0)
TEST(ShfOrthonormal, TetrahedronDerivativesSatisfyTheDivergenceTheorem)
{
  const int n = 35;
  const std::vector<Point> vol = shftest::tetRule(6);
  const std::vector<Point> face = shftest::triangleRule(6);
  std::vector<double> lhs(3 * n * n, 0.0), rhs(3 * n * n, 0.0);
  std::vector<double> f(n), d[3] = {std::vector<double>(n), std::vector<double>(n), std::vector<double>(n)};
  std::vector<double> bu(n), bv(n), bw(n), bf(n);
  for (const Point& pt : vol) {
    for (int i = 0; i < n; ++i) {
      f[i] = SHF::getTetFctOrthogonal(i, pt.u, pt.v, pt.w);
      d[0][i] = SHF::getTetdFctduOrthogonal(i, pt.u, pt.v, pt.w);
      d[1][i] = SHF::getTetdFctdvOrthogonal(i, pt.u, pt.v, pt.w);
      d[2][i] = SHF::getTetdFctdwOrthogonal(i, pt.u, pt.v, pt.w);
    }
    SHF::getTetAllOrthogonal(n, pt.u, pt.v, pt.w, bf.data(), bu.data(), bv.data(), bw.data());
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(bf[i], f[i], 1e-12 * (1.0 + std::fabs(f[i])));
      EXPECT_NEAR(bu[i], d[0][i], 1e-12 * (1.0 + std::fabs(d[0][i])));
      EXPECT_NEAR(bv[i], d[1][i], 1e-12 * (1.0 + std::fabs(d[1][i])));
      EXPECT_NEAR(bw[i], d[2][i], 1e-12 * (1.0 + std::fabs(d[2][i])));
    }
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) lhs[(c * n + i) * n + j] += pt.weight * (d[c][i] * f[j] + f[i] * d[c][j]);
  }
  std::vector<double> slanted(n), side(n);
  for (const Point& pt : face) {
    const double s = pt.u, t = pt.v;
    for (int i = 0; i < n; ++i) slanted[i] = SHF::getTetFctOrthogonal(i, s, t, 1 - s - t);
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < n; ++i)
        side[i] = c == 0 ? SHF::getTetFctOrthogonal(i, 0, s, t)
                         : (c == 1 ? SHF::getTetFctOrthogonal(i, s, 0, t) : SHF::getTetFctOrthogonal(i, s, t, 0));
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
          rhs[(c * n + i) * n + j] += pt.weight * (slanted[i] * slanted[j] - side[i] * side[j]);
    }
  }
  double worst = 0.0;
  for (size_t k = 0; k < lhs.size(); ++k) worst = std::fmax(worst, std::fabs(lhs[k] - rhs[k]) / (1.0 + std::fabs(rhs[k])));
  EXPECT_LT(worst, 2e-12);
}

TEST(ShfOrthonormal, LowRowsMatchTheirClosedForms)
{
  using F = std::function<double(double, double, double)>;
  struct Row {
    const char* name;
    int dim, k;
    F f, fu, fv, fw;
  };
  const double s2 = std::sqrt(2.0), s3 = std::sqrt(3.0), s5 = std::sqrt(5.0), s6 = std::sqrt(6.0);
  const double s10 = std::sqrt(10.0), s14 = std::sqrt(14.0), s15 = std::sqrt(15.0), s30 = std::sqrt(30.0);
  const F zero = [](double, double, double) { return 0.0; };
  const std::vector<Row> rows = {
      {"tri 0", 2, 0, [](double, double, double) { return 1.0; }, zero, zero, zero},
      {"tri 1", 2, 1, [](double u, double, double) { return 2 * (3 * u - 1); },
       [](double, double, double) { return 6.0; }, zero, zero},
      {"tri 2", 2, 2, [=](double u, double v, double) { return 2 * s3 * (u + 2 * v - 1); },
       [=](double, double, double) { return 2 * s3; }, [=](double, double, double) { return 4 * s3; }, zero},
      {"tri 3", 2, 3, [=](double u, double, double) { return s6 * (10 * u * u - 8 * u + 1); },
       [=](double u, double, double) { return s6 * (20 * u - 8); }, zero, zero},
      {"tri 4", 2, 4,
       [=](double u, double v, double) { return 3 * s2 * (5 * u * u + 10 * u * v - 6 * u - 2 * v + 1); },
       [=](double u, double v, double) { return 3 * s2 * (10 * u + 10 * v - 6); },
       [=](double u, double, double) { return 3 * s2 * (10 * u - 2); }, zero},
      {"tri 5", 2, 5,
       [=](double u, double v, double) { return s30 * (u * u + 6 * u * v + 6 * v * v - 2 * u - 6 * v + 1); },
       [=](double u, double v, double) { return s30 * (2 * u + 6 * v - 2); },
       [=](double u, double v, double) { return s30 * (6 * u + 12 * v - 6); }, zero},
      {"tet 0", 3, 0, [](double, double, double) { return 1.0; }, zero, zero, zero},
      {"tet 1", 3, 1, [=](double u, double, double) { return s10 * (4 * u - 1); },
       [=](double, double, double) { return 4 * s10; }, zero, zero},
      {"tet 2", 3, 2, [=](double u, double v, double) { return 2 * s5 * (u + 3 * v - 1); },
       [=](double, double, double) { return 2 * s5; }, [=](double, double, double) { return 6 * s5; }, zero},
      {"tet 3", 3, 3, [=](double u, double v, double w) { return 2 * s15 * (u + v + 2 * w - 1); },
       [=](double, double, double) { return 2 * s15; }, [=](double, double, double) { return 2 * s15; },
       [=](double, double, double) { return 4 * s15; }},
      {"tet 4", 3, 4, [=](double u, double, double) { return s14 * (15 * u * u - 10 * u + 1); },
       [=](double u, double, double) { return s14 * (30 * u - 10); }, zero, zero},
  };
  const double pts[][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1.0 / 3, 1.0 / 3, 0},
                           {0.25, 0.25, 0.25}, {0.1, 0.7, 0.15}, {0.6, 0.05, 0.3}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (const auto& p : pts) {
      const double u = p[0], v = p[1], w = r.dim == 2 ? 0.0 : p[2];
      if (r.dim == 2) {
        EXPECT_NEAR(SHF::PascalgetFctOrthogonal(r.k, u, v), r.f(u, v, w), 1e-13);
        EXPECT_NEAR(SHF::PascalgetdFctduOrthogonal(r.k, u, v), r.fu(u, v, w), 1e-13);
        EXPECT_NEAR(SHF::PascalgetdFctdvOrthogonal(r.k, u, v), r.fv(u, v, w), 1e-13);
      } else {
        EXPECT_NEAR(SHF::getTetFctOrthogonal(r.k, u, v, w), r.f(u, v, w), 1e-13);
        EXPECT_NEAR(SHF::getTetdFctduOrthogonal(r.k, u, v, w), r.fu(u, v, w), 1e-13);
        EXPECT_NEAR(SHF::getTetdFctdvOrthogonal(r.k, u, v, w), r.fv(u, v, w), 1e-13);
        EXPECT_NEAR(SHF::getTetdFctdwOrthogonal(r.k, u, v, w), r.fw(u, v, w), 1e-13);
      }
    }
  }
  // Centroids are zeros of the first non-constant functions.
  EXPECT_NEAR(SHF::PascalgetFctOrthogonal(1, 1.0 / 3, 1.0 / 3), 0.0, 1e-15);
  EXPECT_NEAR(SHF::getTetFctOrthogonal(3, 0.25, 0.25, 0.25), 0.0, 1e-15);
}

TEST(ShfOrthonormal, IndicesBeyondTheTablesAreRefused)
{
  const std::vector<std::pair<const char*, std::function<double()>>> calls = {
      {"triangle 91", [] { return SHF::PascalgetFctOrthogonal(91, 0.2, 0.2); }},
      {"triangle -1", [] { return SHF::PascalgetFctOrthogonal(-1, 0.2, 0.2); }},
      {"triangle du 91", [] { return SHF::PascalgetdFctduOrthogonal(91, 0.2, 0.2); }},
      {"triangle dv 100", [] { return SHF::PascalgetdFctdvOrthogonal(100, 0.2, 0.2); }},
      {"triangle general 91", [] { return SHF::PascalgetdFctGeneralOrthogonal(91, 1, 0, 0.2, 0.2); }},
      {"triangle second derivative 45", [] { return SHF::PascalgetdFctGeneralOrthogonal(45, 2, 1, 0.2, 0.2); }},
      {"triangle general m > n", [] { return SHF::PascalgetdFctGeneralOrthogonal(3, 1, 2, 0.2, 0.2); }},
      {"tet 165", [] { return SHF::getTetFctOrthogonal(165, 0.2, 0.2, 0.2); }},
      {"tet du 165", [] { return SHF::getTetdFctduOrthogonal(165, 0.2, 0.2, 0.2); }},
      {"tet dv -3", [] { return SHF::getTetdFctdvOrthogonal(-3, 0.2, 0.2, 0.2); }},
      {"tet dw 200", [] { return SHF::getTetdFctdwOrthogonal(200, 0.2, 0.2, 0.2); }},
      {"batch triangle 92",
       [] {
         double v[92];
         SHF::PascalgetAllOrthogonal(92, 0.2, 0.2, v, nullptr, nullptr);
         return v[0];
       }},
      {"batch tet 166",
       [] {
         double v[166];
         SHF::getTetAllOrthogonal(166, 0.2, 0.2, 0.2, v, nullptr, nullptr, nullptr);
         return v[0];
       }},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.first);
    try {
      c.second();
      ADD_FAILURE() << "no exception";
    } catch (const char* text) {
      EXPECT_GT(std::string(text).size(), 10u);
    }
  }
}

TEST(ShfOrthonormal, BatchEvaluationWritesOnlyTheRequestedFunctions)
{
  double v[45], du[45], dv[45];
  for (int i = 0; i < 45; ++i) v[i] = du[i] = dv[i] = -7.0;
  SHF::PascalgetAllOrthogonal(6, 0.3, 0.2, v, du, dv);
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(v[i], SHF::PascalgetFctOrthogonal(i, 0.3, 0.2), 1e-13);
    EXPECT_NEAR(du[i], SHF::PascalgetdFctduOrthogonal(i, 0.3, 0.2), 1e-13);
    EXPECT_NEAR(dv[i], SHF::PascalgetdFctdvOrthogonal(i, 0.3, 0.2), 1e-13);
  }
  for (int i = 6; i < 45; ++i) EXPECT_EQ(v[i], -7.0);
}

} // namespace
