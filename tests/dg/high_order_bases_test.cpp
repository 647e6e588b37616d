// Bases beyond the low orders: triangles to 12, tetrahedra to 8, hexahedra to
// 12. Gram matrices on the reference elements with the test's own rules, the
// exact projection of every monomial of the space, the hexahedron index
// order, and the high simplex rows against the monomial tables.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "FunctionSpace.h"
#include "SHF.h"
#include "shf_quadrature.h"

using shftest::Point;

namespace {

enum Kind { TRI, TET, HEX };

std::unique_ptr<FunctionSpace> spaceOf(Kind k, int p) {
  if (k == TRI) return std::make_unique<OrthogonalTriangleFunctionSpace>(p);
  if (k == TET) return std::make_unique<OrthogonalTetFunctionSpace>(p);
  return std::make_unique<HexFunctionSpace>(p);
}

// Exact for products of two functions of the space of order p.
std::vector<Point> ruleOf(Kind k, int p) {
  if (k == TRI) return shftest::triangleRule(p + 2);
  if (k == TET) return shftest::tetRule(p + 3);
  const shftest::Rule1 g = shftest::gaussLegendre(p + 1);
  std::vector<Point> pts;
  for (int i = 0; i <= p; ++i)
    for (int j = 0; j <= p; ++j)
      for (int l = 0; l <= p; ++l) pts.push_back({g.x[i], g.x[j], g.x[l], g.w[i] * g.w[j] * g.w[l]});
  return pts;
}

// Exponents of a monomial basis of the space: total degree <= p on simplices,
// degree <= p in each variable on the hexahedron.
std::vector<std::tuple<int, int, int>> monomialsOf(Kind k, int p) {
  std::vector<std::tuple<int, int, int>> m;
  for (int a = 0; a <= p; ++a)
    for (int b = 0; b <= p; ++b)
      for (int c = 0; c <= (k == TRI ? 0 : p); ++c)
        if (k == HEX || a + b + c <= p) m.emplace_back(a, b, c);
  return m;
}

// The squared norm function i must have: the reference measure for the
// simplices' constant, 1 for their other functions, 8/((2i+1)(2j+1)(2l+1))
// for the hexahedron's Legendre product.
double normOf(Kind k, int i) {
  if (k == TRI) return i == 0 ? 0.5 : 1.0;
  if (k == TET) return i == 0 ? 1.0 / 6.0 : 1.0;
  int a, b, c;
  getHexOrders(i, a, b, c);
  return 8.0 / ((2 * a + 1) * (2 * b + 1) * (2 * c + 1));
}

struct Case {
  Kind kind;
  int order;
};

}  // namespace

// Gram matrix = diag(norms) to 1e-12, and the L2 projection with the space's
// own functions reproduces every monomial of the space at points off the rule.
TEST(HighOrderBases, OrthogonalAndProjectEveryPolynomialOfTheirOrder) {
  std::vector<Case> cases;
  for (int p = 9; p <= 12; ++p) cases.push_back({TRI, p});
  for (int p = 5; p <= 8; ++p) cases.push_back({TET, p});
  for (int p = 2; p <= 5; ++p) cases.push_back({HEX, p});
  cases.push_back({HEX, 6});
  for (const Case &c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " order " + std::to_string(c.order));
    auto space = spaceOf(c.kind, c.order);
    const int n = space->size();
    const std::vector<Point> rule = ruleOf(c.kind, c.order);
    const auto monomials = monomialsOf(c.kind, c.order);
    ASSERT_EQ(static_cast<int>(monomials.size()), n);
    std::vector<double> phi(n), G(n * n, 0.0);
    std::vector<double> proj(monomials.size() * n, 0.0);
    for (const Point &q : rule) {
      space->fcts(q.u, q.v, q.w, phi);
      if (!G.empty())
        for (int i = 0; i < n; ++i)
          for (int j = 0; j <= i; ++j) G[i * n + j] += q.weight * phi[i] * phi[j];
      for (size_t m = 0; m < monomials.size(); ++m) {
        const auto [a, b, e] = monomials[m];
        const double f = std::pow(q.u, a) * std::pow(q.v, b) * std::pow(q.w, e) * q.weight;
        for (int i = 0; i < n; ++i) proj[m * n + i] += f * phi[i];
      }
    }
    double worst = 0.0;
    for (int i = 0; i < n && !G.empty(); ++i)
      for (int j = 0; j <= i; ++j) worst = std::max(worst, std::fabs(G[i * n + j] - (i == j ? normOf(c.kind, i) : 0.0)));
    EXPECT_LT(worst, 1e-12);
    // Points inside the element, none of them a rule point.
    const double pts[3][3] = {{0.13, 0.21, 0.17}, {0.61, 0.07, 0.3}, {0.05, 0.72, 0.11}};
    double worstProj = 0.0;
    for (const auto &x : pts) {
      const double u = c.kind == HEX ? 2 * x[0] - 0.9 : x[0], v = c.kind == HEX ? 2 * x[1] - 0.3 : x[1];
      const double w = c.kind == TRI ? 0.0 : (c.kind == HEX ? 2 * x[2] - 0.1 : x[2]);
      space->fcts(u, v, w, phi);
      for (size_t m = 0; m < monomials.size(); ++m) {
        const auto [a, b, e] = monomials[m];
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += proj[m * n + i] / normOf(c.kind, i) * phi[i];
        worstProj = std::max(worstProj, std::fabs(s - std::pow(u, a) * std::pow(v, b) * std::pow(w, e)));
      }
    }
    EXPECT_LT(worstProj, 1e-11);
  }
}

// Hexahedron indices: shells of the largest degree, each complete, so the
// first (p+1)^3 are the products of degree <= p in each variable; the first
// eight are 1, u, v, w, uv, uw, vw, uvw; values and derivatives are the
// Legendre products of the listed orders, P_12 included.
TEST(HighOrderBases, HexahedronIndicesAreShellsOfLegendreProducts) {
  std::set<std::tuple<int, int, int>> seen;
  int k = 0;
  for (int p = 0; p <= 12; ++p) {
    for (; k < (p + 1) * (p + 1) * (p + 1); ++k) {
      int i, j, l;
      getHexOrders(k, i, j, l);
      EXPECT_EQ(std::max({i, j, l}), p) << k;
      EXPECT_TRUE(seen.insert({i, j, l}).second) << k;
    }
  }
  const int first[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  for (int q = 0; q < 8; ++q) {
    int i, j, l;
    getHexOrders(q, i, j, l);
    EXPECT_EQ(std::make_tuple(i, j, l), std::make_tuple(first[q][0], first[q][1], first[q][2])) << q;
  }
  // P_12 by its closed form at x: sum over m of (-1)^m (24-2m)! / (2^12 m! (12-m)! (12-2m)!) x^(12-2m).
  auto p12 = [](double x) {
    double s = 0.0;
    for (int m = 0; m <= 6; ++m) {
      double c = std::tgamma(25.0 - 2 * m) / (std::pow(2.0, 12) * std::tgamma(m + 1.0) * std::tgamma(13.0 - m) *
                                               std::tgamma(13.0 - 2 * m));
      s += (m % 2 ? -c : c) * std::pow(x, 12 - 2 * m);
    }
    return s;
  };
  HexFunctionSpace hex(12);
  std::vector<double> phi(hex.size());
  std::vector<KORA::mVector> g(hex.size());
  const double u = 0.37, v = -0.81, w = 0.55;
  hex.fcts(u, v, w, phi);
  hex.grads(u, v, w, g);
  const int last = hex.size() - 1;  // P_12(u) P_12(v) P_12(w)
  EXPECT_NEAR(phi[last], p12(u) * p12(v) * p12(w), 1e-13);
  // Derivatives against central differences of the values.
  const double h = 1e-5;
  for (int q : {8, 100, 1000, last}) {
    std::vector<double> a(hex.size()), b(hex.size());
    hex.fcts(u + h, v, w, a);
    hex.fcts(u - h, v, w, b);
    EXPECT_NEAR(g[q][0], (a[q] - b[q]) / (2 * h), 1e-6 * (1 + std::fabs(g[q][0]))) << q;
    hex.fcts(u, v, w + h, a);
    hex.fcts(u, v, w - h, b);
    EXPECT_NEAR(g[q][2], (a[q] - b[q]) / (2 * h), 1e-6 * (1 + std::fabs(g[q][2]))) << q;
    EXPECT_EQ(phi[q], SHF::getHexFct(q, u, v, w));
  }
}

// The block tables hold the same functions as the monomial tables on the rows
// both have, and the batch evaluation at the new orders keeps the old
// functions' values bit for bit; derivatives agree with differences of values.
TEST(HighOrderBases, HighSimplexRowsContinueTheMonomialTables) {
  const double u = 0.21, v = 0.33, w = 0.17;
  double tri[91], triU[91], triV[91], triLow[45];
  SHF::PascalgetAllOrthogonal(91, u, v, tri, triU, triV);
  SHF::PascalgetAllOrthogonal(45, u, v, triLow, nullptr, nullptr);
  for (int k = 0; k < 45; ++k) EXPECT_EQ(tri[k], triLow[k]) << k;
  double tet[165], tetW[165], tetLow[35];
  SHF::getTetAllOrthogonal(165, u, v, w, tet, nullptr, nullptr, tetW);
  SHF::getTetAllOrthogonal(35, u, v, w, tetLow, nullptr, nullptr, nullptr);
  for (int k = 0; k < 35; ++k) EXPECT_EQ(tet[k], tetLow[k]) << k;
  const double h = 1e-6;
  for (int k : {45, 60, 90}) {
    EXPECT_EQ(tri[k], SHF::PascalgetFctOrthogonal(k, u, v)) << k;
    const double d = (SHF::PascalgetFctOrthogonal(k, u + h, v) - SHF::PascalgetFctOrthogonal(k, u - h, v)) / (2 * h);
    EXPECT_NEAR(triU[k], d, 1e-6 * (1 + std::fabs(d))) << k;
    const double e = (SHF::PascalgetFctOrthogonal(k, u, v + h) - SHF::PascalgetFctOrthogonal(k, u, v - h)) / (2 * h);
    EXPECT_NEAR(triV[k], e, 1e-6 * (1 + std::fabs(e))) << k;
  }
  for (int k : {35, 100, 164}) {
    EXPECT_EQ(tet[k], SHF::getTetFctOrthogonal(k, u, v, w)) << k;
    const double d = (SHF::getTetFctOrthogonal(k, u, v, w + h) - SHF::getTetFctOrthogonal(k, u, v, w - h)) / (2 * h);
    EXPECT_NEAR(tetW[k], d, 1e-6 * (1 + std::fabs(d))) << k;
  }
}
