#ifndef DG_CONSERVATIONLAW_H
#define DG_CONSERVATIONLAW_H

// Interface of the conservation laws: everything the DG side needs of one
// system of equations. The global context owns the run's law and deletes it
// through this interface, so the destructor is virtual.
//
// Argument conventions shared by every law:
// - a state U holds nbFields() conserved values in the law's own order; on
//   interior and boundary faces of a law whose needTheHigherOrderGradients()
//   is true it is followed by the gradient of every field, three values
//   (x, y, z) per field: field k's gradient sits at nbFields() + 3k .. + 3k + 2;
// - a flux array (Fi, Fv) and a gradient array hold one mVector per field;
// - a normal is the unit normal of the face pointing out of the left element
//   (the side of UL); numerical fluxes FL, FR, F hold one normal flux per field;
// - a boundary tag is the id of the model entity the boundary face lies on.
//
// Every default operation works in fixed scratch arrays of kMaxFields
// entries, so a law has at most 256 fields. The header is self-contained (all
// defaults inline) so that code which only holds or deletes a law needs no
// link to the laws library.

#include <cstddef>
#include <string>

#include "FieldEvaluator.h"
#include "mPoint.h"
#include "mVector.h"

class ConservationLaw {
public:
  static constexpr int kMaxFields = 256;

  ConservationLaw() = default;
  ConservationLaw(const ConservationLaw &) = delete;
  ConservationLaw &operator=(const ConservationLaw &) = delete;

  virtual ~ConservationLaw() = 0;

  // Publishes the physical state (density, pressure, velocity) into the run
  // state read by parameter-file expressions. Does nothing by default.
  virtual void setSpecifics(const double *U, const KORA::mVector *G) {
    (void)U;
    (void)G;
  }

  // Finite-difference Jacobian of the inviscid flux: J[i][j] is the
  // derivative of field j's flux vector with respect to variable i,
  // (F(U + h e_i) - F(U)) / h with h = 1e-6. U is restored exactly.
  virtual void JacobianOfFluxes(const KORA::mPoint &p, double *U, KORA::mVector **J);

  virtual int nbFields() const = 0;

  // Inviscid flux vector of field i.
  virtual void Fi(int i, const KORA::mPoint &p, const double *U, KORA::mVector &flux) const = 0;
  // Inviscid flux vectors of every field.
  virtual void Fi(const KORA::mPoint &p, const double *U, KORA::mVector *flux) const = 0;

  // Inviscid flux vectors at K points, one call for all the points of a
  // cell: point k's state at U + k stride, its physical point X[k] (X may be
  // null when volumeTermsNeedPoints() is false), its fluxes at flux + k
  // nbFields().
  virtual void fluxesAt(int K, const KORA::mPoint *X, const double *U, int stride, KORA::mVector *flux) const {
    const KORA::mPoint origin;
    const int nf = nbFields();
    for (int k = 0; k < K; ++k) Fi(X ? X[k] : origin, U + k * stride, flux + k * nf);
  }
  // Whether the inviscid or numerical fluxes or the source depend on the
  // point, through their argument or the run state's position (when they do
  // not, the passes skip the points' positions and may take all the points of
  // a face in one call, and the stable step asks the largest wave speed at
  // the origin: a flux that does not depend on the point has wave speeds
  // that do not either).
  virtual bool volumeTermsNeedPoints() const { return true; }
  // Whether RHS may give anything but zero (the volume pass then skips it).
  virtual bool hasSource() const { return true; }
  // The sources of K points in one call (no gradients), as RHS gives them:
  // point k's state at U + k stride, its physical point X[k] (X may be null
  // as for fluxesAt), its sources at S + k nbFields().
  virtual void sourcesAt(int K, const KORA::mPoint *X, const double *U, int stride, double *S) const {
    const KORA::mPoint origin;
    const int nf = nbFields();
    for (int k = 0; k < K; ++k) RHS(U + k * stride, nullptr, X ? X[k] : origin, S + k * nf);
  }

  // The points of one interior face for the batched numerical flux: point k
  // has its unit normal and physical point `stride` bytes after point k - 1's
  // and its states at UL + k stateStride and UR + k stateStride.
  struct FacePoints {
    int count = 0;
    const KORA::mVector *normal = nullptr;
    const KORA::mPoint *point = nullptr;
    std::size_t stride = 0;
    const double *UL = nullptr;
    const double *UR = nullptr;
    int stateStride = 0;
    const KORA::mVector &n(int k) const {
      return *reinterpret_cast<const KORA::mVector *>(reinterpret_cast<const char *>(normal) + k * stride);
    }
    const KORA::mPoint &x(int k) const {
      return *reinterpret_cast<const KORA::mPoint *>(reinterpret_cast<const char *>(point) + k * stride);
    }
  };
  // Numerical fluxes at every point of the face, one call for the face: point
  // k's into FL + k nbFields() and FR + k nbFields().
  virtual void riemannFluxes(const FacePoints &pts, double *FL, double *FR) const {
    const int nf = nbFields();
    for (int k = 0; k < pts.count; ++k)
      riemannSolver(pts.n(k), pts.x(k), pts.UL + k * pts.stateStride, pts.UR + k * pts.stateStride, FL + k * nf,
                    FR + k * nf);
  }

  // Normal fluxes for the inner element at every point of a boundary face of
  // the given tag at time t, one call for the face (pts.UR unused): point k's
  // into F + k nbFields(). A law answers false, writing nothing, where it
  // has no such call (by default, and for any tag it leaves to
  // boundaryFlux): the caller then asks boundaryFlux point by point.
  virtual bool boundaryFluxes(const FacePoints &pts, int tag, double t, double *F) const {
    (void)pts;
    (void)tag;
    (void)t;
    (void)F;
    return false;
  }

  // True when the volume integrals also take the viscous flux Fv.
  virtual bool isViscous() const { return false; }
  // True when the states at quadrature points carry the field gradients.
  virtual bool needTheHigherOrderGradients() const { return false; }

  // Viscous flux vectors of every field. Laws without one throw the integer 0.
  virtual void Fv(const KORA::mPoint &p, const double *U, const KORA::mVector *G,
                  KORA::mVector *flux) const {
    (void)p;
    (void)U;
    (void)G;
    (void)flux;
    throw 0;
  }

  // Volume source term, one value per field. G may be null (no gradients).
  virtual void RHS(const double *U, const KORA::mVector *G, const KORA::mPoint &p,
                   double *S) const = 0;

  // Numerical normal flux between UL and UR: FL is subtracted from the left
  // element's residual, FR added to the right one's.
  virtual void riemannSolver(const KORA::mVector &n, const KORA::mPoint &p, const double *UL,
                             const double *UR, double *FL, double *FR) const = 0;

  // Normal flux for the inner element on a boundary face of the given tag at
  // time t. By default: the numerical flux against the far-field state,
  // whatever the tag. Some laws change U (wall conditions that fix the trace).
  virtual void boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p, double *U,
                            double *F, double t) const;

  // Largest wave speed of the state, for the stable time step.
  virtual double maximumEigenValue(const double *U, const KORA::mPoint &p) const = 0;

  // What else bounds the stable step of a law with a viscous interface flux,
  // asked once per cell with its mean state: the speed of the jump penalty
  // (a penalty -c (UR - UL) in the face flux damps jumps as an upwind flux of
  // speed 2c does) and the largest diffusivity (kinematic viscosity, thermal
  // diffusivity). Both 0, as by default, leave the wave-speed step alone.
  virtual void viscousStepLimits(const double *U, const KORA::mPoint &p, double &penaltySpeed,
                                 double &diffusivity) const {
    (void)U;
    (void)p;
    penaltySpeed = 0.0;
    diffusivity = 0.0;
  }

  // Output fields offered to the sensors.
  virtual int getNbFieldsOfInterest() const = 0;
  // Name and number of components (1 or 3, 2 for a few pairs) of output
  // field i; writes nothing for an index the law does not know.
  virtual void getNameAndSize(int i, int &size, std::string &name) const = 0;
  // Components of output field i at a point, state, gradients and time.
  virtual void getIthFieldOfInterest(int i, const KORA::mPoint &p, const double *U,
                                     const KORA::mVector *G, double *out, double t) const = 0;

  // Admissibility of a state, and its repair (only asked for a state that
  // isPhysical rejects; laws that cannot repair throw the integer 1).
  virtual bool isPhysical(const double *U) const = 0;
  virtual void restorePhysical(double *U) const {
    (void)U;
    throw 1;
  }

  // Scalar whose jump across faces feeds the jump error estimator.
  virtual double jumpQuantity(const double *U, const KORA::mVector *G) const = 0;

  // A velocity vector of the state.
  virtual void characteristicVectorField(const KORA::mPoint &p, double t, const double *U,
                                         const KORA::mVector *G, KORA::mVector &out) const = 0;

  // True when the field is imposed strongly on faces of the tag.
  virtual bool essentialBoundaryCondition(int field, int tag) const {
    (void)field;
    (void)tag;
    return false;
  }

  // Conservative to characteristic variables and back; copies by default.
  virtual void Con2Char(const double *con, double *chr) const {
    const int n = nbFields();
    for (int i = 0; i < n; ++i) chr[i] = con[i];
  }
  virtual void Char2Con(const double *chr, double *con) const {
    const int n = nbFields();
    for (int i = 0; i < n; ++i) con[i] = chr[i];
  }

  // Force on a particle; laws without one throw the integer 1.
  virtual void ForceField2d(const KORA::mPoint &p, double t, const double *U,
                            const KORA::mVector *G, KORA::mVector &force) {
    (void)p;
    (void)t;
    (void)U;
    (void)G;
    (void)force;
    throw 1;
  }
  virtual void ForceField3d(const KORA::mPoint &p, double t, const double *U,
                            const KORA::mVector *G, KORA::mVector &force) {
    (void)p;
    (void)t;
    (void)U;
    (void)G;
    (void)force;
    throw 1;
  }

  // The state outside the domain (also the initial solution), and the exact
  // solution (null when the law has none). Neither is owned by the law.
  FieldEvaluator *getFarField() const { return farField; }
  FieldEvaluator *getExactField() const { return exactField; }

protected:
  FieldEvaluator *farField = nullptr;
  FieldEvaluator *exactField = nullptr;
};

inline ConservationLaw::~ConservationLaw() = default;

inline void ConservationLaw::JacobianOfFluxes(const KORA::mPoint &p, double *U,
                                              KORA::mVector **J) {
  const double h = 1e-6;
  const int m = nbFields();
  KORA::mVector F0[kMaxFields];
  KORA::mVector F1[kMaxFields];
  Fi(p, U, F0);
  for (int i = 0; i < m; ++i) {
    const double saved = U[i];
    U[i] = saved + h;
    Fi(p, U, F1);
    U[i] = saved;
    for (int j = 0; j < m; ++j) J[i][j] = (F1[j] - F0[j]) / h;
  }
}

inline void ConservationLaw::boundaryFlux(const KORA::mVector &n, int tag, const KORA::mPoint &p,
                                          double *U, double *F, double t) const {
  (void)tag;
  // The far state is followed by zero gradients for laws that read them.
  double outside[kMaxFields] = {};
  double scratch[kMaxFields];
  if (!farField) throw std::string("boundary flux: the conservation law has no far field");
  farField->eval(p, t, outside);
  riemannSolver(n, p, U, outside, F, scratch);
}

#endif
