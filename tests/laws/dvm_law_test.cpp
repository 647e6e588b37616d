// The discrete-velocity law through its parameter file, its set-up and the
// conservation-law interface: echo formats, the Maxwellian and initial state
// against their exact moments, the upwind flux, the inflow and specular walls.

#include "dvm_fixture.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using KORA::mPoint;
using KORA::mVector;

const double kX4a = 0.524647623275, kX4b = 1.650680123886;  // 4-point Hermite nodes

// Arbitrary positive state of the law's size.
std::vector<double> someState(int K)
{
  std::vector<double> U(K);
  for (int k = 0; k < K; ++k) U[k] = 1.0 + 0.5 * std::sin(1.7 * k + 0.3);
  return U;
}

// Normal flux of species s through the face: sum over its fields of qK MK F.
double speciesSum(const ScalarLawALE& law, int s, const std::vector<double>& F)
{
  const int block = law.K / law.nspecies;
  double sum = 0.0;
  for (int k = s * block; k < (s + 1) * block; ++k) sum += law.qK[k] * law.MK[k] * F[k];
  return sum;
}

double normalVelocity(const ScalarLawALE& law, int k, const mVector& n)
{
  return n(0) * law.A1[k] + n(1) * law.A2[k] + n(2) * law.A3[k];
}

TEST_F(DvmTest, ReadsAndEchoesParameterFile)
{
  install("two_species_2d.in");
  auto law = std::make_unique<ScalarLawALE>();
  ::testing::internal::CaptureStdout();
  law->readScalarLawALE();
  EXPECT_EQ(law->writeScalarLawALE(), 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "Reading input file param.in ...\n"
            "Done reading input file param.in ...\n"
            "ver = 2.000000\n"
            "nspecies =     2, iprob =    11, npoi =     2, iqint =     2\n"
            "K1 =     4,  K2 =     4,  K3 =     1\n"
            "Problem size: K =    32\n"
            "ndimpos =     2, ndimvel =     2, iveltype =     1\n"
            "xmin =   0.0000000000000000e+00, xmax =   1.0000000000000000e+00\n"
            "ymin =   0.0000000000000000e+00, ymax =   5.0000000000000000e-01\n"
            "zmin =   0.0000000000000000e+00, zmax =   0.0000000000000000e+00\n"
            "crefi  =   1.0000000000000000e+00, vrefi   =   1.0000000000000000e+00\n"
            "cini   =   8.0000000000000004e-01, ctopin  =   1.5000000000000000e+00\n"
            "crefi  =   2.0000000000000000e+00, vrefi   =   1.0000000000000000e+00\n"
            "cini   =   2.9999999999999999e-01, ctopin  =   2.5000000000000000e-01\n"
            "rreact =   1.0000000000000001e-01, gamma0  =   2.0000000000000001e-01\n"
            "gam1f  =   5.0000000000000000e-01, gam1b   =   2.5000000000000000e-01\n"
            "gam2f  =   7.5000000000000000e-01, gam2b   =   1.2500000000000000e-01\n"
            "theta0 =   4.0000000000000002e-01, prefac  =   2.0000000000000000e+00\n"
            "Point 0 = ( 0.2000000000000,  0.0000000000000,  0.0000000000000)\n"
            "Point 1 = ( 0.9000000000000,  0.0000000000000,  0.0000000000000)\n"
            "dtout  =   6.2500000000000000e-02, dtmovie =   5.0000000000000000e-01\n");
  EXPECT_EQ(law->K, 32);
  destroy(law);
}

TEST_F(DvmTest, SetUpReportListsNodesAndEnds)
{
  std::string out;
  auto law = build("two_species_2d.in", 2, &out);
  const std::string head = "Test output for v1, q1, M1: ------\n -2.33441 -0.741964 0.741964 2.33441\n";
  EXPECT_NE(out.find("Done reading input file param.in ...\n"), std::string::npos);
  EXPECT_NE(out.find(head), std::string::npos) << out;
  EXPECT_NE(out.find("            for v3, q3, M3: ------\n 0\n 6.28319\n 0.398942\n\n"),
            std::string::npos);
  EXPECT_NE(out.find("\njobsetmat =  0\n\n\n"), std::string::npos);
  const std::string tail = "End of test output ------------------\n";
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  destroy(law);
}

// The velocities are the scaled Hermite nodes, the Maxwellian of a species
// with thermal speed 1 is crefi times the product density MK (density crefi),
// and the initial state, cini times the Maxwellian, has the density
// cini crefi.
TEST_F(DvmTest, VelocitiesMaxwellianAndInitialState)
{
  struct Case { const char* file; int dim; double maxSpeed; };
  const double s2 = std::sqrt(2.0);
  for (const Case& c : {Case{"two_species_2d.in", 2, 2 * kX4b},
                        Case{"one_species_3d.in", 3, std::sqrt(2.0 + 2 * kX4b * kX4b)}}) {
    SCOPED_TRACE(c.file);
    auto law = build(c.file, c.dim);
    const int K = law->nbFields();
    ASSERT_EQ(K, law->nspecies * law->K1 * law->K2 * law->K3);
    EXPECT_NEAR(law->maximumEigenValue(nullptr, mPoint()), c.maxSpeed, 1e-11);
    const double nodes4[4] = {-kX4b, -kX4a, kX4a, kX4b};
    for (int k = 0; k < K; ++k) {
      if (law->K1 == 4) {
        EXPECT_NEAR(law->A1[k], s2 * nodes4[k % 4], 1e-11);
      }
      const int s = k / (K / law->nspecies);
      EXPECT_NEAR(law->feq[k], law->crefi[s] * law->MK[k], 1e-15 * law->crefi[s]) << k;
    }

    ASSERT_NE(law->getFarField(), nullptr);
    EXPECT_EQ(law->getFarField()->order(), 0);
    EXPECT_EQ(law->getExactField(), nullptr);
    std::vector<double> U0(K);
    law->getFarField()->eval(mPoint(0.3, 0.2, 0.1), 0.0, U0.data());
    for (int s = 0; s < law->nspecies; ++s) {
      const double expected = law->cini[s] * law->crefi[s];
      EXPECT_NEAR(law->speciesDensity(s, U0.data()), expected, 1e-14);
      double rho = 0.0;
      law->getIthFieldOfInterest(s, mPoint(), U0.data(), nullptr, &rho, 0.0);
      EXPECT_NEAR(rho, expected, 1e-14);
    }
    EXPECT_NEAR(law->jumpQuantity(U0.data(), nullptr), law->cini[0] * law->crefi[0], 1e-14);
    destroy(law);
  }
}

// 256 fields is the largest law; a Maxwellian of thermal speed 0.9 on the
// 16 x 16 nodes still has the density crefi to quadrature accuracy.
TEST_F(DvmTest, LargestVelocitySetHoldsItsDensity)
{
  auto law = build("wide_2d.in", 2);
  ASSERT_EQ(law->nbFields(), 256);
  EXPECT_NEAR(law->speciesDensity(0, law->feq.data()), 1.5, 1e-9);
  destroy(law);
}

TEST_F(DvmTest, FluxesSourceAndOutputFields)
{
  auto law = build("two_species_2d.in", 2);
  const int K = law->nbFields();
  const mPoint p(0.4, 0.2, 0.0);
  const std::vector<double> U = someState(K);

  std::vector<mVector> F(K);
  law->Fi(p, U.data(), F.data());
  std::vector<double> S(K, 7.0);
  law->RHS(U.data(), nullptr, p, S.data());
  for (int k = 0; k < K; ++k) {
    EXPECT_EQ(F[k](0), law->A1[k] * U[k]);
    EXPECT_EQ(F[k](1), law->A2[k] * U[k]);
    EXPECT_EQ(F[k](2), 0.0);
    EXPECT_EQ(S[k], 0.0) << "no collisions";
  }
  EXPECT_TRUE(law->isPhysical(U.data()));
  mVector a;
  law->characteristicVectorField(p, 0.0, U.data(), nullptr, a);
  EXPECT_EQ(a(0), law->A1[0]);
  EXPECT_EQ(a(1), law->A2[0]);

  // Output fields: two densities, then the 32 distribution values.
  ASSERT_EQ(law->getNbFieldsOfInterest(), 2 + 32);
  struct Name { int i; const char* name; };
  for (const Name& c : {Name{0, "s1"}, Name{1, "s2"}, Name{2, "f1"}, Name{33, "f32"},
                        Name{34, "keep"}, Name{-1, "keep"}}) {
    std::string name = "keep";
    int size = 0;
    law->getNameAndSize(c.i, size, name);
    EXPECT_EQ(name, c.name) << c.i;
    EXPECT_EQ(size, 1);
  }
  double v = -1.0;
  law->getIthFieldOfInterest(2 + 5, p, U.data(), nullptr, &v, 0.0);
  EXPECT_EQ(v, U[5]);
  v = -1.0;
  law->getIthFieldOfInterest(34, p, U.data(), nullptr, &v, 0.0);
  EXPECT_EQ(v, -1.0) << "unknown index writes nothing";
  destroy(law);
}

// Upwind flux: FL = FR (conservation), the upstream value of every field, and
// the physical normal flux when both states agree.
TEST_F(DvmTest, UpwindFluxIsConservativeAndConsistent)
{
  auto law = build("one_species_3d.in", 3);
  const int K = law->nbFields();
  const std::vector<double> UL = someState(K);
  std::vector<double> UR(K);
  for (int k = 0; k < K; ++k) UR[k] = 2.0 - 0.3 * k;
  for (mVector n : {mVector(1, 0, 0), mVector(0, -1, 0), mVector(0.6, 0.0, -0.8),
                    mVector(1 / std::sqrt(3.0), 1 / std::sqrt(3.0), -1 / std::sqrt(3.0))}) {
    std::vector<double> FL(K), FR(K), GL(K), GR(K);
    law->riemannSolver(n, mPoint(), UL.data(), UR.data(), FL.data(), FR.data());
    law->riemannSolver(n, mPoint(), UL.data(), UL.data(), GL.data(), GR.data());
    for (int k = 0; k < K; ++k) {
      const double vn = normalVelocity(*law, k, n);
      EXPECT_EQ(FL[k], FR[k]);
      EXPECT_NEAR(FL[k], vn * (vn > 0 ? UL[k] : UR[k]), 1e-14);
      mVector f;
      law->Fi(k, mPoint(), UL.data(), f);
      EXPECT_NEAR(GL[k], f * n, 1e-14);
    }
  }
  destroy(law);
}

// Specular walls, by tag or by the box side the point lies on: whatever the
// state, each species' net normal flux vanishes, and outflow fields keep
// their own value.
TEST_F(DvmTest, SpecularWallsCarryNoMass)
{
  struct Case { const char* file; int dim; int tag; mPoint p; mVector n; };
  const Case cases[] = {
      {"two_species_2d.in", 2, 1003, mPoint(0.5, 0.25, 0), mVector(1, 0, 0)},
      {"two_species_2d.in", 2, 7, mPoint(0.0, 0.25, 0), mVector(-1, 0, 0)},
      {"two_species_2d.in", 2, 1004, mPoint(0.0, 0.25, 0), mVector(-1, 0, 0)},  // x side wins
      {"two_species_2d.in", 2, 7, mPoint(1.0, 0.3, 0), mVector(1, 0, 0)},
      {"two_species_2d.in", 2, 1004, mPoint(0.5, 0.0, 0), mVector(0, -1, 0)},
      {"two_species_2d.in", 2, 1004, mPoint(0.5, 0.2, 0), mVector(0, 1, 0)},
      {"one_species_3d.in", 3, 7, mPoint(0.2, -1.0, 0.3), mVector(0, -1, 0)},
      {"one_species_3d.in", 3, 7, mPoint(0.2, 1.0, 0.3), mVector(0, 1, 0)},
      {"one_species_3d.in", 3, 1003, mPoint(0.2, 0.1, 0.3), mVector(-1, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.file << " tag " << c.tag << " at (" << c.p.x() << ", "
                                      << c.p.y() << ", " << c.p.z() << ")");
    auto law = build(c.file, c.dim);
    const int K = law->nbFields();
    std::vector<double> U = someState(K), F(K);
    law->boundaryFlux(c.n, c.tag, c.p, U.data(), F.data(), 0.5);
    double scale = 0.0;
    for (int k = 0; k < K; ++k) {
      const double vn = normalVelocity(*law, k, c.n);
      scale += std::fabs(law->qK[k] * law->MK[k] * F[k]);
      if (vn >= 0) {
        EXPECT_NEAR(F[k], vn * U[k], 1e-15);
      }
    }
    for (int s = 0; s < law->nspecies; ++s) EXPECT_NEAR(speciesSum(*law, s, F), 0.0, 1e-14 * scale);
    destroy(law);
  }
}

// Fixed inflow, by tag 1002 or on the top side (y = ymax in 2-D, z = zmax in
// 3-D, before the x sides): the inflow fields are ctopin times the Maxwellian,
// so an interior state at that Maxwellian sees its own physical flux.
TEST_F(DvmTest, TopInflowIsTheMaxwellianAtCtopin)
{
  struct Case { const char* file; int dim; int tag; mPoint p; mVector n; };
  const Case cases[] = {
      {"two_species_2d.in", 2, 1002, mPoint(0.5, 0.2, 0), mVector(0, 1, 0)},
      {"two_species_2d.in", 2, 7, mPoint(0.5, 0.5, 0), mVector(0, 1, 0)},
      {"two_species_2d.in", 2, 7, mPoint(0.0, 0.5, 0), mVector(-1, 0, 0)},  // corner
      {"one_species_3d.in", 3, 7, mPoint(0.0, 0.0, 1.0), mVector(0, 0, 1)},
      {"one_species_3d.in", 3, 1002, mPoint(0.0, 0.0, 0.0), mVector(0.6, 0.8, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.file << " tag " << c.tag);
    auto law = build(c.file, c.dim);
    const int K = law->nbFields(), block = K / law->nspecies;
    std::vector<double> U = someState(K), F(K), M(K), G(K);
    law->boundaryFlux(c.n, c.tag, c.p, U.data(), F.data(), 0.5);
    for (int k = 0; k < K; ++k) {
      const double vn = normalVelocity(*law, k, c.n);
      const double top = law->ctopin[k / block] * law->feq[k];
      EXPECT_NEAR(F[k], vn * (vn < 0 ? top : U[k]), 1e-14) << k;
      M[k] = top;
    }
    law->boundaryFlux(c.n, c.tag, c.p, M.data(), G.data(), 0.5);
    for (int k = 0; k < K; ++k) EXPECT_NEAR(G[k], normalVelocity(*law, k, c.n) * M[k], 1e-14);
    destroy(law);
  }
}

// One field: the velocity (0, -1/64, 0), and every inflow takes the far-field
// value cini whatever the boundary.
TEST_F(DvmTest, SingleFieldInflowTakesTheFarField)
{
  auto law = build("one_field.in", 2);
  ASSERT_EQ(law->nbFields(), 1);
  EXPECT_EQ(law->feq[0], 1.0);
  EXPECT_EQ(law->A2[0], -1.0 / 64);
  EXPECT_EQ(law->maximumEigenValue(nullptr, mPoint()), 1.0 / 64);
  double U = 3.0, F = 0.0;
  EXPECT_EQ(law->jumpQuantity(&U, nullptr), 3.0);
  for (int tag : {1001, 1002, 1003, 1004}) {
    law->boundaryFlux(mVector(0, 1, 0), tag, mPoint(0.5, 0.3, 0), &U, &F, 0.0);
    EXPECT_DOUBLE_EQ(F, -0.7 / 64) << tag;
    law->boundaryFlux(mVector(0, -1, 0), tag, mPoint(0.5, 0.3, 0), &U, &F, 0.0);
    EXPECT_DOUBLE_EQ(F, 3.0 / 64) << "outflow, tag " << tag;
  }
  // A tangential face: no flux at all.
  law->boundaryFlux(mVector(1, 0, 0), 7, mPoint(0.5, 0.3, 0), &U, &F, 0.0);
  EXPECT_EQ(F, 0.0);
  destroy(law);
}

}  // namespace
