// The isentropic vortex: the exact field is a steady Euler vortex carried by
// the stream and periodic in space and time; the far field reads the running
// solution at the periodic image of boundary points.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "../dg/analysis_fixture.h"
#include "Euler.h"
#include "IsentropicVortex.h"
#include "ParUtil.h"

using KORA::mPoint;

namespace {

struct State {
  double rho, u, v, p;
};

State exactAt(double x, double y, double t) {
  static const IsentropicVortexExact exact;
  double U[256];
  exact.eval(mPoint(x, y, 0.0), t, U);
  const double u = U[1] / U[0], v = U[2] / U[0];
  return {U[0], u, v, 0.4 * (U[3] - 0.5 * U[0] * (u * u + v * v))};
}

TEST(IsentropicVortexExactField, SteadyVortexInTheFrameOfTheStream) {
  // Relative to the stream (1, 1) the velocity is tangential, the flow is
  // isentropic (p = rho^gamma) and the pressure gradient balances the
  // centrifugal force: dp/dr = rho v_theta^2 / r.
  const double h = 1e-5;
  for (double r : {0.3, 1.0, 1.7, 3.0})
    for (double theta : {0.0, 1.1, 2.5, 4.0}) {
      const double x = r * std::cos(theta), y = r * std::sin(theta);
      const State s = exactAt(x, y, 0.0);
      const double ur = s.u - 1.0, vr = s.v - 1.0;
      EXPECT_NEAR(ur * x + vr * y, 0.0, 1e-14) << r << " " << theta;
      EXPECT_NEAR(s.p, std::pow(s.rho, 1.4), 1e-14);
      const double vTheta = (x * vr - y * ur) / r;
      EXPECT_NEAR(vTheta, 5.0 * r * std::exp((1 - r * r) / 2) / (2 * M_PI), 1e-14);
      const double pPlus = exactAt((r + h) * std::cos(theta), (r + h) * std::sin(theta), 0).p;
      const double pMinus = exactAt((r - h) * std::cos(theta), (r - h) * std::sin(theta), 0).p;
      EXPECT_NEAR((pPlus - pMinus) / (2 * h), s.rho * vTheta * vTheta / r, 1e-8);
    }
  const State c = exactAt(0, 0, 0);
  const double T = 1.0 - 0.4 * 25.0 * std::exp(1.0) / (8.0 * 1.4 * M_PI * M_PI);
  EXPECT_NEAR(c.rho, std::pow(T, 2.5), 1e-15);
  EXPECT_NEAR(c.u, 1.0, 1e-15);
  EXPECT_NEAR(c.v, 1.0, 1e-15);
}

TEST(IsentropicVortexExactField, CarriedByTheStreamAndPeriodicInSpaceAndTime) {
  for (double x : {-4.9, -1.3, 0.0, 2.2, 5.0})
    for (double y : {-4.7, 0.4, 3.3, 5.0}) {
      const State s0 = exactAt(x, y, 0.0);
      for (double t : {10.0, 20.0, 30.0}) {
        const State st = exactAt(x, y, t);
        EXPECT_NEAR(st.rho, s0.rho, 1e-12) << x << " " << y << " " << t;
        EXPECT_NEAR(st.u, s0.u, 1e-12);
        EXPECT_NEAR(st.p, s0.p, 1e-12);
      }
      // Translation with the stream.
      const State moved = exactAt(x + 0.05, y + 0.05, 0.05);
      EXPECT_NEAR(moved.rho, s0.rho, 1e-14);
      EXPECT_NEAR(moved.v, s0.v, 1e-14);
    }
  // The side x = -5 is the same place as x = 5.
  for (double y : {-2.0, 0.5}) {
    EXPECT_EQ(exactAt(-5.0, y, 0.0).rho, exactAt(5.0, y, 0.0).rho);
    EXPECT_EQ(exactAt(y, -5.0, 0.0).v, exactAt(y, 5.0, 0.0).v);
  }
}

TEST(IsentropicVortexFarField, PeriodicImagesOfBoundaryPoints) {
  struct Case {
    double x, y;
    bool onBoundary;
    double ix, iy;
  };
  const Case cases[] = {
      {-5.0, 1.0, true, 5.0, 1.0},
      {-4.9999999999999991, 1.0, true, 5.0, 1.0},
      {5.0000000000000009, -3.0, true, -5.0, -3.0},
      {2.0, 5.0, true, 2.0, -5.0},
      {2.0, -5.0, true, 2.0, 5.0},
      {-5.0, -5.0, true, 5.0, -5.0},  // a corner moves along x only
      {-5.0, -5.0000000000000009, true, 5.0, -5.0},
      {4.99, 1.0, false, 0, 0},
      {0.0, 0.0, false, 0, 0},
  };
  for (const Case &c : cases) {
    mPoint image;
    EXPECT_EQ(isentropicVortexPeriodicImage(mPoint(c.x, c.y, 0.0), image), c.onBoundary)
        << c.x << " " << c.y;
    if (!c.onBoundary) continue;
    EXPECT_EQ(image.x(), c.ix) << c.x << " " << c.y;
    EXPECT_EQ(image.y(), c.iy) << c.x << " " << c.y;
  }
}

TEST(IsentropicVortexFarField, StartsFromTheVortexAndRefusesInteriorPointsLater) {
  const IsentropicVortex far;
  double a[256], b[256];
  far.eval(mPoint(0.7, -1.2, 0.0), 0.0, a);
  isentropicVortexState(0.7, -1.2, 5.0, 1.4, 1.0, 1.0, 1.0, b);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], b[i]);
  testing::internal::CaptureStderr();
  EXPECT_THROW(far.eval(mPoint(0.7, -1.2, 0.0), 0.5, a), int);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("not on the boundary"),
            std::string::npos);
  EXPECT_EQ(far.order(), 3);
  EXPECT_EQ(IsentropicVortexExact().order(), 3);
}

TEST(IsentropicVortexLaw, TwoDimensionalFarFieldLawWithItsExactField) {
  std::unique_ptr<ConservationLaw> law(createIsentropicVortex());
  auto *e = dynamic_cast<Euler2dExactRiemann *>(law.get());
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->getBoundaryConditions().empty());
  EXPECT_EQ(e->getGasConstant(), 287.0);
  ASSERT_NE(law->getExactField(), nullptr);
  EXPECT_NE(dynamic_cast<IsentropicVortexExact *>(law->getExactField()), nullptr);
  EXPECT_EQ(law->getNbFieldsOfInterest(), 11);
  std::string name;
  int size = 0;
  law->getNameAndSize(10, size, name);
  EXPECT_EQ(name, "dens-exactdens");
}

mPoint square10(double x, double y, double z) { return mPoint(10 * x - 5, 10 * y - 5, z); }

TEST(IsentropicVortexFarField, ReadsTheSolutionAtTheOppositeSideOfAMesh) {
  antest::ContextScope scope(createIsentropicVortex(), antest::grid2d(6, 6, false, square10));
  KORA::ParUtil::Instance()->setVerbosity(0);
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGAnalysis analysis;
  DGAnalysis *saved = ctx->analysis;
  ctx->analysis = &analysis;
  testing::internal::CaptureStdout();
  analysis.init(2, 1);
  testing::internal::GetCapturedStdout();
  const FieldEvaluator &far = *ctx->law->getFarField();
  struct Case {
    double x, y, ix, iy;
  };
  const Case cases[] = {
      {-5.0, 1.0, 5.0, 1.0},
      {-4.9999999999999991, 1.3, 5.0, 1.3},
      {2.0, 5.0, 2.0, -5.0},
      {5.0, -2.5, -5.0, -2.5},
      {-5.0, -5.0, 5.0, -5.0},
  };
  for (const Case &c : cases) {
    double got[256], expected[256], exact[256];
    far.eval(mPoint(c.x, c.y, 0.0), 0.5, got);
    ASSERT_NE(analysis.eval(mPoint(c.ix, c.iy, 0.0), expected, nullptr, nullptr), nullptr);
    IsentropicVortexExact().eval(mPoint(c.ix, c.iy, 0.0), 0.0, exact);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(got[i], expected[i]) << c.x << " " << c.y << " field " << i;
      // The projected start is close to the vortex, nearly uniform out there.
      EXPECT_NEAR(got[i], exact[i], 0.02) << c.x << " " << c.y << " field " << i;
    }
  }
  ctx->analysis = saved;
}

TEST(IsentropicVortexFarField, PeriodicBoundariesConserveMassAndEnergy) {
  // What leaves through one side enters through the opposite one, so the
  // totals stay constant to round-off while the vortex moves.
  antest::ContextScope scope(createIsentropicVortex(), antest::grid2d(6, 6, false, square10));
  KORA::ParUtil::Instance()->setVerbosity(0);
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGAnalysis analysis;
  DGAnalysis *saved = ctx->analysis;
  ctx->analysis = &analysis;
  scope.param().time.cflMax = 0.2;
  testing::internal::CaptureStdout();
  analysis.init(1, 1);
  testing::internal::GetCapturedStdout();
  int M;
  computeSequense(analysis.levelSequence, 1, M);
  auto step = [&] {
    double gain, macro;
    analysis.localTimeStepping(gain, macro);
    scope.param().state.t += macro;
  };
  // The first step, at t = 0, still sees the analytic vortex outside.
  step();
  const double mass0 = antest::totalIntegral(analysis, 0);
  const double energy0 = antest::totalIntegral(analysis, 3);
  for (int k = 0; k < 20; ++k) step();
  EXPECT_GT(scope.param().state.t, 0.1);
  EXPECT_NEAR(antest::totalIntegral(analysis, 0), mass0, 1e-13 * mass0);
  EXPECT_NEAR(antest::totalIntegral(analysis, 3), energy0, 1e-13 * energy0);
  ctx->analysis = saved;
}

}  // namespace
