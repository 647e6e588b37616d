#ifndef DG_DGADAPTATION_H
#define DG_DGADAPTATION_H

// Solution-driven adaptation of the DG discretisation: the rule that turns a
// cell's error and jumps into a target refinement level, the smoothing of the
// targets across faces, the callback that steers the mesh's hierarchical
// refinement, the order rule of p-adaptation and the start-up check of the
// adaptation settings.
//
// A target level is an int attached to a leaf element under the analysis's
// level tag ("_optimum_level"); an element without one has target 0.

#include <vector>

#include "KORA_DataExchanger.h"
#include "mSplitCallbacks.h"

class DGAnalysis;
class DGBoundaryCell;
class DGCell;
class DGErrorEstimator;
class DGParameters;
namespace KORA {
class mEntity;
class mMesh;
}

// Inputs of the level rule of one cell.
struct LevelRule {
  double divFactor;       // error rate r (its sign selects the two-level rule)
  int maxLevel;           // M
  double jumpThreshold;   // the jump threshold `Error`
  bool conformal;         // bounds [0, 100] instead of [l - 1, l + 1]
};

// The target level of a cell of error e (m the largest cell error) at
// refinement level l whose jump indicator |J / (A c0)| is v.
int optimumLevel(const LevelRule &rule, double e, double m, int l, double v);

// The mesh of the global context; a text naming `who` when there is none.
KORA::mMesh &adaptationMesh(const char *who);

// Field count the residual of a cell holds (doubled for laws that need the
// higher-order gradients); a text when the context has no law.
int residualFieldCount();
// A new cell starts with a cleared residual and cleared limiting accumulators.
void clearNewCell(DGCell *cell);

// Target level of an element (0 without one) and its setter.
int targetLevel(const KORA::mEntity *e, unsigned int levelTag);
void setTargetLevel(KORA::mEntity *e, unsigned int levelTag, int level);

// Smoothing on one face: a side whose target lies more than one level below
// the other's is raised to the other's target minus one. Boundary faces
// change nothing.
void smoothH(DGBoundaryCell *face, unsigned int levelTag);

// Order of an element at refinement level l after an h-adaptation with order
// adaptation: P - (M - l) + 1 when that lies in 2..P, else `current`.
int orderForRefinementLevel(int P, int M, int l, int current);

// Splits and merges the elements of the context's mesh by their targets
// (one refinement pass with a DGHrefCallback) and rebuilds the upward
// adjacencies; the interface cells and the lists are left to the caller.
void refineToTargets(DGAnalysis &analysis, double maxError);

// Rebuilds the upward adjacencies of the leaves after a mesh change: from
// dimension d - 1 to d, from vertices to edges and, in three dimensions,
// from edges to faces.
void rebuildUpwardAdjacencies(KORA::mMesh &mesh, int d);

// Integral of field f over the cells (mean times measure).
double fieldIntegral(const std::vector<DGCell *> &cells, int f);

// Refuses, with a text, adaptation settings this run cannot use: conformal
// h-adaptation on a mesh with elements other than triangles and tetrahedra
// (not checked without a mesh), and h- or p-adaptation without an error
// estimator.
void checkAdaptationSettings(const DGParameters &p, const DGErrorEstimator *estimator,
                             const KORA::mMesh *mesh = nullptr);

// Carries targets across partition boundaries (nothing to carry in one
// process): a face's left target goes to the remote copy of the face.
class LOR_DataExchanger final : public KORA::KORA_DataExchanger {
public:
  LOR_DataExchanger(int dimension, unsigned int levelTag) : dim(dimension), tag_(levelTag) {}
  int tag() const override { return 114; }
  void *AP_alloc_and_fill_buffer(KORA::mEntity *face, KORA::KORA_SharedInfo &share, int) override;
  void receiveData(int from, void *message) override;

private:
  int dim;
  unsigned int tag_;
};

// The DG side of one hierarchical refinement pass: answers split (1),
// unsplit (-1) or keep (0) from the targets, and rebuilds the DG cells of the
// split or merged elements through the analysis.
class DGHrefCallback final : public KORA::mSplitCallbacks {
public:
  DGHrefCallback(DGAnalysis *analysis, double maxError, int dimension, unsigned int levelTag)
      : analysis(analysis), maxError(maxError), dim(dimension), levelTag(levelTag) {}
  using KORA::mSplitCallbacks::splitCallback;
  using KORA::mSplitCallbacks::unsplitCallback;
  // A leaf answers by comparing its target with its level; a parent answers
  // -1 only when every child asks to be coarsened.
  int operator()(KORA::mEntity *e) override;
  void splitCallback(KORA::mEntity *e) override;
  void unsplitCallback(KORA::mEntity *e) override;
  // A restarted run must refine to the ids of the uninterrupted one.
  bool numbersByVertexIds() const override { return true; }
  // The largest cell error and the space dimension of the pass.
  double largestError() const { return maxError; }
  int dimension() const { return dim; }

private:
  DGAnalysis *analysis;
  double maxError;
  int dim;
  unsigned int levelTag;
};

#endif
