#include "Muzzle.h"

#include <cmath>
#include <map>

#include "DGParameters.h"
#include "Euler.h"
#include "FieldRegistry.h"

using KORA::mPoint;

void MuzzleInit::eval(const mPoint &p, double t, double *values) const {
  double s, r, L;
  if (mode == 3) {
    s = -p.z();
    r = std::sqrt(p.x() * p.x() + p.y() * p.y());
    L = 5.159130562336003;
  } else if (mode == 2) {
    s = p.y();
    r = std::fabs(p.x());
    L = 8.2573;
  } else {
    s = 0.0;
    r = 0.0;
    L = 8.37;
  }
  double P = 60133000.0 - 6577000.0 * s / 8.37;
  double U = 934.82 * s / 8.37;
  double rho = P / 430710.0;
  if (!(t <= 0.0 && r < 0.0545 && s < L)) {
    rho = 1.2092436519545249;
    U = 0.0;
    P = 100000.0;
  }
  const double energy = P / 0.4 + 0.5 * rho * U * U;
  values[0] = rho;
  if (mode == 3) {
    // The tube's axis is -z: its momentum is the z component, with the sign
    // of the axial direction.
    values[1] = 0.0;
    values[2] = 0.0;
    values[3] = energy;
    values[4] = -rho * U;
  } else if (mode == 2) {
    values[1] = 0.0;
    values[2] = rho * U;
    values[3] = energy;
  } else {
    values[1] = rho * U;
    values[2] = 0.0;
    values[3] = energy;
  }
}

ConservationLaw *createMuzzleLaw(int dim, DGParameters &params) {
  std::map<int, bc> bcs;
  bcs.emplace(200, bc(1));
  FieldEvaluator *field = keepField<MuzzleInit>(dim);
  if (dim == 3) return new Euler3d(false, bcs, field, false, 1.4, 287.0, nullptr, nullptr);
  return new Euler2dExactRiemann(false, bcs, field, false, params.general.axi != 0, 1.4,
                                 287.42857142857144, 2, nullptr, nullptr);
}
