// Navier-Stokes laws: viscous fluxes against the stress tensor and the heat
// flux, the interface average, the concentration flux, the wall tags, the
// sources, the output fields and the forms of construction.

#include <memory>

#include "NavierStokes.h"
#include "law_helpers.h"
#include "mException.h"

using namespace lawtest;

namespace {

const double kGamma = 1.4;

// Primitive fields that vary linearly about a point: values and gradients.
struct Primitive {
  double rho, u, v, w, p;
  mVector grho, gu, gv, gw, gp;
};

// Conservative state (law order) and the exact gradients of its fields.
void conservative(const Primitive &q, int dim, double *U, mVector *G) {
  const double k2 = q.u * q.u + q.v * q.v + (dim == 3 ? q.w * q.w : 0);
  U[0] = q.rho;
  U[1] = q.rho * q.u;
  U[2] = q.rho * q.v;
  U[3] = q.p / (kGamma - 1) + 0.5 * q.rho * k2;
  G[0] = q.grho;
  G[1] = q.grho * q.u + q.gu * q.rho;
  G[2] = q.grho * q.v + q.gv * q.rho;
  mVector gk = q.gu * q.u + q.gv * q.v;
  if (dim == 3) gk += q.gw * q.w;
  G[3] = q.gp / (kGamma - 1) + q.grho * (0.5 * k2) + gk * q.rho;
  if (dim == 3) {
    U[4] = q.rho * q.w;
    G[4] = q.grho * q.w + q.gw * q.rho;
  }
}

const Primitive kFlow = {1.2,
                         0.3,
                         -0.1,
                         0.25,
                         1.0,
                         mVector(0.1, -0.2, 0.05),
                         mVector(0.5, 0.2, -0.3),
                         mVector(0.3, -0.4, 0.1),
                         mVector(-0.2, 0.15, 0.35),
                         mVector(0.2, 0.1, -0.1)};

// Viscous stress tau = grad u + grad u^T - 2/3 div u I, row i.
mVector stressRow(const Primitive &q, int dim, int i) {
  const mVector g[3] = {q.gu, q.gv, dim == 3 ? q.gw : mVector()};
  double div = 0;
  for (int d = 0; d < dim; ++d) div += g[d][d];
  mVector row;
  for (int j = 0; j < dim; ++j) row[j] = g[i][j] + g[j][i] - (i == j ? 2.0 / 3.0 * div : 0.0);
  return row;
}

// rho times the gradient of the internal energy p / ((gamma - 1) rho).
mVector rhoGradE(const Primitive &q) {
  return (q.gp - q.grho * (q.p / q.rho)) / (kGamma - 1);
}

// A trace: state followed by the gradients of all fields.
std::vector<double> trace(const double *U, const mVector *G, int nb) {
  std::vector<double> t(4 * nb, 0.0);
  for (int i = 0; i < nb; ++i) t[i] = U[i];
  for (int i = 0; i < nb; ++i)
    for (int c = 0; c < 3; ++c) t[nb + 3 * i + c] = G[i][c];
  return t;
}

}  // namespace

TEST(NavierStokes, FormsFieldCountsAndNames) {
  auto far = constantField({1, 0, 0, 2.5, 0, 0});
  struct Case {
    std::shared_ptr<ConservationLaw> law;
    int fields, ofInterest;
    const char *suffix;
  } cases[] = {
      {std::make_shared<NavierStokes2d>(&far, std::map<int, bc>{}, kGamma, 0.72, 1000.7), 4, 5, "-1000"},
      {std::make_shared<NavierStokes2d>(false, kGamma, std::map<int, bc>{}, &far, true, false, 1e4 + 0.9, 0.7), 4,
       5, "-10000"},
      {std::make_shared<NavierStokes2d>(true, kGamma, std::map<int, bc>{}, &far, true, false, 1e4 + 0.9, 0.7), 5, 6,
       "-10000"},
      {std::make_shared<NavierStokes3d>(&far, std::map<int, bc>{}, kGamma, 0.72, 250.2), 5, 5, "-250"},
      {std::make_shared<NavierStokes3d>(false, kGamma, std::map<int, bc>{}, &far, true, true, 7.9, 0.7), 5, 5,
       "-7"},
  };
  const char *names[] = {"density", "vorticity", "velocity", "temperature", "pressure"};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.suffix);
    const ConservationLaw &law = *c.law;
    EXPECT_EQ(law.nbFields(), c.fields);
    EXPECT_EQ(law.getNbFieldsOfInterest(), c.ofInterest);
    EXPECT_TRUE(law.isViscous());
    EXPECT_TRUE(law.needTheHigherOrderGradients());
    for (int i = 0; i < 5; ++i) {
      int size = 0;
      std::string name;
      law.getNameAndSize(i, size, name);
      EXPECT_EQ(name, std::string(names[i]) + c.suffix);
      EXPECT_EQ(size, i == 2 ? 3 : 1);
    }
    for (int i : {5, -1}) {
      int size = -4;
      std::string name = "none";
      law.getNameAndSize(i, size, name);
      if (c.ofInterest == 6) {
        EXPECT_EQ(name, std::string("concentration") + c.suffix);
        EXPECT_EQ(size, 1);
      } else {  // no concentration: nothing is written
        EXPECT_EQ(name, "none");
        EXPECT_EQ(size, -4);
      }
    }
  }
  NavierStokes2d plain(&far, {}, kGamma, 0.72, 1000.7);
  EXPECT_EQ(plain.Quorl(), 1000.7);
  EXPECT_EQ(plain.Reynolds(), 1000.7);
  EXPECT_EQ(plain.Prandlt(), 0.72);
  EXPECT_THROW(NavierStokes3d(true, kGamma, {}, &far, true, false, 10, 0.7), std::string);
}

TEST(NavierStokes, ViscousFluxIsStressAndHeatConduction) {
  const double Re = 50, Pr = 0.7;
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d plain2(&far, {}, kGamma, Pr, Re);
  NavierStokes3d plain3(&far, {}, kGamma, Pr, Re);
  NavierStokes2d conv2(true, kGamma, {}, &far, false, false, 3.0, Pr);
  NavierStokes3d conv3(false, kGamma, {}, &far, false, false, 3.0, Pr);
  struct Case {
    const ConservationLaw *law;
    int dim;
    double mu, kappa;  // F = -mu tau - kappa rho grad(e) / rho on the energy row, plus work
  } cases[] = {
      {&plain2, 2, 1 / Re, 1 / (Re * Pr)},
      {&plain3, 3, 1 / Re, 1 / (Re * Pr)},
      {&conv2, 2, Pr, 1.0},
      {&conv3, 3, Pr, 1.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.dim << " " << c.mu);
    double U[6] = {};
    mVector G[6];
    conservative(kFlow, c.dim, U, G);
    U[4 + (c.dim == 3)] = 0.4;  // concentration when there is one
    mVector F[6];
    c.law->Fv(mPoint(), U, G, F);
    const int mom[3] = {1, 2, 4};
    const double vel[3] = {kFlow.u, kFlow.v, kFlow.w};
    EXPECT_EQ(F[0].length(), 0);
    mVector work;
    for (int i = 0; i < c.dim; ++i) {
      const mVector expected = stressRow(kFlow, c.dim, i) * (-c.mu);
      for (int d = 0; d < 3; ++d) EXPECT_NEAR(F[mom[i]][d], expected[d], 1e-14) << i << d;
      for (int d = 0; d < c.dim; ++d) work[d] += vel[i] * expected[d];
    }
    const mVector heat = rhoGradE(kFlow) * (-c.kappa / kFlow.rho);
    for (int d = 0; d < 3; ++d) EXPECT_NEAR(F[3][d], heat[d] + work[d], 1e-14) << d;
    if (c.law->nbFields() > c.dim + 2) {
      EXPECT_EQ(F[c.law->nbFields() - 1].length(), 0);
    }
  }
  // heatflux is rho times the gradient of the internal energy.
  double U[5];
  mVector G[5], q;
  conservative(kFlow, 3, U, G);
  plain3.heatflux(U, G, q);
  for (int d = 0; d < 3; ++d) EXPECT_NEAR(q[d], rhoGradE(kFlow)[d], 1e-14);
  EXPECT_NEAR(plain3.temperature(U), kFlow.p / (0.4 * kFlow.rho), 1e-14);
  EXPECT_NEAR(plain3.jumpQuantity(U), kFlow.p / (0.4 * kFlow.rho), 1e-14);
  EXPECT_EQ(plain3.jumpQuantity(U, G), U[0]);
  conservative(kFlow, 2, U, G);
  EXPECT_NEAR(plain2.jumpQuantity(U), std::hypot(U[1], U[2]), 1e-15);
  EXPECT_NEAR(plain2.pressure(U), kFlow.p, 1e-14);
}

TEST(NavierStokes, ViscousAverageAddsAverageAndPenalty) {
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d law(&far, {}, kGamma, 0.7, 20);
  const int nb = 4;
  const mVector n = unit(0.6, 0.8, 0);
  double U[4];
  mVector G[4], V[4];
  conservative(kFlow, 2, U, G);
  law.Fv(mPoint(), U, G, V);

  // Equal traces: each side grows by Fv . n.
  const auto T = trace(U, G, nb);
  double FL[4] = {1, 2, 3, 4}, FR[4] = {1, 2, 3, 4};
  law.viscousAverage(n, mPoint(), T.data(), T.data(), FL, FR);
  for (int i = 0; i < nb; ++i) {
    EXPECT_NEAR(FL[i], (i + 1) + dot(V[i], n), 1e-14) << i;
    EXPECT_EQ(FL[i], FR[i]);
  }
  EXPECT_EQ(FL[0], 1.0);

  // Zero gradients, states differing by 1 in density: -2 on the density only.
  mVector zero[4];
  auto A = trace(U, zero, nb), B = A;
  B[0] += 1;
  double HL[4] = {}, HR[4] = {};
  law.viscousAverage(n, mPoint(), A.data(), B.data(), HL, HR);
  const double expected[4] = {-2, 0, 0, 0};
  for (int i = 0; i < nb; ++i) EXPECT_NEAR(HL[i], expected[i], 1e-15) << i;

  // Exchanging the traces changes only the sign of the penalty.
  mVector G2[4];
  Primitive other = kFlow;
  other.rho = 0.8;
  other.u = -0.2;
  other.gu = mVector(0.1, 0.9, 0);
  double U2[4];
  conservative(other, 2, U2, G2);
  const auto P = trace(U, G, nb), Q = trace(U2, G2, nb);
  double a[4] = {}, b[4] = {}, x[4] = {}, y[4] = {};
  law.viscousAverage(n, mPoint(), P.data(), Q.data(), a, b);
  law.viscousAverage(n, mPoint(), Q.data(), P.data(), x, y);
  for (int i = 0; i < nb; ++i) EXPECT_NEAR(a[i] - x[i], -4 * (U2[i] - U[i]), 1e-14) << i;
}

TEST(NavierStokes, ConcentrationFlux) {
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d law(true, kGamma, {}, &far, false, false, 1.0, 0.7);
  struct Case {
    double qL, qR, cL, cR, H;
  } cases[] = {
      {1, -1, 0.3, 0.9, 0},     // opposite mass fluxes
      {1, 1, 0, 1, 0},          // upwind from the left
      {-1, -1, 0, 1, -1},       // upwind from the right
      {2, 2, 0.5, 0.5, 1},
  };
  const mVector n(1, 0, 0);
  for (const Case &c : cases) {
    const double UL[5] = {1, c.qL, 0, 3, c.cL}, UR[5] = {1, c.qR, 0, 3, c.cR};
    double FL[5] = {}, FR[5] = {};
    law.riemannSolverOnEQ5(n, mPoint(), UL, UR, FL, FR);
    EXPECT_DOUBLE_EQ(FL[4], c.H);
    EXPECT_EQ(FR[4], FL[4]);
  }
  NavierStokes3d three(&far, {}, kGamma, 0.7, 10);
  double s[6] = {1, 0, 0, 3, 0, 0}, F[6], R[6];
  EXPECT_THROW(three.riemannSolverOnEQ5(n, mPoint(), s, s, F, R), int);

  // With zero gradients the interface average moves the concentration by
  // -2 (cR - cL) on top of the upwind value.
  std::vector<double> A(20, 0.0), B(20, 0.0);
  const double SA[5] = {1, 1, 0, 3, 0.2}, SB[5] = {1, 1, 0, 3, 0.7};
  for (int i = 0; i < 5; ++i) {
    A[i] = SA[i];
    B[i] = SB[i];
  }
  double FL[5], FR[5];
  law.riemannSolver(n, mPoint(), A.data(), B.data(), FL, FR);
  EXPECT_NEAR(FL[4], 1 * 0.2 - 2 * (0.7 - 0.2), 1e-15);
}

TEST(NavierStokes, InteriorFluxConsistencyAndConservation) {
  auto far = constantField({1, 0, 0, 2.5, 0, 0});
  std::shared_ptr<ConservationLaw> laws[] = {
      std::make_shared<NavierStokes2d>(&far, std::map<int, bc>{}, kGamma, 0.7, 30),
      std::make_shared<NavierStokes2d>(true, kGamma, std::map<int, bc>{}, &far, true, false, 5, 0.7),
      std::make_shared<NavierStokes3d>(&far, std::map<int, bc>{}, kGamma, 0.7, 30),
  };
  for (auto &lp : laws) {
    const ConservationLaw &law = *lp;
    const int nb = law.nbFields();
    const int dim = nb == 5 && dynamic_cast<NavierStokes3d *>(lp.get()) ? 3 : 2;
    SCOPED_TRACE(testing::Message() << "fields " << nb << " dim " << dim);
    const mVector n = dim == 2 ? unit(0.6, -0.8, 0) : unit(1, 2, -2);
    double U[6] = {}, V[6] = {};
    mVector G[6], H[6], zero[6];
    conservative(kFlow, dim, U, G);
    Primitive other = kFlow;
    other.rho = 0.7;
    other.p = 0.6;
    other.gv = mVector(-0.2, 0.3, 0.4);
    conservative(other, dim, V, H);
    if (nb > dim + 2) U[nb - 1] = 0.3, V[nb - 1] = 0.6;
    // Equal traces without gradients: the physical flux.
    const auto T = trace(U, zero, nb);
    std::vector<double> FL(nb), FR(nb);
    law.riemannSolver(n, mPoint(), T.data(), T.data(), FL.data(), FR.data());
    expectNear(FL, normalFlux(law, U, n), 1e-13);
    // Distinct traces with gradients: one flux for both sides.
    const auto A = trace(U, G, nb), B = trace(V, H, nb);
    law.riemannSolver(n, mPoint(), A.data(), B.data(), FL.data(), FR.data());
    for (int j = 0; j < nb; ++j) EXPECT_EQ(FL[j], FR[j]) << j;
  }
}

TEST(NavierStokes, WallTagsAndTheFarFieldFallback) {
  const double Q = 6.0;
  LambdaField far([](const mPoint &, double, double *v) {
    const double W[6] = {0.9, 0.1, -0.05, 2.4, 0.02, 0.0};
    for (int i = 0; i < 6; ++i) v[i] = W[i];
  });
  NavierStokes2d l2(true, kGamma, {}, &far, true, false, Q, 0.7);  // 5 fields
  NavierStokes3d l3(false, kGamma, {}, &far, true, false, Q, 0.7);
  struct Side {
    const ConservationLaw *law;
    int dim;
  } sides[] = {{&l2, 2}, {&l3, 3}};
  for (const Side &s : sides) {
    SCOPED_TRACE(s.dim);
    const int nb = s.law->nbFields();
    const mVector n = s.dim == 2 ? unit(0.6, -0.8, 0) : unit(1, -2, 2);
    double U[6] = {};
    mVector G[6];
    conservative(kFlow, s.dim, U, G);
    if (s.dim == 2) U[4] = 0.5;
    const auto T0 = trace(U, G, nb);
    const double P = computeP2d(U, kGamma);  // 3-D pressure uses rho w too
    const double P0 = s.dim == 2 ? P : computeP3d(U, kGamma);
    auto wall = [&](double p) {
      std::vector<double> w = {0, n.x() * p, n.y() * p, 0};
      if (s.dim == 3) w.push_back(n.z() * p);
      w.resize(nb, 0.0);
      return w;
    };
    mVector V[6];
    s.law->Fv(mPoint(), U, G, V);

    // A trace at rest with zero gradients, at the internal energy e per unit
    // mass: the pressure wall and the no-slip penalties on it.
    auto atRest = [&](double e) {
      std::vector<double> R(4 * nb, 0.0);
      R[0] = U[0];
      R[3] = U[0] * e;
      if (nb > s.dim + 2) R[nb - 1] = U[nb - 1];
      return R;
    };
    const double farE = s.dim == 2 ? (2.4 - 0.5 * (0.01 + 0.0025) / 0.9) / 0.9
                                   : (2.4 - 0.5 * (0.01 + 0.0025 + 0.0004) / 0.9) / 0.9;
    // 500, isothermal no-slip wall: a trace with the wall's state (at rest,
    // at the far field's temperature) and no gradients feels only the
    // pressure; a moving, hotter one is pulled to rest and gives its heat
    // to the wall, twice its excess momentum and energy per unit area.
    {
      auto T = atRest(farE);
      std::vector<double> F(nb, 7.0);
      s.law->boundaryFlux(n, 500, mPoint(), T.data(), F.data(), 0);
      expectNear(F, wall((kGamma - 1) * U[0] * farE), 1e-12);

      auto M = atRest(farE + 0.5);
      M[1] = 0.2;
      M[2] = -0.1;
      if (s.dim == 3) M[4] = 0.3;
      const auto M0 = M;
      s.law->boundaryFlux(n, 500, mPoint(), M.data(), F.data(), 0);
      const double PM = s.dim == 2 ? computeP2d(M0.data(), kGamma) : computeP3d(M0.data(), kGamma);
      auto expected = wall(PM);
      expected[1] += 2 * 0.2;
      expected[2] += 2 * -0.1;
      if (s.dim == 3) expected[4] += 2 * 0.3;
      expected[3] = 2 * (M0[3] - U[0] * farE);
      expectNear(F, expected, 1e-12);
      EXPECT_EQ(M, M0);  // the trace keeps its state
    }
    // 500 with gradients: the trace at rest at the wall's temperature adds
    // its viscous normal flux to the pressure wall.
    {
      std::vector<double> T = T0;
      for (int i = 1; i < nb; ++i) T[i] = atRest(farE)[i];
      const auto Tk = T;
      double Z[6];
      for (int i = 0; i < nb; ++i) Z[i] = T[i];
      mVector W[6];
      s.law->Fv(mPoint(), Z, G, W);
      std::vector<double> F(nb, 7.0);
      s.law->boundaryFlux(n, 500, mPoint(), T.data(), F.data(), 0);
      auto expected = wall((kGamma - 1) * Z[3]);
      for (int i = 0; i < nb; ++i) expected[i] += dot(W[i], n);
      expectNear(F, expected, 1e-12);
      EXPECT_EQ(T, Tk);
    }
    // 999: wall with the imposed heat flux, whatever the sign of ny.
    {
      auto T = T0;
      std::vector<double> F(nb, 7.0);
      const mVector down(0, -1, 0);
      s.law->boundaryFlux(down, 999, mPoint(), T.data(), F.data(), 0);
      std::vector<double> expected = {0, 0, -P0, -Q / (kGamma - 1)};
      if (s.dim == 3) expected.push_back(0);
      expected.resize(nb, 0.0);
      expectNear(F, expected, 1e-13);
    }
    // 400 and 919, adiabatic no-slip walls: no mass and no energy cross
    // them, whatever the trace. The pressure is that of the trace brought to
    // rest with its total energy; a trace at rest feels the pressure and its
    // own viscous flux; a moving one is pulled to rest, twice its momentum
    // per unit area, whatever its temperature (only the velocity is held).
    for (int tag : {400, 919}) {
      SCOPED_TRACE(tag);
      auto T = T0;
      std::vector<double> F(nb, 7.0);
      s.law->boundaryFlux(n, tag, mPoint(), T.data(), F.data(), 0);
      EXPECT_EQ(T, T0);  // the trace keeps its state
      EXPECT_EQ(F[0], 0);
      EXPECT_EQ(F[3], 0);

      for (double e : {farE, 3 * farE}) {
        auto R = atRest(e);
        s.law->boundaryFlux(n, tag, mPoint(), R.data(), F.data(), 0);
        expectNear(F, wall((kGamma - 1) * R[3]), 1e-12);
        R[1] = 0.2;
        R[2] = -0.1;
        if (s.dim == 3) R[4] = 0.3;
        s.law->boundaryFlux(n, tag, mPoint(), R.data(), F.data(), 0);
        const double Pz = (kGamma - 1) * R[3] - (s.dim == 3 ? 0.2 * 0.3 * 0.3 / U[0] : 0.0);
        auto expected = wall(Pz);
        expected[1] += 2 * 0.2;
        expected[2] += 2 * -0.1;
        if (s.dim == 3) expected[4] += 2 * 0.3;
        expectNear(F, expected, 1e-12);
      }
      auto R = T0;
      for (int i = 1; i < nb; ++i) R[i] = atRest(farE)[i];
      double Z[6];
      for (int i = 0; i < nb; ++i) Z[i] = R[i];
      mVector W[6];
      s.law->Fv(mPoint(), Z, G, W);
      s.law->boundaryFlux(n, tag, mPoint(), R.data(), F.data(), 0);
      auto expected = wall((kGamma - 1) * Z[3]);
      for (int i = 0; i < nb; ++i) expected[i] += dot(W[i], n);
      expected[3] = 0;
      expectNear(F, expected, 1e-12);
    }
    // 200: pressure wall; in 2-D the trace gets d(v)/dy = 0.
    {
      auto T = T0;
      std::vector<double> F(nb, 7.0);
      s.law->boundaryFlux(n, 200, mPoint(), T.data(), F.data(), 0);
      expectNear(F, wall(P0), 1e-14);
      if (s.dim == 2) {
        const double dvdy = (T[nb + 7] - (T[2] / T[0]) * T[nb + 1]) / T[0];
        EXPECT_NEAR(dvdy, 0, 1e-15);
      } else {
        EXPECT_EQ(T, T0);
      }
    }
    // Any other tag: the Euler far-field condition through this law's flux.
    {
      auto T = T0;
      std::vector<double> F(nb), FR(nb);
      s.law->boundaryFlux(n, 3, mPoint(), T.data(), F.data(), 0);
      std::vector<double> W = {0.9, 0.1, -0.05, 2.4, 0.02, 0.0};
      W.resize(nb);
      W.resize(4 * nb, 0.0);
      std::vector<double> expected(nb);
      s.law->riemannSolver(n, mPoint(), T0.data(), W.data(), expected.data(), FR.data());
      expectNear(F, expected, 1e-14);
    }
  }
}

TEST(NavierStokes, EssentialConditionsAdmissibilityAndSources) {
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d l2(true, kGamma, {}, &far, true, false, 4.0, 0.7);
  NavierStokes3d l3(false, kGamma, {}, &far, true, false, 4.0, 0.7);
  NavierStokes2d p2(&far, {}, kGamma, 0.7, 100);
  NavierStokes3d p3(&far, {}, kGamma, 0.7, 100);
  struct Ess {
    int field, tag;
    bool answer;
  } ess[] = {{1, 400, false}, {2, 919, false}, {1, 999, true}, {2, 999, true}, {0, 400, false},
             {3, 999, false}, {4, 400, false}, {0, 500, false}, {1, 500, false}, {4, 500, false},
             {1, 200, false}, {1, 4, false}};
  for (const Ess &e : ess) {
    EXPECT_EQ(l2.essentialBoundaryCondition(e.field, e.tag), e.answer) << e.field << " " << e.tag;
    EXPECT_EQ(l3.essentialBoundaryCondition(e.field, e.tag), e.answer) << e.field << " " << e.tag;
  }

  struct Adm {
    double c;
    bool ok;
  } adm[] = {{-0.5, true}, {1.5, true}, {-0.5000001, false}, {1.5000001, false}, {0.3, true}};
  for (const Adm &a : adm) {
    const double U[5] = {1, 0.1, 0.2, 2.5, a.c};
    EXPECT_EQ(l2.isPhysical(U), a.ok) << a.c;
  }
  const double bad2[5] = {-1, 0, 0, 2.5, 0.5};
  EXPECT_FALSE(l2.isPhysical(bad2));  // the Euler test still applies
  const double bad3[5] = {-1, 0, 0, -2.5, 0};
  EXPECT_TRUE(l3.isPhysical(bad3));

  // Sources.
  const double U2[5] = {2, 0.4, 0.6, 3, 0.5}, U3[5] = {2, 0.4, 0.6, 3, 0.8};
  mVector G[5];
  G[1] = mVector(0.3, 9, 9);
  G[2] = mVector(9, -0.1, 9);
  double S[5];
  l2.RHS(U2, G, mPoint(1, 1, 0), S);
  const double e2[5] = {0, 0, -2 * 4.0, 0, -0.5 * (0.3 - 0.1)};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(S[i], e2[i], 1e-15) << i;
  l3.RHS(U3, G, mPoint(), S);
  const double e3[5] = {0, 0, -2 * 4.0, -0.6, 0};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(S[i], e3[i], 1e-15) << i;
  for (int i = 0; i < 5; ++i) S[i] = 9;
  p2.RHS(U2, G, mPoint(), S);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(S[i], 0);
  p3.RHS(U3, G, mPoint(), S);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(S[i], 0);
}

TEST(NavierStokes, OutputFieldValues) {
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d l2(true, kGamma, {}, &far, false, false, 4.0, 0.7);
  NavierStokes3d l3(&far, {}, kGamma, 0.7, 100);
  // Solid-body rotation about z at density 2: u = -y, v = x, w = 0; in 3-D
  // also about x: w = y, so the curl is (1, 0, 2).
  const double U2[5] = {2, -2 * 0.5, 2 * 0.3, 5, 0.25};
  mVector G2[5] = {mVector(), mVector(0, -2, 0), mVector(2, 0, 0), mVector(), mVector()};
  double out[3] = {};
  l2.getIthFieldOfInterest(1, mPoint(), U2, G2, out, 0);
  EXPECT_NEAR(out[0], -2, 1e-15);
  l2.getIthFieldOfInterest(5, mPoint(), U2, G2, out, 0);
  EXPECT_EQ(out[0], 0.25);
  l2.getIthFieldOfInterest(2, mPoint(), U2, G2, out, 0);
  EXPECT_EQ(out[0], -0.5);
  EXPECT_EQ(out[1], 0.3);
  EXPECT_EQ(out[2], 0);
  l2.getIthFieldOfInterest(3, mPoint(), U2, G2, out, 0);
  EXPECT_NEAR(out[0], (5 - 0.5 * (1 + 0.36) / 2) / 2, 1e-15);
  l2.getIthFieldOfInterest(4, mPoint(), U2, G2, out, 0);
  EXPECT_NEAR(out[0], 0.4 * (5 - 0.5 * (1 + 0.36) / 2), 1e-15);

  const double U3[5] = {2, -1, 0.6, 5, 1.0};
  mVector G3[5] = {mVector(), mVector(0, -2, 0), mVector(2, 0, 0), mVector(), mVector(0, 2, 0)};
  l3.getIthFieldOfInterest(1, mPoint(), U3, G3, out, 0);
  EXPECT_NEAR(out[0], std::sqrt(1.0 + 4.0), 1e-15);
  out[0] = -7;
  l3.getIthFieldOfInterest(5, mPoint(), U3, G3, out, 0);  // no concentration: untouched
  EXPECT_EQ(out[0], -7);
  l3.getIthFieldOfInterest(0, mPoint(), U3, G3, out, 0);
  EXPECT_EQ(out[0], 2);
}

TEST(NavierStokes, SingleFieldFluxIsObsolete) {
  auto far = constantField({1, 0, 0, 2.5, 0});
  NavierStokes2d l2(&far, {}, kGamma, 0.7, 10);
  NavierStokes3d l3(&far, {}, kGamma, 0.7, 10);
  const double U[5] = {1, 0, 0, 2.5, 0};
  mVector f;
  for (const ConservationLaw *law : {static_cast<const ConservationLaw *>(&l2), static_cast<const ConservationLaw *>(&l3)}) {
    KORA::mException *caught = nullptr;
    const std::string out = captured([&] {
      try {
        law->Fi(0, mPoint(), U, f);
      } catch (KORA::mException *e) {
        caught = e;
      }
    });
    ASSERT_NE(caught, nullptr);
    EXPECT_NE(out.find("const obsolete"), std::string::npos) << out;
    EXPECT_NE(caught->getFile().find("NavierStokes"), std::string::npos);
    delete caught;
  }
}
