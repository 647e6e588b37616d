// The inviscid volume pass on hexahedra (one direction at a time) and on
// tetrahedra (products over all points): against closed-form integrals of
// Legendre products on affine hexahedra, and against the quadrature sum that
// defines the pass, sum over the points of w detJ (F(U) . grad phi_j +
// S phi_j), on trilinear hexahedra and on tetrahedra.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "DGAnalysisPasses.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// Three fields, each carried by its own velocity and decaying at its own
// rate: F_f = a_f U_f, S_f = -s_f U_f.
class LinearLaw : public AdvectionLaw {
public:
  LinearLaw() : AdvectionLaw(3) {}
  static constexpr double a[3][3] = {{0.7, -1.3, 0.4}, {-0.2, 0.5, 1.1}, {1.6, 0.3, -0.9}};
  static constexpr double s[3] = {0.25, -0.5, 1.5};
  void Fi(int i, const mPoint &, const double *U, mVector &flux) const override {
    flux = mVector(a[i][0], a[i][1], a[i][2]) * U[i];
  }
  void Fi(const mPoint &p, const double *U, mVector *flux) const override {
    for (int i = 0; i < 3; ++i) Fi(i, p, U, flux[i]);
  }
  void RHS(const double *U, const mVector *, const mPoint &, double *S) const override {
    for (int i = 0; i < 3; ++i) S[i] = -s[i] * U[i];
  }
  bool hasSource() const override { return true; }
};

double legendre(int n, double x) {
  double p0 = 1.0, p1 = x;
  if (n == 0) return p0;
  for (int k = 1; k < n; ++k) {
    const double p2 = ((2 * k + 1) * x * p1 - k * p0) / (k + 1);
    p0 = p1;
    p1 = p2;
  }
  return p1;
}

double dlegendre(int n, double x) {
  // P_n' = sum over m < n with n - m odd of (2m + 1) P_m.
  double d = 0.0;
  for (int m = n - 1; m >= 0; m -= 2) d += (2 * m + 1) * legendre(m, x);
  return d;
}

// Legendre products P_i(u) P_j(v) P_l(w) of every degree up to p in each
// direction, in an order of their own (constant first, then by highest
// degree, w fastest reversed), so that the pass has to find the products.
class LegendreHexSpace : public PolynomialFunctionSpace {
public:
  explicit LegendreHexSpace(int p) : PolynomialFunctionSpace(p) {
    for (int i = 0; i <= p; ++i)
      for (int j = 0; j <= p; ++j)
        for (int l = 0; l <= p; ++l) triples.push_back({i, j, l});
    std::stable_sort(triples.begin(), triples.end(), [](const auto &x, const auto &y) {
      const int mx = std::max({x[0], x[1], x[2]}), my = std::max({y[0], y[1], y[2]});
      return mx != my ? mx < my : x[2] > y[2];
    });
  }
  int size(int p) const override { return (p + 1) * (p + 1) * (p + 1); }
  using PolynomialFunctionSpace::size;
  void fcts(double u, double v, double w, std::vector<double> &values) const override {
    for (int q = 0; q < size(); ++q) {
      const auto &t = triples[q];
      values[q] = legendre(t[0], u) * legendre(t[1], v) * legendre(t[2], w);
    }
  }
  void grads(double u, double v, double w, std::vector<mVector> &g) const override {
    for (int q = 0; q < size(); ++q) {
      const auto &t = triples[q];
      const double lu = legendre(t[0], u), lv = legendre(t[1], v), lw = legendre(t[2], w);
      g[q] = mVector(dlegendre(t[0], u) * lv * lw, lu * dlegendre(t[1], v) * lw, lu * lv * dlegendre(t[2], w));
    }
  }
  std::vector<std::array<int, 3>> triples;

protected:
  int maxOrder() const override { return -1; }
  const char *familyName() const override { return "test hexahedron"; }
};

// The product triples of the hexahedron basis of order 1: 1, u, v, w, uv,
// uw, vw, uvw.
const std::vector<std::array<int, 3>> kOrderOneTriples = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                                          {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};

struct Hexes {
  mMesh mesh{1};
  gEntity *g3 = mesh.getGEntity(1, 3);
  int next = 1;
  // a + s e1 + t e2 + r e3 for s, t, r in [0, 1]; the last vertex moved by
  // `skew` (a trilinear map).
  mEntity *hex(mPoint a, mVector e1, mVector e2, mVector e3, mVector skew = mVector()) {
    auto at = [&](int s, int t, int r) { return a + e1 * s + e2 * t + e3 * r; };
    const mPoint q[8] = {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 1, 0),
                         at(0, 0, 1), at(1, 0, 1), at(1, 1, 1) + skew, at(0, 1, 1)};
    mVertex *w[8];
    for (int i = 0; i < 8; ++i) w[i] = mesh.createVertex(next++, q[i](0), q[i](1), q[i](2), g3);
    return mesh.createHexWithVertices(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], g3);
  }
  mEntity *tet(mPoint a, mPoint b, mPoint c, mPoint d) {
    mVertex *w[4];
    const mPoint q[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) w[i] = mesh.createVertex(next++, q[i](0), q[i](1), q[i](2), g3);
    return mesh.createTetWithVertices(w[0], w[1], w[2], w[3], g3);
  }
};

DGCell *cellWith(mEntity *e, FunctionSpace *space) {
  MappingBuilder builder;
  DGCell *c = new DGCell(e, space, builder.BuildMapping(e, 0));
  e->attachFastData(c);
  return c;
}

// Coefficients with no structure the pass could lean on.
void fillCoefficients(DGCell *cell) {
  const int n = cell->nbFcts * cell->nbFieldCount;
  for (int i = 0; i < n; ++i) cell->coef0[i] = std::sin(1.7 * i + 0.3) / (1.0 + 0.2 * (i % cell->nbFcts));
}

std::vector<double> volumePass(DGCell *cell, const ConservationLaw &law) {
  std::fill(cell->rhs.begin(), cell->rhs.end(), 0.0);
  ComputeVolumeContributionInviscid volume{};
  volume.n = law.nbFields();
  volume.level = -1;
  volume.law = &law;
  volume(cell);
  return std::vector<double>(cell->rhs.begin(), cell->rhs.end());
}

// The sum that defines the pass, point by point with physical gradients.
std::vector<double> quadratureSum(DGCell *cell, const ConservationLaw &law) {
  const int nb = cell->nbFcts, nf = law.nbFields();
  std::vector<double> r(nb * nf, 0.0);
  std::vector<mVector> dphi(nb);
  for (int k = 0; k < cell->nbPtGauss(); ++k) {
    const RulePoint &rp = cell->rule[k];
    double U[3], S[3], x, y, z;
    cell->interpolate(rp.u, rp.v, rp.w, U);
    cell->getMapping()->eval(rp.u, rp.v, rp.w, x, y, z);
    mVector F[3];
    law.Fi(mPoint(x, y, z), U, F);
    law.RHS(U, nullptr, mPoint(x, y, z), S);
    cell->physicalGradients(k, dphi.data());
    const double w = rp.weight * cell->gaussPoints[k].jacDet;
    for (int f = 0; f < nf; ++f)
      for (int j = 0; j < nb; ++j) r[f * nb + j] += w * (F[f] * dphi[j] + S[f] * cell->gaussPoints[k].phi[j]);
  }
  return r;
}

void expectClose(const std::vector<double> &got, const std::vector<double> &want, double tol) {
  ASSERT_EQ(got.size(), want.size());
  double scale = 0.0;
  for (double x : want) scale = std::max(scale, std::fabs(x));
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], tol * scale) << "entry " << i;
}

const mPoint kCorner(0.1, -0.2, 0.3);
const mVector kE1(1.5, 0.2, 0.0), kE2(0.3, 1.2, 0.1), kE3(0.1, 0.2, 1.1);

// On the affine hexahedron x = corner + (xi + 1)/2 . [e1 e2 e3] the residual
// of field f, basis function (i, j, l) is detJ times the reference integral
// of U (b . grad phi - s phi), b = J^-1 a_f; with U and phi Legendre
// products it factors into one-dimensional integrals: int P_m P_i = 2/(2i+1)
// if m = i, int P_m P_i' = 2 if i > m and i - m is odd, else 0.
TEST(VolumePass, AffineHexahedraMatchClosedFormIntegrals) {
  LinearLaw law;
  LawScope scope(&law);
  // J = [e1 e2 e3] / 2 and its inverse by cofactors.
  const double J[3][3] = {{kE1(0) / 2, kE2(0) / 2, kE3(0) / 2},
                          {kE1(1) / 2, kE2(1) / 2, kE3(1) / 2},
                          {kE1(2) / 2, kE2(2) / 2, kE3(2) / 2}};
  const double det = J[0][0] * (J[1][1] * J[2][2] - J[1][2] * J[2][1]) -
                     J[0][1] * (J[1][0] * J[2][2] - J[1][2] * J[2][0]) +
                     J[0][2] * (J[1][0] * J[2][1] - J[1][1] * J[2][0]);
  double inv[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      inv[r][c] = (J[r1][c1] * J[r2][c2] - J[r1][c2] * J[r2][c1]) / det;
    }
  auto mass = [](int m, int i) { return m == i ? 2.0 / (2 * i + 1) : 0.0; };
  auto drift = [](int m, int i) { return i > m && (i - m) % 2 == 1 ? 2.0 : 0.0; };
  for (int p = 1; p <= 4; ++p) {
    SCOPED_TRACE(testing::Message() << "order " << p);
    Hexes h;
    FunctionSpace *space = p == 1 ? static_cast<FunctionSpace *>(new HexFunctionSpace(1)) : new LegendreHexSpace(p);
    const auto &triples = p == 1 ? kOrderOneTriples : static_cast<LegendreHexSpace *>(space)->triples;
    DGCell *cell = cellWith(h.hex(kCorner, kE1, kE2, kE3), space);
    ASSERT_TRUE(cell->affine);
    fillCoefficients(cell);
    const int nb = cell->nbFcts;
    std::vector<double> exact(3 * nb, 0.0);
    for (int f = 0; f < 3; ++f) {
      double b[3];
      for (int r = 0; r < 3; ++r) b[r] = inv[r][0] * law.a[f][0] + inv[r][1] * law.a[f][1] + inv[r][2] * law.a[f][2];
      for (int q = 0; q < nb; ++q) {
        const auto &m = triples[q];
        const double c = cell->coef0[f * nb + q];
        for (int j = 0; j < nb; ++j) {
          const auto &t = triples[j];
          const double grad = b[0] * drift(m[0], t[0]) * mass(m[1], t[1]) * mass(m[2], t[2]) +
                              b[1] * mass(m[0], t[0]) * drift(m[1], t[1]) * mass(m[2], t[2]) +
                              b[2] * mass(m[0], t[0]) * mass(m[1], t[1]) * drift(m[2], t[2]);
          const double source = -law.s[f] * mass(m[0], t[0]) * mass(m[1], t[1]) * mass(m[2], t[2]);
          exact[f * nb + j] += det * c * (grad + source);
        }
      }
    }
    expectClose(volumePass(cell, law), exact, 1e-13);
  }
}

// Trilinear hexahedra (their Jacobian varies from point to point) and
// tetrahedra, against the quadrature sum of the pass; orders 1 to 4, the
// hexahedra's above 1 in the test basis.
TEST(VolumePass, CurvedHexahedraAndTetrahedraMatchTheirQuadrature) {
  LinearLaw law;
  LawScope scope(&law);
  for (int p = 1; p <= 4; ++p) {
    SCOPED_TRACE(testing::Message() << "order " << p);
    Hexes h;
    FunctionSpace *space = p == 1 ? static_cast<FunctionSpace *>(new HexFunctionSpace(1)) : new LegendreHexSpace(p);
    DGCell *hex = cellWith(h.hex(mPoint(0, 0, 0), mVector(1, 0, 0), mVector(0, 1, 0), mVector(0, 0, 1),
                                 mVector(0.4, -0.3, 0.5)),
                           space);
    ASSERT_FALSE(hex->affine);
    fillCoefficients(hex);
    expectClose(volumePass(hex, law), quadratureSum(hex, law), 1e-13);
    DGCell *tet = cellWith(h.tet(mPoint(0.1, 0, 0), mPoint(1.3, 0.2, 0.1), mPoint(0.3, 1.1, 0.2),
                                 mPoint(0.2, 0.3, 1.4)),
                           new OrthogonalTetFunctionSpace(p));
    fillCoefficients(tet);
    expectClose(volumePass(tet, law), quadratureSum(tet, law), 1e-13);
  }
}

}  // namespace
