#include "DGCell.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGBasisSize.h"
#include "DGCellScratch.h"
#include "DGParameters.h"
#include "DenseMatrix.h"
#include "ElementaryMatrices.h"
#include "FieldEvaluator.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "gEntity.h"
#include "mBlockPool.h"
#include "mEntity.h"
#include "mTensor2.h"
#include "mTextWriter.h"

using KORA::GaussIntegrator;
using KORA::Mapping;
using KORA::mEntity;
using KORA::mPoint;
using KORA::mVector;

// ---------------------------------------------------------------------------
// Shared helpers

namespace dgdetail {

int lawFieldCount(const char *who) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string(who) + ": no conservation law is set in the global context";
  const int nf = law->nbFields();
  if (nf < 1 || nf > ConservationLaw::kMaxFields)
    throw std::string(who) + ": the conservation law has " + std::to_string(nf) + " fields; 1 to " +
        std::to_string(ConservationLaw::kMaxFields) + " are supported";
  return nf;
}

std::vector<double> &phiScratch(int n) {
  thread_local std::vector<double> buffer;
  if (static_cast<int>(buffer.size()) < n) buffer.resize(n);
  return buffer;
}

std::vector<double> &projectionPhiScratch(int n) {
  thread_local std::vector<double> buffer;
  if (static_cast<int>(buffer.size()) < n) buffer.resize(n);
  return buffer;
}

std::vector<mVector> &gradScratch(int n) {
  thread_local std::vector<mVector> buffer;
  if (static_cast<int>(buffer.size()) < n) buffer.resize(n);
  return buffer;
}

OwnedMatrix::OwnedMatrix(int rows, int cols) : m(allocateMatrix(rows, cols)) {}
OwnedMatrix::~OwnedMatrix() { freeMatrix(m); }

double *valueScratch(int n) {
  thread_local std::vector<double> buffer;
  if (static_cast<int>(buffer.size()) < n) buffer.resize(n);
  return buffer.data();
}

}  // namespace dgdetail

namespace {

// Characteristic length of an element: the size measure of its model entity
// (the plain measure when the element is not classified).
double elementSize(mEntity *e) {
  if (KORA::gEntity *g = e->getClassification()) return g->size(e);
  KORA::gEntity plain;
  return plain.size(e);
}

// K of the diffusive limit K h^2 / ((2p+1)^2 nu) of the stable step.
constexpr double kDiffusiveStepFactor = 0.5;

int checkedShort(int value, const char *what) {
  if (value < 0 || value > 32767)
    throw std::string("coefficient store: ") + what + " " + std::to_string(value) + " does not fit 16 bits";
  return value;
}

}  // namespace

// ---------------------------------------------------------------------------
// DG_Dofs

DG_Dofs::DG_Dofs(int nL, int nF, int nB)
    : levels(nullptr),
      nLevels(static_cast<short>(checkedShort(nL, "number of levels"))),
      nbFields(static_cast<short>(checkedShort(nF, "number of fields"))),
      nbFunctions(static_cast<short>(checkedShort(nB, "number of functions"))),
      t(0.0),
      tprev(-1.0) {
  const std::size_t m = static_cast<std::size_t>(nbValues());
  const int stored = std::min<int>(nLevels, kStoredLevels);
  // From the shared pools: a cell's arrays are small, and its stored levels
  // go to the cell store at once (their block then serves the next cell).
  const std::size_t rows = static_cast<std::size_t>(std::max<int>(nLevels, 1));
  levels = KORA::poolArray<double *>(rows);
  std::fill(levels, levels + rows, nullptr);
  if (stored > 0) {
    double *block = nullptr;
    try {
      block = KORA::poolArray<double>(stored * m);
    } catch (...) {
      KORA::poolArrayRelease(levels, rows);
      throw;
    }
    std::fill(block, block + stored * m, 0.0);
    for (int k = 0; k < stored; ++k) levels[k] = block + k * m;
  }
}

DG_Dofs::~DG_Dofs() {
  const std::size_t m = static_cast<std::size_t>(nbValues());
  for (int k = kStoredLevels; k < nLevels; ++k) KORA::poolArrayRelease(levels[k], m);
  if (nLevels > 0 && !external_)
    KORA::poolArrayRelease(levels[0], static_cast<std::size_t>(std::min<int>(nLevels, kStoredLevels)) * m);
  KORA::poolArrayRelease(levels, static_cast<std::size_t>(std::max<int>(nLevels, 1)));
}

void DG_Dofs::refer(double *level0, double *level1) {
  const std::size_t m = static_cast<std::size_t>(nbValues());
  const int stored = std::min<int>(nLevels, kStoredLevels);
  double *to[2] = {level0, level1};
  for (int k = 0; k < stored; ++k)
    if (levels[k] != to[k]) std::copy(levels[k], levels[k] + m, to[k]);
  if (!external_ && nLevels > 0) KORA::poolArrayRelease(levels[0], static_cast<std::size_t>(stored) * m);
  for (int k = 0; k < stored; ++k) levels[k] = to[k];
  external_ = nLevels > 0;
}

void DG_Dofs::own() {
  if (!external_) return;
  const std::size_t m = static_cast<std::size_t>(nbValues());
  const int stored = std::min<int>(nLevels, kStoredLevels);
  double *block = KORA::poolArray<double>(static_cast<std::size_t>(stored) * m);
  for (int k = 0; k < stored; ++k) {
    std::copy(levels[k], levels[k] + m, block + k * m);
    levels[k] = block + k * m;
  }
  external_ = false;
}

double *DG_Dofs::level(int k) {
  if (k < 0 || k >= nLevels) throw std::string("coefficient store: no level ") + std::to_string(k);
  if (!levels[k]) {
    const std::size_t m = static_cast<std::size_t>(nbValues());
    levels[k] = KORA::poolArray<double>(m);
    std::fill(levels[k], levels[k] + m, 0.0);
  }
  return levels[k];
}

void DG_Dofs::update(const double *dU, double dt, bool projection) {
  const int m = nbValues();
  double *c0 = levels[0];
  if (nLevels > 1) {
    double *c1 = levels[1];
    for (int i = 0; i < m; ++i) c1[i] = c0[i];
  }
  for (int i = 0; i < m; ++i) c0[i] += dU[i];
  if (projection) {
    tprev = 0.0;
  } else {
    tprev = t;
    t += dt;
  }
}

// ---------------------------------------------------------------------------
// DGCell: construction

DGCell::DGCell(mEntity *element, FunctionSpace *space, Mapping *map)
    : entity(element),
      dofs(nullptr),
      functionSpace(space),
      mapping(map),
      tag(0),
      active(true),
      invMass(nullptr),
      cellSize(0.0),
      jumpSum(0.0),
      jumpWeight(0.0),
      limiterMeasure(0.0),
      errorWeight(0.0),
      errorSum(0.0) {
  ++dgCellGeneration;
  try {
    if (!entity || !functionSpace || !mapping)
      throw std::string("DG cell: an element, a function space and a mapping are needed");
    const int nf = dgdetail::lawFieldCount("DG cell");
    const int n = functionSpace->size();
    dofs = new DG_Dofs(6, nf, n);
    rhs.assign(static_cast<size_t>(nf) * n, 0.0);
    nbFcts = n;
    nbFieldCount = nf;
    coef0 = dofs->levels[0];
    ZeroError();
    cellSize = elementSize(entity);
    init();
    stencilMax.assign(nf, 0.0);
    stencilMin.assign(nf, 0.0);
  } catch (...) {
    delete dofs;
    freeMatrix(invMass);
    delete functionSpace;
    delete mapping;
    throw;
  }
}

DGCell::~DGCell() {
  ++dgCellGeneration;
  if (store) store->release(storeSlot);
  delete dofs;
  delete functionSpace;
  delete mapping;
  freeMatrix(invMass);
}

void DGCell::placeIn(CellStore *s, std::size_t slot, double *level0, double *level1, double *residual) {
  if (store && store != s) store->release(storeSlot);
  dofs->refer(level0, level1);
  rhs.refer(residual, static_cast<std::size_t>(dofs->nbValues()));
  coef0 = dofs->levels[0];
  store = s;
  storeSlot = slot;
}

void DGCell::leaveStore() {
  dofs->own();
  rhs.own();
  coef0 = dofs->levels[0];
  store = nullptr;
}

namespace {

// The ratios m_0 / m_i of the reference integrals of the squares of the
// cell's basis functions at its volume rule, made once per rule and basis
// size; null when an integral is not positive.
const double *massRatios(const DGCell *cell) {
  const std::vector<double> &ratio = tablePerRule<std::vector<double>>(cell->rule, cell->nbFcts, [cell] {
    // m_i = sum over the points of w phi_i^2, on the reference element.
    const int n = cell->nbFcts, K = cell->nbPtGauss();
    std::vector<double> r;
    if (!cell->rule || n <= 0 || K <= 0) return r;
    std::vector<double> m(n, 0.0);
    for (int k = 0; k < K; ++k) {
      const double *phi = cell->gaussPoints[k].phi.data();
      for (int i = 0; i < n; ++i) m[i] += cell->rule[k].weight * phi[i] * phi[i];
    }
    for (double v : m)
      if (!(v > 0.0)) return r;
    r.resize(n);
    for (int i = 0; i < n; ++i) r[i] = i == 0 ? 1.0 : m[0] / m[i];
    return r;
  });
  return ratio.empty() ? nullptr : ratio.data();
}

}  // namespace

void DGCell::init() {
  const int n = functionSpace->size();
  dgdetail::OwnedMatrix M(n, n);
  freeMatrix(invMass);
  invMass = nullptr;
  invMass = allocateMatrix(n, n);
  massMatrix(functionSpace, mapping, entity, M.m, 1.0);
  invmat(M.m, invMass, n);
  // Off-diagonal entries at round-off of the diagonal ones: the update takes
  // the diagonal alone.
  double diagonal = 0.0, off = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double a = std::fabs(invMass[i][j]);
      if (i == j)
        diagonal = std::max(diagonal, a);
      else
        off = std::max(off, a);
    }
  initGaussPoints();
  // A cell whose Jacobian is constant to within the rounding of its vertices
  // (affine: the residual takes the first point's) has a diagonal mass
  // matrix in that same approximation; what is left off the diagonal comes
  // from the vertices' rounding (a mesh generator's coordinates carry some
  // 1e-13), far below anything an orthogonal basis would show.
  massDiagonal = off <= 1e-13 * diagonal || (affine && off <= 1e-6 * diagonal);
  if (massDiagonal)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        if (i != j) invMass[i][j] = 0.0;
  massScaled = false;
  if (massDiagonal) {
    const double *ratio = massRatios(this);
    bool scaled = ratio != nullptr;
    for (int i = 0; scaled && i < n; ++i)
      scaled = std::fabs(invMass[0][0] * ratio[i] - invMass[i][i]) <= 1e-14 * std::fabs(invMass[i][i]);
    massScaled = scaled;
  }
  // A scaled identity keeps its first entry alone.
  massScale = 0.0;
  if (massScaled) {
    massScale = invMass[0][0];
    freeMatrix(invMass);
    invMass = nullptr;
  }
}

double DGCell::invMassEntry(int i, int j) const {
  if (invMass) return invMass[i][j];
  if (i != j) return 0.0;
  return i == 0 ? massScale : massScale * massRatios(this)[i];
}

int DGCell::computeOrder() const { return 2 * functionSpace->order() + mapping->order() - 1; }

void DGCell::initGaussPoints() {
  const int n = functionSpace->size();
  const int q = computeOrder();
  GaussIntegrator gauss(entity);
  const int K = gauss.nbIntegrationPoints(q);
  rule = sharedRule(entity, q);
  gaussPoints.clear();
  gaussPoints.shrink_to_fit();
  gaussPoints.reserve(K);
  std::vector<double> inverses(9 * static_cast<size_t>(K));
  bool same = true;
  for (int k = 0; k < K; ++k) {
    const double u = rule[k].u, v = rule[k].v, w = rule[k].w;
    vptGaussInfo &p = gaussPoints.emplace_back();
    const SharedBasisPoint &b = sharedBasisAt(functionSpace, u, v, w);
    p.nbFcts = n;
    p.phi = BasisRow(b.phi);
    p.refGrads = b.refGrads.data();
    KORA::mTensor2 t(0.0);
    p.jacDet = mapping->jacInverse(u, v, w, t);
    double *inv = inverses.data() + 9 * k;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) inv[3 * i + j] = t(i, j);
  }
  // The Jacobian is the same at every point to within 1e-12 of its size (a
  // parallelogram's vertices carry rounding, so its bilinear map is constant
  // only to that): one inverse and one determinant, the first point's, serve
  // every point.
  constexpr double kSame = 1e-12;
  double scale = 0.0;
  for (int i = 0; i < 9 && K > 0; ++i) scale = std::max(scale, std::fabs(inverses[i]));
  for (int k = 1; k < K && same; ++k) {
    const double *inv = inverses.data() + 9 * k;
    for (int i = 0; i < 9; ++i) same = same && std::fabs(inv[i] - inverses[i]) <= kSame * scale;
    const double d0 = gaussPoints.front().jacDet;
    same = same && std::fabs(gaussPoints[k].jacDet - d0) <= kSame * std::fabs(d0);
  }
  // In the plane: the inverse Jacobian couples x and y alone.
  planar = entity->getLevel() == 2;
  for (int k = 0; k < K && planar; ++k) {
    const double *inv = inverses.data() + 9 * k;
    planar = inv[2] == 0.0 && inv[5] == 0.0 && inv[6] == 0.0 && inv[7] == 0.0;
  }
  affine = same && K > 0;
  if (affine) {
    inverses.resize(9);
    for (vptGaussInfo &p : gaussPoints) p.jacDet = gaussPoints.front().jacDet;
  }
  inverses.shrink_to_fit();
  jacInverses = std::move(inverses);
}

void DGCell::physicalGradients(int k, mVector *out) const {
  const double *t = jacInverseAt(k);
  const mVector *g = gaussPoints[k].refGrads;
  const int n = gaussPoints[k].nbFcts;
  // The same products as the mapping's push-back of gradients.
  for (int j = 0; j < n; ++j) {
    const double g0 = g[j](0), g1 = g[j](1), g2 = g[j](2);
    for (int i = 0; i < 3; ++i) out[j](i) = t[3 * i] * g0 + t[3 * i + 1] * g1 + t[3 * i + 2] * g2;
  }
}

void DGCell::rebuildForOrder() { init(); }

// ---------------------------------------------------------------------------
// Updates

namespace {

template <int NB>
double blockProduct(double *const *invMass, const double *rhs, int nbRun, int nf, double dt, double *out) {
  const int n = NB ? NB : nbRun;
  double first[4] = {0.0, 0.0, 0.0, 0.0};
  double r = 0.0;
  int f = 0;
  // Four fields at a time (independent sums, each in the order of j); the
  // squared first components are added in the order of the fields.
  for (; f + 4 <= nf; f += 4) {
    const double *b0 = rhs + f * n, *b1 = b0 + n, *b2 = b1 + n, *b3 = b2 + n;
    double *o0 = out + f * n, *o1 = o0 + n, *o2 = o1 + n, *o3 = o2 + n;
    for (int i = 0; i < n; ++i) {
      const double *row = invMass[i];
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (int j = 0; j < n; ++j) {
        const double m = row[j];
        s0 += m * b0[j];
        s1 += m * b1[j];
        s2 += m * b2[j];
        s3 += m * b3[j];
      }
      if (i == 0) {
        first[0] = s0;
        first[1] = s1;
        first[2] = s2;
        first[3] = s3;
      }
      o0[i] = s0 * dt;
      o1[i] = s1 * dt;
      o2[i] = s2 * dt;
      o3[i] = s3 * dt;
    }
    for (int k = 0; k < 4; ++k) r += first[k] * first[k];
  }
  for (; f < nf; ++f) {
    const double *b = rhs + f * n;
    double *o = out + f * n;
    for (int i = 0; i < n; ++i) {
      const double *row = invMass[i];
      double s = 0.0;
      for (int j = 0; j < n; ++j) s += row[j] * b[j];
      if (i == 0) r += s * s;
      o[i] = s * dt;
    }
  }
  return r;
}

}  // namespace

double DGCell::blockInvMassMultRHS(double dt, double *out) const {
  double r = 0.0;
  if (massScaled) {
    // invMass[i][i] from its first entry and the shared ratios: one line of
    // the matrix instead of one per row.
    const int n = nbFcts, nf = dofs->nbFields;
    const double *ratio = massRatios(this);
    const double d0 = massScale;
    const double *b = rhs.data();
    for (int f = 0; f < nf; ++f) {
      const double s0 = d0 * b[f * n];
      r += s0 * s0;
      out[f * n] = s0 * dt;
      for (int i = 1; i < n; ++i) out[f * n + i] = d0 * ratio[i] * b[f * n + i] * dt;
    }
    return r;
  }
  if (massDiagonal) {
    // An orthogonal basis on an affine element: M^-1 is its diagonal.
    const int n = nbFcts, nf = dofs->nbFields;
    const double *b = rhs.data();
    for (int f = 0; f < nf; ++f) {
      const double s0 = invMass[0][0] * b[f * n];
      r += s0 * s0;
      out[f * n] = s0 * dt;
      for (int i = 1; i < n; ++i) out[f * n + i] = invMass[i][i] * b[f * n + i] * dt;
    }
    return r;
  }
  withBasisSize(nbFcts, [&](auto NB) {
    r = blockProduct<decltype(NB)::value>(invMass, rhs.data(), nbFcts, dofs->nbFields, dt, out);
  });
  return r;
}

double DGCell::computeInvMassMatrixMultRHSDT(double dt, double *out) { return blockInvMassMultRHS(dt, out); }

double DGCell::projectionInvMassMatrixMultRHS(double *out) { return blockInvMassMultRHS(1.0, out); }

double DGCell::advanceInTime(double dt) {
  double *scratch = dgdetail::valueScratch(dofs->nbValues());
  const double r = computeInvMassMatrixMultRHSDT(dt, scratch);
  dofs->update(scratch, dt);
  return r;
}

// ---------------------------------------------------------------------------
// Projection

void DGCell::L2Proj(const FieldEvaluator *field, std::span<double> out) {
  const int n = functionSpace->size();
  const int nf = dofs->nbFields;
  // Exact for a field whose pull-back is a polynomial of the field's order,
  // with the same Jacobian as the mass matrix: a field in the cell's space
  // is reproduced.
  const int q = fieldProjectionRuleOrder(functionSpace->order(), field->order(), mapping);
  SimulationState &state = GlobalParamManager::Instance()->parameters->state;
  const KORA::gEntity *g = entity->getClassification();
  state.region = g ? g->getId() : 0;
  for (int i = 0; i < nf * n; ++i) out[i] = 0.0;
  std::vector<double> &phi = dgdetail::projectionPhiScratch(n);
  double values[ConservationLaw::kMaxFields];
  GaussIntegrator gauss(entity);
  const int K = gauss.nbIntegrationPoints(q);
  for (int k = 0; k < K; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, q, u, v, w, weight);
    const double d = mapping->detJac(u, v, w);
    double x, y, z;
    mapping->eval(u, v, w, x, y, z);
    state.X = x;
    state.Y = y;
    state.Z = z;
    field->eval(mPoint(x, y, z), 0.0, values);
    functionSpace->fcts(u, v, w, phi);
    const double dw = d * weight;
    for (int f = 0; f < nf; ++f) {
      const double c = values[f] * dw;
      double *o = out.data() + f * n;
      for (int j = 0; j < n; ++j) o[j] += c * phi[j];
    }
  }
}

void DGCell::L2ProjInitial(const FieldEvaluator *field) {
  const int m = dofs->nbValues();
  double *c0 = dofs->levels[0];
  for (int i = 0; i < m; ++i) c0[i] = 0.0;
  L2Proj(field, {rhs.data(), rhs.size()});
  double *scratch = dgdetail::valueScratch(m);
  projectionInvMassMatrixMultRHS(scratch);
  dofs->update(scratch, 1.0, true);
}

// ---------------------------------------------------------------------------
// Evaluation

void DGCell::interpolate(double *values, const std::vector<double> &phi) const {
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const double *c0 = dofs->levels[0];
  for (int f = 0; f < nf; ++f) {
    const double *c = c0 + f * nb;
    double s = 0.0;
    for (int j = 0; j < nb; ++j) s += phi[j] * c[j];
    values[f] = s;
  }
}

void DGCell::interpolate(double *values, double t, const std::vector<double> &phi) const {
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const double tc = dofs->t, tp = dofs->tprev;
  const double a = (tc == tp) ? 0.0 : (t - tc) / (tp - tc);
  const double *c0 = dofs->levels[0];
  const double *c1 = dofs->levels[1];
  for (int f = 0; f < nf; ++f) {
    double s = 0.0;
    for (int j = 0; j < nb; ++j) {
      const int i = f * nb + j;
      s += phi[j] * ((1.0 - a) * c0[i] + a * c1[i]);
    }
    values[f] = s;
  }
}

void DGCell::interpolate(double u, double v, double w, double *values) const {
  std::vector<double> &phi = dgdetail::phiScratch(functionSpace->size());
  functionSpace->fcts(u, v, w, phi);
  interpolate(values, phi);
}

void DGCell::interpolate(double u, double v, double w, double *values, double t) const {
  std::vector<double> &phi = dgdetail::phiScratch(functionSpace->size());
  functionSpace->fcts(u, v, w, phi);
  interpolate(values, t, phi);
}

void DGCell::dinterpolate(mVector *grads, std::span<const mVector> gradPhi, G_type g) const {
  if (g < LEVEL0 || g > LEVEL5) return;
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const int n = functionSpace->size();
  const double *a = nullptr;
  const double *b = nullptr;  // second set added to the first (level 0 + level 2)
  switch (g) {
  case LEVEL0: a = dofs->levels[0]; break;
  case LEVEL0_PLUS_2:
    a = dofs->levels[0];
    b = dofs->levelIfAny(2);  // an absent level adds nothing
    break;
  default: a = dofs->levelIfAny(static_cast<int>(g)); break;
  }
  if (!a) {
    // A level never written: every coefficient is zero, so is every gradient.
    for (int f = 0; f < nf; ++f) grads[f] = mVector(0.0, 0.0, 0.0);
    return;
  }
  for (int f = 0; f < nf; ++f) {
    const int o = f * nb;
    mVector s(0.0, 0.0, 0.0);
    for (int j = 0; j < n; ++j) {
      const double k = b ? a[o + j] + b[o + j] : a[o + j];
      s += gradPhi[j] * k;
    }
    grads[f] = s;
  }
}

double DGCell::dinterpolate(double u, double v, double w, mVector *grads, G_type g) const {
  std::vector<mVector> &gradPhi = dgdetail::gradScratch(functionSpace->size());
  const double d = functionSpace->grads(u, v, w, mapping, gradPhi);
  dinterpolate(grads, gradPhi, g);
  return d;
}

bool DGCell::inCell(const mPoint &point, double *values, double &u, double &v, double &w, mVector *grads) {
  if (!mapping->interiorCheck(entity, point, u, v, w)) return false;
  interpolate(u, v, w, values);
  if (grads) dinterpolate(u, v, w, grads, LEVEL0);
  return true;
}

// ---------------------------------------------------------------------------
// Time step, means, volume, times

void DGCell::adaptTimeStep(double cfl, double &dtmin) const {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("DG cell time step: no conservation law is set in the global context");
  mPoint X;
  if (law->volumeTermsNeedPoints()) {
    double x, y, z;
    mapping->eval(0.0, 0.0, 0.0, x, y, z);
    X = mPoint(x, y, z);
  }
  // The means, from the coefficients kept at hand (dofs->levels[0]).
  const int nf = nbFieldCount, nb = nbFcts;
  double U[ConservationLaw::kMaxFields];
  for (int f = 0; f < nf; ++f) U[f] = coef0[f * nb];
  const double lambda = law->maximumEigenValue(U, X);
  const double p = functionSpace->order();
  double dt = cfl * cellSize / (2.0 * p * lambda + lambda);
  double penaltySpeed = 0.0, nu = 0.0;
  law->viscousStepLimits(U, X, penaltySpeed, nu);
  if (penaltySpeed > 0.0 || nu > 0.0) {
    // Waves (with the penalty's damping) and diffusion add up in the
    // spectrum of the explicit operator: the step keeps the sum of both
    // rates, (2p+1) a / h and (2p+1)^2 nu / (K h^2), below cfl.
    const double w = 2.0 * p + 1.0, h = cellSize;
    const double rate = w * (lambda + penaltySpeed) / h + w * w * nu / (kDiffusiveStepFactor * h * h);
    dt = cfl / rate;
  }
  if (dt < dtmin) dtmin = dt;
}

double DGCell::theMean(int f) const { return dofs->levels[0][f * dofs->nbFunctions]; }

void DGCell::theMean(double *values, double t) const {
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const double tc = dofs->t, tp = dofs->tprev;
  const double b = (tc == tp) ? 0.0 : (t - tp) / (tc - tp);
  for (int f = 0; f < nf; ++f) values[f] = b * dofs->levels[1][f * nb] + (1.0 - b) * dofs->levels[0][f * nb];
}

double DGCell::Volume() const {
  GaussIntegrator gauss(entity);
  const int K = gauss.nbIntegrationPoints(0);
  double vol = 0.0;
  for (int k = 0; k < K; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, 0, u, v, w, weight);
    vol += mapping->detJac(u, v, w) * weight;
  }
  return vol;
}

void DGCell::beginTimeStep(double t) { dofs->t = dofs->tprev = t; }

// ---------------------------------------------------------------------------
// Recovery block

void DGCell::write(std::ostream &os) const {
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const int n = functionSpace->size();
  os << functionSpace->order() << " ";
  for (int f = 0; f < nf; ++f)
    for (int j = 0; j < n; ++j) os << dofs->levels[0][f * nb + j] << " ";
}

void DGCell::write(KORA::mTextWriter &out) const {
  const int nf = dofs->nbFields, nb = dofs->nbFunctions;
  const int n = functionSpace->size();
  out.putInt(functionSpace->order());
  out.put(' ');
  const double *c0 = dofs->levels[0];
  for (int f = 0; f < nf; ++f)
    for (int j = 0; j < n; ++j) {
      out.putScientific(c0[f * nb + j]);
      out.put(' ');
    }
}

double *DGCell::restoreOrder(int p) {
  const int oldOrder = functionSpace->order();
  functionSpace->setOrder(p);  // refuses an order beyond the basis data
  // The levels are replaced: the store's slices are this cell's no more.
  if (store) {
    store->release(storeSlot);
    leaveStore();
  }
  const int nf = dofs->nbFields;
  const int n = functionSpace->size();
  DG_Dofs *fresh = nullptr;
  try {
    fresh = new DG_Dofs(6, nf, n);
  } catch (...) {
    functionSpace->setOrder(oldOrder);
    throw;
  }
  delete dofs;
  dofs = fresh;
  nbFcts = n;
  nbFieldCount = nf;
  coef0 = dofs->levels[0];
  if (p != oldOrder) {
    rhs.assign(static_cast<size_t>(nf) * n, 0.0);
    rebuildForOrder();
  }
  return dofs->levels[0];
}

void DGCell::read(std::istream &is) {
  int p = -1;
  if (!(is >> p)) throw std::string("DG cell recovery block: the polynomial order cannot be read");
  double *c0 = restoreOrder(p);
  const int total = dofs->nbFields * functionSpace->size();
  for (int i = 0; i < total; ++i)
    if (!(is >> c0[i]))
      throw std::string("DG cell recovery block: coefficient ") + std::to_string(i) + " of " +
          std::to_string(total) + " cannot be read";
}
