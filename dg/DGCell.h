#ifndef DG_DGCELL_H
#define DG_DGCELL_H

// The DG element: the polynomial basis and mapping of one mesh element of the
// top dimension, its coefficient levels, residual vector, inverse mass matrix
// and cached volume quadrature data, plus the accumulators that the limiting
// and error passes fill. It lives in its element's fast-data slot.
//
// Per-field coefficient arrays are field-major: entry f*n + j belongs to field
// f and basis function j (n functions). The first coefficient of a field is
// the cell's mean state of that field.
//
// The number of fields comes from the run's conservation law (held by the
// global context). A cell is refused, with a text exception (std::string),
// when there is no law, when the law has no field or more than 256 fields, or
// when the space's order is beyond its basis data.

#include <iosfwd>
#include <span>
#include <vector>

#include "BasisTables.h"
#include "CellStore.h"
#include "mAttachableDataContainer.h"
#include "mPoint.h"
#include "mVector.h"

class FunctionSpace;
class FieldEvaluator;
namespace KORA {
class mEntity;
class Mapping;
class mTextWriter;
}  // namespace KORA

// Coefficients of one cell at several levels: level 0 current, level 1 before
// the last update, levels 2 to 5 auxiliary sets of the gradient
// reconstruction; t is the time of level 0, tprev that of level 1.
//
// Levels 0 and 1 are stored from the start. An auxiliary level is stored only
// once something writes it (level(k)): most runs never do (only laws with
// gradient lifting fill level 2), and an absent level reads as all zero.
class DG_Dofs {
public:
  // nLevels rows of nbFields * nbFunctions values; rows of auxiliary levels
  // never written are null (see level and levelIfAny).
  double **levels;
  short nLevels;
  short nbFields;
  short nbFunctions;
  double t;
  double tprev;

  // Levels 0 and 1 zero, the others absent, t = 0, tprev = -1. Counts must
  // fit 16 bits.
  DG_Dofs(int nLevels, int nbFields, int nbFunctions);
  ~DG_Dofs();
  DG_Dofs(const DG_Dofs &) = delete;
  DG_Dofs &operator=(const DG_Dofs &) = delete;

  int nbValues() const { return nbFields * nbFunctions; }

  // Level k (0 <= k < nLevels) for writing: an absent level is stored, all
  // zero, first.
  double *level(int k);
  // Level k, or null while it was never written (then all its values are 0).
  const double *levelIfAny(int k) const { return levels[k]; }

  // Levels 0 and 1 move to the given arrays (nbValues each, values copied),
  // which stay someone else's; own() takes a copy of its own back.
  void refer(double *level0, double *level1);
  void own();
  // Levels 0 and 1 are now at these addresses (the values moved with them).
  void relocate(double *level0, double *level1) {
    levels[0] = level0;
    if (nLevels > 1) levels[1] = level1;
  }
  bool external() const { return external_; }

  // Level 0 goes to level 1 (when there is one) and dU is added to level 0.
  // A time step moves t to tprev and advances t by dt (whatever dt is); a
  // projection leaves t alone and sets tprev to 0. Levels 2 to 5 never change.
  void update(const double *dU, double dt, bool projection = false);

private:
  static constexpr int kStoredLevels = 2;  // levels stored from the start
  bool external_ = false;                  // levels 0 and 1 belong to a store
};

// One cached volume quadrature point. Its weight is that of point k of the
// element's Gauss rule of order DGCell::computeOrder(). The basis values and
// reference gradients are the shared tables of the space's family and order;
// physical gradients come from them and the cell's inverse Jacobians
// (DGCell::physicalGradients).
struct vptGaussInfo {
  double jacDet = 0.0;  // mapping Jacobian determinant (no weight)
  int nbFcts = 0;
  BasisRow phi;                              // basis values
  const KORA::mVector *refGrads = nullptr;   // reference basis gradients (nbFcts)
};

class DGCell : public KORA::mAttachableData {
public:
  // Coefficients used by gradient evaluation: level 0, level 0 + level 2,
  // level 2, 3, 4 or 5. Any other value writes nothing.
  enum G_type : int { LEVEL0 = 0, LEVEL0_PLUS_2 = 1, LEVEL2 = 2, LEVEL3 = 3, LEVEL4 = 4, LEVEL5 = 5 };

  KORA::mEntity *entity;          // not owned
  CellVector rhs;                 // residual, nbFields * n, field-major
  // Kept with the coefficients for the hot loops: n (the space's basis size),
  // the number of fields and the current coefficients (dofs->levels[0]).
  int nbFcts = 0;
  int nbFieldCount = 0;
  double *coef0 = nullptr;
  DG_Dofs *dofs;                  // owned
  FunctionSpace *functionSpace;   // owned
  KORA::Mapping *mapping;         // owned
  short tag;                      // local time-stepping level
  bool active;                    // next to the level: every pass reads both first
  // n x n (nbFields*n square for the viscous kind); owned. Null when
  // massScaled: then massScale and the shared ratios stand for it (see
  // invMassEntry).
  double **invMass;
  bool massDiagonal = false;      // invMass is diagonal to round-off (set by init)
  // invMass[i][i] is invMass[0][0] m_0 / m_i to round-off, m_i the reference
  // integral of the square of function i (an orthogonal basis on an affine
  // element): the update then reads one entry and a shared table (set by init).
  bool massScaled = false;
  // The inverse mass matrix's first entry, when massScaled.
  double massScale = 0.0;
  double cellSize;                // characteristic length of the element
  std::vector<vptGaussInfo> gaussPoints;
  // Inverse Jacobians of the volume points, 9 entries each, (i, j) = du_j/dx_i
  // at 3 i + j: one for all points when the mapping is affine (every point has
  // the same one), else one per point.
  std::vector<double> jacInverses;
  // A two-dimensional element in the x-y plane: its basis gradients have no z
  // component and the x and y ones need only the first two reference ones.
  bool planar = false;
  // The mapping's Jacobian is the same at every volume point (to the bit):
  // one inverse Jacobian and one determinant serve all of them.
  bool affine = false;
  // The volume rule of the points (shared, see sharedRule).
  const RulePoint *rule = nullptr;
  // Accumulators of the limiting passes, cleared with the residual: kept
  // among the members every residual pass reads.
  double jumpSum;
  double jumpWeight;
  double limiterMeasure;
  std::vector<double> stencilMax;  // per field, filled by the limiting passes (0 at start)
  std::vector<double> stencilMin;
  // The store holding this cell's levels 0 and 1 and residual, and the slot,
  // or null while the cell owns them (see CellStore).
  CellStore *store = nullptr;
  std::size_t storeSlot = 0;
  double errorWeight;
  double errorSum;

  // Takes ownership of the space and the mapping (also when it throws).
  DGCell(KORA::mEntity *element, FunctionSpace *space, KORA::Mapping *mapping);
  ~DGCell() override;
  DGCell(const DGCell &) = delete;
  DGCell &operator=(const DGCell &) = delete;

  // out = dt * M^-1 * rhs for a time step; returns the sum over the fields of
  // the squared first component of M^-1 * rhs (without dt).
  virtual double computeInvMassMatrixMultRHSDT(double dt, double *out);
  // Point location: true when the point lies in the element; then (u, v, w)
  // hold its reference coordinates, values the fields there and, when grads
  // is not null, their physical gradients. False leaves values untouched.
  virtual bool inCell(const KORA::mPoint &point, double *values, double &u, double &v, double &w,
                      KORA::mVector *grads);
  // out = M^-1 * rhs with the plain (unconstrained) inverse mass matrix, as
  // used by a projection; same result as computeInvMassMatrixMultRHSDT.
  virtual double projectionInvMassMatrixMultRHS(double *out);

  // Inverse mass matrix and quadrature points for the space's current order.
  void init();
  // Rebuilds the cached volume quadrature points.
  void initGaussPoints();
  // Volume quadrature order: 2p + mapping order - 1.
  int computeOrder() const;

  // Forward-Euler step of the coefficients by dt * M^-1 * rhs; returns the
  // residual measure of computeInvMassMatrixMultRHSDT.
  double advanceInTime(double dt);

  // Projection integrals of the field (evaluated at time 0) into out, which
  // holds nbFields * n entries.
  void L2Proj(const FieldEvaluator *field, std::span<double> out);
  // Level 0 becomes the L2 projection of the field; t is kept, tprev is 0.
  void L2ProjInitial(const FieldEvaluator *field);

  // Values of every field at reference coordinates, from level 0.
  void interpolate(double u, double v, double w, double *values) const;
  // The same between levels 0 (at t) and 1 (at tprev).
  void interpolate(double u, double v, double w, double *values, double t) const;
  // From given basis values.
  void interpolate(double *values, const std::vector<double> &phi) const;
  void interpolate(double *values, double t, const std::vector<double> &phi) const;
  // Physical gradients of every field; returns the Jacobian determinant.
  double dinterpolate(double u, double v, double w, KORA::mVector *grads, G_type g) const;
  // From given physical basis gradients.
  void dinterpolate(KORA::mVector *grads, std::span<const KORA::mVector> gradPhi, G_type g) const;

  // Moves levels 0 and 1 and the residual into a store's slices (values
  // kept); leaveStore gives the cell its own copies back.
  void placeIn(CellStore *s, std::size_t slot, double *level0, double *level1, double *residual);
  void leaveStore();
  // The store's arrays moved: the slices are now at these addresses.
  void relocate(double *level0, double *level1, double *residual) {
    dofs->relocate(level0, level1);
    rhs.relocate(residual);
    coef0 = level0;
  }

  // Entry (i, j) of the inverse mass matrix, also when only its first entry
  // is kept (massScaled; entry (i, i) is then massScale m_0 / m_i, the
  // others 0).
  double invMassEntry(int i, int j) const;

  // Inverse Jacobian of volume point k (9 entries, see jacInverses).
  const double *jacInverseAt(int k) const { return jacInverses.data() + (jacInverses.size() == 9 ? 0 : 9 * k); }
  // Physical basis gradients at volume point k into out (nbFcts entries).
  void physicalGradients(int k, KORA::mVector *out) const;

  // Lowers dtmin to the cell's stable time step when that is smaller.
  void adaptTimeStep(double cfl, double &dtmin) const;

  double theMean(int f) const;
  void theMean(double *values, double t) const;
  double Volume() const;
  // A cell that received no error weight has no error.
  double getError() const { return errorWeight == 0.0 ? 0.0 : errorSum / errorWeight; }
  void ZeroError() { errorWeight = errorSum = 0.0; }
  void beginTimeStep(double t);

  // Recovery block: the order, then every level-0 coefficient, each followed
  // by one blank, in the stream's own number format. Reading a block of
  // another order rebuilds the cell for that order. A damaged block is
  // refused with a text exception.
  void write(std::ostream &os) const;
  void read(std::istream &is);
  // The same block into a text writer, numbers as a stream with precision 16
  // in scientific notation writes them (the recovery file's form).
  void write(KORA::mTextWriter &out) const;
  // What read does before it extracts the numbers: the space takes order p
  // (refused with a text beyond the basis data), the levels are made anew
  // and the cell rebuilt for a changed order. Returns level 0, to be filled
  // with nbFields() * the space's size() coefficients in the order of write.
  double *restoreOrder(int p);

  KORA::mEntity *getEntity() const { return entity; }
  FunctionSpace *getFunctionSpace() const { return functionSpace; }
  KORA::Mapping *getMapping() const { return mapping; }
  DG_Dofs *getCoefficients() const { return dofs; }
  short getTag() const { return tag; }
  void setTag(short t) { tag = t; }
  double size() const { return cellSize; }
  double t() const { return dofs->t; }
  int nbPtGauss() const { return static_cast<int>(gaussPoints.size()); }
  vptGaussInfo *pt(int k) { return &gaussPoints[k]; }
  const vptGaussInfo *pt(int k) const { return &gaussPoints[k]; }
  int nbFields() const { return dofs->nbFields; }

protected:
  // Rebuilds the order-dependent operators after the space's order changed.
  virtual void rebuildForOrder();

private:
  // Product of the first n x n block of invMass with rhs, field by field.
  double blockInvMassMultRHS(double dt, double *out) const;
};

// The cell kind of laws that need higher-order gradients: one coupled inverse
// mass matrix over all fields that carries the law's essential boundary
// conditions (100000 times the face mass matrix added to the constrained
// field's block on each face whose model tag imposes it). Projections use the
// unconstrained inverse; every time step uses the constrained one.
class DGAnyViscousCell : public DGCell {
public:
  DGAnyViscousCell(KORA::mEntity *element, FunctionSpace *space, KORA::Mapping *mapping);
  ~DGAnyViscousCell() override = default;

  double computeInvMassMatrixMultRHSDT(double dt, double *out) override;
  double projectionInvMassMatrixMultRHS(double *out) override;
  // invMass becomes the coupled (nbFields*n)^2 inverse, with the boundary
  // terms when constrained is true.
  virtual void computeConstrainedInvertMassMatrix(bool constrained);

protected:
  void rebuildForOrder() override;
};

#endif
