// Riemann solvers of the Euler laws: the exact solver against an independent
// solution of the same equations, the 2-D and 3-D fluxes against each other
// after rotation, the fallbacks, and the 2-D eigenvectors.

#include <memory>

#include "Euler.h"
#include "law_helpers.h"

using namespace lawtest;

namespace {

const double kGamma = 1.4;

Euler2d *roe2d() { return new Euler2d(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr); }
Euler2d *exact2d() {
  return new Euler2dExactRiemann(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
}
Euler3d *exact3d() { return new Euler3d(false, {}, nullptr, false, kGamma, 287, nullptr, nullptr); }
Euler3d *roe3d() { return new Euler3dRoe(false, {}, nullptr, false, kGamma, 287, nullptr, nullptr); }

// Lagrangian shock mass flux of a side at the pressure p.
double massFlux(double rho, double pside, double p) {
  const double Z = std::sqrt(kGamma * pside * rho);
  return Z * std::sqrt(1 + (kGamma + 1) / (2 * kGamma) * (p - pside) / pside);
}

// Root of the two-shock relation uR + (p - pR)/WR(p) = uL - (p - pL)/WL(p),
// by bisection.
double twoShockPressure(double rL, double uL, double pL, double rR, double uR, double pR) {
  auto f = [&](double p) {
    return (uR + (p - pR) / massFlux(rR, pR, p)) - (uL - (p - pL) / massFlux(rL, pL, p));
  };
  double lo = 1e-10, hi = 100;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (f(mid) < 0 ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// Newton passes of the solver, written out from its definition, to count the
// iterations: the secant-type update with the derivatives of the shock
// curves, stopped at a relative change below 1e-12.
int newtonPasses(double rL, double uL, double pL, double rR, double uR, double pR) {
  const double g = kGamma;
  const double ZL = std::sqrt(g * pL * rL), ZR = std::sqrt(g * pR * rR);
  double p = std::max(1e-14, pL + ((pR - pL) - ZR * (uR - uL)) * ZL / (ZL + ZR));
  for (int k = 1; k <= 12; ++k) {
    const double WL = massFlux(rL, pL, p), WR = massFlux(rR, pR, p);
    // Derivatives of the shock curves u*(p): du/dp = -1/WL' ... as slopes dL, dR.
    const double dL = -4 / rL * WL * WL * WL / (4 / rL * WL * WL - (g + 1) * (p - pL));
    const double dR = 4 / rR * WR * WR * WR / (4 / rR * WR * WR - (g + 1) * (p - pR));
    const double usL = uL - (p - pL) / WL, usR = uR + (p - pR) / WR;
    const double pn = std::max(1e-14, p + (usR - usL) * dL * dR / (dR - dL));
    const double err = std::fabs(pn - p) / p;
    p = pn;
    if (err < 1e-12) return k;
  }
  return 13;
}

}  // namespace

TEST(ExactRiemann, ShockTubeInterfaceState) {
  std::unique_ptr<Euler> law(exact3d());
  const double rL = 1, uL = 0, pL = 1, rR = 0.125, uR = 0, pR = 0.1;
  RiemannResult r;
  ASSERT_TRUE(law->riemann(rL, uL, 0, 0, pL, rR, uR, 0, 0, pR, r));

  // Pressure and velocity of the star region from the two-shock relations.
  const double ps = twoShockPressure(rL, uL, pL, rR, uR, pR);
  const double WL = massFlux(rL, pL, ps), WR = massFlux(rR, pR, ps);
  const double us = 0.5 * ((uR + (ps - pR) / WR) + (uL - (ps - pL) / WL));
  EXPECT_NEAR(ps, 0.30325, 5e-6);
  EXPECT_NEAR(us, 0.92784, 5e-6);
  EXPECT_EQ(r.iterations, newtonPasses(rL, uL, pL, rR, uR, pR));
  EXPECT_EQ(r.iterations, 5);
  EXPECT_LT(r.error, 1e-12);

  // The face sits in the left fan region: u* > 0 and p* < pL (a rarefaction).
  // Sound speeds and the blend of the left state with the star state.
  const double tauL = 1 / rL;
  const double taus = std::max((kGamma - 1) / (kGamma + 1) * tauL, tauL - (ps - pL) / (WL * WL));
  const double c0 = std::sqrt(kGamma * pL * tauL), cs = std::sqrt(kGamma * ps * taus);
  const double sOut = c0 - uL, sIn = cs - us;
  ASSERT_GT(sOut, 0);
  double rho, u, p;
  if (sIn >= 0) {
    rho = 1 / taus;
    u = us;
    p = ps;
  } else {
    const double frac = 0.5 * (1 + (sOut + sIn) / std::max({1e-14, sOut + sIn, sOut - sIn}));
    rho = frac / taus + (1 - frac) / tauL;
    u = frac * us + (1 - frac) * uL;
    p = frac * ps + (1 - frac) * pL;
  }
  EXPECT_NEAR(r.rho, rho, 1e-12);
  EXPECT_NEAR(r.un, u, 1e-12);
  EXPECT_NEAR(r.p, p, 1e-12);
  EXPECT_NEAR(r.rho, 0.4473, 5e-5);

  // The five-output form writes the same state.
  double o[5] = {};
  ASSERT_TRUE(law->riemann(rL, uL, 0.3, -0.2, pL, rR, uR, 0.7, 0.9, pR, &o[0], &o[1], &o[2], &o[3], &o[4]));
  EXPECT_EQ(o[0], r.rho);
  EXPECT_EQ(o[1], r.un);
  EXPECT_EQ(o[4], r.p);
  EXPECT_EQ(o[2], 0.3);  // tangential velocities of the upwind (left) side
  EXPECT_EQ(o[3], -0.2);
}

TEST(ExactRiemann, EqualAndSupersonicStates) {
  std::unique_ptr<Euler> law(exact3d());
  struct Case {
    double L[5], R[5];
    double expect[5];
    int iterations;  // -1: not checked
  } cases[] = {
      {{1.3, 0.4, 0.1, -0.2, 2}, {1.3, 0.4, 0.1, -0.2, 2}, {1.3, 0.4, 0.1, -0.2, 2}, 1},
      {{1, 5, 0.3, 0, 1}, {0.5, 4, -1, 0, 0.8}, {1, 5, 0.3, 0, 1}, -1},      // to the right: left state
      {{1, -5, 0.3, 0, 1}, {0.5, -4, -1, 0, 0.8}, {0.5, -4, -1, 0, 0.8}, -1}, // to the left: right state
  };
  for (const Case &c : cases) {
    RiemannResult r;
    ASSERT_TRUE(law->riemann(c.L[0], c.L[1], c.L[2], c.L[3], c.L[4], c.R[0], c.R[1], c.R[2], c.R[3], c.R[4], r));
    const double got[5] = {r.rho, r.un, r.ut1, r.ut2, r.p};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], c.expect[i]) << i;
    if (c.iterations >= 0) {
      EXPECT_EQ(r.iterations, c.iterations);
      EXPECT_EQ(r.error, 0);
    }
  }
}

TEST(ExactRiemann, NonConvergenceIsReportedAndNotAFailure) {
  // A right state at zero pressure has no shock impedance: the iteration
  // cannot settle within its twelve passes.
  std::unique_ptr<Euler> law(exact3d());
  RiemannResult r;
  bool ok = false;
  const std::string out = captured([&] { ok = law->riemann(1, 0, 0, 0, 1, 1, 0, 0, 0, 0, r); });
  EXPECT_EQ(out.rfind("Riemann solver failed to converge in 12iterations\nRelative error is ", 0), 0u) << out;
  EXPECT_EQ(out.back(), '\n');
  EXPECT_EQ(r.iterations, 12);
  EXPECT_TRUE(ok);
}

TEST(ExactRiemann, InadmissibleStatesFailAndTheFluxesFallBack) {
  std::unique_ptr<Euler> e2(exact2d()), e3(exact3d());
  RiemannResult r;
  EXPECT_FALSE(e3->riemann(1, 0, 0, 0, -1, 1, 0, 0, 0, 1, r));
  EXPECT_FALSE(e3->riemann(1, 0, 0, 0, 1, 1, 0, 0, 0, -1, r));

  const mVector n = unit(0.6, 0.8, 0);
  struct Case {
    double pL, pR, pw;
  } cases[] = {{-1, 0.5, 0.5}, {0.7, -1, 0.7}, {-1, -2, 0.0}};
  for (const Case &c : cases) {
    const double UL[4] = {1, 0.2, 0.1, c.pL / 0.4 + 0.025}, UR[4] = {1, -0.1, 0.3, c.pR / 0.4 + 0.05};
    double FL[4], FR[4];
    e2->riemannSolver(n, mPoint(), UL, UR, FL, FR);
    const double wall[4] = {0, c.pw * n.x(), c.pw * n.y(), 0};
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(FL[j], wall[j], 1e-14) << j;
      EXPECT_EQ(FL[j], FR[j]);
    }
    const double VL[5] = {1, 0.2, 0.1, c.pL / 0.4 + 0.025, 0}, VR[5] = {1, -0.1, 0.3, c.pR / 0.4 + 0.05, 0};
    double GL[5], GR[5];
    e3->riemannSolver(n, mPoint(), VL, VR, GL, GR);
    for (int j = 0; j < 5; ++j) EXPECT_EQ(GL[j], 0.0);
  }
}

TEST(RiemannFluxes, TwoAndThreeDimensionsAgreeAfterRotation) {
  // A 1-D problem along the normal with tangential motion: the 2-D flux in the
  // frame (x, y) = (normal, tangent) and the 3-D flux through any unit normal
  // n with tangent t must carry the same mass, normal momentum, tangential
  // momentum and energy.
  struct Pair {
    const char *name;
    std::unique_ptr<Euler> two, three;
  };
  Pair pairs[2] = {{"exact", std::unique_ptr<Euler>(exact2d()), std::unique_ptr<Euler>(exact3d())},
                   {"Roe", std::unique_ptr<Euler>(roe2d()), std::unique_ptr<Euler>(roe3d())}};
  struct Side {
    double rho, un, ut, p;
  };
  const Side sides[][2] = {{{1, 0, 0, 1}, {0.125, 0, 0, 0.1}},  // the shock tube
                           {{1, 0.5, 0.3, 1}, {0.5, -0.2, -0.4, 0.4}},
                           {{0.4, -1, 0.2, 0.3}, {1, 0.5, 0.1, 2}}};
  const mVector normals[] = {mVector(0, 0, 1), unit(1, -2, 2), unit(0.3, 0.1, -1)};
  for (Pair &pr : pairs) {
    for (const auto &s : sides) {
      for (const mVector &n : normals) {
        SCOPED_TRACE(testing::Message() << pr.name << " n = " << n.x() << " " << n.y() << " " << n.z());
        mVector t = n % mVector(1, 0.5, 0.25);
        t.normalize();
        auto s2 = [&](const Side &q) {
          return std::vector<double>{q.rho, q.rho * q.un, q.rho * q.ut,
                                     q.p / 0.4 + 0.5 * q.rho * (q.un * q.un + q.ut * q.ut)};
        };
        auto s3 = [&](const Side &q) {
          const mVector v = n * q.un + t * q.ut;
          return std::vector<double>{q.rho, q.rho * v.x(), q.rho * v.y(),
                                     q.p / 0.4 + 0.5 * q.rho * (q.un * q.un + q.ut * q.ut), q.rho * v.z()};
        };
        const auto L2 = s2(s[0]), R2 = s2(s[1]), L3 = s3(s[0]), R3 = s3(s[1]);
        double F2[4], X2[4], F3[5], X3[5];
        pr.two->riemannSolver(mVector(1, 0, 0), mPoint(), L2.data(), R2.data(), F2, X2);
        pr.three->riemannSolver(n, mPoint(), L3.data(), R3.data(), F3, X3);
        const mVector momentum = n * F2[1] + t * F2[2];
        const std::vector<double> expected = {F2[0], momentum.x(), momentum.y(), F2[3], momentum.z()};
        expectNear(std::vector<double>(F3, F3 + 5), expected, 1e-12);
      }
    }
  }
}

TEST(RiemannFluxes, ExactFluxOfTheShockTubeIsTheFluxOfTheInterfaceState) {
  std::unique_ptr<Euler> e2(exact2d());
  RiemannResult r;
  ASSERT_TRUE(e2->riemann(1, 0, 0, 0, 1, 0.125, 0, 0, 0, 0.1, r));
  const double UL[4] = {1, 0, 0, 2.5}, UR[4] = {0.125, 0, 0, 0.25};
  double F[4], G[4];
  e2->riemannSolver(mVector(1, 0, 0), mPoint(), UL, UR, F, G);
  const double E = r.p / 0.4 + 0.5 * r.rho * r.un * r.un;
  const double expected[4] = {r.rho * r.un, r.rho * r.un * r.un + r.p, 0, r.un * (E + r.p)};
  for (int j = 0; j < 4; ++j) EXPECT_NEAR(F[j], expected[j], 1e-14) << j;
}

TEST(RoeFlux, RestingStatesAndFallbacks) {
  std::unique_ptr<Euler> r2(roe2d()), r3(roe3d());
  // At rest with pressure 0.8 through n = (0, 0, 1): the pressure lands in the
  // z-momentum entry.
  const double rest[5] = {1.2, 0, 0, 2.0, 0};
  double F[5], G[5];
  r3->riemannSolver(mVector(0, 0, 1), mPoint(), rest, rest, F, G);
  const double expected[5] = {0, 0, 0, 0, 0.8};
  for (int j = 0; j < 5; ++j) EXPECT_NEAR(F[j], expected[j], 1e-15) << j;

  // Negative pressure: the Roe sound speed is imaginary. The 2-D flux says so
  // and returns the central flux; the 3-D flux is silent.
  const double bad2[4] = {1, 0.5, 0.2, -0.5}, other2[4] = {1, 0.3, 0.1, -0.4};
  const mVector n = unit(0.6, 0.8, 0);
  const std::string out = captured([&] { r2->riemannSolver(n, mPoint(1.5, -2, 0.25), bad2, other2, F, G); });
  EXPECT_EQ(out, "unphysical data's found on 1.500000 -2.000000 0.250000\n");
  const auto fa = normalFlux(*r2, bad2, n), fb = normalFlux(*r2, other2, n);
  for (int j = 0; j < 4; ++j) EXPECT_NEAR(F[j], 0.5 * (fa[j] + fb[j]), 1e-14) << j;

  const double bad3[5] = {1, 0.5, 0.2, -0.5, 0.1}, other3[5] = {1, 0.3, 0.1, -0.4, 0};
  EXPECT_EQ(captured([&] { r3->riemannSolver(n, mPoint(), bad3, other3, F, G); }), "");
  const auto ga = normalFlux(*r3, bad3, n), gb = normalFlux(*r3, other3, n);
  for (int j = 0; j < 5; ++j) EXPECT_NEAR(F[j], 0.5 * (ga[j] + gb[j]), 1e-14) << j;
}

TEST(RoeFlux, EigenvectorsDiagonaliseTheFluxJacobian) {
  std::unique_ptr<Euler> law(roe2d());
  double U[4] = {1.3, 0.52, -0.39, 3.1};
  const mVector n = unit(0.6, -0.8, 0);
  double L[4][4], R[4][4];
  law->compute_eigenvecs2d(U, n, L, R);
  // L R = I.
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += L[i][k] * R[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12) << i << j;
    }
  // A r = lambda r with A the normal flux Jacobian (finite differences).
  mVector rows[4][4];
  mVector *J[4] = {rows[0], rows[1], rows[2], rows[3]};
  law->JacobianOfFluxes(mPoint(), U, J);
  const double u = U[1] / U[0], v = U[2] / U[0];
  const double p = computeP2d(U, kGamma), c = std::sqrt(kGamma * p / U[0]);
  const double un = u * n.x() + v * n.y();
  const double lambda[4] = {un - c, un, un + c, un};
  for (int col = 0; col < 4; ++col)
    for (int j = 0; j < 4; ++j) {
      double Ar = 0;
      for (int i = 0; i < 4; ++i) Ar += dot(J[i][j], n) * R[i][col];
      EXPECT_NEAR(Ar, lambda[col] * R[j][col], 1e-5) << col << j;
    }
}
