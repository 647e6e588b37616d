#ifndef DG_EULER_H
#define DG_EULER_H

// The Euler equations of an ideal gas in two and three dimensions.
//
// State layouts (conservative variables):
//   2-D: (rho, rho u, rho v, E)
//   3-D: (rho, rho u, rho v, E, rho w)  -- the energy comes before rho w.
//
// Boundary faces are handled by the condition type found for the face's tag
// in the law's boundary-condition map (see bc). Interior faces use a Roe
// flux (Euler2d, Euler3dRoe) or the exact Riemann solution (Euler3d,
// Euler2dExactRiemann).

#include <map>
#include <string>

#include "ConservationLaw.h"

// Boundary-condition record, keyed by boundary tag in a law's map.
//   1 inviscid wall, 2 physical flux of the interior state,
//   3 state given by a time function (two dimensions only; a wall in 3-D),
//   4 far field through the numerical flux; any other value is a wall.
// A tag missing from a non-empty map is a wall; with an empty map every
// boundary face is a far-field face.
struct bc {
  int type = 1;
  bc() = default;
  explicit bc(int t) : type(t) {}
};

// A boundary state that depends on time only: writes the 2-D state
// (rho, rho u, rho v, E) at time t. Used by condition type 3.
class Fonctionoftime {
public:
  virtual void eval(double t, double *U) const = 0;
  virtual ~Fonctionoftime() = default;
};

// Pressure (gamma - 1)(E - |m|^2 / (2 rho)) of a 2-D and of a 3-D state.
double computeP2d(const double *U, double gamma);
double computeP3d(const double *U, double gamma);

// Result of the one-dimensional Riemann solver with its diagnostics.
struct RiemannResult {
  double rho = 0, un = 0, ut1 = 0, ut2 = 0, p = 0;  // state on the face (x/t = 0)
  int iterations = 0;  // Newton passes made
  double error = 0;    // relative change of the last pass
};

class Euler : public ConservationLaw {
public:
  Euler(bool gradients, const std::map<int, bc> &bcs, FieldEvaluator *farField, bool gravity,
        double gamma, double gasConstant, FieldEvaluator *exactField, Fonctionoftime *timeFunction);
  ~Euler() override;

  bool needTheHigherOrderGradients() const override { return gradients; }

  // 11 output fields with an exact field, 10 without.
  int getNbFieldsOfInterest() const override;
  void getNameAndSize(int i, int &size, std::string &name) const override;

  // The pressure gradient at the state (the force is the gradient itself,
  // not its negative); gravity subtracts 9.8 from the y component.
  void ForceField2d(const KORA::mPoint &p, double t, const double *U, const KORA::mVector *G,
                    KORA::mVector &force) override;
  void ForceField3d(const KORA::mPoint &p, double t, const double *U, const KORA::mVector *G,
                    KORA::mVector &force) override;

  // Exact solution of the 1-D Riemann problem between (rho, un, ut1, ut2, p)
  // states; writes the state on the face and returns true, or returns false
  // (writing nothing) when an inadmissible quantity is met.
  bool riemann(double rhoL, double uL, double ut1L, double ut2L, double pL, double rhoR, double uR,
               double ut1R, double ut2R, double pR, double *rho, double *u, double *ut1,
               double *ut2, double *p) const;
  // The same solver with its iteration count and last relative error.
  bool riemann(double rhoL, double uL, double ut1L, double ut2L, double pL, double rhoR, double uR,
               double ut1R, double ut2R, double pR, RiemannResult &out) const;

  // Right eigenvectors (columns of R) and left eigenvectors (rows of L) of
  // the 2-D flux in direction (nx, ny), eigenvalues (un - c, un, un + c, un).
  void eigenvectors2d(double u, double v, double c2, double nx, double ny, double L[4][4],
                      double R[4][4]) const;
  void compute_eigenvecs2d(const double *U, const KORA::mVector &n, double L[4][4],
                           double R[4][4]) const;

  double getGamma() const { return gamma; }
  double getGasConstant() const { return gasConstant; }
  bool hasGravity() const { return gravity; }
  Fonctionoftime *getTimeFunction() const { return timeFunction; }
  const std::map<int, bc> &getBoundaryConditions() const { return bcs; }

protected:
  // Condition type of a boundary tag under the map's fallback rule.
  int boundaryType(int tag) const;
  // Far-field condition: publishes the interior state, evaluates the far
  // field and applies this law's numerical flux against it.
  void farFieldFlux(const KORA::mVector &n, const KORA::mPoint &p, const double *U, double *F,
                    double t, double rho, double pressure, double vx, double vy, double vz) const;
  // The far-field states of up to four points of a boundary face, from point
  // first on, each evaluated as farFieldFlux does (the run state's point and
  // the interior state published first); ext[i] receives point first + i's.
  void farFieldStates(const FacePoints &pts, int first, int count, double t, int dim,
                      double (*ext)[64]) const;
  // Pressure gradient used by both particle forces.
  void pressureGradient(const double *U, const KORA::mVector *G, int dim, double out[3]) const;

  std::map<int, bc> bcs;
  Fonctionoftime *timeFunction;
  bool gravity;
  double gamma;
  double gasConstant;
  bool gradients;
};

class Euler2d : public Euler {
public:
  // A map holding a type-3 entry needs a time function: refused otherwise.
  Euler2d(bool gradients, const std::map<int, bc> &bcs, FieldEvaluator *farField, bool gravity,
          bool axisymmetric, double gamma, double gasConstant, int unused,
          FieldEvaluator *exactField, Fonctionoftime *timeFunction);

  void setSpecifics(const double *U, const KORA::mVector *G) override;
  int nbFields() const override { return 4; }
  void Fi(int i, const KORA::mPoint &p, const double *U, KORA::mVector &flux) const override;
  void Fi(const KORA::mPoint &p, const double *U, KORA::mVector *flux) const override;
  // The gas's own flux at every point without a call per point (a derived
  // law with fluxes of its own takes the general loop).
  void fluxesAt(int K, const KORA::mPoint *X, const double *U, int stride, KORA::mVector *flux) const override;
  // (A derived law answers as the general law does.)
  bool volumeTermsNeedPoints() const override;
  bool hasSource() const override;
  void sourcesAt(int K, const KORA::mPoint *X, const double *U, int stride, double *S) const override;
  void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
           double *S) const override;
  // Roe flux.
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  // Roe fluxes at every point of a face, the same way (see fluxesAt).
  void riemannFluxes(const FacePoints &pts, double *FL, double *FR) const override;
  void boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p, double *U, double *F,
                    double t) const override;
  // Walls, the physical flux and the far field at all the points of a face
  // (the far field against this law's own numerical flux); a derived law
  // and a time-function condition are left to boundaryFlux.
  bool boundaryFluxes(const FacePoints &pts, int tag, double t, double *F) const override;
  double maximumEigenValue(const double *U, const KORA::mPoint &p) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *U) const override;
  void restorePhysical(double *U) const override;
  double jumpQuantity(const double *U, const KORA::mVector *G) const override;
  void characteristicVectorField(const KORA::mPoint &p, double t, const double *U,
                                 const KORA::mVector *G, KORA::mVector &out) const override;
  void Con2Char(const double *, double *) const override {}
  void Char2Con(const double *, double *) const override {}

  bool isAxisymmetric() const { return axisymmetric; }

protected:
  // True for the gas laws themselves (Euler2d, Euler2dExactRiemann), whose
  // fluxes, sources and boundary fluxes are this class's: a derived law
  // with operations of its own takes the general paths.
  bool ownOperations() const;

  bool axisymmetric;
  int unusedFlag;
};

class Euler2dExactRiemann : public Euler2d {
public:
  using Euler2d::Euler2d;
  // Exact Riemann flux; a failed solve gives a wall pressure flux.
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  // The same at every point of a face, a few points at a time (see fluxesAt).
  void riemannFluxes(const FacePoints &pts, double *FL, double *FR) const override;
};

class Euler3d : public Euler {
public:
  using Euler::Euler;

  void setSpecifics(const double *U, const KORA::mVector *G) override;
  int nbFields() const override { return 5; }
  void Fi(int i, const KORA::mPoint &p, const double *U, KORA::mVector &flux) const override;
  void Fi(const KORA::mPoint &p, const double *U, KORA::mVector *flux) const override;
  // As Euler2d's: without a call per point for the gas law itself.
  void fluxesAt(int K, const KORA::mPoint *X, const double *U, int stride, KORA::mVector *flux) const override;
  bool volumeTermsNeedPoints() const override;
  bool hasSource() const override;
  void sourcesAt(int K, const KORA::mPoint *X, const double *U, int stride, double *S) const override;
  void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
           double *S) const override;
  // Exact Riemann flux; a failed solve gives a zero flux.
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  // The same at every point of a face, a few points at a time.
  void riemannFluxes(const FacePoints &pts, double *FL, double *FR) const override;
  void boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p, double *U, double *F,
                    double t) const override;
  // As Euler2d's (walls, physical flux, far field) at all the points of a face.
  bool boundaryFluxes(const FacePoints &pts, int tag, double t, double *F) const override;
  double maximumEigenValue(const double *U, const KORA::mPoint &p) const override;
  void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                             const KORA::mVector *G, double *out, double t) const override;
  bool isPhysical(const double *U) const override;
  void restorePhysical(double *U) const override;
  double jumpQuantity(const double *U, const KORA::mVector *G) const override;
  void characteristicVectorField(const KORA::mPoint &p, double t, const double *U,
                                 const KORA::mVector *G, KORA::mVector &out) const override;
  void Con2Char(const double *, double *) const override {}
  void Char2Con(const double *, double *) const override {}

protected:
  // True for Euler3d and Euler3dRoe themselves (see Euler2d::ownOperations).
  bool ownOperations() const;
};

class Euler3dRoe : public Euler3d {
public:
  using Euler3d::Euler3d;
  // Roe flux, falling back silently to the central flux.
  void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                     const double *UR, double *FL, double *FR) const override;
  void riemannFluxes(const FacePoints &pts, double *FL, double *FR) const override;
};

#endif
