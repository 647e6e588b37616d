// Travelling-shock fields (double Mach reflection, Richtmyer-Meshkov) and the
// Navier-Stokes far fields, checked against the Rankine-Hugoniot relations
// and the flow they describe.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "Euler.h"
#include "NavierStokes.h"
#include "NavierStokesProblems.h"
#include "ShockProblems.h"

using KORA::mPoint;

namespace {

struct Primitive {
  double rho, u, v, w, p;
};

// Primitive state of an Euler state of the given dimension and gamma.
Primitive primitive(const double *U, int dim, double gamma = 1.4) {
  Primitive s;
  s.rho = U[0];
  s.u = U[1] / U[0];
  s.v = U[2] / U[0];
  s.w = dim == 3 ? U[4] / U[0] : 0.0;
  s.p = (gamma - 1.0) * (U[3] - 0.5 * s.rho * (s.u * s.u + s.v * s.v + s.w * s.w));
  return s;
}

TEST(TravellingShockField, PostShockStateSatisfiesRankineHugoniot) {
  // In the shock frame (shock speed s into gas at rest) mass, momentum and
  // energy fluxes are the same on both sides.
  for (double gamma : {1.4, 1.67, 1.2})
    for (double M : {1.0, 1.5, 3.0, 10.0}) {
      testing::internal::CaptureStdout();
      const TravellingShock shock(2, M, 60.0, gamma);
      testing::internal::GetCapturedStdout();
      const double rho1 = 1.4, p1 = 1.0;
      EXPECT_NEAR(shock.getShockSpeed(), M * std::sqrt(gamma * p1 / rho1), 1e-13);
      const double s = shock.getShockSpeed();
      const double rho2 = shock.getRho2(), p2 = shock.getP2();
      const double w1 = s, w2 = s - shock.getU2();  // speeds relative to the shock
      const double e1 = p1 / ((gamma - 1) * rho1), e2 = p2 / ((gamma - 1) * rho2);
      EXPECT_NEAR(rho1 * w1, rho2 * w2, 1e-12 * rho1 * w1) << gamma << " " << M;
      EXPECT_NEAR(p1 + rho1 * w1 * w1, p2 + rho2 * w2 * w2, 1e-12 * (p2 + rho2 * w2 * w2));
      EXPECT_NEAR(e1 + p1 / rho1 + 0.5 * w1 * w1, e2 + p2 / rho2 + 0.5 * w2 * w2,
                  1e-12 * (e1 + 0.5 * w1 * w1));
    }
}

TEST(TravellingShockField, KnownStatesAndPrintedRelations) {
  testing::internal::CaptureStdout();
  const TravellingShock m10(2, 10.0, 60.0, 1.4);
  const std::string line = testing::internal::GetCapturedStdout();
  EXPECT_EQ(line, "8.000000 116.500000 10.000000 8.250000 1.000000 60.000000 8.660254\n");
  EXPECT_DOUBLE_EQ(m10.getRho2(), 8.0);
  EXPECT_DOUBLE_EQ(m10.getP2(), 116.5);
  EXPECT_DOUBLE_EQ(m10.getU2(), 8.25);

  testing::internal::CaptureStdout();
  const TravellingShock m3(2, 3.0, 60.0, 1.4);
  const TravellingShock m1(2, 1.0, 60.0, 1.4);
  testing::internal::GetCapturedStdout();
  EXPECT_DOUBLE_EQ(m3.getRho2(), 5.4);
  EXPECT_DOUBLE_EQ(m3.getP2(), 31.0 / 3.0);
  EXPECT_DOUBLE_EQ(m3.getU2(), 20.0 / 9.0);
  EXPECT_DOUBLE_EQ(m1.getRho2(), 1.4);
  EXPECT_DOUBLE_EQ(m1.getP2(), 1.0);
  EXPECT_DOUBLE_EQ(m1.getU2(), 0.0);
}

TEST(TravellingShockField, ShockLineMovesNormallyAtTheShockSpeedWithTheGasNormalToIt) {
  testing::internal::CaptureStdout();
  const double angle = 60.0, a = angle * M_PI / 180.0;
  const TravellingShock shock(2, 3.0, angle, 1.4);
  testing::internal::GetCapturedStdout();
  // A point on the line at t = 0 and the unit normal pointing ahead.
  const mPoint foot(0.1666, 0.0, 0.0);
  const double nx = std::sin(a), ny = -std::cos(a);
  double U[4];
  shock.eval(foot, 0.0, U);
  EXPECT_EQ(U[0], shock.getRho2()) << "the line itself is behind the shock";
  // Behind: gas velocity along the normal (perpendicular to the line).
  const Primitive b = primitive(U, 2);
  EXPECT_NEAR(b.u * std::cos(a) + b.v * std::sin(a), 0.0, 1e-13);
  EXPECT_NEAR(b.u * nx + b.v * ny, shock.getU2(), 1e-13);
  EXPECT_NEAR(b.p, shock.getP2(), 1e-12);
  // A point at distance d ahead is reached after d / s.
  const double d = 0.3, s = shock.getShockSpeed();
  const mPoint ahead(foot.x() + d * nx + 0.2 * std::cos(a), d * ny + 0.2 * std::sin(a), 0.0);
  for (auto [t, behind] : {std::pair{0.0, false}, {0.99 * d / s, false}, {1.01 * d / s, true}}) {
    shock.eval(ahead, t, U);
    const Primitive q = primitive(U, 2);
    EXPECT_EQ(q.rho, behind ? shock.getRho2() : 1.4) << t;
    EXPECT_NEAR(q.p, behind ? shock.getP2() : 1.0, 1e-12) << t;
  }
  shock.eval(mPoint(1.0, 0.0, 0.0), 0.0, U);
  EXPECT_EQ(U[0], 1.4);
  EXPECT_EQ(U[1], 0.0);
  EXPECT_NEAR(U[3], 2.5, 1e-15);
}

TEST(TravellingShockField, ThreeDimensionalStateMovesInTheYZPlane) {
  testing::internal::CaptureStdout();
  const double a = 60.0 * M_PI / 180.0;
  const TravellingShock shock(3, 3.0, 60.0, 1.4);
  testing::internal::GetCapturedStdout();
  double U[5];
  // Foot at z = -5.25 at t = 0: the point (x, 0, -5.25) is on the line.
  shock.eval(mPoint(0.7, 0.0, -5.25), 0.0, U);
  const Primitive b = primitive(U, 3);
  EXPECT_EQ(b.rho, shock.getRho2());
  EXPECT_EQ(b.u, 0.0);
  EXPECT_NEAR(b.w, shock.getU2() * std::sin(a), 1e-13);
  EXPECT_NEAR(b.v, -shock.getU2() * std::cos(a), 1e-13);
  EXPECT_NEAR(b.p, shock.getP2(), 1e-12);
}

TEST(TravellingShockField, ZeroAngleLeavesEveryPointBehindTheShock) {
  testing::internal::CaptureStdout();
  const TravellingShock shock(2, 3.0, 0.0, 1.4);
  testing::internal::GetCapturedStdout();
  double U[4];
  for (double t : {0.0, 1.0})
    for (double x : {-3.0, 0.5, 7.0}) {
      shock.eval(mPoint(x, 0.3, 0.0), t, U);
      EXPECT_EQ(U[0], shock.getRho2());
    }
}

TEST(ShockHitsABubbleField, DenserGasBeyondTheWavyInterface) {
  testing::internal::CaptureStdout();
  const ShockHitsABubble field(2, 3.0, 90.0, 1.4);
  const std::string line = testing::internal::GetCapturedStdout();
  EXPECT_NE(line.find(" 90.000000 "), std::string::npos) << line;
  struct Case {
    double x, y, rho, u;
  };
  const double rho2 = field.getRho2(), u2 = field.getU2();
  const Case cases[] = {
      {0.1, 0.5, rho2, u2},       // behind the shock
      {0.7, 0.5, 4.2, 0.0},       // ahead, beyond the interface (0.7 - 0.5 + 0.1 > 0)
      {0.5, 1.0, 1.4, 0.0},       // ahead, before the interface (0.5 - 0.5 - 0.1 < 0)
      {0.1666, 0.3, rho2, u2},    // on the shock
  };
  for (const Case &c : cases) {
    double U[4];
    field.eval(mPoint(c.x, c.y, 0.0), 0.0, U);
    EXPECT_NEAR(U[0], c.rho, 1e-14) << c.x << " " << c.y;
    EXPECT_NEAR(U[1], c.rho * c.u, 1e-12);
    EXPECT_EQ(U[2], 0.0);
  }
}

TEST(ShockProblemLaws, WallMapsAndLawKinds) {
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> a(createOutflowLaw(2, 3.0, 60.0, 200, 1));
  std::unique_ptr<ConservationLaw> b(createOutflowLaw(2, 3.0, 60.0, 1000, 0));
  std::unique_ptr<ConservationLaw> c(createOutflowLaw(3, 3.0, 60.0, 200, 1));
  std::unique_ptr<ConservationLaw> rm2(createRichtmayerMeshkovLaw(2, 3.0, 1.67));
  std::unique_ptr<ConservationLaw> rm3(createRichtmayerMeshkovLaw(3, 3.0, 1.4));
  testing::internal::GetCapturedStdout();

  auto *ea = dynamic_cast<Euler2dExactRiemann *>(a.get());
  ASSERT_NE(ea, nullptr);
  EXPECT_EQ(ea->getBoundaryConditions().size(), 26u);
  EXPECT_EQ(ea->getGasConstant(), 222.0);
  auto *eb = dynamic_cast<Euler2d *>(b.get());
  ASSERT_NE(eb, nullptr);
  EXPECT_EQ(dynamic_cast<Euler2dExactRiemann *>(b.get()), nullptr);
  EXPECT_EQ(eb->getBoundaryConditions().size(), 25u);
  for (const auto &[tag, cond] : eb->getBoundaryConditions()) EXPECT_EQ(cond.type, 1) << tag;
  auto *ec = dynamic_cast<Euler3d *>(c.get());
  ASSERT_NE(ec, nullptr);
  EXPECT_EQ(ec->getGasConstant(), 287.0);

  auto *r2 = dynamic_cast<Euler2dExactRiemann *>(rm2.get());
  ASSERT_NE(r2, nullptr);
  EXPECT_EQ(r2->getGamma(), 1.4);
  EXPECT_EQ(r2->getGasConstant(), 287.42857142857144);
  EXPECT_EQ(r2->getBoundaryConditions().size(), 1u);
  EXPECT_NE(dynamic_cast<Euler3d *>(rm3.get()), nullptr);
}

// ---------------------------------------------------------------------------
// Navier-Stokes far fields

TEST(PipeFlowField, UnitStreamWithPressureFallingAsOneOverMach) {
  for (double M : {1.0, 3.0, 0.5})
    for (double angle : {0.0, 30.0, 90.0}) {
      const PipeFlow1 f(M, angle, 2);
      double U[4];
      f.eval(mPoint(3.0, -2.0, 0.0), 7.0, U);
      const Primitive s = primitive(U, 2);
      EXPECT_EQ(s.rho, 1.0);
      EXPECT_NEAR(std::hypot(s.u, s.v), 1.0, 1e-15);
      EXPECT_NEAR(std::atan2(s.v, s.u), angle * M_PI / 180.0, 1e-15);
      EXPECT_NEAR(s.p, 1.0 / (1.96 * M), 1e-14) << M;
    }
  double U[5];
  PipeFlow1(3.0, 0.0, 2).eval(mPoint(), 0.0, U);
  EXPECT_NEAR(U[3], 0.925170068027211, 1e-14);
  PipeFlow1(3.0, 30.0, 3).eval(mPoint(), 0.0, U);
  EXPECT_NEAR(primitive(U, 3).p, 1.0 / (1.96 * 3.0), 1e-14);
  EXPECT_EQ(U[4], 0.0);
}

TEST(ConvectionField, HydrostaticPressureWithASmallSwirlAtTheStart) {
  const double q = 100.0;
  const DD1 f(q);
  double U[5];
  for (double x : {-0.4, 0.0, 0.5})
    for (double y : {-0.2, 0.0, 0.5, 1.0, 1.5}) {
      f.eval(mPoint(x, y, 0.0), 0.0, U);
      const Primitive s = primitive(U, 2);
      EXPECT_EQ(U[0], 1.0);
      EXPECT_NEAR(s.p, (1.0 - y) * q, 1e-11);
      EXPECT_EQ(U[4], 1.5 + y);
      // The swirl is tangential with speed 0.02 e^(-10 r^2), turning clockwise.
      const double r2 = x * x + y * y;
      EXPECT_NEAR(std::hypot(s.u, s.v), 0.02 * std::exp(-10 * r2), 1e-17);
      EXPECT_NEAR(s.u * x + s.v * y, 0.0, 1e-17);
      if (r2 > 0) {
        EXPECT_LE(x * s.v - y * s.u, 0.0);
      }
      // No swirl at any other time.
      f.eval(mPoint(x, y, 0.0), 1e-3, U);
      EXPECT_EQ(U[1], 0.0);
      EXPECT_EQ(U[2], 0.0);
    }
  f.eval(mPoint(0.0, 0.0, 0.0), 0.0, U);
  EXPECT_EQ(U[1], 0.0);
  EXPECT_EQ(U[2], -0.02);
  DD1(q, 3).eval(mPoint(0.0, 0.2, 0.0), 0.0, U);
  EXPECT_EQ(U[4], 0.0);
}

TEST(NavierStokesProblemLaws, FormsAndPrintedNumbers) {
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> ns(createNavierStokesLaw(2, 3.0, 0.0, 1.0, 100.0));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Re 100.000000 Pr 1.000000 Mach 3.000000 an 0.000000\n");
  EXPECT_NE(dynamic_cast<NavierStokes2d *>(ns.get()), nullptr);
  EXPECT_EQ(ns->nbFields(), 4);
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> ns3(createNavierStokesLaw(3, 3.0, 0.0, 1.0, 100.0));
  testing::internal::GetCapturedStdout();
  EXPECT_NE(dynamic_cast<NavierStokes3d *>(ns3.get()), nullptr);

  std::unique_ptr<ConservationLaw> natural(createNaturalConvectionLaw(2, 100.0, 1.0, false));
  std::unique_ptr<ConservationLaw> semi(createNaturalConvectionLaw(2, 100.0, 1.0, true));
  EXPECT_EQ(natural->nbFields(), 4);
  EXPECT_EQ(semi->nbFields(), 5);
  EXPECT_TRUE(static_cast<Euler *>(natural.get())->hasGravity());
  EXPECT_TRUE(static_cast<Euler *>(natural.get())->getBoundaryConditions().empty());
}

}  // namespace
