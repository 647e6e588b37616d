#include "NavierStokesProblems.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "FieldRegistry.h"
#include "NavierStokes.h"

using KORA::mPoint;

namespace {
constexpr double kPi = 3.141592653589793;
}

void PipeFlow1::eval(const mPoint &, double, double *values) const {
  const double a = angle * kPi / 180.0;
  values[0] = 1.0;
  values[1] = std::cos(a);
  values[2] = std::sin(a);
  values[3] = 1.0 / (1.96 * M) / 0.4 + 0.5;
  // The stream lies in the x-y plane: no z momentum, so that the energy's
  // unit kinetic part matches the momenta.
  if (dim == 3) values[4] = 0.0;
}

void DD1::eval(const mPoint &p, double t, double *values) const {
  const double x = p.x(), y = p.y();
  double A = 0.0, B = 0.0;
  if (t == 0.0) {
    const double r2 = x * x + y * y;
    const double theta = std::atan2(y, x);
    A = 0.02 * std::exp(-10.0 * r2) * std::sin(theta);
    B = -0.02 * std::exp(-10.0 * r2) * std::cos(theta);
  }
  const double pressure = ((1.0 - y) * q / 0.4) * 0.4;
  values[0] = 1.0;
  values[1] = A;
  values[2] = B;
  values[3] = pressure / 0.4 + 0.5 * (A * A + B * B);
  values[4] = dim == 3 ? 0.0 : 1.5 + y;
}

ConservationLaw *createNavierStokesLaw(int dimension, double mach, double angle, double prandtl,
                                       double reynolds) {
  std::map<int, bc> bcs;
  FieldEvaluator *field = keepField<PipeFlow1>(mach, angle, dimension);
  ConservationLaw *law;
  if (dimension == 3)
    law = new NavierStokes3d(field, bcs, 1.4, prandtl, reynolds);
  else
    law = new NavierStokes2d(field, bcs, 1.4, prandtl, reynolds);
  std::printf("Re %lf Pr %lf Mach %lf an %lf\n", reynolds, prandtl, mach, angle);
  return law;
}

ConservationLaw *createNaturalConvectionLaw(int dimension, double quorl, double prandtl,
                                            bool semi) {
  std::map<int, bc> bcs;
  FieldEvaluator *field = keepField<DD1>(quorl, dimension == 3 ? 3 : 2);
  if (dimension == 3)
    return new NavierStokes3d(semi, 1.4, bcs, field, true, false, quorl, prandtl);
  return new NavierStokes2d(semi, 1.4, bcs, field, true, false, quorl, prandtl);
}
