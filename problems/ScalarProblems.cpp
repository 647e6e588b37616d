#include "ScalarProblems.h"

#include <cmath>
#include <iostream>
#include <string>

#include "BurgersLaw.h"
#include "FieldRegistry.h"
#include "ScalarLaw.h"

using KORA::mPoint;
using KORA::mVector;

namespace {
constexpr double kPi = 3.141592653589793;
}

const char *const kScalarLawQuestion = "do you want scalar law (1) or a d (2)  axi(3) ? : ";

void ConstantScalar::eval(const mPoint &, double, double *values) const { values[0] = value; }

void ConstantVector::eval(const mPoint &, double, double *values) const {
  values[0] = value.x();
  values[1] = value.y();
  values[2] = value.z();
}

void HeavisideX::eval(const mPoint &p, double, double *values) const {
  values[0] = p.x() >= x0 ? 1.0 : 0.0;
}

void HeavisideY::eval(const mPoint &p, double, double *values) const {
  values[0] = p.y() >= y0 ? 1.0 : 0.0;
}

void Velocity_Field::eval(const mPoint &p, double, double *values) const {
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += b * std::cos(2.0 * kPi * i * p.x());
  values[0] = a;
  values[1] = sum;
  values[2] = 0.0;
}

void Comp2_Field::eval(const mPoint &p, double, double *values) const {
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += b * std::sin(2.0 * kPi * i * p.x());
  values[0] = sum;
}

void Exact1::eval(const mPoint &p, double, double *values) const {
  if (a == 0.0)
    values[0] = p.x();
  else
    values[0] = (1.0 - std::exp(a * p.x())) / (1.0 - std::exp(a));
}

void Exact1::evalGrad(const mPoint &p, double, mVector *gradients) const {
  if (a == 0.0)
    gradients[0] = mVector(1.0, 0.0, 0.0);
  else
    gradients[0] = mVector(-a * std::exp(a * p.x()) / (1.0 - std::exp(a)), 0.0, 0.0);
}

void Source1::eval(const mPoint &, double, double *values) const { values[0] = 0.0; }

void CaseOne::eval(const mPoint &p, double t, double *values) const {
  double v = 0.0;
  if (t > 0.0 && p.x() < 0.01) {
    if (p.y() > 0.5)
      v = 1.0;
    else if (p.y() < 0.5)
      v = -1.0;
  }
  values[0] = v;
}

void CaseTwo::eval(const mPoint &, double t, double *values) const {
  values[0] = t > 0.0 ? 1.0 : 0.0;
}

void ExactOne::eval(const mPoint &p, double, double *values) const { values[0] = p.y(); }

void ExactAxi::eval(const mPoint &p, double, double *values) const {
  values[0] = (p.x() * p.x() - 1.0) / 2.0;
}

void ExactAxi::evalGrad(const mPoint &p, double, mVector *gradients) const {
  gradients[0] = mVector(p.x(), 0.0, 0.0);
}

void OneOverR::eval(const mPoint &p, double, double *values) const {
  values[0] = 1.0 / p.x();
  values[1] = 0.0;
  values[2] = 0.0;
}

void ExactBurgers::eval(const mPoint &p, double, double *values) const {
  const double x = p.x(), y = p.y();
  if (y < 0.0001) {
    values[0] = 0.5 + 0.5 * std::sin(kPi * x);
    return;
  }
  // w = 2u - 1 solves w = sin(pi (s - h w)) on the symmetric side s >= 0.
  const double h = 0.5 * y;
  const double s = std::fabs(x - h);
  double a = -1.5, b = 1.5, w = 0.0;
  for (int it = 0; it < 50; ++it) {
    const double d = 0.5 * (b - a);
    const double m = a + d;
    const double fm = m - std::sin(kPi * (s - h * m));
    const double fa = a - std::sin(kPi * (s - h * a));
    w = m;
    if (fm == 0.0 || d < 5e-15) break;
    if (fa * fm > 0.0)
      a = m;
    else
      b = m;
  }
  if (x - 0.5 * y < 0.0) w = -w;
  values[0] = 0.5 + 0.5 * w;
}

void InitBurgers::eval(const mPoint &p, double t, double *values) const {
  if (t < 0.01)
    values[0] = 0.0;
  else
    values[0] = (p.x() >= 0.0 && p.y() < 0.1) ? 1.0 : -1.0;
}

ConservationLaw *createScalarLaw(double alpha, int nummodes) {
  return createScalarLaw(alpha, nummodes, std::cin, std::cout);
}

ConservationLaw *createScalarLaw(double alpha, int nummodes, std::istream &in, std::ostream &out) {
  out << kScalarLawQuestion << std::flush;
  int answer = 0;
  if (!(in >> answer))
    throw std::string(
        "scalar advection set-up: expected an integer answer (1, -1, 2, 3, 4 or another "
        "integer) on standard input");

  switch (answer) {
    case 3:
      return new ScalarLaw(keepField<ConstantScalar>(0.0), keepField<OneOverR>(),
                           keepField<ExactAxi>());
    case 1:
      return new ScalarLaw(keepField<CaseOne>(), keepField<ConstantVector>(mVector(1, 1, 0)),
                           keepField<ExactOne>());
    case -1:
      return new ScalarLaw(keepField<CaseTwo>(), keepField<ConstantVector>(mVector(0, 1, 0)),
                           keepField<ExactOne>());
    case 2:
      return new advectionDiffusion(keepField<HeavisideX>(0.51),
                                    keepField<ConstantVector>(mVector(1, 0, 0)),
                                    keepField<Exact1>(alpha), keepField<Source1>(), alpha);
    case 4:
      return new advectionDiffusion(keepField<HeavisideY>(10.0),
                                    keepField<Velocity_Field>(10.0, 1.0, nummodes),
                                    keepField<ConstantScalar>(0.0),
                                    keepField<Comp2_Field>(0.0, -1.0, nummodes), alpha);
    default:
      return new advectionDiffusion(keepField<HeavisideY>(0.01),
                                    keepField<ConstantVector>(mVector(1, 2, 0)),
                                    keepField<Exact1>(alpha), keepField<ConstantScalar>(0.0),
                                    alpha);
  }
}

ConservationLaw *createBurgersLaw(int) {
  FieldEvaluator *velocity = keepField<ConstantVector>(mVector(1, 0, 0));
  FieldEvaluator *exact = keepField<ExactBurgers>();
  return new BurgersLaw(exact, velocity, exact);
}
