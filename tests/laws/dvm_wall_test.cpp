// The reactive wall of the discrete-velocity law: the mass balance of its
// flux, the explicit coverage steps against the closed form of the linear
// coverage equation, the time series and the wafer-edge file.

#include "dvm_fixture.h"

#include <cmath>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using KORA::mPoint;
using KORA::mVector;

std::vector<double> someState(int K, double scale)
{
  std::vector<double> U(K);
  for (int k = 0; k < K; ++k) U[k] = scale * (1.0 + 0.5 * std::sin(1.7 * k + 0.3));
  return U;
}

double normalVelocity(const ScalarLawALE& law, int k, const mVector& n)
{
  return n(0) * law.A1[k] + n(1) * law.A2[k] + n(2) * law.A3[k];
}

// Per species: the weighted net normal flux of F, and the raw outflux of U
// (sum over the outgoing fields of vn qK MK U).
struct Balance { std::vector<double> net, out; };

Balance balance(const ScalarLawALE& law, const mVector& n, const std::vector<double>& U,
                const std::vector<double>& F)
{
  const int block = law.K / law.nspecies;
  Balance b{std::vector<double>(law.nspecies), std::vector<double>(law.nspecies)};
  for (int k = 0; k < law.K; ++k) {
    const double w = law.qK[k] * law.MK[k], vn = normalVelocity(law, k, n);
    b.net[k / block] += w * F[k];
    if (vn > 0) b.out[k / block] += w * vn * U[k];
  }
  return b;
}

int count(const std::string& text, const std::string& what)
{
  int c = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++c;
  return c;
}

const mVector kDown(0, -1, 0);  // outward normal of the wall y = 0

// The wall returns, per species, what reached it minus what reacted: the net
// normal flux of species 0 is R1 = (1 - theta) gam1f out0 - gam1b theta and
// that of species 1 is R2 = gam2f theta out1, at the coverage theta0 of a new
// point. A negative outflux (negative distribution values) counts as 0.
TEST_F(DvmTest, ReactiveWallMassBalance)
{
  auto law = build("two_species_2d.in", 2);
  const double theta = 0.4;
  for (double sign : {1.0, -1.0}) {
    SCOPED_TRACE(sign);
    const std::vector<double> U = someState(law->K, sign);
    std::vector<double> F(law->K);
    std::vector<double> Ucopy = U;
    law->boundaryFlux(kDown, 1001, mPoint(0.3, 0, 0), Ucopy.data(), F.data(), 0.0);
    const Balance b = balance(*law, kDown, U, F);
    const double o0 = std::max(b.out[0], 0.0), o1 = std::max(b.out[1], 0.0);
    const double R1 = (1 - theta) * 0.5 * o0 - 0.25 * theta;
    const double R2 = 0.75 * theta * o1;
    // Outgoing fields leave with vn U; incoming ones bring back out - R.
    EXPECT_NEAR(b.net[0], b.out[0] - (o0 - R1), 1e-13);
    EXPECT_NEAR(b.net[1], b.out[1] - (o1 - R2), 1e-13);
    for (int k = 0; k < law->K; ++k) {
      const double vn = normalVelocity(*law, k, kDown);
      if (vn > 0) {
        EXPECT_EQ(F[k], vn * U[k]);
      }
    }
  }
  ASSERT_EQ(law->coverage.size(), 1u);
  EXPECT_EQ(law->coverage.begin()->second, 0.4);
  EXPECT_EQ(readFile("covertime-proc0.dat"), "") << "no output before the first step";
  destroy(law);
}

// Two wall points A and B with their own states (and a quadrature point
// within 1e-6 of B that shares its coverage), stepped with dt = 1/64. Each
// coverage step is one explicit Euler step of the linear equation
//   theta' = prefac (gam1f o0 - (gam1f o0 + gam1b + gam2f o1) theta),
// so theta_m = c + (theta0 - c) (1 - prefac b dt)^m with c = gam1f o0 / b.
// The first output comes with the first step (time column 0), then every
// dtout = 4 steps.
TEST_F(DvmTest, CoverageStepsAndTimeSeries)
{
  auto law = build("two_species_2d.in", 2);
  const mPoint A(0.25, 0, 0), B(0.75, 0, 0), nearB(0.75 + 4e-7, 0, -3e-7);
  const std::vector<double> UA = someState(law->K, 1.0), UB = someState(law->K, 1.5);
  std::vector<double> F(law->K), work(law->K);
  const Balance bA = balance(*law, kDown, UA, F), bB = balance(*law, kDown, UB, F);

  const double dt = 1.0 / 64, prefac = 2.0, g1f = 0.5, g1b = 0.25, g2f = 0.75, theta0 = 0.4;
  auto theta = [&](const Balance& b, int m) {
    const double rate = g1f * b.out[0] + g1b + g2f * b.out[1];
    const double c = g1f * b.out[0] / rate;
    return c + (theta0 - c) * std::pow(1.0 - prefac * rate * dt, m);
  };
  auto visit = [&](const mPoint& p, const std::vector<double>& U, double t) {
    work = U;
    law->boundaryFlux(kDown, 1001, p, work.data(), F.data(), t);
  };

  ::testing::internal::CaptureStdout();
  for (int m = 0; m <= 9; ++m) {
    const double t = m * dt;
    visit(B, UB, t);
    visit(A, UA, t);
    visit(nearB, UB, t);
  }
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(count(out, "completed\n"), 3);
  EXPECT_NE(out.find("Output at Tnext = -6.900000e+01 completed\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Output at Tnext = 7.812500e-02 completed\n"), std::string::npos);
  EXPECT_NE(out.find("Output at Tnext = 1.406250e-01 completed\n"), std::string::npos);

  ASSERT_EQ(law->coverage.size(), 2u);
  EXPECT_NEAR(law->coverage.at(A), theta(bA, 9), 1e-13);
  EXPECT_NEAR(law->coverage.at(B), theta(bB, 9), 1e-13);

  // Coverage file: the rate constants with the probes' wall points (probe 1
  // is nearest to A, probe 2 to B), then time and coverage per output.
  const auto cov = readColumns("covertime-proc0.dat");
  ASSERT_EQ(cov.size(), 6u);
  const std::vector<std::vector<double>> header = {{0.5, 0.25, 0.75}, {0.25, 0, 0}, {0.75, 0, 0}};
  for (int r = 0; r < 3; ++r) EXPECT_EQ(cov[r], header[r]) << "header line " << r;
  const int steps[3] = {1, 5, 9};
  const double times[3] = {0.0, 5 * dt, 9 * dt};
  for (int o = 0; o < 3; ++o) {
    ASSERT_EQ(cov[3 + o].size(), 3u);
    EXPECT_NEAR(cov[3 + o][0], times[o], 1e-9);
    EXPECT_NEAR(cov[3 + o][1], theta(bA, steps[o]), 1e-11);
    EXPECT_NEAR(cov[3 + o][2], theta(bB, steps[o]), 1e-11);
  }
  // Flux file: the same header, then one line per species with the outflux
  // of each probe's wall point.
  const auto flx = readColumns("fluxstime-proc0.dat");
  ASSERT_EQ(flx.size(), 3u + 3 * 2);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(flx[r], header[r]);
  for (int o = 0; o < 3; ++o)
    for (int s = 0; s < 2; ++s) {
      const auto& row = flx[3 + 2 * o + s];
      ASSERT_EQ(row.size(), 3u);
      EXPECT_NEAR(row[0], times[o], 1e-9);
      EXPECT_NEAR(row[1], bA.out[s], 1e-11 * (1 + bA.out[s]));
      EXPECT_NEAR(row[2], bB.out[s], 1e-11 * (1 + bB.out[s]));
    }

  // The wafer-edge file lists every wall point once, sorted by position.
  destroy(law);
  const auto edge = readColumns("waferedge-proc0.dat");
  ASSERT_EQ(edge.size(), 2u);
  EXPECT_EQ(edge[0][0], 0.25);
  EXPECT_EQ(edge[1][0], 0.75);
  EXPECT_NEAR(edge[0][3], theta(bA, 9), 1e-11);
  EXPECT_NEAR(edge[1][3], theta(bB, 9), 1e-11);
}

// A run whose first wall evaluation comes after time 0 (a restart) starts
// every wall point at coverage 0 and writes its first output at once, every
// probe at that first point.
TEST_F(DvmTest, FirstWallEvaluationAfterTimeZero)
{
  auto law = build("two_species_2d.in", 2);
  std::vector<double> U = someState(law->K, 1.0), F(law->K);
  const mPoint p(0.6, 0, 0);
  ::testing::internal::CaptureStdout();
  law->boundaryFlux(kDown, 1001, p, U.data(), F.data(), 0.5);
  law->boundaryFlux(kDown, 1001, mPoint(0.2, 0, 0), U.data(), F.data(), 0.5);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(count(out, "completed\n"), 1);
  EXPECT_EQ(law->Tnext, 0.5 + 0.0625);
  EXPECT_EQ(law->coverage.at(p), 0.0);
  const auto cov = readColumns("covertime-proc0.dat");
  ASSERT_EQ(cov.size(), 4u);
  EXPECT_EQ(cov[0], (std::vector<double>{0.5, 0.6, 0.6}));
  EXPECT_EQ(cov[3], (std::vector<double>{0.0, 0.0, 0.0}));
  destroy(law);
}

// A coverage that turns negative is reported with the step's data; the run
// goes on with the negative value.
TEST_F(DvmTest, NegativeCoverageIsReported)
{
  auto law = build("two_species_2d.in", 2);
  law->gam1b = 1000.0;
  std::vector<double> U = someState(law->K, 1.0), F(law->K);
  const mPoint p(0.6, 0, 0);
  ::testing::internal::CaptureStdout();
  law->boundaryFlux(kDown, 1001, p, U.data(), F.data(), 0.0);
  law->boundaryFlux(kDown, 1001, p, U.data(), F.data(), 0.125);
  const std::string out = ::testing::internal::GetCapturedStdout();
  const Balance b = balance(*law, kDown, U, F);
  const double R1 = 0.6 * 0.5 * b.out[0] - 1000.0 * 0.4, R2 = 0.75 * 0.4 * b.out[1];
  const double expected = 0.4 + 0.125 * 2.0 * (R1 - R2);
  ASSERT_LT(expected, 0.0);
  EXPECT_NEAR(law->coverage.at(p), expected, 1e-12);
  EXPECT_NE(out.find("Error: theta negative: thetanew = "), std::string::npos) << out;
  EXPECT_NE(out.find("       dt =   1.2500000000000000e-01, prefac =   2.0000000000000000e+00\n"),
            std::string::npos);
  destroy(law);
}

// Output files that cannot be opened are reported and skipped; the wall
// state still advances and the run goes on.
TEST_F(DvmTest, UnwritableOutputFilesAreSkipped)
{
  for (const char* name : {"covertime-proc0.dat", "fluxstime-proc0.dat", "waferedge-proc0.dat"})
    std::filesystem::create_directory(name);
  std::string out;
  auto law = build("two_species_2d.in", 2, &out);
  EXPECT_NE(out.find("ScalarLawALE: problem opening file\n"), std::string::npos);
  EXPECT_NE(out.find("ScalarLawALE: problem opening file fidetas\n"), std::string::npos);
  std::vector<double> U = someState(law->K, 1.0), F(law->K);
  ::testing::internal::CaptureStdout();
  for (int m = 0; m <= 5; ++m)
    law->boundaryFlux(kDown, 1001, mPoint(0.5, 0, 0), U.data(), F.data(), m / 64.0);
  law.reset();
  out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(count(out, "completed\n"), 2);
  EXPECT_NE(out.find("I was called!\nproblem opening file\nScalarLawALE: finishing"),
            std::string::npos)
      << out;
}

using DvmWallDeathTest = DvmTest;

// The first output makes no "stopfile" check; the next one ends the run.
TEST_F(DvmWallDeathTest, StopfileEndsTheRunAtALaterOutput)
{
  auto law = build("two_species_2d.in", 2);
  std::ofstream("stopfile") << "stop\n";
  std::vector<double> U = someState(law->K, 1.0), F(law->K);
  EXPECT_EXIT(
      {
        dup2(2, 1);
        for (int m = 0; m <= 5; ++m) {
          law->boundaryFlux(kDown, 1001, mPoint(0.5, 0, 0), U.data(), F.data(), m / 64.0);
          if (m == 1) std::printf("first output passed\n");
        }
      },
      ::testing::ExitedWithCode(1),
      "first output passed.*ScalarLawALE: Fatal error: stopfile detected!");
  destroy(law);
}

TEST_F(DvmWallDeathTest, UnknownBoundaryAndThirdSpeciesOnTheWall)
{
  auto law = build("two_species_2d.in", 2);
  std::vector<double> U = someState(law->K, 1.0), F(law->K);
  EXPECT_EXIT(
      {
        dup2(2, 1);
        law->boundaryFlux(mVector(1, 0, 0), 7, mPoint(0.5, 0.25, 0), U.data(), F.data(), 0.5);
      },
      ::testing::ExitedWithCode(1),
      "ScalarLawALE: Fatal error:\nunable to identify boundary!\nBoundaryId =     7\n");
  destroy(law);

  install("two_species_2d.in", {{2, "3 11 2 2"}, {10, "0.3 0.25\n3.0 1.0\n0.2 0.5"}});
  auto three = std::make_unique<ScalarLawALE>();
  ::testing::internal::CaptureStdout();
  three->readScalarLawALE();
  three->setupScalarLawALE(2);
  ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(three->K, 48);
  std::vector<double> V = someState(three->K, 1.0), G(three->K);
  // Species 0 and 1 are returned by the wall; species 2 cannot be.
  EXPECT_EXIT(
      {
        dup2(2, 1);
        three->boundaryFlux(kDown, 1001, mPoint(0.5, 0, 0), V.data(), G.data(), 0.0);
      },
      ::testing::ExitedWithCode(1), "Fatal error: is not 0 or 1!");
  destroy(three);
}

}  // namespace
