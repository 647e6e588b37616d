// Limiting passes (jump indicator, stencil bounds, limiter calls) and the
// forward Euler update of one time level.

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
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
// The three stencil passes of the analysis's limiting, on kept neighbourhoods

namespace {

// What the stencil passes walk, as indices into one table of cells: the cells
// of the cell list first (in list order), then any other cell they reach; the
// two sides of every face of the face list; the cells around every mesh vertex
// that carries one (vertices in the mesh's order, the cells of each in the
// order getHigherOrderUpward collects them). Walking the vertices' upward
// adjacencies and finding the cells of their elements cost more than the
// limiting itself, so all this is kept while no DG cell is made or destroyed
// (every change of the mesh, of a cell's order or of the mesh itself makes or
// destroys cells) and the lists and the mesh stay the same.
struct StencilNeighbourhoods {
  unsigned long generation = 0;
  const KORA::mMesh *mesh = nullptr;
  int dim = -1;
  int nbVertices = -1;
  bool built = false;
  std::size_t listSize = 0;                   // table[0, listSize) is the cell list
  std::vector<DGCell *> table;
  std::vector<int> tableFields;               // per table cell: fields with bounds
  std::vector<const DGBoundaryCell *> faces;  // the face list
  std::vector<int> faceSides;                 // per face: left, right (-1: none)
  std::vector<int> vertexStart;               // per vertex with cells, into vertexCells
  std::vector<int> vertexCells;
  std::vector<int> vertexFields;              // per such vertex: least field count
  std::vector<int> primary;                   // per listed cell: its first place in the list
  int stride = 0;                             // values per table cell below
  std::vector<double> means, lo, hi;          // scratch of every pass

  bool matches(const KORA::mMesh *m, const DGCellList &cells, const DGBoundaryCellList &faceList) const {
    if (!built || generation != dgCellGeneration || mesh != m) return false;
    if (m && (dim != m->getDim() || nbVertices != m->size(0))) return false;
    if (listSize != cells.size() || faces.size() != faceList.size()) return false;
    return std::equal(cells.begin(), cells.end(), table.begin()) &&
           std::equal(faceList.begin(), faceList.end(), faces.begin());
  }

  void build(KORA::mMesh *m, const DGCellList &cells, const DGBoundaryCellList &faceList) {
    built = true;
    generation = dgCellGeneration;
    mesh = m;
    dim = m ? m->getDim() : -1;
    nbVertices = m ? m->size(0) : -1;
    listSize = cells.size();
    table.assign(cells.begin(), cells.end());
    std::unordered_map<const DGCell *, int> index;
    index.reserve(2 * cells.size());
    primary.resize(cells.size());
    for (std::size_t k = 0; k < cells.size(); ++k)
      primary[k] = index.emplace(cells[k], static_cast<int>(k)).first->second;
    auto indexOf = [&](DGCell *c) {
      auto [it, added] = index.emplace(c, static_cast<int>(table.size()));
      if (added) table.push_back(c);
      return it->second;
    };
    faces.assign(faceList.begin(), faceList.end());
    faceSides.assign(2 * faces.size(), -1);
    for (std::size_t k = 0; k < faces.size(); ++k) {
      const DGBoundaryCell *face = faces[k];
      if (!face->right) continue;
      DGCell *L = dgpass::cellOf(face->left);
      DGCell *R = dgpass::cellOf(face->right);
      if (!L || !R) continue;
      faceSides[2 * k] = indexOf(L);
      faceSides[2 * k + 1] = indexOf(R);
    }
    vertexStart.assign(1, 0);
    vertexCells.clear();
    vertexFields.clear();
    if (m) {
      KORA::mAdjacencyContainer around;
      for (auto it = m->beginall(0); it != m->endall(0); ++it) {
        around.clear();
        (*it)->getHigherOrderUpward(dim, around);
        int fields = dgpass::kMaxFields;
        bool any = false;
        for (int k = 0; k < around.size(); ++k) {
          // Elements that are not leaves of the refinement tree carry no cell.
          DGCell *c = dgCellOf(around[k]);
          if (!c) continue;
          any = true;
          vertexCells.push_back(indexOf(c));
          fields = std::min<int>({fields, c->dofs->nbFields, static_cast<int>(c->stencilMax.size())});
        }
        if (!any) continue;
        vertexStart.push_back(static_cast<int>(vertexCells.size()));
        vertexFields.push_back(fields);
      }
    }
    tableFields.resize(table.size());
    stride = 1;
    for (std::size_t k = 0; k < table.size(); ++k) {
      const DGCell *c = table[k];
      tableFields[k] = std::min<int>(c->dofs->nbFields, static_cast<int>(c->stencilMax.size()));
      stride = std::max<int>(stride, c->dofs->nbFields);
    }
    means.assign(table.size() * static_cast<std::size_t>(stride), 0.0);
    lo.assign(means.size(), 0.0);
    hi.assign(means.size(), 0.0);
  }
};

// The stencil bounds of the level's cells, as the passes InitStencilAverages,
// ComputeStencilAverages (over the face list) and EnhanceStencilToCorners
// (over every vertex of the mesh) leave them, in the same order of operations.
void stencilBounds(KORA::mMesh *mesh, double t, int n, short level, DGCellList &cellList,
                   DGBoundaryCellList &faceList) {
  static StencilNeighbourhoods kept;
  if (!kept.matches(mesh, cellList, faceList)) kept.build(mesh, cellList, faceList);
  const StencilNeighbourhoods &s = kept;
  const std::size_t stride = static_cast<std::size_t>(s.stride);
  const std::size_t count = s.table.size();
  // The passes work on copies of the bounds, in table order, written back at
  // the end: the cells' own arrays are each reached once.
  double *means = kept.means.data();
  double *lo = kept.lo.data();
  double *hi = kept.hi.data();
  for (std::size_t k = 0; k < count; ++k) {
    const DGCell *c = s.table[k];
    cellMeansAt(c, t, means + k * stride);
    const int m = s.tableFields[k];
    std::memcpy(lo + k * stride, c->stencilMin.data(), m * sizeof(double));
    std::memcpy(hi + k * stride, c->stencilMax.data(), m * sizeof(double));
  }

  // The level's active cells start at their own means.
  for (std::size_t k = 0; k < s.listSize; ++k) {
    if (!cellOfLevel(s.table[k], level)) continue;
    const std::size_t j = static_cast<std::size_t>(s.primary[k]) * stride;
    const int m = std::min(n, s.tableFields[k]);
    for (int i = 0; i < m; ++i) hi[j + i] = lo[j + i] = means[j + i];
  }

  // Both cells of an interior face of the level take in the other's means.
  for (std::size_t k = 0; k < s.faces.size(); ++k) {
    const int l = s.faceSides[2 * k], r = s.faceSides[2 * k + 1];
    if (r < 0 || !faceOfLevel(s.faces[k], level)) continue;
    const std::size_t jl = l * stride, jr = r * stride;
    const double *mL = means + jl, *mR = means + jr;
    double *hiL = hi + jl, *loL = lo + jl, *hiR = hi + jr, *loR = lo + jr;
    const int m = std::min({n, s.tableFields[l], s.tableFields[r]});
    for (int i = 0; i < m; ++i) {
      hiL[i] = std::max(hiL[i], mR[i]);
      loL[i] = std::min(loL[i], mR[i]);
      hiR[i] = std::max(hiR[i], mL[i]);
      loR[i] = std::min(loR[i], mL[i]);
    }
  }

  // The cells around a vertex take in the extremes of all their means.
  double vmin[dgpass::kMaxFields];
  double vmax[dgpass::kMaxFields];
  for (std::size_t v = 0; v + 1 < s.vertexStart.size(); ++v) {
    const int *ids = s.vertexCells.data() + s.vertexStart[v];
    const int around = s.vertexStart[v + 1] - s.vertexStart[v];
    const int m = std::min({n, dgpass::kMaxFields, s.vertexFields[v]});
    const double *m0 = means + ids[0] * stride;
    for (int i = 0; i < m; ++i) vmin[i] = vmax[i] = m0[i];
    for (int k = 1; k < around; ++k) {
      const double *mk = means + ids[k] * stride;
      for (int i = 0; i < m; ++i) {
        vmin[i] = std::min(vmin[i], mk[i]);
        vmax[i] = std::max(vmax[i], mk[i]);
      }
    }
    for (int k = 0; k < around; ++k) {
      double *loK = lo + ids[k] * stride, *hiK = hi + ids[k] * stride;
      for (int i = 0; i < m; ++i) {
        loK[i] = std::min(loK[i], vmin[i]);
        hiK[i] = std::max(hiK[i], vmax[i]);
      }
    }
  }

  // A cell listed twice has its bounds at its first place.
  for (std::size_t k = 0; k < count; ++k) {
    if (k < s.listSize && static_cast<std::size_t>(s.primary[k]) != k) continue;
    DGCell *c = s.table[k];
    const int m = s.tableFields[k];
    std::memcpy(c->stencilMin.data(), lo + k * stride, m * sizeof(double));
    std::memcpy(c->stencilMax.data(), hi + k * stride, m * sizeof(double));
  }
}

// LimitCell over the list, asking ahead for what a limiter reads of a cell:
// the cell, then its coefficients and its stencil bounds (hints only).
void limitCells(const DGCellList &cells, const LimitCell &limit) {
  const std::size_t count = cells.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 8 < count) {
      const DGCell *next = cells[i + 8];
      __builtin_prefetch(&next->tag);
      __builtin_prefetch(&next->jumpSum);
      __builtin_prefetch(&next->stencilMin);
      __builtin_prefetch(next->dofs);
    }
    if (i + 4 < count) {
      const DGCell *c = cells[i + 4];
      __builtin_prefetch(c->stencilMax.data());
      __builtin_prefetch(c->stencilMin.data());
      const int m = c->nbFieldCount * c->nbFcts;
      for (int k = 0; k < m; k += 8) __builtin_prefetch(c->coef0 + k);
    }
    limit(cells[i]);
  }
}

}  // namespace

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
    if (limiter->readsStencilBounds()) stencilBounds(ctx->mesh, t, n, level, cellList, faceList);
  }
  LimitCell limit{limiter, level, ctx->parameters->general.detector};
  limitCells(cellList, limit);
}

double DGAnalysis::forwardEuler(double dt, DGCellList &cellList, short level) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("update: no conservation law");
  double sum = 0.0;
  AdvanceInTime advance{law->nbFields(), dt, &sum, level};
  dgpass::sweepCells<true>(cellList, advance);
  return sum;
}
