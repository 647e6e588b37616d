// Initial fields of the Euler test problems: Riemann problems in one and two
// dimensions, blast waves, stream collision, muzzle and Rayleigh-Taylor.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "Euler.h"
#include "FourDiscontinuities.h"
#include "Muzzle.h"
#include "RayleighTaylor.h"
#include "ShockTube.h"
#include "StreamCollision.h"

using KORA::mPoint;

namespace {

struct Primitive {
  double rho, u, v, w, p;
};

Primitive primitive(const double *U, int dim) {
  Primitive s;
  s.rho = U[0];
  s.u = U[1] / U[0];
  s.v = U[2] / U[0];
  s.w = dim == 3 ? U[4] / U[0] : 0.0;
  s.p = 0.4 * (U[3] - 0.5 * s.rho * (s.u * s.u + s.v * s.v + s.w * s.w));
  return s;
}

Primitive at(const FieldEvaluator &f, double x, double y, double z = 0.0, double t = 0.0,
             int dim = 2) {
  double U[256];
  f.eval(mPoint(x, y, z), t, U);
  return primitive(U, dim);
}

void expectState(const Primitive &s, double rho, double u, double v, double p, const char *what) {
  EXPECT_NEAR(s.rho, rho, 1e-14) << what;
  EXPECT_NEAR(s.u, u, 1e-13) << what;
  EXPECT_NEAR(s.v, v, 1e-13) << what;
  EXPECT_NEAR(s.p, p, 1e-12 * (1 + p)) << what;
}

// ---------------------------------------------------------------------------
// Four discontinuities

TEST(FourDiscontinuityFields, ShockQuadrantsWithLinesOnTheLowerLeftSide) {
  const FourShock f;
  for (double t : {0.0, 0.3}) {
    expectState(at(f, 0.8, 0.9, 0, t), 1.5, 0.0, 0.0, 1.5, "upper right");
    expectState(at(f, 0.5, 0.6, 0, t), 0.5323, 1.206, 0.0, 0.3, "upper left, on x = 0.5");
    expectState(at(f, 0.5, 0.5, 0, t), 0.138, 1.206, 1.206, 0.029, "centre");
    expectState(at(f, 0.6, 0.5, 0, t), 0.5323, 0.0, 1.206, 0.3, "lower right, on y = 0.5");
  }
}

TEST(FourDiscontinuityFields, ContactLinesMoveWithTheNormalVelocityOfBothSides) {
  // Across a contact discontinuity the pressure and the normal velocity are
  // continuous and the line moves with that velocity: probe both sides of
  // each moving line at several times.
  const FourContact f;
  const double e = 1e-7;
  for (double t : {0.0, 0.1, 0.2}) {
    const double x1 = 0.5 + 0.75 * t, x2 = 0.5 - 0.75 * t;
    const double y1 = 0.5 - 0.5 * t, y2 = 0.5 + 0.5 * t;
    struct Line {
      double x, y, dx, dy;  // a point on the line and the normal offset
      double speed;         // speed of the line along the normal
    };
    const Line lines[] = {
        {x1, 0.5 * (y1 + 1.0), 1, 0, 0.75},   // I | II above y2, I | III below: x = x1
        {0.5 * (x1 + 1.0), y1, 0, 1, -0.5},   // I over III: y = y1
        {x2, 0.5 * y1, 1, 0, -0.75},          // III | IV: x = x2
        {0.5 * x2, y2, 0, 1, 0.5},            // II over IV: y = y2
    };
    for (const Line &l : lines) {
      const Primitive a = at(f, l.x - e * l.dx, l.y - e * l.dy, 0, t);
      const Primitive b = at(f, l.x + e * l.dx, l.y + e * l.dy, 0, t);
      EXPECT_NE(a.rho, b.rho) << "a discontinuity at t " << t;
      EXPECT_DOUBLE_EQ(a.p, 1.0);
      EXPECT_DOUBLE_EQ(b.p, 1.0);
      EXPECT_DOUBLE_EQ(a.u * l.dx + a.v * l.dy, l.speed) << t;
      EXPECT_DOUBLE_EQ(b.u * l.dx + b.v * l.dy, l.speed) << t;
    }
  }
  expectState(at(f, 0.6, 0.6), 1.0, 0.75, -0.5, 1.0, "I at t = 0");
  expectState(at(f, 0.4, 0.6), 2.0, 0.75, 0.5, 1.0, "II at t = 0");
  expectState(at(f, 0.6, 0.4), 3.0, -0.75, -0.5, 1.0, "III at t = 0");
  expectState(at(f, 0.4, 0.4), 1.0, -0.75, 0.5, 1.0, "IV at t = 0");
  expectState(at(f, 0.6, 0.45, 0, 0.2), 3.0, -0.75, -0.5, 1.0, "III at t = 0.2");
}

TEST(FourDiscontinuityLaw, SubProblemsAndBoundaryMap) {
  for (int sub : {1, 2}) {
    std::unique_ptr<ConservationLaw> law(createFourDiscontinuitiesLaw(sub));
    auto *e = dynamic_cast<Euler2dExactRiemann *>(law.get());
    ASSERT_NE(e, nullptr);
    const auto &bcs = e->getBoundaryConditions();
    ASSERT_EQ(bcs.size(), 5u);
    for (int tag : {1000, 2000, 3000, 4000}) EXPECT_EQ(bcs.at(tag).type, 2);
    EXPECT_EQ(bcs.at(300).type, 1);
    EXPECT_EQ(e->getGasConstant(), 287.42857142857144);
  }
  for (int sub : {0, 3, -1}) {
    testing::internal::CaptureStderr();
    EXPECT_THROW(createFourDiscontinuitiesLaw(sub), int);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("sub-problem"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Stream collision

TEST(StreamCollisionFields, OpposedStreamsAndTheDensityBump) {
  const StreamCollision plain;
  const PerturbedStreamCollision bump;
  double U[4];
  plain.eval(mPoint(0.2, 0.3, 0), 0.0, U);
  EXPECT_EQ(U[1], 20.0);
  EXPECT_EQ(U[3], 202.5);
  struct Case {
    double x, y, rho, u;
  };
  const Case cases[] = {
      {0.5, 0.2, 1.0, -20.0}, {0.5, 0.5, 1.01, -20.0}, {0.495, 0.505, 1.01, 20.0},
      {0.494, 0.5, 1.0, 20.0}, {0.505, 0.506, 1.0, -20.0},
  };
  for (const Case &c : cases) {
    const Primitive s = at(bump, c.x, c.y);
    expectState(s, c.rho, c.u, 0.0, 1.0, "perturbed stream");
  }
  EXPECT_THROW(
      {
        testing::internal::CaptureStderr();
        try {
          createStreamCollisionLaw(3);
        } catch (...) {
          testing::internal::GetCapturedStderr();
          throw;
        }
      },
      int);
}

// ---------------------------------------------------------------------------
// Shock tubes

TEST(ShockTubeFields, EverySubProblemHasItsTwoStatesWithTheInterfaceOnTheRight) {
  struct Case {
    int sub;
    double x0, rhoL, uL, pL, rhoR, uR, pR;
  };
  const Case cases[] = {
      {0, 0.5, 1.0, 0.0, 1.0, 0.125, 0.0, 0.1},
      {1, 0.5, 1.0, 0.0, 1.0, 0.1, 0.0, 0.01},
      {2, 0.5, 1.0, -2.0, 0.4, 1.0, 2.0, 0.4},
      {3, 0.5, 1.4, 0.1, 1.0, 1.0, 0.1, 1.0},
      {4, 0.8, 1.0, -19.59745, 1000.0, 1.0, -19.59745, 0.01},
      {5, 0.5, 1.0, 2.0, 0.1, 1.0, -2.0, 0.1},
      {6, 0.5, 5.997001499250376, -0.16674999999999998, 0.8333214285714284, 1.0, -1.0,
       7.142857142857142e-05},
      {7, 0.9, 5.997001499250376, -0.16674999999999998, 0.8333214285714284, 1.0, -0.95,
       7.142857142857142e-05},
  };
  for (int dim : {2, 3})
    for (const Case &c : cases) {
      testing::internal::CaptureStdout();
      std::unique_ptr<ConservationLaw> law(createShockTube(dim, 200, c.sub));
      const std::string printed = testing::internal::GetCapturedStdout();
      const FieldEvaluator &f = *law->getFarField();
      const std::string what = "sub-problem " + std::to_string(c.sub);
      expectState(at(f, c.x0 - 1e-9, 0.3, 0.1, 0, dim), c.rhoL, c.uL, 0.0, c.pL, what.c_str());
      expectState(at(f, c.x0, 0.3, 0.1, 0, dim), c.rhoR, c.uR, 0.0, c.pR, what.c_str());
      double U[5] = {0, 0, 0, 0, -7};
      f.eval(mPoint(c.x0, 0, 0), 0.0, U);
      EXPECT_EQ(U[4], dim == 3 ? 0.0 : -7.0) << what;
      if (dim == 3) {
        EXPECT_NE(dynamic_cast<Euler3d *>(law.get()), nullptr);
        EXPECT_EQ(law->getExactField(), nullptr);
      } else {
        auto *e = dynamic_cast<Euler2dExactRiemann *>(law.get());
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->getBoundaryConditions().size(), 1u);
        EXPECT_EQ(e->getGasConstant(), c.sub == 6 ? 286.0 : 287.42857142857144);
        EXPECT_EQ(law->getExactField() != nullptr, c.sub == 6) << what;
      }
      EXPECT_EQ(printed, c.sub == 6 ? "5.997001 -0.166750 0.833321 1.000000 -1.000000 0.000071"
                                    : "");
    }
}

TEST(ShockTubeFields, BlastWavesAndShuOsherEntropyWave) {
  testing::internal::CaptureStdout();
  std::unique_ptr<ConservationLaw> blast(createShockTube(2, 200, 8));
  std::unique_ptr<ConservationLaw> shu(createShockTube(3, 200, 9));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "shock tube shu osher -4.000000 \n");
  const FieldEvaluator &b = *blast->getFarField();
  expectState(at(b, 0.0999999, 0.0), 1.0, 0.0, 0.0, 1000.0, "left blast");
  expectState(at(b, 0.1, 0.0), 1.0, 0.0, 0.0, 0.01, "x = 0.1");
  expectState(at(b, 0.9, 0.0), 1.0, 0.0, 0.0, 0.01, "x = 0.9");
  expectState(at(b, 0.9000001, 0.0), 1.0, 0.0, 0.0, 100.0, "right blast");

  const FieldEvaluator &s = *shu->getFarField();
  for (double x : {-4.0, 0.0, 1.3, 4.5}) {
    const Primitive r = at(s, x, 0.2, 0.3, 0.0, 3);
    expectState(r, 1.0 + 0.2 * std::sin(5.0 * x), 0.0, 0.0, 1.0, "entropy wave");
  }
  expectState(at(s, -5.0, 0.0, 0.0, 0.0, 3), 3.857143, 2.629369, 0.0, 10.33333, "Shu-Osher left");
}

TEST(ShockTubeFields, UnknownSubProblemsBuildNothing) {
  for (int sub : {10, -1}) {
    testing::internal::CaptureStderr();
    EXPECT_THROW(createShockTube(2, 200, sub), int);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("sub-problem"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Muzzle

TEST(MuzzleField, TubeStateInsideTheTubeAndAirElsewhere) {
  const MuzzleInit f2(2), f3(3);
  const double rest = 1.2092436519545249;
  auto tube = [](double s) {
    const double P = 60133000.0 - 6577000.0 * s / 8.37;
    return Primitive{P / 430710.0, 0.0, 934.82 * s / 8.37, 0.0, P};
  };
  struct Case {
    double x, y;
    bool inside;
  };
  const Case cases[] = {
      {0.05, 1.0, true},  {-0.05, 1.0, true},  {0.0545, 1.0, false},
      {0.0, 8.2573, false}, {0.0, -2.0, true}, {0.01, 8.25, true},
  };
  for (const Case &c : cases) {
    const Primitive s = at(f2, c.x, c.y);
    if (c.inside) {
      const Primitive e = tube(c.y);
      EXPECT_NEAR(s.rho, e.rho, 1e-12 * e.rho) << c.x << " " << c.y;
      EXPECT_EQ(s.u, 0.0);
      EXPECT_NEAR(s.v, e.v, 1e-10);
      EXPECT_NEAR(s.p, e.p, 1e-8 * e.p);
    } else {
      expectState(s, rest, 0.0, 0.0, 100000.0, "outside the tube");
    }
  }
  EXPECT_GT(at(f2, 0.0, -1.0).p, 60133000.0);
  EXPECT_LT(at(f2, 0.0, -1.0).v, 0.0);
  double U[5];
  f2.eval(mPoint(0.01, 1.0, 0.0), 1e-9, U);
  EXPECT_EQ(U[0], rest);
  EXPECT_EQ(U[3], 250000.0);

  // Three dimensions: the tube runs along -z.
  const Primitive in3 = at(f3, 0.03, 0.03, -2.0, 0.0, 3);
  const Primitive e3 = tube(2.0);
  EXPECT_NEAR(in3.rho, e3.rho, 1e-12 * e3.rho);
  EXPECT_EQ(in3.u, 0.0);
  EXPECT_EQ(in3.v, 0.0);
  EXPECT_NEAR(in3.w, -e3.v, 1e-10);
  EXPECT_NEAR(in3.p, e3.p, 1e-8 * e3.p);
  expectState(at(f3, 0.03, 0.03, -5.2, 0.0, 3), rest, 0, 0, 100000.0, "beyond the 3-D tube");
}

// ---------------------------------------------------------------------------
// Rayleigh-Taylor

TEST(RayleighTaylorField, HydrostaticLayersUnderUnitGravity) {
  // dp/dy = -rho on both sides, the pressure continuous at y = 0, and the
  // density ratio (1 + A) / (1 - A).
  const RT1 *rt = createRayleighTaylorField(2, 1, 0);
  const double h = 1e-6;
  for (double y : {-0.7, -0.2, 0.3, 0.8}) {
    const Primitive s = at(*rt, 0.0, y);
    const double dp = (at(*rt, 0.0, y + h).p - at(*rt, 0.0, y - h).p) / (2 * h);
    EXPECT_NEAR(dp, -s.rho, 1e-6) << y;
  }
  EXPECT_NEAR(at(*rt, 0.0, -1e-12).p, at(*rt, 0.0, 0.0).p, 1e-10);
  EXPECT_NEAR(at(*rt, 0.0, 0.0).rho, (1 + 0.333333333333) / (1 - 0.333333333333), 1e-15);
  EXPECT_EQ(at(*rt, 0.3, -0.5).rho, 1.0);
  EXPECT_NEAR(at(*rt, 0.3, -0.5).p, 2.5, 1e-14);
  EXPECT_NEAR(at(*rt, 0.3, 0.5).p, 1.0, 1e-14);
  // Defaults: at the origin u = 0, v = -a (cos(8 pi k z') = -1 for k = 1).
  const Primitive o = at(*rt, 0.0, 0.0);
  EXPECT_EQ(o.u, 0.0);
  EXPECT_NEAR(o.v, -0.1 * std::sqrt(0.7), 1e-16);
  EXPECT_NEAR(o.p, 2.0, 1e-12);
}

TEST(RayleighTaylorField, ModeRangesAndAmplitudes) {
  struct Case {
    int modes, first, last;
  };
  const Case cases[] = {{1, 1, 1}, {5, 1, 5}, {-5, 2, 5}, {-1, 0, 1}, {0, 1, 0}, {199, 1, 199}};
  for (const Case &c : cases) {
    const RT1 *rt = createRayleighTaylorField(2, c.modes, 0);
    EXPECT_EQ(rt->firstMode, c.first) << c.modes;
    EXPECT_EQ(rt->lastMode, c.last) << c.modes;
    double largest = 0.0;
    for (int k = rt->firstMode; k <= rt->lastMode; ++k)
      largest = std::max(largest, std::fabs(rt->amplitude[k]));
    EXPECT_EQ(largest, c.first <= c.last ? 1.0 : 0.0) << c.modes;
    // The same seed gives the same amplitudes on every call.
    const RT1 *again = createRayleighTaylorField(2, c.modes, 0);
    EXPECT_EQ(again->amplitude, rt->amplitude);
  }
  // Without modes there is no perturbation.
  const RT1 *none = createRayleighTaylorField(3, 0, 0);
  double U[5];
  none->eval(mPoint(0.1, 0.01, 0.2), 0.0, U);
  EXPECT_EQ(U[1], 0.0);
  EXPECT_EQ(U[2], 0.0);
  EXPECT_EQ(U[4], 0.0);
  for (int modes : {200, -200, 100000}) {
    try {
      createRayleighTaylorField(2, modes, 0);
      ADD_FAILURE() << modes;
    } catch (const std::string &msg) {
      EXPECT_NE(msg.find("199"), std::string::npos) << msg;
    }
  }
}

TEST(RayleighTaylorField, ManyModesAreConfinedToTheInterface) {
  const RT1 *rt = createRayleighTaylorField(2, 5, 0);
  EXPECT_LT(std::fabs(at(*rt, 0.1, 0.3).v), 1e-100);
  EXPECT_LT(std::fabs(at(*rt, 0.1, 0.05).v), 1e-4);
  // In three dimensions, or axisymmetric, the pattern is shifted by 0.125
  // and w matches u.
  const RT1 *rt3 = createRayleighTaylorField(3, 1, 0);
  const Primitive s3 = at(*rt3, 0.2, 0.1, 0.3, 0.0, 3);
  EXPECT_DOUBLE_EQ(s3.u, s3.w);
  const RT1 *axi = createRayleighTaylorField(2, 1, 1);
  const RT1 *plain = createRayleighTaylorField(2, 1, 0);
  EXPECT_NEAR(at(*axi, 0.125 + 0.03, 0.1).v, at(*plain, 0.03, 0.1).v, 1e-14);
  EXPECT_GT(std::fabs(at(*axi, 0.03, 0.1).v - at(*plain, 0.03, 0.1).v), 1e-3);
}

TEST(RayleighTaylorLaw, KindsAndWall) {
  std::unique_ptr<ConservationLaw> l2(createRayleighTaylor(2, 200, 1, 0));
  std::unique_ptr<ConservationLaw> l3(createRayleighTaylor(3, 200, 1, 0));
  auto *e2 = dynamic_cast<Euler2d *>(l2.get());
  ASSERT_NE(e2, nullptr);
  EXPECT_EQ(dynamic_cast<Euler2dExactRiemann *>(l2.get()), nullptr);
  EXPECT_TRUE(e2->hasGravity());
  EXPECT_EQ(e2->getBoundaryConditions().at(200).type, 1);
  EXPECT_NE(dynamic_cast<Euler3dRoe *>(l3.get()), nullptr);
}

}  // namespace
