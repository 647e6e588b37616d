#include "GaussQuadrature.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace KORA {

namespace {

// ---------------------------------------------------------------------------
// One-dimensional Gauss-Legendre rules, computed once per point count by
// Newton iteration on the Legendre polynomial in extended precision.

struct Rule1D {
  bool ready = false;
  std::array<double, GaussLegendreMaxPoints> nodes{};
  std::array<double, GaussLegendreMaxPoints> weights{};
};

// P_n(x) and its derivative by the three-term recurrence.
void legendre(int n, long double x, long double &p, long double &dp) {
  long double p0 = 1.0L, p1 = x;
  for (int k = 2; k <= n; ++k) {
    const long double pk = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
    p0 = p1;
    p1 = pk;
  }
  p = p1;
  dp = n * (x * p1 - p0) / (x * x - 1.0L);
}

void computeGaussLegendre(int n, Rule1D &r) {
  const long double pi = 3.141592653589793238462643383279502884L;
  const int half = (n + 1) / 2;
  for (int i = 0; i < half; ++i) {
    // Root i counted from the right end, refined by Newton on P_n.
    long double x = std::cos(pi * (i + 0.75L) / (n + 0.5L));
    long double p, dp;
    for (int it = 0; it < 100; ++it) {
      legendre(n, x, p, dp);
      const long double dx = p / dp;
      x -= dx;
      if (std::fabs(dx) <= 1e-18L) break;
    }
    legendre(n, x, p, dp);
    const long double w = 2.0L / ((1.0L - x * x) * dp * dp);
    // Ascending order: the largest root goes last, its mirror first.
    r.nodes[n - 1 - i] = static_cast<double>(x);
    r.nodes[i] = static_cast<double>(-x);
    r.weights[n - 1 - i] = static_cast<double>(w);
    r.weights[i] = static_cast<double>(w);
  }
  if (n % 2 == 1) r.nodes[n / 2] = 0.0;
  r.ready = true;
}

std::array<Rule1D, GaussLegendreMaxPoints + 1> &rules1D() {
  static std::array<Rule1D, GaussLegendreMaxPoints + 1> rules;
  return rules;
}

// ---------------------------------------------------------------------------
// Symmetric tables of triangles and tetrahedra, orders 0 to 6, given by
// orbits of barycentric coordinates. Every distinct permutation of an orbit is
// one point; u, v (, w) are the second to last barycentric coordinates.

struct TriOrbit {
  double b[3];
  double weight;
};
struct TetOrbit {
  double b[4];
  double weight;
};

const double third = 1.0 / 3.0;
const double sixth = 1.0 / 6.0;

const std::vector<std::vector<TriOrbit>> &triOrbits() {
  static const std::vector<std::vector<TriOrbit>> t = {
      // 0, 1
      {{{third, third, third}, 1.0}},
      {{{third, third, third}, 1.0}},
      // 2
      {{{2.0 / 3.0, sixth, sixth}, third}},
      // 3
      {{{third, third, third}, -0.5625},
       {{0.6, 0.2, 0.2}, 0.520833333333333}},
      // 4
      {{{0.816847572980459, 0.091576213509771, 0.091576213509771},
        0.109951743655322},
       {{0.108103018168070, 0.445948490915965, 0.445948490915965},
        0.223381589678011}},
      // 5
      {{{third, third, third}, 0.225},
       {{0.797426985353087, 0.101286507323456, 0.101286507323456},
        0.125939180544827},
       {{0.059715871789770, 0.470142064105115, 0.470142064105115},
        0.132394152788506}},
      // 6
      {{{0.873821971016996, 0.063089014491502, 0.063089014491502},
        0.050844906370207},
       {{0.501426509658179, 0.249286745170910, 0.249286745170910},
        0.116786275726379},
       {{0.636502499121399, 0.310352451033785, 0.053145049844816},
        0.082851075618374}},
  };
  return t;
}

const std::vector<std::vector<TetOrbit>> &tetOrbits() {
  static const std::vector<std::vector<TetOrbit>> t = {
      // 0, 1
      {{{0.25, 0.25, 0.25, 0.25}, 1.0}},
      {{{0.25, 0.25, 0.25, 0.25}, 1.0}},
      // 2
      {{{0.5854101966249685, 0.138196601125015, 0.138196601125015,
         0.138196601125015},
        0.25}},
      // 3
      {{{0.25, 0.25, 0.25, 0.25}, -0.8},
       {{0.5, sixth, sixth, sixth}, 0.45}},
      // 4
      {{{0.7716429020672371, 0.0761190326442543, 0.0761190326442543,
         0.0761190326442543},
        0.0503737941001228},
       {{0.1197005277978019, 0.0718316452676693, 0.4042339134672644,
         0.4042339134672644},
        0.0665420686332923}},
      // 5
      {{{0.25, 0.25, 0.25, 0.25}, 0.1884185567365411},
       {{0.731636907957618, 0.0894543640141273, 0.0894543640141273,
         0.0894543640141273},
        0.0670385837260428},
       // The second coordinate is the complement of the other three; the
       // often-printed 0.02454003972903 has two digits swapped and costs the
       // rule its degree (errors near 1e-10 on quintic monomials).
       {{0.1325810999384657, 0.0245400379290299, 0.4214394310662522,
         0.4214394310662522},
        0.0452855923632739}},
      // 6
      {{{0.25, 0.25, 0.25, 0.25}, 0.0904012904601475},
       {{0.8277192480479295, 0.0574269173173568, 0.0574269173173568,
         0.0574269173173568},
        0.0191198342789912},
       {{0.0513518841255634, 0.4860510285706072, 0.2312985436519147,
         0.2312985436519147},
        0.0436149384066657},
       {{0.296753812969026, 0.6081079894015281, 0.0475690988147229,
         0.0475690988147229},
        0.0258116759619916}},
  };
  return t;
}

// Distinct permutations of an orbit, enumerated over index permutations so
// that equal values are recognised by position, not by floating comparison of
// recomputed numbers.
template <std::size_t N>
std::vector<std::array<double, N>> distinctPermutations(const double (&b)[N]) {
  std::array<int, N> idx{};
  for (std::size_t i = 0; i < N; ++i) idx[i] = static_cast<int>(i);
  std::vector<std::array<double, N>> out;
  do {
    std::array<double, N> p{};
    for (std::size_t i = 0; i < N; ++i) p[i] = b[idx[i]];
    if (std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
  } while (std::next_permutation(idx.begin(), idx.end()));
  return out;
}

struct SymmetricTables {
  std::vector<std::vector<IntPt2d>> GQT;    // triangle, orders 0..6
  std::vector<std::vector<IntPt3d>> GQTet;  // tetrahedron, orders 0..6
  SymmetricTables() {
    for (const auto &orbits : triOrbits()) {
      std::vector<IntPt2d> rule;
      for (const auto &o : orbits)
        for (const auto &p : distinctPermutations(o.b))
          rule.push_back({p[1], p[2], o.weight});
      GQT.push_back(std::move(rule));
    }
    for (const auto &orbits : tetOrbits()) {
      std::vector<IntPt3d> rule;
      for (const auto &o : orbits)
        for (const auto &p : distinctPermutations(o.b))
          rule.push_back({p[1], p[2], p[3], o.weight});
      GQTet.push_back(std::move(rule));
    }
  }
};

SymmetricTables &symmetricTables() {
  static SymmetricTables t;
  return t;
}

// One-point rules and fixed 2 x 2 and 2 x 2 x 2 rules of the quadrilateral
// and the hexahedron.
const double a = 0.577350269189626;
IntPt2d GQQ1[1] = {{0.0, 0.0, 4.0}};
IntPt2d GQQ[4] = {{a, a, 1.0}, {-a, a, 1.0}, {a, -a, 1.0}, {-a, -a, 1.0}};
IntPt3d GQH1[1] = {{0.0, 0.0, 0.0, 8.0}};
IntPt3d GQH[8] = {{a, a, -a, 1.0}, {-a, a, -a, 1.0}, {a, -a, -a, 1.0},
                  {-a, -a, -a, 1.0}, {a, a, a, 1.0}, {-a, a, a, 1.0},
                  {a, -a, a, 1.0}, {-a, -a, a, 1.0}};

// Caches of collapsed (triangle, tetrahedron) and product (quadrilateral,
// hexahedron) rules, indexed by the number of Gauss-Legendre nodes per
// direction (1..GaussLegendreMaxPoints). Each slot is filled once and never
// reallocated, so returned pointers stay valid.
template <class Pt>
using RuleCache = std::array<std::vector<Pt>, GaussLegendreMaxPoints + 1>;

RuleCache<IntPt2d> &GQTdegen() {
  static RuleCache<IntPt2d> c;
  return c;
}
RuleCache<IntPt3d> &GQTetDegen() {
  static RuleCache<IntPt3d> c;
  return c;
}
RuleCache<IntPt2d> &GQQnPt() {
  static RuleCache<IntPt2d> c;
  return c;
}
RuleCache<IntPt3d> &GQHnPt() {
  static RuleCache<IntPt3d> c;
  return c;
}

// Makes sure n is a supported node count before any cache slot is touched:
// GaussLegendre1D reports and throws for anything else.
void checkNodes(int n) {
  double *x, *g;
  GaussLegendre1D(n, &x, &g);
}

IntPt2d *quadProduct(int n) {
  checkNodes(n);
  auto &slot = GQQnPt()[n];
  if (slot.empty()) {
    double *x, *g;
    GaussLegendre1D(n, &x, &g);
    slot.reserve(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) slot.push_back({x[i], x[j], g[i] * g[j]});
  }
  return slot.data();
}

IntPt3d *hexProduct(int n) {
  checkNodes(n);
  auto &slot = GQHnPt()[n];
  if (slot.empty()) {
    double *x, *g;
    GaussLegendre1D(n, &x, &g);
    slot.reserve(static_cast<std::size_t>(n) * n * n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
          slot.push_back({x[i], x[j], x[k], g[i] * g[j] * g[k]});
  }
  return slot.data();
}

IntPt2d *triCollapsed(int n) {
  checkNodes(n);
  auto &slot = GQTdegen()[n];
  if (slot.empty()) {
    std::vector<IntPt2d> rule(static_cast<std::size_t>(n) * n);
    GaussLegendreTri(n, n, rule.data());
    slot = std::move(rule);
  }
  return slot.data();
}

IntPt3d *tetCollapsed(int n) {
  checkNodes(n);
  auto &slot = GQTetDegen()[n];
  if (slot.empty()) {
    std::vector<IntPt3d> rule(static_cast<std::size_t>(n) * n * n);
    GaussLegendreTet(n, n, n, rule.data());
    slot = std::move(rule);
  }
  return slot.data();
}

int clampOrder(int order) { return order < 0 ? 0 : order; }

}  // namespace

int GaussLegendre1D(int n, double **nodes, double **weights) {
  if (n < 1 || n > GaussLegendreMaxPoints) {
    std::printf(
        "gauss-legendre integration points are only programmed for order < 50 "
        "(asked %d)\n",
        n);
    throw 1;
  }
  Rule1D &r = rules1D()[n];
  if (!r.ready) computeGaussLegendre(n, r);
  *nodes = r.nodes.data();
  *weights = r.weights.data();
  return 1;
}

void quadToTri(double x, double y, double &u, double &v, double &jac) {
  u = (1.0 + x) * 0.5;
  v = (1.0 + y) * 0.5 * (1.0 - u);
  jac = (1.0 - u) * 0.25;
}

double quadToTriJac(double, double y) { return (1.0 - y) * 0.125; }

void brickToTet(double x, double y, double z, double &u, double &v, double &w,
                double &jac) {
  u = (1.0 + x) * 0.5;
  v = (1.0 + y) * 0.5 * (1.0 - u);
  w = (1.0 + z) * 0.5 * (1.0 - u - v);
  jac = (1.0 - u) * (1.0 - u - v) * 0.125;
}

int GaussLegendreTri(int n1, int n2, IntPt2d *pts) {
  double *x1, *g1, *x2, *g2;
  GaussLegendre1D(n1, &x1, &g1);
  GaussLegendre1D(n2, &x2, &g2);
  int k = 0;
  for (int i = 0; i < n1; ++i)
    for (int j = 0; j < n2; ++j) {
      double u, v, jac;
      quadToTri(x1[i], x2[j], u, v, jac);
      pts[k++] = {u, v, 2.0 * jac * g1[i] * g2[j]};
    }
  return k;
}

int GaussLegendreTet(int n1, int n2, int n3, IntPt3d *pts) {
  double *x1, *g1, *x2, *g2, *x3, *g3;
  GaussLegendre1D(n1, &x1, &g1);
  GaussLegendre1D(n2, &x2, &g2);
  GaussLegendre1D(n3, &x3, &g3);
  int m = 0;
  for (int i = 0; i < n1; ++i)
    for (int j = 0; j < n2; ++j)
      for (int k = 0; k < n3; ++k) {
        double u, v, w, jac;
        brickToTet(x1[i], x2[j], x3[k], u, v, w, jac);
        pts[m++] = {u, v, w, 6.0 * jac * g1[i] * g2[j] * g3[k]};
      }
  return m;
}

// Triangle: tables up to order 6, collapsed rules with n = (p + 3) / 2 above.
IntPt2d *getGQTPts(int order) {
  order = clampOrder(order);
  if (order <= 6)
    return symmetricTables().GQT[order].data();
  return triCollapsed((order + 3) / 2);
}

int getNGQTPts(int order) {
  static const int GQTnPt[7] = {1, 1, 3, 4, 6, 7, 12};
  order = clampOrder(order);
  if (order <= 6) return GQTnPt[order];
  const int n = (order + 3) / 2;
  return n * n;
}

// Tetrahedron: tables up to order 6, collapsed rules with n = (p + 4) / 2.
IntPt3d *getGQTetPts(int order) {
  order = clampOrder(order);
  if (order <= 6)
    return symmetricTables().GQTet[order].data();
  return tetCollapsed((order + 4) / 2);
}

int getNGQTetPts(int order) {
  static const int GQTetnPt[7] = {1, 1, 4, 5, 16, 17, 29};
  order = clampOrder(order);
  if (order <= 6) return GQTetnPt[order];
  const int n = (order + 4) / 2;
  return n * n * n;
}

// Quadrilateral: one point, the 2 x 2 product rule for order 1, the fixed
// 2 x 2 rule for orders 2 and 3, product rules with n = (p + 3) / 2 above.
IntPt2d *getGQQPts(int order) {
  order = clampOrder(order);
  if (order == 0) return GQQ1;
  if (order == 1) return quadProduct(2);
  if (order <= 3) return GQQ;
  return quadProduct((order + 3) / 2);
}

int getNGQQPts(int order) {
  order = clampOrder(order);
  if (order == 0) return 1;
  if (order <= 3) return 4;
  const int n = (order + 3) / 2;
  return n * n;
}

// Hexahedron: one point for orders 0 and 1, the fixed 2 x 2 x 2 rule for
// orders 2 and 3, product rules with n = (p + 3) / 2 above.
IntPt3d *getGQHPts(int order) {
  order = clampOrder(order);
  if (order <= 1) return GQH1;
  if (order <= 3) return GQH;
  return hexProduct((order + 3) / 2);
}

int getNGQHPts(int order) {
  order = clampOrder(order);
  if (order <= 1) return 1;
  if (order <= 3) return 8;
  const int n = (order + 3) / 2;
  return n * n * n;
}

}  // namespace KORA
