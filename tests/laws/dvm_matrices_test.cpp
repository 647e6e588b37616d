// Velocity and collision matrices of the discrete-velocity law: the field
// numbering, the moments of the product rules and the relaxation operator.

#include "DVMMatrices.h"
#include "DenseMatrix.h"
#include "GaussHermite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One-dimensional rules of the three directions plus the outputs of
// setmatrices, all owned by the fixture.
struct VelocitySet {
  int ns, K1, K2, K3, K;
  std::vector<double> v1, q1, M1, v2, q2, M2, v3, q3, M3;
  std::vector<double> A1, A2, A3, qK, MK;
  double** C;

  VelocitySet(int nspecies, int k1, int k2, int k3)
      : ns(nspecies), K1(k1), K2(k2), K3(k3), K(nspecies * k1 * k2 * k3), v1(k1), q1(k1), M1(k1),
        v2(k2), q2(k2), M2(k2), v3(k3), q3(k3), M3(k3), A1(K, 99.0), A2(K, 99.0), A3(K, 99.0),
        qK(K, 99.0), MK(K, 99.0), C(allocateMatrix(K, K))
  {
    EXPECT_EQ(gauherqm(v1.data(), q1.data(), M1.data(), K1), 0);
    EXPECT_EQ(gauherqm(v2.data(), q2.data(), M2.data(), K2), 0);
    EXPECT_EQ(gauherqm(v3.data(), q3.data(), M3.data(), K3), 0);
    for (int i = 0; i < K; ++i)
      for (int j = 0; j < K; ++j) C[i][j] = 99.0;
  }
  ~VelocitySet() { freeMatrix(C); }
  VelocitySet(const VelocitySet&) = delete;
  VelocitySet& operator=(const VelocitySet&) = delete;

  int run(double tau, int job)
  {
    return setmatrices(ns, A1.data(), A2.data(), A3.data(), C, qK.data(), MK.data(), v1.data(),
                       q1.data(), M1.data(), K1, v2.data(), q2.data(), M2.data(), K2, v3.data(),
                       q3.data(), M3.data(), K3, tau, job);
  }
  int field(int s, int i1, int i2, int i3) const
  {
    return s * K1 * K2 * K3 + i1 + K1 * i2 + K1 * K2 * i3;
  }
};

TEST(VelocityMatrices, SingleFieldWhateverTheJob)
{
  for (int job : {0, 1, 5}) {
    VelocitySet s(1, 1, 1, 1);
    ASSERT_EQ(s.run(1.0, job), 0) << "job " << job;
    EXPECT_EQ(s.A1[0], 0.0);
    EXPECT_EQ(s.A2[0], -0.015625);
    EXPECT_EQ(s.A3[0], 0.0);
    EXPECT_EQ(s.qK[0], 1.0);
    EXPECT_EQ(s.MK[0], 1.0);
    EXPECT_EQ(s.C[0][0], 0.0);
  }
}

// Every field carries the velocity of its own nodes, species after species,
// and its weight is the product of its nodes' weights.
TEST(VelocityMatrices, FieldNumberingAndProductWeights)
{
  struct Case { int ns, K1, K2, K3; };
  for (const Case& c : {Case{2, 2, 2, 1}, Case{1, 4, 2, 2}, Case{3, 2, 4, 1}, Case{2, 2, 2, 4}}) {
    VelocitySet s(c.ns, c.K1, c.K2, c.K3);
    ASSERT_EQ(s.run(1.0, 0), 0);
    for (int sp = 0; sp < c.ns; ++sp)
      for (int i3 = 0; i3 < c.K3; ++i3)
        for (int i2 = 0; i2 < c.K2; ++i2)
          for (int i1 = 0; i1 < c.K1; ++i1) {
            const int k = s.field(sp, i1, i2, i3);
            EXPECT_EQ(s.A1[k], s.v1[i1]);
            EXPECT_EQ(s.A2[k], s.v2[i2]);
            EXPECT_EQ(s.A3[k], s.v3[i3]);
            const double q3 = c.K3 == 1 ? 1.0 : s.q3[i3];
            const double m3 = c.K3 == 1 ? 1.0 : s.M3[i3];
            EXPECT_DOUBLE_EQ(s.qK[k], s.q1[i1] * s.q2[i2] * q3);
            EXPECT_DOUBLE_EQ(s.MK[k], s.M1[i1] * s.M2[i2] * m3);
          }
    for (int i = 0; i < s.K; ++i)
      for (int j = 0; j < s.K; ++j) EXPECT_EQ(s.C[i][j], 0.0);
  }
  // The documented 2 x 2 layout: fields 0..3 are nodes (0,0), (1,0), (0,1), (1,1).
  VelocitySet s(2, 2, 2, 1);
  ASSERT_EQ(s.run(1.0, 0), 0);
  const double a1[8] = {-1, 1, -1, 1, -1, 1, -1, 1};
  const double a2[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
  for (int k = 0; k < 8; ++k) {
    EXPECT_NEAR(s.A1[k], a1[k], 1e-14);
    EXPECT_NEAR(s.A2[k], a2[k], 1e-14);
    EXPECT_EQ(s.A3[k], 0.0);
  }
}

// Per species, qK MK^2 are the weights of the product normal density, exact
// for monomials of degree below 2 K_d in each direction.
TEST(VelocityMatrices, ProductRuleIntegratesNormalMoments)
{
  VelocitySet s(2, 4, 2, 6);
  ASSERT_EQ(s.run(1.0, 0), 0);
  struct Moment { int p1, p2, p3; double exact; };
  // E[a^2] = 1, E[a^4] = 3, E[a^6] = 15, odd moments 0.
  for (const Moment& m : {Moment{0, 0, 0, 1.0}, Moment{2, 2, 2, 1.0}, Moment{6, 0, 4, 45.0},
                          Moment{4, 2, 10, 3.0 * 945.0}, Moment{1, 2, 0, 0.0}, Moment{2, 0, 3, 0.0}}) {
    for (int sp = 0; sp < 2; ++sp) {
      double sum = 0.0;
      for (int r = 0; r < s.K / 2; ++r) {
        const int k = sp * (s.K / 2) + r;
        sum += s.qK[k] * s.MK[k] * s.MK[k] * std::pow(s.A1[k], m.p1) * std::pow(s.A2[k], m.p2) *
               std::pow(s.A3[k], m.p3);
      }
      EXPECT_NEAR(sum, m.exact, 1e-11 * (1.0 + m.exact))
          << "species " << sp << " moment " << m.p1 << m.p2 << m.p3;
    }
  }
}

// Job 1: S = C U relaxes every field to MK times the density
// rho = sum qK MK U, conserves rho for one species and vanishes at U = MK.
TEST(VelocityMatrices, RelaxationOperator)
{
  const double tau = 0.5;
  VelocitySet s(1, 4, 2, 1);
  ASSERT_EQ(s.run(tau, 1), 0);
  std::vector<double> U(s.K), S(s.K);
  for (int k = 0; k < s.K; ++k) U[k] = 1.0 + std::sin(3.0 * k + 1.0);
  double rho = 0.0;
  for (int k = 0; k < s.K; ++k) rho += s.qK[k] * s.MK[k] * U[k];

  double drho = 0.0, scale = 0.0;
  for (int i = 0; i < s.K; ++i) {
    S[i] = 0.0;
    for (int j = 0; j < s.K; ++j) S[i] += s.C[i][j] * U[j];
    EXPECT_NEAR(S[i], -(U[i] - s.MK[i] * rho) / tau, 1e-13);
    drho += s.qK[i] * s.MK[i] * S[i];
    scale += std::fabs(s.qK[i] * s.MK[i] * S[i]);
  }
  EXPECT_NEAR(drho, 0.0, 1e-14 * scale);

  for (int i = 0; i < s.K; ++i) {
    double e = 0.0;
    for (int j = 0; j < s.K; ++j) e += s.C[i][j] * s.MK[j];
    EXPECT_NEAR(e, 0.0, 1e-14) << "the Maxwellian is an equilibrium";
    EXPECT_NEAR(s.C[i][i], -(1.0 - s.qK[i] * s.MK[i] * s.MK[i]) / tau, 1e-15);
  }
}

TEST(VelocityMatrices, RefusedJobAndMissingDirection)
{
  {
    VelocitySet s(1, 2, 2, 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(s.run(1.0, 7), -3);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Fatal error: undefined value of job = 7\n");
    EXPECT_NEAR(s.A1[3], 1.0, 1e-14);  // velocities and weights are written
    EXPECT_NEAR(s.qK[0] * s.MK[0] * s.MK[0], 0.25, 1e-14);
    for (int i = 0; i < s.K; ++i)
      for (int j = 0; j < s.K; ++j) EXPECT_EQ(s.C[i][j], 99.0);  // matrix untouched
  }
  {
    VelocitySet s(1, 2, 2, 1);
    ::testing::internal::CaptureStdout();
    const int status = setmatrices(1, s.A1.data(), s.A2.data(), s.A3.data(), s.C, s.qK.data(),
                                   s.MK.data(), s.v1.data(), s.q1.data(), s.M1.data(), 2,
                                   s.v2.data(), s.q2.data(), s.M2.data(), 2, s.v3.data(),
                                   s.q3.data(), s.M3.data(), 0, 1.0, 0);
    EXPECT_EQ(status, -4);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error in setmatrices: This case should never be reached!\n");
    for (int k = 0; k < s.K; ++k) EXPECT_EQ(s.A1[k] + s.qK[k] + s.MK[k], 3 * 99.0);
  }
}

}  // namespace
