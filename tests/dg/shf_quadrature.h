#ifndef TESTS_SHF_QUADRATURE_H
#define TESTS_SHF_QUADRATURE_H

// Quadrature rules of the tests' own, independent of the geometry library:
// Gauss-Legendre on [-1, 1] (exact to degree 2n-1) and collapsed (Duffy)
// tensor rules on the reference triangle and tetrahedron.

#include <cmath>
#include <vector>

namespace shftest {

struct Rule1 {
  std::vector<double> x, w;
};

// n-point Gauss-Legendre rule on [-1, 1], nodes by Newton on the recurrence.
inline Rule1 gaussLegendre(int n)
{
  Rule1 r;
  r.x.resize(n);
  r.w.resize(n);
  const long double pi = 3.14159265358979323846264338327950288L;
  for (int i = 0; i < n; ++i) {
    long double x = std::cos(pi * (i + 0.75L) / (n + 0.5L)), dp = 0;
    for (int it = 0; it < 100; ++it) {
      long double p0 = 1, p1 = x;
      for (int k = 2; k <= n; ++k) {
        const long double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      dp = n * (x * p1 - p0) / (x * x - 1);
      const long double dx = p1 / dp;
      x -= dx;
      if (std::fabs(static_cast<double>(dx)) < 1e-19) break;
    }
    r.x[i] = static_cast<double>(x);
    r.w[i] = static_cast<double>(2 / ((1 - x * x) * dp * dp));
  }
  return r;
}

struct Point {
  double u, v, w, weight;
};

// Rule on [0,1] from Gauss-Legendre.
inline Rule1 unitRule(int n)
{
  Rule1 r = gaussLegendre(n);
  for (int i = 0; i < n; ++i) {
    r.x[i] = 0.5 * (r.x[i] + 1.0);
    r.w[i] *= 0.5;
  }
  return r;
}

// Reference triangle (0,0),(1,0),(0,1): u = s, v = (1-s) t, dA = (1-s) ds dt.
// Exact for polynomials of degree <= 2n-2.
inline std::vector<Point> triangleRule(int n)
{
  const Rule1 g = unitRule(n);
  std::vector<Point> pts;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double s = g.x[i], t = g.x[j];
      pts.push_back({s, (1 - s) * t, 0.0, g.w[i] * g.w[j] * (1 - s)});
    }
  return pts;
}

// Reference tetrahedron: u = s, v = (1-s) t, w = (1-s)(1-t) r,
// dV = (1-s)^2 (1-t) ds dt dr. Exact for degree <= 2n-3.
inline std::vector<Point> tetRule(int n)
{
  const Rule1 g = unitRule(n);
  std::vector<Point> pts;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) {
        const double s = g.x[i], t = g.x[j], r = g.x[k];
        pts.push_back({s, (1 - s) * t, (1 - s) * (1 - t) * r,
                       g.w[i] * g.w[j] * g.w[k] * (1 - s) * (1 - s) * (1 - t)});
      }
  return pts;
}

} // namespace shftest

#endif
