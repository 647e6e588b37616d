// Quadrature rules checked against exact integrals of monomials over the
// reference elements.
#include "GaussQuadrature.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace KORA;

namespace {

double factorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// Integral of x^k over [-1, 1].
double lineMonomial(int k) { return (k % 2) ? 0.0 : 2.0 / (k + 1); }

// Integral of u^a v^b over the unit triangle and u^a v^b w^c over the unit
// tetrahedron.
double triMonomial(int a, int b) {
  return factorial(a) * factorial(b) / factorial(a + b + 2);
}
double tetMonomial(int a, int b, int c) {
  return factorial(a) * factorial(b) * factorial(c) / factorial(a + b + c + 3);
}

enum Kind { Tri, Quad, Tet, Hex };

struct RuleView {
  int dim;
  std::vector<std::array<double, 4>> pts;  // u, v, w, weight (scaled)
};

RuleView rule(Kind kind, int order) {
  RuleView r;
  switch (kind) {
    case Tri: {
      r.dim = 2;
      const IntPt2d *p = getGQTPts(order);
      for (int i = 0; i < getNGQTPts(order); ++i)
        r.pts.push_back({p[i].u, p[i].v, 0.0, 0.5 * p[i].weight});
      break;
    }
    case Quad: {
      r.dim = 2;
      const IntPt2d *p = getGQQPts(order);
      for (int i = 0; i < getNGQQPts(order); ++i)
        r.pts.push_back({p[i].u, p[i].v, 0.0, p[i].weight});
      break;
    }
    case Tet: {
      r.dim = 3;
      const IntPt3d *p = getGQTetPts(order);
      for (int i = 0; i < getNGQTetPts(order); ++i)
        r.pts.push_back({p[i].u, p[i].v, p[i].w, p[i].weight / 6.0});
      break;
    }
    case Hex: {
      r.dim = 3;
      const IntPt3d *p = getGQHPts(order);
      for (int i = 0; i < getNGQHPts(order); ++i)
        r.pts.push_back({p[i].u, p[i].v, p[i].w, p[i].weight});
      break;
    }
  }
  return r;
}

double exactMonomial(Kind kind, int a, int b, int c) {
  switch (kind) {
    case Tri: return triMonomial(a, b);
    case Tet: return tetMonomial(a, b, c);
    case Quad: return lineMonomial(a) * lineMonomial(b);
    case Hex: return lineMonomial(a) * lineMonomial(b) * lineMonomial(c);
  }
  return 0.0;
}

double measure(Kind kind) {
  switch (kind) {
    case Tri: return 0.5;
    case Tet: return 1.0 / 6.0;
    case Quad: return 4.0;
    case Hex: return 8.0;
  }
  return 0.0;
}

bool inside(Kind kind, const std::array<double, 4> &p) {
  const double eps = 1e-14;
  switch (kind) {
    case Tri: return p[0] > -eps && p[1] > -eps && p[0] + p[1] < 1 + eps;
    case Tet:
      return p[0] > -eps && p[1] > -eps && p[2] > -eps &&
             p[0] + p[1] + p[2] < 1 + eps;
    case Quad: return std::fabs(p[0]) < 1 && std::fabs(p[1]) < 1;
    case Hex:
      return std::fabs(p[0]) < 1 && std::fabs(p[1]) < 1 && std::fabs(p[2]) < 1;
  }
  return false;
}

// Largest error over every monomial of total degree <= degree.
double worstMonomialError(Kind kind, const RuleView &r, int degree) {
  double worst = 0.0;
  const int cmax = r.dim == 3 ? degree : 0;
  for (int a = 0; a <= degree; ++a)
    for (int b = 0; a + b <= degree; ++b)
      for (int c = 0; c <= cmax && a + b + c <= degree; ++c) {
        long double s = 0.0;
        for (const auto &p : r.pts)
          s += p[3] * std::pow(p[0], a) * std::pow(p[1], b) * std::pow(p[2], c);
        worst = std::max(
            worst, std::fabs(static_cast<double>(s) - exactMonomial(kind, a, b, c)));
      }
  return worst;
}

const char *kindName(Kind k) {
  static const char *names[] = {"triangle", "quadrilateral", "tetrahedron",
                                "hexahedron"};
  return names[k];
}

}  // namespace

TEST(GaussLegendre1D, EveryPointCountIntegratesItsDegreeExactly) {
  for (int n = 1; n <= 49; ++n) {
    double *x, *g;
    ASSERT_EQ(GaussLegendre1D(n, &x, &g), 1);
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
      EXPECT_GT(x[i], -1.0);
      EXPECT_LT(x[i], 1.0);
      if (i > 0) {
        EXPECT_LT(x[i - 1], x[i]) << "n=" << n;
      }
      EXPECT_GT(g[i], 0.0);
      EXPECT_DOUBLE_EQ(x[i], -x[n - 1 - i]);
      sum += g[i];
    }
    EXPECT_NEAR(sum, 2.0, 1e-13) << "n=" << n;
    for (int k = 0; k <= 2 * n - 1; ++k) {
      double s = 0.0;
      for (int i = 0; i < n; ++i) s += g[i] * std::pow(x[i], k);
      EXPECT_NEAR(s, lineMonomial(k), 1e-13) << "n=" << n << " k=" << k;
    }
  }
}

TEST(GaussLegendre1D, PointCountsOutsideTheTableFail) {
  for (int n : {0, -3, 50, 1000}) {
    double *x = nullptr, *g = nullptr;
    testing::internal::CaptureStdout();
    try {
      GaussLegendre1D(n, &x, &g);
      ADD_FAILURE() << "no failure for n=" << n;
    } catch (int e) {
      EXPECT_EQ(e, 1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "gauss-legendre integration points are only programmed for "
              "order < 50 (asked " +
                  std::to_string(n) + ")\n");
    EXPECT_EQ(x, nullptr);
  }
}

TEST(ReferenceRules, CountsWeightsPointsAndExactnessForOrders0To12) {
  struct Case {
    Kind kind;
    int counts[13];
  };
  const Case cases[] = {
      {Tri, {1, 1, 3, 4, 6, 7, 12, 25, 25, 36, 36, 49, 49}},
      {Quad, {1, 4, 4, 4, 9, 16, 16, 25, 25, 36, 36, 49, 49}},
      {Tet, {1, 1, 4, 5, 16, 17, 29, 125, 216, 216, 343, 343, 512}},
      {Hex, {1, 1, 8, 8, 27, 64, 64, 125, 125, 216, 216, 343, 343}},
  };
  for (const Case &c : cases)
    for (int p = 0; p <= 12; ++p) {
      SCOPED_TRACE(std::string(kindName(c.kind)) + " order " + std::to_string(p));
      RuleView r = rule(c.kind, p);
      ASSERT_EQ(static_cast<int>(r.pts.size()), c.counts[p]);
      long double sum = 0.0;
      for (const auto &pt : r.pts) {
        sum += pt[3];
        EXPECT_TRUE(inside(c.kind, pt)) << pt[0] << " " << pt[1] << " " << pt[2];
      }
      EXPECT_NEAR(static_cast<double>(sum), measure(c.kind), 1e-14);
      EXPECT_LT(worstMonomialError(c.kind, r, p), 1e-13);
    }
}

TEST(ReferenceRules, LowOrderTablesHoldTheirFixedLayout) {
  const double a = 0.577350269189626;
  // Quadrilateral: orders 2 and 3 share the fixed table, (a, a) first; order 1
  // is the 2 x 2 product rule, (-a, -a) first.
  for (int p : {2, 3}) {
    const IntPt2d *q = getGQQPts(p);
    EXPECT_EQ(q, getGQQPts(2));
    EXPECT_DOUBLE_EQ(q[0].u, a);
    EXPECT_DOUBLE_EQ(q[0].v, a);
    EXPECT_DOUBLE_EQ(q[3].u, -a);
    EXPECT_DOUBLE_EQ(q[0].weight, 1.0);
  }
  const IntPt2d *q1 = getGQQPts(1);
  const double expected[4][2] = {{-a, -a}, {-a, a}, {a, -a}, {a, a}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(q1[i].u, expected[i][0], 1e-15);
    EXPECT_NEAR(q1[i].v, expected[i][1], 1e-15);
    EXPECT_NEAR(q1[i].weight, 1.0, 1e-15);
  }
  // One-point rules: the same rule for orders 0 and 1 on simplices and the
  // hexahedron, weight of the full reference measure.
  EXPECT_EQ(getGQTPts(0), getGQTPts(0));
  EXPECT_DOUBLE_EQ(getGQTPts(1)[0].u, 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(getGQTetPts(0)[0].w, 0.25);
  EXPECT_EQ(getNGQHPts(1), 1);
  EXPECT_DOUBLE_EQ(getGQHPts(1)[0].weight, 8.0);
  EXPECT_DOUBLE_EQ(getGQQPts(0)[0].weight, 4.0);
  // The hexahedron's fixed rule lists the lower layer (w = -a) first.
  const IntPt3d *h = getGQHPts(3);
  for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(h[i].w, i < 4 ? -a : a);
}

TEST(ReferenceRules, CachesCoverEveryNodeCountOfTheTableAndFailBeyond) {
  struct Case {
    Kind kind;
    int lastOrder;  // highest order whose rule has 49 nodes per direction
    int points;
  };
  const Case cases[] = {{Tri, 96, 49 * 49},
                        {Quad, 96, 49 * 49},
                        {Tet, 95, 49 * 49 * 49},
                        {Hex, 96, 49 * 49 * 49}};
  for (const Case &c : cases) {
    SCOPED_TRACE(kindName(c.kind));
    RuleView r = rule(c.kind, c.lastOrder);
    ASSERT_EQ(static_cast<int>(r.pts.size()), c.points);
    long double sum = 0.0;
    for (const auto &pt : r.pts) sum += pt[3];
    EXPECT_NEAR(static_cast<double>(sum), measure(c.kind), 1e-13);
    // A few monomials of high degree still come out exact.
    for (int a : {0, 40, 95}) {
      const int b = (a == 95) ? 0 : 50 - a / 2;
      long double s = 0.0;
      for (const auto &pt : r.pts) s += pt[3] * std::pow(pt[0], a) * std::pow(pt[1], b);
      EXPECT_NEAR(static_cast<double>(s), exactMonomial(c.kind, a, b, 0), 1e-13)
          << a << " " << b;
    }
    // A second request gives the very same cached rule.
    switch (c.kind) {
      case Tri: EXPECT_EQ(getGQTPts(c.lastOrder), getGQTPts(c.lastOrder - 1)); break;
      case Quad: EXPECT_EQ(getGQQPts(c.lastOrder), getGQQPts(c.lastOrder - 1)); break;
      case Tet: EXPECT_EQ(getGQTetPts(c.lastOrder), getGQTetPts(c.lastOrder - 1)); break;
      case Hex: EXPECT_EQ(getGQHPts(c.lastOrder), getGQHPts(c.lastOrder - 1)); break;
    }
    // One order more needs 50 nodes: the one-dimensional table's failure.
    testing::internal::CaptureStdout();
    try {
      rule(c.kind, c.lastOrder + 1);
      ADD_FAILURE() << "no failure";
    } catch (int e) {
      EXPECT_EQ(e, 1);
    }
    EXPECT_NE(testing::internal::GetCapturedStdout().find("(asked 50)"),
              std::string::npos);
  }
}

TEST(ReferenceRules, CollapsedMapsLandInsideTheSimplexWithTheirJacobian) {
  // Corners of the square and cube go to corners of the simplex; the Jacobian
  // is that of the collapsed map (area 1/2 over 4, volume 1/6 over 8 on average).
  double u, v, w, jac;
  quadToTri(-1, -1, u, v, jac);
  EXPECT_DOUBLE_EQ(u, 0.0);
  EXPECT_DOUBLE_EQ(v, 0.0);
  EXPECT_DOUBLE_EQ(jac, 0.25);
  quadToTri(1, 1, u, v, jac);
  EXPECT_DOUBLE_EQ(u, 1.0);
  EXPECT_DOUBLE_EQ(v, 0.0);
  EXPECT_DOUBLE_EQ(jac, 0.0);
  quadToTri(-1, 1, u, v, jac);
  EXPECT_DOUBLE_EQ(v, 1.0);
  brickToTet(-1, -1, 1, u, v, w, jac);
  EXPECT_DOUBLE_EQ(w, 1.0);
  EXPECT_DOUBLE_EQ(jac, 0.125);
  EXPECT_DOUBLE_EQ(quadToTriJac(0.3, -1.0), 0.25);
}
