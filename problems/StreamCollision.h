#ifndef DG_STREAMCOLLISION_H
#define DG_STREAMCOLLISION_H

// Problem 18: two gas streams (unit density and pressure, speed 20) running
// head-on into each other at the line x = 0.5.

#include "FieldEvaluator.h"

class ConservationLaw;
class DGAnalysis;
class DGParameters;

// u = 20 for x < 0.5, -20 on and right of the line.
class StreamCollision : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }
};

// The same with the density 1.01 in the square [0.495, 0.505]^2.
class PerturbedStreamCollision : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }
};

// Sub-problem 1 plain, 2 perturbed; any other number prints a message on
// standard error and throws the integer 1. Every boundary is a wall.
ConservationLaw *createStreamCollisionLaw(int subproblem);
// A Tecplot sensor "StreamCollisiontec.dat" of the unit square, 200 x 200
// points, every tenth of the final time.
void CreateSensorStreamCollision(DGAnalysis *analysis, DGParameters &params);

#endif
