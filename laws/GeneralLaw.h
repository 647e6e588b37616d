#ifndef DG_GENERALLAW_H
#define DG_GENERALLAW_H

// The gas-dynamics law built from the expressions of a parameter file:
// "PressureInit", "DensityInit", "VelocityInit" give the initial state and
// "PressureBnd", "DensityBnd", "VelocityBnd" the state outside far-field
// boundaries. When "PressureBnd" is given piece by piece per region, those
// regions are the far-field boundaries and every other boundary face is an
// inviscid wall; otherwise every boundary face is a far-field face.

#include "ConservationLaw.h"

struct Expression;

// Far field (and initial condition) of the expression-built law. Writes the
// five conservative values (rho, rho u, rho v, E, rho w) from the initial
// expressions before the time loop starts and from the boundary expressions
// afterwards, at the point, region and state published in the run state.
class GeneralCFDEvaluator : public FieldEvaluator {
public:
  Expression *pressureInit = nullptr;
  Expression *densityInit = nullptr;
  Expression *velocityInit = nullptr;
  Expression *pressureBnd = nullptr;
  Expression *densityBnd = nullptr;
  Expression *velocityBnd = nullptr;
  double gamma = 1.4;

  void eval(const KORA::mPoint &p, double t, double *U) const override;
  int order() const override { return 1; }
};

// Builds the law from the parser's expressions and the run parameters: an
// Euler3d in three dimensions, an Euler2dExactRiemann otherwise. Throws a
// text naming the first of the six expressions that is not defined. The
// evaluator it creates lives until the process ends.
ConservationLaw *createGeneralLaw();

#endif
