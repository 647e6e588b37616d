#ifndef DG_FOURDISCONTINUITIES_H
#define DG_FOURDISCONTINUITIES_H

// Problem 15: two-dimensional Riemann problems with four constant states in
// the quadrants around (0.5, 0.5) (problem 1111 shares the sensors).

#include "FieldEvaluator.h"

class ConservationLaw;
class DGAnalysis;
class DGParameters;

// Quadrants separated by shocks; the same state at every time. Points on a
// dividing line belong to the left or lower quadrant.
class FourShock : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }
};

// Quadrants separated by contact discontinuities moving with the flow
// (pressure 1 everywhere).
class FourContact : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }
};

// Sub-problem 1 FourShock, 2 FourContact; any other number prints a message
// on standard error and throws the integer 1. The law is two-dimensional.
ConservationLaw *createFourDiscontinuitiesLaw(int subproblem);
// A Gmsh sensor "fourdiscontinuities" of density, vorticity and Mach number
// when the output period is positive.
void CreateSensorFourDiscontinuities(DGAnalysis *analysis, DGParameters &params);

#endif
