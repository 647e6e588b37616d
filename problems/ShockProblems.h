#ifndef DG_SHOCKPROBLEMS_H
#define DG_SHOCKPROBLEMS_H

// Euler problems started from a plane shock travelling into gas at rest
// (rho1 = 1.4, p1 = 1): the double Mach reflection (problem 6) and the
// Richtmyer-Meshkov instability (problem 3). The post-shock state follows
// the Rankine-Hugoniot relations of the given Mach number.

#include "FieldEvaluator.h"

class ConservationLaw;

class TravellingShock : public FieldEvaluator {
public:
  // Computes the post-shock state and prints the shock relations
  // ("rho2 p2 s u2 c angle s*sin(alpha)") on standard output.
  TravellingShock(int dimension, double mach, double angleDegrees, double gamma);
  // Ahead of the shock line (d < 0) the gas is at rest; on and behind it the
  // gas moves with u2 normal to the line. The line makes the angle alpha
  // with the ix axis and its foot is at x0 + t s / sin(alpha).
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }

  double getRho2() const { return rho2; }
  double getP2() const { return p2; }
  double getU2() const { return u2; }
  double getShockSpeed() const { return s; }

protected:
  // Density, pressure and speed of the side of the shock the point is on.
  void sideState(const KORA::mPoint &p, double t, double &rho, double &pres, double &u) const;

  int dimension;
  int ix, iy, iz;
  double M;
  double gamma;
  double p1, rho1;
  double alpha;
  double p2, rho2, u2;
  double s;
  double x0;
};

// A shock along x meeting a wavy interface x = 0.5 + 0.1 cos(2 pi (y - 1))
// beyond which the gas is three times denser.
class ShockHitsABubble : public TravellingShock {
public:
  using TravellingShock::TravellingShock;
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }
};

// Problem 6: every listed tag (the wall tag, 1000..20000 by 1000, 10002,
// 10003, 10005, 10007, 10008) is a wall; Euler3d in three dimensions, else
// Euler2dExactRiemann (exactRiemann not 0) or Euler2d.
ConservationLaw *createOutflowLaw(int dimension, double mach, double angle, int wallTag,
                                  int exactRiemann);
// Problem 3: a shock at 90 degrees hitting the wavy interface; tag 200 is a wall.
ConservationLaw *createRichtmayerMeshkovLaw(int dimension, double mach, double gamma);

#endif
