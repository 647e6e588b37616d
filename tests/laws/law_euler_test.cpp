// Euler laws through the conservation-law interface: fluxes, numerical-flux
// consistency and conservation, upwinding, boundary conditions by the bc map,
// sources, wave speeds, admissibility and repair, output fields and forces.

#include <functional>
#include <map>
#include <memory>

#include "DGParameters.h"
#include "Euler.h"
#include "GlobalParamManager.h"
#include "law_helpers.h"

using namespace lawtest;

namespace {

const double kGamma = 1.4;

using Maker = std::function<Euler *(const std::map<int, bc> &, FieldEvaluator *)>;

struct LawKind {
  const char *name;
  int dim;
  Maker make;
};

const LawKind kLaws[] = {
    {"Euler2d (Roe)", 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f) -> Euler * {
       return new Euler2d(false, m, f, false, false, kGamma, 287, 2, nullptr, nullptr);
     }},
    {"Euler2dExactRiemann", 2,
     [](const std::map<int, bc> &m, FieldEvaluator *f) -> Euler * {
       return new Euler2dExactRiemann(false, m, f, false, false, kGamma, 287, 2, nullptr, nullptr);
     }},
    {"Euler3d (exact)", 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f) -> Euler * {
       return new Euler3d(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
    {"Euler3dRoe", 3,
     [](const std::map<int, bc> &m, FieldEvaluator *f) -> Euler * {
       return new Euler3dRoe(false, m, f, false, kGamma, 287, nullptr, nullptr);
     }},
};

// Conservative state from density, velocity and pressure in the law's order.
std::vector<double> state(int dim, double rho, double u, double v, double w, double p) {
  const double E = p / (kGamma - 1) + 0.5 * rho * (u * u + v * v + (dim == 3 ? w * w : 0));
  if (dim == 2) return {rho, rho * u, rho * v, E};
  return {rho, rho * u, rho * v, E, rho * w};
}

std::vector<double> flux(const ConservationLaw &law, const std::vector<double> &UL,
                         const std::vector<double> &UR, const mVector &n, std::vector<double> *FRout = nullptr) {
  const int m = law.nbFields();
  std::vector<double> FL(m), FR(m);
  law.riemannSolver(n, mPoint(0.1, 0.2, 0.3), UL.data(), UR.data(), FL.data(), FR.data());
  if (FRout) *FRout = FR;
  return FL;
}

SimulationState &runState() { return GlobalParamManager::Instance()->parameters->state; }

}  // namespace

TEST(Euler, InviscidFluxOfKnownStates) {
  std::unique_ptr<Euler> l2(kLaws[0].make({}, nullptr)), l3(kLaws[2].make({}, nullptr));
  // 2-D: rho 2, u 1, v 2, p 2 (E = 10).
  const double U2[4] = {2, 2, 4, 10};
  mVector F[5];
  l2->Fi(mPoint(), U2, F);
  const double e2[4][3] = {{2, 4, 0}, {4, 4, 0}, {4, 10, 0}, {12, 24, 0}};
  for (int i = 0; i < 4; ++i)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(F[i][c], e2[i][c], 1e-14) << i << c;
  // 3-D: rho 2, (u, v, w) = (1, 2, 3), E = 20, p = 2.4.
  const double U3[5] = {2, 2, 4, 20, 6};
  l3->Fi(mPoint(), U3, F);
  const double e3[5][3] = {{2, 4, 6}, {4.4, 4, 6}, {4, 10.4, 12}, {22.4, 44.8, 67.2}, {6, 12, 20.4}};
  for (int i = 0; i < 5; ++i)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(F[i][c], e3[i][c], 1e-13) << i << c;
  EXPECT_DOUBLE_EQ(computeP2d(U2, kGamma), 2.0);
  EXPECT_DOUBLE_EQ(computeP3d(U3, kGamma), 2.4);
  mVector one;
  EXPECT_THROW(l2->Fi(0, mPoint(), U2, one), int);
  EXPECT_THROW(l3->Fi(0, mPoint(), U3, one), int);
}

TEST(Euler, NumericalFluxesAreConsistentAndConservative) {
  const mVector normals[] = {mVector(1, 0, 0), unit(0.6, -0.8, 0), unit(-1, 2, 0), unit(1, 2, 3),
                             mVector(0, 0, 1)};
  for (const LawKind &k : kLaws) {
    SCOPED_TRACE(k.name);
    std::unique_ptr<Euler> law(k.make({}, nullptr));
    for (const mVector &n : normals) {
      if (k.dim == 2 && n.z() != 0) continue;
      const auto U = state(k.dim, 1.3, 0.4, -0.7, 0.2, 2.1);
      expectNear(flux(*law, U, U, n), normalFlux(*law, U.data(), n), 1e-13, "consistency");
      // Distinct states: one flux for both sides.
      const auto V = state(k.dim, 0.6, -0.3, 0.5, -0.1, 0.9);
      std::vector<double> FR;
      const auto FL = flux(*law, U, V, n, &FR);
      for (std::size_t j = 0; j < FL.size(); ++j) EXPECT_EQ(FL[j], FR[j]);
    }
  }
}

TEST(Euler, SupersonicFlowsTakeTheUpwindFlux) {
  for (const LawKind &k : kLaws) {
    SCOPED_TRACE(k.name);
    std::unique_ptr<Euler> law(k.make({}, nullptr));
    const mVector n = k.dim == 2 ? unit(0.6, 0.8, 0) : unit(1, -2, 2);
    const mVector t = k.dim == 2 ? mVector(0.8, -0.6, 0) : unit(2, 1, 0);
    // Normal speeds well above the sound speeds (about 1.2) on both sides.
    auto moving = [&](double rho, double un, double ut, double p) {
      const mVector v = n * un + t * ut;
      return state(k.dim, rho, v.x(), v.y(), v.z(), p);
    };
    const auto A = moving(1.0, 4.0, 0.5, 1.0), B = moving(0.8, 3.5, -0.2, 0.7);
    expectNear(flux(*law, A, B, n), normalFlux(*law, A.data(), n), 1e-12, "to the right");
    const auto C = moving(1.0, -4.0, 0.5, 1.0), D = moving(0.8, -3.5, -0.2, 0.7);
    expectNear(flux(*law, C, D, n), normalFlux(*law, D.data(), n), 1e-12, "to the left");
  }
}

TEST(Euler, BoundaryConditionsChosenByTheMap) {
  auto far = constantField({0.9, 0.1, -0.2, 2.5, 0.3});
  const std::map<int, bc> bcs = {{1, bc(1)}, {2, bc(2)}, {3, bc(3)}, {4, bc(4)}, {10, bc(0)}, {11, bc(5)}};
  for (const LawKind &k : kLaws) {
    SCOPED_TRACE(k.name);
    if (k.dim == 2) {
      // A 2-D map with type 3 needs a time function: checked below.
      std::map<int, bc> m2 = bcs;
      m2.erase(3);
      std::unique_ptr<Euler> law(k.make(m2, &far));
      const mVector n = unit(0.6, 0.8, 0);
      auto U = state(2, 1.2, 0.3, -0.4, 0, 1.5);
      const double p = 1.5;
      const std::vector<double> wall = {0, p * n.x(), p * n.y(), 0};
      for (int tag : {1, 10, 11, 99}) {  // type 1, 0, 5 and a tag missing from the map
        std::vector<double> F(4);
        law->boundaryFlux(n, tag, mPoint(), U.data(), F.data(), 0);
        expectNear(F, wall, 1e-14, "wall tag " + std::to_string(tag));
      }
      std::vector<double> F(4);
      law->boundaryFlux(mVector(1, 0, 0), 2, mPoint(), U.data(), F.data(), 0);
      expectNear(F, normalFlux(*law, U.data(), mVector(1, 0, 0)), 1e-14, "interior flux");
      law->boundaryFlux(n, 4, mPoint(), U.data(), F.data(), 0);
      const std::vector<double> Uf = {0.9, 0.1, -0.2, 2.5, 0, 0, 0, 0};
      expectNear(F, flux(*law, U, Uf, n), 1e-14, "far field");
    } else {
      std::unique_ptr<Euler> law(k.make(bcs, &far));
      const mVector n = unit(1, 2, 2);
      auto U = state(3, 1.2, 0.3, -0.4, 0.5, 1.5);
      const double p = 1.5;
      const std::vector<double> wall = {0, p * n.x(), p * n.y(), 0, p * n.z()};
      for (int tag : {1, 3, 10, 11, 99}) {  // type 3 is a wall in three dimensions
        std::vector<double> F(5);
        law->boundaryFlux(n, tag, mPoint(), U.data(), F.data(), 0);
        expectNear(F, wall, 1e-14, "wall tag " + std::to_string(tag));
      }
      std::vector<double> F(5);
      law->boundaryFlux(mVector(1, 0, 0), 2, mPoint(), U.data(), F.data(), 0);
      expectNear(F, normalFlux(*law, U.data(), mVector(1, 0, 0)), 1e-14, "interior flux");
      law->boundaryFlux(n, 4, mPoint(), U.data(), F.data(), 0);
      std::vector<double> Uf = {0.9, 0.1, -0.2, 2.5, 0.3};
      expectNear(F, flux(*law, U, Uf, n), 1e-14, "far field");
    }
  }
}

TEST(Euler, EmptyMapMakesEveryFaceFarFieldAndPublishesTheInteriorState) {
  double seen[5];
  LambdaField far([&](const mPoint &, double, double *v) {
    const SimulationState &s = runState();
    seen[0] = s.Density;
    seen[1] = s.Pressure;
    seen[2] = s.VX;
    seen[3] = s.VY;
    seen[4] = s.VZ;
    const double W[5] = {1, 0.2, 0.1, 2.6, -0.1};
    for (int i = 0; i < 5; ++i) v[i] = W[i];
  });
  for (const LawKind &k : kLaws) {
    SCOPED_TRACE(k.name);
    std::unique_ptr<Euler> law(k.make({}, &far));
    auto U = state(k.dim, 2.0, 0.5, -1.5, 0.25, 3.0);
    runState().VZ = 123;
    for (int tag : {0, 1, 4, 500}) {
      std::vector<double> F(k.dim + 2);
      far.calls = 0;
      law->boundaryFlux(mVector(0, 1, 0), tag, mPoint(), U.data(), F.data(), 0.5);
      EXPECT_EQ(far.calls, 1);
      EXPECT_EQ(far.lastTime, 0.5);
      std::vector<double> W = {1, 0.2, 0.1, 2.6, -0.1};
      W.resize(k.dim + 2);
      W.resize(4 * (k.dim + 2), 0.0);
      expectNear(F, flux(*law, U, W, mVector(0, 1, 0)), 1e-14);
    }
    EXPECT_DOUBLE_EQ(seen[0], 2.0);
    EXPECT_NEAR(seen[1], 3.0, 1e-14);
    EXPECT_DOUBLE_EQ(seen[2], 0.5);
    EXPECT_DOUBLE_EQ(seen[3], -1.5);
    EXPECT_DOUBLE_EQ(seen[4], k.dim == 3 ? 0.25 : 0.0);
  }
}

namespace {
struct ScaledState : Fonctionoftime {
  void eval(double t, double *U) const override {
    U[0] = 1 * t;
    U[1] = 0.5 * t;
    U[2] = 0.25 * t;
    U[3] = 3 * t;
  }
};
}  // namespace

TEST(Euler, TimeDependentConditionInTwoDimensions) {
  ScaledState tf;
  const std::map<int, bc> m = {{3, bc(3)}};
  Euler2d law(false, m, nullptr, false, false, kGamma, 287, 2, nullptr, &tf);
  const mVector n = unit(0.6, 0.8, 0);
  auto U = state(2, 1.2, 0.3, -0.4, 0, 1.5);
  const auto before = U;
  std::vector<double> F(4);
  law.boundaryFlux(n, 3, mPoint(), U.data(), F.data(), 2.0);
  EXPECT_EQ(U, before);  // the face state is not overwritten
  // State (2, 1, 0.5, 6) at t = 2 with the interior pressure 1.5.
  const double rho = 2, u = 0.5, v = 0.25, E = 6, p = 1.5;
  const double un = u * n.x() + v * n.y();
  const std::vector<double> expected = {rho * un, rho * u * un + p * n.x(), rho * v * un + p * n.y(),
                                        (E + p) * un};
  expectNear(F, expected, 1e-14);

  EXPECT_THROW(Euler2d(false, m, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr), std::string);
  EXPECT_THROW(Euler2dExactRiemann(false, m, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr),
               std::string);
  EXPECT_NO_THROW(Euler3d(false, m, nullptr, false, kGamma, 287, nullptr, nullptr));
}

TEST(Euler, SourceTerms) {
  struct Case {
    int dim;
    bool gravity, axi;
    std::vector<double> U;
    mPoint x;
    std::vector<double> S;
  } cases[] = {
      {2, true, false, {1, 0, 2, 5}, mPoint(), {0, 0, -1, 0}},
      {2, false, false, {1, 0, 2, 5}, mPoint(), {0, 0, 0, 0}},
      {2, false, true, {1, 0, 0, 2.5}, mPoint(2, 7, 0), {0, 0.5, 0, 0}},  // p = 1 at radius 2
      {2, true, true, {3, 0, 0, 2.5}, mPoint(4, 0, 0), {0, 0.25, -3, 0}},
      {3, true, false, {1, 0, 2, 5, 0}, mPoint(), {0, 0, -1, -2, 0}},
      {3, false, false, {1, 0, 2, 5, 0}, mPoint(), {0, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    std::unique_ptr<Euler> law;
    if (c.dim == 2)
      law.reset(new Euler2d(false, {}, nullptr, c.gravity, c.axi, kGamma, 287, 2, nullptr, nullptr));
    else
      law.reset(new Euler3d(false, {}, nullptr, c.gravity, kGamma, 287, nullptr, nullptr));
    std::vector<double> S(c.U.size(), 99.0);
    law->RHS(c.U.data(), nullptr, c.x, S.data());
    expectNear(S, c.S, 1e-14);
  }
}

TEST(Euler, WaveSpeedsAndTheirMessages) {
  std::unique_ptr<Euler> l2(kLaws[0].make({}, nullptr)), l3(kLaws[2].make({}, nullptr));
  const auto r2 = state(2, 1, 0, 0, 0, 1), m2 = state(2, 2, 3, 4, 0, 1);
  EXPECT_DOUBLE_EQ(l2->maximumEigenValue(r2.data(), mPoint()), std::sqrt(1.4));
  EXPECT_DOUBLE_EQ(l2->maximumEigenValue(m2.data(), mPoint()), 5 + std::sqrt(0.7));
  const auto m3 = state(3, 2, 1, 2, 2, 1);
  EXPECT_DOUBLE_EQ(l3->maximumEigenValue(m3.data(), mPoint()), 3 + std::sqrt(0.7));

  double value = -1;
  const double bad2[4] = {1, 0, 0, -1};
  EXPECT_EQ(captured([&] { value = l2->maximumEigenValue(bad2, mPoint()); }), "unphysical pressure\n");
  EXPECT_EQ(value, 0);
  const double bad3[5] = {1, 0, 0, -1, 0};
  EXPECT_EQ(captured([&] { value = l3->maximumEigenValue(bad3, mPoint()); }),
            "non physical pressure rho =(1.000000) rhou = (0.000000) rhov=(0.000000) "
            "rhow=(0.000000) rhoe = (-1.000000) p=-0.400000\n");
  EXPECT_EQ(value, 0);
}

TEST(Euler, AdmissibilityTest) {
  std::unique_ptr<Euler> l2(kLaws[0].make({}, nullptr)), l3(kLaws[2].make({}, nullptr));
  struct Case {
    std::vector<double> U;
    bool ok;
  } cases[] = {
      {{1, 0.5, 0.5, 2}, true},   {{-1, 0, 0, 2}, false},     {{1, 3, 0, 2}, false},
      {{0, 0, 0, 1}, true},       {{1, 0, 0, 0}, true},       {{1, 0, 0, -0.1}, false},
      {{1, 0.5, 0.5, 2, 0.5}, true}, {{1, 0, 0, 2, 3}, false}, {{-0.5, 0, 0, 2, 0}, false},
  };
  for (const Case &c : cases) {
    const Euler &law = c.U.size() == 4 ? *l2 : *l3;
    EXPECT_EQ(law.isPhysical(c.U.data()), c.ok) << c.U[0] << " " << c.U[1] << " " << c.U[3];
  }
}

TEST(Euler, RepairOfInadmissibleStates) {
  std::unique_ptr<Euler> l2(kLaws[0].make({}, nullptr)), l3(kLaws[2].make({}, nullptr));
  auto pressure = [](const std::vector<double> &U) {
    return U.size() == 4 ? computeP2d(U.data(), kGamma) : computeP3d(U.data(), kGamma);
  };
  char line[128];

  // Admissible: unchanged and silent.
  for (std::vector<double> U : {std::vector<double>{1, 0.5, 0.5, 2}, std::vector<double>{1, 0.5, 0.5, 2, 0.5}}) {
    const auto before = U;
    const Euler &law = U.size() == 4 ? *l2 : *l3;
    EXPECT_EQ(captured([&] { law.restorePhysical(U.data()); }), "");
    EXPECT_EQ(U, before);
  }
  // Negative density: a different floor in each dimension.
  std::vector<double> d2 = {-1, 0, 0, 5}, d3 = {-1, 0, 0, 5, 0};
  EXPECT_EQ(captured([&] { l2->restorePhysical(d2.data()); }), "");
  EXPECT_EQ(captured([&] { l3->restorePhysical(d3.data()); }), "");
  EXPECT_EQ(d2[0], 0.01);
  EXPECT_EQ(d3[0], 0.001);

  // Negative energy with momentum: floored energy, momentum scaled so that the
  // kinetic energy is 0.9995 E.
  std::vector<double> e2 = {1, 0.5, 0, -2};
  const std::string out2 = captured([&] { l2->restorePhysical(e2.data()); });
  std::snprintf(line, sizeof line,
                "Euler2d::restorePhysical : Q[3] = -2.000000\n"
                "Euler2d::restorePhysical : pressure %12.5E -> %12.5E\n",
                -0.85, pressure(e2));
  EXPECT_EQ(out2, line);
  EXPECT_EQ(e2[3], 0.001);
  EXPECT_NEAR(0.5 * (e2[1] * e2[1] + e2[2] * e2[2]) / e2[0], 0.9995 * 0.001, 1e-15);
  EXPECT_TRUE(l2->isPhysical(e2.data()));

  std::vector<double> e3 = {1, 0.5, 0, -2, 0.5};
  const std::string out3 = captured([&] { l3->restorePhysical(e3.data()); });
  std::snprintf(line, sizeof line,
                "Euler3d::restorePhysical : Q[3] = -2.000000\n"
                "Euler3d::restorePhysical :: pressure %12.5E -> %12.5E\n",
                0.4 * (0.001 - 0.25), pressure(e3));
  EXPECT_EQ(out3, line);
  EXPECT_NEAR(0.5 * (e3[1] * e3[1] + e3[4] * e3[4]) / e3[0], 0.9995 * 0.001, 1e-15);

  // Small momentum: the 2-D repair scales it (its pressure test comes before
  // the energy floor), the 3-D repair does not.
  std::vector<double> s2 = {1, 0.01, 0, -2}, s3 = {1, 0.01, 0, -2, 0};
  captured([&] {
    l2->restorePhysical(s2.data());
    l3->restorePhysical(s3.data());
  });
  EXPECT_NE(s2[1], 0.01);
  EXPECT_EQ(s3[1], 0.01);

  // A 2-D state at rest with negative pressure: no scaling, no NaN.
  std::vector<double> rest = {1, 0, 0, -1};
  captured([&] { l2->restorePhysical(rest.data()); });
  EXPECT_EQ(rest, (std::vector<double>{1, 0, 0, 0.001}));
  EXPECT_TRUE(l2->isPhysical(rest.data()));
}

TEST(Euler, PublishedStateAndSimpleQueries) {
  std::unique_ptr<Euler> l2(kLaws[0].make({}, nullptr)), l3(kLaws[2].make({}, nullptr));
  const double U2[4] = {2, 2, 4, 10}, U3[5] = {2, 2, 4, 20, 6};
  SimulationState &s = runState();
  s.VZ = 55;
  l2->setSpecifics(U2, nullptr);
  EXPECT_EQ(s.Density, 2);
  EXPECT_DOUBLE_EQ(s.Pressure, 2);
  EXPECT_EQ(s.VX, 1);
  EXPECT_EQ(s.VY, 2);
  EXPECT_EQ(s.VZ, 0);
  l3->setSpecifics(U3, nullptr);
  EXPECT_EQ(s.VZ, 3);
  EXPECT_DOUBLE_EQ(s.Pressure, 2.4);

  EXPECT_EQ(l2->jumpQuantity(U2, nullptr), 2);
  mVector v;
  l3->characteristicVectorField(mPoint(), 0, U3, nullptr, v);
  EXPECT_EQ(v.x(), 2);
  EXPECT_EQ(v.y(), 4);
  EXPECT_EQ(v.z(), 6);
  l2->characteristicVectorField(mPoint(), 0, U2, nullptr, v);
  EXPECT_EQ(v.z(), 0);
  double chr[4] = {7, 7, 7, 7};
  l2->Con2Char(U2, chr);
  EXPECT_EQ(chr[0], 7);  // no-op in the Euler laws
  EXPECT_FALSE(l2->needTheHigherOrderGradients());
  Euler2d withGradients(true, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
  EXPECT_TRUE(withGradients.needTheHigherOrderGradients());
}

// ---------------------------------------------------------------- output fields

TEST(EulerFields, NamesSizesAndCount) {
  auto exact = constantField({1, 0, 0, 2.5, 0});
  Euler2d without(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
  Euler3d with(false, {}, nullptr, false, kGamma, 287, &exact, nullptr);
  EXPECT_EQ(without.getNbFieldsOfInterest(), 10);
  EXPECT_EQ(with.getNbFieldsOfInterest(), 11);
  const char *names[] = {"density",  "momemtum", "energy",      "density_velocity", "vorticity", "mach",
                         "velocity", "pressure", "temperature", "dens-z",           "dens-exactdens"};
  const int sizes[] = {1, 3, 1, 2, 1, 1, 3, 1, 1, 2, 1};
  for (int i = 0; i < 11; ++i) {
    int size = 0;
    std::string name;
    without.getNameAndSize(i, size, name);
    EXPECT_EQ(name, names[i]);
    EXPECT_EQ(size, sizes[i]);
  }
  for (int i : {-1, 11}) {
    int size = -5;
    std::string name = "keep";
    with.getNameAndSize(i, size, name);
    EXPECT_EQ(size, -5);
    EXPECT_EQ(name, "keep");
    double out[3] = {-9, -9, -9};
    const double U[5] = {1, 0, 0, 2.5, 0};
    with.getIthFieldOfInterest(i, mPoint(), U, nullptr, out, 0);
    EXPECT_EQ(out[0], -9);
  }
}

TEST(EulerFields, ValuesInTwoAndThreeDimensions) {
  // The exact field equals the state U3 below everywhere.
  auto exact = constantField({2, 2, 4, 20, 6});
  Euler2d l2(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
  Euler3d l3(false, {}, nullptr, false, kGamma, 287, &exact, nullptr);
  const mPoint x(3, 4, 5);
  const double U2[4] = {2, 2, 4, 10};     // u = (1, 2), p = 2
  const double U3[5] = {2, 2, 4, 20, 6};  // u = (1, 2, 3), p = 2.4
  mVector G[5];
  struct Row {
    int i;
    std::vector<double> v2, v3;
  } rows[] = {
      {0, {2}, {2}},
      {1, {2, 4, 0}, {2, 4, 6}},
      {2, {10}, {20}},
      {3, {2, std::sqrt(5.0)}, {2, std::sqrt(14.0)}},
      {4, {0}, {0}},
      {5, {std::sqrt(5.0) / std::sqrt(1.4)}, {std::sqrt(14.0) / std::sqrt(1.4 * 1.2)}},
      {6, {1, 2, 0}, {1, 2, 3}},
      {7, {2}, {2.4}},
      {8, {2 / (2 * 287.0)}, {2.4 / (2 * 287.0)}},
      {9, {2, 4}, {2, 4}},
      {10, {0}, {0}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.i);
    std::vector<double> o2(r.v2.size()), o3(r.v3.size());
    l2.getIthFieldOfInterest(r.i, x, U2, G, o2.data(), 0);
    l3.getIthFieldOfInterest(r.i, x, U3, G, o3.data(), 0);
    expectNear(o2, r.v2, 1e-14);
    expectNear(o3, r.v3, 1e-14);
  }
  // Solid-body rotation u = -y, v = x at density 1: vorticity u_y - v_x = -2.
  const double R[4] = {1, 0.3, -0.2, 5};
  G[0] = mVector(0, 0, 0);
  G[1] = mVector(0, -1, 0);
  G[2] = mVector(1, 0, 0);
  double w = 0;
  l2.getIthFieldOfInterest(4, x, R, G, &w, 0);
  EXPECT_DOUBLE_EQ(w, -2);
  // At rest the Mach number is 0.
  const double rest[4] = {1, 0, 0, 2.5};
  double mach = -1;
  l2.getIthFieldOfInterest(5, x, rest, G, &mach, 0);
  EXPECT_EQ(mach, 0);
}

TEST(EulerFields, ParticleForceIsThePressureGradient) {
  // A state varying linearly in space; the force must be the derivative of
  // the pressure along each direction.
  const double U0[5] = {1.5, 0.3, -0.6, 4.0, 0.2};
  const double dU[3][5] = {{0.1, 0.2, -0.1, 0.3, 0.05}, {-0.2, 0.1, 0.4, -0.5, 0.1}, {0.05, -0.3, 0.2, 0.1, -0.2}};
  mVector G[5];
  for (int f = 0; f < 5; ++f) G[f] = mVector(dU[0][f], dU[1][f], dU[2][f]);
  auto pAt = [&](int dim, int dir, double h) {
    double U[5];
    for (int f = 0; f < 5; ++f) U[f] = U0[f] + h * dU[dir][f];
    return dim == 2 ? computeP2d(U, kGamma) : computeP3d(U, kGamma);
  };
  const double h = 1e-5;
  for (bool gravity : {false, true}) {
    Euler2d l2(false, {}, nullptr, gravity, false, kGamma, 287, 2, nullptr, nullptr);
    Euler3d l3(false, {}, nullptr, gravity, kGamma, 287, nullptr, nullptr);
    mVector f2, f3;
    l2.ForceField2d(mPoint(), 0, U0, G, f2);
    l3.ForceField3d(mPoint(), 0, U0, G, f3);
    const double g = gravity ? 9.8 : 0.0;
    for (int dir = 0; dir < 3; ++dir) {
      const double d2 = (pAt(2, dir, h) - pAt(2, dir, -h)) / (2 * h);
      const double d3 = (pAt(3, dir, h) - pAt(3, dir, -h)) / (2 * h);
      if (dir < 2) {
        EXPECT_NEAR(f2[dir], d2 - (dir == 1 ? g : 0), 1e-8) << dir;
      }
      EXPECT_NEAR(f3[dir], d3 - (dir == 1 ? g : 0), 1e-8) << dir;
    }
    EXPECT_EQ(f2.z(), 0);
  }
  // Uniform state with gravity.
  Euler2d l2(false, {}, nullptr, true, false, kGamma, 287, 2, nullptr, nullptr);
  mVector zero[5], f;
  l2.ForceField2d(mPoint(), 0, U0, zero, f);
  EXPECT_EQ(f.x(), 0);
  EXPECT_EQ(f.y(), -9.8);
  EXPECT_EQ(f.z(), 0);
}

namespace {

// The batched flux calls give, point for point, what the per-point calls
// give, for the law itself and for a derived law with its own solver; the
// volume pass skips points and sources only where the law has none.
TEST(Euler, BatchedFluxesMatchThePointCalls) {
  struct FacePoint {  // laid out like the solver's face points
    mPoint x;
    mVector n;
    double pad;
  };
  const FacePoint pts[3] = {{mPoint(0.1, 0.2, 0), mVector(1, 0, 0), 0},
                            {mPoint(0.3, 0.1, 0), mVector(0.6, 0.8, 0), 0},
                            {mPoint(0.5, 0.7, 0), mVector(0, -1, 0), 0}};
  // Three points' states, left and right interleaved (stride 8).
  const double states[3][8] = {{1, 0.2, -0.1, 2.5, 0.9, 0.1, 0.3, 2.2},
                               {1.2, -0.4, 0.3, 3.1, 1.1, 0.5, -0.2, 2.9},
                               {0.8, 0.0, 0.6, 2.0, 0.7, 0.2, 0.4, 1.8}};
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<Euler> law(kLaws[kind].make({}, nullptr));
    SCOPED_TRACE(kLaws[kind].name);
    ConservationLaw::FacePoints fp;
    fp.count = 3;
    fp.normal = &pts[0].n;
    fp.point = &pts[0].x;
    fp.stride = sizeof(FacePoint);
    fp.UL = states[0];
    fp.UR = states[0] + 4;
    fp.stateStride = 8;
    double FL[12], FR[12];
    law->riemannFluxes(fp, FL, FR);
    mVector F[12];
    const mPoint X[3] = {pts[0].x, pts[1].x, pts[2].x};
    law->fluxesAt(3, X, states[0], 8, F);
    for (int k = 0; k < 3; ++k) {
      double fl[4], fr[4];
      law->riemannSolver(pts[k].n, pts[k].x, states[k], states[k] + 4, fl, fr);
      mVector f[4];
      law->Fi(pts[k].x, states[k], f);
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(FL[4 * k + i], fl[i]);
        EXPECT_EQ(FR[4 * k + i], fr[i]);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(F[4 * k + i][c], f[i][c]);
      }
    }
  }
  // Which volume terms need the points or a source.
  struct Terms {
    bool gravity, axi, points, source;
  };
  for (const Terms &t : {Terms{false, false, false, false}, Terms{true, false, false, true},
                         Terms{false, true, true, true}}) {
    Euler2d law(false, {}, nullptr, t.gravity, t.axi, kGamma, 287, 2, nullptr, nullptr);
    EXPECT_EQ(law.volumeTermsNeedPoints(), t.points) << t.gravity << t.axi;
    EXPECT_EQ(law.hasSource(), t.source) << t.gravity << t.axi;
  }
  // The exact-flux gas has the gas's own fluxes and sources; a law derived
  // from either gas with fluxes of its own does not skip anything.
  Euler2dExactRiemann exact(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
  EXPECT_FALSE(exact.volumeTermsNeedPoints());
  EXPECT_FALSE(exact.hasSource());
  struct OwnFlux : Euler2dExactRiemann {
    using Euler2dExactRiemann::Euler2dExactRiemann;
    void Fi(const mPoint &p, const double *U, mVector *F) const override { Euler2d::Fi(p, U, F); }
  };
  OwnFlux derived(false, {}, nullptr, false, false, kGamma, 287, 2, nullptr, nullptr);
  EXPECT_TRUE(derived.volumeTermsNeedPoints());
  EXPECT_TRUE(derived.hasSource());
  // In three dimensions likewise: the source only with gravity.
  for (int kind = 2; kind < 4; ++kind) {
    std::unique_ptr<Euler> law(kLaws[kind].make({}, nullptr));
    EXPECT_FALSE(law->volumeTermsNeedPoints()) << kLaws[kind].name;
    EXPECT_FALSE(law->hasSource()) << kLaws[kind].name;
  }
  Euler3d heavy(false, {}, nullptr, true, kGamma, 287, nullptr, nullptr);
  EXPECT_FALSE(heavy.volumeTermsNeedPoints());
  EXPECT_TRUE(heavy.hasSource());
  struct OwnFlux3d : Euler3d {
    using Euler3d::Euler3d;
    void Fi(const mPoint &p, const double *U, mVector *F) const override { Euler3d::Fi(p, U, F); }
  };
  OwnFlux3d derived3(false, {}, nullptr, false, kGamma, 287, nullptr, nullptr);
  EXPECT_TRUE(derived3.volumeTermsNeedPoints());
  EXPECT_TRUE(derived3.hasSource());
}

}  // namespace
