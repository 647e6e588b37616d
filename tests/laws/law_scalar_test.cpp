// Burgers, scalar advection and advection-diffusion laws, through the
// conservation-law interface.

#include <memory>

#include "BurgersLaw.h"
#include "ScalarLaw.h"
#include "law_helpers.h"

using namespace lawtest;

// ---------------------------------------------------------------- Burgers

namespace {

// Godunov flux of f(u) = (u^2/2) nx + u ny: min over [uL, uR] when uL <= uR,
// max over [uR, uL] otherwise (sampled finely; f is a parabola, so the
// extremum is at an end or at the vertex).
double godunov(double uL, double uR, double nx, double ny) {
  auto f = [&](double u) { return 0.5 * u * u * nx + u * ny; };
  double lo = std::min(uL, uR), hi = std::max(uL, uR);
  std::vector<double> cand = {f(lo), f(hi)};
  if (nx != 0) {
    const double v = -ny / nx;
    if (v > lo && v < hi) cand.push_back(f(v));
  }
  return uL <= uR ? *std::min_element(cand.begin(), cand.end())
                  : *std::max_element(cand.begin(), cand.end());
}

}  // namespace

TEST(Burgers, NumericalFluxCases) {
  auto far = constantField({0});
  std::unique_ptr<ConservationLaw> law(new BurgersLaw(&far, nullptr, nullptr));
  struct Case {
    double nx, ny, uL, uR, F;
  } cases[] = {
      {1, 0, -1, 1, -0.5},   // sonic rarefaction: the sonic branch
      {1, 0, 1, -1, 0.5},    // standing shock
      {0, 1, 2, 3, 2},       // pure transport upward: upwind is the left value
      {0, -1, 2, 3, -3},     // downward: the right value
      {0.6, 0.8, 0.7, 0.7, 0.7 * 0.8 + 0.5 * 0.49 * 0.6},  // equal states: physical flux
      {1, 0, 2, 3, 2.0},     // right-moving rarefaction: upwind flux f(uL)
      {1, 0, -3, -2, 2.0},   // left-moving rarefaction: f(uR)
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.nx << " " << c.ny << " " << c.uL << " " << c.uR);
    double UL[1] = {c.uL}, UR[1] = {c.uR}, FL[1], FR[1];
    law->riemannSolver(mVector(c.nx, c.ny, 0), mPoint(), UL, UR, FL, FR);
    EXPECT_NEAR(FL[0], c.F, 1e-14);
    EXPECT_EQ(FL[0], FR[0]);
  }
}

TEST(Burgers, FluxIsConsistentAndMatchesGodunovAwayFromSonicPoints) {
  BurgersLaw law(nullptr, nullptr, nullptr);
  const mVector n = unit(1, 0, 0);
  for (double u : {-2.0, -0.3, 0.0, 1.7}) {
    double U[1] = {u}, FL[1], FR[1];
    law.riemannSolver(n, mPoint(), U, U, FL, FR);
    EXPECT_DOUBLE_EQ(FL[0], normalFlux(law, U, n)[0]);
  }
  // Shocks (uL > uR) and rarefactions not crossing 0: Roe-type flux equals Godunov.
  const double pairs[][2] = {{2, -1}, {3, 1}, {-1, -3}, {0.5, 2}, {-2, -0.5}};
  for (auto &p : pairs) {
    double UL[1] = {p[0]}, UR[1] = {p[1]}, FL[1], FR[1];
    law.riemannSolver(n, mPoint(), UL, UR, FL, FR);
    EXPECT_NEAR(FL[0], godunov(p[0], p[1], 1, 0), 1e-14) << p[0] << " " << p[1];
  }
}

TEST(Burgers, BoundaryFluxTakesTheFarFieldUnlessTheFluxLeaves) {
  LambdaField far([](const mPoint &, double t, double *v) { v[0] = 2.0 + t; });
  BurgersLaw law(&far, nullptr, nullptr);
  struct Case {
    double nx, ny, u, F;
    int farCalls;
  } cases[] = {
      {1, 0, 2, 2, 0},                 // outflow: 2 * (0.5 * 2) = 2
      {1, 0, 0, 0.5 * 3 * 3, 1},       // zero normal flux: far value 3 at t = 1
      {-1, 0, 1, -0.5 * 3 * 3, 1},     // inflow
      {0, 1, -1, 3, 1},                // transport inflow: far value times ny
  };
  for (const Case &c : cases) {
    far.calls = 0;
    double U[1] = {c.u}, F[1];
    law.boundaryFlux(mVector(c.nx, c.ny, 0), 12, mPoint(), U, F, 1.0);
    EXPECT_DOUBLE_EQ(F[0], c.F) << c.nx << " " << c.u;
    EXPECT_EQ(far.calls, c.farCalls);
  }
}

TEST(Burgers, WaveSpeedSourceAndOutputFields) {
  LambdaField exact([](const mPoint &p, double t, double *v) { v[0] = p.x() * t; });
  LambdaField velocity([](const mPoint &, double, double *v) {
    v[0] = 1;
    v[1] = 2;
    v[2] = 3;
  });
  BurgersLaw law(nullptr, &velocity, &exact);
  double U[1] = {3};
  EXPECT_DOUBLE_EQ(law.maximumEigenValue(U, mPoint()), std::sqrt(10.0));
  double S[1] = {5};
  law.RHS(U, nullptr, mPoint(), S);
  EXPECT_EQ(S[0], 0);
  mVector fv[1] = {mVector(1, 1, 1)};
  law.Fv(mPoint(), U, nullptr, fv);
  EXPECT_EQ(fv[0].length(), 0);
  EXPECT_TRUE(law.isViscous());
  EXPECT_EQ(law.getExactField(), nullptr);

  ASSERT_EQ(law.getNbFieldsOfInterest(), 3);
  const char *names[] = {"function", "exact", "errest"};
  const double values[] = {3, 2 * 1.5, 2 * 1.5};
  for (int i = 0; i < 3; ++i) {
    int size = 0;
    std::string name;
    law.getNameAndSize(i, size, name);
    EXPECT_EQ(name, names[i]);
    EXPECT_EQ(size, 1);
    double out[1] = {-1};
    law.getIthFieldOfInterest(i, mPoint(2, 0, 0), U, nullptr, out, 1.5);
    EXPECT_EQ(out[0], values[i]);
  }
  int size = -1;
  std::string name = "keep";
  law.getNameAndSize(3, size, name);
  EXPECT_EQ(size, -1);
  EXPECT_EQ(name, "keep");
  mVector v;
  law.characteristicVectorField(mPoint(), 0, U, nullptr, v);
  EXPECT_EQ(v.z(), 3);
}

// ---------------------------------------------------------------- ScalarLaw

namespace {

// Velocity (1 + t, -2, 0.5): steady parts see t = 0.
LambdaField movingVelocity() {
  return LambdaField([](const mPoint &, double t, double *a) {
    a[0] = 1 + t;
    a[1] = -2;
    a[2] = 0.5;
  });
}

}  // namespace

TEST(ScalarAdvection, UpwindFluxAndSteadyVelocity) {
  auto velocity = movingVelocity();
  auto far = constantField({7});
  std::unique_ptr<ConservationLaw> law(new ScalarLaw(&far, &velocity, nullptr));
  struct Case {
    mVector n;
    double F;  // with uL = 2, uR = 5, a = (1, -2, 0.5)
  } cases[] = {
      {mVector(1, 0, 0), 1 * 2.0},         // a.n = 1 > 0: left value
      {mVector(0, 1, 0), -2 * 5.0},        // a.n = -2: right value
      {unit(2, 1, 0), 0.0},                // a.n = 0: zero flux
  };
  for (const Case &c : cases) {
    double UL[1] = {2}, UR[1] = {5}, FL[1], FR[1];
    law->riemannSolver(c.n, mPoint(), UL, UR, FL, FR);
    EXPECT_NEAR(FL[0], c.F, 1e-14);
    EXPECT_EQ(FL[0], FR[0]);
  }
  double U[1] = {3};
  mVector f[1];
  law->Fi(mPoint(), U, f);
  EXPECT_EQ(f[0].x(), 3);  // velocity at t = 0
  EXPECT_DOUBLE_EQ(law->maximumEigenValue(U, mPoint()), std::sqrt(1 + 4 + 0.25));
  EXPECT_FALSE(law->isViscous());
  EXPECT_FALSE(law->needTheHigherOrderGradients());
}

TEST(ScalarAdvection, BoundaryFluxFollowsTheVelocityAtItsTime) {
  auto velocity = movingVelocity();
  LambdaField far([](const mPoint &, double t, double *v) { v[0] = 10 + t; });
  ScalarLaw law(&far, &velocity, nullptr);
  struct Case {
    mVector n;
    double t, F;
    int farCalls;
  } cases[] = {
      {mVector(1, 0, 0), 0, 1 * 3.0, 0},      // outflow at t = 0
      {mVector(-1, 0, 0), 0, -1 * 10.0, 1},   // inflow: far value
      {mVector(-1, 0, 0), 1, -2 * 11.0, 1},   // the velocity and far field move in time
      {mVector(0, 0, 1), 2, 0.5 * 3.0, 0},
      {unit(2, 1, 0), 0, 0.0, 0},             // tangential: inner branch, no far field
  };
  for (const Case &c : cases) {
    far.calls = 0;
    double U[1] = {3}, F[1];
    law.boundaryFlux(c.n, 0, mPoint(), U, F, c.t);
    EXPECT_NEAR(F[0], c.F, 1e-14);
    EXPECT_EQ(far.calls, c.farCalls);
  }
}

TEST(ScalarAdvection, OutputFields) {
  auto velocity = movingVelocity();
  // Exact solution x^2 + y with gradient (2x, 1, 0).
  LambdaField exact([](const mPoint &p, double, double *v) { v[0] = p.x() * p.x() + p.y(); },
                    [](const mPoint &p, double, mVector *g) { g[0].set(2 * p.x(), 1, 0); });
  ScalarLaw law(nullptr, &velocity, &exact);
  EXPECT_EQ(law.getNbFieldsOfInterest(), 2);
  struct Row {
    const char *name;
    int size;
    std::vector<double> value;  // empty: the output stays untouched
  } rows[] = {
      {"function", 1, {1.5}},
      {"errest", 1, {}},
      {"error", 1, {9 + 1 - 1.5}},
      {"gradf", 3, {0.25, -1, 2}},
      {"v", 3, {3, -2, 0.5}},
      {"errorGrad", 3, {0.25 - 6, -2, 2}},
  };
  const mPoint x(3, 1, 0);
  double U[1] = {1.5};
  mVector G[1] = {mVector(0.25, -1, 2)};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(rows[i].name);
    int size = 0;
    std::string name;
    law.getNameAndSize(i, size, name);
    EXPECT_EQ(name, rows[i].name);
    EXPECT_EQ(size, rows[i].size);
    double out[3] = {-99, -99, -99};
    law.getIthFieldOfInterest(i, x, U, G, out, 2.0);
    if (rows[i].value.empty()) {
      EXPECT_EQ(out[0], -99);
    }
    for (std::size_t k = 0; k < rows[i].value.size(); ++k) EXPECT_DOUBLE_EQ(out[k], rows[i].value[k]);
  }
}

TEST(ScalarAdvection, NullVelocityIsRefused) {
  EXPECT_THROW(ScalarLaw(nullptr, nullptr, nullptr), std::string);
}

// ---------------------------------------------------------------- advectionDiffusion

TEST(AdvectionDiffusion, InteriorFluxIsUpwindPlusAverageAndPenalty) {
  auto velocity = movingVelocity();
  std::string printed;
  std::unique_ptr<advectionDiffusion> law;
  printed = captured([&] { law.reset(new advectionDiffusion(nullptr, &velocity, nullptr, nullptr, 4.0)); });
  EXPECT_EQ(printed, "alpha = 4.000000\n");
  ConservationLaw &L = *law;
  EXPECT_TRUE(L.isViscous());
  EXPECT_TRUE(L.needTheHigherOrderGradients());

  const double alpha = 4.0;
  struct Case {
    mVector n;
    double uL, uR;
    mVector gL, gR;
  } cases[] = {
      {mVector(1, 0, 0), 2, 2, mVector(1, 2, 3), mVector(1, 2, 3)},  // equal: no penalty
      {mVector(0, 1, 0), 2, 5, mVector(1, 0, 0), mVector(0, 4, 0)},
      {unit(1, 1, 1), -1, 0.5, mVector(0.5, -2, 1), mVector(3, 1, -1)},
  };
  for (const Case &c : cases) {
    const mVector a(1, -2, 0.5);
    const double an = dot(a, c.n);
    const double up = an > 0 ? c.uL : c.uR;
    const double expected =
        an * up - 0.5 * dot(c.gL + c.gR, c.n) / alpha + 2 * (c.uL - c.uR) / alpha;
    double UL[4] = {c.uL, c.gL.x(), c.gL.y(), c.gL.z()};
    double UR[4] = {c.uR, c.gR.x(), c.gR.y(), c.gR.z()};
    double FL[1], FR[1];
    L.riemannSolver(c.n, mPoint(), UL, UR, FL, FR);
    EXPECT_NEAR(FL[0], expected, 1e-14);
    EXPECT_EQ(FL[0], FR[0]);
  }
}

TEST(AdvectionDiffusion, ViscousFluxSourceAndEssentialTag) {
  auto velocity = movingVelocity();
  LambdaField source([](const mPoint &p, double t, double *s) { s[0] = p.y() + t; });
  std::unique_ptr<advectionDiffusion> with, without;
  captured([&] {
    with.reset(new advectionDiffusion(nullptr, &velocity, nullptr, &source, 2.0));
    without.reset(new advectionDiffusion(nullptr, &velocity, nullptr, nullptr, 2.0));
  });
  double U[1] = {1}, S[1] = {9};
  mVector G[1] = {mVector(2, -4, 6)}, F[1];
  with->Fv(mPoint(), U, G, F);
  EXPECT_EQ(F[0].x(), -1);
  EXPECT_EQ(F[0].y(), 2);
  EXPECT_EQ(F[0].z(), -3);
  with->RHS(U, G, mPoint(0, 5, 0), S);
  EXPECT_EQ(S[0], 5);  // source at time 0
  without->RHS(U, G, mPoint(0, 5, 0), S);
  EXPECT_EQ(S[0], 0);
  for (int field : {0, 3}) {
    EXPECT_TRUE(with->essentialBoundaryCondition(field, 100));
    EXPECT_FALSE(with->essentialBoundaryCondition(field, 101));
  }
}
