#ifndef DG_MUZZLE_H
#define DG_MUZZLE_H

// Problem 13: the blast leaving a gun muzzle. At the start a thin tube
// (radius 0.0545) holds gas whose pressure falls and whose velocity grows
// linearly along its axis; the rest of the domain is air at rest.

#include "FieldEvaluator.h"

class ConservationLaw;
class DGParameters;

// mode 3: axis -z (s = -z, radius in the x-y plane), tube length
// 5.159130562336003; mode 2: axis y (radius |x|), length 8.2573; any other
// mode: s = r = 0, length 8.37 (4 values). Velocities point along +s.
class MuzzleInit : public FieldEvaluator {
public:
  explicit MuzzleInit(int mode_) : mode(mode_) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }

  int mode;
};

// Euler3d in three dimensions, otherwise Euler2dExactRiemann (axisymmetric
// with the run's axisymmetric option); every boundary is a wall.
ConservationLaw *createMuzzleLaw(int dim, DGParameters &params);

#endif
