// Operations shared by the limiters: the Barth-Jespersen factors and minmod,
// and the composite limiter.

#include <algorithm>
#include <cmath>
#include <string>

#include "ConservationLaw.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "GlobalParamManager.h"
#include "Mapping.h"

namespace {

const ConservationLaw &contextLaw(const char *who) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string(who) + ": no conservation law";
  return *law;
}

}  // namespace

void DGLimiter::computeMinMax(DGCell *cell, double *ratio) const {
  const ConservationLaw &law = contextLaw("limiter");
  const int n = std::min({law.nbFields(), cell->nbFields(), ConservationLaw::kMaxFields});
  for (int f = 0; f < n; ++f) ratio[f] = 1.0;

  // Test points: the vertices of simplices, the corners and centre of
  // quadrilaterals, the corners, centre and face centres of hexahedra.
  double u[15], v[15], w[15];
  int simplices[24][4];
  int nodesPerSimplex = 0, nbPoints = 0;
  cell->getMapping()->simplexation(nodesPerSimplex, nbPoints, u, v, w, simplices);

  const double *c = cell->getCoefficients()->levels[0];
  const int nb = cell->getCoefficients()->nbFunctions;
  double U[ConservationLaw::kMaxFields];
  for (int k = 0; k < nbPoints; ++k) {
    cell->interpolate(u[k], v[k], w[k], U);
    if (!law.isPhysical(U)) {
      for (int f = 0; f < n; ++f) ratio[f] = 0.0;
      return;
    }
    for (int f = 0; f < n; ++f) {
      const double mean = c[f * nb];
      const double hi = cell->stencilMax[f];
      const double lo = cell->stencilMin[f];
      const double D = U[f] - mean;
      double r = 1.0;
      // Deviations within a tiny share of the stencil's spread are ignored.
      if (std::fabs(D) > 0.0001 * std::fabs(hi - lo)) {
        if (U[f] > hi)
          r = (hi - mean) / D;
        else if (U[f] < lo)
          r = (lo - mean) / D;
      }
      if (r < 0.0) r = 0.0;
      ratio[f] = std::min(ratio[f], r);
    }
  }
}

bool DGLimiter::minmod(double &a, double b) {
  if (a * b < 0.0) {
    a = 0.0;
    return true;
  }
  if (std::fabs(b) > std::fabs(a)) return false;
  a = b;
  return true;
}

void DGMultiLimiter::limit(DGCell *cell) {
  for (DGLimiter *l : limiters) l->limit(cell);
}
