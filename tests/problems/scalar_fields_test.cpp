// Analytic fields of the scalar problems (advection, advection-diffusion,
// Burgers) checked against the equations they solve.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "BurgersLaw.h"
#include "ScalarLaw.h"
#include "ScalarProblems.h"

using KORA::mPoint;
using KORA::mVector;

namespace {

double value(const FieldEvaluator &f, double x, double y, double t = 0.0) {
  double v[256] = {};
  f.eval(mPoint(x, y, 0.0), t, v);
  return v[0];
}

TEST(ScalarFields, PiecewiseFieldsTakeTheirValuesOnBothSidesAndOnTheLine) {
  const HeavisideX hx(0.51);
  const HeavisideY hy(0.01);
  const CaseOne one;
  const CaseTwo two;
  const InitBurgers init;
  struct Case {
    const char *what;
    const FieldEvaluator *f;
    double x, y, t, expected;
  };
  const Case cases[] = {
      {"heaviside x on its threshold", &hx, 0.51, 0.0, 0.0, 1.0},
      {"heaviside x below", &hx, 0.5099999, 7.0, 0.0, 0.0},
      {"heaviside y on its threshold", &hy, -3.0, 0.01, 0.0, 1.0},
      {"heaviside y below", &hy, 3.0, 0.00999, 0.0, 0.0},
      {"case one before start", &one, 0.0, 0.75, 0.0, 0.0},
      {"case one upper inflow", &one, 0.0, 0.75, 0.1, 1.0},
      {"case one lower inflow", &one, 0.0, 0.25, 0.1, -1.0},
      {"case one on y = 0.5", &one, 0.0, 0.5, 0.1, 0.0},
      {"case one away from inflow", &one, 0.5, 0.25, 0.1, 0.0},
      {"case two at t = 0", &two, 3.0, -2.0, 0.0, 0.0},
      {"case two later", &two, 3.0, -2.0, 1e-12, 1.0},
      {"init burgers before 0.01", &init, 0.0, 0.0, 0.00999, 0.0},
      {"init burgers right low", &init, 0.0, 0.0, 0.01, 1.0},
      {"init burgers right low far", &init, 2.0, 0.05, 0.5, 1.0},
      {"init burgers left", &init, -0.1, 0.0, 0.01, -1.0},
      {"init burgers on y = 0.1", &init, 1.0, 0.1, 0.01, -1.0},
  };
  for (const Case &c : cases) EXPECT_EQ(value(*c.f, c.x, c.y, c.t), c.expected) << c.what;
}

TEST(ScalarFields, ModalSumsMatchTheirClosedForms) {
  // sum_{i=1..n} cos(i q) = sin(n q / 2) cos((n + 1) q / 2) / sin(q / 2), and
  // the same with sin for the sine sum.
  for (int n : {-2, 0, 1, 3, 7}) {
    const Velocity_Field vel(10.0, 1.0, n);
    const Comp2_Field src(0.0, -1.0, n);
    for (double x : {0.013, 0.27, 0.61}) {
      const double q = 2.0 * M_PI * x;
      const int m = n > 0 ? n : 0;
      const double cosSum = std::sin(m * q / 2) * std::cos((m + 1) * q / 2) / std::sin(q / 2);
      const double sinSum = std::sin(m * q / 2) * std::sin((m + 1) * q / 2) / std::sin(q / 2);
      double v[3];
      vel.eval(mPoint(x, 0.4, 0.0), 0.0, v);
      EXPECT_EQ(v[0], 10.0);
      EXPECT_NEAR(v[1], cosSum, 1e-13) << "n " << n << " x " << x;
      EXPECT_EQ(v[2], 0.0);
      EXPECT_NEAR(value(src, x, 0.4), -sinSum, 1e-13) << "n " << n << " x " << x;
    }
  }
}

TEST(ScalarFields, SteadyAdvectionDiffusionProfileSolvesItsBoundaryValueProblem) {
  // u' = u'' / a on [0, 1] with u(0) = 0, u(1) = 1; a = 0 is the limit u = x.
  for (double a : {0.0, 1.0, -3.0, 10.0}) {
    const Exact1 f(a);
    EXPECT_NEAR(value(f, 0.0, 0.0), 0.0, 1e-15) << a;
    EXPECT_NEAR(value(f, 1.0, 0.0), 1.0, 1e-14) << a;
    const double h = 1e-4;
    for (double x : {0.2, 0.5, 0.9}) {
      const double um = value(f, x - h, 0), u0 = value(f, x, 0), up = value(f, x + h, 0);
      const double d1 = (up - um) / (2 * h), d2 = (up - 2 * u0 + um) / (h * h);
      if (a != 0.0) {
        EXPECT_NEAR(d1, d2 / a, 2e-4 * std::fabs(d1) + 1e-6) << "a " << a << " x " << x;
      } else {
        EXPECT_NEAR(d2, 0.0, 1e-6);
      }
      mVector g;
      f.evalGrad(mPoint(x, 0.3, 0.0), 0.0, &g);
      EXPECT_NEAR(g.x(), d1, 1e-6 * (1 + std::fabs(d1))) << "a " << a << " x " << x;
      EXPECT_EQ(g.y(), 0.0);
      EXPECT_EQ(g.z(), 0.0);
    }
  }
}

TEST(ScalarFields, AxisymmetricFieldsAndConstants) {
  const ExactAxi axi;
  EXPECT_DOUBLE_EQ(value(axi, 1.0, 5.0), 0.0);
  EXPECT_DOUBLE_EQ(value(axi, 3.0, 0.0), 4.0);
  mVector g;
  axi.evalGrad(mPoint(0.7, 2.0, 0.0), 0.0, &g);
  EXPECT_DOUBLE_EQ(g.x(), 0.7);
  EXPECT_EQ(g.y(), 0.0);

  const OneOverR vel;
  double v[3];
  vel.eval(mPoint(4.0, 1.0, 0.0), 0.0, v);
  EXPECT_EQ(v[0], 0.25);
  EXPECT_EQ(v[1], 0.0);
  vel.eval(mPoint(0.0, 1.0, 0.0), 0.0, v);
  EXPECT_TRUE(std::isinf(v[0]));

  const ConstantVector cv(mVector(1, 2, 3));
  cv.eval(mPoint(9, 9, 9), 4.0, v);
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(v[2], 3.0);
  EXPECT_EQ(value(ConstantScalar(-2.5), 1, 1), -2.5);
  EXPECT_EQ(value(ExactOne(), 4.0, -1.5), -1.5);
  EXPECT_EQ(value(Source1(), 4.0, -1.5), 0.0);

  // Fields without their own gradient refuse to give one.
  EXPECT_THROW(ExactOne().evalGrad(mPoint(), 0.0, &g), int);
  EXPECT_THROW(ConstantScalar(0.0).evalGrad(mPoint(), 0.0, &g), int);
}

TEST(ScalarFields, ReportedOrders) {
  EXPECT_EQ(ConstantScalar(0).order(), 0);
  EXPECT_EQ(ConstantVector(mVector()).order(), 1);
  EXPECT_EQ(HeavisideX(0).order(), 2);
  EXPECT_EQ(Exact1(1).order(), 6);
  EXPECT_EQ(ExactOne().order(), 3);
  EXPECT_EQ(ExactAxi().order(), 2);
  EXPECT_EQ(OneOverR().order(), 3);
  EXPECT_EQ(ExactBurgers().order(), 4);
  EXPECT_EQ(InitBurgers().order(), 1);
}

// ---------------------------------------------------------------------------
// Exact steady Burgers solution

TEST(ExactBurgersField, SatisfiesTheCharacteristicEquation) {
  // u = u0(x - u y) with u0(x) = 0.5 + 0.5 sin(pi x), everywhere the bisection
  // converges (also past the breaking of characteristics, on its branch).
  const ExactBurgers f;
  for (double y : {0.0001, 0.05, 0.3, 0.5, 0.9, 1.7})
    for (double x = -1.3; x <= 1.6; x += 0.137) {
      const double u = value(f, x, y);
      EXPECT_NEAR(u, 0.5 + 0.5 * std::sin(M_PI * (x - u * y)), 1e-13) << x << " " << y;
      EXPECT_GE(u, 0.0);
      EXPECT_LE(u, 1.0);
    }
  EXPECT_NEAR(value(f, 0.3, 0.5), 0.543958256605754, 1e-14);
  EXPECT_NEAR(value(f, 0.0, 0.3), 0.341732215325856, 1e-14);
}

TEST(ExactBurgersField, SolvesTheSteadyEquationBeforeCharacteristicsCross) {
  // u_y + u u_x = 0 for y below the breaking distance 2 / pi.
  const ExactBurgers f;
  const double h = 1e-5;
  for (double y : {0.1, 0.3, 0.55})
    for (double x : {-0.4, 0.1, 0.35, 0.8}) {
      const double u = value(f, x, y);
      const double ux = (value(f, x + h, y) - value(f, x - h, y)) / (2 * h);
      const double uy = (value(f, x, y + h) - value(f, x, y - h)) / (2 * h);
      EXPECT_NEAR(uy + u * ux, 0.0, 1e-6) << x << " " << y;
    }
}

TEST(ExactBurgersField, InitialLineSymmetryAndTimeIndependence) {
  const ExactBurgers f;
  EXPECT_DOUBLE_EQ(value(f, 0.0, 0.0), 0.5);
  EXPECT_DOUBLE_EQ(value(f, 0.5, 0.0), 1.0);
  EXPECT_NEAR(value(f, -0.5, 0.00005), 0.0, 1e-15);
  for (double y : {0.0001, 0.4, 1.2}) {
    EXPECT_EQ(value(f, y / 2, y), 0.5) << y;
    for (double e : {0.01, 0.3, 0.77})
      EXPECT_NEAR(value(f, y / 2 + e, y) + value(f, y / 2 - e, y), 1.0, 1e-14) << y << " " << e;
  }
  for (double t : {0.0, 1.0, 123.0}) EXPECT_EQ(value(f, 0.3, 0.5, t), value(f, 0.3, 0.5, 0.0));
}

// ---------------------------------------------------------------------------
// Scalar law set-up driven by its question

TEST(ScalarLawSetUp, EachAnswerBuildsItsLawAndFields) {
  struct Case {
    const char *answer;
    bool diffusive;
    double far;  // far field at (0, 0.75) for t > 0
    double vx, vy;  // velocity at x = 0.25
  };
  const double alpha = 2.0;
  const Case cases[] = {
      {"3", false, 0.0, 4.0, 0.0},
      {"1", false, 1.0, 1.0, 1.0},
      {"-1", false, 1.0, 0.0, 1.0},
      {"2", true, 0.0, 1.0, 0.0},
      {"4", true, 0.0, 10.0, std::cos(2 * M_PI * 0.25) + std::cos(4 * M_PI * 0.25)},
      {"0", true, 1.0, 1.0, 2.0},
      {"5", true, 1.0, 1.0, 2.0},
      {"  -2\n", true, 1.0, 1.0, 2.0},
  };
  for (const Case &c : cases) {
    std::istringstream in(c.answer);
    std::ostringstream out;
    std::unique_ptr<ConservationLaw> law(createScalarLaw(alpha, 2, in, out));
    EXPECT_EQ(out.str(), "do you want scalar law (1) or a d (2)  axi(3) ? : ");
    auto *ad = dynamic_cast<advectionDiffusion *>(law.get());
    ASSERT_NE(dynamic_cast<ScalarLaw *>(law.get()), nullptr) << c.answer;
    EXPECT_EQ(ad != nullptr, c.diffusive) << c.answer;
    if (ad) {
      EXPECT_EQ(ad->getAlpha(), alpha);
    }
    ASSERT_NE(law->getFarField(), nullptr);
    EXPECT_EQ(value(*law->getFarField(), 0.0, 0.75, 0.5), c.far) << c.answer;
    // The advection velocity, through the law's characteristic field.
    double u[256] = {0.0};
    mVector vel;
    law->characteristicVectorField(mPoint(0.25, 0.3, 0.0), 0.0, u, nullptr, vel);
    EXPECT_NEAR(vel.x(), c.vx, 1e-14) << c.answer;
    EXPECT_NEAR(vel.y(), c.vy, 1e-14) << c.answer;
  }
}

TEST(ScalarLawSetUp, AnswerFourWithoutModesHasUniformVelocityAndNoSource) {
  for (int modes : {0, -3}) {
    std::istringstream in("4");
    std::ostringstream out;
    std::unique_ptr<ConservationLaw> law(createScalarLaw(1.0, modes, in, out));
    double u[256] = {0.3}, s[256] = {7.0};
    law->RHS(u, nullptr, mPoint(0.1, 0.2, 0.0), s);
    EXPECT_EQ(s[0], 0.0) << modes;
    mVector vel;
    law->characteristicVectorField(mPoint(0.1, 0.2, 0.0), 0.0, u, nullptr, vel);
    EXPECT_EQ(vel.x(), 10.0);
    EXPECT_EQ(vel.y(), 0.0);
  }
}

TEST(ScalarLawSetUp, MissingOrNonIntegerAnswerIsAnInputError) {
  for (const char *answer : {"", "   ", "yes", "x1"}) {
    std::istringstream in(answer);
    std::ostringstream out;
    try {
      delete createScalarLaw(1.0, 1, in, out);
      ADD_FAILURE() << "accepted '" << answer << "'";
    } catch (const std::string &msg) {
      EXPECT_NE(msg.find("integer"), std::string::npos) << msg;
    }
  }
}

TEST(BurgersSetUp, StartsFromAndComparesWithTheExactSolution) {
  std::unique_ptr<ConservationLaw> law(createBurgersLaw(2));
  ASSERT_NE(dynamic_cast<BurgersLaw *>(law.get()), nullptr);
  ASSERT_NE(law->getFarField(), nullptr);
  EXPECT_NEAR(value(*law->getFarField(), 0.3, 0.5), 0.543958256605754, 1e-14);
  // The output field "exact" is the same solution.
  double u[1] = {0.0}, out[1] = {0.0};
  law->getIthFieldOfInterest(1, mPoint(0.3, 0.5, 0.0), u, nullptr, out, 0.0);
  EXPECT_NEAR(out[0], 0.543958256605754, 1e-14);
}

}  // namespace
