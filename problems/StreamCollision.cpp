#include "StreamCollision.h"

#include <iostream>
#include <map>

#include "DGAnalysis.h"
#include "DGParameters.h"
#include "Euler.h"
#include "FieldRegistry.h"
#include "SensorKinds.h"

using KORA::mPoint;

namespace {
void writeStream(double rho, double x, double *values) {
  const double u = x < 0.5 ? 20.0 : -20.0;
  values[0] = rho;
  values[1] = rho * u;
  values[2] = 0.0;
  values[3] = 1.0 / 0.4 + 0.5 * rho * u * u;
}
}  // namespace

void StreamCollision::eval(const mPoint &p, double, double *values) const {
  writeStream(1.0, p.x(), values);
}

void PerturbedStreamCollision::eval(const mPoint &p, double, double *values) const {
  const double x = p.x(), y = p.y();
  const bool bump = x >= 0.495 && x <= 0.505 && y >= 0.495 && y <= 0.505;
  writeStream(bump ? 1.01 : 1.0, x, values);
}

ConservationLaw *createStreamCollisionLaw(int subproblem) {
  std::map<int, bc> bcs;
  bcs.emplace(200, bc(1));
  FieldEvaluator *field;
  if (subproblem == 1)
    field = keepField<StreamCollision>();
  else if (subproblem == 2)
    field = keepField<PerturbedStreamCollision>();
  else {
    std::cerr << "stream-collision problem: unknown sub-problem " << subproblem
              << " (1 plain, 2 perturbed)\n";
    throw 1;
  }
  return new Euler2dExactRiemann(false, bcs, field, false, false, 1.4, 287.42857142857144, 2,
                                 nullptr, nullptr);
}

void CreateSensorStreamCollision(DGAnalysis *analysis, DGParameters &params) {
  DGSensor *s = makeQuadrangleSensorTecplot("StreamCollisiontec.dat", mPoint(0, 0, 0),
                                            mPoint(1, 0, 0), mPoint(1, 1, 0), mPoint(0, 1, 0),
                                            200, 200, 0.1 * params.time.tend, "StreamCollision");
  if (s) analysis->addSensor(s);
}
