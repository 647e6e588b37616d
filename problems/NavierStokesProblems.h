#ifndef DG_NAVIERSTOKESPROBLEMS_H
#define DG_NAVIERSTOKESPROBLEMS_H

// Navier-Stokes test problems: an external flow at a given Mach number and
// direction (problem 9) and natural and semi convection under gravity
// (problems 10 and 12). Both hand the law an empty boundary map, so every tag
// other than the law's own wall tags takes the far field below.

#include "FieldEvaluator.h"

class ConservationLaw;

// Uniform stream of unit density and unit speed at `angle` degrees from the
// x axis, with the pressure 1 / (1.96 M).
class PipeFlow1 : public FieldEvaluator {
public:
  PipeFlow1(double mach, double angleDegrees, int dimension)
      : M(mach), angle(angleDegrees), dim(dimension) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }

private:
  double M;
  double angle;
  int dim;
};

// Fluid at rest in hydrostatic balance, pressure (1 - y) q, with a small
// swirl 0.02 e^(-10 r^2) around the origin at t = 0 exactly, and the
// concentration 1.5 + y. In three dimensions the fifth value is rho w = 0 and
// no concentration is written.
class DD1 : public FieldEvaluator {
public:
  explicit DD1(double quorl, int dimension = 2) : q(quorl), dim(dimension) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }

private:
  double q;
  int dim;
};

// Problem 9; prints "Re .. Pr .. Mach .. an .." after building the law.
ConservationLaw *createNavierStokesLaw(int dimension, double mach, double angle, double prandtl,
                                       double reynolds);
// Problems 10 (semi false) and 12 (semi true: the concentration field is on).
ConservationLaw *createNaturalConvectionLaw(int dimension, double quorl, double prandtl,
                                            bool semi);

#endif
