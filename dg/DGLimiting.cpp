// Limiting passes (jump indicator, stencil bounds, limiter calls) and the
// forward Euler update of one time level.

#include <algorithm>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGPassFilters.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "mAdjacencyContainer.h"
#include "mEntity.h"
#include "mMesh.h"

using KORA::mEntity;

namespace {

using dgpass::cellOf;
using dgpass::cellOfLevel;
using dgpass::faceOfLevel;

// Increment buffer of the updates, grown on demand and reused.
double *incrementScratch(std::size_t n) {
  static std::vector<double> buffer;
  if (buffer.size() < n) buffer.resize(n);
  return buffer.data();
}

}  // namespace

void cellMeansAt(const DGCell *cell, double T, double *means) {
  const DG_Dofs *d = cell->dofs;
  const double a = (d->t == d->tprev) ? 0.0 : (T - d->tprev) / (d->t - d->tprev);
  const double *c0 = d->levels[0];
  const double *c1 = d->levels[1];
  const int nb = d->nbFunctions;
  for (int f = 0; f < d->nbFields; ++f) means[f] = (1.0 - a) * c0[f * nb] + a * c1[f * nb];
}

// ---------------------------------------------------------------------------
// Limiting passes

void ZeroInfo::operator()(DGCell *cell) const {
  if (!cellOfLevel(cell, level)) return;
  cell->jumpSum = cell->jumpWeight = cell->limiterMeasure = 0.0;
}

void ComputeJumps::operator()(DGBoundaryCell *face) const {
  if (!faceOfLevel(face, level) || !face->right) return;
  DGCell *L = cellOf(face->left);
  DGCell *R = cellOf(face->right);
  for (const ptGaussInfo &g : face->gaussPoints) {
    if (!g.UL || !g.UR) continue;
    const double w = g.JacW;
    const double a = std::abs(g.UL[0] - g.UR[0]) * w;
    L->jumpSum += a;
    L->jumpWeight += w;
    R->jumpSum += a;
    R->jumpWeight += w;
  }
}

void InitStencilAverages::operator()(DGCell *cell) const {
  if (!cellOfLevel(cell, level)) return;
  double means[dgpass::kMaxFields];
  cellMeansAt(cell, t, means);
  const int m = std::min<int>({n, cell->dofs->nbFields, static_cast<int>(cell->stencilMax.size())});
  for (int i = 0; i < m; ++i) cell->stencilMax[i] = cell->stencilMin[i] = means[i];
}

void ComputeStencilAverages::operator()(DGBoundaryCell *face) const {
  if (!faceOfLevel(face, level) || !face->right) return;
  DGCell *L = cellOf(face->left);
  DGCell *R = cellOf(face->right);
  double mL[dgpass::kMaxFields];
  double mR[dgpass::kMaxFields];
  cellMeansAt(L, t, mL);
  cellMeansAt(R, t, mR);
  const int m = std::min<int>({n, L->dofs->nbFields, R->dofs->nbFields,
                               static_cast<int>(L->stencilMax.size()),
                               static_cast<int>(R->stencilMax.size())});
  for (int i = 0; i < m; ++i) {
    L->stencilMax[i] = std::max(L->stencilMax[i], mR[i]);
    L->stencilMin[i] = std::min(L->stencilMin[i], mR[i]);
    R->stencilMax[i] = std::max(R->stencilMax[i], mL[i]);
    R->stencilMin[i] = std::min(R->stencilMin[i], mL[i]);
  }
}

void EnhanceStencilToCorners::operator()(mEntity *vertex) const {
  KORA::mAdjacencyContainer around;
  vertex->getHigherOrderUpward(dim, around);
  double vmin[dgpass::kMaxFields];
  double vmax[dgpass::kMaxFields];
  double means[dgpass::kMaxFields];
  int m = std::min(n, dgpass::kMaxFields);
  bool first = true;
  for (int k = 0; k < around.size(); ++k) {
    // Elements that are not leaves of the refinement tree carry no cell.
    const DGCell *c = dgCellOf(around[k]);
    if (!c) continue;
    m = std::min<int>({m, c->dofs->nbFields, static_cast<int>(c->stencilMax.size())});
    cellMeansAt(c, t, means);
    for (int i = 0; i < m; ++i) {
      if (first) {
        vmin[i] = vmax[i] = means[i];
      } else {
        vmin[i] = std::min(vmin[i], means[i]);
        vmax[i] = std::max(vmax[i], means[i]);
      }
    }
    first = false;
  }
  if (first) return;
  for (int k = 0; k < around.size(); ++k) {
    DGCell *c = dgCellOf(around[k]);
    if (!c) continue;
    for (int i = 0; i < m; ++i) {
      c->stencilMin[i] = std::min(c->stencilMin[i], vmin[i]);
      c->stencilMax[i] = std::max(c->stencilMax[i], vmax[i]);
    }
  }
}

void LimitCell::operator()(DGCell *cell) const {
  if (!limiter || !cellOfLevel(cell, level)) return;
  if (limiter->needStencilAverages()) {
    const double A = cell->jumpWeight;
    const double v = (A > 0.0) ? cell->jumpSum / (A * cell->dofs->levels[0][0]) : 0.0;
    // A not-a-number indicator fails the comparison and limits nothing.
    if (!(threshold - 0.001 < v)) return;
  }
  limiter->limit(cell);
}

// ---------------------------------------------------------------------------
// Updates

void AdvanceInTime::operator()(DGCell *cell) const {
  if (level != -1 && cell->tag != level) return;
  double *dU = incrementScratch(cell->rhs.size());
  *accumulator += cell->computeInvMassMatrixMultRHSDT(dt, dU);
  cell->dofs->update(dU, dt);
}

void BeginTimeStep::operator()(DGCell *cell) const {
  cell->beginTimeStep(t);
  cell->tag = 0;
}

void TagBoundaryCells::operator()(DGBoundaryCell *face) const {
  DGCell *L, *R;
  face->sideCells(L, R);
  face->leftTag = L->tag;
  if (R)
    face->rightTag = R->tag;
  else if (setOutside)
    face->rightTag = static_cast<short>(outside);
}

// ---------------------------------------------------------------------------
// The analysis's limiting and update operations

void DGAnalysis::applyLimiter(double t, short level, DGCellList &cellList,
                              DGBoundaryCellList &faceList) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGLimiter *limiter = ctx->limiter;
  if (!limiter) return;
  if (limiter->needStencilAverages()) {
    if (!ctx->law) throw std::string("limiting: no conservation law");
    const int n = ctx->law->nbFields();
    ZeroInfo zero{level};
    applyToAll(cellList, zero);
    ComputeJumps jumps{t, level};
    applyToAll(faceList, jumps);
    InitStencilAverages init{n, t, level};
    applyToAll(cellList, init);
    ComputeStencilAverages neighbours{t, n, level};
    applyToAll(faceList, neighbours);
    if (KORA::mMesh *mesh = ctx->mesh) {
      EnhanceStencilToCorners corners{level, t, n, mesh->getDim()};
      for (auto it = mesh->beginall(0); it != mesh->endall(0); ++it) corners(*it);
    }
  }
  LimitCell limit{limiter, level, ctx->parameters->general.detector};
  applyToAll(cellList, limit);
}

double DGAnalysis::forwardEuler(double dt, DGCellList &cellList, short level) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("update: no conservation law");
  double sum = 0.0;
  AdvanceInTime advance{law->nbFields(), dt, &sum, level};
  dgpass::sweepCells<true>(cellList, advance);
  return sum;
}
