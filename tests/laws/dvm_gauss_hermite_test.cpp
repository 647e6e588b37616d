// Gauss-Hermite rules checked against tabulated nodes and weights and against
// the exact Gaussian moments that an n-point rule integrates (degree 2n - 1).

#include "GaussHermite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace {

const double kPi = 3.141592653589793;

// Integral of x^(2j) exp(-x^2) over the line: Gamma(j + 1/2).
double hermiteMoment(int j) { return std::tgamma(j + 0.5); }

// (2j - 1)!!: the 2j-th moment of the standard normal density.
double normalMoment(int j)
{
  double r = 1.0;
  for (int i = 2 * j - 1; i > 1; i -= 2) r *= i;
  return r;
}

class GaussHermiteRule : public ::testing::TestWithParam<int> {};

TEST_P(GaussHermiteRule, IntegratesEveryPolynomialOfDegreeBelow2n)
{
  const int n = GetParam();
  std::vector<double> x(n), w(n);
  ASSERT_EQ(gauher(x.data(), w.data(), n), 0);

  double sum = 0.0;
  for (double wi : w) sum += wi;
  EXPECT_NEAR(sum, std::sqrt(kPi), 1e-13);

  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(x[n - 1 - i], -x[i]) << "node " << i;
    EXPECT_EQ(w[n - 1 - i], w[i]) << "weight " << i;
    EXPECT_GT(w[i], 0.0);
    if (i > 0) {
      EXPECT_LT(x[i - 1], x[i]) << "nodes must ascend";
    }
  }
  // Even moments up to degree 2n - 2 (odd ones vanish by the symmetry above).
  for (int j = 0; 2 * j <= 2 * n - 1; ++j) {
    double q = 0.0;
    for (int i = 0; i < n; ++i) q += w[i] * std::pow(x[i], 2 * j);
    EXPECT_NEAR(q / hermiteMoment(j), 1.0, 1e-11) << "n = " << n << ", degree " << 2 * j;
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, GaussHermiteRule, ::testing::Values(1, 2, 4, 6, 8, 12, 20, 32));

TEST(GaussHermite, MatchesTabulatedRules)
{
  double x[4], w[4];
  ASSERT_EQ(gauher(x, w, 4), 0);
  const double xt[4] = {-1.650680123886, -0.524647623275, 0.524647623275, 1.650680123886};
  const double wt[4] = {0.0813128354472, 0.804914090006, 0.804914090006, 0.0813128354472};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(x[i], xt[i], 1e-12);
    EXPECT_NEAR(w[i], wt[i], 1e-12);
  }

  ASSERT_EQ(gauher(x, w, 2), 0);
  EXPECT_NEAR(x[0], -1.0 / std::sqrt(2.0), 1e-14);
  EXPECT_NEAR(x[1], 1.0 / std::sqrt(2.0), 1e-14);
  EXPECT_NEAR(w[0], std::sqrt(kPi) / 2, 1e-14);
  EXPECT_NEAR(w[1], std::sqrt(kPi) / 2, 1e-14);

  ASSERT_EQ(gauher(x, w, 1), 0);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(w[0], std::sqrt(kPi));
}

// The normal-density form: v = sqrt(2) x, M the density at v; q M^2 are the
// weights of the density and q M those of the plain line integral.
TEST(GaussHermite, NormalDensityRuleValues)
{
  double v[2], q[2], M[2];
  ASSERT_EQ(gauherqm(v, q, M, 1), 0);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_NEAR(M[0], 1.0 / std::sqrt(2 * kPi), 1e-15);
  EXPECT_NEAR(q[0], 2 * kPi, 1e-13);

  ASSERT_EQ(gauherqm(v, q, M, 2), 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(v[i], i == 0 ? -1.0 : 1.0, 1e-14);
    EXPECT_NEAR(M[i], 0.241970724519, 1e-12);
    EXPECT_NEAR(q[i], 8.53973422267, 1e-10);
  }
}

struct ScaledCase {
  const char* name;
  int (*rule)(double*, double*, double*, int);
  double (*moment)(int);  // expected sum of q M^2 v^(2j)
};

void PrintTo(const ScaledCase& c, std::ostream* os) { *os << c.name; }

double oldMoment(int j) { return hermiteMoment(j) / std::sqrt(kPi); }

class ScaledRule : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(ScaledRule, WeightsIntegrateMomentsOfTheirDensity)
{
  const ScaledCase& c = GetParam();
  for (int n : {1, 2, 4, 8, 16}) {
    std::vector<double> v(n), q(n), M(n);
    ASSERT_EQ(c.rule(v.data(), q.data(), M.data(), n), 0);
    for (int j = 0; 2 * j <= 2 * n - 1; ++j) {
      double s = 0.0;
      for (int i = 0; i < n; ++i) s += q[i] * M[i] * M[i] * std::pow(v[i], 2 * j);
      EXPECT_NEAR(s / c.moment(j), 1.0, 1e-11) << c.name << " n = " << n << ", degree " << 2 * j;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, ScaledRule,
                         ::testing::Values(ScaledCase{"gauherqm", gauherqm, normalMoment},
                                           ScaledCase{"gauherqmold", gauherqmold, oldMoment}),
                         [](const auto& info) { return std::string(info.param.name); });

// Counts that no rule accepts: a message, status -1, arrays untouched.
TEST(GaussHermite, RefusesOddAndNonPositiveCounts)
{
  for (int n : {3, 0, -2, 7}) {
    double x[8], w[8];
    for (int i = 0; i < 8; ++i) x[i] = w[i] = 42.0;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(gauher(x, w, n), -1) << "n = " << n;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Fatal error in gauher: n must be an even, positve integer!\n");
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(x[i], 42.0);
      EXPECT_EQ(w[i], 42.0);
    }

    double v[8], q[8], M[8];
    for (int i = 0; i < 8; ++i) v[i] = q[i] = M[i] = 42.0;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(gauherqm(v, q, M, n), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Fatal error in gauher: n must be an even, positve integer!\n"
              "Problem with gauher, status = -1\n");
    for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i] + q[i] + M[i], 3 * 42.0);
  }
}

}  // namespace
