// Time levels and the two local-time-stepping variants.

#include <cmath>
#include <limits>
#include <algorithm>
#include <map>
#include <unordered_map>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGAnalysisPasses.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGLimiter.h"
#include "DGParameters.h"
#include "GlobalParamManager.h"
#include "ParUtil.h"
#include "mMesh.h"

namespace {

constexpr int kMaxLevels = 15;       // multipliers up to 2^14 fit a 16-bit level
constexpr int kMaxSubsteps = 32767;  // substep numbers travel as 16-bit levels

bool finitePositive(double x) { return std::isfinite(x) && x > 0.0; }

void requireFinitePositive(double x, const char *what) {
  if (!finitePositive(x))
    throw std::string("time stepping: the ") + what + " is not finite and positive (" +
        std::to_string(x) + ")";
}

void requireLevels(int n) {
  if (n < 1 || n > kMaxLevels)
    throw std::string("time stepping: the number of sub-levels must lie in 1..15 (got ") +
        std::to_string(n) + ")";
}

// A step that lands this little short of the final time is stretched to it
// rather than followed by a sliver of a step; the stretch is far below what
// stability notices.
constexpr double kFinalSliver = 1e-9;

// The time left from T to the final time when a macro step of `step` would
// reach it, pass it or fall short of it by a sliver: the last macro step then
// ends the run at the final time. 0 when the step stays as it is.
double finalStep(double T, double step) {
  const double left = GlobalParamManager::Instance()->parameters->time.tend - T;
  return left > 0.0 && left <= step * (1.0 + kFinalSliver) ? left : 0.0;
}

// The stable step of one cell (infinite when the law reports no wave speed).
double stableStep(const DGCell *cell, double cfl) {
  double s = std::numeric_limits<double>::infinity();
  cell->adaptTimeStep(cfl, s);
  return s;
}

}  // namespace

void computeSequense(std::vector<int> &seq, int n, int &M) {
  requireLevels(n);
  M = 1 << (n - 1);
  std::vector<int> advanced(n);
  for (int i = 0; i < n; ++i) {
    seq.push_back(1 << i);
    advanced[i] = 1 << i;
  }
  for (;;) {
    int lag = 0;
    for (int i = 1; i < n; ++i)
      if (advanced[i] < advanced[lag]) lag = i;
    if (advanced[lag] == M) break;
    advanced[lag] += 1 << lag;
    seq.push_back(1 << lag);
  }
}

// ---------------------------------------------------------------------------
// Passes of the goal-step variant

void AdvanceInTime_Version2::operator()(DGCell *cell) {
  if (!cell->active || (j != -1 && cell->tag != j)) return;
  const double s = stableStep(cell, cfl);
  if (s < scratchMin) scratchMin = s;
  int m = 1;
  while (m < k - cell->tag && (m + 1) * fineStep < s) ++m;
  const double dt = m * fineStep;
  static std::vector<double> increment;
  if (increment.size() < cell->rhs.size()) increment.resize(cell->rhs.size());
  *accumulator += cell->computeInvMassMatrixMultRHSDT(dt, increment.data());
  ++*counter;
  cell->dofs->update(increment.data(), dt);
  cell->tag = static_cast<short>(cell->tag + m);
}

// ---------------------------------------------------------------------------
// Levels

void DGAnalysis::tagBoundaryCells(bool setOutside, int level) {
  TagBoundaryCells tagPass{level, setOutside};
  // Each face reads its two cells' levels: ask ahead for the coming faces and
  // cells (hints only).
  const std::size_t count = boundaryCells.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + 8 < count) __builtin_prefetch(boundaryCells[i + 8]);
    if (i + 4 < count) {
      DGCell *L, *R;
      boundaryCells[i + 4]->sideCells(L, R);
      __builtin_prefetch(&L->tag);
      if (R) __builtin_prefetch(&R->tag);
    }
    tagPass(boundaryCells[i]);
  }
  if (setOutside) comm_Tags();
}

void DGAnalysis::computeTimeStep(double &dtmin, double cfl) {
  for (const DGCell *c : cells) c->adaptTimeStep(cfl, dtmin);
}

void DGAnalysis::ensureLevelSequence(int nbSub) {
  requireLevels(nbSub);
  if (static_cast<int>(levelSequence.size()) != (1 << nbSub) - 1) {
    // The sequence belongs to another level count: make the right one.
    levelSequence.clear();
    int M;
    computeSequense(levelSequence, nbSub, M);
  }
}

void DGAnalysis::setFaceLevels(short level) {
  const std::size_t faces = boundaryCells.size();
  for (std::size_t i = 0; i < faces; ++i) {
    if (i + 8 < faces) __builtin_prefetch(&boundaryCells[i + 8]->leftTag, 1);
    DGBoundaryCell *f = boundaryCells[i];
    f->leftTag = f->rightTag = level;
  }
  comm_Tags();
}

double DGAnalysis::tagCells(double dtmin, double cfl, const std::vector<double> *steps) {
  if (steps && steps->size() != cells.size()) steps = nullptr;
  const int nbSub = GlobalParamManager::Instance()->parameters->time.nbSub;
  ensureLevelSequence(nbSub);
  const int M = levelSequence[nbSub - 1];
  std::vector<long long> count(nbSub, 0);
  bool uniform = true;  // every cell takes the same level
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (k + 8 < cells.size()) __builtin_prefetch(&cells[k + 8]->tag, 1);
    DGCell *c = cells[k];
    const double s = steps ? (*steps)[k] : stableStep(c, cfl);
    int best = 1, index = 0;
    for (int i = 0; i < nbSub; ++i) {
      const short m = static_cast<short>(levelSequence[i]);
      if (m * dtmin < s && m > best) {
        best = m;
        index = i;
      }
    }
    ++count[index];
    c->tag = static_cast<short>(best);
    uniform = uniform && best == cells.front()->tag;
  }
  if (uniform && !cells.empty() && cells.front()->tag == M) {
    // One level for all, the outside's too (always so with one level): the
    // faces take it without reading their cells, as the copy would give.
    setFaceLevels(static_cast<short>(M));
  } else {
    tagBoundaryCells(true, M);
  }
  long long num = 0, den = 0;
  for (int i = 0; i < nbSub; ++i) {
    num += count[i] * M;
    den += count[i] * (M / levelSequence[i]);
  }
  return den == 0 ? 1.0 : static_cast<double>(num) / static_cast<double>(den);
}

// ---------------------------------------------------------------------------
// Per-level lists

namespace {

// The position of the multiplier m (a power of two) in the level sequence's
// levels, or -1 when it is none of the nbSub levels.
int levelIndex(short m, int nbSub) {
  if (m <= 0 || (m & (m - 1)) != 0) return -1;
  const int i = __builtin_ctz(static_cast<unsigned>(m));
  return i < nbSub ? i : -1;
}

}  // namespace

bool DGAnalysis::buildLevelLists(int nbSub) {
  levelCells.resize(nbSub);
  levelFaces.resize(nbSub);
  for (DGCellList &l : levelCells) l.clear();
  for (DGBoundaryCellList &l : levelFaces) l.clear();
  if (InterProcData::live() > 0) return false;
  for (DGCell *c : cells) {
    const int i = levelIndex(c->tag, nbSub);
    if (i >= 0) levelCells[i].push_back(c);
  }
  // A face belongs to the level of each of its sides (a pass of a level
  // takes the faces with either side at it).
  for (DGBoundaryCell *f : boundaryCells) {
    const int a = levelIndex(f->leftTag, nbSub), b = levelIndex(f->rightTag, nbSub);
    if (a >= 0) levelFaces[a].push_back(f);
    if (b >= 0 && b != a) levelFaces[b].push_back(f);
  }
  return true;
}

// ---------------------------------------------------------------------------
// First variant: power-of-two levels

double DGAnalysis::beginAllCells(double T, double cfl, double dt, bool oneLevel) {
  const BeginTimeStep begin{T};
  stableSteps.resize(cells.size());
  const std::size_t count = cells.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Ask ahead for the coming cells, their times, spaces and means (hints).
    if (i + 8 < count) {
      const char *p = reinterpret_cast<const char *>(cells[i + 8]);
      for (int line = 0; line < 4; ++line) __builtin_prefetch(p + 64 * line);
    }
    if (i + 4 < count) {
      const DGCell *c = cells[i + 4];
      __builtin_prefetch(c->dofs, 1);
      __builtin_prefetch(c->functionSpace);
      for (int f = 0; f < c->nbFieldCount; ++f) __builtin_prefetch(c->coef0 + f * c->nbFcts);
    }
    begin(cells[i]);
    if (oneLevel) cells[i]->tag = 1;
    const double s = stableStep(cells[i], cfl);
    stableSteps[i] = s;
    if (s < dt) dt = s;
  }
  return dt;
}

double DGAnalysis::localTimeStepping(double &gain, double &macroStep) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters *param = ctx->parameters;
  const ConservationLaw *law = ctx->law;
  const double T = param->state.t;
  const double cfl = param->time.cflMax;
  requireFinitePositive(param->time.dtRef, "goal time step");
  requireLevels(param->time.nbSub);

  // Every cell begins the step and gives its stable step once: the smallest
  // step and the levels need them. With one level every cell takes level 1
  // there, and every face in the residual's face sweep (faceLevelDue).
  const bool oneLevel = param->time.nbSub == 1;
  // With one level the residual does not depend on the step: an inviscid law
  // without lifting then begins the cells in the residual's volume pass,
  // which reads them anyway (no partition faces, whose states come first).
  const bool inVolumePass = oneLevel && law && !law->isViscous() && !law->needTheHigherOrderGradients() &&
                            InterProcData::live() == 0 && !cells.empty();
  param->time.dt = param->time.dtRef;
  double last = 0.0;  // the time left, when this macro step is the last
  if (!inVolumePass) {
    param->time.dt = beginAllCells(T, cfl, param->time.dt, oneLevel);
    requireFinitePositive(param->time.dt, "smallest stable time step");
    // The levels' steps shrink together so that the macro step ends at the
    // final time (before the levels are chosen: they may rise).
    const int levels = 1 << (param->time.nbSub - 1);
    last = finalStep(T, levels * param->time.dt);
    if (last > 0.0) param->time.dt = last / levels;
  }
  if (oneLevel) {
    ensureLevelSequence(1);
    faceLevelDue = 1;
    gain = 1.0;
  } else {
    gain = tagCells(param->time.dt, cfl, &stableSteps);
  }
  const int nbSub = param->time.nbSub;
  const int M = levelSequence[nbSub - 1];

  double resid = 0.0;
  if (inVolumePass) {
    beginDue = {true, T, cfl, param->time.dt};
    cSpatialOperator(T, 1, cells, boundaryCells);
    // A residual of another kind may have left the beginning undone.
    if (beginDue.due) beginDue.smallest = beginAllCells(T, cfl, beginDue.smallest, true);
    beginDue.due = false;
    param->time.dt = beginDue.smallest;
    requireFinitePositive(param->time.dt, "smallest stable time step");
    // One level: the residual does not depend on the step, which may still
    // shrink to end at the final time.
    last = finalStep(T, param->time.dt);
    if (last > 0.0) param->time.dt = last;
    resid += forwardEuler(param->time.dt, cells, 1);
    applyLimiter(T, 1, cells, boundaryCells);
  } else {
    const double dtmin = param->time.dt;
    std::map<int, int> updates;
    for (int m : levelSequence) updates[m] = 0;
    // Each update walks the cells and faces of its level alone: the levels
    // stay the same through the macro step, so their lists are made once.
    const bool split = !oneLevel && buildLevelLists(nbSub);
    for (int m : levelSequence) {
      const double h = m * dtmin;
      int &k = updates[m];
      const double t = T + k * h;
      const short level = static_cast<short>(m);
      const int i = split ? levelIndex(level, nbSub) : -1;
      DGCellList &levelCellList = i >= 0 ? levelCells[i] : cells;
      DGBoundaryCellList &levelFaceList = i >= 0 ? levelFaces[i] : boundaryCells;
      cSpatialOperator(t, level, levelCellList, levelFaceList);
      resid += forwardEuler(h, levelCellList, level);
      applyLimiter(T, level, levelCellList, levelFaceList);
      ++k;
    }
  }
  macroStep = last > 0.0 ? last : M * param->time.dt;
  requireFinitePositive(macroStep, "macro time step");
  return resid;
}

// ---------------------------------------------------------------------------
// Second variant: substeps of a fine step within the goal step

bool DGAnalysis::buildCellFaces() {
  // A cell's position is its store slot when the store holds the list.
  const std::size_t N = cells.size();
  bool slots = true;
  for (std::size_t i = 0; i < N && slots; ++i)
    slots = cells[i]->store == store.get() && cells[i]->storeSlot == i;
  std::unordered_map<const DGCell *, int> position;
  if (!slots) {
    position.reserve(N);
    for (std::size_t i = 0; i < N; ++i) position.emplace(cells[i], static_cast<int>(i));
  }
  auto positionOf = [&](const DGCell *c) -> int {
    if (!c) return -1;
    if (slots) return c->store == store.get() && c->storeSlot < N && cells[c->storeSlot] == c
                          ? static_cast<int>(c->storeSlot)
                          : -1;
    const auto it = position.find(c);
    return it == position.end() ? -1 : it->second;
  };
  const std::size_t F = boundaryCells.size();
  std::vector<int> sides(2 * F);
  cellFaceStart.assign(N + 1, 0);
  for (std::size_t f = 0; f < F; ++f) {
    DGCell *L, *R;
    boundaryCells[f]->sideCells(L, R);
    const int l = positionOf(L), r = positionOf(R);
    // A face whose cell is not in the list: the levels cannot be followed.
    if (l < 0 || (R && r < 0)) return false;
    sides[2 * f] = l;
    sides[2 * f + 1] = r;
    ++cellFaceStart[l + 1];
    if (r >= 0 && r != l) ++cellFaceStart[r + 1];
  }
  for (std::size_t i = 0; i < N; ++i) cellFaceStart[i + 1] += cellFaceStart[i];
  cellFaceIndex.resize(cellFaceStart[N]);
  std::vector<int> fill(cellFaceStart.begin(), cellFaceStart.end() - 1);
  for (std::size_t f = 0; f < F; ++f) {
    const int l = sides[2 * f], r = sides[2 * f + 1];
    cellFaceIndex[fill[l]++] = static_cast<int>(f);
    if (r >= 0 && r != l) cellFaceIndex[fill[r]++] = static_cast<int>(f);
  }
  return true;
}

void DGAnalysis::dueLists(int substep, DGCellList &dueCells, DGBoundaryCellList &dueFaces) {
  std::vector<int> &due = substepCells[substep];
  std::sort(due.begin(), due.end());
  dueCells.clear();
  std::vector<int> faces;
  for (int p : due) {
    dueCells.push_back(cells[p]);
    for (int q = cellFaceStart[p]; q < cellFaceStart[p + 1]; ++q) {
      const int f = cellFaceIndex[q];
      if (faceMark[f] == substep) continue;
      faceMark[f] = substep;
      faces.push_back(f);
    }
  }
  std::sort(faces.begin(), faces.end());
  dueFaces.clear();
  for (int f : faces) dueFaces.push_back(boundaryCells[f]);
}

double DGAnalysis::localTimeStepping_Version2(double &gain, double &macroStep) {
  GlobalParamManager *ctx = GlobalParamManager::Instance();
  DGParameters *param = ctx->parameters;
  const ConservationLaw *law = ctx->law;
  if (!law) throw std::string("time stepping: no conservation law");
  const double T = param->state.t;
  const double cfl = param->time.cflMax;
  const int n = law->nbFields();
  const int size = law->needTheHigherOrderGradients() ? 4 * n : n;
  requireFinitePositive(param->time.dtRef, "goal time step");
  // The last macro step aims at the final time.
  const double last = finalStep(T, param->time.dtRef);
  const double goal = last > 0.0 ? last : param->time.dtRef;

  double resid = 0.0;
  int updates = 0;
  BeginTimeStep begin{T};
  applyToAll(cells, begin);
  param->time.dt = goal;
  for (const DGCell *c : cells) c->adaptTimeStep(0.5 * cfl, param->time.dt);
  const double smin = param->time.dt;
  requireFinitePositive(smin, "smallest stable time step");

  int k = 1;
  while ((k + 1) * smin < goal) {
    ++k;
    if (k > kMaxSubsteps)
      throw std::string("time stepping: the goal time step needs more than 32767 substeps");
  }
  const double fine = goal / k;
  param->time.dt = fine;

  TagBoundaryCells tagAll{k, true};
  applyToAll(boundaryCells, tagAll);
  comm_Tags();
  ComputeSolutionOnBothSides startStates{T, false, 0, n, size};
  applyToAll(boundaryCells, startStates);
  comm_Ul(T, 0);

  // The cells due at each substep, by position in the cell list: a substep
  // walks them and their faces alone (the others are filtered out by their
  // levels anyway), and its update files each cell under the substep it
  // reaches. A partitioned mesh walks the full lists.
  const std::size_t N = cells.size();
  const bool split = InterProcData::live() == 0 && buildCellFaces();
  if (split) {
    if (substepCells.size() < static_cast<std::size_t>(k)) substepCells.resize(k);
    for (int s = 0; s < k; ++s) substepCells[s].clear();
    substepCells[0].resize(N);
    for (std::size_t i = 0; i < N; ++i) substepCells[0][i] = static_cast<int>(i);
    faceMark.assign(boundaryCells.size(), -1);
  }
  DGCellList dueCells;
  DGBoundaryCellList dueFaces;

  DGLimiter *limiter = ctx->limiter;
  const bool stencil = limiter && limiter->needStencilAverages();
  KORA::mMesh *mesh = ctx->mesh;
  const double threshold = param->general.detector;
  TagBoundaryCells retag{k, false};
  for (int jj = 0; jj < k; ++jj) {
    const short j = static_cast<short>(jj);
    const double tj = jj * fine + T;
    // The cells due now and their faces, in the order of the full lists (all
    // of them when every cell is due).
    const bool all = !split || substepCells[jj].size() == N;
    if (!all) dueLists(jj, dueCells, dueFaces);
    DGCellList &cellList = all ? cells : dueCells;
    DGBoundaryCellList &faceList = all ? boundaryCells : dueFaces;
    // Limiting of the cells due at this substep.
    ZeroInfo zero{j};
    applyToAll(cellList, zero);
    ComputeSolutionOnBothSides states{tj, false, j, n, size};
    applyToAll(faceList, states);
    ComputeJumps jumps{tj, j};
    applyToAll(faceList, jumps);
    if (stencil) {
      InitStencilAverages init{n, tj, j};
      applyToAll(cellList, init);
      ComputeStencilAverages neighbours{tj, n, j};
      applyToAll(faceList, neighbours);
      if (mesh) {
        EnhanceStencilToCorners corners{j, tj, n, mesh->getDim()};
        for (auto it = mesh->beginall(0); it != mesh->endall(0); ++it) corners(*it);
      }
    }
    LimitCell limit{limiter, j, threshold};
    applyToAll(cellList, limit);
    // Residual of those cells, with the same passes as a level's residual.
    cSpatialOperator(tj, j, cellList, faceList);
    // Update.
    double substep = 0.0;
    AdvanceInTime_Version2 advance{n, fine, cfl, &substep, j, static_cast<short>(k), &updates,
                                   std::numeric_limits<double>::infinity()};
    applyToAll(cellList, advance);
    resid += substep;
    // Only the faces of the cells just updated change their levels.
    applyToAll(faceList, retag);
    if (split) {
      for (int p : substepCells[jj]) {
        const int due = cells[p]->tag;
        if (due > jj && due < k) substepCells[due].push_back(p);
      }
      substepCells[jj].clear();
    }
  }

  KORA::ParUtil::Instance()->Barrier(__LINE__, __FILE__);
  // The lists are rebuilt from the mesh leaves; on one process nothing
  // changed the mesh during the call, so lists gathered from it come out as
  // they are and need no rebuilding.
  if (!listsGathered || KORA::ParUtil::Instance()->size() > 1 || InterProcData::live() > 0) gatherCells();
  macroStep = last > 0.0 ? last : k * param->time.dt;
  requireFinitePositive(macroStep, "macro time step");
  const double count = static_cast<double>(cells.size());
  gain = updates == 0 ? 1.0 : (k * count) / updates;
  return resid;
}
