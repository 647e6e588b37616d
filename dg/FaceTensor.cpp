// Sum factorisation on the faces of quadrilaterals and hexahedra (see
// FaceTensor.h).

#include "FaceTensor.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "DGBoundaryCell.h"
#include "DGCell.h"

namespace {

// The states of one side at every point of the face from its products: the
// current coefficients (N1 functions per direction, KK points; 0: known at
// run time).
template <int N1, int KK>
void tensorSideStates(const DGCell *c, const FaceTensor &F, DGBoundaryCell *face, bool left) {
  const int n1 = N1 ? N1 : F.n1, K = KK ? KK : F.K, nb = n1 * n1, nf = c->nbFieldCount;
  const int *perm = F.perm.data();
  const double *fixed = F.fixed.data(), *along = F.along.data();
  ptGaussInfo *points = face->gaussPoints.data();
  for (int f = 0; f < nf; ++f) {
    const double *cf = c->coef0 + f * nb;
    double t[N1 ? N1 : FaceTensor::kMaxN1];
    for (int m = 0; m < n1; ++m) {
      double sum = 0.0;
      for (int l = 0; l < n1; ++l) sum += cf[perm[m * n1 + l]] * fixed[l];
      t[m] = sum;
    }
    for (int k = 0; k < K; ++k) {
      double sum = 0.0;
      for (int m = 0; m < n1; ++m) sum += t[m] * along[k * n1 + m];
      (left ? points[k].UL : points[k].UR)[f] = sum;
    }
  }
}

// r(basis(i, j)) += sign * sum over the points of a_k times the basis value
// of the side at point k, from its products.
template <int N1, int KK>
void tensorFaceIntegral(const FaceTensor &F, const double *a, double sign, double *r) {
  const int n1 = N1 ? N1 : F.n1, K = KK ? KK : F.K;
  const int *perm = F.perm.data();
  const double *fixed = F.fixed.data(), *along = F.along.data();
  double s[N1 ? N1 : FaceTensor::kMaxN1];
  for (int m = 0; m < n1; ++m) {
    double sum = 0.0;
    for (int k = 0; k < K; ++k) sum += a[k] * along[k * n1 + m];
    s[m] = sign * sum;
  }
  for (int m = 0; m < n1; ++m)
    for (int l = 0; l < n1; ++l) r[perm[m * n1 + l]] += fixed[l] * s[m];
}

// The states of a hexahedron's side at every point of the face: the sum
// over the fixed direction, then along d2 and along d1 (N1 functions, KA x KB
// grid points; 0: known at run time).
template <int N1, int KA, int KB>
void hexSideStates(const DGCell *c, const FaceTensor &F, DGBoundaryCell *face, bool left) {
  constexpr int kMax = FaceTensor::kMaxN1;
  const int n1 = N1 ? N1 : F.n1, ka = KA ? KA : F.ka, kb = KB ? KB : F.kb;
  const int nb = n1 * n1 * n1, nf = c->nbFieldCount;
  const int *perm = F.perm.data(), *point = F.point.data();
  const double *fixed = F.fixed.data(), *X = F.X.data(), *Y = F.Y.data();
  ptGaussInfo *points = face->gaussPoints.data();
  for (int f = 0; f < nf; ++f) {
    const double *cf = c->coef0 + f * nb;
    // t(m1, m2) = sum_l c(l, m1, m2) fixed_l; T(m1, b) = sum_m2 t(m1, m2)
    // Y_b(m2); U(a, b) = sum_m1 X_a(m1) T(m1, b).
    double t[N1 ? N1 : kMax][N1 ? N1 : kMax];
    for (int m1 = 0; m1 < n1; ++m1)
      for (int m2 = 0; m2 < n1; ++m2) {
        const int *q = perm + (m1 * n1 + m2) * n1;
        double sum = 0.0;
        for (int l = 0; l < n1; ++l) sum += cf[q[l]] * fixed[l];
        t[m1][m2] = sum;
      }
    double T[N1 ? N1 : kMax][KB ? KB : kMax];
    for (int m1 = 0; m1 < n1; ++m1)
      for (int b = 0; b < kb; ++b) {
        double sum = 0.0;
        for (int m2 = 0; m2 < n1; ++m2) sum += t[m1][m2] * Y[b * n1 + m2];
        T[m1][b] = sum;
      }
    for (int a = 0; a < ka; ++a)
      for (int b = 0; b < kb; ++b) {
        double sum = 0.0;
        for (int m1 = 0; m1 < n1; ++m1) sum += X[a * n1 + m1] * T[m1][b];
        (left ? points[point[a * kb + b]].UL : points[point[a * kb + b]].UR)[f] = sum;
      }
  }
}

// r(l, m1, m2) += sign * sum over the points of a_k times the basis value of
// a hexahedron's side at point k: along d2, along d1, then the fixed
// direction.
template <int N1, int KA, int KB>
void hexFaceIntegral(const FaceTensor &F, const double *a, double sign, double *r) {
  constexpr int kMax = FaceTensor::kMaxN1;
  const int n1 = N1 ? N1 : F.n1, ka = KA ? KA : F.ka, kb = KB ? KB : F.kb;
  const int *perm = F.perm.data(), *point = F.point.data();
  const double *fixed = F.fixed.data(), *X = F.X.data(), *Y = F.Y.data();
  double s1[KA ? KA : kMax][N1 ? N1 : kMax];
  for (int i = 0; i < ka; ++i) {
    double sum[N1 ? N1 : kMax] = {};
    for (int b = 0; b < kb; ++b) {
      const double ab = a[point[i * kb + b]];
      for (int m2 = 0; m2 < n1; ++m2) sum[m2] += ab * Y[b * n1 + m2];
    }
    for (int m2 = 0; m2 < n1; ++m2) s1[i][m2] = sum[m2];
  }
  for (int m1 = 0; m1 < n1; ++m1) {
    double sum[N1 ? N1 : kMax] = {};
    for (int i = 0; i < ka; ++i) {
      const double x = X[i * n1 + m1];
      for (int m2 = 0; m2 < n1; ++m2) sum[m2] += x * s1[i][m2];
    }
    for (int m2 = 0; m2 < n1; ++m2) {
      const double s = sign * sum[m2];
      const int *q = perm + (m1 * n1 + m2) * n1;
      for (int l = 0; l < n1; ++l) r[q[l]] += fixed[l] * s;
    }
  }
}

// Runs fn with the sizes of a hexahedron's products known at compile time
// when they are those of orders 1 to 5 with their usual face rules (p + 1 or
// p + 2 points per direction).
template <class Fn>
void withHexFaceSizes(const FaceTensor &F, Fn &&fn) {
  using std::integral_constant;
  const auto sizes = [&](auto N1, auto KQ) { fn(N1, KQ, KQ); };
  switch (F.ka == F.kb ? F.n1 * 100 + F.ka : 0) {
  case 202: sizes(integral_constant<int, 2>{}, integral_constant<int, 2>{}); break;
  case 203: sizes(integral_constant<int, 2>{}, integral_constant<int, 3>{}); break;
  case 303: sizes(integral_constant<int, 3>{}, integral_constant<int, 3>{}); break;
  case 304: sizes(integral_constant<int, 3>{}, integral_constant<int, 4>{}); break;
  case 404: sizes(integral_constant<int, 4>{}, integral_constant<int, 4>{}); break;
  case 405: sizes(integral_constant<int, 4>{}, integral_constant<int, 5>{}); break;
  case 505: sizes(integral_constant<int, 5>{}, integral_constant<int, 5>{}); break;
  case 506: sizes(integral_constant<int, 5>{}, integral_constant<int, 6>{}); break;
  case 606: sizes(integral_constant<int, 6>{}, integral_constant<int, 6>{}); break;
  case 607: sizes(integral_constant<int, 6>{}, integral_constant<int, 7>{}); break;
  default: fn(integral_constant<int, 0>{}, integral_constant<int, 0>{}, integral_constant<int, 0>{}); break;
  }
}

// Runs fn with the sizes of the products known at compile time when they are
// those of orders 1 to 4 with their usual face rules (2p + 1 points).
template <class Fn>
void withFaceTensorSizes(const FaceTensor &F, Fn &&fn) {
  using std::integral_constant;
  switch (F.n1 * 100 + F.K) {
  case 203: fn(integral_constant<int, 2>{}, integral_constant<int, 3>{}); break;
  case 305: fn(integral_constant<int, 3>{}, integral_constant<int, 5>{}); break;
  case 407: fn(integral_constant<int, 4>{}, integral_constant<int, 7>{}); break;
  case 509: fn(integral_constant<int, 5>{}, integral_constant<int, 9>{}); break;
  default: fn(integral_constant<int, 0>{}, integral_constant<int, 0>{}); break;
  }
}

// The products of a hexahedron's side from its rows at the K face points
// (basis P_i(u) P_j(v) P_l(w) at b[(i n1 + j) n1 + l]; values up to scale):
// the direction whose values are the same at every point is the fixed one,
// and the points must lie on a grid of the other two (null otherwise).
std::unique_ptr<FaceTensor> hexProducts(const std::vector<const double *> &rows, const int *b, int n1,
                                        double scale) {
  const int K = static_cast<int>(rows.size());
  const double r00 = rows[0][b[0]];
  if (r00 == 0.0 || !std::isfinite(r00)) return nullptr;
  const double tol = 1e-13 * scale;
  for (int d0 = 0; d0 < 3; ++d0) {
    const int d1 = d0 == 0 ? 1 : 0, d2 = d0 == 2 ? 1 : 2;
    // The basis index of degrees (l along d0, m1 along d1, m2 along d2).
    auto index = [&](int l, int m1, int m2) {
      int e[3];
      e[d0] = l;
      e[d1] = m1;
      e[d2] = m2;
      return b[(e[0] * n1 + e[1]) * n1 + e[2]];
    };
    std::vector<double> fixed(n1), X(static_cast<std::size_t>(K) * n1), Y(static_cast<std::size_t>(K) * n1);
    for (int l = 0; l < n1; ++l) fixed[l] = rows[0][index(l, 0, 0)] / r00;
    for (int k = 0; k < K; ++k)
      for (int m = 0; m < n1; ++m) {
        X[k * n1 + m] = rows[k][index(0, m, 0)] / r00;
        Y[k * n1 + m] = rows[k][index(0, 0, m)];
      }
    bool products = true;
    for (int k = 0; k < K && products; ++k)
      for (int l = 0; l < n1 && products; ++l)
        for (int m1 = 0; m1 < n1; ++m1)
          for (int m2 = 0; m2 < n1; ++m2) {
            const double v = fixed[l] * X[k * n1 + m1] * Y[k * n1 + m2];
            products = products && std::fabs(rows[k][index(l, m1, m2)] - v) <= tol;
          }
    if (!products) continue;
    // The distinct rows along d1 and along d2, and each point's place on
    // their grid.
    auto distinct = [&](const std::vector<double> &V, std::vector<double> &kept, std::vector<int> &place) {
      double big = 0.0;
      for (double v : V) big = std::max(big, std::fabs(v));
      int count = 0;
      for (int k = 0; k < K; ++k) {
        int found = -1;
        for (int a = 0; a < count && found < 0; ++a) {
          bool same = true;
          for (int m = 0; m < n1 && same; ++m) same = std::fabs(kept[a * n1 + m] - V[k * n1 + m]) <= 1e-13 * big;
          if (same) found = a;
        }
        if (found < 0) {
          found = count++;
          kept.insert(kept.end(), V.begin() + k * n1, V.begin() + (k + 1) * n1);
        }
        place[k] = found;
      }
      return count;
    };
    auto F = std::make_unique<FaceTensor>();
    std::vector<int> pa(K), pb(K);
    F->ka = distinct(X, F->X, pa);
    F->kb = distinct(Y, F->Y, pb);
    if (F->ka * F->kb != K || F->ka > FaceTensor::kMaxN1 || F->kb > FaceTensor::kMaxN1) return nullptr;
    F->point.assign(K, -1);
    for (int k = 0; k < K; ++k) {
      int &slot = F->point[pa[k] * F->kb + pb[k]];
      if (slot >= 0) return nullptr;
      slot = k;
    }
    F->dims = 3;
    F->n1 = n1;
    F->K = K;
    F->fixed = std::move(fixed);
    F->perm.resize(static_cast<std::size_t>(n1) * n1 * n1);
    for (int m1 = 0; m1 < n1; ++m1)
      for (int m2 = 0; m2 < n1; ++m2)
        for (int l = 0; l < n1; ++l) F->perm[(m1 * n1 + m2) * n1 + l] = index(l, m1, m2);
    return F;
  }
  return nullptr;
}

// The products of one side of a face whose basis is P_i(u) P_j(v) at
// b[i n1 + j], made once per basis and rows and shared (null: the rows are
// not products, or some are the face's own).
const FaceTensor *faceTensor(const DGBoundaryCell *face, const int *b, int n1, bool left, int dims) {
  const int K = face->nbPtGauss();
  if (!b || n1 < 2 || K < 1 || K > FaceTensor::kMaxPoints || n1 > FaceTensor::kMaxN1) return nullptr;
  const int nb = dims == 3 ? n1 * n1 * n1 : n1 * n1;
  std::vector<const double *> rows(K);
  for (int k = 0; k < K; ++k) {
    const BasisRow &row = left ? face->gaussPoints[k].fctsL : face->gaussPoints[k].fctsR;
    if (static_cast<int>(row.size()) != nb) return nullptr;
    // The face's own rows go with it: only shared rows, which never move,
    // serve as keys.
    for (const auto &own : face->ownBasis)
      if (own->data() == row.data()) return nullptr;
    rows[k] = row.data();
  }
  using Key = std::pair<const int *, std::vector<const double *>>;
  thread_local std::map<Key, std::unique_ptr<FaceTensor>> made;
  Key key(b, rows);
  if (auto it = made.find(key); it != made.end()) return it->second.get();
  double scale = 0.0;
  for (const double *r : rows)
    for (int q = 0; q < nb; ++q) scale = std::max(scale, std::fabs(r[q]));
  std::unique_ptr<FaceTensor> found;
  const double r00 = rows[0][b[0]];
  if (dims == 3) {
    found = hexProducts(rows, b, n1, scale);
    return made.emplace(std::move(key), std::move(found)).first->second.get();
  }
  for (const bool uFixed : {true, false}) {
    if (r00 == 0.0 || !std::isfinite(r00)) break;
    auto F = std::make_unique<FaceTensor>();
    F->n1 = n1;
    F->K = K;
    F->uFixed = uFixed;
    F->fixed.resize(n1);
    F->along.resize(static_cast<std::size_t>(K) * n1);
    for (int m = 0; m < n1; ++m) F->fixed[m] = rows[0][uFixed ? b[m * n1] : b[m]] / r00;
    for (int k = 0; k < K; ++k)
      for (int m = 0; m < n1; ++m) F->along[k * n1 + m] = rows[k][uFixed ? b[m] : b[m * n1]];
    bool products = true;
    for (int k = 0; k < K && products; ++k)
      for (int i = 0; i < n1; ++i)
        for (int j = 0; j < n1; ++j) {
          const double v = uFixed ? F->fixed[i] * F->along[k * n1 + j] : F->along[k * n1 + i] * F->fixed[j];
          products = products && std::fabs(rows[k][b[i * n1 + j]] - v) <= 1e-13 * scale;
        }
    if (products) {
      F->perm.resize(nb);
      for (int m = 0; m < n1; ++m)
        for (int l = 0; l < n1; ++l) F->perm[m * n1 + l] = uFixed ? b[l * n1 + m] : b[m * n1 + l];
      found = std::move(F);
      break;
    }
  }
  return made.emplace(std::move(key), std::move(found)).first->second.get();
}

}  // namespace

const FaceTensors *findFaceTensors(const DGBoundaryCell *face, const int *basisL, int n1L, const int *basisR,
                                   int n1R, int dims) {
  const FaceTensor *tL = faceTensor(face, basisL, n1L, true, dims);
  const FaceTensor *tR = basisR ? faceTensor(face, basisR, n1R, false, dims) : nullptr;
  thread_local std::map<std::pair<const FaceTensor *, const FaceTensor *>, FaceTensors> pairs;
  return &pairs.try_emplace({tL, tR}, FaceTensors{tL, tR}).first->second;
}

void tensorFaceStates(DGBoundaryCell *face, const DGCell *L, const DGCell *R, const FaceTensor *tL,
                      const FaceTensor *tR) {
  if (tL->dims == 3) {
    withHexFaceSizes(*tL, [&](auto N1, auto KA, auto KB) {
      hexSideStates<decltype(N1)::value, decltype(KA)::value, decltype(KB)::value>(L, *tL, face, true);
    });
    if (R)
      withHexFaceSizes(*tR, [&](auto N1, auto KA, auto KB) {
        hexSideStates<decltype(N1)::value, decltype(KA)::value, decltype(KB)::value>(R, *tR, face, false);
      });
    return;
  }
  withFaceTensorSizes(*tL, [&](auto N1, auto KK) {
    tensorSideStates<decltype(N1)::value, decltype(KK)::value>(L, *tL, face, true);
  });
  if (R)
    withFaceTensorSizes(*tR, [&](auto N1, auto KK) {
      tensorSideStates<decltype(N1)::value, decltype(KK)::value>(R, *tR, face, false);
    });
}

void tensorFaceIntegrals(const DGBoundaryCell *face, const FaceTensor &tL, const FaceTensor &tR, int n,
                         const double *fluxes, bool toLeft, bool toRight, double *rhsL, double *rhsR) {
  const ptGaussInfo *gps = face->gaussPoints.data();
  double a[FaceTensor::kMaxPoints];
  if (tL.dims == 3) {
    const int K = tL.K, nbL = tL.n1 * tL.n1 * tL.n1, nbR = tR.n1 * tR.n1 * tR.n1;
    if (toLeft)
      withHexFaceSizes(tL, [&](auto N1, auto KA, auto KB) {
        for (int f = 0; f < n; ++f) {
          for (int k = 0; k < K; ++k) a[k] = gps[k].JacW * fluxes[k * n + f];
          hexFaceIntegral<decltype(N1)::value, decltype(KA)::value, decltype(KB)::value>(tL, a, -1.0, rhsL + f * nbL);
        }
      });
    if (toRight)
      withHexFaceSizes(tR, [&](auto N1, auto KA, auto KB) {
        for (int f = 0; f < n; ++f) {
          for (int k = 0; k < K; ++k) a[k] = gps[k].JacW * fluxes[(K + k) * n + f];
          hexFaceIntegral<decltype(N1)::value, decltype(KA)::value, decltype(KB)::value>(tR, a, 1.0, rhsR + f * nbR);
        }
      });
    return;
  }
  const int K = tL.K, nb = tL.n1 * tL.n1;
  withFaceTensorSizes(tL, [&](auto N1, auto KK) {
    constexpr int kN1 = decltype(N1)::value, kK = decltype(KK)::value;
    for (int f = 0; f < n; ++f) {
      if (toLeft) {
        for (int k = 0; k < K; ++k) a[k] = gps[k].JacW * fluxes[k * n + f];
        tensorFaceIntegral<kN1, kK>(tL, a, -1.0, rhsL + f * nb);
      }
      if (toRight) {
        for (int k = 0; k < K; ++k) a[k] = gps[k].JacW * fluxes[(K + k) * n + f];
        tensorFaceIntegral<kN1, kK>(tR, a, 1.0, rhsR + f * nb);
      }
    }
  });
}
