#include "IsentropicVortex.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>

#include "DGAnalysis.h"
#include "DGParameters.h"
#include "DGGmshSensor.h"
#include "Euler.h"
#include "FieldRegistry.h"
#include "GlobalParamManager.h"
#include "SensorKinds.h"

using KORA::mPoint;

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
// Output field of the Euler laws with an exact field: density minus exact density.
constexpr int kDensityErrorField = 10;
}  // namespace

void isentropicVortexState(double X, double Y, double beta, double gamma, double tInf,
                           double uInf, double vInf, double *values) {
  const double f = 1.0 - (X * X + Y * Y);
  const double u = uInf - beta * Y * std::exp(f / 2.0) / kTwoPi;
  const double v = vInf + beta * X * std::exp(f / 2.0) / kTwoPi;
  const double T = tInf - (gamma - 1.0) * beta * beta * std::exp(f) / (8.0 * gamma * kPi * kPi);
  const double rho = std::pow(T, 1.0 / (gamma - 1.0));
  const double p = std::pow(rho, gamma);
  values[0] = rho;
  values[1] = rho * u;
  values[2] = rho * v;
  values[3] = p / (gamma - 1.0) + 0.5 * rho * (u * u + v * v);
}

bool isentropicVortexPeriodicImage(const mPoint &p, mPoint &image) {
  double x = p.x(), y = p.y();
  const double lo = -5.0 + kPeriodicTolerance, hi = 5.0 - kPeriodicTolerance;
  if (x <= lo)
    x = 5.0;
  else if (x >= hi)
    x = -5.0;
  else if (y <= lo)
    y = 5.0;
  else if (y >= hi)
    y = -5.0;
  else
    return false;
  image = mPoint(std::clamp(x, -5.0, 5.0), std::clamp(y, -5.0, 5.0), p.z());
  return true;
}

void IsentropicVortex::eval(const mPoint &p, double t, double *values) const {
  if (t <= 1e-15) {
    isentropicVortexState(p.x(), p.y(), strength, gamma, tInf, uInf, vInf, values);
    return;
  }
  mPoint image;
  if (!isentropicVortexPeriodicImage(p, image)) {
    std::cerr << "isentropic vortex: the far field is asked at (" << p.x() << ", " << p.y()
              << "), which is not on the boundary of the square [-5, 5]^2\n";
    throw 1;
  }
  DGAnalysis *analysis = GlobalParamManager::Instance()->analysis;
  if (!analysis || !analysis->eval(image, values, nullptr, nullptr)) {
    std::cerr << "isentropic vortex: no cell contains the periodic image (" << image.x() << ", "
              << image.y() << ") of the boundary point (" << p.x() << ", " << p.y() << ")\n";
    throw 1;
  }
}

void IsentropicVortexExact::eval(const mPoint &p, double t, double *values) const {
  double X = p.x() - t * uInf;
  double Y = p.y() - t * vInf;
  X -= 10.0 * std::trunc((X - 5.0) / 10.0);
  Y -= 10.0 * std::trunc((Y - 5.0) / 10.0);
  isentropicVortexState(X, Y, strength, gamma, tInf, uInf, vInf, values);
}

ConservationLaw *createIsentropicVortex() {
  FieldEvaluator *far = keepField<IsentropicVortex>();
  FieldEvaluator *exact = keepField<IsentropicVortexExact>();
  const std::map<int, bc> bcs;
  return new Euler2dExactRiemann(false, bcs, far, false, false, 1.4, 287.0, 2, exact, nullptr);
}

void CreateSensorIsentropicVortex(DGAnalysis *analysis, DGParameters &params) {
  const double T = params.time.tend;
  // Built in this order (each constructor prepares its file), added below
  // in the order in which they are sampled.
  DGSensor *linf = makeNormSensor("LinfNorm.plt", 2, 0.1 * T, kDensityErrorField);
  DGSensor *l1 = makeNormSensor("L1Norm.plt", 0, 0.1 * T, kDensityErrorField);
  DGSensor *mass = makeNormSensor("Mass.plt", 0, 0.1 * T, 0);
  DGSensor *momentum = makeNormSensor("Momentum.plt", 0, 0.1 * T, 1);
  DGSensor *energy = makeNormSensor("Energie.plt", 0, 0.1 * T, 2);
  DGSensor *mesh = makeTecplotMesh("IsentropicVertex.plt", 0.05 * T);
  DGSensor *line = makeLineSensorTecplot("CenterLine.plt", mPoint(-5, 0, 0), mPoint(5, 0, 0), 900,
                                         2.0, "IsentropicVertexCenterLine");
  for (DGSensor *s : {mesh, line, energy, mass, momentum, l1, linf})
    if (s) analysis->addSensor(s);
  // Gmsh views of the density and of its error, at the output period (none
  // when the period is not positive).
  const double period = params.general.outputDt;
  if (period > 0.0) {
    auto *gmsh = new DGGmshSensor("vortex", period, false);
    for (int field : {0, kDensityErrorField}) gmsh->enable_field_of_interest(field, true);
    analysis->addSensor(gmsh);
  }
}
