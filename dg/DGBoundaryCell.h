#ifndef DG_DGBOUNDARYCELL_H
#define DG_DGBOUNDARYCELL_H

// The interface cell of one mesh face (an edge in two dimensions): between a
// left element and a right element, or only a left one on the domain boundary
// or a partition boundary. It caches, per face quadrature point, the physical
// point, the unit normal pointing out of the left element, the weight times
// the face Jacobian, and both sides' basis values and physical gradients; the
// analysis fills the two state arrays at every residual evaluation. It lives
// in the face's fast-data slot.

#include <iosfwd>
#include <memory>
#include <span>
#include <vector>

#include "BasisTables.h"
#include "mAttachableDataContainer.h"
#include "mPoint.h"
#include "mVector.h"

class DGCell;
class DGErrorEstimator;
struct FaceTensors;

// Counts the DG cells made and destroyed: a cell pointer cached while the
// count stood still is still the cell its element carries.
inline unsigned long dgCellGeneration = 0;
namespace KORA {
class mEntity;
class Mapping;
}  // namespace KORA

// One face quadrature point. The state arrays belong to the interface cell
// (one block for all its points, see DGBoundaryCell::ensureStates): a point
// only refers to them. The sides' basis values are views of the shared tables
// of the sides' families (or of the interface cell's own lists, on a face that
// is not one of the side's own faces); the physical gradients, kept only for
// laws that lift gradients, are the interface cell's (gradsL, gradsR).
struct ptGaussInfo {
  double *UL = nullptr;  // left state (nbFields, or 4 nbFields with gradients); not owned
  double *UR = nullptr;  // right state, same layout; not owned
  int nUL = 0;           // number of entries of UL
  int nUR = 0;           // number of entries of UR
  KORA::mPoint x;        // physical point
  KORA::mVector n;       // unit normal out of the left element
  double JacW = 0.0;     // weight times face Jacobian determinant
  BasisRow fctsL;
  BasisRow fctsR;
};

// Values of the remote side of a partition face at two times, one row per
// face point. Every entry is 0 until values are received.
class InterProcData {
public:
  double t = 0.0;      // time of U
  double tprev = 0.0;  // time of Uprev
  double **U;
  double **Uprev;
  int nGP;
  int nValues;

  InterProcData(int nGP, int nValues);
  ~InterProcData();
  // How many exist: none means no face is a partition face.
  static long live();
  InterProcData(const InterProcData &) = delete;
  InterProcData &operator=(const InterProcData &) = delete;

  // The newest values become the previous ones and the block (row-major,
  // nValues per point, nGP rows) the newest, at the new time. Rows and
  // columns beyond the record's shape are ignored.
  void recieveSolution(double time, int nGP, int nValues, const double *block);
};

class DGBoundaryCell : public KORA::mAttachableData {
public:
  // The members the face sweeps read come first, so that they share the
  // object's first cache lines.
  KORA::mEntity *left = nullptr;   // first upward element of the face
  KORA::mEntity *right = nullptr;  // second one, or null

private:
  mutable DGCell *cachedL = nullptr;
  mutable DGCell *cachedR = nullptr;
  mutable KORA::mEntity *cachedLeft = nullptr;
  mutable KORA::mEntity *cachedRight = nullptr;
  mutable unsigned long cachedGeneration = ~0ul;

public:
  short leftTag = 0;
  short rightTag = 0;
  int modelTag = 0;  // id of the face's model entity (0 unclassified), taken by init
  InterProcData *interProc = nullptr;  // remote values on a partition face; owned
  std::vector<ptGaussInfo> gaussPoints;
  // States of all points in one block: point k's left state at 2 k stateSize,
  // its right state at (2 k + 1) stateSize (made by ensureStates).
  std::unique_ptr<double[]> stateBlock;
  int stateSize = 0;
  int ruleOrder = 0;  // order of the face rule of the points
  // The sides' orders the points were built for (-1 for no right side).
  short builtOrderL = -1;
  short builtOrderR = -1;
  // Each side's basis rows at the points as products of one-direction values
  // (quadrilateral sides), shared; null until the residual's first visit
  // after init looks for them.
  mutable const FaceTensors *tensors = nullptr;
  // Face mapping; owned. A straight simplex face's constant mapping is
  // rebuilt from the face's vertices whenever it is asked for, so it is not
  // kept between uses (see getMapping).
  mutable KORA::Mapping *mapping;
  KORA::mEntity *faceEntity = nullptr;  // the mapping's entity, kept at hand
  // Physical basis gradients of both sides at every point, point by point
  // (gradCountL left ones, then gradCountR right ones); empty unless the law
  // lifts gradients.
  std::vector<KORA::mVector> gradients;
  int gradCountL = 0;
  int gradCountR = 0;
  // Basis values of the points whose side coordinates are not those of a
  // shared table (hanging or curved faces).
  std::vector<std::unique_ptr<std::vector<double>>> ownBasis;

  // Takes ownership of the face mapping (also when it throws) and runs check.
  DGBoundaryCell(KORA::mEntity *face, KORA::Mapping *mapping);
  ~DGBoundaryCell() override;
  DGBoundaryCell(const DGBoundaryCell &) = delete;
  DGBoundaryCell &operator=(const DGBoundaryCell &) = delete;

  // The DG cells of the left and right elements (right null without a right
  // element), cached while no cell is made or destroyed and the sides stay.
  void sideCells(DGCell *&L, DGCell *&R) const {
    if (cachedGeneration != dgCellGeneration || cachedLeft != left || cachedRight != right) refreshSideCells();
    L = cachedL;
    R = cachedR;
  }

  // Finds the face's one or two upward elements, resets both tags, drops the
  // remote values of a face that has become interior and rebuilds the points.
  // A face without upward elements prints a message and throws the integer 1;
  // one with more than two throws a text.
  void check();
  // check, except that a face whose sides are the elements it was built for,
  // with cells of the same orders, keeps its points (they would come out the
  // same) and only has its tags and states reset as check would. For meshes
  // whose vertices do not move (hierarchical refinement).
  void recheck();
  // Face quadrature order: mapping order + 2 max(left order, right order).
  int computeOrder(const DGCell *L, const DGCell *R) const;
  // Rebuilds the face quadrature points from the neighbours' cells.
  void init(DGCell *L, DGCell *R);
  // Physical basis gradients of both sides at every point (made by init only
  // for laws that lift gradients); ensureGradients makes them when missing.
  void computeGradients(DGCell *L, DGCell *R);
  void ensureGradients();
  std::span<const KORA::mVector> gradsL(int k) const {
    if (gradients.empty()) return {};
    return {gradients.data() + static_cast<std::size_t>(k) * (gradCountL + gradCountR),
            static_cast<std::size_t>(gradCountL)};
  }
  std::span<const KORA::mVector> gradsR(int k) const {
    if (gradients.empty()) return {};
    return {gradients.data() + static_cast<std::size_t>(k) * (gradCountL + gradCountR) + gradCountL,
            static_cast<std::size_t>(gradCountR)};
  }
  // Every point's left state (and right state when right is true) with room
  // for at least n entries. A block too small is replaced by a zeroed one
  // (states set before keep their side); otherwise values are kept.
  void ensureStates(int n, bool right);
  // Point k's left or right state with room for at least n entries (same
  // rule).
  double *leftState(int k, int n);
  double *rightState(int k, int n);
  // Reference coordinates xi in a side's element of the face point x with
  // face coordinates (u, v, w): from the face's vertices when the face is one
  // of the element's own faces and that reproduces x (shared is then true and
  // the point has shared basis tables), else by inverting the side's mapping.
  void sideCoordinates(DGCell *side, const KORA::mPoint &x, double u, double v, double w, double xi[3],
                       bool &shared) const;
  // Unit normal out of the left element at its reference coordinates (u, v,
  // w), also on a hanging face (a refinement descendant of one of the left
  // element's faces). Throws the integer 0 when the face is not found.
  void getNormalVector(DGCell *L, DGCell *R, double u, double v, double w, KORA::mVector &n) const;
  // Right-side states of a partition face interpolated at time t (n values
  // per point); elsewhere the local time-stepping tag rule.
  void getSolutionOnRightSideForTime(double t, int n);
  // Tag rule: when leftTag < rightTag the right cell stops being active.
  void getSolutionOnRightSideForTag_Interior();
  // Adds the estimator's face contributions to both neighbours' error
  // accumulators (0 when the estimator writes nothing).
  void computeError(const DGErrorEstimator &estimator);

  // An interface cell has no recovery data of its own.
  void write(std::ostream &) const {}
  void read(std::istream &) {}

  KORA::mEntity *getEntity() const { return faceEntity; }

private:
  void refreshSideCells() const;
  // The face mapping is a constant one that getMapping makes again on demand.
  bool mappingRemade = false;
  // Order of the face mapping, kept for computeOrder.
  short mappingOrder = 1;

public:
  KORA::mEntity *getLeft() const { return left; }
  KORA::mEntity *getRight() const { return right; }
  // The face mapping (made again from the face's vertices when it was let
  // go after the points were built).
  KORA::Mapping *getMapping() const;
  int nbPtGauss() const { return static_cast<int>(gaussPoints.size()); }
  ptGaussInfo *pt(int i) { return &gaussPoints[i]; }
  const ptGaussInfo *pt(int i) const { return &gaussPoints[i]; }
};

// The DG cell held by an element's fast-data slot, or null.
DGCell *dgCellOf(KORA::mEntity *element);
// The interface cell held by a face's fast-data slot, or null.
DGBoundaryCell *dgBoundaryCellOf(KORA::mEntity *face);
// Whether entity a comes before entity b by (type, vertex ids in the order of
// the entity's vertices): an order that depends on the entities alone.
bool entityPrecedes(const KORA::mEntity *a, const KORA::mEntity *b);
// The positions of the entities in the order of entityPrecedes, sorted on
// keys read once per entity rather than at every comparison. Entities with
// equal keys keep no particular order (a mesh's leaves have distinct keys).
std::vector<std::size_t> entityOrder(std::span<const KORA::mEntity *const> entities);
// Sorts cells (DG or interface cells) by their entities in that order.
template <class CellType>
void sortByEntity(std::vector<CellType *> &list) {
  std::vector<const KORA::mEntity *> entities(list.size());
  for (std::size_t k = 0; k < list.size(); ++k) entities[k] = list[k]->getEntity();
  const std::vector<std::size_t> order = entityOrder(entities);
  std::vector<CellType *> sorted(list.size());
  for (std::size_t k = 0; k < order.size(); ++k) sorted[k] = list[order[k]];
  list.swap(sorted);
}
// The two elements of a face in side order: the left one is the element that
// comes first by entityPrecedes (right may be null).
void orderSides(KORA::mEntity *&left, KORA::mEntity *&right);

#endif
