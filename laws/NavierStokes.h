#ifndef DG_NAVIERSTOKES_H
#define DG_NAVIERSTOKES_H

// Compressible Navier-Stokes laws in two and three dimensions: the Euler law
// of the dimension plus the viscous stress and heat conduction, an optional
// passive concentration field (last field), a buoyancy source in the
// convection form, and fixed wall conditions on reserved boundary tags:
//   200  pressure wall (2-D: the trace gets d(v)/dy = 0)
//   500  pressure wall plus the viscous flux of the inner trace
//   999  pressure wall with the heat flux ny * Quorl / (gamma - 1)
//   400, 919  no-slip adiabatic wall (the trace's momentum is zeroed)
// Other tags go to the Euler boundary-condition map.
//
// Two forms: the convection form (built with the Quorl number; viscous terms
// scaled by the Prandtl number) and the plain form (Reynolds and Prandtl
// numbers, classical 1/Re and 1/(Re Pr) scaling, no source).

#include "Euler.h"

class NavierStokes2d : public Euler2d {
public:
  // Convection form.
  NavierStokes2d(bool extraField, double gamma, const std::map<int, bc> &bcs,
                 FieldEvaluator *farField, bool gravity, bool axisymmetric, double quorl,
                 double prandtl);
  // Plain form.
  NavierStokes2d(FieldEvaluator *farField, const std::map<int, bc> &bcs, double gamma,
                 double prandtl, double reynolds);

  int nbFields() const override;
  // Not supported: throws a new KORA::mException.
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
  int getNbFieldsOfInterest() const override;
  void getNameAndSize(int i, int &size, std::string &name) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *U) const override;
  bool essentialBoundaryCondition(int field, int tag) const override;
  // The jump penalty's speed and the larger of the kinematic viscosity and
  // the thermal diffusivity at the state.
  void viscousStepLimits(const double *U, const KORA::mPoint &p, double &penaltySpeed,
                         double &diffusivity) const override;

  virtual double pressure(const double *U) const;
  // rho times the gradient of the internal energy per unit mass.
  virtual void heatflux(const double *U, const KORA::mVector *G, KORA::mVector &q) const;
  // Internal energy per unit mass.
  virtual double temperature(const double *U) const;
  // The Quorl number in the convection form, the Reynolds number otherwise.
  virtual double Quorl() const;
  virtual double Prandlt() const;
  virtual double Reynolds() const;
  // Upwind flux of the concentration (field 4).
  virtual void riemannSolverOnEQ5(const KORA::mVector &n, const KORA::mPoint &p,
                                  const double *UL, const double *UR, double *FL,
                                  double *FR) const;
  // Adds the average viscous normal flux of both traces minus a penalty of
  // 2 times the jump of every field to FL and FR.
  virtual void viscousAverage(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                              const double *UR, double *FL, double *FR) const;
  using Euler2d::jumpQuantity;
  // Length of the momentum.
  virtual double jumpQuantity(const double *U) const;

protected:
  bool extraField;
  bool hasQuorl;
  double quorl;
  double prandtl;
  double reynolds;
};

class NavierStokes3d : public Euler3d {
public:
  // Convection form; the axisymmetric flag is accepted and ignored. The
  // concentration field is not supported in three dimensions and is refused
  // with a text.
  NavierStokes3d(bool extraField, double gamma, const std::map<int, bc> &bcs,
                 FieldEvaluator *farField, bool gravity, bool axisymmetric, double quorl,
                 double prandtl);
  // Plain form.
  NavierStokes3d(FieldEvaluator *farField, const std::map<int, bc> &bcs, double gamma,
                 double prandtl, double reynolds);

  int nbFields() const override;
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
  int getNbFieldsOfInterest() const override;
  void getNameAndSize(int i, int &size, std::string &name) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *U) const override;
  bool essentialBoundaryCondition(int field, int tag) const override;
  // The jump penalty's speed and the larger of the kinematic viscosity and
  // the thermal diffusivity at the state.
  void viscousStepLimits(const double *U, const KORA::mPoint &p, double &penaltySpeed,
                         double &diffusivity) const override;

  virtual double pressure(const double *U) const;
  virtual void heatflux(const double *U, const KORA::mVector *G, KORA::mVector &q) const;
  virtual double temperature(const double *U) const;
  virtual double Quorl() const;
  virtual double Prandlt() const;
  virtual double Reynolds() const;
  // Not supported in three dimensions: throws the integer 1.
  virtual void riemannSolverOnEQ5(const KORA::mVector &n, const KORA::mPoint &p,
                                  const double *UL, const double *UR, double *FL,
                                  double *FR) const;
  virtual void viscousAverage(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                              const double *UR, double *FL, double *FR) const;
  using Euler3d::jumpQuantity;
  // The temperature.
  virtual double jumpQuantity(const double *U) const;

protected:
  bool extraField;
  bool hasQuorl;
  double quorl;
  double prandtl;
  double reynolds;
};

#endif
