// Nodal gradients, Hessians and size metrics recovered from the DG solution.

#include "DGNodalRecovery.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ConservationLaw.h"
#include "DGAnalysis.h"
#include "DGAdaptation.h"
#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "DGParameters.h"
#include "DenseMatrix.h"
#include "GlobalParamManager.h"
#include "Mapping.h"
#include "mAdjacencyContainer.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "mMesh.h"
#include "mVertex.h"

using KORA::mAdjacencyContainer;
using KORA::mEntity;
using KORA::mMesh;
using KORA::mPoint;
using KORA::mTensor2;
using KORA::mVector;

namespace {

GlobalParamManager *context() { return GlobalParamManager::Instance(); }

// A dense matrix of the dense routines, released at the end of the scope.
struct Matrix {
  double **m;
  Matrix(int rows, int cols) : m(allocateMatrix(rows, cols)) {
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) m[i][j] = 0.0;
  }
  ~Matrix() { freeMatrix(m); }
  Matrix(const Matrix &) = delete;
  Matrix &operator=(const Matrix &) = delete;
};

// The object of kind T under the tag, created (replacing data of another
// kind) when missing.
template <class T>
T *attached(mEntity *e, unsigned int tag) {
  KORA::mAttachableData *d = e->getData(tag);
  if (T *t = dynamic_cast<T *>(d)) return t;
  if (d) e->deleteData(tag);
  T *t = new T;
  e->attachData(tag, t);
  return t;
}

// The vector under the tag, or the zero vector.
mVector vectorAt(const mEntity *e, unsigned int tag) {
  const auto *v = dynamic_cast<const KORA::mAttachable_mVector *>(e->getData(tag));
  return v ? v->v : mVector(0, 0, 0);
}

bool enoughAround(int d, int n, int need2, int need3) {
  return (d == 2 && n >= need2) || (d == 3 && n >= need3);
}

mPoint pointOf(mEntity *v, int d) {
  const mPoint p = static_cast<KORA::mVertex *>(v)->point();
  return mPoint(p(0), p(1), d == 2 ? 0.0 : p(2));
}

mEntity *otherEnd(mEntity *edge, mEntity *v) {
  mEntity *a = edge->get(0, 0);
  return a == v ? edge->get(0, 1) : a;
}

// Physical centre and reference centre of a cell.
mPoint cellCentre(const DGCell *c, double &u, double &v, double &w) {
  c->getMapping()->COG(u, v, w);
  double x, y, z;
  c->getMapping()->eval(u, v, w, x, y, z);
  return mPoint(x, y, z);
}

// The Hessian from the slopes of the three fitted gradient components, in
// eigen form.
mTensor2 hessianFromSlopes(const double *cx, const double *cy, const double *cz, int d) {
  mTensor2 H(0.0);
  H(0, 0) = cx[0];
  H(1, 1) = cy[1];
  H(2, 2) = cz[2];
  H(0, 1) = H(1, 0) = (cx[1] + cy[0]) * 0.5;
  H(0, 2) = H(2, 0) = (cx[2] + cz[0]) * 0.5;
  H(1, 2) = H(2, 1) = (cy[2] + cz[1]) * 0.5;
  if (d == 2) H(2, 2) = 1.0;
  mVector e[3];
  double l[3] = {0.0, 0.0, 0.0};
  if (d == 3)
    H.eigen(e, l);
  else
    symmetricEigen2d(H, l, e);
  return mTensor2(e[0] * l[0], e[1] * l[1], e[2] * l[2]);
}

// Fits the three gradient components (rows of b) by A c = b and attaches the
// Hessian; in two dimensions the z column of the third row is set to 1.
void fitAndAttach(Matrix &A, std::vector<double> (&b)[3], int rows, int d, mEntity *v, unsigned int tag) {
  if (d == 2 && rows > 2) A.m[2][2] = 1.0;
  double c[3][4] = {};
  for (int k = 0; k < 3; ++k) leastSquares(A.m, b[k].data(), c[k], rows, 4);
  attached<KORA::mAttachable_mTensor2>(v, tag)->t = hessianFromSlopes(c[0], c[1], c[2], d);
}

}  // namespace

void symmetricEigen2d(const mTensor2 &t, double values[3], mVector vectors[3]) {
  const double a = t(0, 0), b = 0.5 * (t(0, 1) + t(1, 0)), c = t(1, 1);
  const double mean = 0.5 * (a + c);
  double disc = 0.25 * (a - c) * (a - c) + b * b;
  if (disc < 0.0) disc = 0.0;
  const double r = std::sqrt(disc);
  double l0 = mean + r, l1 = mean - r;
  if (std::fabs(l0) < std::fabs(l1)) std::swap(l0, l1);
  // Eigenvector of l0: (b, l0 - a) or (l0 - c, b), whichever is longer.
  mVector e0(b, l0 - a, 0.0), alt(l0 - c, b, 0.0);
  if (alt.length() > e0.length()) e0 = alt;
  if (e0.normalize() == 0.0) e0 = mVector(1, 0, 0);  // isotropic block
  values[0] = l0;
  values[1] = l1;
  values[2] = 1.0;
  vectors[0] = e0;
  vectors[1] = mVector(-e0(1), e0(0), 0.0);
  vectors[2] = mVector(0, 0, 1);
}

void eigenRows(const mTensor2 &t, double lengths[3], mVector directions[3]) {
  for (int i = 0; i < 3; ++i) {
    mVector row(t(i, 0), t(i, 1), t(i, 2));
    lengths[i] = row.length();
    if (lengths[i] != 0.0) row = row * (1.0 / lengths[i]);
    directions[i] = row;
  }
}

void BuildNodalGradients(int field, unsigned int tag) {
  mMesh &mesh = adaptationMesh("nodal gradients");
  const int d = context()->dim;
  if (d != 2 && d != 3) return;
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    mAdjacencyContainer around;
    v->getHigherOrderUpward(d, around);
    const int n = around.size();
    if (!enoughAround(d, n, 3, 6)) continue;
    Matrix A(n, d + 1);
    std::vector<double> b(n);
    const mPoint p = pointOf(v, 3);
    for (int i = 0; i < n; ++i) {
      const DGCell *c = dgCellOf(around[i]);
      if (!c) throw std::string("nodal gradients: an element carries no DG cell");
      double u, vv, w;
      const mPoint x = cellCentre(c, u, vv, w);
      A.m[i][0] = x(0) - p(0);
      A.m[i][1] = x(1) - p(1);
      if (d == 3) A.m[i][2] = x(2) - p(2);
      A.m[i][d] = 1.0;
      b[i] = c->getCoefficients()->levels[0][field * c->getCoefficients()->nbFunctions];
    }
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    leastSquares(A.m, b.data(), s, n, d + 1);
    attached<KORA::mAttachable_mVector>(v, tag)->v = mVector(s[0], s[1], d == 3 ? s[2] : 0.0);
  }
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    mAdjacencyContainer edges;
    v->getHigherOrderUpward(1, edges);
    const int m = edges.size();
    if (!enoughAround(d, m, 3, 4)) continue;
    mVector sum = vectorAt(v, tag);
    for (int i = 0; i < m; ++i) sum += vectorAt(otherEnd(edges[i], v), tag);
    const double factor = 1.0 / (m + 1);
    attached<KORA::mAttachable_mVector>(v, tag)->v = sum * factor;
  }
}

void BuildNodalHessians(int field, unsigned int tag) {
  mMesh &mesh = adaptationMesh("nodal Hessians");
  const int d = context()->dim;
  if (d != 2 && d != 3) return;
  mVector grads[ConservationLaw::kMaxFields];
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    mAdjacencyContainer around;
    v->getHigherOrderUpward(d, around);
    const int n = around.size();
    if (!enoughAround(d, n, 3, 4)) continue;
    Matrix A(n, 4);
    std::vector<double> b[3] = {std::vector<double>(n), std::vector<double>(n), std::vector<double>(n)};
    for (int i = 0; i < n; ++i) {
      const DGCell *c = dgCellOf(around[i]);
      if (!c) throw std::string("nodal Hessians: an element carries no DG cell");
      if (field < 0 || field >= c->nbFields()) throw std::string("nodal Hessians: no such field");
      double u, vv, w;
      const mPoint x = cellCentre(c, u, vv, w);
      c->dinterpolate(u, vv, w, grads, DGCell::LEVEL0_PLUS_2);
      A.m[i][0] = x(0);
      A.m[i][1] = x(1);
      A.m[i][2] = d == 3 ? x(2) : 0.0;
      A.m[i][3] = 1.0;
      for (int k = 0; k < 3; ++k) b[k][i] = grads[field](k);
    }
    fitAndAttach(A, b, n, d, v, tag);
  }
}

void BuildNodalHessiansWithNodalGradients(int, unsigned int gradTag, unsigned int hessTag) {
  mMesh &mesh = adaptationMesh("nodal Hessians");
  const int d = context()->dim;
  if (d != 2 && d != 3) return;
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    mAdjacencyContainer edges;
    v->getHigherOrderUpward(1, edges);
    const int n = edges.size();
    if (!enoughAround(d, n, 3, 4)) continue;
    const mPoint p = pointOf(v, d);
    Matrix A(n + 1, 4);
    std::vector<double> b[3] = {std::vector<double>(n + 1), std::vector<double>(n + 1),
                                std::vector<double>(n + 1)};
    for (int i = 0; i <= n; ++i) {
      mEntity *w = i < n ? otherEnd(edges[i], v) : v;
      const mPoint q = pointOf(w, d);
      A.m[i][0] = q(0) - p(0);
      A.m[i][1] = q(1) - p(1);
      A.m[i][2] = q(2) - p(2);
      A.m[i][3] = 1.0;
      const mVector g = vectorAt(w, gradTag);
      for (int k = 0; k < 3; ++k) b[k][i] = g(k);
    }
    fitAndAttach(A, b, n + 1, d, v, hessTag);
  }
}

void BuildNodalMetrics(unsigned int hessTag, unsigned int gradTag, unsigned int metricTag, double eps) {
  GlobalParamManager *ctx = context();
  mMesh &mesh = adaptationMesh("nodal metrics");
  const int d = ctx->dim;
  const DGParameters &p = *ctx->parameters;
  const double hmin = p.href.minCellSize, hmax = p.href.maxCellSize;
  const double maxAR = p.href.maxAspectRatio;
  const int Lmax = p.href.maxLevelOfRefinement;
  const unsigned int levelTag = ctx->analysis ? ctx->analysis->optimumLevelTag : 0;
  std::printf("eps = %12.5E\n", eps);
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) {
    mEntity *v = *it;
    // 1-2: the Hessian's lengths and directions (identity when missing).
    const auto *hess = dynamic_cast<const KORA::mAttachable_mTensor2 *>(v->getData(hessTag));
    mTensor2 T(0.0);
    if (hess) {
      T = hess->t;
    } else {
      T(0, 0) = T(1, 1) = T(2, 2) = 1.0;
    }
    double lambda[3];
    mVector e[3];
    eigenRows(T, lambda, e);
    // 3: the elements around: highest target, deepest level reached, mean.
    mAdjacencyContainer around;
    v->getHigherOrderUpward(d, around);
    const int n = around.size();
    int L = 0;
    bool deep = false;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
      const int level = levelTag ? targetLevel(around[i], levelTag) : 0;
      if (const DGCell *c = dgCellOf(around[i])) sum += c->theMean(0);
      L = std::max(L, level);
      if (level == Lmax) deep = true;
    }
    const double mean = n > 0 ? sum / n : 0.0;
    // 4: across the front, aligned with the gradient.
    if (deep && v->getData(gradTag)) {
      const mVector g = vectorAt(v, gradTag);
      if (g.length() > 1e-6) {
        e[0] = g * (1.0 / g.length());
        mVector e1 = e[0] % mVector(0, 0, 1);
        if (e1.length() == 0.0) e1 = e[0] % mVector(0, 1, 0);
        if (e1.length() == 0.0) e1 = e[0] % mVector(1, 0, 0);
        e1.normalize();
        e[1] = e1;
        mVector e2 = e[0] % e[1];
        e2.normalize();
        e[2] = e2;
      }
    }
    // 5-10: sizes from the error rule, then the bounds and caps. The size
    // scale uses |eps mean|, so that a negative mean or eps never gives a
    // square root of a negative number.
    double h[3] = {hmax, hmax, 1.0};
    const double scale = std::fabs(eps * mean);
    for (int i = 0; i < (d == 3 ? 3 : 2); ++i)
      if (lambda[i] > 0.01) h[i] = std::sqrt(scale / lambda[i]);
    if (deep) h[0] = hmin;
    for (double &x : h) {
      if (x > hmax) x = hmax;
      if (x < hmin) x = hmin;
    }
    if (L == 0) {
      e[0] = mVector(1, 0, 0);
      e[1] = mVector(0, 1, 0);
      e[2] = mVector(0, 0, 1);
      h[0] = h[1] = hmax;
      if (d == 3) h[2] = hmax;
    }
    if (maxAR * h[0] < h[1]) h[1] = maxAR * h[0];
    if (maxAR * h[0] < h[2]) h[2] = maxAR * h[0];
    if (p.href.aniso == 0) {
      h[1] = h[0];
      if (d == 3) h[2] = h[0];
    }
    attached<KORA::mAttachable_mTensor2>(v, metricTag)->t = mTensor2(e[0] * h[0], e[1] * h[1], e[2] * h[2]);
  }
}

void unBuildNodalData(unsigned int tag) {
  mMesh &mesh = adaptationMesh("nodal data");
  for (auto it = mesh.begin(0); it != mesh.end(0); ++it) (*it)->deleteData(tag);
}
