#ifndef DG_ISENTROPICVORTEX_H
#define DG_ISENTROPICVORTEX_H

// Problem 17: an isentropic vortex carried by the stream (1, 1) through the
// periodic square [-5, 5]^2. Periodicity comes from the far field alone:
// after the start, a boundary point takes the current solution at its
// periodic image on the opposite side.

#include "FieldEvaluator.h"

class ConservationLaw;
class DGAnalysis;
class DGParameters;

// Conservative state (rho, rho u, rho v, rho E) of the vortex of strength
// beta at (X, Y) relative to its centre.
void isentropicVortexState(double X, double Y, double beta, double gamma, double tInf,
                           double uInf, double vInf, double *values);

// Periodic image of a boundary point of the square [-5, 5]^2: the first of
// the sides x = -5, x = 5, y = -5, y = 5 that the point lies on (within
// kPeriodicTolerance) moves to the opposite side; the image is placed on the
// square (its coordinates clamped to [-5, 5]). False for a point inside.
bool isentropicVortexPeriodicImage(const KORA::mPoint &p, KORA::mPoint &image);
constexpr double kPeriodicTolerance = 1e-9;

class IsentropicVortex : public FieldEvaluator {
public:
  // At t <= 1e-15 the vortex centred at the origin; later the analysis's
  // solution at the periodic image of the point. A point inside the square,
  // or an image in no cell, prints a message on standard error and throws
  // the integer 1.
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 3; }

  double strength = 5.0;
  double gamma = 1.4;
  double tInf = 1.0;
  double vInf = 1.0;
  double uInf = 1.0;
};

// The initial vortex carried with the stream, periodic with period 10 in x
// and y.
class IsentropicVortexExact : public FieldEvaluator {
public:
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 3; }

  double strength = 5.0;
  double gamma = 1.4;
  double tInf = 1.0;
  double vInf = 1.0;
  double uInf = 1.0;
};

ConservationLaw *createIsentropicVortex();
// Tecplot mesh and centre-line sensors and the norm sensors of energy, mass,
// momentum and of the density error (L1 and maximum).
void CreateSensorIsentropicVortex(DGAnalysis *analysis, DGParameters &params);

#endif
