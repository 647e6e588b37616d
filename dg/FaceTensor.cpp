// Sum factorisation on the faces of quadrilaterals (see FaceTensor.h).

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

// The products of one side of a face whose basis is P_i(u) P_j(v) at
// b[i n1 + j], made once per basis and rows and shared (null: the rows are
// not products, or some are the face's own).
const FaceTensor *faceTensor(const DGBoundaryCell *face, const int *b, int n1, bool left) {
  const int K = face->nbPtGauss();
  if (!b || n1 < 2 || K < 1 || K > FaceTensor::kMaxPoints || n1 > FaceTensor::kMaxN1) return nullptr;
  const int nb = n1 * n1;
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
                                   int n1R) {
  const FaceTensor *tL = faceTensor(face, basisL, n1L, true);
  const FaceTensor *tR = basisR ? faceTensor(face, basisR, n1R, false) : nullptr;
  thread_local std::map<std::pair<const FaceTensor *, const FaceTensor *>, FaceTensors> pairs;
  return &pairs.try_emplace({tL, tR}, FaceTensors{tL, tR}).first->second;
}

void tensorFaceStates(DGBoundaryCell *face, const DGCell *L, const DGCell *R, const FaceTensor *tL,
                      const FaceTensor *tR) {
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
  const int K = tL.K, nb = tL.n1 * tL.n1;
  double a[FaceTensor::kMaxPoints];
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
