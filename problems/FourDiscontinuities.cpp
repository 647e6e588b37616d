#include "FourDiscontinuities.h"

#include <iostream>
#include <map>

#include "DGAnalysis.h"
#include "DGGmshSensor.h"
#include "DGParameters.h"
#include "Euler.h"
#include "FieldRegistry.h"

using KORA::mPoint;

namespace {
void writeState(double rho, double u, double v, double p, double *values) {
  values[0] = rho;
  values[1] = rho * u;
  values[2] = rho * v;
  values[3] = p / 0.4 + 0.5 * rho * (u * u + v * v);
}
}  // namespace

void FourShock::eval(const mPoint &pt, double, double *values) const {
  const bool right = pt.x() > 0.5, upper = pt.y() > 0.5;
  if (right && upper)
    writeState(1.5, 0.0, 0.0, 1.5, values);
  else if (upper)
    writeState(0.5323, 1.206, 0.0, 0.3, values);
  else if (!right)
    writeState(0.138, 1.206, 1.206, 0.029, values);
  else
    writeState(0.5323, 0.0, 1.206, 0.3, values);
}

void FourContact::eval(const mPoint &pt, double t, double *values) const {
  const double x = pt.x(), y = pt.y();
  const double x1 = 0.5 + 0.75 * t, x2 = 0.5 - 0.75 * t;
  const double y1 = 0.5 - 0.5 * t, y2 = 0.5 + 0.5 * t;
  if (x > x1 && y > y1)
    writeState(1.0, 0.75, -0.5, 1.0, values);  // I
  else if (x <= x1 && y > y2)
    writeState(2.0, 0.75, 0.5, 1.0, values);  // II
  else if (x > x2 || y > y2)
    writeState(3.0, -0.75, -0.5, 1.0, values);  // III
  else
    writeState(1.0, -0.75, 0.5, 1.0, values);  // IV
}

ConservationLaw *createFourDiscontinuitiesLaw(int subproblem) {
  std::map<int, bc> bcs;
  for (int tag : {1000, 2000, 3000, 4000}) bcs.emplace(tag, bc(2));
  bcs.emplace(300, bc(1));
  FieldEvaluator *field;
  if (subproblem == 1)
    field = keepField<FourShock>();
  else if (subproblem == 2)
    field = keepField<FourContact>();
  else {
    std::cerr << "four-discontinuities problem: unknown sub-problem " << subproblem
              << " (1 shocks, 2 contact discontinuities)\n";
    throw 1;
  }
  return new Euler2dExactRiemann(false, bcs, field, false, false, 1.4, 287.42857142857144, 2,
                                 nullptr, nullptr);
}

void CreateSensorFourDiscontinuities(DGAnalysis *analysis, DGParameters &params) {
  const double period = params.general.outputDt;
  if (!(period > 0.0)) return;
  auto *gmsh = new DGGmshSensor("fourdiscontinuities", period, false);
  for (int field : {0, 4, 5}) gmsh->enable_field_of_interest(field, true);
  analysis->addSensor(gmsh);
}
