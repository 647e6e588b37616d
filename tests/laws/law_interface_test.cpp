// The defaults of the conservation-law interface, through a small law that
// provides only the required operations.

#include <cstring>

#include "law_helpers.h"

using namespace lawtest;

namespace {

// Two fields with a nonlinear flux:
//   field 0: (a + 2b, a b, 0), field 1: (3a, b^2, a^2 b)
// and a numerical flux that records its right state.
class TwoFieldLaw : public ConservationLaw {
public:
  explicit TwoFieldLaw(FieldEvaluator *far) { farField = far; }
  int nbFields() const override { return 2; }
  void Fi(int i, const mPoint &, const double *U, mVector &f) const override {
    const double a = U[0], b = U[1];
    if (i == 0) f.set(a + 2 * b, a * b, 0);
    if (i == 1) f.set(3 * a, b * b, a * a * b);
  }
  void Fi(const mPoint &p, const double *U, mVector *f) const override {
    Fi(0, p, U, f[0]);
    Fi(1, p, U, f[1]);
  }
  void RHS(const double *, const mVector *, const mPoint &, double *S) const override {
    S[0] = S[1] = 0;
  }
  // Central flux, so the default boundary flux can be predicted.
  void riemannSolver(const mVector &n, const mPoint &p, const double *UL, const double *UR,
                     double *FL, double *FR) const override {
    for (int k = 0; k < 2; ++k) {
      mVector l, r;
      Fi(k, p, UL, l);
      Fi(k, p, UR, r);
      FL[k] = FR[k] = 0.5 * (dot(l, n) + dot(r, n));
    }
    lastRight[0] = UR[0];
    lastRight[1] = UR[1];
    lastRight[2] = UR[2];
  }
  double maximumEigenValue(const double *, const mPoint &) const override { return 1; }
  int getNbFieldsOfInterest() const override { return 0; }
  void getNameAndSize(int, int &, std::string &) const override {}
  void getIthFieldOfInterest(int, const mPoint &, const double *, const mVector *, double *,
                             double) const override {}
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const mVector *) const override { return U[0]; }
  void characteristicVectorField(const mPoint &, double, const double *, const mVector *,
                                 mVector &v) const override {
    v.set(0, 0, 0);
  }
  mutable double lastRight[3] = {};
};

}  // namespace

TEST(LawInterface, JacobianIsTheForwardDifferenceOfTheFluxAndRestoresTheState) {
  auto far = constantField({0, 0});
  TwoFieldLaw law(&far);
  const double a = 1.3, b = -0.7;
  double U[2] = {a, b};
  mVector row0[2], row1[2];
  mVector *J[2] = {row0, row1};
  law.JacobianOfFluxes(mPoint(), U, J);
  EXPECT_EQ(U[0], a);  // bit for bit
  EXPECT_EQ(U[1], b);
  // Exact derivatives: J[i][j] = d(flux of field j) / d(variable i).
  const mVector exact[2][2] = {{mVector(1, b, 0), mVector(3, 0, 2 * a * b)},
                               {mVector(2, a, 0), mVector(0, 2 * b, a * a)}};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(J[i][j][c], exact[i][j][c], 1e-5) << i << j << c;
}

TEST(LawInterface, DefaultBoundaryFluxUsesTheFarFieldWhateverTheTag) {
  LambdaField far([](const mPoint &p, double t, double *v) {
    v[0] = p.x() + t;
    v[1] = 2.0;
  });
  TwoFieldLaw law(&far);
  const mVector n = unit(0.6, 0.8, 0);
  const mPoint x(0.5, 1, 0);
  double U[2] = {1.0, 0.25};
  const double t = 3.0;
  const double Uout[3] = {0.5 + t, 2.0, 0.0};
  double FL[2], FR[2];
  law.riemannSolver(n, x, U, Uout, FL, FR);
  for (int tag : {0, 7, 100, -3}) {
    double F[2] = {};
    law.boundaryFlux(n, tag, x, U, F, t);
    EXPECT_DOUBLE_EQ(F[0], FL[0]) << tag;
    EXPECT_DOUBLE_EQ(F[1], FL[1]) << tag;
    EXPECT_EQ(far.lastTime, t);
    EXPECT_EQ(law.lastRight[2], 0.0);  // the far state is followed by zeros
  }
  EXPECT_EQ(U[0], 1.0);
  EXPECT_EQ(U[1], 0.25);
}

TEST(LawInterface, DefaultBoundaryFluxWithoutFarFieldIsRefused) {
  TwoFieldLaw law(nullptr);
  double U[2] = {1, 1}, F[2];
  EXPECT_THROW(law.boundaryFlux(mVector(1, 0, 0), 1, mPoint(), U, F, 0), std::string);
}

TEST(LawInterface, CharacteristicConversionsCopyExactlyTheFields) {
  TwoFieldLaw law(nullptr);
  const double con[3] = {1.5, -2.25, 99};
  double chr[3] = {0, 0, -7};
  double back[3] = {0, 0, -8};
  law.Con2Char(con, chr);
  law.Char2Con(chr, back);
  EXPECT_EQ(chr[0], 1.5);
  EXPECT_EQ(back[0], 1.5);
  EXPECT_EQ(back[1], -2.25);
  EXPECT_EQ(chr[2], -7);  // nothing past nbFields
  EXPECT_EQ(back[2], -8);
}

TEST(LawInterface, MissingOperationsThrowTheirIntegers) {
  TwoFieldLaw law(nullptr);
  double U[2] = {1, 1};
  mVector G[2], F[2], force;
  const auto code = [](auto f) {
    try {
      f();
    } catch (int c) {
      return c;
    }
    return -1;
  };
  EXPECT_EQ(code([&] { law.Fv(mPoint(), U, G, F); }), 0);
  EXPECT_EQ(code([&] { law.restorePhysical(U); }), 1);
  EXPECT_EQ(code([&] { law.ForceField2d(mPoint(), 0, U, G, force); }), 1);
  EXPECT_EQ(code([&] { law.ForceField3d(mPoint(), 0, U, G, force); }), 1);
  auto far = constantField({1});
  EXPECT_EQ(code([&] { far.FieldEvaluator::evalGrad(mPoint(), 0, G); }), 1);

  EXPECT_FALSE(law.isViscous());
  EXPECT_FALSE(law.needTheHigherOrderGradients());
  for (int tag : {0, 100, 500}) EXPECT_FALSE(law.essentialBoundaryCondition(0, tag));
  EXPECT_EQ(law.getExactField(), nullptr);
  EXPECT_EQ(law.getFarField(), nullptr);
}
