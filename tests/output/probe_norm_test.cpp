// Norm sensor: norms of known fields over the unit square.
#include <cmath>

#include "NormSensor.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

Field constant(double c) {
  return Field([c](const mPoint &, double *v) { v[0] = c; }, 0);
}

// The norm columns of the single line of a norm file (after iter and time).
std::vector<double> norms(const std::string &file) {
  std::vector<double> v = numbers(readFile(file));
  return std::vector<double>(v.begin() + 2, v.end());
}

}  // namespace

TEST(ProbeNormSensor, NormsOfConstantAndLinearFieldsOnTriangleAndQuadMeshes) {
  TempDir dir;
  struct Case {
    const char *what;
    bool quads;
    int order;
    double value;  // constant field, or NaN for u = 1 + x + 2y
    DGNormSensor::Type type;
    double expected;
  } cases[] = {
      {"L1 of 1", false, 0, 1.0, DGNormSensor::L1, 1.0},
      {"L1 of 1 on quads", true, 0, 1.0, DGNormSensor::L1, 1.0},
      {"L2 of -2", false, 1, -2.0, DGNormSensor::L2, 2.0},
      {"max of -2", true, 1, -2.0, DGNormSensor::LINF, 2.0},
      {"L1 of linear", false, 1, NAN, DGNormSensor::L1, 2.5},
      {"L2 of linear", false, 1, NAN, DGNormSensor::L2, std::sqrt(20.0 / 3.0)},
      {"L2 of linear on quads", true, 1, NAN, DGNormSensor::L2, std::sqrt(20.0 / 3.0)},
  };
  for (const Case &c : cases) {
    const Field field = std::isnan(c.value) ? linearField() : constant(c.value);
    Scene scene(grid(3, c.quads), c.order, field);
    DGNormSensor s("norm.dat", c.type, 0.1, 0);
    EXPECT_EQ(readFile("norm.dat"), "");
    s.eval(&scene.analysis, 2, 0, 0.0);
    const std::vector<double> v = norms("norm.dat");
    ASSERT_EQ(v.size(), 1u) << c.what;
    EXPECT_NEAR(v[0], c.expected, 1e-13) << c.what;
  }
}

TEST(ProbeNormSensor, MaximumOfALinearFieldLiesBelowItsMaximumOverTheSquare) {
  TempDir dir;
  Scene scene(grid(4, false), 1, linearField());
  DGNormSensor s("max.dat", DGNormSensor::LINF, 0.1, 0);
  s.eval(&scene.analysis, 2, 0, 0.0);
  const double m = norms("max.dat")[0];
  // The quadrature points of the corner triangle at (1, 1) come within h/3 of it.
  EXPECT_LE(m, 4.0);
  EXPECT_GT(m, 4.0 - 3.0 * 0.25);
}

TEST(ProbeNormSensor, ZeroFieldGivesZeroTextForEveryType) {
  TempDir dir;
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("u"), tripled("vec")};
  Scene scene(square(), 1, constant(0.0), law);
  const std::string zero = " 0.000000000000000E+00";
  struct Case {
    DGNormSensor::Type type;
    int field;
    std::string columns;
  } cases[] = {
      {DGNormSensor::L1, 0, zero},
      {DGNormSensor::L2, 0, zero},
      {DGNormSensor::LINF, 0, zero},
      {DGNormSensor::L2_VECTOR, 0, zero + " " + zero + " " + zero},
      {DGNormSensor::L1, 1, zero + zero + zero},
      {DGNormSensor::L1, 7, ""},  // a field the sensor does not know: no column
  };
  for (const Case &c : cases) {
    DGNormSensor s("zero.dat", c.type, 0.5, c.field);
    s.eval(&scene.analysis, 2, 3, 1.0);
    s.eval(&scene.analysis, 2, 4, 0.4);  // slot 0.5 not due
    EXPECT_EQ(readFile("zero.dat"), "3  1.00000E+00 " + c.columns + "\n") << c.type << " " << c.field;
  }
}

TEST(ProbeNormSensor, MagnitudeNormOfAVectorFieldAndColumnsThatNeverFuse) {
  TempDir dir;
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {passThrough("u"), tripled("vec")};
  Scene scene(square(), 0, constant(1.0), law);
  // |(1, 2, 3)| = sqrt(14) over a unit area, in three equal groups.
  DGNormSensor vec("vec.dat", DGNormSensor::L2_VECTOR, 0.1, 1);
  vec.eval(&scene.analysis, 2, 0, 0.0);
  const std::vector<double> v = norms("vec.dat");
  ASSERT_EQ(v.size(), 9u);
  for (int g = 0; g < 3; ++g) {
    EXPECT_NEAR(v[3 * g], std::sqrt(14.0), 1e-13);
    EXPECT_EQ(v[3 * g + 1], 0.0);
    EXPECT_EQ(v[3 * g + 2], 0.0);
  }
  // A field of one component: the missing components count as 0.
  DGNormSensor one("one.dat", DGNormSensor::L2_VECTOR, 0.1, 0);
  one.eval(&scene.analysis, 2, 0, 0.0);
  const std::vector<double> w = norms("one.dat");
  ASSERT_EQ(w.size(), 3u);
  EXPECT_NEAR(w[0], 1.0, 1e-13);
}

TEST(ProbeNormSensor, ThreeDigitExponentsStaySeparated) {
  TempDir dir;
  ProbeLaw *law = new ProbeLaw;
  law->outputs = {{"big", 2, [](const mPoint &, const double *U, const mVector *, double *out) {
                     out[0] = 1e200 * U[0];
                     out[1] = 1e200 * U[0];
                   }}};
  Scene scene(square(), 0, constant(1.0), law);
  DGNormSensor s("big.dat", DGNormSensor::L1, 0.1, 0);
  s.eval(&scene.analysis, 2, 0, 0.0);
  const std::vector<double> v = norms("big.dat");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_NEAR(v[0] / 1e200, 1.0, 1e-13);
  EXPECT_NEAR(v[1] / 1e200, 1.0, 1e-13);
}
