#include "Mapping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "KORA.h"
#include "mEntity.h"

namespace KORA {

namespace {

// Inverse of the 3x3 matrix m (rows) by its adjugate, divided by det.
void adjugateInverse(const double m[3][3], double det, mTensor2 &inv) {
  const double id = 1.0 / det;
  inv(0, 0) = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) * id;
  inv(0, 1) = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * id;
  inv(0, 2) = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * id;
  inv(1, 0) = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) * id;
  inv(1, 1) = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * id;
  inv(1, 2) = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * id;
  inv(2, 0) = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) * id;
  inv(2, 1) = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * id;
  inv(2, 2) = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * id;
}

void cross(const double a[3], const double b[3], double c[3]) {
  c[0] = a[1] * b[2] - a[2] * b[1];
  c[1] = a[2] * b[0] - a[0] * b[2];
  c[2] = a[0] * b[1] - a[1] * b[0];
}

double norm(const double a[3]) {
  return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

}  // namespace

double Mapping::jacInverseOfDim(double u, double v, double w, int dim,
                                mTensor2 &inverse) const {
  double m[3][3];
  deval(u, v, w, m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2],
        m[2][0], m[2][1], m[2][2]);
  double det = 1.0;
  switch (dim) {
    case 3:
      det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
            m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
            m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
      break;
    case 2: {
      double n[3];
      cross(m[0], m[1], n);
      det = norm(n);
      for (int i = 0; i < 3; ++i) m[2][i] = n[i] / det;
      break;
    }
    case 1: {
      det = norm(m[0]);
      bool axis = false;
      for (int i = 0; i < 3; ++i)
        if (m[0][i] == 0.0) {
          m[1][0] = m[1][1] = m[1][2] = 0.0;
          m[1][i] = 1.0;
          axis = true;
        }
      if (!axis) {
        const double l = std::sqrt(m[0][0] * m[0][0] + m[0][1] * m[0][1]);
        m[1][0] = -m[0][1] / l;
        m[1][1] = m[0][0] / l;
        m[1][2] = 0.0;
      }
      double n[3];
      cross(m[0], m[1], n);
      for (int i = 0; i < 3; ++i) m[2][i] = n[i] / det;
      break;
    }
    default: {
      // A vertex has no Jacobian: the identity, with unit measure.
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) inverse(i, j) = (i == j) ? 1.0 : 0.0;
      return 1.0;
    }
  }
  adjugateInverse(m, det, inverse);
  return det;
}

double Mapping::jacInverse(double u, double v, double w,
                           mTensor2 &inverse) const {
  return jacInverseOfDim(u, v, w, EN_type(ent), inverse);
}

double Mapping::jacInverse_way2(double u, double v, double w,
                                mTensor2 &inverse) const {
  int dim = ent->getElementDim();
  // An entity whose cache was never set falls back on its own level.
  if (dim < 0 || dim > 3) dim = EN_type(ent);
  return jacInverseOfDim(u, v, w, dim, inverse);
}

double Mapping::detJac(double u, double v, double w) const {
  mTensor2 t(0.0);
  return jacInverse(u, v, w, t);
}

double Mapping::detJac_way2(double u, double v, double w) const {
  mTensor2 t(0.0);
  return jacInverse_way2(u, v, w, t);
}

bool Mapping::invert(double x, double y, double z, double &u, double &v,
                     double &w) const {
  COG(u, v, w);
  mTensor2 t(0.0);
  double step2 = 0.0;
  int steps = 0;
  do {
    jacInverse(u, v, w, t);
    double X, Y, Z;
    eval(u, v, w, X, Y, Z);
    const double dx = x - X, dy = y - Y, dz = z - Z;
    const double du = dx * t(0, 0) + dy * t(1, 0) + dz * t(2, 0);
    const double dv = dx * t(0, 1) + dy * t(1, 1) + dz * t(2, 1);
    const double dw = dx * t(0, 2) + dy * t(1, 2) + dz * t(2, 2);
    u += du;
    v += dv;
    w += dw;
    step2 = du * du + dv * dv + dw * dw;
    ++steps;
  } while (!(step2 <= 1.e-6) && steps < 49);
  // Written so that a step that is not a number (a degenerate element)
  // counts as no convergence.
  if (!(step2 <= 1.e-6)) {
    std::printf("impossible to find %f %f %f \n", x, y, z);
    return false;
  }
  return true;
}

bool Mapping::inReferenceElement(double u, double v, double w) const {
  const double eps = 1.e-5;
  const double hi = 1.00001;
  switch (M_GetElementType(ent)) {
    case mEntity::EDGE:
      return u >= -hi && u <= hi;
    case mEntity::TRI:
      return u >= -eps && v >= -eps && 1.0 - u - v >= -eps;
    case mEntity::QUAD:
      return u >= -hi && u <= hi && v >= -hi && v <= hi;
    case mEntity::HEX:
      return u >= -hi && u <= hi && v >= -hi && v <= hi && w >= -hi && w <= hi;
    case mEntity::PRISM:
      return u >= -eps && v >= -eps && 1.0 - u - v >= -eps && w >= -hi &&
             w <= hi;
    case mEntity::TET:
      return u >= -eps && v >= -eps && w >= -eps && 1.0 - u - v - w >= -eps;
    default:
      return true;
  }
}

bool Mapping::interiorCheck(mEntity *, const mPoint &p, double &u, double &v,
                            double &w) const {
  mPoint lo, hi;
  boundingBox(lo, hi);
  const double eps = 1.e-4;
  for (int i = 0; i < 3; ++i)
    if (p(i) > hi(i) + eps || p(i) < lo(i) - eps) return false;
  invert(p(0), p(1), p(2), u, v, w);
  return inReferenceElement(u, v, w);
}

void Mapping::COG(double &u, double &v, double &w) const {
  switch (M_GetElementType(ent)) {
    case mEntity::EDGE:
    case mEntity::QUAD:
    case mEntity::HEX:
      u = v = w = 0.0;
      break;
    case mEntity::TRI:
    case mEntity::PRISM:
      u = v = 0.3333333333333;
      w = 0.0;
      break;
    case mEntity::TET:
      u = v = w = 0.25;
      break;
    default:
      break;
  }
}

double Mapping::PushBack(double u, double v, double w, int n,
                         mVector *gradients) const {
  mTensor2 t(0.0);
  const double det = jacInverse(u, v, w, t);
  for (int k = 0; k < n; ++k) {
    mVector &g = gradients[k];
    const double g0 = g(0), g1 = g(1), g2 = g(2);
    for (int i = 0; i < 3; ++i)
      g(i) = t(i, 0) * g0 + t(i, 1) * g1 + t(i, 2) * g2;
  }
  return det;
}

double Mapping::PushBack(double u, double v, double w, int n,
                         std::vector<mVector> &gradients) const {
  const int count =
      std::max(0, std::min(n, static_cast<int>(gradients.size())));
  return PushBack(u, v, w, count, gradients.data());
}

void Mapping::normalVector(double u, double v, double w, mVector &n) const {
  double d[9];
  deval(u, v, w, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
  switch (EN_type(ent)) {
    case 1:
      n = mVector(d[1], -d[0], 0.0);
      break;
    case 2:
      n = mVector(d[1] * d[5] - d[2] * d[4], d[2] * d[3] - d[0] * d[5],
                  d[0] * d[4] - d[1] * d[3]);
      break;
    default:
      throw 1;
  }
  n.normalize();
}

int Mapping::simplexation(int &nbNodesPerSimplex, int &nbPoints, double u[],
                          double v[], double w[], int simplices[][4]) const {
  auto setPoints = [&](std::initializer_list<std::array<double, 3>> pts) {
    int i = 0;
    for (const auto &p : pts) {
      u[i] = p[0];
      v[i] = p[1];
      w[i] = p[2];
      ++i;
    }
    nbPoints = i;
  };
  auto setSimplices = [&](std::initializer_list<std::array<int, 4>> s,
                          int nodes) {
    int i = 0;
    for (const auto &t : s) {
      for (int k = 0; k < nodes; ++k) simplices[i][k] = t[k];
      ++i;
    }
    nbNodesPerSimplex = nodes;
    return i;
  };
  switch (M_GetElementType(ent)) {
    case mEntity::TRI:
      setPoints({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
      return setSimplices({{0, 1, 2, 0}}, 3);
    case mEntity::QUAD:
      setPoints({{0, 0, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}});
      return setSimplices(
          {{0, 1, 2, 0}, {0, 2, 3, 0}, {0, 3, 4, 0}, {0, 4, 1, 0}}, 3);
    case mEntity::TET:
      setPoints({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
      return setSimplices({{0, 1, 2, 3}}, 4);
    case mEntity::HEX:
      setPoints({{-1, -1, -1},
                 {1, -1, -1},
                 {1, 1, -1},
                 {-1, 1, -1},
                 {-1, -1, 1},
                 {1, -1, 1},
                 {1, 1, 1},
                 {-1, 1, 1},
                 {0, 0, 0},
                 {-1, 0, 0},
                 {1, 0, 0},
                 {0, -1, 0},
                 {0, 1, 0},
                 {0, 0, -1},
                 {0, 0, 1}});
      return setSimplices(
          {{8, 4, 11, 5},  {8, 5, 11, 1},  {8, 1, 11, 0},  {8, 0, 11, 4},
           {8, 7, 12, 6},  {8, 6, 12, 2},  {8, 2, 12, 3},  {8, 3, 12, 7},
           {8, 5, 10, 6},  {8, 6, 10, 2},  {8, 2, 10, 1},  {8, 1, 10, 5},
           {8, 4, 9, 7},   {8, 7, 9, 3},   {8, 3, 9, 0},   {8, 0, 9, 4},
           {8, 0, 13, 1},  {8, 1, 13, 2},  {8, 2, 13, 3},  {8, 3, 13, 0},
           {8, 4, 14, 5},  {8, 5, 14, 6},  {8, 6, 14, 7},  {8, 7, 14, 4}},
          4);
    default:
      throw 1;
  }
}

}  // namespace KORA
