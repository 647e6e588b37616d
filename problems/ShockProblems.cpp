#include "ShockProblems.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "Euler.h"
#include "FieldRegistry.h"

using KORA::mPoint;

namespace {
constexpr double kPi = 3.141592653589793;
// Momentum component of coordinate 0, 1, 2 in the Euler state layouts.
constexpr int kMomentum[3] = {1, 2, 4};
}  // namespace

TravellingShock::TravellingShock(int dim, double mach, double angleDegrees, double g)
    : dimension(dim), M(mach), gamma(g), p1(1.0), rho1(1.4) {
  rho2 = 1.4 * (gamma + 1.0) * M * M / ((gamma - 1.0) * M * M + 2.0);
  p2 = (2.0 * gamma * M * M - (gamma - 1.0)) / (gamma + 1.0);
  const double c = std::sqrt(gamma / 1.4);
  s = c * M;
  u2 = s * (1.0 - rho1 / rho2);
  alpha = angleDegrees * kPi / 180.0;
  if (dimension == 3) {
    ix = 2;
    iy = 1;
    iz = 0;
    x0 = -5.25;
  } else {
    ix = 0;
    iy = 1;
    iz = 2;
    x0 = 0.1666;
  }
  std::printf("%f %f %f %f %f %f %f\n", rho2, p2, s, u2, c, angleDegrees, s * std::sin(alpha));
}

void TravellingShock::sideState(const mPoint &p, double t, double &rho, double &pres,
                                double &u) const {
  const double xs = x0 + t * s / std::sin(alpha);
  const double d = p[iy] - (p[ix] - xs) * std::tan(alpha);
  if (d < 0.0) {
    rho = rho1;
    pres = p1;
    u = 0.0;
  } else {  // on or behind the shock line, and when d is not a number
    rho = rho2;
    pres = p2;
    u = u2;
  }
}

void TravellingShock::eval(const mPoint &p, double t, double *values) const {
  double rho, pres, u;
  sideState(p, t, rho, pres, u);
  values[0] = rho;
  values[kMomentum[ix]] = rho * u * std::sin(alpha);
  values[kMomentum[iy]] = -rho * u * std::cos(alpha);
  values[3] = pres / (gamma - 1.0) + 0.5 * rho * u * u;
  // The gas moves in the (ix, iy) plane: no momentum along the third axis,
  // which keeps the energy consistent with the momenta.
  if (dimension == 3) values[kMomentum[iz]] = 0.0;
}

void ShockHitsABubble::eval(const mPoint &p, double t, double *values) const {
  double rho, pres, u;
  sideState(p, t, rho, pres, u);
  if (p.x() - 0.5 - 0.1 * std::cos(2.0 * kPi * (p.y() - 1.0)) > 0.0) rho *= 3.0;
  values[0] = rho;
  values[1] = rho * u;
  values[2] = 0.0;
  values[3] = pres / (gamma - 1.0) + 0.5 * rho * u * u;
  if (dimension == 3) values[4] = 0.0;
}

ConservationLaw *createOutflowLaw(int dimension, double mach, double angle, int wallTag,
                                  int exactRiemann) {
  std::map<int, bc> bcs;
  bcs.emplace(wallTag, bc(1));
  for (int tag = 1000; tag <= 20000; tag += 1000) bcs.emplace(tag, bc(1));
  for (int tag : {10002, 10003, 10005, 10007, 10008}) bcs.emplace(tag, bc(1));

  FieldEvaluator *shock = keepField<TravellingShock>(dimension, mach, angle, 1.4);
  if (dimension == 3) return new Euler3d(false, bcs, shock, false, 1.4, 287.0, nullptr, nullptr);
  if (exactRiemann)
    return new Euler2dExactRiemann(false, bcs, shock, false, false, 1.4, 222.0, 2, nullptr,
                                   nullptr);
  return new Euler2d(false, bcs, shock, false, false, 1.4, 222.0, 2, nullptr, nullptr);
}

ConservationLaw *createRichtmayerMeshkovLaw(int dimension, double mach, double gamma) {
  std::map<int, bc> bcs;
  bcs.emplace(200, bc(1));
  FieldEvaluator *field = keepField<ShockHitsABubble>(dimension, mach, 90.0, gamma);
  if (dimension == 3) return new Euler3d(false, bcs, field, false, 1.4, 287.0, nullptr, nullptr);
  return new Euler2dExactRiemann(false, bcs, field, false, false, 1.4, 287.42857142857144, 2,
                                 nullptr, nullptr);
}
