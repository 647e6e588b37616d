#ifndef DG_RAYLEIGHTAYLOR_H
#define DG_RAYLEIGHTAYLOR_H

// Problem 5: the Rayleigh-Taylor instability. A heavy fluid (density about
// 2) rests above a light one (density 1) across y = 0 in hydrostatic balance
// under unit gravity along -y; cosine modes along x (and z) of the velocity
// start the instability.

#include <array>

#include "FieldEvaluator.h"

class ConservationLaw;
class DGAnalysis;
class DGParameters;

class RT1 : public FieldEvaluator {
public:
  static constexpr int kMaxMode = 199;

  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 1; }

  double atwoodNumber = 0.333333333333;
  int dim = 2;
  int firstMode = 1;
  int lastMode = 1;
  int modeCount = 1;
  short axisymmetric = 0;
  std::array<double, kMaxMode + 1> amplitude{};  // amplitude of mode k at index k
};

// The perturbation field of `nummodes` modes: 1..n for n > 0, n/2..n for
// -n > 0 (integer division), none for 0. With one mode its amplitude is 1;
// otherwise the amplitudes are drawn from rand() after srand(314) and scaled
// so that the largest magnitude is 1. A mode count whose magnitude exceeds
// RT1::kMaxMode is refused with a text.
RT1 *createRayleighTaylorField(int dim, int nummodes, short axisymmetric);
// The Euler law with gravity and the field above; `tag` is a wall, and so
// is every other boundary.
ConservationLaw *createRayleighTaylor(int dim, int tag, int nummodes, short axisymmetric);
// Three Gmsh sensors "rt" of density, momentum and "dens-z".
void CreateSensorRayleighTaylor(DGAnalysis *analysis, DGParameters &params);

#endif
