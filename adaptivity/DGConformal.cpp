// Conformal remeshing of the DG discretisation: the nodal metric built from
// the solution, the hand-off to the mesh adaptation library and the transfer
// of the solution onto every element a local modification creates.

#include "DGConformal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "AdaptUtil.h"
#include "ConformalAdapter.h"
#include "ConservationLaw.h"
#include "DGAdaptation.h"
#include "DGAnalysis.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGCellFieldEvaluator.h"
#include "DGNodalRecovery.h"
#include "DGParameters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "Octree.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"
#include "metricField.h"

using KORA::mEntity;
using KORA::mMesh;
using KORA::mVector;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

// Smallest cell volume that is projected, relative to the cube (square) of
// the cell's longest edge so that a mesh in any unit is treated alike, and
// the largest relative change of the covered volume that passes without a
// message.
constexpr double kSmallestVolume = 1e-12;
constexpr double kVolumeTolerance = 1e-6;

// The longest edge of an element raised to its dimension: the volume of a
// sound element of that size, up to a shape factor.
double sizeVolume(mEntity *e, int d) {
  const int n = e->size(0);
  double longest2 = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) {
      const KORA::mPoint a = static_cast<KORA::mVertex *>(e->get(0, i))->point();
      const KORA::mPoint b = static_cast<KORA::mVertex *>(e->get(0, j))->point();
      const double dx = a(0) - b(0), dy = a(1) - b(1), dz = a(2) - b(2);
      longest2 = std::max(longest2, dx * dx + dy * dy + dz * dz);
    }
  return std::pow(longest2, 0.5 * d);
}

// A row of a nodal metric says a size (its length) along a direction; a row
// of length 0 (an eigenvalue of exactly 0 that nothing replaced) says
// neither, and a metric with a zero size would be refused, leaving the vertex
// without one. Such a row is given a direction orthogonal to the others and
// the largest size the vertex asks for elsewhere (hmax when it asks none):
// where the solution has no curvature the size is as coarse as the vertex
// allows.
void completeFrame(mVector e[3], double h[3], double hmax) {
  double largest = 0.0;
  for (int i = 0; i < 3; ++i)
    if (h[i] > largest) largest = h[i];
  const double fill = largest > 0.0 ? largest : hmax;
  const mVector axes[3] = {mVector(1, 0, 0), mVector(0, 1, 0), mVector(0, 0, 1)};
  for (int i = 0; i < 3; ++i) {
    if (h[i] > 0.0) continue;
    // Gram-Schmidt of the coordinate axes against the directions known so
    // far; the axis that keeps the most of itself is taken.
    mVector best(0, 0, 0);
    for (const mVector &a : axes) {
      mVector c = a;
      for (int j = 0; j < 3; ++j)
        if (j != i && h[j] > 0.0) c = c - e[j] * (c * e[j]);
      if (c.length() > best.length()) best = c;
    }
    best.normalize();
    e[i] = best;
    h[i] = fill;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Solution transfer

void DGCallback(KORA::pPList removed, KORA::pPList created, void *, KORA::modType, KORA::pEntity) {
  GlobalParamManager *ctx = context();
  DGAnalysis *analysis = ctx->analysis;
  if (!analysis) throw std::string("conformal adaptation: no analysis");
  const int d = ctx->dim;
  int order = 1;
  double before = 0.0, after = 0.0;
  DGCellFieldEvaluator solution;
  bool anySource = false;
  const int nRemoved = removed ? KORA::PList_size(removed) : 0;
  for (int i = 0; i < nRemoved; ++i) {
    mEntity *e = static_cast<mEntity *>(KORA::PList_item(removed, i));
    if (!e || e->getLevel() != d) continue;
    DGCell *c = dgCellOf(e);
    if (!c) continue;  // nothing to carry; the volume check tells
    order = c->getFunctionSpace()->order();
    solution.addCell(c);
    anySource = true;
    before += std::fabs(c->Volume());
  }
  const int nCreated = created ? KORA::PList_size(created) : 0;
  for (int i = 0; i < nCreated; ++i) {
    mEntity *e = static_cast<mEntity *>(KORA::PList_item(created, i));
    if (!e || e->getLevel() != d) continue;
    DGCell *c = analysis->addCell(e, order);
    const double volume = std::fabs(c->Volume());
    if (!(volume > kSmallestVolume * sizeVolume(e, d))) continue;
    // Without a removed cell there is no solution to carry: the cell keeps
    // the zero coefficients of a new cell rather than integrate undefined
    // values.
    if (anySource) c->L2ProjInitial(&solution);
    clearNewCell(c);
    after += volume;
  }
  if ((before != 0.0 || after != 0.0) &&
      std::fabs(after - before) / (after + before) > kVolumeTolerance)
    std::printf("error in callback : v_initial = %12.5E , v_final = %12.5E\n", before, after);
}

bool conformallyAdaptable(const mMesh &mesh) {
  const int d = mesh.getDim();
  for (auto it = mesh.begin(d); it != mesh.end(d); ++it) {
    const int type = (*it)->getType();
    if (type != mEntity::TRI && type != mEntity::TET) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Metric field

void setMetricsFromNodalTensors(metricField &field, unsigned int tag, double hmax) {
  mMesh &mesh = adaptationMesh("conformal adaptation");
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    const auto *nodal = dynamic_cast<const KORA::mAttachable_mTensor2 *>(v->getData(tag));
    if (!nodal) continue;
    double h[3];
    mVector e[3];
    eigenRows(nodal->t, h, e);
    completeFrame(e, h, hmax);
    double dirs[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) dirs[i][j] = e[i][j];
    field.setMetric(v, dirs, h);
  }
}

void DGAnalysis::computeErrorAndSizeField(metricField *field) {
  GlobalParamManager *ctx = context();
  const DGParameters &p = *ctx->parameters;
  const ConservationLaw *law = ctx->law;
  if (!law) throw std::string("conformal adaptation: no conservation law");
  const int nf = law->nbFields();

  // The Hessian recovery adds the lifted jumps of the solution (coefficient
  // level 2) to its gradients.
  computeSolutionsOnBothSides(p.state.t, false, -1, boundaryCells);
  comm_Ul(0.0, -1);
  ZeroRHS zero{residualFieldCount(), -1};
  applyToAll(cells, zero);
  ComputeHigherOrderGradients lift{p.state.t, -1, nf};
  applyToAll(boundaryCells, lift);
  ComputeHigherOrderGradientsCorrection correct{nf, 2};
  applyToAll(cells, correct);

  BuildNodalGradients(0, kNodalGradientTag);
  BuildNodalHessians(0, kNodalHessianTag);
  BuildNodalMetrics(kNodalHessianTag, kNodalGradientTag, kNodalMetricTag, p.general.alpha);

  setMetricsFromNodalTensors(*field, kNodalMetricTag, p.href.maxCellSize);
  unBuildNodalData(kNodalHessianTag);
  unBuildNodalData(kNodalMetricTag);
  unBuildNodalData(kNodalGradientTag);
}

void DGAnalysis::cleanSizeField() { unBuildNodalData(KORA::KORA_Util::Instance()->sizeId); }

// ---------------------------------------------------------------------------
// The driver

void DGAnalysis::conformalAdaptation(int) {
  mMesh &mesh = adaptationMesh("conformal adaptation");
  if (!conformallyAdaptable(mesh))
    throw std::string("conformal adaptation: the mesh holds elements other than triangles and tetrahedra");
  // The field registers its data name for its lifetime: it is released on
  // every path, so that the next adaptation can make its own.
  auto field = std::make_unique<metricField>(&mesh);
  if (octree) KORA::Octree_Delete(octree);
  octree = nullptr;
  bool viewWritten = false;
  try {
    computeErrorAndSizeField(field.get());
    ConformalAdapter adapter(&mesh, field.get(), 0, 0);
    adapter.keepDomain = 1;  // boundaries given as one model entity keep their corners
    adapter.setCallback(DGCallback, this);
    const double limits[3] = {2.0, 2.0, 2.0};
    field->smooth_aniso(limits);
    adapter.run_2(5, 0, nullptr);
    viewWritten = AdaptUtil::viewMetricField(&mesh, field.get()) != 0;
    cleanSizeField();
    field.reset();
  } catch (...) {
    // Nothing of an interrupted adaptation stays on the vertices.
    unBuildNodalData(kNodalHessianTag);
    unBuildNodalData(kNodalMetricTag);
    unBuildNodalData(kNodalGradientTag);
    cleanSizeField();
    throw;
  }
  // The adapted mesh and its solution are sound; the view that was asked for
  // is lost, and a run with lost output does not end as a success.
  if (!viewWritten)
    throw std::string("conformal adaptation: the metric view mField.pos could not be written");
}
