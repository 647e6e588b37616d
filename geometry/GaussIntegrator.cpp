#include "GaussIntegrator.h"

#include <cstdio>

#include "GaussQuadrature.h"
#include "KORA.h"
#include "mEntity.h"

namespace KORA {

namespace {

int countFor(int type, int order) {
  switch (type) {
    case mEntity::VERTEX: return 1;
    case mEntity::EDGE: return order > 0 ? order : 1;
    case mEntity::TRI: return getNGQTPts(order);
    case mEntity::QUAD: return getNGQQPts(order);
    case mEntity::HEX: return getNGQHPts(order);
    case mEntity::TET: return getNGQTetPts(order);
    default: throw 1;
  }
}

void pointFor(int type, int i, int order, double &u, double &v, double &w,
              double &weight) {
  switch (type) {
    case mEntity::VERTEX:
    case mEntity::EDGE:
    case mEntity::TRI:
    case mEntity::QUAD:
    case mEntity::HEX:
    case mEntity::TET:
      break;
    default:
      return;  // no rule: outputs unchanged
  }
  const int n = countFor(type, order);
  if (i < 0 || i >= n) {
    std::printf("Gauss point %d asked of a rule of %d points\n", i, n);
    throw 1;
  }
  switch (type) {
    case mEntity::VERTEX:
      u = v = w = 0.0;
      weight = 1.0;
      break;
    case mEntity::EDGE: {
      double *x, *g;
      GaussLegendre1D(n, &x, &g);
      u = x[i];
      v = w = 0.0;
      weight = g[i];
      break;
    }
    case mEntity::TRI: {
      const IntPt2d &p = getGQTPts(order)[i];
      u = p.u;
      v = p.v;
      w = 0.0;
      weight = p.weight * 0.5;
      break;
    }
    case mEntity::QUAD: {
      const IntPt2d &p = getGQQPts(order)[i];
      u = p.u;
      v = p.v;
      w = 0.0;
      weight = p.weight;
      break;
    }
    case mEntity::HEX: {
      const IntPt3d &p = getGQHPts(order)[i];
      u = p.u;
      v = p.v;
      w = p.w;
      weight = p.weight;
      break;
    }
    case mEntity::TET: {
      const IntPt3d &p = getGQTetPts(order)[i];
      u = p.u;
      v = p.v;
      w = p.w;
      weight = p.weight * 0.16666666666666666;
      break;
    }
    default:
      break;
  }
}

}  // namespace

int GaussIntegrator::nbIntegrationPoints(int order) const {
  return countFor(M_GetElementType(ent), order);
}

int GaussIntegrator::nbIntegrationPoints_way2(int order) const {
  return countFor(ent->getElementType(), order);
}

void GaussIntegrator::iPoint(int i, int order, double &u, double &v, double &w,
                             double &weight) const {
  pointFor(M_GetElementType(ent), i, order, u, v, w, weight);
}

void GaussIntegrator::iPoint_way2(int i, int order, double &u, double &v,
                                  double &w, double &weight) const {
  pointFor(ent->getElementType(), i, order, u, v, w, weight);
}

}  // namespace KORA
