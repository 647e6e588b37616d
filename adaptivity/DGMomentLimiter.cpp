// Moment limiter for quadrilaterals (limiters 2 and 4).

#include <algorithm>
#include <cmath>
#include <list>
#include <string>

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
  const int d = element->getLevel() - 1;
  std::list<mEntity *> faces;
  const int nbSub = element->size(d);
  for (int i = 0; i < nbSub; ++i) element->get(d, i)->getLeaves(faces);

  const int top = std::min(cell->getFunctionSpace()->order(), kMaxOrder);
  initTable(fieldsOf(law, cell), top);
  const int type = element->getType();
  for (int q = top; q >= 1; --q) {
    for (mEntity *face : faces) {
      DGBoundaryCell *fc = dgBoundaryCellOf(face);
      if (!fc) continue;
      mEntity *other = (fc->left != element) ? fc->left : fc->right;
      DGCell *neighbour = other ? dgCellOf(other) : nullptr;
      if (!neighbour || neighbour == cell) continue;
      if (type == mEntity::QUAD)
        limitQuad(fc, cell, neighbour, q);
      else if (type == mEntity::HEX)
        limitHex(cell, neighbour, q);
    }
  }
}

void DGMomentLimiterRegularCube::limitQuad(DGBoundaryCell *face, DGCell *K, DGCell *N, int q) {
  (void)face;
  if (q < 1 || q > kMaxOrder) return;
  const ConservationLaw &law = contextLaw();
  double xc1, yc1, xc2, yc2, xn1, yn1, xn2, yn2, z;
  K->getMapping()->eval(-1, -1, 0, xc1, yc1, z);
  K->getMapping()->eval(1, 1, 0, xc2, yc2, z);
  N->getMapping()->eval(-1, -1, 0, xn1, yn1, z);
  N->getMapping()->eval(1, 1, 0, xn2, yn2, z);
  const double hx = xc2 - xc1, hy = yc2 - yc1;
  const double dx = 0.5 * (xc1 + xc2 - xn1 - xn2);
  const double dy = 0.5 * (yc1 + yc2 - yn1 - yn2);
  const bool alongX = std::fabs(dy) <= kAligned && std::fabs(dx) > kAligned;
  const bool alongY = std::fabs(dy) > kAligned && std::fabs(dx) <= kAligned;
  if (!alongX && !alongY) return;

  const int n = std::min(fieldsOf(law, K), N->nbFields());
  bool mu[ConservationLaw::kMaxFields], mv[ConservationLaw::kMaxFields], mw[ConservationLaw::kMaxFields];
  if (monotone) checkMonotonicity(K, mu, mv, mw);

  const int nbK = K->getCoefficients()->nbFunctions;
  const int nbN = N->getCoefficients()->nbFunctions;
  double *cK = K->getCoefficients()->levels[0];
  const double *cN = N->getCoefficients()->levels[0];
  const int dir = alongX ? 0 : 1;
  // The moment being limited and the lower moment it is compared with.
  const int target = alongX ? q * q : q * q + 1;
  const int lower = alongX ? (q - 1) * (q - 1) : (q == 1 ? 0 : (q - 1) * (q - 1) + 1);
  if (target >= nbK || lower >= nbN) return;
  const double scale = (alongX ? hx / dx : hy / dy) / (2.0 * q - 1.0);
  for (int f = 0; f < n; ++f) {
    if (monotone && (alongX ? mu[f] : mv[f])) flag[f][q][dir] = 0;
    if (!flag[f][q][dir]) continue;
    const double b = (cK[f * nbK + lower] - cN[f * nbN + lower]) * scale;
    if (minmod(cK[f * nbK + target], b)) flag[f][q - 1][dir] = 1;
  }
}

void DGMomentLimiterRegularCube::limitHex(DGCell *cell, DGCell *neighbour, int q) {
  (void)cell;
  (void)neighbour;
  (void)q;
}

void checkMonotonicity(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  const ConservationLaw &law = contextLaw();
  const int n = fieldsOf(law, cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
  KORA::GaussIntegrator gauss(cell->getEntity());
  const int order = cell->getFunctionSpace()->order();
  const int nbPoints = gauss.nbIntegrationPoints(order);
  mVector first[ConservationLaw::kMaxFields];
  mVector grads[ConservationLaw::kMaxFields];
  for (int k = 0; k < nbPoints; ++k) {
    double u, v, w, weight;
    gauss.iPoint(k, order, u, v, w, weight);
    if (k == 0) {
      cell->dinterpolate(u, v, w, first, DGCell::LEVEL0);
      continue;
    }
    cell->dinterpolate(u, v, w, grads, DGCell::LEVEL0);
    for (int f = 0; f < n; ++f) {
      if (grads[f][0] * first[f][0] < 0.0) mu[f] = false;
      if (grads[f][1] * first[f][1] < 0.0) mv[f] = false;
      if (grads[f][2] * first[f][2] < 0.0) mw[f] = false;
    }
  }
}

void checkExpansion(DGCell *cell, bool *mu, bool *mv, bool *mw) {
  const int n = fieldsOf(contextLaw(), cell);
  for (int f = 0; f < n; ++f) mu[f] = mv[f] = mw[f] = true;
}
