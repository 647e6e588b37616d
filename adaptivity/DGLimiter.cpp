// Operations shared by the limiters: the Barth-Jespersen factors and minmod,
// and the composite limiter.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "ConservationLaw.h"
#include "DGCell.h"
#include "DGLimiters.h"
#include "FunctionSpace.h"
#include "GlobalParamManager.h"
#include "Mapping.h"

namespace {

const ConservationLaw &contextLaw(const char *who) {
  const ConservationLaw *law = GlobalParamManager::Instance()->law;
  if (!law) throw std::string(who) + ": no conservation law";
  return *law;
}

// The basis values of a kind of function space and order at a set of test
// points, point after point: the same for every cell of that kind, so they
// are evaluated once and kept rather than once per limited cell.
struct TestPointBasis {
  const std::type_info *kind;
  int order;
  int nbPoints;
  double u[15], v[15], w[15];
  int size;
  std::vector<double> phi;
};

const double *testPointBasis(const FunctionSpace &space, int nbPoints, const double *u,
                             const double *v, const double *w, int &size) {
  static std::vector<TestPointBasis> kept;
  const std::type_info &kind = typeid(space);
  const int order = space.order();
  const std::size_t bytes = sizeof(double) * static_cast<std::size_t>(nbPoints);
  for (const TestPointBasis &b : kept)
    if (*b.kind == kind && b.order == order && b.nbPoints == nbPoints && !std::memcmp(b.u, u, bytes) &&
        !std::memcmp(b.v, v, bytes) && !std::memcmp(b.w, w, bytes)) {
      size = b.size;
      return b.phi.data();
    }
  TestPointBasis b{&kind, order, nbPoints, {}, {}, {}, space.size(), {}};
  std::memcpy(b.u, u, bytes);
  std::memcpy(b.v, v, bytes);
  std::memcpy(b.w, w, bytes);
  std::vector<double> values(b.size);
  for (int k = 0; k < nbPoints; ++k) {
    space.fcts(u[k], v[k], w[k], values);
    b.phi.insert(b.phi.end(), values.begin(), values.begin() + b.size);
  }
  kept.push_back(std::move(b));
  size = kept.back().size;
  return kept.back().phi.data();
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

  const DG_Dofs *dofs = cell->getCoefficients();
  const double *c = dofs->levels[0];
  const int nb = dofs->nbFunctions;
  const int nf = dofs->nbFields;
  int size = 0;
  const double *phi = testPointBasis(*cell->getFunctionSpace(), nbPoints, u, v, w, size);
  const int terms = std::min(nb, size);
  double U[ConservationLaw::kMaxFields];
  for (int k = 0; k < nbPoints; ++k, phi += size) {
    // The values of all fields at the point (as DGCell::interpolate).
    for (int f = 0; f < nf; ++f) {
      const double *cf = c + f * nb;
      double s = 0.0;
      for (int j = 0; j < terms; ++j) s += phi[j] * cf[j];
      U[f] = s;
    }
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
