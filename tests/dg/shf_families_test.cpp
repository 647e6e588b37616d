// Monomial, Legendre, quadrilateral and hexahedron families, sizes and the
// kind-dispatching getters.

#include "SHF.h"
#include "shf_quadrature.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Derivative d_u^du d_v^dv of u^a v^b, straight from the definition.
double monomialDerivative(int a, int b, int du, int dv, double u, double v)
{
  if (du > a || dv > b) return 0.0;
  double c = 1.0;
  for (int i = 0; i < du; ++i) c *= a - i;
  for (int i = 0; i < dv; ++i) c *= b - i;
  return c * std::pow(u, a - du) * std::pow(v, b - dv);
}

// Legendre polynomials by Bonnet's recurrence in long double, independent of
// the code under test.
long double legendreRef(int n, long double x)
{
  long double p0 = 1, p1 = x;
  if (n == 0) return p0;
  for (int k = 2; k <= n; ++k) {
    const long double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
    p0 = p1;
    p1 = p2;
  }
  return p1;
}

TEST(ShfPascal, IndicesEnumerateDegreeThenPosition)
{
  const std::vector<std::pair<int, std::pair<int, int>>> cases = {
      {0, {0, 0}}, {1, {1, 0}}, {2, {1, 1}}, {3, {2, 0}}, {5, {2, 2}}, {27, {6, 6}}, {28, {7, 0}}, {44, {8, 8}}};
  for (const auto& c : cases) {
    int n = -1, j = -1;
    PascalgetIndices(c.first, n, j);
    EXPECT_EQ(n, c.second.first) << "index " << c.first;
    EXPECT_EQ(j, c.second.second) << "index " << c.first;
  }
  int k = 0;
  for (int n = 0; n <= 20; ++n)
    for (int j = 0; j <= n; ++j, ++k) {
      int nn, jj;
      PascalgetIndices(k, nn, jj);
      ASSERT_EQ(nn, n);
      ASSERT_EQ(jj, j);
    }
  // Largest index: k = n(n+1)/2 + j with 0 <= j <= n.
  const int big = std::numeric_limits<int>::max();
  int n, j;
  PascalgetIndices(big, n, j);
  EXPECT_EQ(static_cast<long long>(n) * (n + 1) / 2 + j, big);
  EXPECT_TRUE(j >= 0 && j <= n);
}

// Every derivative entry point against the exact derivative of u^(n-j) v^j,
// for indices on both sides of the written-out range and beyond the tables.
TEST(ShfPascal, MonomialsAndTheirDerivativesAreExact)
{
  const double pts[][2] = {{0.3, 0.6}, {-0.7, 1.3}, {1.1, -0.4}, {0.0, 0.5}, {0.5, 0.0}};
  for (int k = 0; k < 70; ++k) {
    int n, j;
    PascalgetIndices(k, n, j);
    const int a = n - j, b = j;
    for (const auto& p : pts) {
      const double u = p[0], v = p[1];
      SCOPED_TRACE("k " + std::to_string(k) + " u " + std::to_string(u) + " v " + std::to_string(v));
      const auto near = [](double got, double want) { EXPECT_NEAR(got, want, 1e-13 * (1.0 + std::fabs(want))); };
      near(SHF::PascalgetFct(k, u, v), monomialDerivative(a, b, 0, 0, u, v));
      near(SHF::PascalgetdFctdu(k, u, v), monomialDerivative(a, b, 1, 0, u, v));
      near(SHF::PascalgetdFctdv(k, u, v), monomialDerivative(a, b, 0, 1, u, v));
      near(SHF::PascalgetdFctduu(k, u, v), monomialDerivative(a, b, 2, 0, u, v));
      near(SHF::PascalgetdFctduv(k, u, v), monomialDerivative(a, b, 1, 1, u, v));
      near(SHF::PascalgetdFctdvv(k, u, v), monomialDerivative(a, b, 0, 2, u, v));
      for (int order = 0; order <= 4; ++order)
        for (int m = 0; m <= order; ++m)
          near(SHF::PascalgetdFctGeneral(k, order, m, u, v), monomialDerivative(a, b, order - m, m, u, v));
    }
  }
}

TEST(ShfPascal, OneVariableMonomials)
{
  const double x = -1.7;
  for (int k = 0; k < 12; ++k) {
    EXPECT_NEAR(SHF::PascalgetFct(k, x), std::pow(x, k), 1e-13 * std::pow(1.7, k));
    EXPECT_NEAR(SHF::PascalgetdFctdu(k, x), k == 0 ? 0.0 : k * std::pow(x, k - 1), 1e-13 * std::pow(1.7, k) * k);
    EXPECT_NEAR(SHF::PascalgetdFctduu(k, x), k < 2 ? 0.0 : k * (k - 1) * std::pow(x, k - 2),
                1e-13 * std::pow(1.7, k) * k * k);
  }
  EXPECT_EQ(SHF::PascalgetFct(-1, x), 0.0);
  EXPECT_EQ(SHF::PascalgetFct(-2, x), 0.0);
  EXPECT_EQ(SHF::PascalgetdFctdu(-1, x), 0.0);
  EXPECT_EQ(SHF::PascalgetdFctduu(2, x), 2.0);
  EXPECT_DOUBLE_EQ(SHF::PascalgetdFctduu(3, x), 6.0 * x);
  EXPECT_THROW(SHF::PascalgetFct(-3, x), const char*);
}

TEST(ShfLegendre, PolynomialsAreOrthogonalWithTheStandardNormalisation)
{
  const shftest::Rule1 g = shftest::gaussLegendre(20); // exact to degree 39
  for (int m = 0; m <= 14; ++m) {
    SCOPED_TRACE(m);
    EXPECT_NEAR(LegendrePolynomial(m, 1.0), 1.0, 1e-14);
    EXPECT_NEAR(LegendrePolynomial(m, -1.0), m % 2 ? -1.0 : 1.0, 1e-14);
    EXPECT_EQ(_LegendrePolynomial(m, 0.3), LegendrePolynomial(m, 0.3));
    EXPECT_EQ(dLegendrePolynomial(m, 0.3), _dLegendrePolynomial(m, 0.3));
    // P'_n(1) = n(n+1)/2.
    EXPECT_NEAR(_dLegendrePolynomial(m, 1.0), m * (m + 1) / 2.0, 1e-12 * (1 + m * m));
    for (int n = 0; n <= 14; ++n) {
      double s = 0.0;
      for (size_t q = 0; q < g.x.size(); ++q) s += g.w[q] * LegendrePolynomial(m, g.x[q]) * LegendrePolynomial(n, g.x[q]);
      EXPECT_NEAR(s, m == n ? 2.0 / (2 * m + 1) : 0.0, 1e-14) << "n " << n;
    }
  }
  const double x = 0.37;
  EXPECT_NEAR(LegendrePolynomial(5, x), (63 * std::pow(x, 5) - 70 * std::pow(x, 3) + 15 * x) / 8, 1e-15);
  // Values against an independent recurrence, derivatives against
  // (1 - x^2) P'_n = n (P_(n-1) - x P_n).
  for (double y : {-0.93, -0.4, 0.0, 0.21, 0.77}) {
    for (int n = 1; n <= 14; ++n) {
      EXPECT_NEAR(LegendrePolynomial(n, y), static_cast<double>(legendreRef(n, y)), 1e-14);
      const long double rhs = n * (legendreRef(n - 1, y) - y * legendreRef(n, y));
      EXPECT_NEAR((1 - y * y) * _dLegendrePolynomial(n, y), static_cast<double>(rhs), 1e-13) << n;
    }
  }
  EXPECT_THROW(LegendrePolynomial(-1, 0.5), const char*);
}

// (i, j) of P_i(u) P_j(v) for the written-out indices, then the general rule.
const std::vector<std::pair<int, int>> kQuadOrders = {
    {0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {0, 2}, {2, 1}, {1, 2}, {2, 2}, {3, 0}, {0, 3}, {3, 1},
    {3, 2}, {2, 3}, {1, 3}, {3, 3}, {4, 0}, {0, 4}, {4, 1}, {4, 2}, {4, 3}, {1, 4}, {2, 4}, {3, 4},
    {4, 4}, {5, 0}, {0, 5}, {5, 1}, {5, 2}, {5, 3}, {5, 4}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5},
    {6, 0}, {0, 6}, {6, 1}, {6, 2}, {6, 3}, {6, 4}, {6, 5}, {1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}};

TEST(ShfQuadrilateral, IndexOrderFollowsTheShells)
{
  const auto& table = kQuadOrders;
  const double u = 0.43, v = -0.61;
  for (size_t k = 0; k < table.size(); ++k) {
    const int i = table[k].first, j = table[k].second;
    SCOPED_TRACE("k " + std::to_string(k));
    const double pu = static_cast<double>(legendreRef(i, u)), pv = static_cast<double>(legendreRef(j, v));
    EXPECT_NEAR(SHF::getQFct(static_cast<int>(k), u, v, nullptr), pu * pv, 1e-14);
    // Derivatives: P'_n from (1 - x^2) P'_n = n (P_(n-1) - x P_n).
    const double dpu = i ? i * static_cast<double>(legendreRef(i - 1, u) - u * legendreRef(i, u)) / (1 - u * u) : 0.0;
    const double dpv = j ? j * static_cast<double>(legendreRef(j - 1, v) - v * legendreRef(j, v)) / (1 - v * v) : 0.0;
    EXPECT_NEAR(SHF::getQdFctdu(static_cast<int>(k), u, v, nullptr), dpu * pv, 1e-13);
    EXPECT_NEAR(SHF::getQdFctdv(static_cast<int>(k), u, v, nullptr), pu * dpv, 1e-13);
  }
  // The general rule: shell n holds every pair with max(i, j) = n exactly once,
  // in the stated order; it differs from the written-out list in shell 3 only.
  for (int n = 0; n <= 9; ++n) {
    std::set<std::pair<int, int>> seen;
    for (int k = n * n; k < (n + 1) * (n + 1); ++k) {
      int i, j;
      getLegendreOrders(k, i, j);
      EXPECT_EQ(std::max(i, j), n) << k;
      seen.insert({i, j});
      if (k < 49 && (k < 13 || k > 14)) {
        EXPECT_EQ(i, table[k].first) << k;
        EXPECT_EQ(j, table[k].second) << k;
      }
    }
    EXPECT_EQ(static_cast<int>(seen.size()), 2 * n + 1);
  }
  int i, j;
  getLegendreOrders(std::numeric_limits<int>::max(), i, j);
  EXPECT_EQ(std::max(i, j), 46340); // 46340^2 <= INT_MAX < 46341^2
  getLegendreOrders(13, i, j);
  EXPECT_EQ(std::make_pair(i, j), std::make_pair(1, 3));
  getLegendreOrders(14, i, j);
  EXPECT_EQ(std::make_pair(i, j), std::make_pair(2, 3));
}

// Tensor Gauss rule on [-1, 1]^2: int Q_k Q_l = delta_kl 4 / ((2i+1)(2j+1)).
TEST(ShfQuadrilateral, FunctionsAreOrthogonalOnTheSquare)
{
  const shftest::Rule1 g = shftest::gaussLegendre(9); // degree 17 per variable
  const int n = 49;                                   // orders up to 6
  std::vector<double> gram(n * n, 0.0), q(n);
  for (size_t a = 0; a < g.x.size(); ++a)
    for (size_t b = 0; b < g.x.size(); ++b) {
      for (int k = 0; k < n; ++k) q[k] = SHF::getQFct(k, g.x[a], g.x[b]);
      for (int k = 0; k < n; ++k)
        for (int l = 0; l < n; ++l) gram[k * n + l] += g.w[a] * g.w[b] * q[k] * q[l];
    }
  for (int k = 0; k < n; ++k) {
    const int i = kQuadOrders[k].first, j = kQuadOrders[k].second;
    for (int l = 0; l < n; ++l)
      EXPECT_NEAR(gram[k * n + l], k == l ? 4.0 / ((2 * i + 1) * (2 * j + 1)) : 0.0, 1e-14) << k << " " << l;
  }
}

TEST(ShfHexahedron, TrilinearFunctionsAndDerivatives)
{
  struct Fn {
    std::function<double(double, double, double)> f, fu, fv, fw;
  };
  const auto one = [](double, double, double) { return 1.0; };
  const auto zero = [](double, double, double) { return 0.0; };
  const std::vector<Fn> fns = {
      {one, zero, zero, zero},
      {[](double u, double, double) { return u; }, one, zero, zero},
      {[](double, double v, double) { return v; }, zero, one, zero},
      {[](double, double, double w) { return w; }, zero, zero, one},
      {[](double u, double v, double) { return u * v; }, [](double, double v, double) { return v; },
       [](double u, double, double) { return u; }, zero},
      {[](double u, double, double w) { return u * w; }, [](double, double, double w) { return w; }, zero,
       [](double u, double, double) { return u; }},
      {[](double, double v, double w) { return v * w; }, zero, [](double, double, double w) { return w; },
       [](double, double v, double) { return v; }},
      {[](double u, double v, double w) { return u * v * w; }, [](double, double v, double w) { return v * w; },
       [](double u, double, double w) { return u * w; }, [](double u, double v, double) { return u * v; }},
  };
  const double pts[][3] = {{0.2, -0.5, 0.9}, {-1, 1, -1}, {0.7, 0.3, -0.1}};
  for (int k = 0; k < 8; ++k)
    for (const auto& p : pts) {
      EXPECT_EQ(SHF::getHexFct(k, p[0], p[1], p[2]), fns[k].f(p[0], p[1], p[2])) << k;
      EXPECT_EQ(SHF::getHexdFctdu(k, p[0], p[1], p[2]), fns[k].fu(p[0], p[1], p[2])) << k;
      EXPECT_EQ(SHF::getHexdFctdv(k, p[0], p[1], p[2]), fns[k].fv(p[0], p[1], p[2])) << k;
      EXPECT_EQ(SHF::getHexdFctdw(k, p[0], p[1], p[2]), fns[k].fw(p[0], p[1], p[2])) << k;
    }
  EXPECT_THROW(SHF::getHexFct(2197, 0, 0, 0), const char*);
  EXPECT_THROW(SHF::getHexdFctdw(-1, 0, 0, 0), const char*);
}

TEST(ShfTetrahedron, MonomialsFollowTheFixedOrderAndVanishBeyondIt)
{
  const int e[35][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2},
                        {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0},
                        {2, 0, 1}, {1, 2, 0}, {0, 2, 1}, {1, 0, 2}, {0, 1, 2}, {1, 1, 1}, {4, 0, 0},
                        {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1}, {1, 0, 3},
                        {0, 1, 3}, {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2}};
  const double u = 0.3, v = -0.7, w = 1.9;
  const auto mono = [&](int a, int b, int c) {
    return (a < 0 || b < 0 || c < 0) ? 0.0 : std::pow(u, a) * std::pow(v, b) * std::pow(w, c);
  };
  for (int k = 0; k < 35; ++k) {
    const int a = e[k][0], b = e[k][1], c = e[k][2];
    SCOPED_TRACE(k);
    EXPECT_NEAR(SHF::getTetFct(k, u, v, w), mono(a, b, c), 1e-13);
    EXPECT_NEAR(SHF::getTetdFctdu(k, u, v, w), a * mono(a - 1, b, c), 1e-13);
    EXPECT_NEAR(SHF::getTetdFctdv(k, u, v, w), b * mono(a, b - 1, c), 1e-13);
    EXPECT_NEAR(SHF::getTetdFctdw(k, u, v, w), c * mono(a, b, c - 1), 1e-13);
  }
  for (int k : {35, 36, 100}) {
    EXPECT_EQ(SHF::getTetFct(k, u, v, w), 0.0);
    EXPECT_EQ(SHF::getTetdFctdu(k, u, v, w), 0.0);
    EXPECT_EQ(SHF::getTetdFctdv(k, u, v, w), 0.0);
    EXPECT_EQ(SHF::getTetdFctdw(k, u, v, w), 0.0);
  }
  EXPECT_THROW(SHF::getTetFct(-1, u, v, w), const char*);
}

TEST(ShfSizes, CountsOfFunctions)
{
  struct Case {
    int p, dim, size, qsize;
  };
  const std::vector<Case> cases = {{0, 1, 1, 1},   {0, 2, 1, 1},   {0, 3, 1, 1},    {1, 2, 3, 4},    {2, 2, 6, 9},
                                   {2, 3, 10, 27}, {4, 3, 35, 125}, {6, 2, 28, 49}, {8, 2, 45, 81}, {3, 1, 4, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(SHF::getSize(c.p, c.dim), c.size) << c.p << " " << c.dim;
    EXPECT_EQ(SHF::getQSize(c.p, c.dim), c.qsize) << c.p << " " << c.dim;
  }
  EXPECT_THROW(SHF::getSize(2, 4), const char*);
  EXPECT_THROW(SHF::getQSize(2, 0), const char*);
  EXPECT_EQ(getFactors(0), 1.0);
  EXPECT_EQ(getFactors(123), 1.0);
}

// The list kind is process-wide state: every case restores kind 0.
TEST(ShfKinds, GettersDispatchOnTheListKind)
{
  const double u = 0.2, v = 0.35;
  EXPECT_EQ(SHF::FunctionSpace, SHF::PASCAL);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(SHF::getFct(k, u, v, nullptr), SHF::PascalgetFct(k, u, v));
    EXPECT_EQ(SHF::getdFctdu(k, u, v, nullptr), SHF::PascalgetdFctdu(k, u, v));
    EXPECT_EQ(SHF::getdFctdv(k, u, v, nullptr), SHF::PascalgetdFctdv(k, u, v));
    EXPECT_EQ(SHF::getdFctGeneral(k, 2, 1, u, v, nullptr), SHF::PascalgetdFctGeneral(k, 2, 1, u, v));
    EXPECT_EQ(SHF::getFct(k, u, static_cast<KORA::mEdge*>(nullptr)), SHF::PascalgetFct(k, u));
  }
  SHF::init(SHF::ORTHOGONAL_TRIANGLE);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(SHF::getFct(k, u, v, nullptr), SHF::PascalgetFctOrthogonal(k, u, v));
    EXPECT_EQ(SHF::getdFctdu(k, u, v, nullptr), SHF::PascalgetdFctduOrthogonal(k, u, v));
    EXPECT_EQ(SHF::getdFctdv(k, u, v, nullptr), SHF::PascalgetdFctdvOrthogonal(k, u, v));
    EXPECT_EQ(SHF::getdFctGeneral(k, 1, 0, u, v, nullptr), SHF::PascalgetdFctGeneralOrthogonal(k, 1, 0, u, v));
    EXPECT_EQ(SHF::getdFctdu(k, u, static_cast<KORA::mEdge*>(nullptr)), SHF::PascalgetdFctdu(k, u));
  }
  SHF::init(SHF::PASCAL_1D);
  EXPECT_EQ(SHF::getdFctduu(3, u, static_cast<KORA::mEdge*>(nullptr)), 6 * u);
  EXPECT_THROW(SHF::getFct(3, u, v, nullptr), const char*);
  SHF::init(static_cast<SHF::SHF_T>(3));
  EXPECT_THROW(SHF::getFct(3, u, static_cast<KORA::mEdge*>(nullptr)), const char*);
  SHF::init(SHF::PASCAL);

  using FaceGetter = double (*)(int, double, double, KORA::mFace*);
  const FaceGetter getters[] = {&SHF::getdFctduu, &SHF::getdFctduv, &SHF::getdFctdvv};
  for (FaceGetter getter : getters) {
    try {
      getter(2, u, v, nullptr);
      ADD_FAILURE() << "no exception";
    } catch (const char* text) {
      EXPECT_EQ(std::string(text), "sh fct not coded yet");
    }
  }
}

} // namespace
