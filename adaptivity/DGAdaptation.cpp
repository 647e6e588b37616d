// Solution-driven h- and p-adaptation of the DG discretisation: target
// levels, their smoothing, the refinement callback with the projection of the
// solution onto new cells, order changes and mesh snapshots.

#include "DGAdaptation.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGCellFieldEvaluator.h"
#include "DGCellScratch.h"
#include "DGConformal.h"
#include "DGErrorEstimator.h"
#include "DGParameters.h"
#include "ElementaryMatrices.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "KORA_Util.h"
#include "Mapping.h"
#include "Octree.h"
#include "ParUtil.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "mException.h"
#include "mMesh.h"
#include "mUpwardUpdate.h"

using KORA::mEntity;
using KORA::mMesh;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

bool hasChildren(const mEntity *e) {
  const KORA::mAdjacencyContainer *c = e->getAdjacencyList(e->getLevel());
  return c && c->size() > 0;
}

std::vector<mEntity *> childrenOf(mEntity *e) {
  std::vector<mEntity *> out;
  if (const KORA::mAdjacencyContainer *c = e->getAdjacencyList(e->getLevel()))
    for (int i = 0; i < c->size(); ++i) out.push_back((*c)[i]);
  return out;
}

// The L2 projection onto `target` of the solution of cells that tile it (the
// children of its element): the integrals are taken over each part with the
// part's own quadrature, so that a piecewise polynomial is integrated exactly
// and every field's integral is kept.
void projectFromParts(DGCell *target, const std::vector<DGCell *> &parts) {
  const int n = target->getFunctionSpace()->size();
  const int nf = target->nbFields();
  CellVector &rhs = target->rhs;
  std::fill(rhs.begin(), rhs.begin() + static_cast<std::size_t>(nf) * n, 0.0);
  std::vector<double> phi(n);
  double values[ConservationLaw::kMaxFields];
  const KORA::Mapping *to = target->getMapping();
  for (DGCell *part : parts) {
    const KORA::Mapping *from = part->getMapping();
    // The part's solution has the part's order in its reference coordinates,
    // and so has the target's basis: the parts' vertices are the means of
    // the target's, which map the target's reference element affinely.
    const int q =
        projectionRuleOrder(target->getFunctionSpace()->order(), part->getFunctionSpace()->order(), from);
    KORA::GaussIntegrator gauss(part->getEntity());
    const int K = gauss.nbIntegrationPoints(std::max(q, 0));
    for (int k = 0; k < K; ++k) {
      double u, v, w, weight;
      gauss.iPoint(k, std::max(q, 0), u, v, w, weight);
      const double dw = from->detJac(u, v, w) * weight;
      double x, y, z;
      from->eval(u, v, w, x, y, z);
      part->interpolate(u, v, w, values);
      double U = 0.0, V = 0.0, W = 0.0;
      if (!to->invert(x, y, z, U, V, W)) to->COG(U, V, W);
      target->getFunctionSpace()->fcts(U, V, W, phi);
      for (int f = 0; f < nf; ++f) {
        const double c = values[f] * dw;
        double *o = rhs.data() + f * n;
        for (int j = 0; j < n; ++j) o[j] += c * phi[j];
      }
    }
  }
  DG_Dofs *dofs = target->getCoefficients();
  double *c0 = dofs->levels[0];
  for (int i = 0; i < dofs->nbValues(); ++i) c0[i] = 0.0;
  std::vector<double> increment(static_cast<std::size_t>(dofs->nbValues()));
  target->projectionInvMassMatrixMultRHS(increment.data());
  dofs->update(increment.data(), 1.0, true);
}

}  // namespace

int residualFieldCount() {
  const ConservationLaw *law = context()->law;
  if (!law) throw std::string("adaptation: no conservation law");
  return law->needTheHigherOrderGradients() ? 2 * law->nbFields() : law->nbFields();
}

void clearNewCell(DGCell *cell) {
  ZeroRHS zero{residualFieldCount(), cell->getTag()};
  zero(cell);
}

// ---------------------------------------------------------------------------
// Target levels

mMesh &adaptationMesh(const char *who) {
  mMesh *mesh = context()->mesh;
  if (!mesh) throw std::string(who) + ": no mesh";
  return *mesh;
}

int targetLevel(const mEntity *e, unsigned int levelTag) {
  const KORA::mAttachableInt *a = dynamic_cast<const KORA::mAttachableInt *>(e->getData(levelTag));
  return a ? a->i : 0;
}

void setTargetLevel(mEntity *e, unsigned int levelTag, int level) {
  KORA::mAttachableData *d = e->getData(levelTag);
  if (d && !dynamic_cast<KORA::mAttachableInt *>(d)) {
    e->deleteData(levelTag);  // something else under the tag: replaced
    d = nullptr;
  }
  if (d)
    static_cast<KORA::mAttachableInt *>(d)->i = level;
  else
    e->attachInt(levelTag, level);
}

int optimumLevel(const LevelRule &rule, double e, double m, int l, double v) {
  const int M = rule.maxLevel;
  const int lo = rule.conformal ? 0 : l - 1;
  const int hi = rule.conformal ? 100 : l + 1;
  const double r = std::fabs(rule.divFactor);
  int L = 0;
  if (r > 0.0) {
    if (rule.divFactor < 0.0) {
      L = e > m / r ? M : 0;
    } else {
      double threshold = m / r;
      for (int k = 0; k < 3 && M - k >= 1; ++k, threshold /= r)
        if (e > threshold) {
          L = M - k;
          break;
        }
    }
  }
  if (m < 1e-12) L = 0;
  double jump = rule.jumpThreshold;
  for (int i = 0; i < 3; ++i, jump /= 3.0)
    if (v > jump) {
      L = std::max(L, M - i);
      break;
    }
  L = std::max(L, lo);
  return std::min(L, hi);
}

int DGAnalysis::getOptimumLevelOfRefinement(DGCell *cell, double maxError) {
  const DGParameters &p = *context()->parameters;
  if (cell->jumpWeight == 0.0) cell->jumpWeight = 1.0;
  const double c0 = cell->getCoefficients()->levels[0][0];
  const double v = std::fabs(cell->jumpSum / (cell->jumpWeight * c0));
  const LevelRule rule{p.href.divFactor, p.href.maxLevelOfRefinement, p.general.error,
                       p.href.conforming != 0};
  const int l = adaptationMesh("refinement levels").getRefinementLevel(cell->getEntity());
  return optimumLevel(rule, cell->getError(), maxError, l, v);
}

void smoothH(DGBoundaryCell *face, unsigned int levelTag) {
  if (!face->right) return;
  const int tL = targetLevel(face->left, levelTag);
  const int tR = targetLevel(face->right, levelTag);
  if (tL > tR + 1)
    setTargetLevel(face->right, levelTag, tL - 1);
  else if (tR > tL + 1)
    setTargetLevel(face->left, levelTag, tR - 1);
}

void DGAnalysis::computeLevelsOfRefinement(double maxError) {
  GlobalParamManager *ctx = context();
  mMesh &mesh = adaptationMesh("refinement levels");
  for (DGCell *c : cells)
    setTargetLevel(c->getEntity(), optimumLevelTag, getOptimumLevelOfRefinement(c, maxError));
  // The sweeps below are smoothH on every interior face, read and written
  // through the targets' own ints, looked up once: every side gets one now
  // (0, the target of an element without one).
  struct Sides {
    int *l, *r;
  };
  std::vector<Sides> sides;
  sides.reserve(boundaryCells.size());
  const auto targetOf = [this](mEntity *e) {
    if (!dynamic_cast<KORA::mAttachableInt *>(e->getData(optimumLevelTag)))
      setTargetLevel(e, optimumLevelTag, 0);
    return &static_cast<KORA::mAttachableInt *>(e->getData(optimumLevelTag))->i;
  };
  for (DGBoundaryCell *b : boundaryCells)
    if (b->right) sides.push_back({targetOf(b->left), targetOf(b->right)});
  const auto smooth = [&sides] {
    for (const Sides &s : sides) {
      const int tL = *s.l, tR = *s.r;
      if (tL > tR + 1)
        *s.r = tL - 1;
      else if (tR > tL + 1)
        *s.l = tR - 1;
    }
  };
  const int passes = ctx->parameters->href.maxLevelOfRefinement + 2;
  for (int pass = 0; pass < passes; ++pass) {
    smooth();
    LOR_DataExchanger exchanger(ctx->dim - 1, optimumLevelTag);
    mesh.exchangeDataOnPartBdrys(exchanger, true);
    KORA::ParUtil::Instance()->Barrier(__LINE__, "DGAMR");
    smooth();
  }
}

void *LOR_DataExchanger::AP_alloc_and_fill_buffer(mEntity *face, KORA::KORA_SharedInfo &share, int) {
  if (face->getLevel() != dim) return nullptr;
  DGBoundaryCell *b = dgBoundaryCellOf(face);
  auto *m = static_cast<KORA::KORA_IntMessage *>(std::malloc(sizeof(KORA::KORA_IntMessage)));
  if (!m) return nullptr;
  m->value = b && b->left ? targetLevel(b->left, tag_) : 0;
  m->entity = share.remoteCopy;
  return m;
}

void LOR_DataExchanger::receiveData(int, void *message) {
  const auto *m = static_cast<const KORA::KORA_IntMessage *>(message);
  DGBoundaryCell *b = dgBoundaryCellOf(m->entity);
  if (!b || !b->left) return;
  if (hasChildren(b->left))
    KORA::ParUtil::Instance()->Msg(KORA::ParUtil::FATAL, " line %d file %s\n", 447, "DGAMR");
  if (m->value > targetLevel(b->left, tag_) + 1) setTargetLevel(b->left, tag_, m->value - 1);
}

// ---------------------------------------------------------------------------
// Refinement callback

int DGHrefCallback::operator()(mEntity *e) {
  mMesh &mesh = adaptationMesh("refinement");
  if (!hasChildren(e)) {
    const int t = targetLevel(e, levelTag);
    const int l = mesh.getRefinementLevel(e);
    return t > l ? 1 : (t < l ? -1 : 0);
  }
  for (mEntity *c : childrenOf(e))
    if (targetLevel(c, levelTag) >= mesh.getRefinementLevel(c)) return 0;
  return -1;
}

void DGHrefCallback::splitCallback(mEntity *e) { analysis->splitCell(e); }

void DGHrefCallback::unsplitCallback(mEntity *e) { analysis->unsplitCell(e); }

void DGAnalysis::splitCell(mEntity *e) {
  const int d = context()->dim;
  if (e->getLevel() != d) {
    e->deleteFastData();  // a split face loses its interface cell
    return;
  }
  DGCell *parent = dgCellOf(e);
  if (!parent) throw std::string("refinement: a split element carries no DG cell");
  DGCellFieldEvaluator field;
  field.addCell(parent);
  const int t = targetLevel(e, optimumLevelTag);
  const int order = parent->getFunctionSpace()->order();
  for (mEntity *c : childrenOf(e)) {
    DGCell *cell = addCell(c, order);
    cell->L2ProjInitial(&field);
    clearNewCell(cell);
    setTargetLevel(c, optimumLevelTag, t);
  }
  // The faces split with the element lose their interface cells: the faces
  // that replace them get new ones once the pass is over.
  if (const KORA::mAdjacencyContainer *faces = e->getAdjacencyList(d - 1))
    for (int i = 0; i < faces->size(); ++i)
      if (hasChildren((*faces)[i])) (*faces)[i]->deleteFastData();
  e->deleteFastData();
}

void DGAnalysis::unsplitCell(mEntity *e) {
  const int d = context()->dim;
  if (e->getLevel() != d) return;
  std::vector<DGCell *> parts;
  for (mEntity *c : childrenOf(e))
    if (DGCell *cell = dgCellOf(c)) parts.push_back(cell);
  if (parts.empty()) throw std::string("refinement: the children of a merged element carry no DG cell");
  DGCell *cell = addCell(e, parts.front()->getFunctionSpace()->order());
  projectFromParts(cell, parts);
  clearNewCell(cell);
  // The merged element keeps its level: it was split for a target above its
  // level, and a parent that has just become a leaf is not coarsened again
  // in the same pass (its children decided for it).
  setTargetLevel(e, optimumLevelTag, adaptationMesh("refinement").getRefinementLevel(e));
}

// ---------------------------------------------------------------------------
// Order adaptation and snapshots

int orderForRefinementLevel(int P, int M, int l, int current) {
  const int p = P - (M - l) + 1;
  return (1 < p && p <= P) ? p : current;
}

void DGAnalysis::modifyOrder(mEntity *element, int order) {
  DGCell *old = dgCellOf(element);
  if (!old) throw std::string("order change: the element carries no DG cell");
  DGCell *cell = newCell(element, order);
  DGCellFieldEvaluator field;
  field.addCell(old);
  try {
    cell->L2ProjInitial(&field);
  } catch (...) {
    delete cell;
    throw;
  }
  clearNewCell(cell);
  element->attachFastData(cell);  // deletes the old cell
  listsGathered = false;
  const int d = context()->dim;
  if (const KORA::mAdjacencyContainer *faces = element->getAdjacencyList(d - 1))
    for (int i = 0; i < faces->size(); ++i)
      if (DGBoundaryCell *b = dgBoundaryCellOf((*faces)[i])) b->check();
}

void DGAnalysis::adaptP() {
  zeroError();
  double maxError = 0.0, minError = 0.0;
  computeError(maxError, minError);
  // Each entry is read before its cell is replaced.
  const DGCellList before(cells);
  for (DGCell *c : before) {
    mEntity *e = c->getEntity();
    const int L = getOptimumLevelOfRefinement(c, maxError);
    modifyOrder(e, L + 1);
  }
  gatherCells();
}

void DGAnalysis::exportMesh(const char *name, int n) {
  const DGParameters &p = *context()->parameters;
  const std::string path = p.general.chunkSpace + "/" + name + "-" + std::to_string(n) + ".msh";
  try {
    KORA::KORA_Util::Instance()->ex_port(path.c_str(), &adaptationMesh("mesh snapshot"), false);
  } catch (const KORA::mException &) {
    throw std::string("mesh snapshot: cannot write ") + path;
  } catch (KORA::mException *e) {
    delete e;
    throw std::string("mesh snapshot: cannot write ") + path;
  }
}

// ---------------------------------------------------------------------------
// The h-adaptation step

void refineToTargets(DGAnalysis &analysis, double maxError) {
  mMesh &mesh = adaptationMesh("h-adaptation");
  const int d = context()->dim;
  // When the upward lists are exact, only those around what the pass splits
  // or merges are brought up to date; else they are all rebuilt.
  std::unique_ptr<KORA::mUpwardUpdate> local;
  if (mesh.upwardListsExact()) {
    std::vector<std::pair<int, int>> pairs{{d - 1, d}, {0, 1}};
    if (d == 3) pairs.emplace_back(1, 2);
    local = std::make_unique<KORA::mUpwardUpdate>(&mesh, std::move(pairs));
  } else {
    mesh.modifyState(0, 1, false, 0);
    mesh.modifyState(1, 2, false, 0);
  }
  {
    struct Detach {
      mMesh &m;
      ~Detach() { m.setUpwardLog(nullptr); }
    } detach{mesh};
    mesh.setUpwardLog(local.get());
    DGHrefCallback callback(&analysis, maxError, d, analysis.optimumLevelTag);
    mesh.refunref(callback);
  }
  if (local && local->finish()) {
    mesh.setUpwardListsExact(true);
    return;
  }
  rebuildUpwardAdjacencies(mesh, d);
}

void rebuildUpwardAdjacencies(mMesh &mesh, int d) {
  mesh.modifyState(d - 1, d, false, 0);
  mesh.modifyState(d - 1, d, true, 0);
  mesh.modifyState(0, 1, false, 0);
  mesh.modifyState(0, 1, true, 0);
  if (d == 3) {
    mesh.modifyState(1, 2, false, 0);
    mesh.modifyState(1, 2, true, 0);
  }
  mesh.setUpwardListsExact(true);
}

void DGAnalysis::adaptH_newVersion(int initial) {
  GlobalParamManager *ctx = context();
  DGParameters &p = *ctx->parameters;
  mMesh &mesh = adaptationMesh("h-adaptation");
  const int d = ctx->dim;
  const double t = p.state.t;
  if (octree) KORA::Octree_Delete(octree);
  octree = nullptr;

  computeSolutionsOnBothSides(t, false, -1, boundaryCells);
  zeroError();
  double maxError = 0.0, minError = 0.0;
  computeError(maxError, minError);
  ComputeJumps jumps{t, -1};
  applyToAll(boundaryCells, jumps);
  computeLevelsOfRefinement(maxError);

  const bool conformal = p.href.conforming != 0;
  const double massBefore = conformal ? fieldIntegral(cells, 0) : 0.0;
  if (conformal) {
    conformalAdaptation(initial);
    rebuildUpwardAdjacencies(mesh, d);
  } else {
    refineToTargets(*this, maxError);
  }

  const bool orders = initial == 0 && p.pref.doWe != 0;
  for (auto it = mesh.begin(d); it != mesh.end(d); ++it) {
    mEntity *e = *it;
    if (orders) {
      const int order = orderForRefinementLevel(p.pref.maximumPolynomialOrder,
                                                p.href.maxLevelOfRefinement,
                                                mesh.getRefinementLevel(e), -1);
      if (order > 0) modifyOrder(e, order);
    }
    e->deleteData(optimumLevelTag);
  }

  // Hierarchical refinement moves no vertex: faces between the same cells
  // keep their quadrature data.
  keepUnchangedFaces = !conformal;
  try {
    init(-1, initial);
  } catch (...) {
    keepUnchangedFaces = false;
    throw;
  }
  keepUnchangedFaces = false;
  // Projections between meshes that are not nested keep the integrals only
  // approximately: the change of the first field's integral is told.
  if (conformal && initial == 0) {
    const double massAfter = fieldIntegral(cells, 0);
    const double scale = std::fabs(massBefore) > 0.0 ? std::fabs(massBefore) : 1.0;
    KORA::ParUtil::Instance()->Msg(KORA::ParUtil::INFO,
                                   "Conformal adaptation : mass %12.5E -> %12.5E (relative change %12.5E)\n",
                                   massBefore, massAfter, (massAfter - massBefore) / scale);
  }
  computeSolutionsOnBothSides(t, false, -1, boundaryCells);
  applyLimiter(t, -1, cells, boundaryCells);

  const int period = p.href.samplePeriodExportMesh;
  if (period > 0 && p.href.nbDone % period == 0) exportMesh("refined", p.href.nbDone);
}

// ---------------------------------------------------------------------------
// Start-up check

double fieldIntegral(const DGCellList &cells, int f) {
  double sum = 0.0;
  for (const DGCell *c : cells) sum += c->theMean(f) * std::fabs(c->Volume());
  return sum;
}

void checkAdaptationSettings(const DGParameters &p, const DGErrorEstimator *estimator,
                             const mMesh *mesh) {
  // The deepest refinement level. Refining to level L cuts each element that
  // a front (a line in two dimensions, a surface in three) crosses into
  // 2^((d-1) L) leaves along it, and a front through a mesh of n elements
  // crosses about n^((d-1)/d) of them: a level at which even that least
  // refinement holds more elements than a mesh can number (INT_MAX) cannot
  // fit, and would only fill the memory and the disk with ever larger meshes.
  // Cells of more than 40 levels are 2^40 (about 1e12) times smaller than the
  // mesh's own, below what the double coordinates of their vertices resolve.
  if (p.href.doWe) {
    const int L = p.href.maxLevelOfRefinement;
    if (L < 0)
      throw std::string("the deepest refinement level (H_MaxLevelOfRefinement, option -href) is ") +
          std::to_string(L) + "; it must be 0 or more";
    constexpr int kPrecisionLevels = 40;
    int deepest = kPrecisionLevels;
    std::string why = "cells of more levels are too small for the precision of their coordinates";
    const int d = mesh ? mesh->getDim() : 0;
    if (d >= 2) {
      const double n = std::max(1, mesh->size(d));
      const double crossed = std::max(1.0, std::pow(n, (d - 1.0) / d));
      const double levels = (std::log2(static_cast<double>(INT_MAX)) - std::log2(crossed)) / (d - 1);
      const int fit = std::max(0, static_cast<int>(std::floor(levels)));
      if (fit < deepest) {
        deepest = fit;
        why = "refined along a single front to a deeper level, this mesh of " +
              std::to_string(mesh->size(d)) + " elements would hold more than " + std::to_string(INT_MAX) +
              " elements";
      }
    }
    if (L > deepest)
      throw std::string("the deepest refinement level (H_MaxLevelOfRefinement, option -href) is ") +
          std::to_string(L) + ", more than the " + std::to_string(deepest) +
          " levels a run can hold: " + why;
  }
  if (p.href.doWe && p.href.conforming != 0 && mesh && !conformallyAdaptable(*mesh))
    throw std::string(
        "conformal h-adaptation (H_Conforming) needs a mesh of triangles or tetrahedra; this mesh "
        "holds other elements (quadrilaterals or hexahedra): use hierarchical adaptation "
        "(H_Conforming 0)");
  if ((p.href.doWe || p.pref.doWe) && !estimator)
    throw std::string("adaptation needs an error estimator, and the error estimator number ") +
        std::to_string(p.general.errest) + " names none";
}
