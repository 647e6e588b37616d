// Moment limiter for quadrilaterals (limiters 2 and 4).

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "FunctionSpace.h"
#include "GaussIntegrator.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "mEntity.h"

using KORA::mEntity;
using KORA::mVector;

namespace {

const ConservationLaw &contextLaw() {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string("limiter: no conservation law");
  return *law;
}

int fieldsOf(const ConservationLaw &law, const DGCell *cell) {
  return std::min({law.nbFields(), cell->nbFields(), ConservationLaw::kMaxFields});
}

// Centre offsets closer than this count as aligned.
constexpr double kAligned = 1e-10;

}  // namespace

namespace {

// The physical basis gradients of the cell at the Gauss points of the rule of
// its order, point after point (size per point); returns the point count.
int ruleBasisGradients(DGCell *cell, std::vector<mVector> &out, int &size) {
  KORA::GaussIntegrator gauss(cell->getEntity());
  const FunctionSpace *space = cell->getFunctionSpace();
  const int order = space->order();
  const int nbPoints = gauss.nbIntegrationPoints(order);
  size = space->size();
  out.resize(static_cast<std::size_t>(nbPoints) * size);
  std::vector<mVector> g(size);
  for (int k = 0; k < nbPoints; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, order, u, v, w, weight);
    space->grads(u, v, w, cell->getMapping(), g);
    std::copy(g.begin(), g.begin() + size, out.begin() + static_cast<std::ptrdiff_t>(k) * size);
  }
  return nbPoints;
}

// checkMonotonicity from the basis gradients of ruleBasisGradients.
void monotonicityFrom(DGCell *cell, const mVector *basis, int nbPoints, int size, bool *mu, bool *mv,
                      bool *mw) {
  const int n = fieldsOf(contextLaw(), cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
  // Kept from call to call: 512 vectors made anew would cost more than the test.
  static std::vector<mVector> firstKept(ConservationLaw::kMaxFields), gradsKept(ConservationLaw::kMaxFields);
  mVector *first = firstKept.data();
  mVector *grads = gradsKept.data();
  for (int k = 0; k < nbPoints; ++k) {
    const std::span<const mVector> phi(basis + static_cast<std::ptrdiff_t>(k) * size, size);
    if (k == 0) {
      cell->dinterpolate(first, phi, DGCell::LEVEL0);
      continue;
    }
    cell->dinterpolate(grads, phi, DGCell::LEVEL0);
    for (int f = 0; f < n; ++f) {
      if (grads[f][0] * first[f][0] < 0.0) mu[f] = false;
      if (grads[f][1] * first[f][1] < 0.0) mv[f] = false;
      if (grads[f][2] * first[f][2] < 0.0) mw[f] = false;
    }
  }
}

}  // namespace

void DGMomentLimiterRegularCube::initTable(int nbFields, int p) {
  nbFields = std::clamp(nbFields, 0, kMaxFields);
  p = std::clamp(p, 0, kMaxOrder);
  for (int f = 0; f < nbFields; ++f)
    for (int d = 0; d < 3; ++d) {
      for (int k = 0; k < p; ++k) flag[f][k][d] = 0;
      flag[f][p][d] = 1;
    }
}

void DGMomentLimiterRegularCube::limit(DGCell *cell) {
  const ConservationLaw &law = contextLaw();
  mEntity *element = cell->getEntity();
  const std::span<const LimiterFaceTable::Face> faces = faceTable.faces(cell);

  const int top = std::min(cell->getFunctionSpace()->order(), kMaxOrder);
  initTable(fieldsOf(law, cell), top);
  const int type = element->getType();
  // The neighbour across each face: the same at every order.
  sides.clear();
  for (const LimiterFaceTable::Face &face : faces) {
    DGBoundaryCell *fc = face.cell;
    if (!fc) continue;
    mEntity *other = (fc->left != element) ? fc->left : fc->right;
    DGCell *neighbour = other ? dgCellOf(other) : nullptr;
    if (!neighbour || neighbour == cell) continue;
    sides.push_back({fc, neighbour});
  }
  // Geometry and monotonicity are kept for this call only (see limitQuad).
  limiting = cell;
  monotonicityKnown = false;
  monoBasisCell = nullptr;
  for (int q = top; q >= 1; --q) {
    for (const auto &[fc, neighbour] : sides) {
      if (type == mEntity::QUAD)
        limitQuad(fc, cell, neighbour, q);
      else if (type == mEntity::HEX)
        limitHex(cell, neighbour, q);
    }
  }
  limiting = nullptr;
  monoBasisCell = nullptr;
}

const double *DGMomentLimiterRegularCube::corners(DGCell *cell) {
  // Corners of the cells of one limit call; a cell's mapping never changes.
  if (limiting) {
    for (int k = 0; k < nbCorners; ++k)
      if (cornerCells[k] == cell && cornerGeneration == dgCellGeneration) return cornerValues[k];
  }
  if (!limiting || cornerGeneration != dgCellGeneration || nbCorners == kCornerSlots) {
    nbCorners = 0;
    cornerGeneration = dgCellGeneration;
  }
  double *v = cornerValues[nbCorners];
  double z;
  cell->getMapping()->eval(-1, -1, 0, v[0], v[1], z);
  cell->getMapping()->eval(1, 1, 0, v[2], v[3], z);
  cornerCells[nbCorners++] = cell;
  return v;
}

void DGMomentLimiterRegularCube::limitQuad(DGBoundaryCell *face, DGCell *K, DGCell *N, int q) {
  (void)face;
  if (q < 1 || q > kMaxOrder) return;
  const ConservationLaw &law = contextLaw();
  const double *cK = corners(K);
  const double xc1 = cK[0], yc1 = cK[1], xc2 = cK[2], yc2 = cK[3];
  const double *cNb = corners(N);
  const double xn1 = cNb[0], yn1 = cNb[1], xn2 = cNb[2], yn2 = cNb[3];
  const double hx = xc2 - xc1, hy = yc2 - yc1;
  const double dx = 0.5 * (xc1 + xc2 - xn1 - xn2);
  const double dy = 0.5 * (yc1 + yc2 - yn1 - yn2);
  const bool alongX = std::fabs(dy) <= kAligned && std::fabs(dx) > kAligned;
  const bool alongY = std::fabs(dy) > kAligned && std::fabs(dx) <= kAligned;
  if (!alongX && !alongY) return;

  const int n = std::min(fieldsOf(law, K), N->nbFields());
  // Within one limit call the monotonicity of the cell is taken again only
  // after one of its moments changed.
  bool ownMu[ConservationLaw::kMaxFields], ownMv[ConservationLaw::kMaxFields], ownMw[ConservationLaw::kMaxFields];
  const bool kept = limiting == K;
  bool *mu = kept ? monoU : ownMu, *mv = kept ? monoV : ownMv, *mw = kept ? monoW : ownMw;
  if (monotone && kept && !monotonicityKnown) {
    // The basis gradients of the cell are taken once per call.
    if (monoBasisCell != K) {
      monoPoints = ruleBasisGradients(K, monoBasis, monoSize);
      monoBasisCell = K;
    }
    monotonicityFrom(K, monoBasis.data(), monoPoints, monoSize, mu, mv, mw);
    monotonicityKnown = true;
  } else if (monotone && !kept) {
    checkMonotonicity(K, mu, mv, mw);
  }

  const int nbK = K->getCoefficients()->nbFunctions;
  const int nbN = N->getCoefficients()->nbFunctions;
  double *coefK = K->getCoefficients()->levels[0];
  const double *coefN = N->getCoefficients()->levels[0];
  const int dir = alongX ? 0 : 1;
  // The moment being limited and the lower moment it is compared with.
  const int target = alongX ? q * q : q * q + 1;
  const int lower = alongX ? (q - 1) * (q - 1) : (q == 1 ? 0 : (q - 1) * (q - 1) + 1);
  if (target >= nbK || lower >= nbN) return;
  const double scale = (alongX ? hx / dx : hy / dy) / (2.0 * q - 1.0);
  for (int f = 0; f < n; ++f) {
    if (monotone && (alongX ? mu[f] : mv[f])) flag[f][q][dir] = 0;
    if (!flag[f][q][dir]) continue;
    const double b = (coefK[f * nbK + lower] - coefN[f * nbN + lower]) * scale;
    if (minmod(coefK[f * nbK + target], b)) {
      flag[f][q - 1][dir] = 1;
      monotonicityKnown = false;
    }
  }
}

void DGMomentLimiterRegularCube::limitHex(DGCell *cell, DGCell *neighbour, int q) {
  (void)cell;
  (void)neighbour;
  (void)q;
}

void checkMonotonicity(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  std::vector<mVector> basis;
  int size = 0;
  const int nbPoints = ruleBasisGradients(cell, basis, size);
  monotonicityFrom(cell, basis.data(), nbPoints, size, mu, mv, mw);
}

void checkExpansion(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  const int n = fieldsOf(contextLaw(), cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
}
