#ifndef DG_DGANALYSISPASSES_H
#define DG_DGANALYSISPASSES_H

// The per-pass function objects of the analysis: each carries its few
// parameters and is applied, in list order, to every cell of a cell list, every
// interface cell of a face list or every vertex of the mesh.
//
// Level filters (a pass level of -1 means all levels):
// - a face takes part when its left or its right time level equals the pass level;
// - a cell takes part when it is active and its time level equals the pass
//   level (the passes that depart from this say so).
//
// Face states: at every face quadrature point each side holds the law's n
// values, followed, when gradients were asked for, by 3n gradient components
// (x, y, z of field 0, then of field 1 ...). A law has at most 256 fields.
//
// The objects are applied by reference (applyToAll), so that the scratch
// arrays of the volume passes are built once per sweep, not once per cell.

#include "mVector.h"

class DGCell;
class DGBoundaryCell;
class DGLimiter;
class ConservationLaw;
namespace KORA {
class mEntity;
}

namespace dgpass {
constexpr int kMaxFields = 256;
}

// Applies a pass to every element of a container, in order.
template <class List, class Pass>
void applyToAll(List &list, Pass &pass) {
  for (auto *item : list) pass(item);
}

// ---- face states and gradient lifting

// Both sides' states at every face point of the level's faces at time t. A side
// at the pass level (or every side for a negative level) takes its cell's
// current coefficients; another side is interpolated in time between its
// cell's previous and current coefficients. Gradients (from the current
// coefficients) follow the values when withGradients is set. Missing state
// arrays are allocated zeroed with `size` entries; arrays too small for `size`
// are reallocated.
struct ComputeSolutionOnBothSides {
  double t;
  bool withGradients;
  short level;
  int n;
  int size;
  bool partitionFacesOnly = false;  // skip the faces that have no remote side
  void operator()(DGBoundaryCell *face) const;
};

// Right states of partition faces at time t (one process: nothing to fill).
struct ComputeSolutionOnRightSide_InParallel {
  double t;
  bool withGradients;
  int n;
  short level;
  int size;
  void operator()(DGBoundaryCell *face) const;
};

// Lifting of half the jump of every field at interior face points into the
// residuals of the sides of the level: both sides subtract
// d (grad phi_j . normal) w, d = (UL - UR) / 2.
struct ComputeHigherOrderGradients {
  double t;
  short level;
  int n;
  void operator()(DGBoundaryCell *face) const;
};

// Every cell of the list (no filter): coefficient level `target` becomes
// K^-1 residual field by field, K the stiffness matrix with K[0][0] = 1.
struct ComputeHigherOrderGradientsCorrection {
  int n;
  int target;
  void operator()(DGCell *cell) const;
};

// Clears the residual and the four limiting accumulators of the level's active
// cells; n values per basis function at most (the residual's own size bounds it).
struct ZeroRHS {
  int n;
  short level;
  void operator()(DGCell *cell) const;
};

// ---- volume and face integrals

// Volume integrals of the inviscid flux and the source against the basis for
// the level's active cells: residual(f, j) += (S_f phi_j + F_f . grad phi_j) w detJ.
// Order-0 tetrahedra get only the source (their flux term vanishes).
struct ComputeVolumeContributionInviscid {
  int n;
  short level;
  const ConservationLaw *law;
  // When positive, the pass first clears the cell as ZeroRHS with this count
  // does, so that the residual is cleared and summed in one sweep.
  int zeroFirst = 0;
  // When set, each cell first begins the step at beginTime, takes level 1
  // (one level for all) and lowers smallestStep to its stable step at the
  // CFL number cfl, as the step's own first sweep would.
  bool beginStep = false;
  double beginTime = 0.0;
  double cfl = 0.0;
  double smallestStep = 0.0;
  KORA::mVector flux[dgpass::kMaxFields];
  void operator()(DGCell *cell);
};

// The same with the viscous flux and gradient-dependent sources.
struct ComputeVolumeContributionViscous {
  int n;
  short level;
  const ConservationLaw *law;
  KORA::mVector flux[dgpass::kMaxFields];
  KORA::mVector grads[dgpass::kMaxFields];
  KORA::mVector viscousFlux[dgpass::kMaxFields];
  void operator()(DGCell *cell);
};

// Face integrals of the numerical flux (interior faces) or the boundary flux
// (domain boundary, by the face's model tag): subtracted from the left cell,
// added to the right cell, on the sides whose level is the pass level (every
// side for the level -1).
struct ComputeBoundaryContributions {
  double t;
  short level;
  int n;
  const ConservationLaw *law;
  // When positive, the states of a face without a remote side are computed
  // first (at time t, arrays of stateSize entries), as the state pass would.
  int stateSize = 0;
  // False when the law's fluxes do not depend on the point: the numerical
  // fluxes of an interior face are then taken in one call.
  bool pointFluxes = true;
  // When positive, both levels of the face are set to it first (one level
  // for all faces, see DGAnalysis::localTimeStepping).
  short setLevel = 0;
  void operator()(DGBoundaryCell *face) const;
};

// ---- limiting

struct ZeroInfo {
  short level;
  void operator()(DGCell *cell) const;
};

// |UL0 - UR0| w into the jump sum and w into the jump weight of both cells of
// every interior face of the level.
struct ComputeJumps {
  double t;
  short level;
  void operator()(DGBoundaryCell *face) const;
};

// Stencil bounds of the level's active cells start at their own means at t.
struct InitStencilAverages {
  int n;
  double t;
  short level;
  void operator()(DGCell *cell) const;
};

// Both cells of an interior face of the level widen their bounds with the
// other's means.
struct ComputeStencilAverages {
  double t;
  int n;
  short level;
  void operator()(DGBoundaryCell *face) const;
};

// Every cell around a vertex widens its bounds with the means of all cells
// around that vertex (no level or active filter).
struct EnhanceStencilToCorners {
  short level;
  double t;
  int n;
  int dim;
  void operator()(KORA::mEntity *vertex) const;
};

// Hands the level's active cells whose indicator exceeds the threshold to the
// limiter (every such cell when the limiter wants no stencil).
struct LimitCell {
  DGLimiter *limiter;
  short level;
  double threshold;
  void operator()(DGCell *cell) const;
};

// ---- time advance

// Forward Euler step dt of every cell of the level (active or not).
struct AdvanceInTime {
  int n;
  double dt;
  double *accumulator;
  short level;
  void operator()(DGCell *cell) const;
};

// Update of the goal-step variant: an active cell due at substep j advances by
// the largest whole number of fine steps below its stable step (at least 1,
// never beyond substep k) and its level moves on by that number.
struct AdvanceInTime_Version2 {
  int n;
  double fineStep;
  double cfl;
  double *accumulator;
  short j;
  short k;
  int *counter;
  double scratchMin;
  void operator()(DGCell *cell);
};

// Start of a macro step: both times of every cell set to t, every level to 0.
struct BeginTimeStep {
  double t;
  void operator()(DGCell *cell) const;
};

// Copies the cells' levels onto the faces; a boundary face takes `outside` as
// its right level when setOutside is true and keeps it otherwise.
struct TagBoundaryCells {
  int outside;
  bool setOutside;
  void operator()(DGBoundaryCell *face) const;
};

// Mean of every field of the cell at time T, weighted in time between its
// current and previous first coefficients: a = (T - tprev) / (t - tprev)
// (0 when both times are equal), mean = (1 - a) c0 + a c1.
void cellMeansAt(const DGCell *cell, double T, double *means);

#endif
