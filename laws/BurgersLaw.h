#ifndef DG_BURGERSLAW_H
#define DG_BURGERSLAW_H

// Burgers' equation in x with unit transport in y: one field u with the flux
// vector (u^2 / 2, u, 0).

#include "ConservationLaw.h"

class BurgersLaw : public ConservationLaw {
public:
  // The far field (boundary inflow value), the velocity field (read only by
  // characteristicVectorField) and the exact solution; none is owned.
  BurgersLaw(FieldEvaluator *farField, FieldEvaluator *velocity, FieldEvaluator *exact);

  int nbFields() const override { return 1; }
  void Fi(int i, const KORA::mPoint &p, const double *U, KORA::mVector &flux) const override;
  void Fi(const KORA::mPoint &p, const double *U, KORA::mVector *flux) const override;
  bool isViscous() const override { return true; }
  void Fv(const KORA::mPoint &p, const double *U, const KORA::mVector *G,
          KORA::mVector *flux) const override;
  void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
           double *S) const override;
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  void boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p, double *U, double *F,
                    double t) const override;
  double maximumEigenValue(const double *U, const KORA::mPoint &p) const override;
  int getNbFieldsOfInterest() const override { return 3; }
  void getNameAndSize(int i, int &size, std::string &name) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *) const override { return true; }
  double jumpQuantity(const double *U, const KORA::mVector *) const override { return U[0]; }
  void characteristicVectorField(const KORA::mPoint &p, double t, const double *U,
                                 const KORA::mVector *G, KORA::mVector &out) const override;

private:
  FieldEvaluator *velocity;
  FieldEvaluator *exact;
};

#endif
