#ifndef DG_SHOCKTUBE_H
#define DG_SHOCKTUBE_H

// Problem 16: shock tubes along x. Sub-problems 0 to 7 are two-state Riemann
// problems, 8 the interacting blast waves of Woodward and Colella, 9 the
// shock meeting an entropy wave of Shu and Osher.

#include "FieldEvaluator.h"

class ConservationLaw;
class DGAnalysis;
class DGParameters;

// Two states left and right of x = x0 (the right state from x0 on). With a
// mode other than 1 the right density is 1 + 0.2 sin(5x).
class Sh_Tube : public FieldEvaluator {
public:
  // Plain two-state field (mode 1).
  Sh_Tube(int dim, double x0, double pL, double pR, double uL, double uR, double rhoL,
          double rhoR);
  // The Shu-Osher state with the given mode; prints "shock tube shu osher".
  Sh_Tube(int mode, int dim);

  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 2; }

  int mode;
  int dim;
  double x0;
  double pL, pR;
  double uL, uR;
  double rhoL, rhoR;
};

// Unit density at rest with the pressure 1000 for x < 0.1, 0.01 up to 0.9
// and 100 beyond.
class Woodward_Collela_Interacting_Blastwaves : public FieldEvaluator {
public:
  explicit Woodward_Collela_Interacting_Blastwaves(int dim_) : dim(dim_) {}
  void eval(const KORA::mPoint &p, double t, double *values) const override;
  int order() const override { return 0; }

  int dim;
};

// Every boundary is a wall (`tag` and all others). Sub-problems outside 0..9
// print a message on standard error and throw the integer 1.
ConservationLaw *createShockTube(int dim, int tag, int subproblem);
// A Gmsh sensor "rt" of the density; for sub-problem 6 with an exact field
// also the L1 and maximum norms of the density error.
void CreateSensorShockTube(DGAnalysis *analysis, DGParameters &params);

#endif
