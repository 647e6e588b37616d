#include "ShockTube.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGGmshSensor.h"
#include "DGParameters.h"
#include "Euler.h"
#include "FieldRegistry.h"
#include "GlobalParamManager.h"
#include "SensorKinds.h"

using KORA::mPoint;

namespace {
// Output field of the Euler laws with an exact field: density minus exact density.
constexpr int kDensityErrorField = 10;

struct TwoStates {
  double x0, rhoL, uL, pL, rhoR, uR, pR;
};
// Sub-problems 0 to 7.
constexpr TwoStates kTubes[8] = {
    {0.5, 1.0, 0.0, 1.0, 0.125, 0.0, 0.1},
    {0.5, 1.0, 0.0, 1.0, 0.1, 0.0, 0.01},
    {0.5, 1.0, -2.0, 0.4, 1.0, 2.0, 0.4},
    {0.5, 1.4, 0.1, 1.0, 1.0, 0.1, 1.0},
    {0.8, 1.0, -19.59745, 1000.0, 1.0, -19.59745, 0.01},
    {0.5, 1.0, 2.0, 0.1, 1.0, -2.0, 0.1},
    {0.5, 5.997001499250376, -0.16674999999999998, 0.8333214285714284, 1.0, -1.0,
     7.142857142857142e-05},
    {0.9, 5.997001499250376, -0.16674999999999998, 0.8333214285714284, 1.0, -0.95,
     7.142857142857142e-05},
};

void writeState(int dim, double rho, double u, double p, double *values) {
  values[0] = rho;
  values[1] = rho * u;
  values[2] = 0.0;
  values[3] = p / 0.4 + 0.5 * rho * u * u;
  if (dim == 3) values[4] = 0.0;
}
}  // namespace

Sh_Tube::Sh_Tube(int dim_, double x0_, double pL_, double pR_, double uL_, double uR_,
                 double rhoL_, double rhoR_)
    : mode(1), dim(dim_), x0(x0_), pL(pL_), pR(pR_), uL(uL_), uR(uR_), rhoL(rhoL_), rhoR(rhoR_) {}

Sh_Tube::Sh_Tube(int mode_, int dim_)
    : mode(mode_), dim(dim_), x0(-4.0), pL(10.33333), pR(1.0), uL(2.629369), uR(0.0),
      rhoL(3.857143), rhoR(1.0) {
  std::printf("shock tube shu osher %f \n", x0);
}

void Sh_Tube::eval(const mPoint &p, double, double *values) const {
  const double x = p.x();
  if (x < x0)
    writeState(dim, rhoL, uL, pL, values);
  else
    writeState(dim, mode == 1 ? rhoR : 1.0 + 0.2 * std::sin(5.0 * x), uR, pR, values);
}

void Woodward_Collela_Interacting_Blastwaves::eval(const mPoint &p, double, double *values) const {
  const double x = p.x();
  const double pres = x < 0.1 ? 1000.0 : (x <= 0.9 ? 0.01 : 100.0);
  writeState(dim, 1.0, 0.0, pres, values);
}

ConservationLaw *createShockTube(int dim, int tag, int subproblem) {
  std::map<int, bc> bcs;
  bcs.emplace(tag, bc(1));
  FieldEvaluator *field = nullptr;
  FieldEvaluator *exact = nullptr;
  if (subproblem >= 0 && subproblem <= 7) {
    const TwoStates &s = kTubes[subproblem];
    field = keepField<Sh_Tube>(dim, s.x0, s.pL, s.pR, s.uL, s.uR, s.rhoL, s.rhoR);
    if (subproblem == 6) {
      std::printf("%f %f %f %f %f %f", s.rhoL, s.uL, s.pL, s.rhoR, s.uR, s.pR);
      exact = keepField<Sh_Tube>(dim, s.x0, s.pL, s.pR, s.uL, s.uR, s.rhoL, s.rhoR);
    }
  } else if (subproblem == 8) {
    field = keepField<Woodward_Collela_Interacting_Blastwaves>(dim);
  } else if (subproblem == 9) {
    field = keepField<Sh_Tube>(2, dim);
  } else {
    std::cerr << "shock-tube problem: unknown sub-problem " << subproblem << " (0 to 9)\n";
    throw 1;
  }
  if (dim == 3) return new Euler3d(false, bcs, field, false, 1.4, 287.0, nullptr, nullptr);
  if (subproblem == 6)
    return new Euler2dExactRiemann(false, bcs, field, false, false, 1.4, 286.0, 2, exact, nullptr);
  return new Euler2dExactRiemann(false, bcs, field, false, false, 1.4, 287.42857142857144, 2,
                                 nullptr, nullptr);
}

void CreateSensorShockTube(DGAnalysis *analysis, DGParameters &params) {
  auto *gmsh = new DGGmshSensor("rt", params.general.outputDt, false);
  gmsh->enable_field_of_interest(0, true);
  analysis->addSensor(gmsh);
  if (params.general.subProblem != 6) return;
  // The density error exists only for a law with an exact field.
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law || !law->getExactField()) return;
  const double period = 0.1 * params.time.tend;
  DGSensor *linf = makeNormSensor("LinfNorm.plt", 2, period, kDensityErrorField);
  DGSensor *l1 = makeNormSensor("L1Norm.plt", 0, period, kDensityErrorField);
  if (l1) analysis->addSensor(l1);
  if (linf) analysis->addSensor(linf);
}
