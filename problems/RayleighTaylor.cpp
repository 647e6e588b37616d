#include "RayleighTaylor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "DGAnalysis.h"
#include "DGGmshSensor.h"
#include "DGParameters.h"
#include "Euler.h"
#include "FieldRegistry.h"

using KORA::mPoint;

namespace {
constexpr double kPi = 3.141592653589793;
}

void RT1::eval(const mPoint &p, double, double *values) const {
  const double y = p.y();
  double rho, pres;
  if (y < 0.0) {
    rho = 1.0;
    pres = 2.0 - y;
  } else {
    rho = (1.0 + atwoodNumber) / (1.0 - atwoodNumber);
    pres = 2.0 - 2.0 * y;
  }
  const double a = 0.1 * std::sqrt(0.7);
  const double b = -a * 6.0 * 0.0625;
  const double e = modeCount == 1 ? 6.0 : 1000.0;
  const double X = (dim == 3 || axisymmetric == 1) ? p.x() - 0.125 : p.x();
  const double Z = p.z() - 0.125;
  const double cy = std::cos(kPi * y);
  const double envelope = std::pow(cy, e);
  const double envelope1 = cy * std::pow(cy, e - 1.0);
  double u = 0.0, v = 0.0, w = 0.0;
  for (int k = firstMode; k <= lastMode; ++k) {
    const double al = amplitude[k];
    const double tx = 8.0 * kPi * k * X;
    const double tz = 8.0 * kPi * k * Z;
    v += al * a * std::cos(tx) * std::cos(tz) * envelope;
    const double du = al * b * std::sin(tx) * std::cos(tx) * envelope1;
    u += du;
    if (dim == 3) w += du;
  }
  values[0] = rho;
  values[1] = rho * u;
  values[2] = rho * v;
  values[3] = pres / 0.4 + 0.5 * rho * (u * u + v * v + w * w);
  if (dim == 3) values[4] = rho * w;
}

RT1 *createRayleighTaylorField(int dim, int nummodes, short axisymmetric) {
  if (nummodes > RT1::kMaxMode || nummodes < -RT1::kMaxMode)
    throw std::string("Rayleigh-Taylor set-up: ") + std::to_string(nummodes) +
        " modes asked, at most " + std::to_string(RT1::kMaxMode) + " are supported";
  RT1 *rt = keepField<RT1>();
  rt->atwoodNumber = 0.333333333333;
  rt->modeCount = nummodes;
  rt->axisymmetric = axisymmetric;
  rt->firstMode = 1;
  rt->lastMode = nummodes;
  if (nummodes < 0) {
    rt->lastMode = -nummodes;
    rt->firstMode = -nummodes / 2;
  }
  std::srand(314);
  double largest = 0.0;
  for (int k = rt->firstMode; k <= rt->lastMode; ++k) {
    rt->amplitude[k] = 1.0;
    if (rt->modeCount != 1) {
      const double sign = (std::rand() % 2) ? -1.0 : 1.0;
      const int r = std::rand() % 1000;
      rt->amplitude[k] = r * 0.5 * 0.001 * sign;
    }
    largest = std::max(largest, std::fabs(rt->amplitude[k]));
  }
  // No modes (or only zero draws): nothing to normalise.
  if (largest > 0.0)
    for (int k = rt->firstMode; k <= rt->lastMode; ++k) rt->amplitude[k] /= largest;
  rt->dim = dim == 3 ? 3 : 2;
  return rt;
}

ConservationLaw *createRayleighTaylor(int dim, int tag, int nummodes, short axisymmetric) {
  std::map<int, bc> bcs;
  bcs.emplace(tag, bc(1));
  RT1 *rt = createRayleighTaylorField(dim, nummodes, axisymmetric);
  if (dim == 3) return new Euler3dRoe(false, bcs, rt, true, 1.4, 287.0, nullptr, nullptr);
  return new Euler2d(false, bcs, rt, true, axisymmetric != 0, 1.4, 287.0, 2, nullptr, nullptr);
}

void CreateSensorRayleighTaylor(DGAnalysis *analysis, DGParameters &params) {
  for (int field : {0, 1, 9}) {
    auto *gmsh = new DGGmshSensor("rt", params.general.outputDt, false);
    gmsh->enable_field_of_interest(field, true);
    analysis->addSensor(gmsh);
  }
}
