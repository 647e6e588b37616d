#include "LagrangeMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "KORA.h"
#include "mEntity.h"

namespace KORA {

// ---------------------------------------------------------------------------
// Shape functions per kind.

void GeomShapeFunctionLine(double u, double, double, double *f) {
  f[0] = 0.5 * (1.0 - u);
  f[1] = 0.5 * (1.0 + u);
}

void GradGeomShapeFunctionLine(double, double, double, mVector *g) {
  g[0] = mVector(-0.5, 0.0, 0.0);
  g[1] = mVector(0.5, 0.0, 0.0);
}

void GeomShapeFunctionTri(double u, double v, double, double *f) {
  f[0] = 1.0 - u - v;
  f[1] = u;
  f[2] = v;
}

void GradGeomShapeFunctionTri(double, double, double, mVector *g) {
  g[0] = mVector(-1.0, -1.0, 0.0);
  g[1] = mVector(1.0, 0.0, 0.0);
  g[2] = mVector(0.0, 1.0, 0.0);
}

void GeomShapeFunctionQuad(double u, double v, double, double *f) {
  f[0] = 0.25 * (1.0 - u) * (1.0 - v);
  f[1] = 0.25 * (1.0 + u) * (1.0 - v);
  f[2] = 0.25 * (1.0 + u) * (1.0 + v);
  f[3] = 0.25 * (1.0 - u) * (1.0 + v);
}

void GradGeomShapeFunctionQuad(double u, double v, double, mVector *g) {
  g[0] = mVector(-0.25 * (1.0 - v), -0.25 * (1.0 - u), 0.0);
  g[1] = mVector(0.25 * (1.0 - v), -0.25 * (1.0 + u), 0.0);
  g[2] = mVector(0.25 * (1.0 + v), 0.25 * (1.0 + u), 0.0);
  g[3] = mVector(-0.25 * (1.0 + v), 0.25 * (1.0 - u), 0.0);
}

void GeomShapeFunctionTet(double u, double v, double w, double *f) {
  f[0] = 1.0 - u - v - w;
  f[1] = u;
  f[2] = v;
  f[3] = w;
}

void GradGeomShapeFunctionTet(double, double, double, mVector *g) {
  g[0] = mVector(-1.0, -1.0, -1.0);
  g[1] = mVector(1.0, 0.0, 0.0);
  g[2] = mVector(0.0, 1.0, 0.0);
  g[3] = mVector(0.0, 0.0, 1.0);
}

namespace {
// Corner signs of the hexahedron's vertices, in vertex order.
const double hexSigns[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1},
                               {-1, 1, -1},  {-1, -1, 1}, {1, -1, 1},
                               {1, 1, 1},    {-1, 1, 1}};
}  // namespace

void GeomShapeFunctionHex(double u, double v, double w, double *f) {
  for (int k = 0; k < 8; ++k) {
    const double *s = hexSigns[k];
    f[k] = 0.125 * (1.0 + s[0] * u) * (1.0 + s[1] * v) * (1.0 + s[2] * w);
  }
}

void GradGeomShapeFunctionHex(double u, double v, double w, mVector *g) {
  for (int k = 0; k < 8; ++k) {
    const double *s = hexSigns[k];
    const double a = 1.0 + s[0] * u, b = 1.0 + s[1] * v, c = 1.0 + s[2] * w;
    g[k] = mVector(0.125 * s[0] * b * c, 0.125 * a * s[1] * c,
                   0.125 * a * b * s[2]);
  }
}

void GeomShapeFunctionPrism(double u, double v, double w, double *f) {
  const double l = 1.0 - u - v;
  f[0] = 0.5 * l * (1.0 + w);
  f[1] = 0.5 * u * (1.0 + w);
  f[2] = 0.5 * v * (1.0 + w);
  f[3] = 0.5 * l * (1.0 - w);
  f[4] = 0.5 * u * (1.0 - w);
  f[5] = 0.5 * v * (1.0 - w);
}

void GradGeomShapeFunctionPrism(double u, double v, double w, mVector *g) {
  const double l = 1.0 - u - v;
  const double p = 0.5 * (1.0 + w), m = 0.5 * (1.0 - w);
  g[0] = mVector(-p, -p, 0.5 * l);
  g[1] = mVector(p, 0.0, 0.5 * u);
  g[2] = mVector(0.0, p, 0.5 * v);
  g[3] = mVector(-m, -m, -0.5 * l);
  g[4] = mVector(m, 0.0, -0.5 * u);
  g[5] = mVector(0.0, m, -0.5 * v);
}

// ---------------------------------------------------------------------------
// LagrangeMapping

namespace {

void readVertices(mEntity *e, std::vector<mEntity *> &verts) {
  verts.clear();
  M_GetVertices(e, verts);
}

mPoint vertexPoint(mEntity *v) {
  pPoint p = V_point(v);
  return mPoint(P_x(p), P_y(p), P_z(p));
}

int knotCountOf(int type) {
  switch (type) {
    case mEntity::VERTEX: return 1;
    case mEntity::EDGE: return 2;
    case mEntity::TRI: return 3;
    case mEntity::QUAD: return 4;
    case mEntity::HEX: return 8;
    case mEntity::PRISM: return 6;
    case mEntity::TET: return 4;
    default: return 0;
  }
}

}  // namespace

LagrangeMapping::LagrangeMapping(mEntity *e)
    : Mapping(e), type(M_GetElementType(e)) {
  std::vector<mEntity *> verts;
  readVertices(e, verts);
  knots.reserve(verts.size());
  for (mEntity *v : verts) knots.push_back(vertexPoint(v));
}

LagrangeMapping::LagrangeMapping(mEntity *e, std::vector<mPoint> *points)
    : Mapping(e),
      knots(points ? *points : std::vector<mPoint>()),
      type(static_cast<int>(knots.size()) - 1) {}

LagrangeMapping::LagrangeMapping(mEntity *e, double (*f)(mPoint &), int cond)
    : Mapping(e), type(0) {
  std::vector<mEntity *> verts;
  readVertices(e, verts);
  std::vector<mPoint> pts;
  std::vector<double> phi;
  const int et = M_GetElementType(e);
  const int nv = (et == mEntity::TRI) ? 3 : (et == mEntity::QUAD) ? 4 : 0;
  if (nv == 0 || static_cast<int>(verts.size()) < nv) {
    std::printf("GeomshapeFunction: Entity type not supported\n");
  } else {
    for (int i = 0; i < nv; ++i) {
      pts.push_back(vertexPoint(verts[i]));
      phi.push_back(f(pts.back()));
    }
    auto crossing = [&](int i, int j) {
      const double t = std::fabs(phi[i] / phi[j]);
      mPoint c = (pts[i] + pts[j] * t) * (1.0 / (1.0 + t));
      c(2) = 0.0;
      return c;
    };
    bool allNonNeg = true, allNonPos = true, anyPos = false, anyNeg = false;
    bool allPos = true, allNeg = true;
    for (double p : phi) {
      allNonNeg = allNonNeg && p >= 0.0;
      allNonPos = allNonPos && p <= 0.0;
      allPos = allPos && p > 0.0;
      allNeg = allNeg && p < 0.0;
      anyPos = anyPos || p > 0.0;
      anyNeg = anyNeg || p < 0.0;
    }
    // Walk the polygon keeping the side where sign * phi >= 0.
    auto clip = [&](double sign) {
      for (int i = 0; i < nv; ++i) {
        const int j = (i + 1) % nv;
        const double pi = sign * phi[i], pj = sign * phi[j];
        if (pi >= 0.0) {
          knots.push_back(pts[i]);
          if (pi > 0.0 && pj < 0.0) knots.push_back(crossing(i, j));
        } else if (pj > 0.0) {
          knots.push_back(crossing(i, j));
        }
      }
    };
    if (cond > 0) {
      std::printf(" condition > 0\n");
      if (allNonNeg) {
        std::printf(" All Positive\n");
        knots = pts;
      } else if (anyPos) {
        std::printf(" Positive & Negative\n");
        clip(1.0);
      } else {
        std::printf(" All Negative\n");
      }
    } else if (cond < 0) {
      if (allNonPos)
        knots = pts;
      else if (anyNeg)
        clip(-1.0);
    } else if (!allPos && !allNeg) {
      for (int i = 0; i < nv; ++i) {
        const int j = (i + 1) % nv;
        if (phi[i] == 0.0)
          knots.push_back(pts[i]);
        else if (phi[i] * phi[j] < 0.0)
          knots.push_back(crossing(i, j));
      }
    }
  }
  const int n = static_cast<int>(knots.size());
  std::printf("Elementtype    %d\n", n);
  int dim = -1;
  switch (n) {
    case 1: type = mEntity::VERTEX; dim = 0; break;
    case 2: type = mEntity::EDGE; dim = 1; break;
    case 3: type = mEntity::TRI; dim = 2; break;
    case 4: type = mEntity::QUAD; dim = 2; break;
    case 5: type = 5; dim = 2; break;
    default:
      std::printf(" Wrong Entity type \n");
      type = 0;
      dim = -1;
      break;
  }
  e->setElementDim(dim);
}

int LagrangeMapping::nbShapeFunctions() const {
  const int n = knotCountOf(type);
  return n == static_cast<int>(knots.size()) ? n : 0;
}

int LagrangeMapping::GeomShapeFunction(double u, double v, double w,
                                       double *values) const {
  const int n = nbShapeFunctions();
  if (n == 0) {
    std::printf("GeomshapeFunction: Entity type not supported\n");
    return 0;
  }
  switch (type) {
    case mEntity::VERTEX: values[0] = 1.0; break;
    case mEntity::EDGE: GeomShapeFunctionLine(u, v, w, values); break;
    case mEntity::TRI: GeomShapeFunctionTri(u, v, w, values); break;
    case mEntity::QUAD: GeomShapeFunctionQuad(u, v, w, values); break;
    case mEntity::HEX: GeomShapeFunctionHex(u, v, w, values); break;
    case mEntity::PRISM: GeomShapeFunctionPrism(u, v, w, values); break;
    case mEntity::TET: GeomShapeFunctionTet(u, v, w, values); break;
    default: return 0;
  }
  return n;
}

int LagrangeMapping::GradGeomShapeFunction(double u, double v, double w,
                                           mVector *gradients) const {
  const int n = nbShapeFunctions();
  switch (n == 0 ? -1 : type) {
    case mEntity::VERTEX: gradients[0] = mVector(0.0, 0.0, 0.0); break;
    case mEntity::EDGE: GradGeomShapeFunctionLine(u, v, w, gradients); break;
    case mEntity::TRI: GradGeomShapeFunctionTri(u, v, w, gradients); break;
    case mEntity::QUAD: GradGeomShapeFunctionQuad(u, v, w, gradients); break;
    case mEntity::HEX: GradGeomShapeFunctionHex(u, v, w, gradients); break;
    case mEntity::PRISM: GradGeomShapeFunctionPrism(u, v, w, gradients); break;
    case mEntity::TET: GradGeomShapeFunctionTet(u, v, w, gradients); break;
    default: return 0;
  }
  return n;
}

void LagrangeMapping::eval(double u, double v, double w, double &x, double &y,
                           double &z) const {
  double f[MaxShapeFunctions];
  const int n = GeomShapeFunction(u, v, w, f);
  x = y = z = 0.0;
  for (int k = 0; k < n; ++k) {
    x += f[k] * knots[k](0);
    y += f[k] * knots[k](1);
    z += f[k] * knots[k](2);
  }
}

void LagrangeMapping::deval(double u, double v, double w, double &dxdu,
                            double &dydu, double &dzdu, double &dxdv,
                            double &dydv, double &dzdv, double &dxdw,
                            double &dydw, double &dzdw) const {
  mVector g[MaxShapeFunctions];
  const int n = GradGeomShapeFunction(u, v, w, g);
  dxdu = dydu = dzdu = dxdv = dydv = dzdv = dxdw = dydw = dzdw = 0.0;
  for (int k = 0; k < n; ++k) {
    const mPoint &p = knots[k];
    dxdu += p(0) * g[k](0);
    dydu += p(1) * g[k](0);
    dzdu += p(2) * g[k](0);
    dxdv += p(0) * g[k](1);
    dydv += p(1) * g[k](1);
    dzdv += p(2) * g[k](1);
    dxdw += p(0) * g[k](2);
    dydw += p(1) * g[k](2);
    dzdw += p(2) * g[k](2);
  }
}

void LagrangeMapping::normalVector(mEntity *border, double u, double v,
                                   double w, mVector &n) const {
  n = mVector(0.0, 0.0, 0.0);
  mTensor2 t(0.0);
  jacInverse(u, v, w, t);
  std::vector<mEntity *> elemVerts, borderVerts;
  readVertices(ent, elemVerts);
  readVertices(border, borderVerts);
  mVector g[MaxShapeFunctions];
  const int ng = GradGeomShapeFunction(u, v, w, g);
  const int nv = std::min(ng, static_cast<int>(elemVerts.size()));
  for (int i = 0; i < nv; ++i) {
    if (std::find(borderVerts.begin(), borderVerts.end(), elemVerts[i]) !=
        borderVerts.end())
      continue;
    n -= t * g[i];
  }
  n.normalize();
}

void LagrangeMapping::boundingBox(mPoint &min, mPoint &max) const {
  std::vector<mPoint> pts;
  if (ent) {
    std::vector<mEntity *> verts;
    readVertices(ent, verts);
    for (mEntity *v : verts) pts.push_back(vertexPoint(v));
  } else {
    pts = knots;
  }
  if (pts.empty()) {
    min = max = mPoint(0.0, 0.0, 0.0);
    return;
  }
  min = max = pts[0];
  for (const mPoint &p : pts)
    for (int i = 0; i < 3; ++i) {
      min(i) = std::min(min(i), p(i));
      max(i) = std::max(max(i), p(i));
    }
}

// ---------------------------------------------------------------------------
// ConstantLagrangeMapping

ConstantLagrangeMapping::ConstantLagrangeMapping(mEntity *e)
    : LagrangeMapping(e), det(0.0), inv(0.0) {
  det = std::fabs(Mapping::jacInverse(0.0, 0.0, 0.0, inv));
}

double ConstantLagrangeMapping::jacInverse(double, double, double,
                                           mTensor2 &inverse) const {
  inverse = inv;
  return det;
}

double ConstantLagrangeMapping::detJac(double, double, double) const {
  return det;
}

// ---------------------------------------------------------------------------
// CylindricalCoordinatesLagrangeMapping

CylindricalCoordinatesLagrangeMapping::CylindricalCoordinatesLagrangeMapping(
    mEntity *e)
    : LagrangeMapping(e) {}

double CylindricalCoordinatesLagrangeMapping::jacInverse(
    double u, double v, double w, mTensor2 &inverse) const {
  const double d = Mapping::jacInverse(u, v, w, inverse);
  double x, y, z;
  eval(u, v, w, x, y, z);
  return x * d;
}

double CylindricalCoordinatesLagrangeMapping::detJac(double u, double v,
                                                     double w) const {
  mTensor2 t(0.0);
  return jacInverse(u, v, w, t);
}

// ---------------------------------------------------------------------------
// RegularCubeLagrangeMapping

RegularCubeLagrangeMapping::RegularCubeLagrangeMapping(mEntity *e)
    : LagrangeMapping(e) {
  mPoint lo, hi;
  LagrangeMapping::boundingBox(lo, hi);
  x0 = lo(0);
  y0 = lo(1);
  z0 = lo(2);
  dx = hi(0) - lo(0);
  dy = hi(1) - lo(1);
  dz = isQuad() ? 1.0 : hi(2) - lo(2);
}

bool RegularCubeLagrangeMapping::isQuad() const {
  return type == mEntity::QUAD;
}

bool RegularCubeLagrangeMapping::invert(double x, double y, double z,
                                        double &u, double &v,
                                        double &w) const {
  u = 2.0 * (x - x0) / dx - 1.0;
  v = 2.0 * (y - y0) / dy - 1.0;
  w = isQuad() ? 0.0 : 2.0 * (z - z0) / dz - 1.0;
  return true;
}

double RegularCubeLagrangeMapping::detJac(double, double, double) const {
  return isQuad() ? dx * dy / 4.0 : dx * dy * dz / 8.0;
}

double RegularCubeLagrangeMapping::jacInverse(double, double, double,
                                              mTensor2 &inverse) const {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) inverse(i, j) = 0.0;
  inverse(0, 0) = 2.0 / dx;
  inverse(1, 1) = 2.0 / dy;
  inverse(2, 2) = isQuad() ? 1.0 : 2.0 / dz;
  return detJac(0.0, 0.0, 0.0);
}

void RegularCubeLagrangeMapping::eval(double u, double v, double w, double &x,
                                      double &y, double &z) const {
  x = x0 + (u + 1.0) * 0.5 * dx;
  y = y0 + (v + 1.0) * 0.5 * dy;
  z = isQuad() ? 0.0 : z0 + (w + 1.0) * 0.5 * dz;
}

void RegularCubeLagrangeMapping::deval(double, double, double, double &dxdu,
                                       double &dydu, double &dzdu,
                                       double &dxdv, double &dydv,
                                       double &dzdv, double &dxdw,
                                       double &dydw, double &dzdw) const {
  dxdu = 0.5 * dx;
  dydv = 0.5 * dy;
  dzdw = isQuad() ? 0.0 : 0.5 * dz;
  dydu = dzdu = dxdv = dzdv = dxdw = dydw = 0.0;
}

void RegularCubeLagrangeMapping::normalVector(mEntity *border, double, double,
                                              double, mVector &n) const {
  LagrangeMapping bm(border);
  double u = 0.0, v = 0.0, w = 0.0, x, y, z;
  bm.COG(u, v, w);
  bm.eval(u, v, w, x, y, z);
  const double tx = 1.e-6 * dx, ty = 1.e-6 * dy, tz = 1.e-6 * dz;
  if (std::fabs(x - x0) <= tx)
    n = mVector(-1, 0, 0);
  else if (std::fabs(x - (x0 + dx)) <= tx)
    n = mVector(1, 0, 0);
  else if (std::fabs(y - y0) <= ty)
    n = mVector(0, -1, 0);
  else if (std::fabs(y - (y0 + dy)) <= ty)
    n = mVector(0, 1, 0);
  else if (std::fabs(z - z0) <= tz)
    n = mVector(0, 0, -1);
  else if (std::fabs(z - (z0 + dz)) <= tz)
    n = mVector(0, 0, 1);
}

double RegularCubeLagrangeMapping::PushBack(
    double u, double v, double w, int n,
    std::vector<mVector> &gradients) const {
  const int count =
      std::max(0, std::min(n, static_cast<int>(gradients.size())));
  for (int k = 0; k < count; ++k) {
    gradients[k](0) *= 2.0 / dx;
    gradients[k](1) *= 2.0 / dy;
    if (type == mEntity::HEX) gradients[k](2) *= 2.0 / dz;
  }
  return detJac(u, v, w);
}

// ---------------------------------------------------------------------------
// MappingBuilder

Mapping *MappingBuilder::BuildMapping(mEntity *e, int flag) {
  if (flag) return new CylindricalCoordinatesLagrangeMapping(e);
  switch (M_GetElementType(e)) {
    case mEntity::EDGE:
    case mEntity::TRI:
    case mEntity::TET:
      return new ConstantLagrangeMapping(e);
    default:
      return new LagrangeMapping(e);
  }
}

}  // namespace KORA
