#ifndef DG_SCALARLAW_H
#define DG_SCALARLAW_H

// Scalar laws of one field u:
// - ScalarLaw: linear advection u_t + div(a u) = 0 with the upwind flux;
// - advectionDiffusion: u_t + div(a u - grad(u) / alpha) = s, with an
//   averaged viscous interface flux plus a jump penalty, and u imposed
//   strongly on faces of tag 100.
// The velocity a is steady in the volume and on interior faces (evaluated at
// time 0); boundary fluxes and output fields evaluate it at their time.

#include "ConservationLaw.h"

class ScalarLaw : public ConservationLaw {
public:
  // The far field (inflow value), the velocity field (three components) and
  // the exact solution; none is owned.
  ScalarLaw(FieldEvaluator *farField, FieldEvaluator *velocity, FieldEvaluator *exact);

  int nbFields() const override { return 1; }
  void Fi(int i, const KORA::mPoint &p, const double *U, KORA::mVector &flux) const override;
  void Fi(const KORA::mPoint &p, const double *U, KORA::mVector *flux) const override;
  void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
           double *S) const override;
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  void boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p, double *U, double *F,
                    double t) const override;
  double maximumEigenValue(const double *U, const KORA::mPoint &p) const override;
  // Two fields are offered ("function" and "errest"); indices up to 5 answer.
  int getNbFieldsOfInterest() const override { return 2; }
  void getNameAndSize(int i, int &size, std::string &name) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const KORA::mVector *) const override { return U[0]; }
  void characteristicVectorField(const KORA::mPoint &p, double t, const double *U,
                                 const KORA::mVector *G, KORA::mVector &out) const override;

protected:
  // The velocity at (p, t).
  KORA::mVector velocityAt(const KORA::mPoint &p, double t) const;

  FieldEvaluator *velocity;
  FieldEvaluator *exact;
};

class advectionDiffusion : public ScalarLaw {
public:
  // alpha is the inverse of the diffusion coefficient; source may be null.
  advectionDiffusion(FieldEvaluator *farField, FieldEvaluator *velocity, FieldEvaluator *exact,
                     FieldEvaluator *source, double alpha);

  bool isViscous() const override { return true; }
  bool needTheHigherOrderGradients() const override { return true; }
  void Fv(const KORA::mPoint &p, const double *U, const KORA::mVector *G,
          KORA::mVector *flux) const override;
  void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
           double *S) const override;
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  bool essentialBoundaryCondition(int, int tag) const override { return tag == 100; }
  // The jump penalty's speed 4 / alpha and the diffusivity 1 / alpha.
  void viscousStepLimits(const double *U, const KORA::mPoint &p, double &penaltySpeed,
                         double &diffusivity) const override;
  // Adds the average viscous normal flux of both sides and the jump penalty
  // -2 (uR - uL) / alpha to FL[0] and FR[0].
  virtual void viscousAverage(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                              const double *UR, double *FL, double *FR) const;

  double getAlpha() const { return alpha; }

private:
  FieldEvaluator *source;
  double alpha;
};

#endif
