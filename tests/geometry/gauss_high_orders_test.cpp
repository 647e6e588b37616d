// Rules of the orders that the high-order bases ask for (volume rules of
// order 2p + 2 and faces of order 2p + 1 with p up to 12 on triangles,
// quadrilaterals and hexahedra and up to 8 on tetrahedra), exact on
// monomials of the reference elements.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "GaussQuadrature.h"

using namespace KORA;

namespace {

double factorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// Integral of x^a over [-1, 1].
double lineIntegral(int a) { return a % 2 ? 0.0 : 2.0 / (a + 1); }

}  // namespace

// Simplices: every monomial u^a v^b (w^c) of total degree <= q, exact
// integral a! b! c! / (a+b+c+dim)! over the reference element with the
// stored weights summing to 1 (so times 2 and 6).
TEST(GaussHighOrders, SimplexRulesIntegrateEveryMonomialOfTheirOrder) {
  for (int q : {13, 17, 21, 25, 27}) {
    SCOPED_TRACE("triangle order " + std::to_string(q));
    const IntPt2d *r = getGQTPts(q);
    const int n = getNGQTPts(q);
    for (int a = 0; a <= q; ++a)
      for (int b = 0; a + b <= q; ++b) {
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += r[i].weight * std::pow(r[i].u, a) * std::pow(r[i].v, b);
        const double exact = 2.0 * factorial(a) * factorial(b) / factorial(a + b + 2);
        ASSERT_NEAR(s, exact, 1e-14 * exact + 1e-17) << a << " " << b;
      }
  }
  for (int q : {9, 13, 17, 18}) {
    SCOPED_TRACE("tetrahedron order " + std::to_string(q));
    const IntPt3d *r = getGQTetPts(q);
    const int n = getNGQTetPts(q);
    for (int a = 0; a <= q; ++a)
      for (int b = 0; a + b <= q; ++b)
        for (int c = 0; a + b + c <= q; ++c) {
          double s = 0.0;
          for (int i = 0; i < n; ++i)
            s += r[i].weight * std::pow(r[i].u, a) * std::pow(r[i].v, b) * std::pow(r[i].w, c);
          const double exact = 6.0 * factorial(a) * factorial(b) * factorial(c) / factorial(a + b + c + 3);
          ASSERT_NEAR(s, exact, 1e-13 * exact + 1e-18) << a << " " << b << " " << c;
        }
  }
}

// Tensor rules: exact for degree q in each variable; the monomials with every
// exponent in {0, 1, q-1, q} (the highest the rule must reach) on the
// quadrilateral and the hexahedron.
TEST(GaussHighOrders, TensorRulesIntegrateDegreeQInEachVariable) {
  for (int q : {13, 17, 21, 25, 26, 27}) {
    SCOPED_TRACE("order " + std::to_string(q));
    const int ex[4] = {0, 1, q - 1, q};
    const IntPt2d *quad = getGQQPts(q);
    const IntPt3d *hex = getGQHPts(q);
    const int nq = getNGQQPts(q), nh = getNGQHPts(q);
    for (int a : ex)
      for (int b : ex) {
        double s = 0.0;
        for (int i = 0; i < nq; ++i) s += quad[i].weight * std::pow(quad[i].u, a) * std::pow(quad[i].v, b);
        ASSERT_NEAR(s, lineIntegral(a) * lineIntegral(b), 1e-14) << a << " " << b;
        for (int c : ex) {
          double t = 0.0;
          for (int i = 0; i < nh; ++i)
            t += hex[i].weight * std::pow(hex[i].u, a) * std::pow(hex[i].v, b) * std::pow(hex[i].w, c);
          ASSERT_NEAR(t, lineIntegral(a) * lineIntegral(b) * lineIntegral(c), 1e-13) << a << " " << b << " " << c;
        }
      }
  }
}
